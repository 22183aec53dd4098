#include "rank_frame.h"

#include "shell/flex_grid.h"
#include "shell/grid_export.h"
#include "shell/screen_host.h"
#include "store/catalogue.h"

#include <QButtonGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QRadioButton>
#include <QScrollBar>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>

namespace {
struct TableInfo {
    const char* caption;  // the label above the table; msgMaster3 has lblKoukaiChg instead
    const char* valueHeader;
    int rankWidth, valueWidth;  // twips; the count column is always 450
    TitleTally::Field field;
    PickList list;
};
const TableInfo kTables[] = {
    {},
    {"監督　ランキング", "監督名", 450, 2585, TitleTally::Kantoku, PickList::Kantoku},
    {"主演　ランキング", "主演名", 450, 2585, TitleTally::Syuen, PickList::Syuen},
    {nullptr, "公開", 500, 1300, TitleTally::YearMonth, PickList::Koukai},
    {"国　ランキング", "国名", 450, 2585, TitleTally::Kuni, PickList::Kuni},
    {"ジャンル　ランキング", "ジャンル", 450, 2585, TitleTally::Janru, PickList::Janru},
};
constexpr int kCountWidth = 450;
constexpr int kTwipsPerPixel = 15;

const QString kYearMonthMode = QStringLiteral("公開年月");
const QString kYearMode = QStringLiteral("公開年");

constexpr RankTable::Order kOrders[] = {RankTable::Order::MostFirst, RankTable::Order::MostFirst,
                                        RankTable::Order::FewestFirst, RankTable::Order::ByName};

QString helpText() {
    const QString crlf = QStringLiteral("\r\n");
    return QStringLiteral("監督や主演、国やジャンルなど作品数が多い順にランキング表示します。") +
           crlf + QStringLiteral("表示順は多い順、少ない順に並び替えることができます。") + crlf +
           crlf +
           QStringLiteral(
               "※公開年月は見出しをクリックする毎に公開年としての表示に切り替えできます。") +
           crlf;
}

QLabel* tableCaption(const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setAlignment(Qt::AlignCenter);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
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

RankFrame::RankFrame(ScreenHost& host, QWidget* parent) : QFrame(parent), host_(host) {
    setObjectName(QStringLiteral("fraRank"));
    setFrameShape(QFrame::StyledPanel);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 8, 8, 8);
    row->setSpacing(8);
    // Room left over goes between the tables, not to one side.
    for (int k = 1; k <= 5; ++k) {
        if (k > 1) row->addStretch(1);
        row->addLayout(makeColumn(k));
    }
    SetupRankGrids();
    SetupKoukaiRankGrid();
}

QLayout* RankFrame::makeColumn(int k) {
    Table& t = tables_[k];
    auto* column = new QVBoxLayout;
    column->setSpacing(4);
    if (k == 3) {
        lblKoukaiChg_ = tableCaption(kYearMonthMode, this);
        lblKoukaiChg_->setObjectName(QStringLiteral("lblKoukaiChg"));
        lblKoukaiChg_->setToolTip(QStringLiteral("クリックすると年月と年を切り替えられます"));
        lblKoukaiChg_->setCursor(Qt::PointingHandCursor);
        QFont f = lblKoukaiChg_->font();
        f.setUnderline(true);
        lblKoukaiChg_->setFont(f);
        lblKoukaiChg_->installEventFilter(this);
        column->addWidget(lblKoukaiChg_);
    } else {
        column->addWidget(tableCaption(QString::fromUtf8(kTables[k].caption), this));
    }

    t.grid = new FlexGrid(this);
    t.grid->setObjectName(QStringLiteral("msgMaster%1").arg(k));
    t.grid->viewport()->installEventFilter(this);
    const char* csvNames[] = {nullptr,
                              "監督ランキング.csv",
                              "主演ランキング.csv",
                              "公開ランキング.csv",
                              "国ランキング.csv",
                              "ジャンルランキング.csv"};
    GridExport::offer(t.grid, host_.prompts(), QString::fromUtf8(csvNames[k]),
                      [this, k] { showChart(k); });
    column->addWidget(t.grid, 1);

    const char* captions[] = {"多い順", "少ない順", "名前順"};
    const char* releaseCaptions[] = {"多い", "少ない", "年順"};
    auto* options = new QHBoxLayout;
    options->setSpacing(8);
    t.group = new QButtonGroup(this);
    for (int i = 1; i <= 3; ++i) {
        auto* opt = new QRadioButton(
            QString::fromUtf8(k == 3 ? releaseCaptions[i - 1] : captions[i - 1]), this);
        opt->setObjectName(QStringLiteral("optMaster%1%2").arg(k).arg(i));
        t.group->addButton(opt, i);
        t.opt[i] = opt;
        connect(opt, &QRadioButton::toggled, this, [this, k, i](bool on) {
            if (on) optMaster_Click(k, i);
        });
        options->addWidget(opt);
    }
    options->addStretch(1);
    column->addLayout(options);
    return column;
}

void RankFrame::setUpGrid(int k) {
    const TableInfo& info = kTables[k];
    FlexGrid* g = tables_[k].grid;
    g->Clear();
    g->setFixedCols(1);
    // A rank column is narrower than the style's smallest header section.
    g->horizontalHeader()->setMinimumSectionSize(12);
    g->setUpHeader(
        {QStringLiteral("順"), QString::fromUtf8(info.valueHeader), QStringLiteral("数")},
        {info.rankWidth, info.valueWidth, kCountWidth});
    // Release periods stand centred; names read from the left and counts line up on the right.
    g->setColAlignment(1, k == 3 ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
    g->setColAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    // Wide enough for every column and the scroll bar, so that no table needs to scroll sideways.
    const int columns = (info.rankWidth + info.valueWidth + kCountWidth) / kTwipsPerPixel;
    g->setFixedWidth(columns + g->verticalScrollBar()->sizeHint().width() + 2 * g->frameWidth());
    tables_[k].counts = RankTable();
}

void RankFrame::SetupRankGrids() {
    for (int k : {1, 2, 4, 5}) setUpGrid(k);
}

void RankFrame::SetupKoukaiRankGrid() { setUpGrid(3); }

void RankFrame::cmdRank_Click() {
    if (!isHidden()) return;
    host_.HideAllFrames();
    SetupRankGrids();
    SetupKoukaiRankGrid();
    show();

    Catalogue& cat = host_.catalogue();
    const TitleTally tally(cat.titles());
    lblKoukaiChg_->setText(kYearMonthMode);
    for (int k = 1; k <= 5; ++k) buildTable(k, tally, kTables[k].field);

    host_.showHelpTour(helpText());
}

void RankFrame::buildTable(int k, const TitleTally& tally, TitleTally::Field field) {
    const PickList list = field == TitleTally::Year ? PickList::Koukai3 : kTables[k].list;
    const QStringList items = host_.catalogue().pickList(list)->stringList();
    tables_[k].counts = RankTable(rankRows(tally, field, items));
    fitCountColumn(tables_[k].grid, tables_[k].counts.largestCount());
    selectMostFirst(k);
}

// Most first is chosen anew even when it is already the chosen option, so
// that its handler always runs and orders the fresh table.
void RankFrame::selectMostFirst(int k) {
    Table& t = tables_[k];
    if (t.opt[1]->isChecked()) {
        t.group->setExclusive(false);
        t.opt[1]->setChecked(false);
        t.group->setExclusive(true);
    }
    t.opt[1]->setChecked(true);
}

void RankFrame::optMaster_Click(int k, int i) {
    Table& t = tables_[k];
    t.counts.sort(kOrders[i]);
    t.grid->setCol(i == 3 ? 1 : 2);  // the key column of the sort
    t.grid->grid()->setBody(t.counts.gridRows());
    t.grid->scrollToTop();
}

void RankFrame::lblKoukaiChg_Click() {
    SetupKoukaiRankGrid();
    const TitleTally tally(host_.catalogue().titles());
    if (lblKoukaiChg_->text() == kYearMonthMode) {
        lblKoukaiChg_->setText(kYearMode);
        buildTable(3, tally, TitleTally::Year);
    } else {
        lblKoukaiChg_->setText(kYearMonthMode);
        buildTable(3, tally, TitleTally::YearMonth);
    }
}

// "グラフで見る": the table's rows in the order shown, under the table's heading.
void RankFrame::showChart(int k) {
    const Table& t = tables_[k];
    ChartRequest request;
    request.gridName = t.grid->objectName();
    request.heading = k == 3 ? lblKoukaiChg_->text() : QString::fromUtf8(kTables[k].caption);
    request.valueHeader = t.grid->TextMatrix(0, 1);
    for (int i = 0; i < t.counts.size(); ++i)
        request.rows.append({t.counts.row(i).value, t.counts.row(i).count});
    host_.showChart(request);
}

// A hovered row tells how its titles were scored, without changing the tables.
bool RankFrame::showScoreTip(QObject* watched, QEvent* event) {
    for (int k = 1; k <= 5; ++k) {
        FlexGrid* grid = tables_[k].grid;
        if (watched != grid->viewport()) continue;
        const auto* help = static_cast<QHelpEvent*>(event);
        const int row = grid->rowAt(help->pos().y());
        if (row < 0 || row >= tables_[k].counts.size()) {
            QToolTip::hideText();
        } else {
            QToolTip::showText(
                help->globalPos(),
                scoreTip(tables_[k].counts.row(row), host_.catalogue().HyoukaKoumoku),
                grid->viewport());
        }
        return true;
    }
    return false;
}

bool RankFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip && showScoreTip(watched, event)) return true;
    if (watched == lblKoukaiChg_ && event->type() == QEvent::MouseButtonRelease) {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() == Qt::LeftButton &&
            lblKoukaiChg_->rect().contains(e->position().toPoint())) {
            lblKoukaiChg_Click();
            return true;
        }
    }
    return QFrame::eventFilter(watched, event);
}
