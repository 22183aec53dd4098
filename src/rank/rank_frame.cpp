#include "rank_frame.h"

#include "shell/screen_host.h"

RankFrame::RankFrame(ScreenHost& host, QWidget* parent) : QFrame(parent), host_(host) {
    setObjectName(QStringLiteral("fraRank"));
}

void RankFrame::cmdRank_Click() {
    if (!isHidden()) return;
    host_.HideAllFrames();
    show();
}
