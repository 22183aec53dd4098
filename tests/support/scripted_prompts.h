#pragma once

#include "shell/prompts.h"

#include <QList>
#include <QString>
#include <QStringList>

// Prompts for tests: records every box and answers from a queue of planned
// answers. A box with no planned answer is recorded as unexpected and gets
// the default button (or "" for an input box), so a test never waits.
class ScriptedPrompts : public Prompts {
public:
    struct Box {
        QString kind;  // "message" or "input"
        QString title;
        QString text;
        Icon icon = Icon::None;
        Buttons buttons = Buttons::Ok;
        Answer defaultButton = Answer::Ok;
        QString defaultText;
    };

    void planAnswer(Answer a) { answers_.append(a); }
    void planInput(const QString& text) { inputs_.append(text); }

    Answer message(const QString& text, const QString& title, Icon icon, Buttons buttons,
                   Answer defaultButton) override;
    QString input(const QString& prompt, const QString& title, const QString& defaultText) override;
    // Answered from the planned inputs, recorded as a box of kind "save".
    QString saveFileName(const QString& title, const QString& suggested,
                         const QString& filter) override;
    // Answered from the planned inputs, recorded as a box of kind "open".
    QString openFileName(const QString& title, const QString& dir, const QString& filter) override;
    // Recorded as a box of kind "review" with the text as last shown; a planned
    // review value is typed into the line first. Answered from the planned
    // answers: Ok is OK, anything else キャンセル.
    bool review(const QString& title, const QString& label, QString* value,
                const TextFor& textFor) override;
    void planReviewValue(const QString& value) { reviewValues_.append(value); }
    void beep() override { ++beeps; }
    void setBusy(bool busy) override { busyDepth += busy ? 1 : -1; }

    QList<Box> boxes;
    QStringList unexpected;  // boxes shown without a planned answer
    int beeps = 0;
    int busyDepth = 0;

    // Planned answers left unused; a test's cleanup checks this is empty.
    int unusedAnswers() const {
        return int(answers_.size() + inputs_.size() + reviewValues_.size());
    }
    void reset();

private:
    QList<Answer> answers_;
    QStringList inputs_;
    QStringList reviewValues_;
};
