#include "search_frame.h"

#include "shell/screen_host.h"

SearchFrame::SearchFrame(ScreenHost& host, QWidget* parent) : QFrame(parent), host_(host) {
    setObjectName(QStringLiteral("fraKensaku"));
}

void SearchFrame::cmdKensaku_Click() {
    if (!isHidden()) return;
    host_.HideAllFrames();
    show();
}

void SearchFrame::showItemNames() {}
