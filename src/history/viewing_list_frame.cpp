#include "viewing_list_frame.h"

#include "store/kansyou_table.h"
#include "shell/flex_grid.h"
#include "shell/screen_host.h"

#include <QVBoxLayout>

ViewingListFrame::ViewingListFrame(ScreenHost& host, QWidget* parent)
    : QFrame(parent), host_(host) {
    setObjectName(QStringLiteral("fraList"));
    auto* v = new QVBoxLayout(this);
    msgHenList_ = new FlexGrid(this);
    msgHenList_->setObjectName(QStringLiteral("msgHenList"));
    v->addWidget(msgHenList_);
}

void ViewingListFrame::fillHenList(const KansyouTable& table) {
    FlexGrid* g = msgHenList_;
    g->setFixedCols(1);
    g->setUpHeader({QStringLiteral("回数"), QStringLiteral("日付"), QStringLiteral("タイトル"),
                    QStringLiteral("鑑賞内容")},
                   {665, 1450, 3450, 2185});
    g->setColAlignment(1, Qt::AlignCenter);
    g->setColAlignment(2, Qt::AlignLeft | Qt::AlignVCenter);
    g->setColAlignment(3, Qt::AlignLeft | Qt::AlignVCenter);

    QVector<QStringList> rows;
    rows.reserve(table.KansyouCount());
    for (int i = 1; i <= table.KansyouCount(); ++i) {
        const Kansyou& k = table[i];
        rows.append({QString::number(i), k.Kansyoubi, k.KansyouDaimei, k.KansyouNaiyou});
    }
    g->grid()->setBody(std::move(rows));
    if (g->Rows() > 15) g->setTopRow(g->Rows() - 1);
}

void ViewingListFrame::cmdList_Click() {
    if (!isHidden()) return;
    host_.HideAllFrames();
    show();
}
