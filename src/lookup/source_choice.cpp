#include "source_choice.h"

#include "combined_source.h"
#include "wikidata_client.h"

std::unique_ptr<FilmSource> makeFilmSource(LookupNetwork& network,
                                           const LookupAddresses& addresses, const QString& key,
                                           const QString& wanted, QObject* parent) {
    const bool tmdb = wanted.isEmpty() ? !key.isEmpty() : wanted == QLatin1String("tmdb");
    if (tmdb) return std::make_unique<CombinedSource>(network, addresses, key, parent);
    return std::make_unique<WikidataClient>(network, addresses, parent);
}
