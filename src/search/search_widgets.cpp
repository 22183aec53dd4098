#include "search_widgets.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QWheelEvent>

namespace {
bool isEnter(const QKeyEvent* e) { return e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter; }
}  // namespace

PickCombo::PickCombo(const QString& name, QWidget* parent) : QComboBox(parent) {
    setObjectName(name);
    setEditable(true);
    // What is typed stays as typed: no insertion into the list, no completion.
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    setMaxVisibleItems(20);
    setFocusPolicy(Qt::StrongFocus);  // a wheel turn does not even take the focus
    lineEdit()->installEventFilter(this);
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (!leaving_) emit picked(index);
    });
}

void PickCombo::wheelEvent(QWheelEvent* e) { e->ignore(); }

void PickCombo::keyPressEvent(QKeyEvent* e) {
    if (isEnter(e)) {
        e->accept();
        emit entered();
        return;
    }
    switch (e->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            // Alt+Down opens the list; a bare arrow would step through the items.
            if (!(e->modifiers() & (Qt::AltModifier | Qt::ControlModifier))) {
                e->ignore();
                return;
            }
            break;
        default:
            break;
    }
    QComboBox::keyPressEvent(e);
}

// Leaving the box on a text the list holds makes QComboBox report activated.
void PickCombo::focusOutEvent(QFocusEvent* e) {
    leaving_ = true;
    QComboBox::focusOutEvent(e);
    leaving_ = false;
}

bool PickCombo::eventFilter(QObject* watched, QEvent* event) {
    if (watched != lineEdit()) return QComboBox::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress && isEnter(static_cast<QKeyEvent*>(event))) {
        emit entered();
        return true;
    }
    if (event->type() == QEvent::FocusOut) {
        leaving_ = true;
        lineEdit()->event(event);
        leaving_ = false;
        return true;
    }
    return QComboBox::eventFilter(watched, event);
}

ChoiceList::ChoiceList(const QString& name, int columnWidth, QWidget* parent)
    : QListWidget(parent), columnWidth_(columnWidth) {
    setObjectName(name);
    setFlow(QListView::LeftToRight);
    setWrapping(false);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(this, &QListWidget::itemSelectionChanged, this, &ChoiceList::selectionMoved);
}

void ChoiceList::setChoices(const QStringList& items) {
    filling_ = true;
    clear();
    const int rowHeight = fontMetrics().height() + 8;
    for (const QString& text : items) {
        auto* item = new QListWidgetItem(text, this);
        item->setTextAlignment(Qt::AlignCenter);
        item->setSizeHint(QSize(columnWidth_, rowHeight));
    }
    setFixedSize(int(items.size()) * columnWidth_ + 2 * frameWidth(), rowHeight + 2 * frameWidth());
    filling_ = false;
}

QString ChoiceList::chosenText() const {
    const QList<QListWidgetItem*> items = selectedItems();
    return items.isEmpty() ? QString() : items.first()->text();
}

void ChoiceList::selectionMoved() {
    if (filling_) return;
    const QString text = chosenText();
    if (!text.isEmpty()) emit chosen(text);
}

void ChoiceList::mousePressEvent(QMouseEvent* e) {
    QListWidgetItem* under = itemAt(e->position().toPoint());
    const bool again = under && under->isSelected();
    QListWidget::mousePressEvent(e);
    // Choosing the chosen item again changes no selection, but it is a choice all the same.
    if (again && under->isSelected()) emit chosen(under->text());
}

void ChoiceList::keyPressEvent(QKeyEvent* e) {
    if (isEnter(e) && currentItem()) {
        e->accept();
        if (currentItem()->isSelected())
            emit chosen(currentItem()->text());
        else
            currentItem()->setSelected(true);
        return;
    }
    QListWidget::keyPressEvent(e);
}
