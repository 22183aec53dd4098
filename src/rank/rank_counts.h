#pragma once

#include "store/count_table.h"
#include "store/value_counts.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

#include <array>

class TitleTable;

// What the titles sharing one value have in common beyond their number: the
// sum of each of the seven scores over the titles that carry that score (0 is
// "not scored"), for the averages a ranking row shows on hover.
struct ScoreSums {
    std::array<qint64, 8> sum{};  // [1..7]
    std::array<int, 8> scored{};  // titles with a score other than 0, [1..7]
    void add(const std::array<qint16, 8>& scores);
    void add(const ScoreSums& other);
};

// How many titles hold each value of the rankings, from one pass over the
// table. It keeps views of the table's own texts, so it must not outlive one
// build of the screen.
class TitleTally {
public:
    enum Field { Kantoku, Syuen, Kuni, Janru, YearMonth, Year, FieldCount };

    explicit TitleTally(const TitleTable& titles);

    // Titles whose field equals item exactly. A year-month item is compared by
    // its first seven characters with the first seven of the release date; a
    // year item is the release date's first four characters followed by "年".
    int count(Field field, QStringView item) const;
    // The score sums of those titles.
    ScoreSums scores(Field field, QStringView item) const;

private:
    std::array<ValueCounts<ScoreSums>, FieldCount> counts_;
};

struct RankRow {
    QString value;  // as shown
    int count = 0;
    ScoreSums scores;
    void absorb(const RankRow& other) {
        count += other.count;
        scores.add(other.scores);
    }
};

// The tool-tip of a ranking row: how many titles, and the average of each
// score over the titles that carry it, under the evaluation item names
// (names[1..7]).
QString scoreTip(const RankRow& row, const std::array<QString, 8>& names);

// One row per item of a pick list, in list order. Year-month items are shown
// as captions (yearMonthCaption), and items that name the same month (2003/05,
// 2003/5/ and 2003年5月) share one row, so that no month is listed twice with
// part of its titles each.
QVector<RankRow> rankRows(const TitleTally& tally, TitleTally::Field field,
                          const QStringList& items);

// One table of counts as a grid shows it, in the order last chosen.
using RankTable = CountTable<RankRow>;
