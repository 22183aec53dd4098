#include "card_widgets.h"

#include <QPainter>

ShapeCell::ShapeCell(QWidget* parent) : QWidget(parent) {
    setFixedSize(sizeHint());
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ShapeCell::setFillColor(const QColor& c) {
    if (c == fill_) return;
    fill_ = c;
    update();
}

void ShapeCell::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    p.setPen(QColor(0x9A, 0x9A, 0x9A));
    p.setBrush(fill_);
    p.drawRect(rect().adjusted(1, 1, -2, -2));
}
