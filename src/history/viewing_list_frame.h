#pragma once

#include <QFrame>

class FlexGrid;
class KansyouTable;
class ScreenHost;

// The viewing list screen (fraList): every viewing of the history in file order.
class ViewingListFrame : public QFrame {
    Q_OBJECT
public:
    explicit ViewingListFrame(ScreenHost& host, QWidget* parent = nullptr);

    // Lays out msgHenList and fills it with the whole history, latest in view.
    void fillHenList(const KansyouTable& table);
    FlexGrid* henList() const { return msgHenList_; }

public slots:
    void cmdList_Click();

private:
    ScreenHost& host_;
    FlexGrid* msgHenList_;
};
