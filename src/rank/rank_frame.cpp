#include "rank_frame.h"

#include "shell/count_grid.h"
#include "shell/flex_grid.h"
#include "shell/grid_export.h"
#include "shell/screen_host.h"
#include "store/catalogue.h"
#include "store/title_selection.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QToolTip>

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

// What a table's CSV export and chart picture are called, whatever its caption.
const char* const kCsvNames[] = {nullptr,          "監督ランキング", "主演ランキング",
                                 "公開ランキング", "国ランキング",   "ジャンルランキング"};
// What a double-click on a row of each table asks the search screen to list.
constexpr TitleSelection::Field kSelectionFields[] = {
    TitleSelection::Field::Kantoku, TitleSelection::Field::Kantoku, TitleSelection::Field::Syuen,
    TitleSelection::Field::Koukai,  TitleSelection::Field::Kuni,    TitleSelection::Field::Janru};
constexpr int kCountWidth = 450;  // twips

const QString kYearMonthMode = QStringLiteral("公開年月");
const QString kYearMode = QStringLiteral("公開年");

QString helpText() {
    const QString crlf = QStringLiteral("\r\n");
    return QStringLiteral("監督や主演、国やジャンルなど作品数が多い順にランキング表示します。") +
           crlf + QStringLiteral("表示順は多い順、少ない順に並び替えることができます。") + crlf +
           crlf +
           QStringLiteral(
               "※公開年月は見出しをクリックする毎に公開年としての表示に切り替えできます。") +
           crlf;
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
}

FlexGrid* RankFrame::table(int k) const { return tables_[k]->grid(); }

QLayout* RankFrame::makeColumn(int k) {
    const TableInfo& info = kTables[k];
    QLabel* caption = nullptr;
    if (k == 3) {
        lblKoukaiChg_ =
            CountGrid::periodSwitch(QStringLiteral("lblKoukaiChg"), kYearMonthMode, this);
        lblKoukaiChg_->installEventFilter(this);
        caption = lblKoukaiChg_;
    } else {
        caption = CountGrid::caption(QString::fromUtf8(info.caption), this);
    }
    tables_[k] = new CountGrid({k, QString::fromUtf8(info.valueHeader), info.rankWidth,
                                info.valueWidth, kCountWidth, k == 3},
                               this);
    FlexGrid* grid = tables_[k]->grid();
    grid->viewport()->installEventFilter(this);
    connect(grid, &FlexGrid::DblClick, this, [this, k] { msgMaster_DblClick(k); });
    GridExport::offer(grid, host_.prompts(),
                      QString::fromUtf8(kCsvNames[k]) + QStringLiteral(".csv"),
                      [this, k] { showChart(k); });
    return tables_[k]->column(caption, false);
}

void RankFrame::SetupRankGrids() {
    for (int k : {1, 2, 4, 5}) {
        tables_[k]->setUp();
        rows_[k].clear();
    }
}

void RankFrame::SetupKoukaiRankGrid() {
    tables_[3]->setUp();
    rows_[3].clear();
}

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
    rows_[k] = rankRows(tally, field, items);
    tables_[k]->fill(rows_[k]);
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
    ChartRequest request;
    request.gridName = table(k)->objectName();
    request.heading = k == 3 ? lblKoukaiChg_->text() : QString::fromUtf8(kTables[k].caption);
    request.fileStem = QString::fromUtf8(kCsvNames[k]);
    request.valueHeader = table(k)->TextMatrix(0, 1);
    request.rows = tables_[k]->shownRows();
    host_.showChart(request);
}

// A double-click on a row lists its titles on the search screen.
void RankFrame::msgMaster_DblClick(int k) {
    const FlexGrid* grid = table(k);
    if (grid->Row() < 1 || grid->Row() >= grid->Rows()) return;
    TitleSelection selection;
    selection.field = kSelectionFields[k];
    if (k == 3)
        selection.match =
            lblKoukaiChg_->text() == kYearMode ? CountMatch::Year : CountMatch::YearMonth;
    selection.value = grid->TextMatrix(grid->Row(), 1);
    host_.showTitlesOf(selection);
}

// A hovered row tells how its titles were scored, without changing the tables.
bool RankFrame::showScoreTip(QObject* watched, QEvent* event) {
    for (int k = 1; k <= 5; ++k) {
        FlexGrid* grid = table(k);
        if (watched != grid->viewport()) continue;
        const auto* help = static_cast<QHelpEvent*>(event);
        const int row = grid->rowAt(help->pos().y());
        if (row < 0 || row >= tables_[k]->size()) {
            QToolTip::hideText();
        } else {
            const RankRow& shown = rows_[k][tables_[k]->source(row)];
            QToolTip::showText(help->globalPos(), scoreTip(shown, host_.catalogue().HyoukaKoumoku),
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
