#pragma once

#include <QStringList>

#include <optional>

// The few things the program does without its window, for scripts and
// spreadsheets:
//   reelnote --export-csv OUT.csv [DIR]          every title with every field
//   reelnote --export-csv-history OUT.csv [DIR]  every viewing
//   reelnote --check [DIR]                       what is inconsistent in DIR
//   reelnote --import-csv FILE [DIR] [--dry-run]  another program's list (import_command.h)
//   reelnote --lookup TEXT [--year YYYY] [--source tmdb|wikidata] [DIR]
//                                                a film online (lookup_command.h)
//   reelnote --fill [DIR] [--source tmdb|wikidata] [--dry-run]
//                                                empty fields online (fill_command.h)
// DIR is the data directory, the working directory when left out. Nothing in
// DIR is changed: an export to a file the program keeps there is refused, as is
// a DIR without a data file; an import or a fill changes DIR only once the
// user agreed.
// Returns the exit status (2 for arguments it does not understand, 1 for a
// failure or a finding), or nullopt when args ask for none of these (the window
// starts then).
std::optional<int> runCommandLine(const QStringList& args);
