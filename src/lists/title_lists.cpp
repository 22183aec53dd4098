#include "title_lists.h"

#include "title_list_frame.h"

#include "shell/flex_grid.h"
#include "shell/grid_export.h"
#include "shell/prompts.h"
#include "shell/screen_host.h"
#include "store/catalogue.h"
#include "store/changes.h"

#include <QHeaderView>
#include <QPushButton>

#include <numeric>

using TitleListRows::Column;
using TitleListRows::SortKind;

namespace {
const QString kCrLf = QStringLiteral("\r\n");

// The help tour's text of list k: each sentence followed by its line breaks.
QString helpText(int k) {
    const auto join = [](std::initializer_list<std::pair<QString, int>> sentences) {
        QString text;
        for (const auto& [sentence, breaks] : sentences) text += sentence + kCrLf.repeated(breaks);
        return text;
    };
    // clang-format off
    const QString sorting = join({
        {QStringLiteral("各種データ毎に並び替え表示ができます。"), 2},
        {QStringLiteral("並び替えたい列をクリックする度に「昇順」「降順」で並び替えます。"), 1}});
    const QString jump = join({
        {QStringLiteral("タイトルをダブルクリックするとそのタイトルでメイン画面を表示することができます。"), 2}});
    switch (k) {
        case 1:
            return join({{QStringLiteral("それぞれのタイトルにおける各種データを一覧表示しています。"), 2}}) +
                   sorting +
                   join({{QStringLiteral("タイトルを並び替えたい場合は「タイトルボタン」をクリックしてください。"), 2}}) +
                   jump +
                   join({{QStringLiteral("「メインに反映ボタン」を押すと並び替えた順番でメインの順番も入れ替わります。"), 2}});
        case 2:
            return join({{QStringLiteral("それぞれのタイトルの評価を一覧表示しています。"), 2}}) + sorting + jump;
        default:
            return join({{QStringLiteral("それぞれのタイトルの所有状況とキャスト、あらすじ、メモの有無を一覧表示しています。"), 2}}) +
                   sorting + jump;
    }
    // clang-format on
}

QVector<SortKind> kindsOf(const QVector<Column>& columns) {
    QVector<SortKind> kinds;
    for (const Column& c : columns) kinds.append(c.sort);
    return kinds;
}
}  // namespace

TitleLists::TitleLists(ScreenHost& host, QWidget* screensParent)
    : QObject(screensParent), host_(host) {
    for (int k = 1; k <= 3; ++k) fraIchiran_[k] = new TitleListFrame(k, screensParent);
    sortKinds_[1] = kindsOf(TitleListRows::mainColumns());
    sortKinds_[2] = kindsOf(TitleListRows::scoreColumns({}));
    sortKinds_[3] = kindsOf(TitleListRows::ownershipColumns({}));
    for (int k = 1; k <= 3; ++k) toggles_[k] = QVector<bool>(sortKinds_[k].size(), false);

    const std::array<void (TitleLists::*)(), 4> clicks = {nullptr, &TitleLists::msgIchiran_Click,
                                                          &TitleLists::msgIchiran2_Click,
                                                          &TitleLists::msgIchiran3_Click};
    const std::array<void (TitleLists::*)(), 4> doubleClicks = {
        nullptr, &TitleLists::msgIchiran_DblClick, &TitleLists::msgIchiran2_DblClick,
        &TitleLists::msgIchiran3_DblClick};
    const QString csvNames[] = {
        {}, QStringLiteral("主一覧.csv"), QStringLiteral("評価.csv"), QStringLiteral("所有.csv")};
    for (int k : {1, 3}) GridExport::offer(grid(k), host_.prompts(), csvNames[k]);
    GridExport::offer(grid(2), host_.prompts(), csvNames[2], [this] {
        ChartRequest request;
        request.kind = ChartRequest::Kind::Scores;
        request.gridName = grid(2)->objectName();
        request.heading = QStringLiteral("評価");
        request.fileStem = QStringLiteral("評価");
        host_.showChart(request);
    });
    for (int k = 1; k <= 3; ++k) {
        FlexGrid* g = grid(k);
        connect(g, &FlexGrid::Click, this, clicks[k]);
        connect(g, &FlexGrid::DblClick, this, doubleClicks[k]);
        // The header row is row 0 of the grid: a double-click there is one on the grid.
        connect(g->horizontalHeader(), &QHeaderView::sectionDoubleClicked, this,
                [this, g, k, doubleClicks](int section) {
                    g->setRow(0);
                    g->setCol(section);
                    (this->*doubleClicks[k])();
                });
    }
    connect(fraIchiran_[1]->cmdSort1(), &QPushButton::clicked, this, [this] { cmdSort1_Click(0); });
    connect(fraIchiran_[1]->cmdSortCng1(), &QPushButton::clicked, this,
            &TitleLists::cmdSortCng1_Click);
}

QList<QWidget*> TitleLists::frames() const {
    return {fraIchiran_[1], fraIchiran_[2], fraIchiran_[3]};
}

FlexGrid* TitleLists::grid(int k) const { return fraIchiran_[k]->grid(); }

void TitleLists::open(int k) {
    if (!fraIchiran_[k]->isHidden()) return;  // the list keeps its rows and order
    SetupListGrids();
    host_.HideAllFrames();
    {
        BusyPointer busy(host_.prompts());
        fill(k);
        fraIchiran_[k]->show();
    }
    host_.showHelpTour(helpText(k));
}

void TitleLists::SetupListGrids() {
    const Catalogue& cat = host_.catalogue();
    setUpGrid(1, TitleListRows::mainColumns());
    setUpGrid(2, TitleListRows::scoreColumns(cat.HyoukaKoumoku));
    setUpGrid(3, TitleListRows::ownershipColumns(cat.SyoyuKoumoku));
}

void TitleLists::setUpGrid(int k, const QVector<Column>& columns) {
    FlexGrid* g = grid(k);
    QStringList headers;
    QList<int> widths;
    for (const Column& c : columns) {
        headers << c.header;
        widths << c.widthTwips;
    }
    g->setUpHeader(headers, widths);  // header row only: the rows come with the fill
    g->setRow(0);
    g->setCol(0);
    g->setSortMark(-1);  // the rows come in table order
    for (int c = 0; c < columns.size(); ++c) {
        g->setColAlignment(c, columns[c].alignment);
        g->grid()->setCellBackColor(0, c, QColor::fromRgb(columns[c].headerRgb));
    }
    fraIchiran_[k]->fitGridWidth();
}

void TitleLists::fill(int k) {
    Catalogue& cat = host_.catalogue();
    QVector<QStringList> rows;
    switch (k) {
        case 1:
            rows = TitleListRows::mainRows(cat.titles());
            break;
        case 2:
            rows = TitleListRows::scoreRows(cat.titles());
            break;
        default:
            cat.dir().rescanIfChanged();  // texts the user put in since the last look
            rows = TitleListRows::ownershipRows(cat.titles(), cat.dir());
            break;
    }
    // Each row keeps its title's number, so that a reorder need not look the
    // names up again.
    QVector<qint64> numbers(rows.size());
    std::iota(numbers.begin(), numbers.end(), 1);
    FlexGrid* g = grid(k);
    g->grid()->setBody(std::move(rows), std::move(numbers));
    layout_[k] = cat.layout();
    g->scrollToTop();
    fraIchiran_[k]->showCount(cat.TitleCount());
}

void TitleLists::sortByClick(int k) {
    const int c = grid(k)->Col();
    if (c < 0 || c >= sortKinds_[k].size() || sortKinds_[k][c] == SortKind::None) return;
    sortColumn(k, c, sortKinds_[k][c]);
}

void TitleLists::cmdSort1_Click(int index) { sortColumn(1, index, SortKind::Text); }

void TitleLists::sortColumn(int k, int c, SortKind kind) {
    using Order = FlexGridModel::SortOrder;
    bool& ascendingNext = toggles_[k][c];
    const bool descending = !ascendingNext;
    ascendingNext = !ascendingNext;
    FlexGrid* g = grid(k);
    g->setCol(c);
    if (kind == SortKind::Number)
        g->sort(descending ? Order::NumericDescending : Order::NumericAscending);
    else
        g->sort(descending ? Order::TextDescending : Order::TextAscending);
    g->setSortMark(c, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    g->scrollToTop();
}

void TitleLists::goToTitle(int k) {
    FlexGrid* g = grid(k);
    if (g->Col() != 0) return;
    // A row stands for the title it was filled from (two titles may share a
    // name) while no title came, went or moved; otherwise for the first of its name.
    const Catalogue& cat = host_.catalogue();
    int n = 0;
    if (g->Row() >= 1)
        n = layout_[k] == cat.layout() ? int(g->RowData(g->Row()))
                                       : cat.titles().find(g->TextMatrix(g->Row(), 0));
    if (n > 0) {
        host_.returnToCard(n, true);
        return;
    }
    // The header names no title: the card comes back to the title last picked, if any.
    const int last = host_.lastJumpTitle();
    if (last >= 1 && last <= cat.TitleCount())
        host_.returnToCard(last, false);
    else
        host_.showMainCard();
}

void TitleLists::cmdSortCng1_Click() {
    FlexGrid* g = grid(1);
    if (g->Rows() <= 1 || host_.refusesChanges()) return;
    Prompts& prompts = host_.prompts();
    const QString question = QStringLiteral("現在表示中の順番でメインのデータも並び替えますか？") +
                             kCrLf + kCrLf + QStringLiteral("良かったらＯＫボタンを押してください");
    if (prompts.message(question, QStringLiteral("メイン並び替え確認"), Prompts::Icon::Exclamation,
                        Prompts::Buttons::OkCancel, Prompts::Answer::Ok) != Prompts::Answer::Ok)
        return;
    g->setCol(0);
    Catalogue& cat = host_.catalogue();
    QString problem;
    {
        BusyPointer busy(prompts);
        // The records come from the table as it is now, so an edit made since
        // the list was filled is kept; an order that misses or repeats a title
        // is refused with the file untouched. While no title came, went or moved
        // since the fill, each row names its title by number; otherwise by name.
        if (layout_[1] == cat.layout()) {
            QVector<int> numbers;
            numbers.reserve(g->Rows() - 1);
            for (int r = 1; r < g->Rows(); ++r) numbers.append(int(g->RowData(r)));
            problem = host_.perform(
                Changes::reorderByNumber(cat, numbers, QStringLiteral("メインに反映")));
        } else {
            QStringList names;
            names.reserve(g->Rows() - 1);
            for (int r = 1; r < g->Rows(); ++r) names.append(g->TextMatrix(r, 0));
            problem = host_.perform(Changes::reorder(cat, names, QStringLiteral("メインに反映")));
        }
        if (problem.isEmpty()) {
            // The rows now stand for the titles of their own numbers.
            for (int r = 1; r < g->Rows(); ++r) g->setRowData(r, r);
            g->setSortMark(-1);  // the order shown is the table's order now
            layout_[1] = cat.layout();
            host_.titlesChanged();  // the catalogue relisted the titles in their new order
            // Through the last title to the first, so that the card really shows title 1 anew.
            if (cat.TitleCount() > 0) host_.setCurrentTitle(cat.TitleCount());
            host_.setCurrentTitle(1);
            host_.setGalleryReady(false);
        }
    }
    if (!host_.reportWrite(problem)) return;
    prompts.message(QStringLiteral("並び替えた順番をメインの順番に反映させました。"),
                    QStringLiteral("並び替え完了"), Prompts::Icon::Information);
}
