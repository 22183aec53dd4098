// Opening a grid's chart, from the click on "グラフで見る" until the chart is painted, in the
// program's window in this process.
#include "live_window.h"
#include "measurements.h"

#include "charts/chart_window.h"
#include "shell/flex_grid.h"
#include "shell/grid_export.h"
#include "store/catalogue.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QPointer>
#include <QPushButton>

#include <optional>

namespace {
// Notes each paint of a chart, whichever window it is in.
class PaintWatch : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && qobject_cast<ChartView*>(watched)) painted = true;
        return false;
    }
};

// The grid's menu as a right-click opens it, with "グラフで見る" in it.
QAction* chartAction(FlexGrid* g) {
    emit g->customContextMenuRequested(QPoint(5, 5));
    for (QMenu* menu : g->findChildren<QMenu*>())
        for (QAction* a : menu->actions())
            if (a->text() == GridExport::kChartText) return a;
    return nullptr;
}

// One opening: the window closed before (not timed), then the click on the menu's item and
// the events until the chart has been painted.
std::optional<qint64> openChart(LiveWindow& w, FlexGrid* g, QString* error) {
    if (auto* open = w.window.findChild<ChartWindow*>(QStringLiteral("chart_") + g->objectName()))
        open->close();
    QAction* action = chartAction(g);
    if (!action) {
        *error = QStringLiteral("%1 offers no chart").arg(g->objectName());
        return std::nullopt;
    }
    // The menu closes itself once the chart window shows, and goes with its action.
    const QPointer<QMenu> menu = qobject_cast<QMenu*>(action->parent());
    QApplication::processEvents();
    PaintWatch watch;
    qApp->installEventFilter(&watch);
    QElapsedTimer limit;
    limit.start();
    const qint64 ns = nsOf([&] {
        action->trigger();
        while (!watch.painted && limit.elapsed() < 5000) QApplication::processEvents();
    });
    qApp->removeEventFilter(&watch);
    if (menu) menu->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // the closed menu
    if (!watch.painted) {
        *error = QStringLiteral("the chart of %1 was not painted").arg(g->objectName());
        return std::nullopt;
    }
    if (!w.boxesWere({}, error)) return std::nullopt;
    return ns;
}
}  // namespace

void measureOpenScoreChart(const Collection& col, Measurement* m) {
    QString* error = &m->error;
    LiveWindow w(col.dir);
    if (!w.open(error)) return;
    auto* scores = w.child<QPushButton>(QStringLiteral("cmdIchiran2"), error);
    auto* list = w.child<FlexGrid>(QStringLiteral("msgIchiran2"), error);
    if (!scores || !list) return;
    scores->click();
    if (!w.boxesWere({}, error)) return;
    const TitleTable& t = w.window.catalogue().titles();
    const Run base = [&]() -> std::optional<qint64> {
        qint64 sum = 0;
        const qint64 ns = nsOf([&] {
            for (int n = 1; n <= t.TitleCount(); ++n)
                for (int k = 1; k <= 7; ++k) sum += t[n].HyoukaTen[k];
        });
        if (sum == -1) detail(QString());  // never; the sum must be used
        return ns;
    };
    detail(QStringLiteral("msgIchiran2's グラフで見る: the seven score distributions of %1 titles, "
                          "from the click until painted (first opening = warm-up)  vs  the seven "
                          "scores of every title summed once")
               .arg(col.titles));
    if (!timeBoth(
            m, [&] { return openChart(w, list, error); }, base))
        return;

    // The other charts draw the rows their grids already counted.
    auto* rank = w.child<QPushButton>(QStringLiteral("cmdRank"), error);
    auto* actors = w.child<FlexGrid>(QStringLiteral("msgMaster2"), error);
    auto* viewings = w.child<QPushButton>(QStringLiteral("cmdList"), error);
    auto* months = w.child<FlexGrid>(QStringLiteral("msgMaster6"), error);
    if (!rank || !actors || !viewings || !months) return;
    rank->click();
    phase(QStringLiteral("msgMaster2 (lead actors, the first 30 of %1)").arg(col.actors),
          [&] { return openChart(w, actors, error); });
    viewings->click();
    phase(QStringLiteral("msgMaster6 (viewings per month, %1 months)").arg(months->Rows() - 1),
          [&] { return openChart(w, months, error); });
    w.boxesWere({}, error);
}

REELNOTE_BENCHMARK(560, "OpenChart", (Target{Target::Kind::Time, 100e6}), measureOpenScoreChart)
