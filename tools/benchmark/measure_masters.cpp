// Opening the master screen through 編集 and moving one title in its display-order list,
// in the program's window in this process.
#include "live_window.h"
#include "measurements.h"

#include "masters/master_frame.h"
#include "store/catalogue.h"

#include <QApplication>
#include <QListView>
#include <QMouseEvent>
#include <QPushButton>
#include <QStringListModel>

#include <optional>
#include <vector>

namespace {
// The list must name every title of the table, in table order.
QString checkList(QListView* list, const Catalogue& cat) {
    const QAbstractItemModel* m = list->model();
    if (m->rowCount() != cat.TitleCount())
        return QStringLiteral("lstBicho holds %1 entries for %2 titles")
            .arg(m->rowCount())
            .arg(cat.TitleCount());
    for (int n : {1, cat.TitleCount() / 2, cat.TitleCount()})
        if (m->index(n - 1, 0).data().toString() != cat.titles()[n].Daimei)
            return QStringLiteral("entry %1 of lstBicho is not title %2").arg(n - 1).arg(n);
    return {};
}

void sendMouse(QWidget* to, QEvent::Type type, QPoint at, Qt::MouseButtons held) {
    QMouseEvent e(type, at, to->mapToGlobal(at),
                  type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held, Qt::NoModifier);
    QCoreApplication::sendEvent(to, &e);
}

// The floor of showing a list of the names: a bare list view given the same strings.
Run bareList(const QStringList& names) {
    return [names]() -> std::optional<qint64> {
        QListView view;
        view.setUniformItemSizes(true);
        view.resize(520, 540);
        QStringListModel model;
        view.setModel(&model);
        view.show();
        QApplication::processEvents();
        return nsOf([&] {
            model.setStringList(names);
            QApplication::processEvents();
        });
    };
}
}  // namespace

void measureOpenMasters(const Collection& col, Measurement* m) {
    QString* error = &m->error;
    LiveWindow w(col.dir);
    if (!w.open(error)) return;
    auto* cmdMaster = w.child<QPushButton>(QStringLiteral("cmdMaster"), error);
    auto* cmdMain = w.child<QPushButton>(QStringLiteral("cmdMain"), error);
    auto* list = w.child<QListView>(QStringLiteral("lstBicho"), error);
    if (!cmdMaster || !cmdMain || !list) return;
    Catalogue& cat = w.window.catalogue();

    // From the card each time, so that every run really opens the screen; the way back
    // lies outside the time. The time holds the layout and paint that follow the click.
    std::vector<qint64> clicks;
    const Run open = [&]() -> std::optional<qint64> {
        cmdMain->click();
        QApplication::processEvents();
        clicks.push_back(nsOf([&] { cmdMaster->click(); }));
        const qint64 ns = clicks.back() + nsOf([] { QApplication::processEvents(); });
        if (!w.boxesWere({}, error)) return std::nullopt;
        if (const QString wrong = checkList(list, cat); !wrong.isEmpty()) {
            *error = wrong;
            return std::nullopt;
        }
        return ns;
    };
    QStringList names;
    for (int n = 1; n <= cat.TitleCount(); ++n) names << cat.titles()[n].Daimei;
    detail(QStringLiteral("編集 (cmdMaster) from the card at %1 titles, with the layout and paint "
                          "after it  vs  a bare QListView given the same names")
               .arg(cat.TitleCount()));
    if (!timeBoth(m, open, bareList(names))) return;
    detail(QStringLiteral("lstBicho names every title in table order: yes"));
    detail(QStringLiteral("parts:"));
    phase(QStringLiteral("cmdMaster_Click alone, while the screen shows"),
          [&] { return nsOf([&] { cmdMaster->click(); }); });
    detail(QStringLiteral("  the click of the timed runs, without layout and paint: median %1")
               .arg(ms(medianAfterWarmUp(clicks))));
    phase(QStringLiteral("for comparison: メイン back to the card, with its layout and paint"),
          [&] {
              const qint64 ns = nsOf([&] {
                  cmdMain->click();
                  QApplication::processEvents();
              });
              cmdMaster->click();
              QApplication::processEvents();
              return ns;
          });
}

void measureMasterDragMove(const Collection& col, Measurement* m) {
    QString* error = &m->error;
    LiveWindow w(col.dir);
    if (!w.open(error)) return;
    auto* cmdMaster = w.child<QPushButton>(QStringLiteral("cmdMaster"), error);
    auto* list = w.child<QListView>(QStringLiteral("lstBicho"), error);
    auto* apply = w.child<QPushButton>(QStringLiteral("cmdSortCng2"), error);
    if (!cmdMaster || !list || !apply) return;
    cmdMaster->click();
    QApplication::processEvents();
    QAbstractItemModel* model = list->model();
    const int from = model->rowCount() / 2;
    const int onto = from + 5;
    list->scrollTo(model->index(from, 0), QAbstractItemView::PositionAtCenter);
    QApplication::processEvents();

    // Down five entries and back again in turn, so that the list returns to table order.
    bool down = true;
    const QString moved = model->index(from, 0).data().toString();
    const Run drag = [&]() -> std::optional<qint64> {
        const int a = down ? from : onto - 1;
        const int b = down ? onto : from;
        QWidget* vp = list->viewport();
        const QPoint press = list->visualRect(model->index(a, 0)).center();
        const QPoint release = list->visualRect(model->index(b, 0)).center();
        const qint64 ns = nsOf([&] {
            sendMouse(vp, QEvent::MouseButtonPress, press, Qt::LeftButton);
            sendMouse(vp, QEvent::MouseMove, release, Qt::LeftButton);
            sendMouse(vp, QEvent::MouseButtonRelease, release, Qt::NoButton);
            QApplication::processEvents();
        });
        const int landed = down ? onto - 1 : from;
        if (model->index(landed, 0).data().toString() != moved) {
            *error = QStringLiteral("the title did not land on entry %1").arg(landed);
            return std::nullopt;
        }
        down = !down;
        return ns;
    };
    QStringList names;
    for (int r = 0; r < model->rowCount(); ++r) names << model->index(r, 0).data().toString();
    const Run base = [&]() -> std::optional<qint64> {
        return nsOf([&] { names.move(from, onto - 1); });
    };
    detail(QStringLiteral("a press on entry %1 of %2, a move and a release five entries further, "
                          "with the repaint  vs  QStringList::move of the same names")
               .arg(from)
               .arg(model->rowCount()));
    if (!timeBoth(m, drag, base)) return;
    const bool marked = apply->palette().color(QPalette::Button) == MasterFrame::unappliedColour();
    detail(QStringLiteral("title lands above the entry released on, cmdSortCng2 marked: %1")
               .arg(marked ? QStringLiteral("yes") : QStringLiteral("NO")));
    if (!marked) *error = QStringLiteral("cmdSortCng2 is not marked after the moves");
    if (!w.boxesWere({}, error)) return;
}

REELNOTE_BENCHMARK(70, "OpenMasters", (Target{Target::Kind::Time, 100e6}), measureOpenMasters)
REELNOTE_BENCHMARK(71, "MasterDragMove", (Target{Target::Kind::Time, 20e6}), measureMasterDragMove)
