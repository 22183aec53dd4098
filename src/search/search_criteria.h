#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class KansyouTable;
class TitleTable;

// The criteria of the search screen. Each one searches alone and returns the
// entries of the result list in the order the search adds them: title names,
// once per title, or once per viewing for the viewing searches. Words are
// matched exactly, code unit by code unit: letter case and width count.
namespace SearchCriteria {

inline const QString kNoMark = QStringLiteral("未");
inline const QString kPresent = QStringLiteral("有り");
inline const QString kAbsent = QStringLiteral("無し");

// Titles whose name contains word.
QStringList byTitleWord(const TitleTable& titles, const QString& word);

enum class Attribute { Kantoku, Syuen, Kuni, Janru };
// Titles whose attribute equals value.
QStringList byAttribute(const TitleTable& titles, Attribute field, const QString& value);

// Titles with the overall mark item; kNoMark stands for no mark.
QStringList byMark(const TitleTable& titles, const QString& item);

// Titles that own (owned) or do not own ownership item k, 1..4.
QStringList byOwnership(const TitleTable& titles, int k, bool owned);

// The key a date is compared by in a period: "yyyy/mm" for a date, the empty
// text for an empty one, any other text unchanged.
QString periodKey(const QString& date);
// The key of a bound. Besides dates, the period lists offer the first seven
// characters of release dates as typed ("2003/5/" of 2003/5/1, "2003年12" of
// 2003年12月1日); they stand for their month.
QString boundKey(const QString& bound);
// The items of a period list in the order of their keys, ties by text.
QStringList sortedPeriodItems(QStringList items);

// Titles released within lower..upper, both ends included; an empty bound is
// open. nullopt when both are empty: then there is nothing to search for.
std::optional<QStringList> byReleasePeriod(const TitleTable& titles, const QString& lower,
                                           const QString& upper);
// The same over the viewings: one entry per viewing, in viewing order.
std::optional<QStringList> byViewingPeriod(const KansyouTable& viewings, const QString& lower,
                                           const QString& upper);
// One entry per viewing whose content equals content.
QStringList byViewingContent(const KansyouTable& viewings, const QString& content);

// The free texts: one file per title and kind, named prefix + title + ".txt".
enum class TextKind { Cast = 1, Arasuji = 2, Memo = 3 };
QString textPrefix(TextKind kind);
// The pattern that lists the files of a kind in the data directory.
QString textPattern(TextKind kind);
// The title a file of the kind belongs to: its name without the prefix and
// without the last four characters (".txt").
QString titleOfTextFile(TextKind kind, const QString& fileName);

// "有り": the title of every file in files, in their order, whether or not the
// title is still in the table.
QStringList titlesOfTextFiles(TextKind kind, const QStringList& files);
// "無し": every title of the table that has no file of the kind; fileExists
// answers for a file name (without regard to letter case, as files are opened).
QStringList titlesWithoutText(const TitleTable& titles, TextKind kind,
                              const std::function<bool(const QString&)>& fileExists);

}  // namespace SearchCriteria
