#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

class Catalogue;
class DataDir;

// The two ways of throwing every title away for a fresh start: the new start
// (data and viewing history emptied, every title's files and every cast,
// synopsis and memo file deleted) and the initialise operation (data file and
// the five old music files emptied, every title's files deleted, the history
// kept). The masters and the settings survive both.
enum class ResetKind { NewStart, Initialise };

struct ResetOutcome {
    // Set when nothing was emptied or deleted, saying why.
    QString refused;
    // The copies kept beside the emptied files, so that a reset made by
    // mistake can be undone by hand.
    QStringList kept;
    // Problems with files that should have been emptied, met after the data
    // file already was.
    QStringList notEmptied;
    // Files that are still there although they should have been deleted.
    QStringList notDeleted;

    bool done() const { return refused.isEmpty(); }
};

namespace CollectionReset {

// The files the reset empties, in the order it empties them.
QStringList filesToEmpty(ResetKind kind);

// A name for the copy of the file actual kept at now, beside it, that no file
// in dir has yet: "データ.TXT.20261207-103000.bak", the form the catalogue uses
// for the originals it keeps.
QString keptCopyName(const DataDir& dir, const QString& actual, const QDateTime& now);

// Keeps a copy of every file it is going to empty that has content, empties
// the files and deletes the titles' files. When a copy cannot be made or the
// data file cannot be emptied, nothing is changed and refused says why.
ResetOutcome run(Catalogue& cat, ResetKind kind, const QDateTime& now);

}  // namespace CollectionReset
