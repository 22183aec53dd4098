#pragma once

#include "film_source.h"
#include "json_shape.h"
#include "lookup_config.h"

#include <QUrlQuery>

// The Movie Database, with the user's own key: a v3 API key goes into the
// query, a v4 read access token into an Authorization header. Texts are asked
// in Japanese; names TMDb holds only in their original spelling stay so.
class TmdbClient : public FilmSource {
    Q_OBJECT
public:
    TmdbClient(LookupNetwork& network, const LookupAddresses& addresses, const QString& key,
               QObject* parent = nullptr);

    QString sourceName() const override { return QStringLiteral("tmdb"); }
    void search(const QString& text, int year) override;
    void fetchFilm(const QString& id) override;
    // The films TMDb knows under an IMDb id ("tt0137523"), as candidates.
    void findByImdb(const QString& imdbId);

    // A read access token is a JSON Web Token: long, in three dotted parts.
    static bool isReadAccessToken(const QString& key);

    // Parsing, apart from the requests so that a test can feed it documents.
    static QVector<Candidate> readCandidates(const QJsonArray& results, const QString& where,
                                             const QUrl& images, JsonShape& shape);
    static Film readFilm(const QJsonObject& movie, const QUrl& images, JsonShape& shape);
    // The names of the crew whose job is Director, in the crew's order.
    static QStringList readDirectors(const QJsonArray& crew, const QString& where,
                                     JsonShape& shape);

    // A GET of path under api with key as its kind wants it; *cacheKey is the
    // same address without the key, so that no key reaches the disk cache.
    static QNetworkRequest apiRequest(const QUrl& api, const QString& key, const QString& path,
                                      QUrlQuery query, QUrl* cacheKey);

protected:
    // The film as TMDb gave it; a source that adds to it answers in its stead.
    virtual void filmRead(const Film& film) { emit filmFetched(film); }

private:
    bool haveKey();
    QNetworkRequest request(const QString& path, QUrlQuery query, QUrl* cacheKey) const;
    void askCandidates(const QString& path, const QUrlQuery& query, const QString& listKey);

    LookupAddresses addresses_;
    QString key_;
};
