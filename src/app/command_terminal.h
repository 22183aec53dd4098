#pragma once

#include <QString>

class FolderLock;
class QSocketNotifier;
class QTextStream;

// What the commands that write a folder say and ask on the terminal, alike.
namespace CommandTerminal {

// The terminal shows line ends as LF.
QString forTerminal(QString text);
// Asks question with （はい／いいえ）; true for はい, y or yes.
bool saysYes(QTextStream& in, QTextStream& out, const QString& question);
// Takes dir's lock as a window does; false, having said why on err, when a
// window holds the folder or it cannot be written. cannot ends the sentence:
// "取り込めません", "情報を補えません".
bool holdFolder(FolderLock& lock, const QString& dir, const QString& cannot, QTextStream& err);
// Asks, on the terminal, before characters code page 932 lacks are converted.
bool allowsConversion(QTextStream& in, QTextStream& out, const QString& file, const QString& what);

// The TMDb key as every part of the program finds it (the environment first,
// then the desktop's secret store), waited for here; empty when there is none
// or interrupted fired first.
QString waitForTmdbKey(QSocketNotifier* interrupted = nullptr);

}  // namespace CommandTerminal
