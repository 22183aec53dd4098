#pragma once

#include <QFrame>

class ScreenHost;

// The rankings screen (fraRank): directors, lead actors, release periods, countries
// and genres counted over the titles.
class RankFrame : public QFrame {
    Q_OBJECT
public:
    explicit RankFrame(ScreenHost& host, QWidget* parent = nullptr);

public slots:
    void cmdRank_Click();

private:
    ScreenHost& host_;
};
