#pragma once

#include "lookup/lookup_network.h"

#include <QStringList>

class QTextStream;

// reelnote --fill [DIR] [--source tmdb|wikidata] [--dry-run]
// Looks every title of the data directory DIR (the working directory when left
// out) that has an empty field up online, one after another, prints what it
// would write to the titles it surely found, the titles whose candidates the
// user should look at (要確認), and the counts, then asks on in whether to
// write; only "はい" or "y" writes, as one step through the catalogue, the way
// the window's fill writes it. --dry-run prints the preview only. The folder
// is held as a window holds it from before it is read until it is written.
// Ctrl+C before the write ends the run with nothing written (status 130).
// Returns 0 when written (with --dry-run: previewed) or when there is nothing
// to fill, 1 when refused, declined or nothing could be written, 2 for bad
// arguments, 3 when the service could not be reached or refused (the reason
// on err).
int fillCommand(const QStringList& args, QTextStream& in, QTextStream& out, QTextStream& err,
                const NetworkOptions& options = NetworkOptions::standard());

// True when args ask for the fill (its option first, or after --dry-run).
bool asksForFill(const QStringList& args);
