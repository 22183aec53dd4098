#pragma once

#include <QFrame>

class ScreenHost;

// The master screen (fraMaster): the evaluation and ownership item names, the display
// order of the titles, and the resets.
class MasterFrame : public QFrame {
    Q_OBJECT
public:
    explicit MasterFrame(ScreenHost& host, QWidget* parent = nullptr);

public slots:
    void cmdMaster_Click();

private:
    ScreenHost& host_;
};
