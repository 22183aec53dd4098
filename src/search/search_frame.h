#pragma once

#include <QFrame>

class ScreenHost;

// The search screen (fraKensaku): finds titles by words, attributes, periods, marks,
// ownership and the free texts.
class SearchFrame : public QFrame {
    Q_OBJECT
public:
    explicit SearchFrame(ScreenHost& host, QWidget* parent = nullptr);

    // Puts the ownership item names of the masters on the screen's labels.
    void showItemNames();

public slots:
    void cmdKensaku_Click();

private:
    ScreenHost& host_;
};
