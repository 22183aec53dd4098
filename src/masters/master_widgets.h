#pragma once

#include <QListView>
#include <QWidget>

// The list of lstBicho: an ordinary list whose selection follows the mouse
// while the button is held. It tells on which entry the left button went down
// and on which it came up again; -1 for a press beside every entry.
class BichoList : public QListView {
    Q_OBJECT
public:
    explicit BichoList(QWidget* parent = nullptr);

signals:
    void mouseDown(int row);
    void mouseUp(int row);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};

// The bracket that joins a note to the name boxes it explains: a line from
// the top to the bottom of the boxes on its left, and a stub to the note on
// its right.
class NoteBracket : public QWidget {
    Q_OBJECT
public:
    explicit NoteBracket(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {18, 20}; }

protected:
    void paintEvent(QPaintEvent* event) override;
};
