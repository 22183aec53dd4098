#include "poster.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <QtMath>

namespace {

// Colours that some flat designs use besides those of their row; the 8-bit
// palette must know them too.
constexpr QRgb kPaper = 0xfffbf7ee;
constexpr QRgb kSunRed = 0xffc0392b;
constexpr QRgb kTrunk = 0xff5a3a1e;
constexpr QRgb kPlaidLine = 0xfff6e7b8;

QColor rgba(QRgb c, int alpha) {
    QColor q = QColor::fromRgba(c);
    q.setAlpha(alpha);
    return q;
}

// A fixed seed per title: the scattered parts of a poster (stars, rain, snow)
// come out the same on every run, and regenerating with the same Qt and
// fonts changes no file.
quint32 seedOf(const QString& s) {
    quint32 h = 2166136261u;
    for (QChar c : s) {
        h ^= c.unicode();
        h *= 16777619u;
    }
    return h;
}

QSize sizeOf(PosterShape shape) {
    switch (shape) {
        case PosterShape::Landscape:
            return {600, 400};
        case PosterShape::Square:
            return {450, 450};
        case PosterShape::Portrait:
            break;
    }
    return {400, 566};
}

bool isLight(QRgb c) { return qGray(c) > 150; }

struct Canvas {
    QPainter& p;
    QRandomGenerator rng;
    double w;
    double h;
    const PosterRow& row;

    double rnd(double lo, double hi) { return lo + rng.generateDouble() * (hi - lo); }
    void disc(QPointF c, double r, const QColor& fill) {
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        p.drawEllipse(c, r, r);
    }
    void glow(QPointF c, double r, QRgb colour, int alpha) {
        QRadialGradient g(c, r);
        g.setColorAt(0, rgba(colour, alpha));
        g.setColorAt(1, rgba(colour, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawEllipse(c, r, r);
    }
    void streaks(int count, QRectF area, double len, double slant, QRgb colour, int alphaMax) {
        for (int i = 0; i < count; ++i) {
            const double x = rnd(area.left(), area.right());
            const double y = rnd(area.top(), area.bottom());
            const double l = rnd(len * 0.5, len);
            p.setPen(QPen(rgba(colour, int(rnd(alphaMax * 0.3, alphaMax))), rnd(0.6, 1.4)));
            p.drawLine(QPointF(x, y), QPointF(x - l * slant, y + l));
        }
    }
};

void rain(Canvas& c) {
    c.disc({0.30 * c.w, 0.24 * c.h}, 0.17 * c.w, rgba(c.row.accent, 34));
    c.streaks(320, {-0.1 * c.w, -0.1 * c.h, 1.2 * c.w, 0.95 * c.h}, 60, 0.22, c.row.accent, 120);
    // Seven figures on the ridge.
    const double ridge = 0.80 * c.h;
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(rgba(0xff000000, 150));
    c.p.drawRect(QRectF(0, ridge, c.w, c.h - ridge));
    for (int i = 0; i < 7; ++i) {
        const double x = 0.08 * c.w + i * 0.075 * c.w;
        const double tall = c.rnd(0.045, 0.065) * c.h;
        c.p.setBrush(rgba(c.row.accent, 200));
        c.p.drawRect(QRectF(x, ridge - tall, 0.018 * c.w, tall));
        c.p.drawEllipse(QPointF(x + 0.009 * c.w, ridge - tall - 0.012 * c.w), 0.012 * c.w,
                        0.012 * c.w);
    }
}

void lowSun(Canvas& c) {
    const double horizon = 0.83 * c.h;
    c.disc({0.36 * c.w, horizon}, 0.30 * c.w, rgba(c.row.accent, 235));
    c.p.setBrush(QColor::fromRgba(c.row.bottom).darker(125));
    c.p.drawRect(QRectF(0, horizon, c.w, c.h - horizon));
    // Dust blowing across the empty street.
    for (int i = 0; i < 40; ++i) {
        const double y = c.rnd(0.30, 0.95) * c.h;
        const double x = c.rnd(-0.2, 0.9) * c.w;
        c.p.setPen(QPen(rgba(c.row.accent, int(c.rnd(25, 80))), c.rnd(0.8, 1.8)));
        c.p.drawLine(QPointF(x, y), QPointF(x + c.rnd(0.1, 0.35) * c.w, y - c.rnd(0, 6)));
    }
    // A lone figure on the horizon.
    const double fx = 0.52 * c.w;
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(QColor::fromRgba(c.row.ink));
    c.p.drawPolygon(QPolygonF({QPointF(fx - 9, horizon), QPointF(fx - 6, horizon - 44),
                               QPointF(fx + 6, horizon - 44), QPointF(fx + 10, horizon)}));
    c.p.drawEllipse(QPointF(fx, horizon - 51), 6.5, 6.5);
}

void snow(Canvas& c) {
    const QColor frame = rgba(c.row.accent, 190);
    c.p.setPen(QPen(frame, 3.5, Qt::SolidLine, Qt::RoundCap));
    const double top = 0.30 * c.h, ground = 0.80 * c.h;
    const double left = 0.10 * c.w, right = 0.58 * c.w;
    c.p.drawLine(QPointF(left, top), QPointF(right, top));
    c.p.drawLine(QPointF(left + 10, top), QPointF(left - 10, ground));
    c.p.drawLine(QPointF(right - 10, top), QPointF(right + 10, ground));
    c.p.setPen(QPen(frame, 1.8));
    const double seat = 0.63 * c.h, a = 0.25 * c.w, b = 0.43 * c.w;
    c.p.drawLine(QPointF(a, top), QPointF(a, seat));
    c.p.drawLine(QPointF(b, top), QPointF(b, seat));
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(frame);
    c.p.drawRect(QRectF(a - 6, seat, b - a + 12, 6));
    QLinearGradient drift(0, ground - 20, 0, c.h);
    drift.setColorAt(0, rgba(c.row.accent, 0));
    drift.setColorAt(1, rgba(c.row.accent, 70));
    c.p.setBrush(drift);
    c.p.drawRect(QRectF(0, ground - 20, c.w, c.h));
    for (int i = 0; i < 240; ++i)
        c.disc({c.rnd(0, c.w), c.rnd(0, c.h)}, c.rnd(0.7, 3.0),
               rgba(c.row.accent, int(c.rnd(70, 230))));
}

void shoji(Canvas& c) {
    const QRectF panel(0.08 * c.w, 0.09 * c.h, 0.52 * c.w, 0.64 * c.h);
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(QColor::fromRgba(kPaper));
    c.p.drawRect(panel);
    c.disc({panel.left() + 0.70 * panel.width(), panel.top() + 0.30 * panel.height()}, 0.07 * c.w,
           QColor::fromRgba(kSunRed));
    c.p.setPen(QPen(QColor::fromRgba(c.row.accent), 2));
    for (int i = 1; i < 4; ++i) {
        const double x = panel.left() + panel.width() * i / 4;
        c.p.drawLine(QPointF(x, panel.top()), QPointF(x, panel.bottom()));
    }
    for (int i = 1; i < 6; ++i) {
        const double y = panel.top() + panel.height() * i / 6;
        c.p.drawLine(QPointF(panel.left(), y), QPointF(panel.right(), y));
    }
    c.p.setPen(QPen(QColor::fromRgba(c.row.accent), 6));
    c.p.setBrush(Qt::NoBrush);
    c.p.drawRect(panel);
}

void waves(Canvas& c) {
    c.glow({0.5 * c.w, 0.40 * c.h}, 0.55 * c.w, c.row.accent, 150);
    // Dorsal plates breaking the surface.
    QPainterPath fin;
    const double sea = 0.56 * c.h;
    fin.moveTo(0.16 * c.w, sea);
    const double peaks[] = {0.30, 0.42, 0.52, 0.60, 0.66};
    double x = 0.16 * c.w;
    for (double pk : peaks) {
        fin.lineTo(x + 0.05 * c.w, sea - pk * 0.30 * c.h);
        x += 0.12 * c.w;
        fin.lineTo(x, sea - pk * 0.09 * c.h);
    }
    fin.lineTo(0.86 * c.w, sea);
    fin.closeSubpath();
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(QColor(6, 12, 14));
    c.p.drawPath(fin);
    for (int layer = 0; layer < 7; ++layer) {
        const double base = sea + layer * 0.045 * c.h;
        const double amp = 6 + layer * 1.5, len = 70 + layer * 9, phase = c.rnd(0, 6.3);
        QPainterPath wave;
        wave.moveTo(0, c.h);
        for (double px = 0; px <= c.w + 4; px += 4)
            wave.lineTo(px, base + amp * std::sin(px / len * 2 * M_PI + phase));
        wave.lineTo(c.w, c.h);
        wave.closeSubpath();
        c.p.setBrush(QColor::fromRgba(c.row.accent).darker(170 + layer * 30));
        c.p.drawPath(wave);
    }
}

void lanterns(Canvas& c) {
    // The bath house roof with its upswept eaves.
    const double eave = 0.50 * c.h;
    QPainterPath roof;
    roof.moveTo(0.02 * c.w, eave);
    roof.quadTo(0.22 * c.w, eave - 0.02 * c.h, 0.36 * c.w, eave - 0.13 * c.h);
    roof.lineTo(0.64 * c.w, eave - 0.13 * c.h);
    roof.quadTo(0.78 * c.w, eave - 0.02 * c.h, 0.98 * c.w, eave);
    roof.lineTo(0.86 * c.w, eave + 0.02 * c.h);
    roof.lineTo(0.86 * c.w, 0.62 * c.h);
    roof.lineTo(0.14 * c.w, 0.62 * c.h);
    roof.lineTo(0.14 * c.w, eave + 0.02 * c.h);
    roof.closeSubpath();
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(QColor(26, 12, 22, 230));
    c.p.drawPath(roof);
    for (int i = 0; i < 5; ++i)
        c.glow({0.22 * c.w + i * 0.14 * c.w, 0.57 * c.h}, 16, c.row.accent, 200);
    for (int row = 0; row < 2; ++row) {
        const double y0 = (0.10 + row * 0.15) * c.h, sag = 0.05 * c.h;
        c.p.setPen(QPen(QColor(20, 8, 16, 200), 1.2));
        c.p.setBrush(Qt::NoBrush);
        QPainterPath cord;
        cord.moveTo(-10, y0);
        cord.quadTo(0.5 * c.w, y0 + 2 * sag, c.w + 10, y0);
        c.p.drawPath(cord);
        for (int i = 0; i < 7; ++i) {
            const double t = (i + 0.5 + row * 0.5) / 7.5;
            const QPointF at = cord.pointAtPercent(t);
            c.glow(at + QPointF(0, 14), 30, c.row.accent, 120);
            c.p.setPen(Qt::NoPen);
            c.p.setBrush(QColor::fromRgba(c.row.accent));
            c.p.drawEllipse(at + QPointF(0, 14), 9, 12);
            c.p.setBrush(QColor(150, 40, 30));
            c.p.drawRect(QRectF(at.x() - 5, at.y() + 1, 10, 3));
        }
    }
}

void umbrella(Canvas& c) {
    c.streaks(260, {0, -0.05 * c.h, 1.1 * c.w, 0.95 * c.h}, 40, 0.12, 0xffffffff, 90);
    const QColor dark = QColor::fromRgba(c.row.accent);
    // The bus stop sign.
    c.p.setPen(QPen(dark, 4));
    c.p.drawLine(QPointF(0.76 * c.w, 0.20 * c.h), QPointF(0.76 * c.w, 0.60 * c.h));
    c.disc({0.76 * c.w, 0.18 * c.h}, 20, dark);
    c.disc({0.76 * c.w, 0.18 * c.h}, 14, QColor(240, 236, 214));
    // An open umbrella.
    const QPointF top(0.38 * c.w, 0.30 * c.h);
    const double r = 0.24 * c.w;
    QPainterPath canopy;
    canopy.moveTo(top.x() - r, top.y() + 0.3 * r);
    canopy.cubicTo(top.x() - r, top.y() - 0.9 * r, top.x() + r, top.y() - 0.9 * r, top.x() + r,
                   top.y() + 0.3 * r);
    for (int i = 3; i >= 0; --i) {
        const double x1 = top.x() - r + (i + 1) * r / 2, x0 = x1 - r / 2;
        canopy.quadTo((x0 + x1) / 2, top.y() + 0.1 * r, x0, top.y() + 0.3 * r);
    }
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(dark);
    c.p.drawPath(canopy);
    c.p.setPen(QPen(dark, 4, Qt::SolidLine, Qt::RoundCap));
    c.p.setBrush(Qt::NoBrush);
    const double bottom = top.y() + 1.25 * r;
    c.p.drawLine(QPointF(top.x(), top.y() - 0.55 * r), QPointF(top.x(), bottom));
    c.p.drawArc(QRectF(top.x() - 16, bottom - 8, 16, 16), 0, -180 * 16);
}

void plaid(Canvas& c) {
    const double end = 0.56 * c.h;
    c.p.setPen(Qt::NoPen);
    const QColor band = QColor::fromRgba(c.row.accent), line = QColor::fromRgba(kPlaidLine);
    for (double x = 10; x < c.w; x += 64) {
        c.p.setBrush(band);
        c.p.drawRect(QRectF(x, 0, 14, end));
        c.p.setBrush(line);
        c.p.drawRect(QRectF(x + 30, 0, 3, end));
    }
    for (double y = 14; y < end; y += 64) {
        c.p.setBrush(band);
        c.p.drawRect(QRectF(0, y, c.w, 14));
        c.p.setBrush(line);
        c.p.drawRect(QRectF(0, y + 30, c.w, 3));
    }
    // The traveller's trunk.
    const QRectF trunk(0.28 * c.w, 0.27 * c.h, 0.44 * c.w, 0.22 * c.h);
    c.p.setPen(QPen(QColor::fromRgba(kTrunk), 7, Qt::SolidLine, Qt::RoundCap));
    c.p.setBrush(Qt::NoBrush);
    c.p.drawRoundedRect(QRectF(trunk.center().x() - 28, trunk.top() - 26, 56, 40), 10, 10);
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(QColor::fromRgba(kTrunk));
    c.p.drawRoundedRect(trunk, 8, 8);
    c.p.setBrush(QColor::fromRgba(c.row.top));
    c.p.drawRect(QRectF(trunk.left(), trunk.top() + 0.45 * trunk.height(), trunk.width(), 5));
    c.p.drawRect(QRectF(trunk.left() + 20, trunk.top(), 8, trunk.height()));
    c.p.drawRect(QRectF(trunk.right() - 28, trunk.top(), 8, trunk.height()));
}

void well(Canvas& c) {
    const QPointF mid(0.5 * c.w, 0.34 * c.h);
    c.glow(mid, 0.50 * c.w, c.row.accent, 60);
    c.p.setBrush(Qt::NoBrush);
    for (int i = 9; i >= 1; --i) {
        const double rx = 0.045 * c.w * i;
        c.p.setPen(QPen(rgba(c.row.accent, 40 + 18 * (9 - i)), 1.5 + 0.2 * i));
        c.p.drawEllipse(mid, rx, rx * 0.40);
    }
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(QColor(4, 6, 5));
    c.p.drawEllipse(mid, 0.05 * c.w, 0.02 * c.w);
    // Scan lines of an old television.
    for (double y = 0; y < c.h; y += 3) {
        c.p.setPen(QPen(QColor(0, 0, 0, 40), 1));
        c.p.drawLine(QPointF(0, y), QPointF(c.w, y));
    }
}

void bubbles(Canvas& c) {
    for (int i = 0; i < 34; ++i)
        c.disc({c.rnd(0, c.w), c.rnd(0, 0.56 * c.h)}, c.rnd(6, 42),
               rgba(c.row.accent, int(c.rnd(30, 90))));
    // A row of arches, as in the old city walls.
    c.p.setPen(QPen(rgba(c.row.ink, 150), 2));
    c.p.setBrush(Qt::NoBrush);
    const double base = 0.56 * c.h, archW = c.w / 7;
    for (int tier = 0; tier < 2; ++tier) {
        const double bottom = base - tier * 0.11 * c.h;
        for (int i = 0; i < 6; ++i) {
            const double x = archW * (0.5 + i);
            QPainterPath a;
            a.moveTo(x + 6, bottom);
            a.lineTo(x + 6, bottom - 0.05 * c.h);
            a.arcTo(QRectF(x + 6, bottom - 0.05 * c.h - (archW - 12) / 2, archW - 12, archW - 12),
                    180, -180);
            a.lineTo(x + archW - 6, bottom);
            c.p.drawPath(a);
        }
        c.p.drawLine(QPointF(archW * 0.4, bottom), QPointF(c.w - archW * 0.4, bottom));
    }
}

void planet(Canvas& c) {
    for (int i = 0; i < 220; ++i)
        c.disc({c.rnd(0, c.w), c.rnd(0, c.h)}, c.rnd(0.4, 1.3),
               QColor(255, 255, 255, int(c.rnd(60, 230))));
    const QPointF centre(0.5 * c.w, 1.62 * c.h);
    const double r = 1.10 * c.h;
    QLinearGradient body(0, centre.y() - r, 0, c.h);
    body.setColorAt(0, QColor(30, 38, 62));
    body.setColorAt(0.3, QColor(10, 13, 24));
    body.setColorAt(1, QColor(4, 5, 10));
    c.p.setPen(QPen(rgba(c.row.accent, 200), 2));
    c.p.setBrush(body);
    c.p.drawEllipse(centre, r, r);
    const QPointF sun(0.5 * c.w, centre.y() - r - 2);
    c.glow(sun, 0.40 * c.h, c.row.accent, 170);
    c.glow(sun, 0.10 * c.h, 0xffffffff, 255);
    // A smaller moon rising above, the three in a line.
    c.disc({0.5 * c.w, 0.18 * c.h}, 0.07 * c.h, QColor(200, 205, 215));
    c.disc({0.5 * c.w + 0.02 * c.h, 0.18 * c.h - 0.01 * c.h}, 0.066 * c.h, QColor(8, 10, 20));
}

void spotlight(Canvas& c) {
    const QPointF source(0.5 * c.w, 1.05 * c.h);
    c.p.setPen(Qt::NoPen);
    for (int i = 0; i < 9; ++i) {
        const double a0 = (-150 + i * 13.5) * M_PI / 180, a1 = a0 + 6.5 * M_PI / 180;
        const double len = 1.3 * c.h;
        c.p.setBrush(QColor(255, 255, 255, i % 2 ? 16 : 28));
        c.p.drawPolygon(QPolygonF({source, source + QPointF(len * std::cos(a0), len * std::sin(a0)),
                                   source + QPointF(len * std::cos(a1), len * std::sin(a1))}));
    }
    // A snow globe.
    const QPointF g(0.5 * c.w, 0.32 * c.h);
    const double r = 0.19 * c.w;
    QRadialGradient glass(g - QPointF(r * 0.3, r * 0.3), r * 1.3);
    glass.setColorAt(0, QColor(255, 255, 255, 60));
    glass.setColorAt(1, QColor(255, 255, 255, 8));
    c.p.setBrush(glass);
    c.p.setPen(QPen(rgba(c.row.accent, 170), 2));
    c.p.drawEllipse(g, r, r);
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(QColor(60, 60, 60));
    c.p.drawPolygon(QPolygonF({QPointF(g.x() - 0.8 * r, g.y() + 0.85 * r),
                               QPointF(g.x() + 0.8 * r, g.y() + 0.85 * r),
                               QPointF(g.x() + 0.95 * r, g.y() + 1.25 * r),
                               QPointF(g.x() - 0.95 * r, g.y() + 1.25 * r)}));
    for (int i = 0; i < 60; ++i) {
        const double a = c.rnd(0, 2 * M_PI), d = std::sqrt(c.rnd(0, 1)) * r * 0.9;
        c.disc(g + QPointF(d * std::cos(a), d * std::sin(a)), c.rnd(0.6, 1.8),
               QColor(255, 255, 255, 200));
    }
}

void mountains(Canvas& c) {
    struct Ridge {
        QRgb colour;
        double base;
        std::initializer_list<double> peaks;  // heights as fractions of the poster
    };
    const Ridge ridges[] = {
        {0xffa9c3d6, 0.50, {0.40, 0.22, 0.30, 0.18, 0.34}},
        {0xff6f9c7a, 0.58, {0.44, 0.36, 0.48, 0.38}},
        {c.row.accent, 0.64, {0.56, 0.50, 0.54}},
    };
    c.p.setPen(Qt::NoPen);
    for (const Ridge& r : ridges) {
        QPolygonF poly;
        poly << QPointF(0, r.base * c.h);
        const int n = int(r.peaks.size());
        int i = 0;
        for (double pk : r.peaks) {
            const double x = (i + 0.5) / n * c.w;
            poly << QPointF(x, pk * c.h)
                 << QPointF(x + 0.5 / n * c.w, (pk + r.base) / 2 * c.h + 0.04 * c.h);
            ++i;
        }
        poly << QPointF(c.w, r.base * c.h) << QPointF(c.w, c.h) << QPointF(0, c.h);
        c.p.setBrush(QColor::fromRgba(r.colour));
        c.p.drawPolygon(poly);
        if (r.colour == 0xffa9c3d6) {  // snow on the far peaks
            c.p.setBrush(QColor(250, 252, 255));
            i = 0;
            for (double pk : r.peaks) {
                const double x = (i + 0.5) / n * c.w, y = pk * c.h;
                c.p.drawPolygon(QPolygonF({QPointF(x, y), QPointF(x - 0.035 * c.w, y + 0.035 * c.h),
                                           QPointF(x + 0.03 * c.w, y + 0.03 * c.h)}));
                ++i;
            }
        }
    }
    QLinearGradient meadow(0, 0.62 * c.h, 0, c.h);
    meadow.setColorAt(0, QColor(126, 176, 112));
    meadow.setColorAt(0.18, QColor(226, 240, 214));
    meadow.setColorAt(1, QColor(246, 250, 238));
    c.p.setBrush(meadow);
    c.p.drawRect(QRectF(0, 0.62 * c.h, c.w, c.h));
}

void blinds(Canvas& c) {
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(QColor::fromRgba(c.row.accent));
    for (int i = 0; i < 12; ++i) {
        const double y = 0.08 * c.h + i * 0.042 * c.h, bh = 0.024 * c.h;
        const double cut = c.rnd(0.25, 0.75) * c.w, shift = c.rnd(-24, 24);
        c.p.drawRect(QRectF(-30 + shift, y, cut + 30 - 4, bh));
        c.p.drawRect(QRectF(cut + 4 - shift, y, c.w - cut + 30, bh));
    }
}

void grid(Canvas& c) {
    const double horizon = 0.50 * c.h;
    const QPointF vp(0.5 * c.w, horizon);
    c.glow(vp, 0.60 * c.w, c.row.accent, 110);
    c.p.setPen(QPen(rgba(c.row.accent, 120), 1.2));
    for (int i = -12; i <= 12; ++i) c.p.drawLine(vp, QPointF(0.5 * c.w + i * 0.16 * c.w, c.h));
    for (int k = 1; k <= 12; ++k) {
        const double t = double(k) / 12;
        const double y = horizon + (c.h - horizon) * t * t;
        c.p.drawLine(QPointF(0, y), QPointF(c.w, y));
    }
    c.p.setPen(QPen(rgba(c.row.accent, 220), 2));
    c.p.drawLine(QPointF(0, horizon), QPointF(c.w, horizon));
    c.glow({0.5 * c.w, 0.26 * c.h}, 34, c.row.accent, 230);
    c.disc({0.5 * c.w, 0.26 * c.h}, 7, QColor(255, 220, 210));
}

void rose(Canvas& c) {
    const QPointF centre(0.5 * c.w, 0.30 * c.h);
    c.glow(centre, 0.42 * c.w, c.row.accent, 50);
    c.p.setPen(QPen(QColor(30, 60, 34), 4, Qt::SolidLine, Qt::RoundCap));
    c.p.setBrush(Qt::NoBrush);
    QPainterPath stem;
    stem.moveTo(centre + QPointF(0, 40));
    stem.cubicTo(centre + QPointF(-20, 110), centre + QPointF(25, 150), centre + QPointF(-5, 220));
    c.p.drawPath(stem);
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(QColor(30, 60, 34));
    c.p.save();
    c.p.translate(centre + QPointF(-4, 130));
    c.p.rotate(-35);
    c.p.drawEllipse(QPointF(-22, 0), 24, 9);
    c.p.restore();
    for (int ring = 0; ring < 4; ++ring) {
        const double r = 54 - ring * 12;
        const int petals = 6 - (ring > 1 ? 1 : 0);
        for (int i = 0; i < petals; ++i) {
            c.p.save();
            c.p.translate(centre);
            c.p.rotate(ring * 23 + i * 360.0 / petals);
            QRadialGradient g(QPointF(0, -r * 0.45), r * 0.8);
            g.setColorAt(0, QColor::fromRgba(c.row.accent).lighter(120 + ring * 10));
            g.setColorAt(1, QColor::fromRgba(c.row.accent).darker(200));
            c.p.setBrush(g);
            c.p.drawEllipse(QPointF(0, -r * 0.42), r * 0.50, r * 0.58);
            c.p.restore();
        }
    }
}

void diamonds(Canvas& c) {
    const double end = 0.58 * c.h, s = 34;
    c.p.setPen(QPen(rgba(c.row.accent, 110), 1.5));
    c.p.setBrush(Qt::NoBrush);
    for (double y = 0; y < end; y += s) {
        for (double x = (int(y / s) % 2) * s / 2; x < c.w + s; x += s) {
            c.p.drawPolygon(QPolygonF({QPointF(x, y - s / 2 + 4), QPointF(x + s / 2 - 4, y),
                                       QPointF(x, y + s / 2 - 4), QPointF(x - s / 2 + 4, y)}));
        }
    }
    for (int i = 0; i < 14; ++i) {
        const QPointF at(c.rnd(0.05, 0.95) * c.w, c.rnd(0.03, 0.55) * c.h);
        const double r = c.rnd(6, 16);
        c.p.setPen(Qt::NoPen);
        c.p.setBrush(rgba(c.row.accent, 235));
        c.p.drawPolygon(QPolygonF({at + QPointF(0, -r), at + QPointF(r * 0.22, -r * 0.22),
                                   at + QPointF(r, 0), at + QPointF(r * 0.22, r * 0.22),
                                   at + QPointF(0, r), at + QPointF(-r * 0.22, r * 0.22),
                                   at + QPointF(-r, 0), at + QPointF(-r * 0.22, -r * 0.22)}));
    }
}

void shadows(Canvas& c) {
    const QPointF lamp(0.26 * c.w, 0.30 * c.h);
    c.glow(lamp, 0.55 * c.h, 0xfffff4d6, 120);
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(QColor(0, 0, 0, 120));
    for (int i = 0; i < 5; ++i) {
        const double x = 0.30 * c.w + i * 0.16 * c.w;
        c.p.drawPolygon(QPolygonF({QPointF(x, 0), QPointF(x + 0.06 * c.w, 0),
                                   QPointF(x - 0.20 * c.w, c.h), QPointF(x - 0.32 * c.w, c.h)}));
    }
    c.p.setPen(QPen(QColor(12, 12, 10), 5));
    c.p.drawLine(QPointF(lamp.x(), lamp.y() + 10), QPointF(lamp.x(), c.h));
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(QColor(12, 12, 10));
    c.p.drawPolygon(QPolygonF({lamp + QPointF(-14, -8), lamp + QPointF(14, -8),
                               lamp + QPointF(9, 10), lamp + QPointF(-9, 10)}));
    c.glow(lamp + QPointF(0, 4), 12, 0xffffffff, 255);
    // The great wheel over the rooftops.
    const QPointF hub(0.82 * c.w, 0.36 * c.h);
    const double r = 0.26 * c.h;
    const QColor iron(10, 10, 9, 220);
    c.p.setBrush(Qt::NoBrush);
    c.p.setPen(QPen(iron, 3));
    c.p.drawEllipse(hub, r, r);
    c.p.setPen(QPen(iron, 1.2));
    c.p.drawEllipse(hub, r * 0.92, r * 0.92);
    for (int i = 0; i < 15; ++i) {
        const double a = i * 2 * M_PI / 15;
        const QPointF rim = hub + QPointF(r * std::cos(a), r * std::sin(a));
        c.p.drawLine(hub, rim);
        c.p.save();
        c.p.setPen(Qt::NoPen);
        c.p.setBrush(iron);
        c.p.drawRect(QRectF(rim.x() - 5, rim.y() + 1, 10, 8));
        c.p.restore();
    }
    c.p.setPen(QPen(iron, 4));
    c.p.drawLine(hub, hub + QPointF(-0.10 * c.h, r + 0.14 * c.h));
    c.p.drawLine(hub, hub + QPointF(0.10 * c.h, r + 0.14 * c.h));
}

void tricolour(Canvas& c) {
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(QColor::fromRgba(c.row.accent));
    c.p.drawRect(QRectF(0, 0, 0.11 * c.w, c.h));
    c.p.setBrush(QColor::fromRgba(kSunRed));
    c.p.drawRect(QRectF(0.89 * c.w, 0, 0.11 * c.w, c.h));
    // Columns of newsprint.
    const double left = 0.17 * c.w, colW = 0.20 * c.w, gap = 0.025 * c.w;
    c.p.setPen(QPen(QColor(20, 20, 20), 2.2));
    c.p.drawLine(QPointF(left, 0.08 * c.h), QPointF(0.83 * c.w, 0.08 * c.h));
    for (int col = 0; col < 3; ++col) {
        const double x = left + col * (colW + gap);
        for (double y = 0.11 * c.h; y < 0.54 * c.h; y += 8) {
            const double len = c.rnd(0.55, 1.0) * colW;
            c.p.setPen(QPen(QColor(60, 60, 60, int(c.rnd(90, 170))), 2.5));
            c.p.drawLine(QPointF(x, y), QPointF(x + len, y));
        }
    }
    c.p.setPen(QPen(QColor(20, 20, 20), 1));
    c.p.drawLine(QPointF(left, 0.56 * c.h), QPointF(0.83 * c.w, 0.56 * c.h));
}

void dots(Canvas& c) {
    for (int i = 0; i < 22; ++i)
        c.disc({c.rnd(0, c.w), c.rnd(0, 0.55 * c.h)}, c.rnd(10, 34),
               rgba(c.row.accent, int(c.rnd(20, 60))));
    QPainterPath strand;
    strand.moveTo(-10, 0.12 * c.h);
    strand.cubicTo(0.3 * c.w, 0.42 * c.h, 0.7 * c.w, 0.05 * c.h, c.w + 10, 0.30 * c.h);
    c.p.setPen(QPen(QColor(20, 30, 20, 160), 1.2));
    c.p.setBrush(Qt::NoBrush);
    c.p.drawPath(strand);
    for (int i = 1; i < 14; ++i) {
        const QPointF at = strand.pointAtPercent(i / 14.0);
        c.glow(at, 16, c.row.accent, 170);
        c.disc(at, 4, QColor(255, 246, 210));
    }
}

void towers(Canvas& c) {
    const double ground = 0.60 * c.h;
    const QPointF focus(0.5 * c.w, ground);
    c.p.setPen(Qt::NoPen);
    for (int i = 0; i < 13; ++i) {
        const double a0 = (-180 + i * 14) * M_PI / 180, a1 = a0 + 7 * M_PI / 180;
        c.p.setBrush(rgba(c.row.accent, 30));
        c.p.drawPolygon(QPolygonF({focus, focus + QPointF(900 * std::cos(a0), 900 * std::sin(a0)),
                                   focus + QPointF(900 * std::cos(a1), 900 * std::sin(a1))}));
    }
    struct Block {
        double x, width, height;
    };
    const Block blocks[] = {{0.02, 0.12, 0.22}, {0.12, 0.10, 0.33}, {0.22, 0.12, 0.26},
                            {0.33, 0.10, 0.40}, {0.44, 0.12, 0.50}, {0.57, 0.10, 0.38},
                            {0.67, 0.12, 0.29}, {0.79, 0.09, 0.35}, {0.88, 0.11, 0.24}};
    for (const Block& b : blocks) {
        const QRectF r(b.x * c.w, ground - b.height * c.h, b.width * c.w, b.height * c.h);
        c.p.setPen(QPen(rgba(c.row.accent, 200), 1.5));
        c.p.setBrush(QColor(14, 12, 8));
        c.p.drawRect(r);
        c.p.drawRect(QRectF(r.center().x() - r.width() / 4, r.top() - 14, r.width() / 2, 14));
        c.p.setPen(Qt::NoPen);
        for (double y = r.top() + 8; y < r.bottom() - 6; y += 10)
            for (double x = r.left() + 5; x < r.right() - 5; x += 8)
                if (c.rng.bounded(3) == 0) {
                    c.p.setBrush(rgba(c.row.accent, int(c.rnd(120, 240))));
                    c.p.drawRect(QRectF(x, y, 3, 4));
                }
    }
    c.p.setBrush(QColor(10, 8, 5));
    c.p.drawRect(QRectF(0, ground, c.w, c.h - ground));
    c.p.setPen(QPen(rgba(c.row.accent, 220), 2));
    c.p.drawLine(QPointF(0, ground), QPointF(c.w, ground));
}

void neon(Canvas& c) {
    c.p.save();
    c.p.setClipRect(QRectF(0, 0, c.w, 0.60 * c.h));
    const QRgb pink = 0xffff4fa3;
    for (int i = 0; i < 16; ++i) {
        const QRgb colour = i % 2 ? pink : c.row.accent;
        const double y = c.rnd(-0.1, 0.7) * c.h, x = c.rnd(-0.3, 0.8) * c.w,
                     len = c.rnd(0.3, 0.9) * c.w;
        const QPointF a(x, y), b(x + len, y - len * 0.35);
        for (auto [width, alpha] : {std::pair{12.0, 25}, {5.0, 60}, {1.8, 230}}) {
            c.p.setPen(QPen(rgba(colour, alpha), width, Qt::SolidLine, Qt::RoundCap));
            c.p.drawLine(a, b);
        }
    }
    c.p.restore();
}

void drawMotif(Canvas& c) {
    switch (c.row.motif) {
        case Motif::Rain:
            rain(c);
            break;
        case Motif::LowSun:
            lowSun(c);
            break;
        case Motif::Snow:
            snow(c);
            break;
        case Motif::Shoji:
            shoji(c);
            break;
        case Motif::Waves:
            waves(c);
            break;
        case Motif::Lanterns:
            lanterns(c);
            break;
        case Motif::Umbrella:
            umbrella(c);
            break;
        case Motif::Plaid:
            plaid(c);
            break;
        case Motif::Well:
            well(c);
            break;
        case Motif::Bubbles:
            bubbles(c);
            break;
        case Motif::Planet:
            planet(c);
            break;
        case Motif::Spotlight:
            spotlight(c);
            break;
        case Motif::Mountains:
            mountains(c);
            break;
        case Motif::Blinds:
            blinds(c);
            break;
        case Motif::Grid:
            grid(c);
            break;
        case Motif::Rose:
            rose(c);
            break;
        case Motif::Diamonds:
            diamonds(c);
            break;
        case Motif::Shadows:
            shadows(c);
            break;
        case Motif::Tricolour:
            tricolour(c);
            break;
        case Motif::Dots:
            dots(c);
            break;
        case Motif::Towers:
            towers(c);
            break;
        case Motif::Neon:
            neon(c);
            break;
    }
}

QFont posterFont(bool serif, double pixels, QFont::Weight weight) {
    QFont f(posterFontFamily(serif));
    f.setPixelSize(qMax(1, int(pixels)));
    f.setWeight(weight);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

// Dark type needs no shadow; light type gets a soft one so that it stays
// legible over a busy motif.
void drawShadowed(QPainter& p, const QRectF& r, int flags, const QString& text, QRgb ink) {
    if (isLight(ink)) {
        for (auto [dx, dy, alpha] : {std::tuple{3.0, 3.0, 70}, {1.5, 1.5, 120}}) {
            p.setPen(QColor(0, 0, 0, alpha));
            p.drawText(r.translated(dx, dy), flags, text);
        }
    }
    p.setPen(QColor::fromRgba(ink));
    p.drawText(r, flags, text);
}

void drawHorizontalTitle(QPainter& p, const PosterRow& row, const QStringList& lines,
                         const QRectF& area, double maxPixels) {
    double px = qMin(maxPixels, area.height() / (lines.size() * 1.25));
    QFont f;
    for (;; px -= 1) {
        f = posterFont(row.serif, px, QFont::Bold);
        const QFontMetricsF m(f);
        double widest = 0;
        for (const QString& l : lines) widest = qMax(widest, m.horizontalAdvance(l));
        if (widest <= area.width() || px <= 12) break;
    }
    p.setFont(f);
    const double lineH = px * 1.25;
    double y = area.center().y() - lineH * lines.size() / 2;
    for (const QString& l : lines) {
        drawShadowed(p, QRectF(area.left(), y, area.width(), lineH), Qt::AlignCenter, l, row.ink);
        y += lineH;
    }
}

void drawVerticalTitle(QPainter& p, const PosterRow& row, const QString& title,
                       const QRectF& area) {
    const qsizetype n = title.size();
    const double px = qMin(area.width(), area.height() / (n * 1.08));
    p.setFont(posterFont(row.serif, px, QFont::Bold));
    for (qsizetype i = 0; i < n; ++i) {
        const QRectF cell(area.center().x() - px / 2, area.top() + i * px * 1.08, px, px * 1.08);
        drawShadowed(p, cell, Qt::AlignCenter, title.mid(i, 1), row.ink);
    }
}

}  // namespace

QString posterFontFamily(bool serif) {
    return serif ? QStringLiteral("Noto Serif CJK JP") : QStringLiteral("Noto Sans CJK JP");
}

QImage drawPoster(const PosterRow& row, const QString& daimei, const QString& kantoku,
                  const QString& koukai) {
    const QSize size = sizeOf(row.shape);
    QImage img(size, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                     QPainter::SmoothPixmapTransform);
    const double w = size.width(), h = size.height();

    QLinearGradient bg(0, 0, 0, h);
    bg.setColorAt(0, QColor::fromRgba(row.top));
    bg.setColorAt(1, QColor::fromRgba(row.bottom));
    p.fillRect(img.rect(), bg);

    Canvas canvas{p, QRandomGenerator(seedOf(daimei)), w, h, row};
    drawMotif(canvas);

    const QString titleText = row.titleLines ? QString::fromUtf8(row.titleLines) : daimei;
    if (row.vertical) {
        drawVerticalTitle(p, row, titleText, QRectF(0.64 * w, 0.06 * h, 0.30 * w, 0.76 * h));
    } else {
        const QStringList lines = titleText.split(u'\n');
        switch (row.shape) {
            case PosterShape::Portrait:
                drawHorizontalTitle(p, row, lines, QRectF(0.07 * w, 0.62 * h, 0.86 * w, 0.25 * h),
                                    78);
                break;
            case PosterShape::Landscape:
                drawHorizontalTitle(p, row, lines, QRectF(0.06 * w, 0.54 * h, 0.88 * w, 0.26 * h),
                                    70);
                break;
            case PosterShape::Square:
                drawHorizontalTitle(p, row, lines, QRectF(0.08 * w, 0.58 * h, 0.84 * w, 0.24 * h),
                                    80);
                break;
        }
    }

    p.end();

    // The year and the director, small, with a short rule above them. The
    // motif may have darkened or lightened the foot, so the colour follows
    // what is really there.
    const double footY = h - 0.075 * qMin(w, h) - 18;
    const QRect foot(int(0.2 * w), int(footY), int(0.6 * w), 22);
    qint64 grey = 0;
    for (int y = foot.top(); y <= foot.bottom(); ++y)
        for (int x = foot.left(); x <= foot.right(); ++x) grey += qGray(img.pixel(x, y));
    const bool darkFoot = grey < 128LL * foot.width() * foot.height();
    const QRgb footInk = darkFoot == isLight(row.ink) ? row.ink
                         : darkFoot                   ? 0xfff2f2f2
                                                      : 0xff1a1a1a;
    const QColor soft = rgba(footInk, 215);
    p.begin(&img);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    p.setPen(QPen(soft, 1));
    p.drawLine(QPointF(w / 2 - 0.12 * w, footY - 6), QPointF(w / 2 + 0.12 * w, footY - 6));
    p.setFont(posterFont(false, 15, QFont::Normal));
    p.setPen(soft);
    p.drawText(QRectF(0, footY, w, 26), Qt::AlignCenter,
               QStringLiteral("%1年　監督 %2").arg(koukai.left(4), kantoku));
    p.end();
    return img;
}

QImage toFlatIndexed(const QImage& poster, const PosterRow& row) {
    QList<QRgb> bases = {row.top, row.bottom, row.accent, row.ink};
    if (row.motif == Motif::Shoji) bases << kPaper << kSunRed;
    if (row.motif == Motif::Plaid) bases << kTrunk << kPlaidLine;
    QList<QRgb> unique;
    for (QRgb b : bases)
        if (!unique.contains(b)) unique << b;
    const qsizetype pairs = unique.size() * (unique.size() - 1) / 2;
    const int steps = pairs ? int(qMin<qsizetype>(16, (256 - unique.size()) / pairs + 1)) : 1;
    QList<QRgb> palette = unique;
    for (qsizetype i = 0; i < unique.size(); ++i)
        for (qsizetype j = i + 1; j < unique.size(); ++j)
            for (int s = 1; s < steps; ++s) {
                const double t = double(s) / steps;
                const QRgb a = unique[i], b = unique[j];
                const QRgb m = qRgb(qRound(qRed(a) + (qRed(b) - qRed(a)) * t),
                                    qRound(qGreen(a) + (qGreen(b) - qGreen(a)) * t),
                                    qRound(qBlue(a) + (qBlue(b) - qBlue(a)) * t));
                if (!palette.contains(m)) palette << m;
            }
    return poster.convertToFormat(QImage::Format_Indexed8, palette, Qt::ThresholdDither);
}
