#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>

// Answers of a made-up TMDb, shaped as its documentation shows them, for the
// tests of the batch and of --fill.
namespace TmdbDocuments {

inline QJsonObject hit(int id, const QString& title, const QString& original, const QString& date) {
    return QJsonObject{{"adult", false},
                       {"backdrop_path", QJsonValue()},
                       {"genre_ids", QJsonArray{18}},
                       {"id", id},
                       {"original_language", "ja"},
                       {"original_title", original},
                       {"overview", "…"},
                       {"popularity", 1.0},
                       {"poster_path", QJsonValue()},
                       {"release_date", date},
                       {"title", title},
                       {"video", false},
                       {"vote_average", 6.0},
                       {"vote_count", 10}};
}

// search/movie: one page holding these hits.
inline QJsonObject page(const QJsonArray& hits) {
    return QJsonObject{
        {"page", 1}, {"results", hits}, {"total_pages", 1}, {"total_results", hits.size()}};
}

// What movie/{id} tells of one film, credits and external ids appended.
struct Movie {
    int id = 0;
    QString title, original, date;
    QString director;
    QStringList cast;  // "name" or "name|character", in billing order
    QString overview;
    QString posterPath;  // "" for none
    QString country = QStringLiteral("日本");
    QString genre = QStringLiteral("ドラマ");
};

inline QJsonObject movie(const Movie& m) {
    QJsonArray cast;
    for (int i = 0; i < m.cast.size(); ++i) {
        const QStringList parts = m.cast[i].split(u'|');
        cast.append(QJsonObject{{"adult", false},
                                {"id", 100 + i},
                                {"name", parts[0]},
                                {"original_name", parts[0]},
                                {"character", parts.value(1)},
                                {"credit_id", "c" + QString::number(i)},
                                {"order", i},
                                {"profile_path", QJsonValue()}});
    }
    QJsonArray crew;
    if (!m.director.isEmpty())
        crew.append(QJsonObject{{"id", 7},
                                {"name", m.director},
                                {"department", "Directing"},
                                {"job", "Director"},
                                {"credit_id", "k"},
                                {"profile_path", QJsonValue()}});
    return QJsonObject{
        {"adult", false},
        {"id", m.id},
        {"imdb_id", QJsonValue()},
        {"title", m.title},
        {"original_title", m.original},
        {"overview", m.overview},
        {"poster_path", m.posterPath.isEmpty() ? QJsonValue() : QJsonValue(m.posterPath)},
        {"release_date", m.date},
        {"genres", QJsonArray{QJsonObject{{"id", 18}, {"name", m.genre}}}},
        {"production_countries",
         QJsonArray{QJsonObject{{"iso_3166_1", "JP"}, {"name", m.country}}}},
        {"credits", QJsonObject{{"cast", cast}, {"crew", crew}}},
        {"external_ids", QJsonObject{{"imdb_id", QJsonValue()}, {"wikidata_id", QJsonValue()}}}};
}

}  // namespace TmdbDocuments
