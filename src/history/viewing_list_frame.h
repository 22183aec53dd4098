#pragma once

#include <QFrame>

class FlexGrid;
class KansyouTable;

// The viewing list screen (fraList): every viewing of the history in file order.
class ViewingListFrame : public QFrame {
    Q_OBJECT
public:
    explicit ViewingListFrame(QWidget* parent = nullptr);

    // Lays out msgHenList and fills it with the whole history, latest in view.
    void fillHenList(const KansyouTable& table);
    FlexGrid* henList() const { return msgHenList_; }

private:
    FlexGrid* msgHenList_;
};
