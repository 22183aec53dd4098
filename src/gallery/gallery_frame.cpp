#include "gallery_frame.h"

#include "gallery/gallery_pages.h"
#include "gallery/gallery_widgets.h"
#include "shell/screen_host.h"
#include "store/catalogue.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kTwipsPerPixel = 15;
constexpr int kNameHeight = 20;

const QString kCrLf = QStringLiteral("\r\n");

QString helpText() {
    return QStringLiteral("収集したタイトル画像を２１タイトル分ずつ一覧表示します。") + kCrLf +
           kCrLf +
           QStringLiteral("２２タイトル以上ある時は← →ボタンで表示を切り替えることができます。") +
           kCrLf +
           QStringLiteral(
               "任意の画像、文字ををクリックするとそのタイトルでメイン画面を表示することができます"
               "。") +
           kCrLf + kCrLf;
}

QSize boxSize() {
    return {GalleryPages::kBoxWidthTwips / kTwipsPerPixel,
            GalleryPages::kBoxHeightTwips / kTwipsPerPixel};
}
}  // namespace

GalleryFrame::GalleryFrame(ScreenHost& host, QWidget* parent) : QFrame(parent), host_(host) {
    setObjectName(QStringLiteral("fraPic"));
    buildUi();
    connect(&decoder_, &PictureDecoder::decoded, this, &GalleryFrame::showPicture);
    showRangeAndClear(1);
}

void GalleryFrame::buildUi() {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(12, 12, 12, 12);
    outer->addStretch(1);
    auto* middle = new QHBoxLayout;
    outer->addLayout(middle);
    middle->addStretch(1);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(14);
    grid->setVerticalSpacing(12);
    for (int i = 1; i <= GalleryPages::kPerPage; ++i) {
        auto* cell = new QVBoxLayout;
        cell->setSpacing(0);
        lblName_[i] = new GalleryName(this);
        lblName_[i]->setObjectName(QStringLiteral("lblName_%1").arg(i));
        lblName_[i]->setFixedSize(boxSize().width(), kNameHeight);
        imgPIc_[i] = new GalleryBox(this);
        imgPIc_[i]->setObjectName(QStringLiteral("imgPIc_%1").arg(i));
        imgPIc_[i]->setFixedSize(boxSize());
        connect(imgPIc_[i], &GalleryBox::clicked, this, [this, i] { imgPIc_Click(i); });
        connect(lblName_[i], &GalleryName::clicked, this, [this, i] { lblName_Click(i); });
        cell->addWidget(lblName_[i]);
        cell->addWidget(imgPIc_[i]);
        grid->addLayout(cell, (i - 1) / GalleryPages::kColumns, (i - 1) % GalleryPages::kColumns);
    }

    // Two tall, narrow buttons at the right edge: the upper one goes back.
    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(12);
    cmdDown_ = new QPushButton(this);
    cmdDown_->setObjectName(QStringLiteral("cmdDown"));
    cmdDown_->setIcon(galleryArrow(true));
    cmdDown_->setToolTip(QStringLiteral("前の２１タイトルを表示します"));
    cmdUp_ = new QPushButton(this);
    cmdUp_->setObjectName(QStringLiteral("cmdUp"));
    cmdUp_->setIcon(galleryArrow(false));
    cmdUp_->setToolTip(QStringLiteral("次の２１タイトルを表示します"));
    for (QPushButton* b : {cmdDown_, cmdUp_}) {
        b->setIconSize(QSize(28, 28));
        b->setFixedWidth(44);
        b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
        buttons->addWidget(b, 1);
    }
    connect(cmdDown_, &QPushButton::clicked, this, &GalleryFrame::cmdDown_Click);
    connect(cmdUp_, &QPushButton::clicked, this, &GalleryFrame::cmdUp_Click);
    grid->addLayout(buttons, 0, GalleryPages::kColumns, GalleryPages::kRows, 1);
    grid->setColumnMinimumWidth(GalleryPages::kColumns, 44);
    grid->addWidget(buildRange(), GalleryPages::kRows, 0, 1, GalleryPages::kColumns + 1,
                    Qt::AlignRight);

    middle->addLayout(grid);
    middle->addStretch(1);
    outer->addStretch(1);
}

QWidget* GalleryFrame::buildRange() {
    auto* range = new QWidget(this);
    auto* h = new QHBoxLayout(range);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(4);
    const Qt::Alignment align[] = {Qt::AlignRight, Qt::AlignLeft, Qt::AlignCenter};
    for (int k : {0, 2, 1}) {
        lblPicKan_[k] = new QLabel(range);
        lblPicKan_[k]->setObjectName(QStringLiteral("lblPicKan_%1").arg(k));
        lblPicKan_[k]->setAlignment(align[k] | Qt::AlignVCenter);
        lblPicKan_[k]->setMinimumWidth(k == 2 ? 20 : 56);
        QFont f = lblPicKan_[k]->font();
        f.setPointSizeF(f.pointSizeF() * 1.15);
        lblPicKan_[k]->setFont(f);
        h->addWidget(lblPicKan_[k]);
    }
    lblPicKan_[2]->setText(QStringLiteral("～"));
    return range;
}

void GalleryFrame::showRangeAndClear(int page) {
    decoder_.startPage();
    lblPicKan_[0]->setText(QString::number(GalleryPages::firstOfPage(page)));
    lblPicKan_[1]->setText(QString::number(GalleryPages::lastOfPage(page)));
    for (int i = 1; i <= GalleryPages::kPerPage; ++i) {
        lblName_[i]->setName(QString());
        imgPIc_[i]->clear();
        imgPIc_[i]->setRefusal(QString());
        imgPIc_[i]->setVacant(true);
    }
}

void GalleryFrame::fillPage(int page) {
    Catalogue& cat = host_.catalogue();
    cat.dir().rescanIfChanged();  // pictures the user dropped in since the last look
    const QSize decodeSize = boxSize() * devicePixelRatioF();
    for (int i = 1; i <= GalleryPages::kPerPage; ++i) {
        const int n = GalleryPages::titleNumber(page, i);
        if (n > cat.TitleCount()) break;
        const QString& daimei = cat.titles()[n].Daimei;
        lblName_[i]->setName(daimei);
        imgPIc_[i]->setVacant(false);
        QStringList paths;
        for (const QString& name : GalleryPages::pictureCandidates(daimei))
            if (cat.dir().exists(name)) paths << cat.dir().filePath(name);
        decoder_.request(i, paths, decodeSize);
    }
}

// A picture refused as too large says so in its box, quietly: a page of them
// would otherwise be a row of boxes to click away.
void GalleryFrame::showPicture(int box, const QImage& image, const QString& refusal) {
    imgPIc_[box]->setRefusal(refusal);
    if (image.isNull())
        imgPIc_[box]->clear();
    else
        imgPIc_[box]->setPixmap(QPixmap::fromImage(image));
}

void GalleryFrame::cmdPic_Click() {
    if (!isHidden()) return;
    host_.HideAllFrames();
    if (host_.galleryReady()) {
        show();
        return;
    }
    page_ = 1;
    showRangeAndClear(page_);
    show();
    const int count = host_.catalogue().TitleCount();
    pageCount_ = GalleryPages::pageCount(count);
    if (count == 0) return;
    fillPage(page_);
    host_.setGalleryReady(true);
    host_.showHelpTour(helpText());
}

void GalleryFrame::cmdUp_Click() {
    if (page_ >= pageCount_) return;
    ++page_;
    showRangeAndClear(page_);
    fillPage(page_);
}

void GalleryFrame::cmdDown_Click() {
    if (page_ <= 1) return;
    --page_;
    showRangeAndClear(page_);
    fillPage(page_);
}

void GalleryFrame::imgPIc_Click(int index) { openTitle(index); }

void GalleryFrame::lblName_Click(int index) { openTitle(index); }

void GalleryFrame::openTitle(int index) {
    const int n = GalleryPages::titleNumber(page_, index);
    if (index < 1 || index > GalleryPages::kPerPage || n > host_.catalogue().TitleCount()) return;
    host_.returnToCard(n, false);
}
