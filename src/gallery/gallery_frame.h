#pragma once

#include "gallery/picture_decoder.h"

#include <QFrame>

#include <array>

class GalleryBox;
class GalleryName;
class QLabel;
class QPushButton;
class ScreenHost;

// The picture gallery (fraPic): the pictures and names of all titles, 21 to a
// page, seven across and three down. It is built once and kept between visits
// until the host marks it stale. Names show at once; pictures are decoded off
// the window's thread and fill their boxes as they come.
class GalleryFrame : public QFrame {
    Q_OBJECT
public:
    explicit GalleryFrame(ScreenHost& host, QWidget* parent = nullptr);

    int GalleryPage() const { return page_; }
    int GalleryPageCount() const { return pageCount_; }
    PictureDecoder& decoder() { return decoder_; }

public slots:
    void cmdPic_Click();
    // Next page.
    void cmdUp_Click();
    // Previous page.
    void cmdDown_Click();
    void imgPIc_Click(int index);
    void lblName_Click(int index);

private:
    void buildUi();
    QWidget* buildRange();
    void showRangeAndClear(int page);
    void fillPage(int page);
    void openTitle(int index);
    void showPicture(int box, const QImage& image, const QString& refusal);

    ScreenHost& host_;
    PictureDecoder decoder_;
    int page_ = 1;
    int pageCount_ = 0;
    std::array<GalleryBox*, 22> imgPIc_{};    // [1..21]
    std::array<GalleryName*, 22> lblName_{};  // [1..21]
    std::array<QLabel*, 3> lblPicKan_{};      // 0 first, 2 "～", 1 last
    QPushButton* cmdDown_ = nullptr;
    QPushButton* cmdUp_ = nullptr;
};
