#pragma once

#include "rank_counts.h"

#include <QFrame>

#include <array>

class FlexGrid;
class QButtonGroup;
class QLabel;
class QLayout;
class QRadioButton;
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
    FlexGrid* table(int k) const { return tables_[k].grid; }

public slots:
    void cmdRank_Click();
    // Switches msgMaster3 between release year-months and years.
    void lblKoukaiChg_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Table {
        FlexGrid* grid = nullptr;
        std::array<QRadioButton*, 4> opt{};  // [1] most, [2] fewest, [3] by name or date
        QButtonGroup* group = nullptr;
        RankTable counts;
    };

    QLayout* makeColumn(int k);
    void SetupRankGrids();
    void SetupKoukaiRankGrid();
    void setUpGrid(int k);
    // Counts table k afresh from the titles and its pick list and selects most
    // first, which orders it and numbers the ranks.
    void buildTable(int k, const TitleTally& tally, TitleTally::Field field);
    void selectMostFirst(int k);
    // The option handlers optMaster11_Click .. optMaster53_Click: option i of table k.
    void optMaster_Click(int k, int i);
    bool showScoreTip(QObject* watched, QEvent* event);
    void showChart(int k);

    ScreenHost& host_;
    std::array<Table, 6> tables_;  // [1..5]
    QLabel* lblKoukaiChg_ = nullptr;
};
