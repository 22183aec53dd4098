#pragma once

#include "shell/prompts.h"

#include <QString>
#include <QStringList>

// Answers the window's boxes as the scripted operations need and keeps every one, so that an
// operation can tell the boxes it expects from any other: a message is answered OK, an input
// box with the planned name, once.
class ScriptedPrompts : public Prompts {
public:
    Answer message(const QString& text, const QString& title, Icon, Buttons, Answer) override;
    QString input(const QString& prompt, const QString& title, const QString&) override;
    QString saveFileName(const QString&, const QString&, const QString&) override { return {}; }
    QString openFileName(const QString&, const QString&, const QString&) override { return {}; }
    bool review(const QString&, const QString&, QString*, const TextFor&) override { return false; }
    void beep() override { ++beeps; }
    void setBusy(bool) override {}

    QString plannedName;
    QStringList boxes;
    int beeps = 0;
};
