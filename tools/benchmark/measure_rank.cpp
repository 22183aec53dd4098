// Opening the rankings and the viewing list, and re-ordering their largest tables, in the
// program's window in this process.
#include "live_window.h"
#include "measurements.h"

#include "history/viewing_counts.h"
#include "rank/rank_counts.h"
#include "shell/flex_grid.h"
#include "store/catalogue.h"

#include <QApplication>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace {
// The floor of any count: every counted field of every record read and hashed once, with
// no table to count in. The sum keeps the compiler from leaving the work out.
template <typename Records, typename Fields>
std::optional<qint64> hashFloor(const Records& records, Fields fields) {
    size_t sum = 0;
    const qint64 ns = nsOf([&] {
        for (const auto& r : records) fields(r, [&sum](QStringView v) { sum += StringHash{}(v); });
    });
    if (sum == 1) detail(QString());  // never; the sum must be used
    return ns;
}

bool rowsAre(LiveWindow& w, const char* grid, int rows, QString* error) {
    auto* g = w.child<FlexGrid>(QLatin1String(grid), error);
    if (!g) return false;
    if (g->Rows() == rows + 1) return true;
    *error = QStringLiteral("%1 has %2 rows, not %3")
                 .arg(QLatin1String(grid))
                 .arg(g->Rows() - 1)
                 .arg(rows);
    return false;
}

// Goes back to the card (not timed, with the layout and paint it leaves), then times the
// screen button; the screen must then be shown with no box.
std::optional<qint64> openFromCard(LiveWindow& w, QPushButton* button, QWidget* frame,
                                   QString* error) {
    w.window.findChild<QPushButton*>(QStringLiteral("cmdMain"))->click();
    QApplication::processEvents();
    const qint64 ns = nsOf([&] { button->click(); });
    if (frame->isHidden()) {
        *error = QStringLiteral("the screen did not open");
        return std::nullopt;
    }
    if (!w.boxesWere({}, error)) return std::nullopt;
    return ns;
}

// Times a click that chooses another order of a table, taking turns between two options
// so that every run really moves the rows; checks the first row is the expected one.
Run resort(LiveWindow& w, QRadioButton* a, QRadioButton* b, FlexGrid* g,
           const std::function<bool(FlexGrid*, bool)>& check, QString* error) {
    return [&w, a, b, g, check, error, turn = 0]() mutable -> std::optional<qint64> {
        QRadioButton* next = turn++ % 2 ? b : a;
        QApplication::processEvents();
        const qint64 ns = nsOf([&] { next->click(); });
        if (!next->isChecked() || !check(g, next == a)) {
            *error = QStringLiteral("%1 did not order the table").arg(next->objectName());
            return std::nullopt;
        }
        if (!w.boxesWere({}, error)) return std::nullopt;
        return ns;
    };
}

// Each row's value is in order by the given comparison of neighbours.
bool ordered(FlexGrid* g, int col, const std::function<bool(const QString&, const QString&)>& ok) {
    for (int r = 2; r < g->Rows(); ++r)
        if (!ok(g->TextMatrix(r - 1, col), g->TextMatrix(r, col))) return false;
    return g->TextMatrix(g->Rows() - 1, 0) == QString::number(g->Rows() - 1);
}

bool byCountDown(FlexGrid* g) {
    return ordered(g, 2, [](const QString& a, const QString& b) { return a.toInt() >= b.toInt(); });
}
}  // namespace

void measureOpenRank(const Collection& col, Measurement* m) {
    QString* error = &m->error;
    LiveWindow w(col.dir);
    if (!w.open(error)) return;
    auto* button = w.child<QPushButton>(QStringLiteral("cmdRank"), error);
    auto* frame = w.child<QWidget>(QStringLiteral("fraRank"), error);
    if (!button || !frame) return;
    const Run open = [&] { return openFromCard(w, button, frame, error); };

    const TitleTable& t = w.window.catalogue().titles();
    std::vector<const Title*> titles;
    for (int n = 1; n <= t.TitleCount(); ++n) titles.push_back(&t[n]);
    const Run base = [&] {
        return hashFloor(titles, [](const Title* x, const auto& hash) {
            hash(x->Kantoku.text());
            hash(x->Syuen.text());
            hash(QStringView(x->Koukai).left(7));
            hash(QStringView(x->Koukai).left(4));
            hash(x->Kuni.text());
            hash(x->Janru.text());
        });
    };
    detail(QStringLiteral("cmdRank clicked from the card (the return to the card not timed), "
                          "%1 titles into five tables  vs  the six counted fields of every title "
                          "hashed once")
               .arg(col.titles));
    if (!timeBoth(m, open, base)) return;
    if (!rowsAre(w, "msgMaster1", col.directors, error) ||
        !rowsAre(w, "msgMaster2", col.actors, error) ||
        !rowsAre(w, "msgMaster3", col.releaseMonths, error) ||
        !rowsAre(w, "msgMaster4", col.countries, error) ||
        !rowsAre(w, "msgMaster5", col.genres, error))
        return;
    auto* actors = w.child<FlexGrid>(QStringLiteral("msgMaster2"), error);
    if (!actors || !byCountDown(actors)) {
        if (error->isEmpty()) *error = QStringLiteral("msgMaster2 is not most first");
        return;
    }
    detail(QStringLiteral("tables hold %1 directors, %2 lead actors, %3 release months, most "
                          "first: yes")
               .arg(col.directors)
               .arg(col.actors)
               .arg(col.releaseMonths));
    phase(QStringLiteral("TitleTally (the one pass over the titles)"),
          [&] { return nsOf([&] { const TitleTally tally(t); }); });
    const TitleTally tally(t);
    const QStringList actorNames = w.window.catalogue().pickList(PickList::Syuen)->stringList();
    phase(QStringLiteral("the lead actors' counts and their name order (RankTable)"), [&] {
        return nsOf([&] { const RankTable table(rankRows(tally, TitleTally::Syuen, actorNames)); });
    });
    phase(QStringLiteral("processEvents after opening (layout, paint; not counted)"), [&] {
        w.window.findChild<QPushButton*>(QStringLiteral("cmdMain"))->click();
        QApplication::processEvents();
        button->click();
        return nsOf([] { QApplication::processEvents(); });
    });
}

void measureResortRank(const Collection& col, Measurement* m) {
    QString* error = &m->error;
    LiveWindow w(col.dir);
    if (!w.open(error)) return;
    auto* button = w.child<QPushButton>(QStringLiteral("cmdRank"), error);
    auto* byName = w.child<QRadioButton>(QStringLiteral("optMaster23"), error);
    auto* most = w.child<QRadioButton>(QStringLiteral("optMaster21"), error);
    auto* g = w.child<FlexGrid>(QStringLiteral("msgMaster2"), error);
    if (!button || !byName || !most || !g) return;
    button->click();
    if (!w.boxesWere({}, error)) return;
    const Run run = resort(
        w, byName, most, g,
        [](FlexGrid* grid, bool name) {
            return name ? grid->Rows() > 1 && grid->TextMatrix(1, 0) == QStringLiteral("1")
                        : byCountDown(grid);
        },
        error);
    QStringList names = w.window.catalogue().pickList(PickList::Syuen)->stringList();
    const Run base = [names]() mutable -> std::optional<qint64> {
        std::reverse(names.begin(), names.end());
        return nsOf([&] { std::sort(names.begin(), names.end()); });
    };
    detail(QStringLiteral("the lead actors' table (%1 rows): 名前順 and 多い順 clicked in turn  "
                          "vs  std::sort of the %1 names as QString")
               .arg(col.actors));
    timeBoth(m, run, base);
}

void measureOpenViewingList(const Collection& col, Measurement* m) {
    QString* error = &m->error;
    LiveWindow w(col.dir);
    if (!w.open(error)) return;
    auto* button = w.child<QPushButton>(QStringLiteral("cmdList"), error);
    auto* frame = w.child<QWidget>(QStringLiteral("fraList"), error);
    if (!button || !frame) return;
    const Run open = [&] { return openFromCard(w, button, frame, error); };

    const KansyouTable& k = w.window.catalogue().kansyou();
    const Run base = [&] {
        return hashFloor(k.records(), [](const Kansyou& r, const auto& hash) {
            hash(QStringView(r.Kansyoubi.text()).left(7));
            hash(QStringView(r.Kansyoubi.text()).left(4));
            hash(r.KansyouDaimei.text());
            hash(r.KansyouNaiyou.text());
        });
    };
    detail(QStringLiteral("cmdList clicked from the card (the return to the card not timed), "
                          "%1 viewings of %2 titles  vs  the four counted fields of every viewing "
                          "hashed once")
               .arg(col.viewings)
               .arg(col.titles));
    if (!timeBoth(m, open, base)) return;
    Catalogue& cat = w.window.catalogue();
    if (!rowsAre(w, "msgHenList", col.viewings, error) ||
        !rowsAre(w, "msgMaster6", int(cat.pickList(PickList::Kanbi)->rowCount()), error) ||
        !rowsAre(w, "msgMaster7", col.titles, error) ||
        !rowsAre(w, "msgMaster8", int(cat.pickList(PickList::Kansyou)->rowCount()), error))
        return;
    auto* titles = w.child<FlexGrid>(QStringLiteral("msgMaster7"), error);
    if (!titles || !byCountDown(titles)) {
        if (error->isEmpty()) *error = QStringLiteral("msgMaster7 is not most first");
        return;
    }
    detail(QStringLiteral("every viewing listed, every title counted, most first: yes"));
    phase(QStringLiteral("ViewingTally (the one pass over the viewings)"),
          [&] { return nsOf([&] { const ViewingTally tally(k); }); });
    const ViewingTally tally(k);
    const QStringList names = cat.pickList(PickList::Name)->stringList();
    phase(QStringLiteral("the titles' counts and their name order (ViewingCountTable)"), [&] {
        return nsOf([&] {
            const ViewingCountTable table(viewingCounts(tally, ViewingTally::Title, names));
        });
    });
    ViewingCountTable table(viewingCounts(tally, ViewingTally::Title, names));
    phase(QStringLiteral("most first and the grid rows of the titles (sort + gridRows)"), [&] {
        return nsOf([&] {
            table.sort(ViewingCountTable::Order::MostFirst);
            const QVector<QStringList> rows = table.gridRows();
        });
    });
}

void measureResortViewingList(const Collection& col, Measurement* m) {
    QString* error = &m->error;
    LiveWindow w(col.dir);
    if (!w.open(error)) return;
    auto* button = w.child<QPushButton>(QStringLiteral("cmdList"), error);
    auto* byName = w.child<QRadioButton>(QStringLiteral("optMaster73"), error);
    auto* most = w.child<QRadioButton>(QStringLiteral("optMaster71"), error);
    auto* g = w.child<FlexGrid>(QStringLiteral("msgMaster7"), error);
    if (!button || !byName || !most || !g) return;
    button->click();
    if (!w.boxesWere({}, error)) return;
    const Run run = resort(
        w, byName, most, g,
        [](FlexGrid* grid, bool name) {
            return name ? grid->Rows() > 1 && grid->TextMatrix(1, 0) == QStringLiteral("1")
                        : byCountDown(grid);
        },
        error);
    QStringList names = w.window.catalogue().pickList(PickList::Name)->stringList();
    const Run base = [names]() mutable -> std::optional<qint64> {
        std::reverse(names.begin(), names.end());
        return nsOf([&] { std::sort(names.begin(), names.end()); });
    };
    detail(QStringLiteral("the titles' table (%1 rows): 名前順 and 多い順 clicked in turn  vs  "
                          "std::sort of the %1 title names as QString")
               .arg(col.titles));
    timeBoth(m, run, base);
}

REELNOTE_BENCHMARK(420, "OpenViewingList", (Target{Target::Kind::Time, 100e6}),
                   measureOpenViewingList)
REELNOTE_BENCHMARK(421, "ResortViewingList", (Target{Target::Kind::Time, 30e6}),
                   measureResortViewingList)
REELNOTE_BENCHMARK(530, "OpenRank", (Target{Target::Kind::Time, 100e6}), measureOpenRank)
REELNOTE_BENCHMARK(531, "ResortRank", (Target{Target::Kind::Time, 30e6}), measureResortRank)
