#pragma once

#include <QFrame>

class ScreenHost;

// The picture gallery (fraPic): the pictures and names of all titles, 21 to a page.
class GalleryFrame : public QFrame {
    Q_OBJECT
public:
    explicit GalleryFrame(ScreenHost& host, QWidget* parent = nullptr);

public slots:
    void cmdPic_Click();

private:
    ScreenHost& host_;
};
