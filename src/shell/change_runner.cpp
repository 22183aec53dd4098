#include "change_runner.h"

#include "store/catalogue.h"

// A step in Qt's undo stack. The stack calls redo() when the step is pushed; the
// runner has done it by then, so that first call does nothing.
class ChangeRunner::Step : public QUndoCommand {
public:
    Step(Catalogue& c, std::unique_ptr<Change> change)
        : QUndoCommand(change->text()), cat_(c), change_(std::move(change)) {}

    void redo() override {
        if (std::exchange(skip_, false)) return;
        problem_ = change_->apply(cat_);
    }
    void undo() override {
        if (std::exchange(skip_, false)) return;
        problem_ = change_->revert(cat_);
    }
    // The next call changes nothing: the stack only moves its index back to where it was.
    void skipNext() { skip_ = true; }
    QString problem() const { return problem_; }
    const Change& change() const { return *change_; }

private:
    Catalogue& cat_;
    std::unique_ptr<Change> change_;
    bool skip_ = true;
    QString problem_;
};

ChangeRunner::ChangeRunner(Catalogue& catalogue, std::function<bool()> settle, QObject* parent)
    : QObject(parent), cat_(catalogue), settle_(std::move(settle)) {
    stack_.setUndoLimit(kUndoLimit);
}

ChangeRunner::~ChangeRunner() = default;

QString ChangeRunner::perform(std::unique_ptr<Change> change) {
    change->beforeReload(cat_);
    settle_();
    QString problem = change->apply(cat_);
    // Changed elsewhere between the check and the write: nothing was written;
    // once more on what the files hold now.
    if (!problem.isEmpty()) {
        change->beforeReload(cat_);
        if (settle_()) problem = change->apply(cat_);
    }
    if (!problem.isEmpty()) return problem;
    if (change->undoable()) stack_.push(new Step(cat_, std::move(change)));
    return {};
}

qsizetype ChangeRunner::historyCost() const {
    qsizetype bytes = 0;
    for (int i = 0; i < stack_.count(); ++i)
        bytes += static_cast<const Step*>(stack_.command(i))->change().cost();
    return bytes;
}

ChangeRunner::Outcome ChangeRunner::undo() { return move(true); }
ChangeRunner::Outcome ChangeRunner::redo() { return move(false); }

ChangeRunner::Outcome ChangeRunner::move(bool back) {
    Outcome out;
    if (back ? !stack_.canUndo() : !stack_.canRedo()) return out;
    settle_();
    auto* step = static_cast<Step*>(
        const_cast<QUndoCommand*>(stack_.command(stack_.index() - (back ? 1 : 0))));
    out.any = true;
    out.text = step->change().text();
    out.title = step->change().titleName();
    if (back)
        stack_.undo();
    else
        stack_.redo();
    out.problem = step->problem();
    out.partly = !out.problem.isEmpty() && step->change().partlyDone();
    if (!out.problem.isEmpty() && !out.partly) {
        // Nothing changed: the index goes back without doing anything.
        step->skipNext();
        if (back)
            stack_.redo();
        else
            stack_.undo();
        return out;
    }
    step->change().relist(cat_);
    emit stepMoved(out.title);
    return out;
}
