#include "pick_combo.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTimer>
#include <QWheelEvent>

namespace {
bool isEnter(const QKeyEvent* e) { return e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter; }
}  // namespace

PickCombo::PickCombo(QWidget* parent) : QComboBox(parent) {
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (!picking_) return;
        picking_ = false;
        emit picked(index);
    });
}

// The list's view reports the pick to the combo from its own event handling,
// which runs after this filter; a view set later is watched from then on.
void PickCombo::watchList() {
    QAbstractItemView* list = view();
    if (list == watchedView_) return;
    list->installEventFilter(this);
    list->viewport()->installEventFilter(this);
    watchedView_ = list;
}

void PickCombo::reportEnter() {
    reportsEnter_ = true;
    if (lineEdit()) lineEdit()->installEventFilter(this);
}

bool PickCombo::eventFilter(QObject* watched, QEvent* event) {
    if (reportsEnter_ && watched == lineEdit() && event->type() == QEvent::KeyPress &&
        isEnter(static_cast<QKeyEvent*>(event))) {
        emit entered();
        return true;
    }
    const bool inList = watchedView_ && (watched == watchedView_ || watched == view()->viewport());
    if (inList && view()->isVisible()) {
        bool pick = false;
        if (event->type() == QEvent::MouseButtonRelease) {
            pick = static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
        } else if (event->type() == QEvent::KeyPress ||
                   event->type() == QEvent::ShortcutOverride) {  // the list takes Enter there
            const int key = static_cast<QKeyEvent*>(event)->key();
            pick = key == Qt::Key_Return || key == Qt::Key_Enter;
        }
        if (pick) {
            // The list reports the entry at once if there is one; otherwise the
            // flag must not outlive this event.
            picking_ = true;
            QTimer::singleShot(0, this, [this] { picking_ = false; });
        }
    }
    return QComboBox::eventFilter(watched, event);
}

void PickCombo::showPopup() {
    watchList();
    currentIndexToText();
    QComboBox::showPopup();
}

void PickCombo::currentIndexToText() {
    if (!isEditable()) return;
    const QString text = currentText();
    if (currentIndex() >= 0 && itemText(currentIndex()) == text) return;
    const int row = findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (row >= 0) setCurrentIndex(row);
    if (lineEdit()->text() != text) lineEdit()->setText(text);
}

void PickCombo::wheelEvent(QWheelEvent* event) { event->ignore(); }

void PickCombo::keyPressEvent(QKeyEvent* event) {
    if (reportsEnter_ && isEnter(event)) {
        event->accept();
        emit entered();
        return;
    }
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    bool opens = false;
    if (mods == Qt::NoModifier) {
        switch (key) {
            case Qt::Key_Up:
            case Qt::Key_Down:
                opens = true;
                break;
            case Qt::Key_PageUp:
            case Qt::Key_PageDown:
                // Left to the screen around the box (the card turns its titles with them),
                // and never a step through the closed list.
                event->ignore();
                return;
            case Qt::Key_Home:
            case Qt::Key_End:
                opens = !isEditable();  // in an editable box they move the cursor
                break;
            default:
                // A closed list box would jump to the entry that starts with the key.
                opens = !isEditable() && !event->text().isEmpty() && event->text()[0].isPrint();
                break;
        }
    }
    if (!opens) {
        QComboBox::keyPressEvent(event);
        return;
    }
    showPopup();
    if (!isEditable() && !event->text().trimmed().isEmpty()) view()->keyboardSearch(event->text());
    event->accept();
}
