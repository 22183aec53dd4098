#include "display_order.h"

#include "store/title_table.h"

void DisplayOrderModel::fill(const TitleTable& titles) {
    QStringList names;
    names.reserve(titles.TitleCount());
    for (int n = 1; n <= titles.TitleCount(); ++n) names.append(titles[n].Daimei);
    setStringList(names);
}

int DisplayOrderModel::landingIndex(int from, int onto, int count) {
    if (from < 0 || onto < 0 || from >= count || onto >= count) return -1;
    if (onto == from || onto == from + 1) return -1;
    // Taking the entry out first lifts every entry below it by one.
    return onto > from ? onto - 1 : onto;
}

int DisplayOrderModel::dropOnto(int from, int onto) {
    const int landed = landingIndex(from, onto, rowCount());
    if (landed < 0) return -1;
    // moveRows counts its destination in the rows as they were before the move,
    // which is exactly the entry dropped on.
    if (!moveRows(QModelIndex(), from, 1, QModelIndex(), onto)) return -1;
    return landed;
}

Qt::ItemFlags DisplayOrderModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
}
