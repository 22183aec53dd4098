#pragma once

#include <QObject>
#include <QWidget>

#include <array>

class QFrame;
class ScreenHost;

// The three title list screens (fraIchiran, fraIchiran2, fraIchiran3): every
// title in a sortable grid, and the main list's order written back to the data
// file.
class TitleLists : public QObject {
    Q_OBJECT
public:
    TitleLists(ScreenHost& host, QWidget* screensParent);

    // The three frames, for the window to stack with the other screens.
    QList<QWidget*> frames() const;

public slots:
    void cmdIchiran_Click() { open(1); }
    void cmdIchiran2_Click() { open(2); }
    void cmdIchiran3_Click() { open(3); }

private:
    void open(int k);

    ScreenHost& host_;
    std::array<QFrame*, 4> fraIchiran_{};  // [1..3]
};
