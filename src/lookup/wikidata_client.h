#pragma once

#include "film_source.h"
#include "json_shape.h"
#include "lookup_config.h"

#include <QHash>
#include <QSet>
#include <QUrlQuery>

// Wikidata, without a key. A search asks wbsearchentities in Japanese (in
// English when Japanese finds no film), keeps the items that are films, and
// names their directors; a film is its item's statements with the Japanese
// labels (English where there is none) of the people, countries and genres
// they name, fetched in batches of 50.
//
// "A film" is an item whose P31 (instance of) is one of a few film classes
// (filmClasses()). Wikidata has many more subclasses of film; following
// P279 to any depth needs the SPARQL service, which this client does not use,
// so a film filed only under a rare subclass is not offered.
class WikidataClient : public FilmSource {
    Q_OBJECT
public:
    WikidataClient(LookupNetwork& network, const LookupAddresses& addresses,
                   QObject* parent = nullptr);

    QString sourceName() const override { return QStringLiteral("wikidata"); }
    void search(const QString& text, int year) override;
    void fetchFilm(const QString& id) override;

    static const QSet<QString>& filmClasses();
    static constexpr int kIdsPerCall = 50;  // the most wbgetentities takes at once

private:
    void searchIn(const QString& language);
    void takeSearch(const QJsonObject& root);
    void takeCandidates(const QJsonObject& root);
    void takeFilm(const QJsonObject& root);
    void emitFilm();
    void emitCandidates();
    // Labels of ids_ into labels_, one batch after another, then next().
    void fetchLabels(QStringList ids, std::function<void()> next);
    void askEntities(const QStringList& ids, const QString& props,
                     std::function<void(const QJsonObject&)> take);
    QJsonObject entityOf(const QJsonObject& root, const QString& id, JsonShape& shape) const;

    LookupAddresses addresses_;
    QString text_;
    int year_ = 0;
    QString language_;
    QStringList found_;  // ids the search gave
    QVector<Candidate> candidates_;
    QStringList directorIds_;  // of each candidate; empty when none
    QString filmId_;
    QJsonObject entity_;
    QHash<QString, QString> labels_;
};
