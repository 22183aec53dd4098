#pragma once

#include <QPair>
#include <QString>
#include <QVector>

#include <array>

class TitleTable;

// What a chart shows, worked out without a window: panels of bars, each bar
// a label and a value. The chart window only lays them out and draws them.
namespace Charts {

struct Bar {
    QString label;  // the whole name, for the hover text and the axis
    int value = 0;
    // Where the bar stands on a time axis (a month: year × 12 + month − 1; a
    // year: the year), or -1; a crowded time axis labels only round places.
    int ordinal = -1;
    QString axisLabel;    // shorter than label on the axis, when set
    QString coarseLabel;  // a month's year, for an axis that labels only years
    // A span of periods with no viewing, too long to draw period by period: one
    // marked break where the axis jumps.
    bool gap = false;
};

enum class Orientation {
    Horizontal,  // a column of names with a bar each: rankings
    Vertical,    // bars along an axis of periods or score values
};

enum class Axis { Names, Months, Years, Values };

struct Panel {
    QString caption;       // above the bars (a score's item name); may be empty
    QString note;          // beside the caption: what the bars leave out
    QString categoryAxis;  // what the bars stand for
    QString valueAxis;     // what their length counts
    QString tipPrefix;     // before a bar's label in its hover text
    int colourItem = 0;    // 1..7: the bars take that score's colour; 0 the chart's own
    Orientation orientation = Orientation::Horizontal;
    Axis axis = Axis::Names;
    QVector<Bar> bars;

    int largest() const;
};

struct Chart {
    QString unit;  // after a value in the hover text: "作品", "回"
    QVector<Panel> panels;

    // The hover text of bar b of panel p: "黒澤明：5作品".
    QString tip(int p, int b) const;
};

using Counts = QVector<QPair<QString, int>>;  // value as shown, count

constexpr int kMostRankingBars = 30;
// At most this many periods on a time axis; over a longer span (from a date that
// was mistyped decades off) a long run of empty periods is one marked break.
constexpr int kMostPeriodBars = 1200;

// A ranking of titles per value: its first kMostRankingBars rows, in the order
// shown. valueHeader names the values (監督名, 公開 …).
Chart ranking(const QString& valueHeader, const Counts& shown);

// Viewings per month ("2003年05月") or per year ("2003年") in time order, in
// whatever order they are shown, with the periods between that had none as
// bars of 0 (a long run of them, on an axis too long for every period, as one
// bar marked gap). Values that name no period follow, as they are.
Chart viewingPeriods(const Counts& shown, bool years);

// How many titles hold each value of each of the seven scores: item 1 in tens
// (1〜9, 10〜19 … 100), items 2..7 by value (1..10). A score of 0 is "not
// scored" and a score outside its range is no value of the axis: both are
// counted in the panel's note instead. names[1..7] are the item names. Panel
// k − 1 is item k and its bar b is band b of ScoreBands (store/score_bands.h).
Chart scoreDistributions(const TitleTable& titles, const std::array<QString, 8>& names);

}  // namespace Charts
