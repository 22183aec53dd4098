#include "title_list_frame.h"

#include "shell/flex_grid.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {
const char* const kFrameNames[] = {nullptr, "fraIchiran", "fraIchiran2", "fraIchiran3"};
const char* const kGridNames[] = {nullptr, "msgIchiran", "msgIchiran2", "msgIchiran3"};

QPushButton* makeButton(const QString& caption, const char* name, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setMinimumHeight(28);
    b->setMinimumWidth(96);
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}
}  // namespace

TitleListFrame::TitleListFrame(int k, QWidget* parent) : QFrame(parent) {
    setObjectName(QLatin1String(kFrameNames[k]));
    setFrameShape(QFrame::StyledPanel);

    // The grid and the line above it form one column as wide as the grid's
    // columns; the frame's spare width stays to its right.
    auto* column = new QWidget(this);
    auto* v = new QVBoxLayout(column);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(6);

    auto* bar = new QHBoxLayout;
    bar->setSpacing(6);
    if (k == 1) {
        cmdSort1_ = makeButton(QStringLiteral("タイトル"), "cmdSort1_0", column);
        cmdSortCng1_ = makeButton(QStringLiteral("メインに反映"), "cmdSortCng1", column);
        cmdSort1_->setToolTip(QStringLiteral("タイトル名で並び替えます"));
        cmdSortCng1_->setToolTip(QStringLiteral("表示中の並び順をメインの順番にします"));
        bar->addWidget(cmdSort1_);
        bar->addWidget(cmdSortCng1_);
    }
    bar->addStretch(1);
    count_ = new QLabel(column);
    count_->setObjectName(QStringLiteral("lblIchiranKensu_%1").arg(k));
    count_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    count_->setMinimumHeight(28);
    bar->addWidget(count_);
    v->addLayout(bar);

    grid_ = new FlexGrid(column);
    grid_->setObjectName(QLatin1String(kGridNames[k]));
    grid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    grid_->horizontalHeader()->setMinimumHeight(grid_->verticalHeader()->defaultSectionSize() + 4);
    v->addWidget(grid_, 1);

    auto* h = new QHBoxLayout(this);
    h->setContentsMargins(10, 8, 10, 10);
    h->addWidget(column);
    h->addStretch(1);
}

void TitleListFrame::fitGridWidth() {
    int width = 2 * grid_->frameWidth() + grid_->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < grid_->Cols(); ++c) width += grid_->columnWidth(c);
    grid_->setFixedWidth(width);
}

void TitleListFrame::showCount(int titles) {
    count_->setText(QStringLiteral("%1 タイトル").arg(titles));
}
