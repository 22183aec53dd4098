// Taking a step back with Ctrl+Z: an edit of the card and a deletion of a title
// with its picture, at the largest collection.
#include "baselines.h"
#include "file_state.h"
#include "live_window.h"
#include "measurements.h"

#include "card/card_frame.h"
#include "shell/change_runner.h"
#include "store/catalogue.h"
#include "store/changes.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

namespace {
bool ctrlZ(LiveWindow& w, bool redo) {
    const int before = w.window.changes().stack().index();
    if (redo)
        w.window.redoStep();
    else
        w.window.undoStep();
    return w.window.changes().stack().index() == before + (redo ? 1 : -1);
}

void measureUndoEdit(const Collection& col, Measurement* m) {
    QString* error = &m->error;
    const PutBackOnExit data(col.dir, kDataFile, error);
    if (!data.ok()) return;
    LiveWindow w(col.dir);
    if (!w.open(error)) return;
    auto* combo = w.child<QComboBox>(QStringLiteral("cboKantoku"), error);
    if (!combo) return;
    const int n = col.cardTitle;
    w.window.card()->setCurrent(n);
    const SharedText director = w.window.catalogue().titles()[n].Kantoku;
    const Run undo = [&]() -> std::optional<qint64> {
        // The edit, not timed: a new director and Enter, as on the card.
        combo->setEditText(QStringLiteral("測定用監督"));
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(combo->lineEdit(), &enter);
        if (w.window.catalogue().titles()[n].Kantoku.text() != QStringLiteral("測定用監督")) {
            *error = QStringLiteral("the edit was not stored");
            return std::nullopt;
        }
        bool undone = false;
        const qint64 ns = nsOf([&] { undone = ctrlZ(w, false); });
        if (!undone || w.window.catalogue().titles()[n].Kantoku != director) {
            *error = QStringLiteral("Ctrl+Z did not take the edit back");
            return std::nullopt;
        }
        return ns;
    };
    detail(QStringLiteral("title %1: a new director stored with Enter (not timed), then Ctrl+Z "
                          "until the card shows the old one  vs  the bytes of データ.TXT written "
                          "to a new file, fdatasync, rename over another (a durable write)")
               .arg(n));
    if (!timeBesideDurableWrite(m, undo, col.dir, data.original())) return;
    QByteArray now;
    if (!w.window.catalogue().dir().read(kDataFile, &now, error)) return;
    detail(QStringLiteral("data file after each undo: the bytes it had before the edit: %1")
               .arg(now == data.original() ? QStringLiteral("yes") : QStringLiteral("NO")));
    if (now != data.original()) *error = QStringLiteral("the data file differs after the undo");

    // What a full history keeps: 100 reorders of every title (the largest step
    // there is but an import), taken through the catalogue.
    QVector<int> reversed;
    for (int i = col.titles; i >= 1; --i) reversed << i;
    for (int k = 0; k < ChangeRunner::kUndoLimit; ++k) {
        if (!w.window.perform(Changes::reorderByNumber(w.window.catalogue(), reversed,
                                                       QStringLiteral("メインに反映")))
                 .isEmpty()) {
            *error = QStringLiteral("a reorder failed");
            return;
        }
    }
    detail(QStringLiteral("a history of %1 reorders of %2 titles keeps %3 MB")
               .arg(ChangeRunner::kUndoLimit)
               .arg(col.titles)
               .arg(double(w.window.changes().historyCost()) / (1 << 20), 0, 'f', 1));
}

void measureUndoDelete(const Collection& col, Measurement* m) {
    QString* error = &m->error;
    const PutBackOnExit data(col.dir, kDataFile, error);
    if (!data.ok()) return;
    LiveWindow w(col.dir);
    if (!w.open(error)) return;
    auto* del = w.child<QPushButton>(QStringLiteral("cmdDel"), error);
    if (!del) return;
    // The title with the picture and the free texts, in the middle of the file.
    const int n = col.cardTitle;
    w.window.card()->setCurrent(n);
    del->click();
    if (!w.boxesWere({QStringLiteral("削除確認")}, error)) return;
    if (w.window.catalogue().TitleCount() != col.titles - 1) {
        *error = QStringLiteral("削除 did not take the title out");
        return;
    }
    const Run undo = [&]() -> std::optional<qint64> {
        bool undone = false;
        const qint64 ns = nsOf([&] { undone = ctrlZ(w, false); });
        if (!undone || w.window.catalogue().TitleCount() != col.titles ||
            !w.window.catalogue().dir().exists(col.pictureFile)) {
            *error = QStringLiteral("Ctrl+Z did not put the title and its picture back");
            return std::nullopt;
        }
        if (!ctrlZ(w, true)) {  // deleted again for the next run, not timed
            *error = QStringLiteral("Ctrl+Shift+Z did not delete the title again");
            return std::nullopt;
        }
        return ns;
    };
    detail(QStringLiteral("title %1 (%2, its picture moved to the trash) deleted (not timed), "
                          "then Ctrl+Z until the title and its picture are back  vs  the bytes of "
                          "データ.TXT written to a new file, fdatasync, rename over another")
               .arg(n)
               .arg(col.cardName));
    if (!timeBesideDurableWrite(m, undo, col.dir, data.original())) return;
    if (!ctrlZ(w, false)) *error = QStringLiteral("the last Ctrl+Z failed");
}
}  // namespace

REELNOTE_BENCHMARK(20, "UndoEdit", (Target{Target::Kind::Ratio, 3}), measureUndoEdit)
REELNOTE_BENCHMARK(21, "UndoDelete", (Target{Target::Kind::Ratio, 3}), measureUndoDelete)
