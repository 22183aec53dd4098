#include "lookup_config.h"

namespace {
QUrl fromVariable(const char* name, const char* fallback) {
    const QString set = qEnvironmentVariable(name).trimmed();
    QString text = set.isEmpty() ? QString::fromLatin1(fallback) : set;
    while (text.endsWith(u'/') && !text.endsWith(QStringLiteral("//"))) text.chop(1);
    return QUrl(text);
}
}  // namespace

LookupAddresses LookupAddresses::fromEnvironment() {
    return {fromVariable("REELNOTE_TMDB_API", "https://api.themoviedb.org/3"),
            fromVariable("REELNOTE_TMDB_IMAGES", "https://image.tmdb.org/t/p"),
            fromVariable("REELNOTE_WIKIDATA_API", "https://www.wikidata.org/w/api.php")};
}

QString tmdbKeyFromEnvironment() { return qEnvironmentVariable("REELNOTE_TMDB_KEY").trimmed(); }
