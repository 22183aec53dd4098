#pragma once

#include "viewing_counts.h"

#include <QFrame>

#include <array>

class CountGrid;
class FlexGrid;
class KansyouTable;
class QLabel;
class QLayout;
class ScreenHost;

// The viewing list screen (fraList): every viewing of the history in file
// order, and three counts drawn from it (per viewing month or year, per title,
// per viewing content), each re-ordered by count or by name. The counts are a
// snapshot taken when the screen is opened from another screen.
class ViewingListFrame : public QFrame {
    Q_OBJECT
public:
    explicit ViewingListFrame(ScreenHost& host, QWidget* parent = nullptr);

    // Lays out msgHenList and fills it with the whole history, latest in view.
    void fillHenList(const KansyouTable& table);
    // The history was read or changed: msgHenList is filled anew when it is next
    // seen, so that a run that never opens the list neither waits for it nor
    // keeps tens of thousands of rows in memory.
    void historyChanged();
    FlexGrid* henList() const { return msgHenList_; }
    // Count grid k = 6 (months or years), 7 (titles), 8 (contents).
    FlexGrid* countGrid(int k) const;

public slots:
    void cmdList_Click();
    // Switches msgMaster6 between viewing year-months and years.
    void lblKansyouChg_Click();
    // A row of msgMaster6: the search screen lists the viewings it counts.
    void msgMaster6_DblClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool henListStale_ = true;

    QLayout* makeHenList();
    QLayout* makeCountGrid(int k, QWidget* caption);
    void SetupKanbiRankGrid();
    void SetupKansyouRankGrids();
    // Counts grid k afresh from the history and its pick list, then selects most
    // first, which orders it and numbers its rows.
    void fillCounts(int k, const ViewingTally& tally, ViewingTally::Field field);
    CountGrid* grid(int k) const { return counts_[k - 6]; }
    void showPeriodChart();

    ScreenHost& host_;
    FlexGrid* msgHenList_;
    std::array<CountGrid*, 3> counts_{};  // msgMaster6..8
    QLabel* lblKansyouChg_ = nullptr;
};
