#include "master_widgets.h"

#include <QMouseEvent>
#include <QPainter>

BichoList::BichoList(QWidget* parent) : QListView(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(false);      // the selection, not a drag object, follows the mouse
    setUniformItemSizes(true);  // thousands of titles lay out in one step
}

void BichoList::mousePressEvent(QMouseEvent* event) {
    QListView::mousePressEvent(event);
    if (event->button() != Qt::LeftButton) return;
    pressed_ = true;
    emit mouseDown(indexAt(event->position().toPoint()).row());
}

void BichoList::mouseReleaseEvent(QMouseEvent* event) {
    QListView::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton || !std::exchange(pressed_, false)) return;
    // Released beside the entries (past the last one, or outside while the list
    // scrolled along), the entry is the one the selection followed to.
    const QModelIndex under = indexAt(event->position().toPoint());
    const QModelIndex at = under.isValid() ? under : currentIndex();
    emit mouseUp(at.isValid() ? at.row() : -1);
}

NoteBracket::NoteBracket(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
}

void NoteBracket::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(QPen(palette().color(QPalette::WindowText), 1));
    const int x = width() / 2;
    const int top = 10, bottom = height() - 10;
    p.drawLine(2, top, x, top);
    p.drawLine(x, top, x, bottom);
    p.drawLine(2, bottom, x, bottom);
    p.drawLine(x, height() / 2, width() - 1, height() / 2);
}
