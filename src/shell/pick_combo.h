#pragma once

#include <QComboBox>

// A combo box that changes data only when the user means it.
// QComboBox reports `activated` also when editing ends on a listed text (Tab,
// a click elsewhere) and when the wheel turns over the closed box; `picked`
// reports only a pick in the open list, by mouse or keyboard. The wheel over
// the closed box is left to the page, and an arrow key on the closed box
// opens the list instead of changing the value behind the user's back; Page Up
// and Page Down are left to the screen around it.
class PickCombo : public QComboBox {
    Q_OBJECT
public:
    explicit PickCombo(QWidget* parent = nullptr);

    void showPopup() override;

    // Reports Enter in the box (typed text, list closed) as entered(); a screen
    // whose Enter is not taken by a handler of its own asks for it.
    void reportEnter();

signals:
    void picked(int index);
    void entered();

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
    bool reportsEnter_ = false;
};
