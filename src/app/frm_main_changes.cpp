// The window's side of changes: the folder held for the run, changes made by
// other programs, and the steps of the undo history.
#include "frm_main.h"

#include "card/card_frame.h"
#include "history/viewing_list_frame.h"
#include "search/search_frame.h"
#include "shell/change_runner.h"
#include "shell/prompts.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

namespace {
// A box whose text is as it was last shown or saved has nothing of its own to
// take back: there Ctrl+Z and Ctrl+Shift+Z are the window's steps, as anywhere
// else. A box being edited keeps its own undo.
class StepKeysInBoxes : public QObject {
public:
    explicit StepKeysInBoxes(QWidget* window) : QObject(window), window_(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ShortcutOverride) return false;
        // An editable combo has the focus and hands the key on to its box itself.
        auto* box = qobject_cast<QLineEdit*>(watched);
        if (auto* combo = qobject_cast<QComboBox*>(watched)) box = combo->lineEdit();
        if (!box || box->isModified() || box->window() != window_) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        const QKeyCombination k = key->keyCombination();
        if (!key->matches(QKeySequence::Undo) && !key->matches(QKeySequence::Redo) &&
            k != QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z) &&
            k != QKeyCombination(Qt::ControlModifier, Qt::Key_Y))
            return false;
        event->ignore();  // not the box's: the window's shortcut takes the key
        return true;
    }

private:
    QWidget* window_;
};
}  // namespace

QString frmMain::perform(std::unique_ptr<Change> change) {
    const QString problem = runner_->perform(std::move(change));
    // A free text kept aside before the user's text replaced another program's.
    if (const QStringList notes = catalogue_.takeNotices(); !notes.isEmpty())
        prompts_.message(notes.join(QStringLiteral("\r\n\r\n")),
                         QStringLiteral("ほかのプログラムによる変更"), Prompts::Icon::Information);
    if (const QStringList notes = catalogue_.takeNotes(); !notes.isEmpty())
        prompts_.message(notes.join(QStringLiteral("\r\n\r\n")), QStringLiteral("リールノート"),
                         Prompts::Icon::Information);
    return problem;
}

bool frmMain::settleChangesElsewhere(bool refill) {
    if (settling_ || Loading) return false;
    settling_ = true;
    const int n = fraMain_->current();
    const QString shown =
        n >= 1 && n <= catalogue_.TitleCount() ? catalogue_.titles()[n].Daimei : QString();
    QStringList problems;
    const QStringList files = catalogue_.reloadChangedFiles(&problems);
    if (!files.isEmpty()) {
        refreshAfterReload(shown, refill);
        QString text = Catalogue::changedElsewhereNotice(files);
        for (const QString& p : std::as_const(problems)) text += QStringLiteral("\r\n\r\n") + p;
        prompts_.message(text, QStringLiteral("ほかのプログラムによる変更"),
                         Prompts::Icon::Information);
    }
    settling_ = false;
    return !files.isEmpty();
}

void frmMain::refreshAfterReload(const QString& shownTitle, bool refill) {
    fraMain_->applyTitleRange();
    followLastJump();
    itemNamesChanged();
    chkHelp_->setChecked(catalogue_.HelpTour == 1);
    if (fraList_) fraList_->historyChanged();
    GalleryReady = false;
    fraMain_->refreshFileLists();  // a step taken back may have removed free texts
    showTitleNamed(shownTitle);
    if (!refill) return;
    // The screen in view is filled again from what was read.
    for (const auto& [frame, button] : std::as_const(screenButtons_)) {
        if (frame->isHidden()) continue;
        frame->hide();
        if (QPushButton* b = buttons_.value(button)) b->click();
        break;
    }
}

void frmMain::showTitleNamed(const QString& name) {
    const int count = catalogue_.TitleCount();
    const int found = name.isEmpty() ? 0 : catalogue_.titles().find(name);
    const int n = found ? found : qBound(1, fraMain_->current(), qMax(1, count));
    if (count == 0) {
        fraMain_->setCurrent(1);
        fraMain_->clearCard();
        return;
    }
    fraMain_->showTitleNumber(n);
}

void frmMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // Only once the user is back: the box itself takes the activation away and back.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !isHidden())
        QTimer::singleShot(0, this, [this] {
            // Not in the middle of a box of the user's own: the next step checks anyway.
            if (!QApplication::activeModalWidget()) settleChangesElsewhere();
        });
}

void frmMain::buildUndoKeys() {
    const auto key = [this](const QKeySequence& seq, const char* name, void (frmMain::*slot)()) {
        auto* s = new QShortcut(seq, this);
        s->setObjectName(QLatin1String(name));
        // A text box being edited keeps its own undo: it takes these keys first.
        s->setContext(Qt::WindowShortcut);
        connect(s, &QShortcut::activated, this, slot);
    };
    key(QKeySequence::Undo, "shortcutUndo", &frmMain::undoStep);
    key(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), "shortcutRedo", &frmMain::redoStep);
    key(QKeySequence(Qt::CTRL | Qt::Key_Y), "shortcutRedoY", &frmMain::redoStep);
    qApp->installEventFilter(new StepKeysInBoxes(this));
    // The card's right-click menu names the steps and takes them as the keys do.
    fraMain_->setSteps({[this] { return runner_->undoText(); },
                        [this] { return runner_->redoText(); }, [this] { undoStep(); },
                        [this] { redoStep(); }});

    notice_ = new QLabel(this);
    notice_->setObjectName(QStringLiteral("lblNotice"));
    notice_->setAttribute(Qt::WA_TransparentForMouseEvents);
    notice_->setFocusPolicy(Qt::NoFocus);
    notice_->setTextFormat(Qt::PlainText);
    notice_->setStyleSheet(QStringLiteral(
        "QLabel { background: rgba(40, 40, 40, 220); color: white; border-radius: 6px;"
        " padding: 6px 12px; }"));
    notice_->hide();
    noticeTimer_ = new QTimer(this);
    noticeTimer_->setSingleShot(true);
    connect(noticeTimer_, &QTimer::timeout, notice_, &QWidget::hide);
}

namespace {
// What a notice laid over it would keep the user from using.
bool isControl(const QWidget* w) {
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QComboBox*>(w) ||
           qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractScrollArea*>(w) ||
           qobject_cast<const QAbstractSlider*>(w);
}
}  // namespace

// The first place along the window's foot, then its sides, where the notice
// hides no control of what is shown; the foot's middle where there is none.
QPoint frmMain::noticePlace(QSize size) const {
    QList<QRect> controls;
    for (const QWidget* w : findChildren<QWidget*>()) {
        if (w == notice_ || !isControl(w) || !w->isVisibleTo(this)) continue;
        controls << QRect(w->mapTo(this, QPoint()), w->size());
    }
    const int margin = 8;
    const int bottom = height() - size.height() - margin;
    QList<QPoint> tries;
    for (int y = bottom; y > height() / 2; y -= size.height() / 2 + 1)
        for (int x = margin; x + size.width() <= width() - margin; x += size.width() / 4 + 1)
            tries << QPoint(x, y);
    for (const QPoint& at : std::as_const(tries)) {
        const QRect r(at, size);
        if (std::none_of(controls.begin(), controls.end(),
                         [&](const QRect& c) { return c.intersects(r); }))
            return at;
    }
    return {(width() - size.width()) / 2, bottom};
}

void frmMain::showNotice(const QString& text) {
    notice_->setText(text);
    notice_->adjustSize();
    notice_->move(noticePlace(notice_->size()));
    notice_->raise();
    notice_->show();
    noticeTimer_->start(3000);
}

QString frmMain::noticeText() const { return notice_->isHidden() ? QString() : notice_->text(); }

void frmMain::undoStep() {
    tellStep(runner_->undo(), QStringLiteral("元に戻しました: "),
             QStringLiteral("元に戻せませんでした。"), QStringLiteral("元に戻せません"),
             QStringLiteral("元に戻せるものはありません"));
}

void frmMain::redoStep() {
    tellStep(runner_->redo(), QStringLiteral("やり直しました: "),
             QStringLiteral("やり直せませんでした。"), QStringLiteral("やり直せません"),
             QStringLiteral("やり直せるものはありません"));
}

void frmMain::tellStep(const ChangeRunner::Outcome& out, const QString& done, const QString& failed,
                       const QString& failedTitle, const QString& nothing) {
    if (!out.any) {
        prompts_.beep();
        showNotice(nothing);
        return;
    }
    if (out.partly) {
        showNotice(done + out.text);
        prompts_.message(out.problem, done.chopped(2), Prompts::Icon::Exclamation);
        return;
    }
    if (!out.problem.isEmpty()) {
        prompts_.message(out.problem + QStringLiteral("\r\n\r\n") + failed, failedTitle,
                         Prompts::Icon::Exclamation);
        return;
    }
    showNotice(done + out.text);
}
