#include "gallery_frame.h"

#include "shell/screen_host.h"

GalleryFrame::GalleryFrame(ScreenHost& host, QWidget* parent) : QFrame(parent), host_(host) {
    setObjectName(QStringLiteral("fraPic"));
}

void GalleryFrame::cmdPic_Click() {
    if (!isHidden()) return;
    host_.HideAllFrames();
    show();
}
