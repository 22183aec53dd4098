#pragma once

#include "store/changes.h"

#include <QObject>
#include <QString>
#include <QUndoStack>

#include <functional>
#include <memory>

class Catalogue;

// The one way a change of the collection is made: every screen hands its change
// here as a step (store/changes.h). Before a step is done, done again or taken
// back, the files it builds on are checked and, where another program changed
// them, read again (settle); the step then works on what was read, by the names
// of its titles. A step done becomes the newest of the undo history.
class ChangeRunner : public QObject {
    Q_OBJECT
public:
    // settle reads again what changed elsewhere and brings the screens up to date;
    // true when it read anything.
    ChangeRunner(Catalogue& catalogue, std::function<bool()> settle, QObject* parent = nullptr);
    ~ChangeRunner() override;

    // Steps kept for undo; older ones are dropped.
    static constexpr int kUndoLimit = 100;

    QUndoStack& stack() { return stack_; }
    // What the next undo and redo would take back or do again; "" when nothing.
    QString undoText() const { return stack_.undoText(); }
    QString redoText() const { return stack_.redoText(); }
    // What the steps of the history keep, in bytes, roughly.
    qsizetype historyCost() const;

    // Does the step. Empty on success, else the message for the user (the step
    // changed nothing and is dropped).
    QString perform(std::unique_ptr<Change> change);

    struct Outcome {
        bool any = false;  // there was a step to take back (do again)
        QString text;      // the step's text
        QString problem;   // empty: done
        bool partly = false;  // with a problem: done in part all the same, and passed over
        QString title;     // the title the step concerned
    };
    Outcome undo();
    Outcome redo();

signals:
    // A step was taken back or done again: the screens show the files anew, the
    // card the title the step concerned.
    void stepMoved(const QString& title);

private:
    class Step;
    Outcome move(bool back);
    Catalogue& cat_;
    std::function<bool()> settle_;
    QUndoStack stack_;
};
