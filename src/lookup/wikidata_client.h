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
// An item a film's statement names, with what is needed to match it to
// another service's spelling of it.
struct NamedItem {
    QString id;
    QString japanese;        // the ja label; empty when there is none
    QStringList otherNames;  // the en label, then the en aliases
};

// The items a film's statements name: P57, P161 (in the item's order), P495, P136.
struct FilmItems {
    QVector<NamedItem> directors;
    QVector<NamedItem> cast;
    QVector<NamedItem> countries;
    QVector<NamedItem> genres;
};

class WikidataClient : public FilmSource {
    Q_OBJECT
public:
    WikidataClient(LookupNetwork& network, const LookupAddresses& addresses,
                   QObject* parent = nullptr);

    QString sourceName() const override { return QStringLiteral("wikidata"); }
    void search(const QString& text, int year) override;
    void fetchFilm(const QString& id) override;

    // The people, countries and genres the film's item names, with their
    // Japanese labels and English names; answered as itemsFetched or failed.
    void fetchNamedItems(const QString& filmId);
    // Asks through another source's requests from now on, so that its
    // cancel() or next call stops this one's chain too.
    void shareRequests(HttpFetch& fetch) { http_ = &fetch; }

    static bool isItemId(const QString& id);
    static const QSet<QString>& filmClasses();
    static constexpr int kIdsPerCall = 50;  // the most wbgetentities takes at once

signals:
    void itemsFetched(const FilmItems& items);

private:
    void searchIn(const QString& language);
    void takeSearch(const QJsonObject& root);
    void takeCandidates(const QJsonObject& root);
    void takeFilm(const QJsonObject& root);
    void emitFilm();
    void emitCandidates();
    void takeNamedItems(const QJsonObject& root);
    void emitNamedItems();
    // Labels of ids into labels_, one batch after another, then next().
    void fetchLabels(QStringList ids, std::function<void()> next);
    using Keep = std::function<void(const QString& id, const QJsonObject& entity, JsonShape&)>;
    // Each of ids with props, one batch after another, to keep, then next().
    void fetchInBatches(QStringList ids, const QString& props, Keep keep,
                        std::function<void()> next);
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
    QHash<QString, NamedItem> named_;
    HttpFetch* http_ = &fetch_;
};
