#pragma once

#include <QFrame>

class CardFrame;
class ScreenHost;

// The picture import panel (fraPicget) that lies over the card: browse for a
// picture, preview it on the card and copy it in as the title's picture.
class PictureImportFrame : public QFrame {
    Q_OBJECT
public:
    PictureImportFrame(ScreenHost& host, CardFrame& card, QWidget* parent = nullptr);

public slots:
    // A click on the card's picture opens the panel.
    void imgGazou_Click();
    void cmdYame_Click();

private:
    ScreenHost& host_;
    CardFrame& card_;
};
