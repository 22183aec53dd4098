#pragma once

#include "chart_data.h"

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QSize>
#include <QVector>

class QPainter;

// Lays a chart out in a box and draws it with QPainter, so that the window, a
// PNG and an SVG show the same picture. The font is fixed in pixels, so the
// layout does not depend on the device's resolution.
class ChartPainter {
public:
    ChartPainter(const Charts::Chart& chart, const QFont& font);

    // A size at which every label of the chart has room.
    QSize preferredSize() const;
    // Lays the chart out in a box of this size, at (0, 0).
    void layout(const QSize& size);

    struct Hit {
        int panel = -1;
        int bar = -1;
        bool operator==(const Hit&) const = default;
    };
    // Draws the whole box, background included; the hovered bar stands out.
    void paint(QPainter& p, Hit hovered) const;
    void paint(QPainter& p) const { paint(p, Hit{}); }
    // The bar under a point, with the rest of its row or column, or none.
    Hit barAt(const QPointF& pos) const;
    QRectF barRect(int panel, int bar) const { return panels_[panel].bars[bar]; }

    // Every text of the picture as laid out: where it stands (its own extent) and
    // what it says. No two of them overlap, whatever the size.
    struct Label {
        QRectF rect;
        QString text;
        enum class Font { Normal, Bold, Small } font = Font::Normal;
        QColor colour;
        QColor background;  // a score's name stands on its colour; invalid: none
    };
    const QVector<Label>& labels() const { return labels_; }

private:
    struct Geometry {
        QRectF box;             // the panel's share of the chart
        QRectF plot;            // where the bars stand
        QRectF names;           // a horizontal chart's column of names
        double top = 1;         // the value at the plot's far end
        int tick = 1;           // between two grid lines
        int labelStep = 1;      // a vertical chart labels every labelStep-th place
        bool coarse = false;    // ... by its coarse label
        bool values = false;    // a vertical chart has room for the values over its bars
        QVector<QRectF> bars;   // one per bar
        QVector<QRectF> cells;  // the whole row or column of each bar, for the hover
    };

    void layoutHorizontal(Geometry& g, const Charts::Panel& panel) const;
    void layoutVertical(Geometry& g, const Charts::Panel& panel) const;
    // The texts of a panel, each with its rank: the lower, the sooner it gets its place.
    struct Placed {
        int rank = 0;
        Label label;
    };
    void labelPanel(const Geometry& g, const Charts::Panel& panel, QVector<Placed>* out) const;
    void placeLabels(QVector<Placed> wanted);
    void paintPanel(QPainter& p, int index, Hit hovered) const;
    double headerHeight(const Charts::Panel& panel) const;
    // Whether bar b of a vertical panel gets its label on the axis.
    static bool labelled(const Charts::Panel& panel, const Geometry& g, int b);
    static QString axisText(const Charts::Panel& panel, const Geometry& g, int b);

    Charts::Chart chart_;
    QFont font_;
    QFont bold_;
    QFont small_;
    QSize size_;
    QVector<Geometry> panels_;
    QVector<Label> labels_;
};
