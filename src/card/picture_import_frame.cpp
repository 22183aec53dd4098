#include "picture_import_frame.h"

#include "card/card_frame.h"
#include "shell/screen_host.h"

PictureImportFrame::PictureImportFrame(ScreenHost& host, CardFrame& card, QWidget* parent)
    : QFrame(parent), host_(host), card_(card) {
    setObjectName(QStringLiteral("fraPicget"));
    hide();
}

void PictureImportFrame::imgGazou_Click() {
    show();
    raise();
}

void PictureImportFrame::cmdYame_Click() { hide(); }
