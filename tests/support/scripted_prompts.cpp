#include "scripted_prompts.h"

Prompts::Answer ScriptedPrompts::message(const QString& text, const QString& title, Icon icon,
                                         Buttons buttons, Answer defaultButton) {
    boxes.append({QStringLiteral("message"), title, text, icon, buttons, defaultButton, {}});
    if (answers_.isEmpty()) {
        unexpected << title + QStringLiteral(": ") + text;
        return defaultButton;
    }
    return answers_.takeFirst();
}

QString ScriptedPrompts::input(const QString& prompt, const QString& title,
                               const QString& defaultText) {
    boxes.append({QStringLiteral("input"), title, prompt, Icon::None, Buttons::OkCancel, Answer::Ok,
                  defaultText});
    if (inputs_.isEmpty()) {
        unexpected << title + QStringLiteral(": ") + prompt;
        return {};
    }
    return inputs_.takeFirst();
}

QString ScriptedPrompts::saveFileName(const QString& title, const QString& suggested,
                                      const QString& filter) {
    boxes.append({QStringLiteral("save"), title, filter, Icon::None, Buttons::OkCancel, Answer::Ok,
                  suggested});
    if (inputs_.isEmpty()) {
        unexpected << title + QStringLiteral(": ") + suggested;
        return {};
    }
    return inputs_.takeFirst();
}

QString ScriptedPrompts::openFileName(const QString& title, const QString& dir,
                                      const QString& filter) {
    boxes.append(
        {QStringLiteral("open"), title, filter, Icon::None, Buttons::OkCancel, Answer::Ok, dir});
    if (inputs_.isEmpty()) {
        unexpected << title + QStringLiteral(": ") + dir;
        return {};
    }
    return inputs_.takeFirst();
}

bool ScriptedPrompts::review(const QString& title, const QString& label, QString* value,
                             const TextFor& textFor) {
    if (!label.isEmpty() && !reviewValues_.isEmpty()) *value = reviewValues_.takeFirst();
    boxes.append({QStringLiteral("review"), title, textFor(*value), Icon::None, Buttons::OkCancel,
                  Answer::Ok, *value});
    if (answers_.isEmpty()) {
        unexpected << title + QStringLiteral(": ") + boxes.last().text;
        return false;
    }
    return answers_.takeFirst() == Answer::Ok;
}

void ScriptedPrompts::reset() {
    boxes.clear();
    unexpected.clear();
    answers_.clear();
    inputs_.clear();
    reviewValues_.clear();
    beeps = 0;
    busyDepth = 0;
}
