#pragma once

#include <QFrame>

class FlexGrid;
class QLabel;
class QPushButton;

// One title list screen: its grid, a line that says what the list shows, and
// for the main list the buttons "タイトル" (cmdSort1_0) and "メインに反映"
// (cmdSortCng1).
class TitleListFrame : public QFrame {
    Q_OBJECT
public:
    // k = 1 main list (fraIchiran), 2 scores (fraIchiran2), 3 ownership (fraIchiran3).
    TitleListFrame(int k, QWidget* parent);

    FlexGrid* grid() const { return grid_; }
    QPushButton* cmdSort1() const { return cmdSort1_; }
    QPushButton* cmdSortCng1() const { return cmdSortCng1_; }
    // Keeps the grid as wide as its columns, so no empty band follows the last one.
    void fitGridWidth();
    void showCount(int titles);

private:
    FlexGrid* grid_;
    QLabel* count_;
    QPushButton* cmdSort1_ = nullptr;
    QPushButton* cmdSortCng1_ = nullptr;
};
