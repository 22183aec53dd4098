#pragma once

// What a user does with the card's combo boxes, done through real key, mouse
// and wheel events on the real widgets, and a record of every file in the data
// directory to show that a gesture wrote nothing.

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMap>
#include <QSpontaneKeyEvent>
#include <QTest>
#include <QWheelEvent>

namespace ComboGestures {

// Every file of the directory with its bytes.
inline QMap<QString, QByteArray> snapshot(const QString& dir) {
    QMap<QString, QByteArray> files;
    for (const QString& name : QDir(dir).entryList(QDir::Files)) {
        QFile f(QDir(dir).filePath(name));
        if (f.open(QIODevice::ReadOnly)) files.insert(name, f.readAll());
    }
    return files;
}

// Keyboard focus, completion and leaving a box with Tab only happen in the
// active window.
inline bool activate(QWidget* window) {
    window->show();
    QApplication::setActiveWindow(window);
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

// Types text into the focused widget: Latin characters key by key, anything
// else as the input method commits it.
inline void typeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(widget, char(c.unicode()));
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(QString(c));
            QApplication::sendEvent(widget, &commit);
        }
    }
}

// Clicks into the box and types text over what it holds.
inline void typeOver(QComboBox* combo, const QString& text) {
    QLineEdit* edit = combo->lineEdit();
    QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(4, edit->height() / 2));
    edit->selectAll();
    typeText(edit, text);
}

// Opens the list and clicks entry row. (The list is opened as the box's arrow
// opens it; a real click there would make the list ignore a release that
// follows too soon.)
inline bool pickWithMouse(QComboBox* combo, int row) {
    if (!combo->view()->isVisible()) combo->showPopup();
    if (!QTest::qWaitFor([&] { return combo->view()->isVisible(); }, 2000)) return false;
    QAbstractItemView* view = combo->view();
    const QModelIndex index = view->model()->index(row, combo->modelColumn());
    // In the middle of the list, so that an entry the list shows only in part is not missed.
    view->scrollTo(index, QAbstractItemView::PositionAtCenter);
    const QPoint at(view->viewport()->width() / 2, view->visualRect(index).center().y());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    return !view->isVisible();
}

// Opens the list with F4, moves to entry row with the arrow keys and takes it with Enter.
inline bool pickWithKeys(QComboBox* combo, int row) {
    QWidget* box = combo->lineEdit() ? static_cast<QWidget*>(combo->lineEdit()) : combo;
    QTest::keyClick(box, Qt::Key_F4);
    QAbstractItemView* view = combo->view();
    if (!QTest::qWaitFor([&] { return view->isVisible(); }, 2000)) return false;
    QTest::keyClick(view, Qt::Key_Home);
    for (int i = 0; i < row; ++i) QTest::keyClick(view, Qt::Key_Down);
    QTest::keyClick(view, Qt::Key_Return);
    return !view->isVisible();
}

// One notch of the mouse wheel over the middle of a widget, delivered as the
// window system delivers it: to the widget under the pointer, passed on to its
// parents while nobody takes it.
inline void turnWheel(QWidget* over, int notches = -1) {
    const QPoint local(over->width() / 2, over->height() / 2);
    QWidget* target = over->childAt(local);
    if (!target) target = over;
    const QPoint at = target->mapFrom(over, local);
    QWheelEvent wheel(at, target->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QSpontaneKeyEvent::setSpontaneous(&wheel);
    QApplication::instance()->notify(target, &wheel);
}

}  // namespace ComboGestures
