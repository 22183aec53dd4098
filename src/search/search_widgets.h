#pragma once

#include <QComboBox>
#include <QListWidget>

// The search screen searches only on a deliberate act. These two controls
// report exactly those acts and nothing else.

// A combo box that reports a pick from its open list (picked) and Enter
// (entered). A wheel turn or an arrow key over the closed combo changes
// nothing, and leaving the box after typing a known text is no pick (Qt
// reports that as activated too).
class PickCombo : public QComboBox {
    Q_OBJECT
public:
    explicit PickCombo(const QString& name, QWidget* parent = nullptr);

signals:
    void picked(int index);
    void entered();

protected:
    void wheelEvent(QWheelEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool leaving_ = false;
};

// A list of a few choices side by side ("有り" / "無し"; "◎" "○" "△" "未"). A click
// on a choice, also on the one already chosen, or a move with the keys reports it;
// filling the list from code, or the focus entering it, does not.
class ChoiceList : public QListWidget {
    Q_OBJECT
public:
    ChoiceList(const QString& name, int columnWidth, QWidget* parent = nullptr);

    // Replaces the choices without reporting anything; none is chosen afterwards.
    void setChoices(const QStringList& items);

signals:
    void chosen(const QString& item);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void selectionMoved();
    QString chosenText() const;

    bool filling_ = false;
    int columnWidth_;
};
