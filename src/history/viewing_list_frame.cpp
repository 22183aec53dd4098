#include "viewing_list_frame.h"

#include "shell/flex_grid.h"
#include "shell/grid_export.h"
#include "shell/screen_host.h"
#include "store/catalogue.h"
#include "store/kansyou_table.h"

#include <QButtonGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {
constexpr int kTwipsPerPixel = 15;
constexpr int kHenListRowsInView = 15;  // more rows than this scroll to the latest

struct CountInfo {
    const char* valueHeader;
    int rankWidth, valueWidth, countWidth;  // twips
    ViewingTally::Field field;
    PickList list;
};
const CountInfo kCounts[] = {
    {"鑑賞", 500, 1300, 450, ViewingTally::YearMonth, PickList::Kanbi},
    {"鑑賞タイトル", 500, 3080, 450, ViewingTally::Title, PickList::Name},
    {"鑑賞内容", 450, 1970, 450, ViewingTally::Content, PickList::Kansyou},
};

const QString kYearMonthMode = QStringLiteral("鑑賞年月");
const QString kYearMode = QStringLiteral("鑑賞年");

constexpr ViewingCountTable::Order kOrders[] = {
    ViewingCountTable::Order::MostFirst, ViewingCountTable::Order::MostFirst,
    ViewingCountTable::Order::FewestFirst, ViewingCountTable::Order::ByName};

QString helpText() {
    const QString crlf = QStringLiteral("\r\n");
    return QStringLiteral("映画の鑑賞履歴をリスト表示します。") + crlf + crlf +
           QStringLiteral("鑑賞回数のランキングと鑑賞内容のランキングが表示できます。") + crlf +
           crlf + QStringLiteral("鑑賞年月や公開年のランキング表示もしています。") + crlf +
           QStringLiteral("鑑賞年月の見出しをクリックするごとに鑑賞年と切り替わります。") + crlf +
           crlf;
}

QLabel* gridCaption(const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setAlignment(Qt::AlignCenter);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}

// Every column at its width in twips, and room for the scroll bar, so that no
// grid needs to scroll sideways.
void fitWidth(FlexGrid* g) {
    int twips = 0;
    for (int c = 0; c < g->Cols(); ++c) twips += g->ColWidth(c);
    g->setFixedWidth(twips / kTwipsPerPixel + g->verticalScrollBar()->sizeHint().width() +
                     2 * g->frameWidth());
}

// The count column has its width in twips, but a count of thousands does not fit
// in it at the program's font: the column then takes the room it needs from the
// value column beside it, and the grid keeps its width.
void fitCountColumn(FlexGrid* g, int largestCount) {
    constexpr int kCellPadding = 8;     // the style's text margins and the grid line
    constexpr int kSmallestValue = 48;  // pixels the value column keeps at least
    const int needed =
        g->fontMetrics().horizontalAdvance(QString::number(largestCount)) + kCellPadding;
    const int missing = needed - g->columnWidth(2);
    if (missing <= 0) return;
    const int taken = std::min(missing, g->columnWidth(1) - kSmallestValue);
    if (taken <= 0) return;
    g->setColumnWidth(1, g->columnWidth(1) - taken);
    g->setColumnWidth(2, g->columnWidth(2) + taken);
}
}  // namespace

ViewingListFrame::ViewingListFrame(ScreenHost& host, QWidget* parent)
    : QFrame(parent), host_(host) {
    setObjectName(QStringLiteral("fraList"));
    setFrameShape(QFrame::StyledPanel);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 8, 8, 8);
    row->setSpacing(12);
    row->addLayout(makeHenList());

    lblKansyouChg_ = gridCaption(kYearMonthMode, this);
    lblKansyouChg_->setObjectName(QStringLiteral("lblKansyouChg"));
    lblKansyouChg_->setToolTip(QStringLiteral("クリックすると年月と年を切り替えられます"));
    lblKansyouChg_->setCursor(Qt::PointingHandCursor);
    QFont f = lblKansyouChg_->font();
    f.setUnderline(true);
    lblKansyouChg_->setFont(f);
    lblKansyouChg_->installEventFilter(this);

    auto* middle = new QVBoxLayout;
    middle->setSpacing(12);
    middle->addLayout(makeCountGrid(6, lblKansyouChg_), 1);
    middle->addLayout(makeCountGrid(8, gridCaption(QStringLiteral("鑑賞内容　ランキング"), this)),
                      1);
    // Room left over goes between the three columns, not to one side.
    row->addStretch(1);
    row->addLayout(middle);
    row->addStretch(1);
    row->addLayout(makeCountGrid(7, gridCaption(QStringLiteral("鑑賞回数　ランキング"), this)));

    SetupKanbiRankGrid();
    SetupKansyouRankGrids();
}

QLayout* ViewingListFrame::makeHenList() {
    auto* column = new QVBoxLayout;
    column->setSpacing(4);
    column->addWidget(gridCaption(QStringLiteral("鑑賞履歴"), this));
    msgHenList_ = new FlexGrid(this);
    msgHenList_->setObjectName(QStringLiteral("msgHenList"));
    msgHenList_->horizontalHeader()->setMinimumSectionSize(12);
    GridExport::offer(msgHenList_, host_.prompts(), QStringLiteral("鑑賞履歴.csv"));
    column->addWidget(msgHenList_, 1);
    return column;
}

QLayout* ViewingListFrame::makeCountGrid(int k, QWidget* caption) {
    CountGrid& g = grid(k);
    auto* column = new QVBoxLayout;
    column->setSpacing(4);
    column->addWidget(caption);
    g.grid = new FlexGrid(this);
    g.grid->setObjectName(QStringLiteral("msgMaster%1").arg(k));
    const char* csvNames[] = {"鑑賞年月ランキング.csv", "鑑賞回数ランキング.csv",
                              "鑑賞内容ランキング.csv"};
    if (k == 6)
        GridExport::offer(g.grid, host_.prompts(), QString::fromUtf8(csvNames[0]),
                          [this] { showPeriodChart(); });
    else
        GridExport::offer(g.grid, host_.prompts(), QString::fromUtf8(csvNames[k - 6]));
    // A rank column is narrower than the style's smallest header section.
    g.grid->horizontalHeader()->setMinimumSectionSize(12);
    column->addWidget(g.grid, 1, Qt::AlignHCenter);

    const char* captions[] = {"多い順", "少ない順", "名前順"};
    const char* periodCaptions[] = {"多い", "少ない", "年順"};
    auto* options = new QHBoxLayout;
    options->setSpacing(8);
    options->addStretch(1);
    g.group = new QButtonGroup(this);
    for (int i = 1; i <= 3; ++i) {
        auto* opt = new QRadioButton(
            QString::fromUtf8(k == 6 ? periodCaptions[i - 1] : captions[i - 1]), this);
        opt->setObjectName(QStringLiteral("optMaster%1%2").arg(k).arg(i));
        g.group->addButton(opt, i);
        g.opt[i] = opt;
        connect(opt, &QRadioButton::toggled, this, [this, k, i](bool on) {
            if (on) optMaster_Click(k, i);
        });
        options->addWidget(opt);
    }
    options->addStretch(1);
    column->addLayout(options);
    return column;
}

void ViewingListFrame::fillHenList(const KansyouTable& table) {
    henListStale_ = false;
    FlexGrid* g = msgHenList_;
    g->setFixedCols(1);
    g->setUpHeader({QStringLiteral("回数"), QStringLiteral("日付"), QStringLiteral("タイトル"),
                    QStringLiteral("鑑賞内容")},
                   {665, 1450, 3450, 2185});
    g->setColAlignment(1, Qt::AlignCenter);
    g->setColAlignment(2, Qt::AlignLeft | Qt::AlignVCenter);
    g->setColAlignment(3, Qt::AlignLeft | Qt::AlignVCenter);
    fitWidth(g);

    QVector<QStringList> rows;
    rows.reserve(table.KansyouCount());
    for (int i = 1; i <= table.KansyouCount(); ++i) {
        const Kansyou& k = table[i];
        rows.append({QString::number(i), k.Kansyoubi, k.KansyouDaimei, k.KansyouNaiyou});
    }
    g->grid()->setBody(std::move(rows));
    // Asked for while hidden, the last row as top row still leaves the view at its
    // end once shown: the scroll range then shrinks to the real height.
    if (g->Rows() > kHenListRowsInView) g->setTopRow(g->Rows() - 1);
}

void ViewingListFrame::setUpCountGrid(int k) {
    const CountInfo& info = kCounts[k - 6];
    FlexGrid* g = grid(k).grid;
    g->Clear();
    g->setFixedCols(1);
    g->setUpHeader(
        {QStringLiteral("順"), QString::fromUtf8(info.valueHeader), QStringLiteral("数")},
        {info.rankWidth, info.valueWidth, info.countWidth});
    g->setColAlignment(1, k == 6 ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
    g->setColAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    fitWidth(g);
    grid(k).counts = ViewingCountTable();
}

void ViewingListFrame::SetupKanbiRankGrid() { setUpCountGrid(6); }

void ViewingListFrame::SetupKansyouRankGrids() {
    setUpCountGrid(7);
    setUpCountGrid(8);
}

void ViewingListFrame::historyChanged() {
    henListStale_ = true;
    if (!isHidden()) fillHenList(host_.catalogue().kansyou());
}

void ViewingListFrame::cmdList_Click() {
    if (!isHidden()) return;
    if (henListStale_) fillHenList(host_.catalogue().kansyou());
    host_.HideAllFrames();
    SetupKanbiRankGrid();
    SetupKansyouRankGrids();
    show();

    lblKansyouChg_->setText(kYearMonthMode);
    const ViewingTally tally(host_.catalogue().kansyou());
    for (int k = 6; k <= 8; ++k) fillCounts(k, tally, kCounts[k - 6].field);

    host_.showHelpTour(helpText());
}

void ViewingListFrame::fillCounts(int k, const ViewingTally& tally, ViewingTally::Field field) {
    const PickList list = field == ViewingTally::Year ? PickList::Kanbi2 : kCounts[k - 6].list;
    const QStringList items = host_.catalogue().pickList(list)->stringList();
    grid(k).counts = ViewingCountTable(viewingCounts(tally, field, items));
    fitCountColumn(grid(k).grid, grid(k).counts.largestCount());
    selectMostFirst(k);
}

// Most first is chosen anew even when it is already the chosen option, so
// that its handler always runs and orders the fresh counts.
void ViewingListFrame::selectMostFirst(int k) {
    CountGrid& g = grid(k);
    if (g.opt[1]->isChecked()) {
        g.group->setExclusive(false);
        g.opt[1]->setChecked(false);
        g.group->setExclusive(true);
    }
    g.opt[1]->setChecked(true);
}

void ViewingListFrame::optMaster_Click(int k, int i) {
    CountGrid& g = grid(k);
    g.counts.sort(kOrders[i]);
    g.grid->setCol(i == 3 ? 1 : 2);  // the key column of the sort
    g.grid->grid()->setBody(g.counts.gridRows());
    g.grid->scrollToTop();
}

void ViewingListFrame::lblKansyouChg_Click() {
    SetupKanbiRankGrid();
    const ViewingTally tally(host_.catalogue().kansyou());
    if (lblKansyouChg_->text() != kYearMonthMode) {
        lblKansyouChg_->setText(kYearMonthMode);
        fillCounts(6, tally, ViewingTally::YearMonth);
    } else {
        lblKansyouChg_->setText(kYearMode);
        fillCounts(6, tally, ViewingTally::Year);
    }
}

// "グラフで見る" on msgMaster6: its months (or years) in time order.
void ViewingListFrame::showPeriodChart() {
    const CountGrid& g = grid(6);
    ChartRequest request;
    request.kind = ChartRequest::Kind::ViewingPeriods;
    request.gridName = g.grid->objectName();
    request.heading = lblKansyouChg_->text();
    request.valueHeader = g.grid->TextMatrix(0, 1);
    request.years = lblKansyouChg_->text() == kYearMode;
    for (int i = 0; i < g.counts.size(); ++i)
        request.rows.append({g.counts.row(i).value, g.counts.row(i).count});
    host_.showChart(request);
}

bool ViewingListFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lblKansyouChg_ && event->type() == QEvent::MouseButtonRelease) {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() == Qt::LeftButton &&
            lblKansyouChg_->rect().contains(e->position().toPoint())) {
            lblKansyouChg_Click();
            return true;
        }
    }
    return QFrame::eventFilter(watched, event);
}
