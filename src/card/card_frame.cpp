#include "card_frame.h"

#include "shell/pick_combo.h"

#include "card/card_rules.h"
#include "card/card_widgets.h"
#include "card/file_names_model.h"
#include "card/sub_texts.h"
#include "shell/artwork.h"
#include "shell/flex_grid.h"
#include "shell/picture_reader.h"
#include "shell/prompts.h"
#include "shell/score_colours.h"
#include "store/catalogue.h"
#include "store/changes.h"
#include "store/cp932.h"
#include "store/date_text.h"
#include "store/title_name.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStringListModel>
#include <QTimer>
#include <QVBoxLayout>

namespace {
constexpr int kFaceSize = 44;
const QColor kOpenViewColour(0xFF, 0xE0, 0xC0);
const QString kRestricted = QStringLiteral("入力制限");

int px(int twips) { return twips / CardRules::kTwipsPerPixel; }

PickCombo* attributeCombo(const QString& name, QWidget* parent) {
    auto* c = new PickCombo(parent);
    c->setObjectName(name);
    c->setEditable(true);
    // New values join a list only through the editing rules, never by Qt's own insertion;
    // and what is typed is stored as typed, not completed into a longer known value.
    c->setInsertPolicy(QComboBox::NoInsert);
    c->setCompleter(nullptr);
    c->setMaxVisibleItems(20);
    c->setMinimumContentsLength(14);
    c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    return c;
}

QLabel* caption(const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
}
}  // namespace

CardFrame::CardFrame(Catalogue& catalogue, Prompts& prompts, const Clock& clock, QWidget* parent)
    : QFrame(parent), cat_(catalogue), prompts_(prompts), clock_(clock) {
    setObjectName(QStringLiteral("fraMain"));
    buildUi();
}

void CardFrame::buildUi() {
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(8, 8, 8, 8);
    outer->setSpacing(14);

    auto* posterColumn = new QVBoxLayout;
    imgGazou_ = new QLabel(this);
    imgGazou_->setObjectName(QStringLiteral("imgGazou"));
    imgGazou_->setScaledContents(true);  // the poster is stretched to its box
    imgGazou_->setFixedSize(px(CardRules::kPosterWidthTwips), px(CardRules::kPosterHeightTwips));
    imgGazou_->setFrameShape(QFrame::StyledPanel);
    imgGazou_->setStyleSheet(QStringLiteral("QLabel#imgGazou { background: #f4f1ea; }"));
    imgGazou_->setToolTip(QStringLiteral("タイトルの画像です"));
    imgGazou_->installEventFilter(this);
    posterColumn->addWidget(imgGazou_, 0, Qt::AlignTop | Qt::AlignHCenter);
    posterColumn->addStretch(1);
    outer->addLayout(posterColumn);

    auto* right = new QVBoxLayout;
    right->setSpacing(8);
    right->addWidget(buildNavigation());
    right->addWidget(buildAttributes());
    right->addWidget(buildViewButtons());

    // The cast, synopsis and memo panels lie over the lower part of the card.
    auto* lowerArea = new QWidget(this);
    auto* stack = new QGridLayout(lowerArea);
    stack->setContentsMargins(0, 0, 0, 0);
    auto* normal = new QWidget(lowerArea);
    auto* lower = new QHBoxLayout(normal);
    lower->setContentsMargins(0, 0, 0, 0);
    lower->setSpacing(14);
    auto* scoreColumn = new QVBoxLayout;
    scoreColumn->addWidget(buildScores());
    scoreColumn->addWidget(buildOwnership());
    scoreColumn->addStretch(1);
    lower->addLayout(scoreColumn);
    lower->addWidget(buildHistory(), 1);
    stack->addWidget(normal, 0, 0);
    for (int k = 1; k <= 3; ++k) {
        QWidget* panel = buildSubScreen(k);
        panel->setParent(lowerArea);
        stack->addWidget(panel, 0, 0);
    }
    right->addWidget(lowerArea, 1);
    outer->addLayout(right, 1);

    const char* listNames[] = {nullptr, "filCast", "filArasuji", "filMemo"};
    for (int k = 1; k <= 3; ++k) {
        // A view on the names the directory index already holds, listed only
        // when asked for: a folder of tens of thousands of texts costs no item
        // objects, and nothing until someone looks.
        fileLists_[k] = new QListView(this);
        fileLists_[k]->setObjectName(QLatin1String(listNames[k]));
        fileLists_[k]->setModel(
            new FileNamesModel(cat_.dir(), SubTexts::filePattern(k), fileLists_[k]));
        fileLists_[k]->hide();
    }
}

QWidget* CardFrame::buildViewButtons() {
    auto* bar = new QWidget(this);
    auto* h = new QHBoxLayout(bar);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(4);
    const QString captions[] = {QString(), QStringLiteral("メイン"), QStringLiteral("キャスト"),
                                QStringLiteral("あらすじ"), QStringLiteral("感想　・　メモ")};
    void (CardFrame::*handlers[])() = {nullptr, &CardFrame::cmdHyouji1_Click,
                                       &CardFrame::cmdHyouji2_Click, &CardFrame::cmdHyouji3_Click,
                                       &CardFrame::cmdHyouji4_Click};
    for (int k = 1; k <= 4; ++k) {
        cmdHyouji_[k] = new QPushButton(captions[k], bar);
        cmdHyouji_[k]->setObjectName(QStringLiteral("cmdHyouji%1").arg(k));
        cmdHyouji_[k]->setMinimumWidth(110);
        cmdHyouji_[k]->setAutoFillBackground(true);
        connect(cmdHyouji_[k], &QPushButton::clicked, this, handlers[k]);
        h->addWidget(cmdHyouji_[k]);
    }
    h->addStretch(1);
    return bar;
}

QWidget* CardFrame::buildSubScreen(int k) {
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("fraSubGamen_%1").arg(k));
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setAutoFillBackground(true);
    auto* v = new QVBoxLayout(panel);
    txtSubData_[k] = new QPlainTextEdit(panel);
    txtSubData_[k]->setObjectName(QStringLiteral("txtSubData_%1").arg(k));
    txtSubData_[k]->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    v->addWidget(txtSubData_[k], 1);
    const QString captions[] = {QString(), QStringLiteral("キャスト　保存"),
                                QStringLiteral("あらすじ　保存"),
                                QStringLiteral("感想・メモ　保存")};
    auto* save = new QPushButton(captions[k], panel);
    save->setObjectName(QStringLiteral("cmdSubData%1").arg(k));
    save->setMinimumWidth(140);
    void (CardFrame::*handlers[])() = {nullptr, &CardFrame::cmdSubData1_Click,
                                       &CardFrame::cmdSubData2_Click,
                                       &CardFrame::cmdSubData3_Click};
    connect(save, &QPushButton::clicked, this, handlers[k]);
    v->addWidget(save, 0, Qt::AlignRight);
    fraSubGamen_[k] = panel;
    panel->hide();
    return panel;
}

QWidget* CardFrame::buildNavigation() {
    auto* box = new QWidget(this);
    auto* g = new QGridLayout(box);
    g->setContentsMargins(0, 0, 0, 0);
    g->setHorizontalSpacing(8);

    auto* lblTitle = new QLabel(QStringLiteral("タイトル"), box);
    cboName_ = new PickCombo(box);
    cboName_->setObjectName(QStringLiteral("cboName"));
    cboName_->setEditable(true);
    // What is typed stays as typed: the saves of the card act on this text.
    cboName_->setInsertPolicy(QComboBox::NoInsert);
    cboName_->setCompleter(nullptr);
    cboName_->setMaxVisibleItems(25);
    // Sizing to contents would measure every title name on the first show.
    cboName_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cboName_->setMinimumContentsLength(24);
    cboName_->setModel(cat_.pickList(PickList::Name));
    QFont big = cboName_->font();
    big.setPointSizeF(big.pointSizeF() * 1.45);
    big.setBold(true);
    cboName_->setFont(big);
    cboName_->setToolTip(QStringLiteral("タイトルを選ぶとそのタイトルを表示します"));
    connect(cboName_, &PickCombo::picked, this, &CardFrame::cboName_Click);

    hsbData_ = new QScrollBar(Qt::Horizontal, box);
    hsbData_->setObjectName(QStringLiteral("hsbData"));
    hsbData_->setRange(1, 1);
    hsbData_->setSingleStep(1);
    hsbData_->setPageStep(1);
    hsbData_->setToolTip(QStringLiteral("タイトルを順にめくります"));
    connect(hsbData_, &QScrollBar::valueChanged, this, &CardFrame::hsbData_Change);

    lblKensu_ = new QLabel(QStringLiteral("0 / 0"), box);
    lblKensu_->setObjectName(QStringLiteral("lblKensu"));
    lblKensu_->setAlignment(Qt::AlignCenter);
    lblKensu_->setMinimumWidth(120);
    QFont counter = lblKensu_->font();
    counter.setPointSizeF(counter.pointSizeF() * 1.15);
    lblKensu_->setFont(counter);

    g->addWidget(lblTitle, 0, 0);
    g->addWidget(cboName_, 0, 1, 1, 2);
    g->addWidget(hsbData_, 1, 1);
    g->addWidget(lblKensu_, 1, 2);
    g->setColumnStretch(1, 1);
    return box;
}

QWidget* CardFrame::buildAttributes() {
    auto* box = new QGroupBox(QStringLiteral("作品情報"), this);
    auto* g = new QGridLayout(box);
    g->setHorizontalSpacing(8);
    g->setVerticalSpacing(6);

    cboKantoku_ = attributeCombo(QStringLiteral("cboKantoku"), box);
    cboKantoku_->setModel(cat_.pickList(PickList::Kantoku));
    cboSyuen_ = attributeCombo(QStringLiteral("cboSyuen"), box);
    cboSyuen_->setModel(cat_.pickList(PickList::Syuen));
    cboKuni_ = attributeCombo(QStringLiteral("cboKuni"), box);
    cboKuni_->setModel(cat_.pickList(PickList::Kuni));
    cboJanru_ = attributeCombo(QStringLiteral("cboJanru"), box);
    cboJanru_->setModel(cat_.pickList(PickList::Janru));
    txtNengetu_ = new QLineEdit(box);
    txtNengetu_->setObjectName(QStringLiteral("txtNengetu"));
    txtNengetu_->setPlaceholderText(QStringLiteral("例 1999/04/01"));

    // Release year-months and years feed the rankings; the card never shows them.
    for (auto [name, list] :
         {std::pair{"cboKoukai", PickList::Koukai}, std::pair{"cboKoukai3", PickList::Koukai3}}) {
        auto* hidden = new QComboBox(box);
        hidden->setObjectName(QLatin1String(name));
        hidden->setModel(cat_.pickList(list));
        hidden->hide();
    }

    cboHyouka_ = new PickCombo(box);
    cboHyouka_->setObjectName(QStringLiteral("cboHyouka"));
    cboHyouka_->setEditable(true);
    cboHyouka_->lineEdit()->setReadOnly(true);  // shows any stored mark, offers only the three
    cboHyouka_->setInsertPolicy(QComboBox::NoInsert);
    cboHyouka_->addItems({QStringLiteral("◎"), QStringLiteral("○"), QStringLiteral("△")});
    cboHyouka_->setFixedWidth(64);

    auto* faces = new QWidget(box);
    auto* fl = new QHBoxLayout(faces);
    fl->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < 4; ++i) {
        imgFace1_[i] = new QLabel(faces);
        imgFace1_[i]->setObjectName(QStringLiteral("imgFace1_%1").arg(i));
        imgFace1_[i]->setPixmap(Artwork::face(i, kFaceSize));
        imgFace1_[i]->setFixedSize(kFaceSize, kFaceSize);
        fl->addWidget(imgFace1_[i]);
    }
    showFace(3);

    g->addWidget(caption(QStringLiteral("監督"), box), 0, 0);
    g->addWidget(cboKantoku_, 0, 1);
    g->addWidget(caption(QStringLiteral("主演"), box), 0, 2);
    g->addWidget(cboSyuen_, 0, 3);
    g->addWidget(caption(QStringLiteral("公開日"), box), 1, 0);
    g->addWidget(txtNengetu_, 1, 1);
    g->addWidget(caption(QStringLiteral("国"), box), 1, 2);
    g->addWidget(cboKuni_, 1, 3);
    g->addWidget(caption(QStringLiteral("ジャンル"), box), 2, 0);
    g->addWidget(cboJanru_, 2, 1);
    g->addWidget(caption(QStringLiteral("評価"), box), 2, 2);
    auto* mark = new QHBoxLayout;
    mark->addWidget(cboHyouka_);
    mark->addSpacing(6);
    mark->addWidget(faces);
    mark->addStretch(1);
    g->addLayout(mark, 2, 3);
    g->setColumnStretch(1, 1);
    g->setColumnStretch(3, 1);
    return box;
}

QWidget* CardFrame::buildScores() {
    auto* box = new QGroupBox(QStringLiteral("自己評価"), this);
    auto* g = new QGridLayout(box);
    g->setHorizontalSpacing(6);
    g->setVerticalSpacing(4);
    for (int k = 1; k <= kScoreItems; ++k) {
        lblHyouka1_[k] = new QLabel(box);
        lblHyouka1_[k]->setObjectName(QStringLiteral("lblHyouka1_%1").arg(k));
        lblHyouka1_[k]->setFixedWidth(92);
        lblHyouka1_[k]->setAlignment(Qt::AlignCenter);
        lblHyouka1_[k]->setAutoFillBackground(true);
        QPalette pal = lblHyouka1_[k]->palette();
        pal.setColor(QPalette::Window, ScoreColours::of(k).label);
        pal.setColor(QPalette::WindowText, QColor(0x30, 0x30, 0x30));
        lblHyouka1_[k]->setPalette(pal);

        cboHyouka1_[k] = new PickCombo(box);
        cboHyouka1_[k]->setObjectName(QStringLiteral("cboHyouka1_%1").arg(k));
        for (int v = 0; v <= maxScore(k); ++v) cboHyouka1_[k]->addItem(QString::number(v));
        cboHyouka1_[k]->setMaxVisibleItems(k == 1 ? 20 : 11);
        cboHyouka1_[k]->setFixedWidth(66);

        auto* bar = new QHBoxLayout;
        bar->setSpacing(1);
        for (int c = 1; c <= 10; ++c) {
            shpHyouka_[k][c] = new ShapeCell(box);
            shpHyouka_[k][c]->setObjectName(QStringLiteral("shpHyouka%1_%2").arg(k).arg(c));
            bar->addWidget(shpHyouka_[k][c]);
        }
        g->addWidget(lblHyouka1_[k], k - 1, 0);
        g->addWidget(cboHyouka1_[k], k - 1, 1);
        g->addLayout(bar, k - 1, 2);
    }
    return box;
}

QWidget* CardFrame::buildOwnership() {
    auto* box = new QGroupBox(QStringLiteral("所有状況"), this);
    auto* l = new QHBoxLayout(box);
    l->setSpacing(16);
    for (int k = 1; k <= kOwnershipItems; ++k) {
        chkSyoyu_[k] = new QCheckBox(box);
        chkSyoyu_[k]->setObjectName(QStringLiteral("chkSyoyu_%1").arg(k));
        l->addWidget(chkSyoyu_[k]);
    }
    l->addStretch(1);
    return box;
}

QWidget* CardFrame::buildHistory() {
    auto* box = new QGroupBox(QStringLiteral("鑑賞履歴"), this);
    auto* l = new QVBoxLayout(box);
    msgKansyou_ = new FlexGrid(box);
    msgKansyou_->setObjectName(QStringLiteral("msgKansyou"));
    msgKansyou_->setToolTip(QStringLiteral("ダブルクリックすると鑑賞履歴を入力できます"));
    connect(msgKansyou_, &FlexGrid::DblClick, this, &CardFrame::msgKansyou_DblClick);
    msgKansyou_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(msgKansyou_, &QWidget::customContextMenuRequested, this,
            &CardFrame::msgKansyou_ContextMenu);
    l->addWidget(msgKansyou_, 1);
    l->addWidget(buildEntryFrame());
    return box;
}

QWidget* CardFrame::buildEntryFrame() {
    fraRirekiHozon_ = new QGroupBox(QStringLiteral("鑑賞履歴入力"), this);
    fraRirekiHozon_->setObjectName(QStringLiteral("fraRirekiHozon"));
    auto* g = new QGridLayout(fraRirekiHozon_);
    txtKansyoubi_ = new QLineEdit(fraRirekiHozon_);
    txtKansyoubi_->setObjectName(QStringLiteral("txtKansyoubi"));
    cboKansyou_ = attributeCombo(QStringLiteral("cboKansyou"), fraRirekiHozon_);
    cboKansyou_->setModel(cat_.pickList(PickList::Kansyou));
    // The list is rebuilt after every saved viewing; what the user typed stays for the next one.
    auto* contents = cat_.pickList(PickList::Kansyou);
    connect(contents, &QAbstractItemModel::modelAboutToBeReset, this,
            [this] { typedKansyou_ = cboKansyou_->currentText(); });
    connect(contents, &QAbstractItemModel::modelReset, this,
            [this] { cboKansyou_->setEditText(typedKansyou_); });
    cboKansyou_->setMinimumContentsLength(10);
    auto* save = new QPushButton(QStringLiteral("保存"), fraRirekiHozon_);
    save->setObjectName(QStringLiteral("cmdRirekiHozon"));
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"), fraRirekiHozon_);
    cancel->setObjectName(QStringLiteral("cmdYame1"));
    connect(save, &QPushButton::clicked, this, &CardFrame::cmdRirekiHozon_Click);
    connect(cancel, &QPushButton::clicked, this, &CardFrame::cmdYame1_Click);
    g->addWidget(caption(QStringLiteral("鑑賞日"), fraRirekiHozon_), 0, 0);
    g->addWidget(txtKansyoubi_, 0, 1);
    g->addWidget(caption(QStringLiteral("鑑賞内容"), fraRirekiHozon_), 1, 0);
    g->addWidget(cboKansyou_, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(save);
    buttons->addWidget(cancel);
    g->addLayout(buttons, 2, 0, 1, 2);
    g->setColumnStretch(1, 1);
    fraRirekiHozon_->hide();
    return fraRirekiHozon_;
}

void CardFrame::SetUpHistoryGrid() {
    FlexGrid* g = msgKansyou_;
    g->setFixedCols(1);
    g->setUpHeader({QStringLiteral("回"), QStringLiteral("鑑賞日"), QStringLiteral("鑑賞内容")},
                   {400, 1130, 2260});
    g->setColAlignment(1, Qt::AlignCenter);
    g->setColAlignment(2, Qt::AlignLeft | Qt::AlignVCenter);
    g->setMinimumWidth(px(400 + 1130 + 2260) + 24);
}

void CardFrame::ShowItemNames() {
    for (int k = 1; k <= kScoreItems; ++k) lblHyouka1_[k]->setText(cat_.HyoukaKoumoku[k]);
    for (int k = 1; k <= kOwnershipItems; ++k) chkSyoyu_[k]->setText(cat_.SyoyuKoumoku[k]);
}

void CardFrame::applyTitleRange() { hsbData_->setMaximum(qMax(1, cat_.TitleCount())); }

int CardFrame::current() const { return hsbData_->value(); }

void CardFrame::setCurrent(int n) { hsbData_->setValue(n); }

void CardFrame::showTitleNumber(int n) {
    if (current() == n)
        ShowTitle();
    else
        setCurrent(n);
}

void CardFrame::hsbData_Change(int) { ShowTitle(); }

void CardFrame::cboName_Click(int index) { hsbData_->setValue(index + 1); }

void CardFrame::showFace(int index) {
    for (int i = 0; i < 4; ++i) imgFace1_[i]->setVisible(i == index);
}

void CardFrame::ShowTitle() {
    cat_.dir().rescanIfChanged();  // pictures the user dropped in since the last look
    int n = current();
    const int count = cat_.TitleCount();
    if (count != 0) {
        const Title& t = cat_.titles()[n];
        cboName_->setEditText(t.Daimei);
        cboKantoku_->setEditText(t.Kantoku);
        cboSyuen_->setEditText(t.Syuen);
        txtNengetu_->setText(t.Koukai);
        cboKuni_->setEditText(t.Kuni);
        cboJanru_->setEditText(t.Janru);
        cboHyouka_->setEditText(t.Hyouka);
        showFace(CardRules::faceIndex(t.Hyouka));
    }
    // A correction is of one title's viewing: another title shown ends it, so
    // that what the entry frame saves is never a viewing of a title not shown.
    if (correcting_ != 0 &&
        (count == 0 || cat_.titles()[n].Daimei != correctingRecord_.KansyouDaimei.text()))
        cmdYame1_Click();
    ShowHyoukaBars();
    ShowKansyouRireki();
    ShowingTitle = true;
    ShowSyoyuChecks();
    ShowingTitle = false;
    LoadSubTexts();
    if (count == 0) n = 0;
    lblKensu_->setText(CardRules::counterText(n, count));
    showPicture(count == 0 ? QString() : cat_.titles()[n].Daimei);
}

void CardFrame::showPicture(const QString& daimei) {
    imgGazou_->clear();
    if (daimei.isEmpty()) return;
    // Decoded at the size of the box, not the size stored. Tried from the last
    // candidate back: the first that decodes is the one that wins.
    const QSize box = QSize(px(CardRules::kPosterWidthTwips), px(CardRules::kPosterHeightTwips)) *
                      devicePixelRatioF();
    const QStringList names = CardRules::pictureCandidates(daimei);
    // While the folder is still being listed at start-up, a picture under another
    // spelling of its name cannot be told yet: the card is shown with what is
    // there as named, and looks again once the listing is done.
    bool untold = false;
    for (auto name = names.crbegin(); name != names.crend(); ++name) {
        const std::optional<bool> there = cat_.dir().existsIfListed(*name);
        if (!there) untold = true;
        if (!there.value_or(false)) continue;
        // A pipe would block the card and a device read without end: only regular files.
        const QString actual = cat_.dir().actualName(*name);
        if (!cat_.dir().isRegularFile(*name)) {
            warnOnce(actual,
                     QStringLiteral("「%1」は通常のファイルではないため、画像として表示しません。")
                         .arg(actual));
            continue;
        }
        const QString path = cat_.dir().filePath(*name);
        // Taken before the read: a change made while it reads moves the stamp again.
        const FileStamp stamp = FileStamp::of(path);
        if (stamp.exists && path == lastPicture_.path && stamp == lastPicture_.stamp &&
            box == lastPicture_.box && !changedLately(stamp)) {
            showPixmap(lastPicture_.pixmap, lastPicture_.naturalSize);
            break;
        }
        const PictureReader::Picture p = PictureReader::readToFit(path, box);
        if (p.ok()) {
            showPictureImage(p.image, p.naturalSize);
            lastPicture_ = {path, stamp, box, imgGazou_->pixmap(), p.naturalSize};
            break;
        }
        if (p.outcome == PictureReader::Outcome::TooLarge)
            warnOnce(actual, PictureReader::tooLargeText(actual, p.naturalSize));
    }
    if (untold) lookAgainWhenListed(daimei);
}

void CardFrame::lookAgainWhenListed(const QString& daimei) {
    constexpr int kPollMs = 5;
    QTimer::singleShot(kPollMs, this, [this, daimei] {
        if (cat_.TitleCount() == 0 || cat_.titles()[current()].Daimei != daimei) return;
        if (cat_.dir().listed())
            showPicture(daimei);
        else
            lookAgainWhenListed(daimei);
    });
}

bool CardFrame::changedLately(const FileStamp& stamp) {
    // A file's time moves in steps of milliseconds: one rewritten within the step
    // of its last read, at the same size, would show the same stamp.
    constexpr qint64 kTrustedAfterNs = 2'000'000'000;
    return QDateTime::currentMSecsSinceEpoch() * 1'000'000 - stamp.modifiedNs < kTrustedAfterNs;
}

void CardFrame::warnOnce(const QString& actualName, const QString& text) {
    if (warnedPictures_.contains(actualName)) return;
    warnedPictures_.insert(actualName);
    prompts_.message(text, QStringLiteral("画像の読み込み"), Prompts::Icon::Exclamation);
}

void CardFrame::showPictureImage(const QImage& picture, QSize naturalSize) {
    if (picture.isNull()) return;
    showPixmap(QPixmap::fromImage(picture), naturalSize);
}

void CardFrame::showPixmap(const QPixmap& picture, QSize naturalSize) {
    const QSize natural = naturalSize.isValid() ? naturalSize : picture.size();
    imgGazou_->setPixmap(picture);
    const int tw = CardRules::kTwipsPerPixel;
    const int h =
        CardRules::posterHeightTwips(natural.width() * tw, natural.height() * tw,
                                     CardRules::kPosterWidthTwips, imgGazou_->height() * tw);
    imgGazou_->setFixedHeight(px(h));
}

void CardFrame::clearPicture() { imgGazou_->clear(); }

QString CardFrame::shownName() const { return cboName_->currentText(); }

bool CardFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == imgGazou_ && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        emit imgGazouClicked();
    return QFrame::eventFilter(watched, event);
}

void CardFrame::clearCard() {
    for (QComboBox* c : {cboName_, cboKantoku_, cboSyuen_, cboKuni_, cboJanru_, cboHyouka_})
        c->setEditText(QString());
    txtNengetu_->clear();
    showFace(3);
    for (int k = 1; k <= kScoreItems; ++k) cboHyouka1_[k]->setCurrentIndex(0);
    ShowingTitle = true;
    for (int k = 1; k <= kOwnershipItems; ++k) chkSyoyu_[k]->setChecked(false);
    ShowingTitle = false;
    for (int k = 1; k <= 3; ++k) txtSubData_[k]->clear();
    ShowTitle();
}

void CardFrame::ClearHyoukaBars() {
    for (int k = 1; k <= kScoreItems; ++k)
        for (int c = 1; c <= 10; ++c) shpHyouka_[k][c]->setFillColor(Qt::white);
}

void CardFrame::ShowHyoukaBars() {
    ClearHyoukaBars();
    if (cat_.TitleCount() == 0) return;
    const Title& t = cat_.titles()[current()];
    for (int k = 1; k <= kScoreItems; ++k) {
        const int score = t.HyoukaTen[k];
        // A score outside the list (written by another program) is shown as it is,
        // with no item picked, so that nothing suggests a value the title lacks.
        const bool listed = score >= 0 && score < cboHyouka1_[k]->count();
        const QString shown = listed ? QString() : QString::number(score);
        if (cboHyouka1_[k]->placeholderText() != shown) cboHyouka1_[k]->setPlaceholderText(shown);
        cboHyouka1_[k]->setCurrentIndex(listed ? score : -1);
        const int lit = CardRules::litCells(k, score);
        for (int c = 1; c <= lit; ++c) shpHyouka_[k][c]->setFillColor(ScoreColours::of(k).lit);
    }
}

void CardFrame::ShowSyoyuChecks() {
    if (cat_.TitleCount() == 0) return;
    const Title& t = cat_.titles()[current()];
    for (int k = 1; k <= kOwnershipItems; ++k) chkSyoyu_[k]->setChecked(t.Syoyu[k] == kOwned);
}

bool CardFrame::acceptText(const QString& text, const QString& what, bool quotesAllowed) {
    if (!quotesAllowed && text.contains(u'"')) {
        prompts_.message(QStringLiteral("%1に「\"」が含まれているため保存できません。").arg(what),
                         kRestricted, Prompts::Icon::Exclamation);
        return false;
    }
    const QString bad = Cp932::firstUnencodable(text);
    if (!bad.isEmpty()) {
        prompts_.message(QStringLiteral("%1の「%2」はシフトJISで保存できない文字のため使えません。")
                             .arg(what, bad),
                         kRestricted, Prompts::Icon::Exclamation);
        return false;
    }
    return true;
}

QString CardFrame::perform(std::unique_ptr<Change> change) {
    if (perform_) return perform_(std::move(change));
    return change->apply(cat_);
}

void CardFrame::HideSubScreens() {
    for (int k = 1; k <= 3; ++k) fraSubGamen_[k]->hide();
    for (int k = 1; k <= 4; ++k) cmdHyouji_[k]->setPalette(QPalette());
}

void CardFrame::cmdHyouji1_Click() {
    HideSubScreens();
    QPalette pal = cmdHyouji_[1]->palette();
    pal.setColor(QPalette::Button, kOpenViewColour);
    cmdHyouji_[1]->setPalette(pal);
}

void CardFrame::showSubScreen(int k) {
    HideSubScreens();
    fraSubGamen_[k]->show();
    fraSubGamen_[k]->raise();
    QPalette pal = cmdHyouji_[k + 1]->palette();
    pal.setColor(QPalette::Button, kOpenViewColour);
    cmdHyouji_[k + 1]->setPalette(pal);
}
