#pragma once

#include <QStringListModel>

class TitleTable;

// The titles in the order the user arranges them on the master screen before
// making it the stored order. Only the list moves; the table is untouched until
// the order is applied.
class DisplayOrderModel : public QStringListModel {
public:
    using QStringListModel::QStringListModel;

    // Every title name of the table, in table order.
    void fill(const TitleTable& titles);

    // Moves the entry at from to stand directly above the entry at onto (both
    // as they were before the move). Dropping an entry on itself or on the one
    // just below it would leave it where it is and is no move. Returns the
    // moved entry's new index, or -1 when nothing moved.
    int dropOnto(int from, int onto);

    // Where an entry dropped from from onto onto lands, or -1 for no move.
    static int landingIndex(int from, int onto, int count);

    // The read-only list: a title is renamed on the card, not here.
    Qt::ItemFlags flags(const QModelIndex& index) const override;
};
