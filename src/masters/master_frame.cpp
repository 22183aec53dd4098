#include "master_frame.h"

#include "shell/screen_host.h"

MasterFrame::MasterFrame(ScreenHost& host, QWidget* parent) : QFrame(parent), host_(host) {
    setObjectName(QStringLiteral("fraMaster"));
}

void MasterFrame::cmdMaster_Click() {
    if (!isHidden()) return;
    host_.HideAllFrames();
    show();
}
