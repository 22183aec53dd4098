#include "scripted_prompts.h"

#include "timing.h"

#include <utility>

Prompts::Answer ScriptedPrompts::message(const QString& text, const QString& title, Icon, Buttons,
                                         Answer) {
    boxes << title + QStringLiteral(": ") + oneLine(text);
    return Answer::Ok;
}

QString ScriptedPrompts::input(const QString& prompt, const QString& title, const QString&) {
    boxes << title + QStringLiteral(" (input): ") + prompt;
    return std::exchange(plannedName, QString());  // asked again, the box is cancelled
}
