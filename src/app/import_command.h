#pragma once

#include <QStringList>

class QTextStream;

// reelnote --import-csv FILE [DIR] [--dry-run] [--viewing-content WORD]
// Prints the preview of importing FILE into the data directory DIR (the working
// directory when left out) and asks on in whether to go on; only "はい" or "y"
// imports. --dry-run prints the preview only. WORD is how viewings without a tag
// of their own were seen ("鑑賞" unless given). Returns 0 when the import was
// written (with --dry-run: when there is something to import), 1 when nothing
// could be imported, 2 for bad arguments.
int importCsvCommand(const QStringList& args, QTextStream& in, QTextStream& out, QTextStream& err);

// True when args ask for the import (its option first, or after --dry-run).
bool asksForImport(const QStringList& args);
