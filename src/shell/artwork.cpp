#include "artwork.h"

#include <QPainter>
#include <QPainterPath>

namespace Artwork {

QPixmap face(int index, int size) {
    static const QColor fills[] = {QColor(0xFF, 0xC8, 0x3D), QColor(0xFF, 0xE0, 0x8A),
                                   QColor(0xB8, 0xD4, 0xF0), QColor(0xE4, 0xE4, 0xE4)};
    QPixmap pm(size * 2, size * 2);  // drawn at double size for high-density screens
    pm.setDevicePixelRatio(2.0);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    const QColor ink(0x4A, 0x3B, 0x2A);
    p.setPen(QPen(ink, s / 20.0));
    p.setBrush(fills[qBound(0, index, 3)]);
    p.drawEllipse(QRectF(s * 0.06, s * 0.06, s * 0.88, s * 0.88));

    p.setBrush(ink);
    const qreal eyeY = s * 0.40, eyeR = s * 0.055;
    if (index == 0) {  // closed, happy eyes
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(s * 0.27, eyeY - eyeR, s * 0.14, s * 0.12), 0, 180 * 16);
        p.drawArc(QRectF(s * 0.59, eyeY - eyeR, s * 0.14, s * 0.12), 0, 180 * 16);
    } else {
        p.drawEllipse(QPointF(s * 0.35, eyeY), eyeR, eyeR);
        p.drawEllipse(QPointF(s * 0.65, eyeY), eyeR, eyeR);
    }
    p.setBrush(Qt::NoBrush);
    switch (index) {
        case 0: {  // open laugh
            QPainterPath mouth;
            mouth.moveTo(s * 0.28, s * 0.58);
            mouth.quadTo(s * 0.5, s * 0.92, s * 0.72, s * 0.58);
            mouth.closeSubpath();
            p.setBrush(QColor(0xD9, 0x4F, 0x3D));
            p.drawPath(mouth);
            break;
        }
        case 1:
            p.drawArc(QRectF(s * 0.30, s * 0.42, s * 0.40, s * 0.30), 200 * 16, 140 * 16);
            break;
        case 2:
            p.drawLine(QPointF(s * 0.34, s * 0.68), QPointF(s * 0.66, s * 0.64));
            break;
        default:
            p.drawLine(QPointF(s * 0.38, s * 0.66), QPointF(s * 0.62, s * 0.66));
            break;
    }
    return pm;
}

namespace {
QPixmap bubble(bool lit) {
    const int s = 28;
    QPixmap pm(s * 2, s * 2);
    pm.setDevicePixelRatio(2.0);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(2, 2, s - 4, s - 9), 7, 7);
    QPolygonF tail;
    tail << QPointF(8, s - 8) << QPointF(7, s - 2) << QPointF(14, s - 8);
    path.addPolygon(tail);
    path = path.simplified();
    p.setPen(QPen(lit ? QColor(0x2E, 0x7D, 0x32) : QColor(0x80, 0x80, 0x80), 1.5));
    p.setBrush(lit ? QColor(0xA5, 0xD6, 0xA7) : QColor(0xEE, 0xEE, 0xEE));
    p.drawPath(path);
    QFont f;
    f.setBold(true);
    f.setPixelSize(15);
    p.setFont(f);
    p.setPen(lit ? QColor(0x1B, 0x5E, 0x20) : QColor(0x70, 0x70, 0x70));
    p.drawText(QRectF(2, 2, s - 4, s - 9), Qt::AlignCenter, QStringLiteral("?"));
    return pm;
}
}  // namespace

QIcon helpTourIcon() {
    QIcon icon;
    icon.addPixmap(bubble(false), QIcon::Normal, QIcon::Off);
    icon.addPixmap(bubble(true), QIcon::Normal, QIcon::On);
    return icon;
}

QImage appIconImage(int size) {
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);  // drawn on a 64-unit square
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3A, 0x3A, 0x48));
    p.drawEllipse(QRectF(4, 4, 56, 56));
    p.setBrush(QColor(0xF0, 0xE6, 0xD2));
    for (int i = 0; i < 5; ++i) {  // the holes of a film reel
        const double a = i * 2 * M_PI / 5 - M_PI / 2;
        p.drawEllipse(QPointF(32 + 16 * std::cos(a), 32 + 16 * std::sin(a)), 7, 7);
    }
    p.drawEllipse(QPointF(32, 32), 4, 4);
    return img;
}

QIcon appIcon() {
    QIcon icon;
    for (int size : kAppIconSizes) icon.addPixmap(QPixmap::fromImage(appIconImage(size)));
    return icon;
}

}  // namespace Artwork
