#include "frm_main.h"

#include "card/card_frame.h"
#include "card/picture_import_frame.h"
#include "charts/chart_data.h"
#include "charts/chart_window.h"
#include "edit/card_editing.h"
#include "gallery/gallery_frame.h"
#include "history/viewing_list_frame.h"
#include "lists/title_lists.h"
#include "masters/master_frame.h"
#include "rank/rank_frame.h"
#include "search/search_frame.h"
#include "shell/artwork.h"
#include "shell/change_runner.h"
#include "shell/flex_grid.h"
#include "shell/grid_export.h"
#include "shell/prompts.h"
#include "store/backups.h"
#include "store/changes.h"
#include "store/cp932.h"
#include "store/folder_lock.h"
#include "store/score_bands.h"
#include "store/title_selection.h"

#include <QApplication>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
struct ButtonSpec {
    const char* name;
    const char* caption;
    const char* tip;
};
// The always-visible buttons, in the order they stand.
const ButtonSpec kButtons[] = {
    {"cmdMain", "メイン", "メイン画面を表示します"},
    {"cmdNew", "新規", "タイトルを新規に追加します"},
    {"cmdDel", "削除", "表示中のタイトルを削除します"},
    {"cmdIchiran", "主一覧", "主要データを並び替え表示します"},
    {"cmdIchiran2", "評価", "評価データを並び替え表示します"},
    {"cmdIchiran3", "所有", "所有データ、サブデータを並び替え表示します"},
    {"cmdRank", "ランク", "監督や主演などのランキングを表示します"},
    {"cmdList", "鑑賞", "映画鑑賞履歴を表示します"},
    {"cmdKensaku", "検索", "タイトルの検索をすることができます"},
    {"cmdPic", "画像", "タイトルの画像を一覧表示します"},
    {"cmdMaster", "編集", "マスタを編集します"},
    {"cmdHelp", "ヘルプ", "ヘルプファイルを開きます"},
};

const QString kTourTitle = QStringLiteral("ヘルプツアー");
const QString kCrLf = QStringLiteral("\r\n");
}  // namespace

frmMain::frmMain(const QString& dataDir, Prompts& prompts, Clock& clock, QWidget* parent)
    : QMainWindow(parent), catalogue_(dataDir), prompts_(prompts), clock_(clock) {
    // The files are read on threads of their own while the window is built.
    catalogue_.startLoading();
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("リールノート"));
    setWindowIcon(Artwork::appIcon());
    GridExport::setDataFolder(catalogue_.dir().path());
    runner_ = new ChangeRunner(
        catalogue_, [this] { return settleChangesElsewhere(false); }, this);
    connect(runner_, &ChangeRunner::stepMoved, this, [this](const QString& title) {
        const bool wasSettling = std::exchange(settling_, true);
        refreshAfterReload(title, true);
        settling_ = wasSettling;
    });
    buildUi();
    buildUndoKeys();
    catalogue_.setConversionQuestion(
        [this](const QString& file, const QString& what) { return askConversion(file, what); });
}

bool frmMain::askConversion(const QString& file, const QString& what) {
    const bool yes =
        prompts_.message(
            QStringLiteral("「%1」には、シフトJIS（コードページ932）で書けない文字があります。"
                           "\r\n\r\n%2\r\n\r\nこれらの文字を変換して保存しますか？\r\n"
                           "「はい」：変換して保存します。元のファイルは、その前に同じフォルダーへ"
                           "「%1.日時.bak」として残します。\r\n"
                           "「いいえ」：このファイルは書き換えず、変更は保存しません。")
                .arg(file, what),
            QStringLiteral("文字の変換"), Prompts::Icon::Question, Prompts::Buttons::YesNo,
            Prompts::Answer::No) == Prompts::Answer::Yes;
    if (yes && file == catalogue_.dir().actualName(kDataFile)) {
        // The card and the lists show the converted texts once the write is done.
        QTimer::singleShot(0, this, [this] {
            reloadTitles();
            fraMain_->ShowTitle();
        });
    }
    return yes;
}

frmMain::~frmMain() = default;

void frmMain::buildUi() {
    auto* central = new QWidget(this);
    auto* v = new QVBoxLayout(central);
    v->setContentsMargins(8, 6, 8, 8);
    v->setSpacing(6);
    v->addWidget(buildButtonBar());

    // Every screen frame sits in the same cell; exactly one is shown at a time.
    auto* screens = new QWidget(central);
    buildScreens(screens);
    v->addWidget(screens, 1);

    setCentralWidget(central);
    resize(1240, 700);
}

void frmMain::addScreen(QWidget* frame, QWidget* stackParent) {
    static_cast<QGridLayout*>(stackParent->layout())->addWidget(frame, 0, 0);
    screens_ << frame;
    if (frame != fraMain_) frame->hide();
}

void frmMain::buildScreens(QWidget* screens) {
    auto* stack = new QGridLayout(screens);
    stack->setContentsMargins(0, 0, 0, 0);
    fraMain_ = new CardFrame(catalogue_, prompts_, clock_, screens);
    fraMain_->setPerform([this](std::unique_ptr<Change> c) { return perform(std::move(c)); });
    fraMain_->setFrameShape(QFrame::StyledPanel);
    addScreen(fraMain_, screens);
    editing_ = new CardEditing(*this, *fraMain_);
    fraPicget_ = new PictureImportFrame(*this, *fraMain_, fraMain_);
    connect(fraMain_, &CardFrame::imgGazouClicked, fraPicget_, &PictureImportFrame::imgGazou_Click);

    connect(fraMain_, &CardFrame::historySaved, this, [this] {
        if (fraList_) fraList_->historyChanged();
    });
    screensParent_ = screens;

    // The screen buttons of the bar; the screens behind them are built once the
    // card is painted (buildOtherScreens).
    const auto wire = [this](const char* name, auto slot) {
        connect(buttons_.value(QLatin1String(name)), &QPushButton::clicked, this, [this, slot] {
            buildOtherScreens();
            slot(this);
        });
    };
    connect(buttons_.value(QStringLiteral("cmdNew")), &QPushButton::clicked, editing_,
            &CardEditing::cmdNew_Click);
    connect(buttons_.value(QStringLiteral("cmdDel")), &QPushButton::clicked, editing_,
            &CardEditing::cmdDel_Click);
    wire("cmdIchiran", [](frmMain* w) { w->lists_->cmdIchiran_Click(); });
    wire("cmdIchiran2", [](frmMain* w) { w->lists_->cmdIchiran2_Click(); });
    wire("cmdIchiran3", [](frmMain* w) { w->lists_->cmdIchiran3_Click(); });
    wire("cmdRank", [](frmMain* w) { w->fraRank_->cmdRank_Click(); });
    wire("cmdList", [](frmMain* w) { w->fraList_->cmdList_Click(); });
    wire("cmdKensaku", [](frmMain* w) { w->fraKensaku_->cmdKensaku_Click(); });
    wire("cmdPic", [](frmMain* w) { w->fraPic_->cmdPic_Click(); });
    wire("cmdMaster", [](frmMain* w) { w->fraMaster_->cmdMaster_Click(); });

    auto* find = new QShortcut(QKeySequence::Find, this);
    find->setObjectName(QStringLiteral("shortcutFind"));
    connect(find, &QShortcut::activated, this, &frmMain::openSearchForWord);
}

void frmMain::buildOtherScreens() {
    if (fraList_) return;
    QWidget* const screens = screensParent_;
    fraList_ = new ViewingListFrame(*this, screens);
    addScreen(fraList_, screens);
    lists_ = new TitleLists(*this, screens);
    for (QWidget* f : lists_->frames()) addScreen(f, screens);
    fraRank_ = new RankFrame(*this, screens);
    addScreen(fraRank_, screens);
    fraKensaku_ = new SearchFrame(*this, screens);
    addScreen(fraKensaku_, screens);
    fraPic_ = new GalleryFrame(*this, screens);
    addScreen(fraPic_, screens);
    fraMaster_ = new MasterFrame(*this, screens);
    addScreen(fraMaster_, screens);
    fraKensaku_->showItemNames();
    screenButtons_ = {{fraList_, QStringLiteral("cmdList")},
                      {fraRank_, QStringLiteral("cmdRank")},
                      {fraKensaku_, QStringLiteral("cmdKensaku")},
                      {fraPic_, QStringLiteral("cmdPic")},
                      {fraMaster_, QStringLiteral("cmdMaster")}};
    const QStringList listButtons = {QStringLiteral("cmdIchiran"), QStringLiteral("cmdIchiran2"),
                                     QStringLiteral("cmdIchiran3")};
    for (int k = 0; k < lists_->frames().size() && k < listButtons.size(); ++k)
        screenButtons_.append({lists_->frames()[k], listButtons[k]});
}

QWidget* frmMain::buildButtonBar() {
    auto* bar = new QWidget(this);
    auto* h = new QHBoxLayout(bar);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(4);
    for (const ButtonSpec& b : kButtons) {
        auto* button = new QPushButton(QString::fromUtf8(b.caption), bar);
        button->setObjectName(QLatin1String(b.name));
        button->setToolTip(QString::fromUtf8(b.tip));
        button->setMinimumWidth(72);
        button->setMinimumHeight(30);
        button->setFocusPolicy(Qt::TabFocus);
        h->addWidget(button);
        buttons_.insert(QLatin1String(b.name), button);
        if (qstrcmp(b.name, "cmdDel") == 0) cmdDel_ = button;
        if (qstrcmp(b.name, "cmdMain") == 0)
            connect(button, &QPushButton::clicked, this, &frmMain::cmdMain_Click);
        if (qstrcmp(b.name, "cmdHelp") == 0)
            connect(button, &QPushButton::clicked, this, &frmMain::cmdHelp_Click);
        if (qstrcmp(b.name, "cmdDel") == 0 || qstrcmp(b.name, "cmdIchiran3") == 0 ||
            qstrcmp(b.name, "cmdMaster") == 0)
            h->addSpacing(10);  // groups: card, lists, other screens
    }
    h->addStretch(1);

    chkHelp_ = new QToolButton(bar);
    chkHelp_->setObjectName(QStringLiteral("chkHelp"));
    chkHelp_->setCheckable(true);
    chkHelp_->setIcon(Artwork::helpTourIcon());
    chkHelp_->setIconSize(QSize(28, 28));
    chkHelp_->setAutoRaise(true);
    chkHelp_->setToolTip(QStringLiteral("ヘルプツアーのＯｎ／Ｏｆｆです"));
    connect(chkHelp_, &QToolButton::clicked, this, &frmMain::chkHelp_Click);
    h->addWidget(chkHelp_);

    auto* cmdEnd = new QPushButton(QStringLiteral("終了"), bar);
    cmdEnd->setObjectName(QStringLiteral("cmdEnd"));
    cmdEnd->setToolTip(QStringLiteral("プログラムを終了します"));
    cmdEnd->setMinimumWidth(72);
    cmdEnd->setMinimumHeight(30);
    connect(cmdEnd, &QPushButton::clicked, this, &frmMain::cmdEnd_Click);
    h->addWidget(cmdEnd);
    return bar;
}

void frmMain::reportLater(const QString& message, const QString& title) {
    if (!message.isEmpty()) pendingReports_.append({title, message});
}

void frmMain::showReports() {
    const auto reports = std::exchange(pendingReports_, {});
    for (const auto& [title, message] : reports)
        prompts_.message(message, title, Prompts::Icon::Exclamation);
}

void frmMain::Form_Load() {
    if (!Cp932::available()) {
        prompts_.message(
            QStringLiteral("この環境にはシフトJIS（コードページ932）の文字変換がないため、"
                           "データファイルを読み書きできません。\r\n"
                           "ICU 付きの Qt をインストールしてください。"),
            QStringLiteral("リールノート"), Prompts::Icon::Critical);
        return;
    }
    HelpFile = QStringLiteral("ReelnoteHelp.chm");
    if (!takeFolder()) return;
    Loading = true;
    fraPicget_->hide();
    // The files as they were when the program started, before anything changes
    // them; a run that may not write keeps none either.
    if (!catalogue_.readOnly())
        reportLater(Backups::keepDailyCopies(catalogue_.dir(), clock_.today()),
                    QStringLiteral("バックアップ"));
    LoadMainData();
    LoadKansyouRireki();
    reportLater(catalogue_.LoadSettings(), QStringLiteral("設定の読み込み"));
    chkHelp_->setChecked(catalogue_.HelpTour == 1);
    fraMain_->SetUpHistoryGrid();
    HideAllFrames();
    fraMain_->show();
    cmdDel_->setEnabled(!catalogue_.readOnly());
    DataDir = catalogue_.dir().path();
    fraMain_->setCurrent(1);
    fraMain_->ShowTitle();
    reportLater(catalogue_.LoadMasters(), QStringLiteral("マスタの読み込み"));
    itemNamesChanged();
    fraMain_->refreshFileLists();
    fraMain_->cmdHyouji1_Click();
    Loading = false;
    if (catalogue_.readOnly()) disableWritingControls();
    show();
    QApplication::processEvents();
    emit cardShown();
    buildOtherScreens();
    if (catalogue_.readOnly()) disableWritingControls();
    showReports();

    HelpMessage =
        QStringLiteral(
            "起動時のこの画面はタイトル１題目に対しての各種情報が表示されているメイン画面です｡ ") +
        kCrLf + kCrLf +
        QStringLiteral("「タイトル」や「監督」、「主演」、「ジャンル」…などの表示") + kCrLf +
        QStringLiteral("タイトルの画像や７項目の自己評価、４種類のソフト所有状況を表示してます。") +
        kCrLf + kCrLf;
    ShowHelpTour();
    HelpMessage =
        QStringLiteral(
            "タイトルの画像や各種情報はインターネット上から簡単に入手することができます。") +
        kCrLf + QStringLiteral("（TSUTAYAやAmazonなど）") + kCrLf + kCrLf +
        QStringLiteral(
            "画像やあらすじ等を一緒にコレクションすることで楽しさがアップすると思います");
    ShowHelpTour();
}

void frmMain::LoadMainData() {
    const QString problem = catalogue_.LoadMainData();
    fraMain_->applyTitleRange();
    if (problem.isEmpty()) return;
    if (Loading)
        reportLater(problem, QStringLiteral("データの読み込み"));
    else
        prompts_.message(problem, QStringLiteral("データの読み込み"), Prompts::Icon::Exclamation);
}

void frmMain::LoadKansyouRireki() {
    const QString problem = catalogue_.LoadKansyouRireki();
    if (fraList_) fraList_->historyChanged();
    if (problem.isEmpty()) return;
    if (Loading)
        reportLater(problem, QStringLiteral("鑑賞履歴の読み込み"));
    else
        prompts_.message(problem, QStringLiteral("鑑賞履歴の読み込み"), Prompts::Icon::Exclamation);
}

void frmMain::reloadTitles() {
    // A file this run has just written from the table would read back as that
    // table: only the lists are built again then, not the whole table.
    if (catalogue_.fileMatchesTable()) {
        catalogue_.rebuildListsFromTable();
        fraMain_->applyTitleRange();
    } else {
        LoadMainData();
    }
    followLastJump();
}

void frmMain::titlesChanged() {
    fraMain_->applyTitleRange();
    followLastJump();
}

void frmMain::collectionReplaced() {
    // The catalogue has built its lists as a load would: only the screens follow.
    titlesChanged();
    if (fraList_) fraList_->historyChanged();
    GalleryReady = false;
    fraMain_->refreshFileLists();  // a fill or an import may have added free texts
    fraMain_->ShowTitle();
}

// "メイン" keeps coming back to the title picked in a list, wherever a reorder,
// an addition or a deletion moved it; to none once it is gone.
void frmMain::followLastJump() {
    if (LastJumpTitle == 0) return;
    LastJumpTitle = catalogue_.titles().find(lastJumpName_);
    if (LastJumpTitle == 0) lastJumpName_.clear();
}

void frmMain::itemNamesChanged() {
    fraMain_->ShowItemNames();
    if (fraKensaku_) fraKensaku_->showItemNames();
}

void frmMain::showChart(const ChartRequest& request) {
    Charts::Chart chart;
    switch (request.kind) {
        case ChartRequest::Kind::Ranking:
            chart = Charts::ranking(request.valueHeader, request.rows);
            break;
        case ChartRequest::Kind::ViewingPeriods:
            chart = Charts::viewingPeriods(request.rows, request.years);
            break;
        case ChartRequest::Kind::Scores:
            chart = Charts::scoreDistributions(catalogue_.titles(), catalogue_.HyoukaKoumoku);
            break;
    }
    ChartWindow*& window = charts_[request.gridName];
    if (!window) {
        window = new ChartWindow(prompts_, this);
        window->setObjectName(QStringLiteral("chart_") + request.gridName);
        // A double-click on a bar lists what it counts. A score bar is a band of
        // one item (panel p is item p + 1, bar b its band b); any other bar is a
        // row of its grid, and does what a double-click on that row does. A bar
        // the grid no longer shows (the chart outlived a change) does nothing.
        connect(window, &ChartWindow::barActivated, this,
                [this, kind = request.kind, gridName = request.gridName, w = window](int p, int b) {
                    if (kind == ChartRequest::Kind::Scores) {
                        TitleSelection band;
                        band.field = TitleSelection::Field::Hyouka;
                        band.item = p + 1;
                        band.itemName = catalogue_.HyoukaKoumoku[band.item];
                        band.band = b;
                        band.value = ScoreBands::label(band.item, b);
                        return showTitlesOf(band);
                    }
                    auto* grid = findChild<FlexGrid*>(gridName);
                    if (!grid) return;
                    const QString value = w->view()->chart().panels[p].bars[b].label;
                    for (int r = 1; r < grid->Rows(); ++r) {
                        if (grid->TextMatrix(r, 1) != value) continue;
                        grid->setCurrentIndex(grid->grid()->index(r - 1, 1));
                        grid->setRow(r);
                        emit grid->DblClick();
                        return;
                    }
                });
    }
    window->showChart(request.heading, chart,
                      request.fileStem.isEmpty() ? request.heading : request.fileStem);
}

// A double-click on a row of a count: the search screen lists what the row counts.
void frmMain::showTitlesOf(const TitleSelection& selection) {
    buildOtherScreens();
    fraKensaku_->cmdKensaku_Click();
    fraKensaku_->showTitlesOf(selection);
}

void frmMain::setCurrentTitle(int n) { fraMain_->setCurrent(n); }

void frmMain::showHelpTour(const QString& message) {
    HelpMessage = message;
    ShowHelpTour();
}

void frmMain::endProgram() {
    helpWindows_.closeAll();
    lock_.reset();  // the folder is free for the next start at once
    close();
}

bool frmMain::SaveMainData() { return reportWrite(catalogue_.SaveMainData()); }

bool frmMain::reportWrite(const QString& problem) {
    if (problem.isEmpty()) return true;
    prompts_.message(problem + QStringLiteral("\r\n\r\n変更は保存されていません。"),
                     QStringLiteral("保存できません"), Prompts::Icon::Critical);
    return false;
}

bool frmMain::refusesChanges() {
    if (!catalogue_.readOnly()) return false;
    prompts_.message(catalogue_.dir().refusal(QString()), QStringLiteral("読み取り専用"),
                     Prompts::Icon::Exclamation);
    return true;
}

void frmMain::disableWritingControls() {
    // By the names the screens give them: the card's editing, the free texts'
    // saves, the viewing entry, the picture import, the reorders, the masters.
    static const QRegularExpression kWriting(QStringLiteral(
        "^(cmdNew|cmdDel|chkHelp|cbo(Kantoku|Syuen|Kuni|Janru|Hyouka|Hyouka1_\\d+|Kansyou)|"
        "txtNengetu|chkSyoyu_\\d+|txtSubData_\\d+|cmdSubData\\d+|txtKansyoubi|cmdRirekiHozon|"
        "cmdFileCopy|cmdSortCng\\d+|cmdHyoukaHozon|lblSyoyuHozon|cmdSinki|cmdAllDel|cmdImportCsv|"
        "cmdFillFromNet|"
        "txtHyouka_\\d+|txtSyoyu_\\d+)$"));
    for (QWidget* w : findChildren<QWidget*>(kWriting)) {
        // A text stays there to be read, scrolled and copied.
        if (auto* line = qobject_cast<QLineEdit*>(w))
            line->setReadOnly(true);
        else if (auto* text = qobject_cast<QPlainTextEdit*>(w))
            text->setReadOnly(true);
        else
            w->setEnabled(false);
    }
    // The viewings on the card only show: a double-click or the menu, which would
    // enter or change one, says why not instead.
    auto* grid = fraMain_->findChild<FlexGrid*>(QStringLiteral("msgKansyou"));
    if (disconnect(grid, &FlexGrid::DblClick, fraMain_, &CardFrame::msgKansyou_DblClick))
        connect(grid, &FlexGrid::DblClick, this, &frmMain::refusesChanges);
    if (disconnect(grid, &QWidget::customContextMenuRequested, fraMain_,
                   &CardFrame::msgKansyou_ContextMenu))
        connect(grid, &QWidget::customContextMenuRequested, this, [this, grid](const QPoint& at) {
            if (grid->indexAt(at).isValid()) refusesChanges();
        });
}

void frmMain::showMainCard() {
    HideAllFrames();
    fraMain_->show();
    cmdDel_->setEnabled(!catalogue_.readOnly());
}

void frmMain::HideAllFrames() {
    for (QWidget* s : std::as_const(screens_)) s->hide();
    cmdDel_->setEnabled(false);
}

void frmMain::ShowHelpTour() {
    if (catalogue_.HelpTour != 0)
        prompts_.message(HelpMessage, kTourTitle, Prompts::Icon::Information);
}

void frmMain::returnToCard(int n, bool remember) {
    if (remember) {
        LastJumpTitle = n;
        lastJumpName_ = catalogue_.titles()[n].Daimei;
    }
    fraMain_->setCurrent(n);
    showMainCard();
}

void frmMain::keyPressEvent(QKeyEvent* event) {
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && !fraMain_->isHidden()) {
        switch (event->key()) {
            case Qt::Key_PageDown:
            case Qt::Key_PageUp: {
                const int step = event->key() == Qt::Key_PageDown ? 1 : -1;
                const int n = fraMain_->current() + step;
                if (n >= 1 && n <= catalogue_.TitleCount()) fraMain_->setCurrent(n);
                event->accept();
                return;
            }
            case Qt::Key_Escape:
                if (fraMain_->closeViewingEntry()) {
                    event->accept();
                    return;
                }
                break;
            default:
                break;
        }
    }
    QMainWindow::keyPressEvent(event);
}

// Ctrl+F: the search screen, ready to type a word of a title.
void frmMain::openSearchForWord() {
    buildOtherScreens();
    fraKensaku_->cmdKensaku_Click();
    if (!fraKensaku_->isHidden()) fraKensaku_->focusTitleWord();
}

void frmMain::cmdMain_Click() {
    if (!fraMain_->isHidden()) return;
    if (LastJumpTitle > 0) fraMain_->setCurrent(LastJumpTitle);
    showMainCard();
    QApplication::processEvents();
}

void frmMain::cmdEnd_Click() {
    helpWindows_.closeAll();
    close();
}

void frmMain::cmdHelp_Click() { helpWindows_.open(); }

void frmMain::chkHelp_Click() {
    if (Loading) return;
    if (refusesChanges()) {
        chkHelp_->setChecked(catalogue_.HelpTour == 1);
        return;
    }
    int value = 0;
    if (chkHelp_->isChecked()) {
        prompts_.message(QStringLiteral("ヘルプツアー機能をオンにします。"),
                         QStringLiteral("ヘルプツアーＯＮ"), Prompts::Icon::Information);
        value = 1;
    } else {
        prompts_.message(QStringLiteral("ヘルプツアー機能をオフにします。"),
                         QStringLiteral("ヘルプツアーＯＦＦ"), Prompts::Icon::Information);
    }
    // The switch takes only when the file took it, so the box, the tour and the
    // file agree even after a failed write.
    const QString problem = perform(Changes::setHelpTour(value));
    chkHelp_->setChecked(catalogue_.HelpTour == 1);
    if (!problem.isEmpty())
        prompts_.message(problem, QStringLiteral("設定の保存"), Prompts::Icon::Exclamation);
}
