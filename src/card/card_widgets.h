#pragma once

#include <QColor>
#include <QWidget>

// One cell of a score bar: a small filled rectangle whose colour the card sets.
class ShapeCell : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QColor fillColor READ fillColor WRITE setFillColor)
public:
    explicit ShapeCell(QWidget* parent = nullptr);
    QColor fillColor() const { return fill_; }
    void setFillColor(const QColor& c);
    QSize sizeHint() const override { return {20, 16}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QColor fill_ = Qt::white;
};
