#include "count_grid.h"

#include "shell/flex_grid.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {
constexpr int kTwipsPerPixel = 15;

using Order = CountTable<CountRow>::Order;
constexpr Order kOrders[] = {Order::MostFirst, Order::MostFirst, Order::FewestFirst, Order::ByName};
}  // namespace

CountGrid::CountGrid(const Layout& layout, QWidget* parent)
    : QObject(parent),
      layout_(layout),
      grid_(new FlexGrid(parent)),
      group_(new QButtonGroup(this)) {
    grid_->setObjectName(QStringLiteral("msgMaster%1").arg(layout.number));
    // A rank column is narrower than the style's smallest header section.
    grid_->horizontalHeader()->setMinimumSectionSize(12);
    const char* captions[] = {"多い順", "少ない順", "名前順"};
    const char* periodCaptions[] = {"多い", "少ない", "年順"};
    for (int i = 1; i <= 3; ++i) {
        auto* opt = new QRadioButton(
            QString::fromUtf8(layout.periods ? periodCaptions[i - 1] : captions[i - 1]), parent);
        opt->setObjectName(QStringLiteral("optMaster%1%2").arg(layout.number).arg(i));
        group_->addButton(opt, i);
        opt_[i] = opt;
        connect(opt, &QRadioButton::toggled, this, [this, i](bool on) {
            if (on) optMaster_Click(i);
        });
    }
    setUp();
}

QLabel* CountGrid::caption(const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setAlignment(Qt::AlignCenter);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}

QLabel* CountGrid::periodSwitch(const QString& name, const QString& text, QWidget* parent) {
    QLabel* l = caption(text, parent);
    l->setObjectName(name);
    l->setToolTip(QStringLiteral("クリックすると年月と年を切り替えられます"));
    l->setCursor(Qt::PointingHandCursor);
    QFont f = l->font();
    f.setUnderline(true);
    l->setFont(f);
    return l;
}

QVBoxLayout* CountGrid::column(QWidget* caption, bool centred) {
    auto* column = new QVBoxLayout;
    column->setSpacing(4);
    column->addWidget(caption);
    if (centred)
        column->addWidget(grid_, 1, Qt::AlignHCenter);
    else
        column->addWidget(grid_, 1);
    auto* options = new QHBoxLayout;
    options->setSpacing(8);
    if (centred) options->addStretch(1);
    for (int i = 1; i <= 3; ++i) options->addWidget(opt_[i]);
    options->addStretch(1);
    column->addLayout(options);
    return column;
}

void CountGrid::setUp() {
    grid_->Clear();
    grid_->setFixedCols(1);
    grid_->setUpHeader({QStringLiteral("順"), layout_.valueHeader, QStringLiteral("数")},
                       {layout_.rankWidth, layout_.valueWidth, layout_.countWidth});
    // Periods stand centred; names read from the left and counts line up on the right.
    grid_->setColAlignment(1, layout_.periods ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
    grid_->setColAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    // Wide enough for every column and the scroll bar, so that no table scrolls sideways.
    const int twips = layout_.rankWidth + layout_.valueWidth + layout_.countWidth;
    grid_->setFixedWidth(twips / kTwipsPerPixel + grid_->verticalScrollBar()->sizeHint().width() +
                         2 * grid_->frameWidth());
    counts_ = CountTable<CountRow>();
}

void CountGrid::fill(const QVector<CountRow>& rows) {
    counts_ = CountTable<CountRow>(rows);
    fitCountColumn();
    selectMostFirst();
}

// Most first is chosen anew even when it is already the chosen option, so that
// its handler always runs and orders the fresh table.
void CountGrid::selectMostFirst() {
    if (opt_[1]->isChecked()) {
        group_->setExclusive(false);
        opt_[1]->setChecked(false);
        group_->setExclusive(true);
    }
    opt_[1]->setChecked(true);
}

void CountGrid::optMaster_Click(int i) {
    counts_.sort(kOrders[i]);
    grid_->setCol(i == 3 ? 1 : 2);  // the key column of the sort
    grid_->grid()->setBody(counts_.gridRows());
    grid_->scrollToTop();
}

// The count column has its width in twips, but a count of thousands does not fit
// in it at the program's font: the column then takes the room it needs from the
// value column beside it, and the grid keeps its width.
void CountGrid::fitCountColumn() {
    constexpr int kCellPadding = 8;     // the style's text margins and the grid line
    constexpr int kSmallestValue = 48;  // pixels the value column keeps at least
    const int needed =
        grid_->fontMetrics().horizontalAdvance(QString::number(counts_.largestCount())) +
        kCellPadding;
    const int missing = needed - grid_->columnWidth(2);
    if (missing <= 0) return;
    const int taken = std::min(missing, grid_->columnWidth(1) - kSmallestValue);
    if (taken <= 0) return;
    grid_->setColumnWidth(1, grid_->columnWidth(1) - taken);
    grid_->setColumnWidth(2, grid_->columnWidth(2) + taken);
}

QVector<QPair<QString, int>> CountGrid::shownRows() const {
    QVector<QPair<QString, int>> rows;
    rows.reserve(counts_.size());
    for (int i = 0; i < counts_.size(); ++i)
        rows.append({counts_.row(i).value, counts_.row(i).count});
    return rows;
}
