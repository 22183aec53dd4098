#include "chart_painter.h"

#include "shell/score_colours.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

using Charts::Axis;
using Charts::Orientation;
using Charts::Panel;

namespace {
constexpr double kMargin = 14;
constexpr double kPanelGap = 22;
constexpr int kWantedTicks = 5;
const QColor kText(0x20, 0x20, 0x20);
const QColor kMuted(0x66, 0x66, 0x66);
const QColor kAxisLine(0x55, 0x55, 0x55);
const QColor kGridLine(0xDD, 0xDD, 0xDD);
const QColor kOwnColour(0x6A, 0x96, 0xD8);  // bars that no score colours

// 1, 2 or 5 times a power of ten, so that about `wanted` grid lines reach past largest.
int niceTick(int largest, int wanted) {
    if (largest <= wanted) return 1;
    const double raw = double(largest) / wanted;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0}) {
        if (m * magnitude >= raw) return int(m * magnitude);
    }
    return int(10 * magnitude);
}

// The value at the far end of the plot: the largest bar's value rounded up to a grid line.
int scaleTop(int largest, int tick) { return std::max(tick, (largest + tick - 1) / tick * tick); }

QColor fillOf(const Panel& p) {
    return p.colourItem > 0 ? ScoreColours::of(p.colourItem).lit : kOwnColour;
}

QFont inPixels(QFont f, double scale = 1.0, bool bold = false) {
    const int px = f.pixelSize() > 0 ? f.pixelSize() : QFontInfo(f).pixelSize();
    f.setPixelSize(std::max(9, int(std::lround(px * scale))));
    f.setBold(bold);
    return f;
}

// The places a crowded axis may label: round months or years, or every n-th value.
QVector<int> stepsFor(Axis axis, int bars) {
    switch (axis) {
        case Axis::Months:
            return {1, 2, 3, 4, 6, 12, 24, 36, 60, 120, 240, 600, 1200};
        case Axis::Years:
            return {1, 2, 5, 10, 20, 50, 100, 200, 500, 1000};
        default: {
            QVector<int> all;
            for (int s = 1; s <= std::max(1, bars); ++s) all.append(s);
            return all;
        }
    }
}
}  // namespace

ChartPainter::ChartPainter(const Charts::Chart& chart, const QFont& font)
    : chart_(chart),
      font_(inPixels(font)),
      bold_(inPixels(font, 1.0, true)),
      small_(inPixels(font, 0.9)) {}

double ChartPainter::headerHeight(const Panel& panel) const {
    if (panel.caption.isEmpty() && panel.note.isEmpty()) return 0;
    return QFontMetricsF(bold_).height() + 10;
}

QSize ChartPainter::preferredSize() const {
    const QFontMetricsF fm(font_);
    const double line = fm.height();
    if (chart_.panels.size() != 1) return {1040, 660};
    const Panel& panel = chart_.panels.first();
    const int n = int(panel.bars.size());
    if (panel.orientation == Orientation::Horizontal) {
        double names = fm.horizontalAdvance(panel.categoryAxis);
        for (const Charts::Bar& b : panel.bars)
            names = std::max(names, fm.horizontalAdvance(b.label));
        const double height =
            2 * kMargin + headerHeight(panel) + (line + 4) + n * line * 1.7 + 2 * (line + 6);
        return {int(std::min(names, 340.0) + 560), std::clamp(int(height), 260, 960)};
    }
    const double pitch = panel.axis == Axis::Months ? 14 : 64;
    return {std::clamp(int(n * pitch + 120), 560, 1280), 480};
}

void ChartPainter::layout(const QSize& size) {
    size_ = size;
    const int n = int(chart_.panels.size());
    panels_ = QVector<Geometry>(n);
    if (n == 0) return;
    const QRectF area(kMargin, kMargin, size.width() - 2 * kMargin, size.height() - 2 * kMargin);
    const int cols = n == 1 ? 1 : std::min(n, area.width() >= 1.3 * area.height() ? 4 : 2);
    const int rows = (n + cols - 1) / cols;
    const double w = (area.width() - (cols - 1) * kPanelGap) / cols;
    const double h = (area.height() - (rows - 1) * kPanelGap) / rows;
    for (int i = 0; i < n; ++i) {
        Geometry& g = panels_[i];
        g.box = QRectF(area.left() + (i % cols) * (w + kPanelGap),
                       area.top() + (i / cols) * (h + kPanelGap), w, h);
        const Panel& panel = chart_.panels[i];
        const int largest = panel.largest();
        g.tick = niceTick(largest, kWantedTicks);
        g.top = scaleTop(largest, g.tick);
        if (panel.orientation == Orientation::Horizontal)
            layoutHorizontal(g, panel);
        else
            layoutVertical(g, panel);
    }
}

void ChartPainter::layoutHorizontal(Geometry& g, const Panel& panel) const {
    const QFontMetricsF fm(font_);
    const double line = fm.height();
    const int n = int(panel.bars.size());
    double names = 0;
    for (const Charts::Bar& b : panel.bars) names = std::max(names, fm.horizontalAdvance(b.label));
    names = std::min(names, g.box.width() * 0.4);
    const double valueWidth = fm.horizontalAdvance(QString::number(panel.largest())) + 10;
    const double top = g.box.top() + headerHeight(panel) + line + 4;  // the axis titles' row
    const double bottomRoom = 2 * (line + 6);                         // tick labels, axis title
    const double room = std::max(0.0, g.box.bottom() - bottomRoom - top);
    const double pitch = n > 0 ? std::min(room / n, line * 1.9) : 0;
    const double left = g.box.left() + names + 12;
    g.plot = QRectF(left, top, std::max(10.0, g.box.right() - valueWidth - left),
                    n > 0 ? pitch * n : room);
    g.names = QRectF(g.box.left(), top, names, g.plot.height());
    const double thickness = std::min(pitch * 0.72, 26.0);
    for (int i = 0; i < n; ++i) {
        const double y = top + i * pitch;
        const double length = g.plot.width() * panel.bars[i].value / g.top;
        g.bars.append(QRectF(left, y + (pitch - thickness) / 2, length, thickness));
        g.cells.append(QRectF(g.box.left(), y, g.box.width(), pitch));
    }
}

void ChartPainter::layoutVertical(Geometry& g, const Panel& panel) const {
    const QFontMetricsF fm(font_);
    const QFontMetricsF small(small_);
    const double line = fm.height();
    const int n = int(panel.bars.size());
    const double tickWidth = fm.horizontalAdvance(QString::number(int(g.top))) + 8;
    const double top = g.box.top() + headerHeight(panel) + line + 4;  // the value axis title
    const double left = g.box.left() + std::max(tickWidth, 24.0);
    const double bottom = g.box.bottom() - (line + 8) - (line + 4);  // labels, axis title
    const double pitch = n > 0 ? (g.box.right() - 4 - left) / n : 0;

    double widestValue = 0;
    for (const Charts::Bar& b : panel.bars)
        widestValue = std::max(widestValue, small.horizontalAdvance(QString::number(b.value)));
    g.values = n > 0 && n <= 60 && pitch >= widestValue + 2;
    const double valueRoom = g.values ? small.height() + 2 : line / 2;
    g.plot = QRectF(left, top + valueRoom, g.box.right() - 4 - left,
                    std::max(10.0, bottom - top - valueRoom));

    // The smallest step whose labels do not touch.
    for (int step : stepsFor(panel.axis, n)) {
        g.labelStep = step;
        g.coarse = panel.axis == Axis::Months && step >= 12;
        double widest = 0;
        for (int b = 0; b < n; ++b)
            if (labelled(panel, g, b))
                widest = std::max(widest, fm.horizontalAdvance(axisText(panel, g, b)));
        if (widest + 6 <= step * pitch) break;
    }

    const double width = pitch >= 4 ? pitch * 0.72 : pitch;
    for (int i = 0; i < n; ++i) {
        const double x = left + i * pitch;
        const double height = g.plot.height() * panel.bars[i].value / g.top;
        g.bars.append(QRectF(x + (pitch - width) / 2, g.plot.bottom() - height, width, height));
        g.cells.append(QRectF(x, g.plot.top(), pitch, g.plot.height()));
    }
}

bool ChartPainter::labelled(const Panel& panel, const Geometry& g, int b) {
    if (g.labelStep == 1) return true;
    const Charts::Bar& bar = panel.bars[b];
    if ((panel.axis == Axis::Months || panel.axis == Axis::Years) && bar.ordinal >= 0)
        return bar.ordinal % g.labelStep == 0;
    return b % g.labelStep == 0;
}

QString ChartPainter::axisText(const Panel& panel, const Geometry& g, int b) {
    const Charts::Bar& bar = panel.bars[b];
    if (g.coarse && !bar.coarseLabel.isEmpty()) return bar.coarseLabel;
    return bar.axisLabel.isEmpty() ? bar.label : bar.axisLabel;
}

ChartPainter::Hit ChartPainter::barAt(const QPointF& pos) const {
    for (int p = 0; p < panels_.size(); ++p) {
        const QVector<QRectF>& cells = panels_[p].cells;
        for (int b = 0; b < cells.size(); ++b)
            if (cells[b].contains(pos)) return {p, b};
    }
    return {};
}

void ChartPainter::paint(QPainter& p, Hit hovered) const {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.fillRect(QRectF(QPointF(0, 0), QSizeF(size_)), Qt::white);
    for (int i = 0; i < panels_.size(); ++i) paintPanel(p, i, hovered);
    p.restore();
}

void ChartPainter::paintPanel(QPainter& p, int index, Hit hovered) const {
    const Geometry& g = panels_[index];
    const Panel& panel = chart_.panels[index];
    paintHeader(p, g, panel);
    const int bar = hovered.panel == index ? hovered.bar : -1;
    if (panel.orientation == Orientation::Horizontal)
        paintHorizontal(p, g, panel, bar);
    else
        paintVertical(p, g, panel, bar);
    if (panel.bars.isEmpty()) {
        p.setFont(font_);
        p.setPen(kMuted);
        p.drawText(g.plot, Qt::AlignCenter, QStringLiteral("データがありません"));
    }
}

void ChartPainter::paintHeader(QPainter& p, const Geometry& g, const Panel& panel) const {
    if (headerHeight(panel) == 0) return;
    const QFontMetricsF fm(bold_);
    double x = g.box.left();
    const QRectF row(x, g.box.top(), g.box.width(), fm.height() + 4);
    if (!panel.caption.isEmpty()) {
        const double width = fm.horizontalAdvance(panel.caption) + 12;
        const QRectF label(x, row.top(), width, row.height());
        // A score's name stands on its own colour, as on the card.
        if (panel.colourItem > 0) {
            p.setPen(Qt::NoPen);
            p.setBrush(ScoreColours::of(panel.colourItem).label);
            p.drawRoundedRect(label, 3, 3);
        }
        p.setFont(bold_);
        p.setPen(kText);
        p.drawText(label, Qt::AlignCenter, panel.caption);
        x += width + 8;
    }
    if (!panel.note.isEmpty()) {
        p.setFont(small_);
        p.setPen(kMuted);
        p.drawText(QRectF(x, row.top(), g.box.right() - x, row.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, panel.note);
    }
}

void ChartPainter::paintHorizontal(QPainter& p, const Geometry& g, const Panel& panel,
                                   int hovered) const {
    const QFontMetricsF fm(font_);
    const double line = fm.height();
    const QRectF& plot = g.plot;

    // The axis titles: the names' over their column, the counts' under the scale.
    p.setFont(small_);
    p.setPen(kMuted);
    p.drawText(QRectF(g.box.left(), plot.top() - line - 4, g.box.width(), line),
               Qt::AlignLeft | Qt::AlignBottom, panel.categoryAxis);
    p.drawText(QRectF(plot.left(), plot.bottom() + line + 8, plot.width(), line),
               Qt::AlignHCenter | Qt::AlignTop, panel.valueAxis);

    p.setFont(font_);
    for (int v = 0; v <= g.top; v += g.tick) {
        const double x = plot.left() + plot.width() * v / g.top;
        p.setPen(QPen(kGridLine, 1));
        if (v > 0) p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        p.setPen(kMuted);
        p.drawText(QRectF(x - 40, plot.bottom() + 4, 80, line), Qt::AlignHCenter | Qt::AlignTop,
                   QString::number(v));
    }

    const QColor fill = fillOf(panel);
    for (int i = 0; i < panel.bars.size(); ++i) {
        const QRectF& bar = g.bars[i];
        const QRectF& slot = g.cells[i];
        p.setPen(QPen(fill.darker(150), 1));
        p.setBrush(i == hovered ? fill.darker(125) : fill);
        if (bar.width() > 0) p.drawRect(bar);
        p.setPen(kText);
        const QRectF name(g.names.left(), slot.top(), g.names.width(), slot.height());
        p.drawText(name, Qt::AlignRight | Qt::AlignVCenter,
                   fm.elidedText(panel.bars[i].label, Qt::ElideRight, name.width()));
        p.drawText(
            QRectF(bar.right() + 5, slot.top(), g.box.right() - bar.right() - 5, slot.height()),
            Qt::AlignLeft | Qt::AlignVCenter, QString::number(panel.bars[i].value));
    }
    p.setPen(QPen(kAxisLine, 1));
    p.drawLine(plot.topLeft(), plot.bottomLeft());
    p.drawLine(plot.bottomLeft(), plot.bottomRight());
}

void ChartPainter::paintVertical(QPainter& p, const Geometry& g, const Panel& panel,
                                 int hovered) const {
    const QFontMetricsF fm(font_);
    const double line = fm.height();
    const QRectF& plot = g.plot;

    // The axis titles: the counts' over the scale, the places' under their labels.
    p.setFont(small_);
    p.setPen(kMuted);
    p.drawText(QRectF(g.box.left(), g.box.top() + headerHeight(panel), g.box.width(), line),
               Qt::AlignLeft | Qt::AlignVCenter, panel.valueAxis);
    p.drawText(QRectF(plot.left(), plot.bottom() + line + 8, plot.width(), line),
               Qt::AlignHCenter | Qt::AlignTop, panel.categoryAxis);

    p.setFont(font_);
    for (int v = 0; v <= g.top; v += g.tick) {
        const double y = plot.bottom() - plot.height() * v / g.top;
        p.setPen(QPen(kGridLine, 1));
        if (v > 0) p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        p.setPen(kMuted);
        p.drawText(QRectF(g.box.left(), y - line / 2, plot.left() - g.box.left() - 6, line),
                   Qt::AlignRight | Qt::AlignVCenter, QString::number(v));
    }

    const QColor fill = fillOf(panel);
    const bool outlined = !g.bars.isEmpty() && g.bars.first().width() >= 3;
    for (int i = 0; i < panel.bars.size(); ++i) {
        const QRectF& bar = g.bars[i];
        const QRectF& slot = g.cells[i];
        p.setPen(outlined ? QPen(fill.darker(150), 1) : QPen(Qt::NoPen));
        p.setBrush(i == hovered ? fill.darker(125) : fill);
        if (bar.height() > 0) p.drawRect(bar);
        if (g.values && panel.bars[i].value > 0) {
            p.setFont(small_);
            p.setPen(kText);
            p.drawText(QRectF(slot.left() - 20, bar.top() - line, slot.width() + 40, line - 1),
                       Qt::AlignHCenter | Qt::AlignBottom, QString::number(panel.bars[i].value));
        }
        if (labelled(panel, g, i)) {
            const double x = slot.center().x();
            p.setPen(QPen(kAxisLine, 1));
            p.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + 4));
            p.setFont(font_);
            p.setPen(kText);
            const double room = std::max(slot.width(), g.labelStep * slot.width());
            p.drawText(QRectF(x - room / 2, plot.bottom() + 5, room, line),
                       Qt::AlignHCenter | Qt::AlignTop, axisText(panel, g, i));
        }
    }
    p.setPen(QPen(kAxisLine, 1));
    p.drawLine(plot.bottomLeft(), plot.bottomRight());
    p.drawLine(plot.topLeft(), plot.bottomLeft());
}
