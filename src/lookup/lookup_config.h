#pragma once

#include <QString>
#include <QUrl>

// Where the services are. The variables let tests, mirrors and proxies stand in:
// REELNOTE_TMDB_API, REELNOTE_TMDB_IMAGES, REELNOTE_WIKIDATA_API.
struct LookupAddresses {
    QUrl tmdbApi;
    QUrl tmdbImages;
    QUrl wikidataApi;

    static LookupAddresses fromEnvironment();
};

// The TMDb key of REELNOTE_TMDB_KEY, trimmed; empty when unset.
QString tmdbKeyFromEnvironment();
