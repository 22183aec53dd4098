#include "combined_source.h"

#include <algorithm>

namespace {
// A name written with kana or kanji is taken to be Japanese already.
bool isJapanese(const QString& name) {
    return std::any_of(name.begin(), name.end(), [](QChar c) {
        const QChar::Script s = c.script();
        return s == QChar::Script_Hiragana || s == QChar::Script_Katakana || s == QChar::Script_Han;
    });
}

// A name as compared: without accents, case, spaces and punctuation, so that
// "J.J. Abrams" meets "J. J. Abrams" and "Penelope" meets "Penélope".
QString keyOf(const QString& name) {
    QString key;
    for (const QChar c : name.normalized(QString::NormalizationForm_KD))
        if (c.isLetterOrNumber()) key += c.toCaseFolded();
    return key;
}

// The names an item is matched under. Wikidata calls a genre "drama film"
// where TMDb says "Drama".
QStringList keysOf(const NamedItem& item) {
    static const QString film = QStringLiteral(" film");
    QStringList keys;
    for (const QString& n : item.otherNames + QStringList{item.japanese}) {
        if (n.isEmpty()) continue;
        keys.append(keyOf(n));
        if (n.endsWith(film, Qt::CaseInsensitive)) keys.append(keyOf(n.chopped(film.size())));
    }
    return keys;
}

QString japaneseOf(const QString& name, const QVector<NamedItem>& items) {
    if (isJapanese(name)) return name;
    const QString key = keyOf(name);
    if (key.isEmpty()) return name;
    for (const NamedItem& item : items)
        if (!item.japanese.isEmpty() && keysOf(item).contains(key)) return item.japanese;
    return name;
}

QStringList japaneseOf(const QStringList& names, const QVector<NamedItem>& items) {
    QStringList out;
    for (const QString& n : names) out.append(japaneseOf(n, items));
    out.removeDuplicates();
    return out;
}

bool needsWikidata(const Film& film) {
    const auto foreign = [](const QString& n) { return !isJapanese(n); };
    return std::any_of(film.directors.begin(), film.directors.end(), foreign) ||
           std::any_of(film.cast.begin(), film.cast.end(),
                       [&](const CastMember& c) { return foreign(c.name); }) ||
           std::any_of(film.countries.begin(), film.countries.end(), foreign) ||
           std::any_of(film.genres.begin(), film.genres.end(), foreign);
}
}  // namespace

CombinedSource::CombinedSource(LookupNetwork& network, const LookupAddresses& addresses,
                               const QString& key, QObject* parent)
    : TmdbClient(network, addresses, key, parent), wikidata_(network, addresses, this) {
    wikidata_.shareRequests(fetch_);
    connect(&wikidata_, &WikidataClient::itemsFetched, this,
            [this](const FilmItems& items) { emit filmFetched(withJapaneseNames(film_, items)); });
    // Wikidata only adds names: without them the film is still TMDb's whole film.
    connect(&wikidata_, &FilmSource::failed, this, [this] { emit filmFetched(film_); });
}

void CombinedSource::filmRead(const Film& film) {
    if (!WikidataClient::isItemId(film.wikidataId) || !needsWikidata(film))
        return TmdbClient::filmRead(film);
    film_ = film;
    wikidata_.fetchNamedItems(film.wikidataId);
}

Film CombinedSource::withJapaneseNames(Film film, const FilmItems& items) {
    film.directors = japaneseOf(film.directors, items.directors);
    for (CastMember& c : film.cast) c.name = japaneseOf(c.name, items.cast);
    film.countries = japaneseOf(film.countries, items.countries);
    film.genres = japaneseOf(film.genres, items.genres);
    return film;
}
