#pragma once

#include <QListWidget>

// The search screen searches only on a deliberate act; this control reports
// exactly those acts and nothing else (PickCombo does so for the combos).

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
