#include "tmdb_client.h"

#include <QRegularExpression>

#include <algorithm>

namespace {
const QString kSource = QStringLiteral("tmdb");

QUrl posterAt(const QUrl& images, const char* size, const QString& path) {
    if (path.isEmpty()) return {};
    QUrl u = images;
    u.setPath(images.path() + u'/' + QLatin1String(size) + path);
    return u;
}

// TMDb writes dates as "2001-07-20"; an unreleased film has "".
ReleaseDate readDate(const QString& text, const QString& where, JsonShape& shape) {
    if (text.isEmpty()) return {};
    static const QRegularExpression form(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch()) {
        shape.fault(QStringLiteral("%1 が日付ではありません").arg(where));
        return {};
    }
    return {m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt()};
}

QString at(const QString& where, qsizetype i) { return QStringLiteral("%1[%2]").arg(where).arg(i); }
}  // namespace

TmdbClient::TmdbClient(LookupNetwork& network, const LookupAddresses& addresses, const QString& key,
                       QObject* parent)
    : FilmSource(network, parent), addresses_(addresses), key_(key.trimmed()) {}

bool TmdbClient::isReadAccessToken(const QString& key) {
    return key.size() > 64 && key.count(u'.') == 2;
}

bool TmdbClient::haveKey() {
    if (!key_.isEmpty()) return true;
    failSoon(LookupError::make(LookupError::Kind::BadKey,
                               QStringLiteral("TMDbのAPIキーが設定されていません。")));
    return false;
}

QNetworkRequest TmdbClient::apiRequest(const QUrl& api, const QString& key, const QString& path,
                                       QUrlQuery query, QUrl* cacheKey) {
    QUrl url = api;
    url.setPath(url.path() + path);
    url.setQuery(query);
    *cacheKey = url;
    const bool token = isReadAccessToken(key);
    if (!token) {
        query.addQueryItem(QStringLiteral("api_key"), key);
        url.setQuery(query);
    }
    QNetworkRequest r(url);
    if (token) r.setRawHeader("Authorization", "Bearer " + key.toUtf8());
    return r;
}

QNetworkRequest TmdbClient::request(const QString& path, QUrlQuery query, QUrl* cacheKey) const {
    return apiRequest(addresses_.tmdbApi, key_, path, std::move(query), cacheKey);
}

void TmdbClient::search(const QString& text, int year) {
    cancel();
    if (!haveKey()) return;
    QUrlQuery q;
    q.addQueryItem(QStringLiteral("query"), text.trimmed());
    q.addQueryItem(QStringLiteral("language"), QStringLiteral("ja-JP"));
    q.addQueryItem(QStringLiteral("include_adult"), QStringLiteral("false"));
    if (year > 0) q.addQueryItem(QStringLiteral("year"), QString::number(year));
    askCandidates(QStringLiteral("/search/movie"), q, QStringLiteral("results"));
}

void TmdbClient::findByImdb(const QString& imdbId) {
    cancel();
    static const QRegularExpression form(QStringLiteral("^tt\\d{1,12}$"));
    if (!form.match(imdbId).hasMatch()) {
        failSoon(LookupError::make(LookupError::Kind::BadRequest,
                                   QStringLiteral("「%1」はIMDbのIDではありません。").arg(imdbId)));
        return;
    }
    if (!haveKey()) return;
    QUrlQuery q;
    q.addQueryItem(QStringLiteral("external_source"), QStringLiteral("imdb_id"));
    q.addQueryItem(QStringLiteral("language"), QStringLiteral("ja-JP"));
    askCandidates(QStringLiteral("/find/") + imdbId, q, QStringLiteral("movie_results"));
}

void TmdbClient::askCandidates(const QString& path, const QUrlQuery& query,
                               const QString& listKey) {
    QUrl key;
    const QNetworkRequest r = request(path, query, &key);
    fetch_.get(r, HttpFetch::Body::Json, key, [this, listKey](const HttpOutcome& o) {
        if (o.error.failed()) return emit failed(o.error);
        JsonShape shape;
        if (!o.json.isObject()) shape.fault(QStringLiteral("応答がオブジェクトではありません"));
        const QJsonArray list = shape.array(o.json.object(), listKey, QString());
        const QVector<Candidate> found =
            readCandidates(list, listKey, addresses_.tmdbImages, shape);
        if (!shape.ok()) return emit failed(LookupError::badShape(shape.problem()));
        emit candidatesFound(found);
    });
}

QVector<Candidate> TmdbClient::readCandidates(const QJsonArray& results, const QString& where,
                                              const QUrl& images, JsonShape& shape) {
    using Need = JsonShape::Need;
    QVector<Candidate> found;
    for (qsizetype i = 0; i < results.size(); ++i) {
        const QString w = at(where, i);
        const QJsonObject m = shape.object(results[i], w);
        Candidate c;
        c.source = kSource;
        c.id = QString::number(shape.integer(m, QStringLiteral("id"), w));
        c.title = shape.text(m, QStringLiteral("title"), w);
        c.originalTitle = shape.text(m, QStringLiteral("original_title"), w, Need::Optional);
        c.year = readDate(shape.text(m, QStringLiteral("release_date"), w, Need::Optional),
                          jsonPath(w, QStringLiteral("release_date")), shape)
                     .year;
        c.posterUrl =
            posterAt(images, "w92", shape.text(m, QStringLiteral("poster_path"), w, Need::Optional))
                .toString();
        found.append(c);
    }
    return found;
}

void TmdbClient::fetchFilm(const QString& id) {
    cancel();
    static const QRegularExpression form(QStringLiteral("^\\d{1,12}$"));
    if (!form.match(id).hasMatch()) {
        failSoon(LookupError::make(LookupError::Kind::BadRequest,
                                   QStringLiteral("「%1」はTMDbのIDではありません。").arg(id)));
        return;
    }
    if (!haveKey()) return;
    QUrlQuery q;
    q.addQueryItem(QStringLiteral("language"), QStringLiteral("ja-JP"));
    q.addQueryItem(QStringLiteral("append_to_response"), QStringLiteral("credits,external_ids"));
    QUrl key;
    const QNetworkRequest r = request(QStringLiteral("/movie/") + id, q, &key);
    fetch_.get(r, HttpFetch::Body::Json, key, [this](const HttpOutcome& o) {
        if (o.error.failed()) return emit failed(o.error);
        JsonShape shape;
        if (!o.json.isObject()) shape.fault(QStringLiteral("応答がオブジェクトではありません"));
        const Film film = readFilm(o.json.object(), addresses_.tmdbImages, shape);
        if (!shape.ok()) return emit failed(LookupError::badShape(shape.problem()));
        filmRead(film);
    });
}

Film TmdbClient::readFilm(const QJsonObject& m, const QUrl& images, JsonShape& shape) {
    using Need = JsonShape::Need;
    const QString top;
    Film f;
    f.source = kSource;
    f.id = QString::number(shape.integer(m, QStringLiteral("id"), top));
    f.title = shape.text(m, QStringLiteral("title"), top);
    f.originalTitle = shape.text(m, QStringLiteral("original_title"), top, Need::Optional);
    f.releaseDate = readDate(shape.text(m, QStringLiteral("release_date"), top, Need::Optional),
                             QStringLiteral("release_date"), shape);
    f.overview = shape.text(m, QStringLiteral("overview"), top, Need::Optional);
    f.posterUrl =
        posterAt(images, "w500", shape.text(m, QStringLiteral("poster_path"), top, Need::Optional))
            .toString();

    const QString pc = QStringLiteral("production_countries");
    const QJsonArray countries = shape.array(m, pc, top, Need::Optional);
    for (qsizetype i = 0; i < countries.size(); ++i) {
        const QJsonObject c = shape.object(countries[i], at(pc, i));
        f.countries.append(shape.text(c, QStringLiteral("name"), at(pc, i)));
    }
    const QString g = QStringLiteral("genres");
    const QJsonArray genres = shape.array(m, g, top, Need::Optional);
    for (qsizetype i = 0; i < genres.size(); ++i) {
        const QJsonObject c = shape.object(genres[i], at(g, i));
        f.genres.append(shape.text(c, QStringLiteral("name"), at(g, i)));
    }

    const QString cr = QStringLiteral("credits");
    const QJsonObject credits = shape.object(m, cr, top);
    const QString cs = QStringLiteral("credits.cast");
    const QJsonArray cast = shape.array(credits, QStringLiteral("cast"), cr);
    QVector<std::pair<qint64, CastMember>> billed;
    for (qsizetype i = 0; i < cast.size(); ++i) {
        const QJsonObject c = shape.object(cast[i], at(cs, i));
        const qint64 order = shape.integer(c, QStringLiteral("order"), at(cs, i), Need::Optional);
        billed.append({c.contains(QStringLiteral("order")) ? order : i,
                       {shape.text(c, QStringLiteral("name"), at(cs, i)),
                        shape.text(c, QStringLiteral("character"), at(cs, i), Need::Optional)}});
    }
    std::stable_sort(billed.begin(), billed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& b : billed) f.cast.append(b.second);
    f.directors = readDirectors(shape.array(credits, QStringLiteral("crew"), cr),
                                QStringLiteral("credits.crew"), shape);

    const QString ex = QStringLiteral("external_ids");
    const QJsonObject ids = shape.object(m, ex, top, Need::Optional);
    f.wikidataId = shape.text(ids, QStringLiteral("wikidata_id"), ex, Need::Optional);
    f.imdbId = shape.text(ids, QStringLiteral("imdb_id"), ex, Need::Optional);
    if (f.imdbId.isEmpty())
        f.imdbId = shape.text(m, QStringLiteral("imdb_id"), top, Need::Optional);
    return f;
}

QStringList TmdbClient::readDirectors(const QJsonArray& crew, const QString& where,
                                      JsonShape& shape) {
    QStringList names;
    for (qsizetype i = 0; i < crew.size(); ++i) {
        const QJsonObject c = shape.object(crew[i], at(where, i));
        if (shape.text(c, QStringLiteral("job"), at(where, i), JsonShape::Optional) ==
            QLatin1String("Director"))
            names.append(shape.text(c, QStringLiteral("name"), at(where, i)));
    }
    return names;
}
