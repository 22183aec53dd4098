#pragma once

#include "store/title_selection.h"

#include <QString>
#include <QStringList>

class KansyouTable;
class TitleTable;
enum class PickList;

// From a row of a count to what it counts: the titles of a ranking row, the
// viewings of a viewing month, or the titles of a bar of the score chart. The
// rows are counted from the same tallies (ValueCounts, countRows), the bars by
// the same rule (ScoreBands), so what is listed is exactly what is counted.
namespace DrillDown {

// The pick list whose items the count of the selection's table was made over.
PickList pickListOf(const TitleSelection& s);

// The entries of the row: the names of its titles in table order, or for a
// viewing month (or year) the title of each of its viewings in history order,
// as the search lists viewings. items is the pick list the table was counted
// over; a month row stands for every item shown under its caption. A score
// band needs no items.
QStringList entriesOf(const TitleTable& titles, const KansyouTable& history,
                      const TitleSelection& s, const QStringList& items);

// The criterion as the search screen names it: "監督：黒澤明", "鑑賞年：2019年",
// "総合：80〜89点".
QString label(const TitleSelection& s);
// What the result list then shows: "監督：黒澤明 の作品　3件".
QString caption(const TitleSelection& s, int count);

}  // namespace DrillDown
