#include "viewing_list_frame.h"

#include "shell/count_grid.h"
#include "shell/flex_grid.h"
#include "shell/grid_export.h"
#include "shell/screen_host.h"
#include "store/catalogue.h"
#include "store/kansyou_table.h"
#include "store/title_selection.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <QVBoxLayout>

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

QString helpText() {
    const QString crlf = QStringLiteral("\r\n");
    return QStringLiteral("映画の鑑賞履歴をリスト表示します。") + crlf + crlf +
           QStringLiteral("鑑賞回数のランキングと鑑賞内容のランキングが表示できます。") + crlf +
           crlf + QStringLiteral("鑑賞年月や公開年のランキング表示もしています。") + crlf +
           QStringLiteral("鑑賞年月の見出しをクリックするごとに鑑賞年と切り替わります。") + crlf +
           crlf;
}

// Every column at its width in twips, and room for the scroll bar, so that no
// grid needs to scroll sideways.
void fitWidth(FlexGrid* g) {
    int twips = 0;
    for (int c = 0; c < g->Cols(); ++c) twips += g->ColWidth(c);
    g->setFixedWidth(twips / kTwipsPerPixel + g->verticalScrollBar()->sizeHint().width() +
                     2 * g->frameWidth());
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

    lblKansyouChg_ = CountGrid::periodSwitch(QStringLiteral("lblKansyouChg"), kYearMonthMode, this);
    lblKansyouChg_->installEventFilter(this);

    auto* middle = new QVBoxLayout;
    middle->setSpacing(12);
    middle->addLayout(makeCountGrid(6, lblKansyouChg_), 1);
    middle->addLayout(
        makeCountGrid(8, CountGrid::caption(QStringLiteral("鑑賞内容　ランキング"), this)), 1);
    // Room left over goes between the three columns, not to one side.
    row->addStretch(1);
    row->addLayout(middle);
    row->addStretch(1);
    row->addLayout(
        makeCountGrid(7, CountGrid::caption(QStringLiteral("鑑賞回数　ランキング"), this)));
}

FlexGrid* ViewingListFrame::countGrid(int k) const { return grid(k)->grid(); }

QLayout* ViewingListFrame::makeHenList() {
    auto* column = new QVBoxLayout;
    column->setSpacing(4);
    column->addWidget(CountGrid::caption(QStringLiteral("鑑賞履歴"), this));
    msgHenList_ = new FlexGrid(this);
    msgHenList_->setObjectName(QStringLiteral("msgHenList"));
    msgHenList_->horizontalHeader()->setMinimumSectionSize(12);
    GridExport::offer(msgHenList_, host_.prompts(), QStringLiteral("鑑賞履歴.csv"));
    column->addWidget(msgHenList_, 1);
    return column;
}

QLayout* ViewingListFrame::makeCountGrid(int k, QWidget* caption) {
    const CountInfo& info = kCounts[k - 6];
    counts_[k - 6] = new CountGrid({k, QString::fromUtf8(info.valueHeader), info.rankWidth,
                                    info.valueWidth, info.countWidth, k == 6},
                                   this);
    const char* csvNames[] = {"鑑賞年月ランキング.csv", "鑑賞回数ランキング.csv",
                              "鑑賞内容ランキング.csv"};
    if (k == 6) {
        GridExport::offer(grid(k)->grid(), host_.prompts(), QString::fromUtf8(csvNames[0]),
                          [this] { showPeriodChart(); });
        connect(grid(k)->grid(), &FlexGrid::DblClick, this, &ViewingListFrame::msgMaster6_DblClick);
    } else
        GridExport::offer(grid(k)->grid(), host_.prompts(), QString::fromUtf8(csvNames[k - 6]));
    return grid(k)->column(caption, true);
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

void ViewingListFrame::SetupKanbiRankGrid() { grid(6)->setUp(); }

void ViewingListFrame::SetupKansyouRankGrids() {
    grid(7)->setUp();
    grid(8)->setUp();
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
    grid(k)->fill(viewingCounts(tally, field, items));
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
    ChartRequest request;
    request.kind = ChartRequest::Kind::ViewingPeriods;
    request.gridName = countGrid(6)->objectName();
    request.heading = lblKansyouChg_->text();
    request.fileStem = QStringLiteral("鑑賞年月ランキング");  // as its CSV export
    request.valueHeader = countGrid(6)->TextMatrix(0, 1);
    request.years = lblKansyouChg_->text() == kYearMode;
    request.rows = grid(6)->shownRows();
    host_.showChart(request);
}

// A double-click on a month (or year) lists its viewings on the search screen.
void ViewingListFrame::msgMaster6_DblClick() {
    const FlexGrid* g = countGrid(6);
    if (g->Row() < 1 || g->Row() >= g->Rows()) return;
    TitleSelection selection;
    selection.field = TitleSelection::Field::Kansyoubi;
    selection.match =
        lblKansyouChg_->text() == kYearMode ? CountMatch::Year : CountMatch::YearMonth;
    selection.value = g->TextMatrix(g->Row(), 1);
    host_.showTitlesOf(selection);
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
