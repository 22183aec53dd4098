#include "title_lists.h"

#include "shell/screen_host.h"

#include <QFrame>

TitleLists::TitleLists(ScreenHost& host, QWidget* screensParent)
    : QObject(screensParent), host_(host) {
    const char* names[] = {nullptr, "fraIchiran", "fraIchiran2", "fraIchiran3"};
    for (int k = 1; k <= 3; ++k) {
        fraIchiran_[k] = new QFrame(screensParent);
        fraIchiran_[k]->setObjectName(QLatin1String(names[k]));
    }
}

QList<QWidget*> TitleLists::frames() const {
    return {fraIchiran_[1], fraIchiran_[2], fraIchiran_[3]};
}

void TitleLists::open(int k) {
    if (!fraIchiran_[k]->isHidden()) return;
    host_.HideAllFrames();
    fraIchiran_[k]->show();
}
