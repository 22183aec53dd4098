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

// The finest grid of about kWantedTicks lines or fewer whose labels keep apart:
// room is the plot's length along the values, need what one label takes of it.
void fitTicks(int largest, double room, double need, int* tick, double* top) {
    for (int wanted = kWantedTicks; wanted >= 1; --wanted) {
        *tick = niceTick(largest, wanted);
        *top = scaleTop(largest, *tick);
        if (room * *tick / *top >= need) return;
    }
    *tick = int(*top);  // the two ends alone
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
    QVector<Placed> wanted;
    for (int i = 0; i < n; ++i) labelPanel(panels_[i], chart_.panels[i], &wanted);
    placeLabels(std::move(wanted));
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
    const int largest = panel.largest();
    fitTicks(largest, g.plot.width(),
             fm.horizontalAdvance(QString::number(scaleTop(largest, niceTick(largest, 1)))) + 8,
             &g.tick, &g.top);
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
    // As wide as the widest scale fitTicks may choose.
    const int largest = panel.largest();
    const double tickWidth =
        fm.horizontalAdvance(QString::number(scaleTop(largest, niceTick(largest, 1)))) + 8;
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
    fitTicks(largest, g.plot.height(), line + 2, &g.tick, &g.top);

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
    const Charts::Bar& bar = panel.bars[b];
    if (g.labelStep == 1 || bar.gap) return true;
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

namespace {
// Where text aligned so in box stands: its own extent.
QRectF extent(const QRectF& box, Qt::Alignment align, const QString& text,
              const QFontMetricsF& fm) {
    const double w = fm.horizontalAdvance(text), h = fm.height();
    const double x = align & Qt::AlignRight     ? box.right() - w
                     : align & Qt::AlignHCenter ? box.center().x() - w / 2
                                                : box.left();
    const double y = align & Qt::AlignBottom    ? box.bottom() - h
                     : align & Qt::AlignVCenter ? box.center().y() - h / 2
                                                : box.top();
    return QRectF(x, y, w, h);
}
}  // namespace

void ChartPainter::labelPanel(const Geometry& g, const Panel& panel, QVector<Placed>* out) const {
    using Font = Label::Font;
    const QFontMetricsF normal(font_), bold(bold_), small(small_);
    const double line = normal.height();
    const QRectF& plot = g.plot;
    const auto add = [&](int rank, Font font, const QColor& colour, const QRectF& box,
                         Qt::Alignment align, const QString& text) {
        if (text.isEmpty()) return;
        const QFontMetricsF& fm = font == Font::Bold ? bold : font == Font::Small ? small : normal;
        out->append({rank, {extent(box, align, text, fm), text, font, colour, {}}});
    };
    enum Rank { Caption, Title, Tick, Name, Value };

    // The header: a score's name on its colour, then what the bars leave out.
    if (headerHeight(panel) > 0) {
        const QRectF row(g.box.left(), g.box.top(), g.box.width(), bold.height() + 4);
        double x = row.left();
        if (!panel.caption.isEmpty()) {
            const QString caption =
                bold.elidedText(panel.caption, Qt::ElideRight, std::max(0.0, row.width() - 12));
            const QRectF box(x, row.top(), bold.horizontalAdvance(caption) + 12, row.height());
            out->append(
                {Caption,
                 {box, caption, Font::Bold, kText,
                  panel.colourItem > 0 ? ScoreColours::of(panel.colourItem).label : QColor()}});
            x = box.right() + 8;
        }
        add(Title, Font::Small, kMuted, QRectF(x, row.top(), row.right() - x, row.height()),
            Qt::AlignLeft | Qt::AlignVCenter,
            small.elidedText(panel.note, Qt::ElideRight, std::max(0.0, row.right() - x)));
    }
    if (panel.bars.isEmpty())
        add(Caption, Font::Normal, kMuted, plot, Qt::AlignCenter,
            QStringLiteral("データがありません"));

    if (panel.orientation == Orientation::Horizontal) {
        // The axis titles: the names' over their column, the counts' under the scale.
        add(Title, Font::Small, kMuted,
            QRectF(g.box.left(), plot.top() - line - 4, g.box.width(), line),
            Qt::AlignLeft | Qt::AlignBottom,
            small.elidedText(panel.categoryAxis, Qt::ElideRight, g.box.width()));
        add(Title, Font::Small, kMuted,
            QRectF(plot.left(), plot.bottom() + line + 8, plot.width(), line),
            Qt::AlignHCenter | Qt::AlignTop,
            small.elidedText(panel.valueAxis, Qt::ElideRight, plot.width()));
        for (int v = 0; v <= g.top; v += g.tick) {
            const double x = plot.left() + plot.width() * v / g.top;
            add(Tick, Font::Normal, kMuted, QRectF(x - 40, plot.bottom() + 4, 80, line),
                Qt::AlignHCenter | Qt::AlignTop, QString::number(v));
        }
        for (int i = 0; i < panel.bars.size(); ++i) {
            const QRectF& bar = g.bars[i];
            const QRectF& slot = g.cells[i];
            add(Name, Font::Normal, kText,
                QRectF(g.names.left(), slot.top(), g.names.width(), slot.height()),
                Qt::AlignRight | Qt::AlignVCenter,
                normal.elidedText(panel.bars[i].label, Qt::ElideRight, g.names.width()));
            add(Value, Font::Normal, kText,
                QRectF(bar.right() + 5, slot.top(), g.box.right() - bar.right() - 5, slot.height()),
                Qt::AlignLeft | Qt::AlignVCenter, QString::number(panel.bars[i].value));
        }
        return;
    }

    // The axis titles: the counts' over the scale, the places' under their labels.
    add(Title, Font::Small, kMuted,
        QRectF(g.box.left(), g.box.top() + headerHeight(panel), g.box.width(), line),
        Qt::AlignLeft | Qt::AlignVCenter,
        small.elidedText(panel.valueAxis, Qt::ElideRight, g.box.width()));
    add(Title, Font::Small, kMuted,
        QRectF(plot.left(), plot.bottom() + line + 8, plot.width(), line),
        Qt::AlignHCenter | Qt::AlignTop,
        small.elidedText(panel.categoryAxis, Qt::ElideRight, plot.width()));
    for (int v = 0; v <= g.top; v += g.tick) {
        const double y = plot.bottom() - plot.height() * v / g.top;
        add(Tick, Font::Normal, kMuted,
            QRectF(g.box.left(), y - line / 2, plot.left() - g.box.left() - 6, line),
            Qt::AlignRight | Qt::AlignVCenter, QString::number(v));
    }
    for (int i = 0; i < panel.bars.size(); ++i) {
        const QRectF& bar = g.bars[i];
        const QRectF& slot = g.cells[i];
        if (g.values && panel.bars[i].value > 0)
            add(Value, Font::Small, kText,
                QRectF(slot.left() - 20, bar.top() - line, slot.width() + 40, line - 1),
                Qt::AlignHCenter | Qt::AlignBottom, QString::number(panel.bars[i].value));
        if (labelled(panel, g, i)) {
            const double room = std::max(slot.width(), g.labelStep * slot.width());
            add(Name, Font::Normal, kText,
                QRectF(slot.center().x() - room / 2, plot.bottom() + 5, room, line),
                Qt::AlignHCenter | Qt::AlignTop, axisText(panel, g, i));
        }
    }
}

void ChartPainter::placeLabels(QVector<Placed> wanted) {
    // The axes are thinned to what fits; whatever still has no room where the box
    // is too small for all (a name, a value) is left out rather than drawn over another.
    std::stable_sort(wanted.begin(), wanted.end(),
                     [](const Placed& a, const Placed& b) { return a.rank < b.rank; });
    const QRectF picture(QPointF(0, 0), QSizeF(size_));
    labels_.clear();
    for (Placed& w : wanted) {
        const QRectF& r = w.label.rect;
        if (!picture.contains(r) ||
            std::any_of(labels_.cbegin(), labels_.cend(),
                        [&](const Label& l) { return l.rect.intersects(r); }))
            continue;
        labels_.append(std::move(w.label));
    }
}

void ChartPainter::paint(QPainter& p, Hit hovered) const {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.fillRect(QRectF(QPointF(0, 0), QSizeF(size_)), Qt::white);
    for (int i = 0; i < panels_.size(); ++i) paintPanel(p, i, hovered);
    for (const Label& l : labels_) {
        if (l.background.isValid()) {
            p.setPen(Qt::NoPen);
            p.setBrush(l.background);
            p.drawRoundedRect(l.rect, 3, 3);
        }
        p.setFont(l.font == Label::Font::Bold    ? bold_
                  : l.font == Label::Font::Small ? small_
                                                 : font_);
        p.setPen(l.colour);
        p.drawText(l.rect, Qt::AlignCenter | Qt::TextDontClip, l.text);
    }
    p.restore();
}

void ChartPainter::paintPanel(QPainter& p, int index, Hit hovered) const {
    const Geometry& g = panels_[index];
    const Panel& panel = chart_.panels[index];
    const int hot = hovered.panel == index ? hovered.bar : -1;
    const QRectF& plot = g.plot;
    const QColor fill = fillOf(panel);
    const bool horizontal = panel.orientation == Orientation::Horizontal;
    p.setPen(QPen(kGridLine, 1));
    for (int v = g.tick; v <= g.top; v += g.tick) {
        if (horizontal) {
            const double x = plot.left() + plot.width() * v / g.top;
            p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        } else {
            const double y = plot.bottom() - plot.height() * v / g.top;
            p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        }
    }
    const bool outlined = horizontal || (!g.bars.isEmpty() && g.bars.first().width() >= 3);
    for (int i = 0; i < panel.bars.size(); ++i) {
        const QRectF& bar = g.bars[i];
        p.setPen(outlined ? QPen(fill.darker(150), 1) : QPen(Qt::NoPen));
        p.setBrush(i == hot ? fill.darker(125) : fill);
        if (horizontal ? bar.width() > 0 : bar.height() > 0) p.drawRect(bar);
        if (panel.bars[i].gap) {
            // A break of the axis: periods left out between the bars either side.
            const QRectF& cell = g.cells[i];
            p.setPen(QPen(kMuted, 1, Qt::DashLine));
            p.drawLine(QPointF(cell.center().x(), plot.top()),
                       QPointF(cell.center().x(), plot.bottom()));
            p.setPen(QPen(kAxisLine, 1.5));
            for (double dx : {-2.5, 2.5})
                p.drawLine(QPointF(cell.center().x() + dx - 2, plot.bottom() + 3),
                           QPointF(cell.center().x() + dx + 2, plot.bottom() - 3));
        }
        if (!horizontal && labelled(panel, g, i)) {
            const double x = g.cells[i].center().x();
            p.setPen(QPen(kAxisLine, 1));
            p.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + 4));
        }
    }
    p.setPen(QPen(kAxisLine, 1));
    p.drawLine(plot.topLeft(), plot.bottomLeft());
    p.drawLine(plot.bottomLeft(), plot.bottomRight());
}
