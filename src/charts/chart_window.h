#pragma once

#include "chart_data.h"
#include "chart_painter.h"

#include <QWidget>

#include <functional>
#include <optional>

class Prompts;
class QPushButton;

// The chart on the screen: ChartPainter's picture at the widget's size, with
// the value of the bar under the pointer.
class ChartView : public QWidget {
    Q_OBJECT
public:
    explicit ChartView(QWidget* parent = nullptr);

    void setChart(const Charts::Chart& chart);
    const Charts::Chart& chart() const { return chart_; }
    QSize sizeHint() const override;

    // What the pointer at pos shows: the bar's hover text, or "" off the bars.
    QString tipAt(const QPoint& pos) const;
    // Where bar b of panel p is drawn, in the widget.
    QRectF barRect(int p, int b) const;

    // The picture as it is on the screen, for the files.
    QImage toImage() const;
    QByteArray toSvg(const QString& title) const;

signals:
    // A double-click on bar b of panel p (or on its row or column), a break of a
    // time axis aside: whoever made the chart lists what the bar counts.
    void barActivated(int p, int b);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    ChartPainter& painter() const;

    Charts::Chart chart_;
    mutable std::optional<ChartPainter> painter_;  // laid out for the widget's size
    ChartPainter::Hit hovered_;
};

// The window of one grid's chart (title "グラフ — " and the grid's heading),
// with "PNGで保存…" and "SVGで保存…". It stays until closed; opening it again
// brings it back with the data of that moment.
class ChartWindow : public QWidget {
    Q_OBJECT
public:
    ChartWindow(Prompts& prompts, QWidget* parent);

    // Shows chart under "グラフ — " + heading; fileStem is the name offered for the files.
    void showChart(const QString& heading, const Charts::Chart& chart, const QString& fileStem);
    ChartView* view() const { return view_; }

    // The save buttons: false when the user cancelled or the file could not be written.
    bool savePng();
    bool saveSvg();

signals:
    // The view's barActivated: bar b of panel p of the chart shown was double-clicked.
    void barActivated(int p, int b);

private:
    bool save(const QString& kind, const QString& extension,
              const std::function<QByteArray()>& bytes);

    Prompts& prompts_;
    ChartView* view_;
    QString fileStem_;
};
