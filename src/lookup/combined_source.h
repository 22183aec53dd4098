#pragma once

#include "tmdb_client.h"
#include "wikidata_client.h"

// TMDb with Wikidata's Japanese names. Candidates, the film and its poster are
// TMDb's; a director, cast member, country or genre TMDb holds only in its
// original spelling ("Steven Spielberg") takes the Japanese label of the item
// the film's Wikidata item names under the same English name. Wikidata only
// adds: where it fails or knows nothing, TMDb's film comes as it is.
//
// Both services' requests go one at a time through this source's own, so that
// cancel() and a new call stop the Wikidata part as well.
class CombinedSource : public TmdbClient {
    Q_OBJECT
public:
    CombinedSource(LookupNetwork& network, const LookupAddresses& addresses, const QString& key,
                   QObject* parent = nullptr);

    // film's names in Japanese where items names the same entity and has a ja
    // label; names already in Japanese stay as they are.
    static Film withJapaneseNames(Film film, const FilmItems& items);

protected:
    void filmRead(const Film& film) override;

private:
    WikidataClient wikidata_;
    Film film_;  // TMDb's, while Wikidata is asked
};
