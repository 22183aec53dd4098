#pragma once

#include "scripted_prompts.h"
#include "app/frm_main.h"

#include <QString>
#include <QStringList>

// The program's window on the collection, in this process, with scripted boxes.
class LiveWindow {
public:
    explicit LiveWindow(const QString& dir) : window(dir, prompts, clock) {}

    // The start-up as the program's main() does it; false when it showed a box.
    bool open(QString* error);

    template <typename T>
    T* child(const QString& name, QString* error) {
        T* found = window.findChild<T*>(name);
        if (!found) *error = QStringLiteral("the window has no %1").arg(name);
        return found;
    }

    // The boxes shown since the last call must be exactly these, in this order, each
    // given as the start of "title: text"; any other box fails the operation.
    bool boxesWere(const QStringList& expected, QString* error);

    // Chooses item in the choice list of that name as a click does, away from it
    // first so that every run is a new choice.
    bool chooseIn(const char* list, const QString& item, QString* error);

    ScriptedPrompts prompts;
    Clock clock;
    frmMain window;
};
