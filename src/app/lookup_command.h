#pragma once

#include "lookup/lookup_network.h"

#include <QStringList>

class QTextStream;

// reelnote --lookup TEXT [--year YYYY] [--source tmdb|wikidata] [DIR]
// Searches TEXT on one service and prints each candidate on a line of out,
// tab-separated: source, id, title, original title, year, director. When TEXT
// names one film (tmdb:550, wikidata:Q2262932, an IMDb id, or the film's page
// on TMDb, Wikidata or IMDb), prints that film's fields as "field<TAB>value"
// instead, in the words of the pick lists of the data directory DIR (the
// working directory when left out), which is only read. TMDb is asked when
// REELNOTE_TMDB_KEY holds a key, Wikidata otherwise, unless --source says.
// Returns 0 when something was found, 1 when nothing was, 2 for bad arguments,
// 3 when the service could not be reached or refused (the reason on err).
int lookupCommand(const QStringList& args, QTextStream& out, QTextStream& err,
                  const NetworkOptions& options = NetworkOptions::standard());
