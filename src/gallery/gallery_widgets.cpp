#include "gallery_widgets.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {
const QColor kSlot(0xF4, 0xF1, 0xEA);
const QColor kSlotEdge(0xC9, 0xC1, 0xB2);
const QColor kNameStrip(0x4A, 0x3B, 0x2A);

bool isClickInside(QWidget* w, QMouseEvent* e) {
    return e->button() == Qt::LeftButton && w->rect().contains(e->position().toPoint());
}
}  // namespace

GalleryBox::GalleryBox(QWidget* parent) : QLabel(parent) {
    setScaledContents(true);  // the picture fills the whole box, its shape not kept
}

void GalleryBox::setVacant(bool vacant) {
    vacant_ = vacant;
    setCursor(vacant ? Qt::ArrowCursor : Qt::PointingHandCursor);
    update();
}

void GalleryBox::setRefusal(const QString& text) {
    refusal_ = text;
    setToolTip(text);
    update();
}

void GalleryBox::paintEvent(QPaintEvent* event) {
    if (!pixmap().isNull()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter p(this);
    if (!vacant_) p.fillRect(rect(), kSlot);
    p.setPen(QPen(vacant_ ? kSlotEdge.lighter(115) : kSlotEdge, 1, Qt::DashLine));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    if (vacant_ || refusal_.isEmpty()) return;
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    p.setFont(small);
    p.setPen(kNameStrip.lighter(160));
    p.drawText(rect().adjusted(4, 4, -4, -4), Qt::AlignCenter | Qt::TextWordWrap,
               QStringLiteral("画像が大きすぎて表示できません"));
}

void GalleryBox::mouseReleaseEvent(QMouseEvent* event) {
    if (isClickInside(this, event)) emit clicked();
    QLabel::mouseReleaseEvent(event);
}

GalleryName::GalleryName(QWidget* parent) : QLabel(parent) { setAlignment(Qt::AlignCenter); }

void GalleryName::setName(const QString& name) {
    setText(name);
    setToolTip(name);
    setCursor(name.isEmpty() ? Qt::ArrowCursor : Qt::PointingHandCursor);
}

void GalleryName::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (text().isEmpty()) return;
    p.fillRect(rect(), kNameStrip);
    p.setPen(Qt::white);
    const QRect inside = rect().adjusted(3, 0, -3, 0);
    p.drawText(inside, Qt::AlignCenter,
               fontMetrics().elidedText(text(), Qt::ElideRight, inside.width()));
}

void GalleryName::mouseReleaseEvent(QMouseEvent* event) {
    if (isClickInside(this, event)) emit clicked();
    QLabel::mouseReleaseEvent(event);
}

QIcon galleryArrow(bool left) {
    const int s = 28;
    QPixmap pm(s * 2, s * 2);  // drawn at double size for high-density screens
    pm.setDevicePixelRatio(2.0);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath arrow;
    const qreal m = s / 2.0;
    if (left) {
        arrow.moveTo(4, m);
        arrow.lineTo(m, 4);
        arrow.lineTo(m, m - 5);
        arrow.lineTo(s - 4, m - 5);
        arrow.lineTo(s - 4, m + 5);
        arrow.lineTo(m, m + 5);
        arrow.lineTo(m, s - 4);
    } else {
        arrow.moveTo(s - 4, m);
        arrow.lineTo(m, 4);
        arrow.lineTo(m, m - 5);
        arrow.lineTo(4, m - 5);
        arrow.lineTo(4, m + 5);
        arrow.lineTo(m, m + 5);
        arrow.lineTo(m, s - 4);
    }
    arrow.closeSubpath();
    p.setPen(QPen(kNameStrip.darker(120), 1.5));
    p.setBrush(QColor(0xFF, 0xC8, 0x3D));
    p.drawPath(arrow);
    return QIcon(pm);
}
