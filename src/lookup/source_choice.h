#pragma once

#include "film_source.h"
#include "lookup_config.h"

#include <memory>

// The service a lookup asks. With a TMDb key, TMDb (its candidates, film and
// posters) with Wikidata's Japanese names for the people, countries and genres
// TMDb has only in their original spelling; without one, Wikidata alone.
// wanted ("tmdb", "wikidata") overrides the choice; empty leaves it to the key.
std::unique_ptr<FilmSource> makeFilmSource(LookupNetwork& network,
                                           const LookupAddresses& addresses, const QString& key,
                                           const QString& wanted = {}, QObject* parent = nullptr);
