#include "lookup_config.h"

namespace {
QUrl fromVariable(const char* name, const char* fallback) {
    const QString set = qEnvironmentVariable(name).trimmed();
    QUrl url(set.isEmpty() ? QString::fromLatin1(fallback) : set);
    // Paths are added to the address: "…/3/" and "…/3" are the same service.
    QString path = url.path();
    while (path.endsWith(u'/')) path.chop(1);
    url.setPath(path);
    return url;
}
}  // namespace

LookupAddresses LookupAddresses::fromEnvironment() {
    return {fromVariable("REELNOTE_TMDB_API", "https://api.themoviedb.org/3"),
            fromVariable("REELNOTE_TMDB_IMAGES", "https://image.tmdb.org/t/p"),
            fromVariable("REELNOTE_WIKIDATA_API", "https://www.wikidata.org/w/api.php")};
}

QString tmdbKeyFromEnvironment() { return qEnvironmentVariable("REELNOTE_TMDB_KEY").trimmed(); }
