#pragma once

#include <QString>

// The three free texts of a title, each a plain text file named after it.
// Every conversion here is one pass over the text: a memo may be a megabyte on
// a single line, and it is converted at every page turn.
namespace SubTexts {

constexpr int kCast = 1, kArasuji = 2, kMemo = 3;

// "キャスト_", "あらすじ_" or "メモ_" + title + ".txt".
QString fileName(int kind, const QString& daimei);
// "キャスト_*.txt" and so on: the files of one kind in the data directory.
QString filePattern(int kind);

// The text a file holds as the text box shows it: lines end at CR LF, a lone
// CR or a lone LF and are joined with CR LF; the final line end is dropped.
QString fromFile(QStringView fileText);
// What is written for a typed text: the text and one CR LF.
QString toFile(const QString& text);

// Text boxes separate lines with LF; the files and the rules use CR LF.
QString toCrLf(QString boxText);
QString fromCrLf(QString text);

// The length of the longest line (lines end at LF, CR or the box's separators).
qsizetype longestLine(QStringView text);
// Past this length a line with no place to break would make the text box's layout
// take time growing with the square of the line; such a text is wrapped anywhere.
constexpr qsizetype kLongLine = 10000;

}  // namespace SubTexts
