#include "search_widgets.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QWheelEvent>

namespace {
bool isEnter(const QKeyEvent* e) { return e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter; }
}  // namespace

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
