#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

// A copy of the data and history files for each day the program was started,
// in a folder of its own inside the data directory, so that a week of edits
// gone wrong can be taken back by hand.
class DataDir;

namespace Backups {

inline const QString kFolder = QStringLiteral("バックアップ");
// Day folders kept: the newest copies, however far apart the days are, so that
// someone who has not started the program for a month still has their last
// fourteen copies.
constexpr int kKeptDays = 14;

// Copies the data and history files of dataDir into kFolder/yyyyMMdd of today,
// each only when it differs from its newest copy. The first copy of a day keeps
// its file's own name and is never replaced: a later start of the same day that
// finds the file changed adds "データ_2.TXT", "データ_3.TXT" and so on beside
// it. Only once every copy needed was written whole are the oldest day folders
// beyond kKeptDays removed, and of those only the files named exactly as this
// function writes them; a folder goes only when nothing else is left in it.
// Returns a message for the user when a copy could not be written; an empty
// string otherwise.
QString keepDailyCopies(const DataDir& data, const QDate& today);

// The day folders that hold a copy, oldest first (names yyyyMMdd).
QStringList dayFolders(const QString& dataDir);

// The copies of name in one day folder, oldest first, as file names.
QStringList copiesIn(const QString& dayFolder, const QString& name);

}  // namespace Backups
