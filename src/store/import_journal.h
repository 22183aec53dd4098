#pragma once

#include "data_dir.h"

#include <QByteArray>
#include <QString>

// An import replaces the data file and the history one after the other. Before
// either is replaced, a note in the data folder names what each held (missing,
// empty, or the copy kept aside) and the size and hash of what it will hold; it
// goes once both are written. A run killed in between leaves it, and the next
// load brings both files to the same state again, or says which holds what.
namespace ImportJournal {

inline const QString kName = QStringLiteral(".reelnote-import.journal");

// One of the two files.
struct File {
    QString name;  // as on disk
    bool existed = false;
    QString copy;         // its old bytes; empty when it was missing or empty
    qint64 newSize = -1;  // -1: what it will hold is not yet known (not written)
    quint64 newHash = 0;
};

// The note for the data file and the history (the history's new print may
// follow as newLine).
QByteArray text(const File& data, const File& history);
// The line that gives file index's (0: data, 1: history) new print, appended
// before that file is written.
QByteArray newLine(int index, const QByteArray& bytes);

// What a killed import left, settled: nothing when no note is there; the files
// brought back to one state where one was written and the other not (never in a
// run that may not write: it only tells). *changed tells that a file was written.
QString settle(DataDir& dir, bool* changed);

}  // namespace ImportJournal
