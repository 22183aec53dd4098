#pragma once

#include "store/count_table.h"
#include "store/value_counts.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

#include <array>

class KansyouTable;

// How many viewings fall on each viewing month and year, each title and each
// viewing content, from one pass over the history. It keeps views of the
// table's own texts, so it must not outlive one build of the screen.
class ViewingTally {
public:
    enum Field { YearMonth, Year, Title, Content, FieldCount };

    explicit ViewingTally(const KansyouTable& history);

    // Viewings whose field equals item exactly. A year-month is the first seven
    // characters of the viewing date; a year item is the date's first four
    // characters followed by "年".
    int count(Field field, QStringView item) const;
    int count(Field field, const QString& item) const;

private:
    const KansyouTable& history_;
    std::array<ValueCounts<>, FieldCount> counts_;  // all but Title
};

using ViewingCount = CountRow;

// One row per item of a pick list, in list order. Year-month items are shown
// as captions (yearMonthCaption), and items that name the same month share one row.
QVector<ViewingCount> viewingCounts(const ViewingTally& tally, ViewingTally::Field field,
                                    const QStringList& items);

// One table of counts as a grid shows it, in the order last chosen.
using ViewingCountTable = CountTable<ViewingCount>;
