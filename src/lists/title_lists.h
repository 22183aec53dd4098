#pragma once

#include "title_list_rows.h"

#include <QObject>
#include <QWidget>

#include <array>

class FlexGrid;
class ScreenHost;
class TitleListFrame;

// The three title list screens (fraIchiran, fraIchiran2, fraIchiran3): every
// title in a sortable grid, and the main list's order written back to the data
// file.
class TitleLists : public QObject {
    Q_OBJECT
public:
    TitleLists(ScreenHost& host, QWidget* screensParent);

    // The three frames, for the window to stack with the other screens.
    QList<QWidget*> frames() const;
    // k = 1 msgIchiran, 2 msgIchiran2, 3 msgIchiran3.
    FlexGrid* grid(int k) const;

public slots:
    void cmdIchiran_Click() { open(1); }
    void cmdIchiran2_Click() { open(2); }
    void cmdIchiran3_Click() { open(3); }

    void msgIchiran_Click() { sortByClick(1); }
    void msgIchiran2_Click() { sortByClick(2); }
    void msgIchiran3_Click() { sortByClick(3); }
    // "タイトル": index is the column to sort (the button's index, 0).
    void cmdSort1_Click(int index);

    void msgIchiran_DblClick() { goToTitle(1); }
    void msgIchiran2_DblClick() { goToTitle(2); }
    void msgIchiran3_DblClick() { goToTitle(3); }

    // "メインに反映": the main list's order becomes the order of the data file.
    void cmdSortCng1_Click();

private:
    void open(int k);
    // Lays out all three grids (headers, widths, alignments, colours) with no rows.
    void SetupListGrids();
    void setUpGrid(int k, const QVector<TitleListRows::Column>& columns);
    void fill(int k);
    void sortByClick(int k);
    void sortColumn(int k, int c, TitleListRows::SortKind kind);
    void goToTitle(int k);

    ScreenHost& host_;
    std::array<TitleListFrame*, 4> fraIchiran_{};  // [1..3]
    // What a click sorts in each column, and each column's direction toggle:
    // false sorts descending next. The toggles live for the whole run.
    std::array<QVector<TitleListRows::SortKind>, 4> sortKinds_;
    std::array<QVector<bool>, 4> toggles_;
    // The catalogue's layout when each grid's rows took their title numbers.
    std::array<quint64, 4> layout_{};
};
