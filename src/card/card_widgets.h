#pragma once

#include <QColor>
#include <QComboBox>
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

// A combo box of the card, which changes data only when the user means it.
// QComboBox reports `activated` also when editing ends on a listed text (Tab,
// a click elsewhere) and when the wheel turns over the closed box; `picked`
// reports only a pick in the open list, by mouse or keyboard. The wheel over
// the closed box is left to the page, and an arrow key on the closed box
// opens the list instead of changing the value behind the user's back.
class PickCombo : public QComboBox {
    Q_OBJECT
public:
    explicit PickCombo(QWidget* parent = nullptr);

    void showPopup() override;

signals:
    void picked(int index);

protected:
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watchList();
    // The list opens on the entry the box shows, though code set the text alone.
    void currentIndexToText();

    QObject* watchedView_ = nullptr;
    bool picking_ = false;
};
