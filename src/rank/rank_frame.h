#pragma once

#include "rank_counts.h"

#include <QFrame>

#include <array>

class CountGrid;
class FlexGrid;
class QLabel;
class QLayout;
class ScreenHost;

// The rankings screen (fraRank): how many titles share each director, lead
// actor, release year-month (or year), country and genre, as five tables that
// each re-order by count or by name. The tables are a snapshot of the titles
// taken when the screen is opened from another screen.
class RankFrame : public QFrame {
    Q_OBJECT
public:
    explicit RankFrame(ScreenHost& host, QWidget* parent = nullptr);

    // Table k = 1..5: msgMaster1 (directors) .. msgMaster5 (genres).
    FlexGrid* table(int k) const;

public slots:
    void cmdRank_Click();
    // Switches msgMaster3 between release year-months and years.
    void lblKoukaiChg_Click();
    // A row of table k: the search screen lists the titles it counts.
    void msgMaster_DblClick(int k);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLayout* makeColumn(int k);
    void SetupRankGrids();
    void SetupKoukaiRankGrid();
    // Counts table k afresh from the titles and its pick list and selects most
    // first, which orders it and numbers the ranks.
    void buildTable(int k, const TitleTally& tally, TitleTally::Field field);
    bool showScoreTip(QObject* watched, QEvent* event);
    void showChart(int k);

    ScreenHost& host_;
    std::array<CountGrid*, 6> tables_{};    // [1..5]
    std::array<QVector<RankRow>, 6> rows_;  // [1..5], in list order, for the hover
    QLabel* lblKoukaiChg_ = nullptr;
};
