// From a count to its titles and the narrowing of a search, in the program's window in
// this process: a double-click on the director ranking's first row until the search
// screen is painted, and a second criterion narrowing the first.
#include "live_window.h"
#include "measurements.h"

#include "search/search_criteria.h"
#include "shell/flex_grid.h"
#include "store/catalogue.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>

#include <optional>

namespace {
int listed(LiveWindow& w) {
    auto* list = w.window.findChild<QListView*>(QStringLiteral("lstDaimei"));
    return list ? list->model()->rowCount() : -1;
}

// The list and its count caption hold expected entries, and no box appeared.
bool showsCount(LiveWindow& w, int expected, QString* error) {
    auto* count = w.window.findChild<QGroupBox*>(QStringLiteral("fraKensu"));
    const QString caption = QStringLiteral("検索件数　%1件").arg(expected);
    if (listed(w) != expected || !count || count->title() != caption) {
        *error =
            QStringLiteral("the search screen listed %1 titles (\"%2\") where %3 were expected")
                .arg(listed(w))
                .arg(count ? count->title() : QString())
                .arg(expected);
        return false;
    }
    return w.boxesWere({}, error);
}

}  // namespace

void measureDrillFromRank(const Collection& col, Measurement* m) {
    QString* error = &m->error;
    LiveWindow w(col.dir);
    if (!w.open(error)) return;
    auto* rank = w.child<QPushButton>(QStringLiteral("cmdRank"), error);
    auto* grid = w.child<FlexGrid>(QStringLiteral("msgMaster1"), error);
    auto* heading = w.child<QLabel>(QStringLiteral("lblDrill"), error);
    if (!rank || !grid || !heading) return;
    QString director;
    int count = 0;
    const Run drill = [&]() -> std::optional<qint64> {
        rank->click();  // from the search screen: the tables built anew, not timed
        QApplication::processEvents();
        director = grid->TextMatrix(1, 1);
        count = grid->TextMatrix(1, 2).toInt();
        const qint64 ns = nsOf([&] {
            grid->setRow(1);
            grid->setCol(1);
            emit grid->DblClick();
            QApplication::processEvents();
        });
        if (!showsCount(w, count, error)) return std::nullopt;
        if (heading->isHidden() ||
            !heading->text().startsWith(QStringLiteral("監督：") + director)) {
            *error = QStringLiteral("lblDrill says \"%1\"").arg(heading->text());
            return std::nullopt;
        }
        return ns;
    };
    // The floor: the director's titles found by one plain pass over the table.
    const Run base = [&]() -> std::optional<qint64> {
        const TitleTable& t = w.window.catalogue().titles();
        QStringList names;
        const qint64 ns = nsOf([&] {
            for (int n = 1; n <= t.TitleCount(); ++n)
                if (t[n].Kantoku == director) names << t[n].Daimei;
        });
        if (names.size() != count) {
            *error = QStringLiteral("a plain pass finds %1 titles of %2, the row counts %3")
                         .arg(names.size())
                         .arg(director)
                         .arg(count);
            return std::nullopt;
        }
        return ns;
    };
    if (!drill()) return;  // the director and the count the baseline needs
    detail(QStringLiteral("a double-click on msgMaster1's first row (%1, %2 titles) until the "
                          "search screen is painted, %3 titles  vs  a plain pass over the "
                          "table for the director's titles")
               .arg(director)
               .arg(count)
               .arg(col.titles));
    timeBoth(m, drill, base);
}

void measureNarrowSearch(const Collection& col, Measurement* m) {
    QString* error = &m->error;
    LiveWindow w(col.dir);
    if (!w.open(error)) return;
    auto* search = w.child<QPushButton>(QStringLiteral("cmdKensaku"), error);
    auto* box = w.child<QCheckBox>(QStringLiteral("chkShibori"), error);
    if (!search || !box) return;
    search->click();
    box->click();
    // The first criterion: the titles without ownership item 1, about half of them.
    if (!w.chooseIn("lstSyoyu_1", SearchCriteria::kAbsent, error)) return;
    const TitleTable& t = w.window.catalogue().titles();
    int expected = 0;
    const Run base = [&]() -> std::optional<qint64> {
        return nsOf([&] {
            expected = 0;
            for (int n = 1; n <= t.TitleCount(); ++n)
                expected += t[n].Syoyu[1] != kOwned && t[n].Hyouka.isEmpty();
        });
    };
    const Run narrow = [&]() -> std::optional<qint64> {
        // The second criterion dropped again (not timed), then chosen anew.
        if (auto* drop = w.window.findChild<QToolButton*>(QStringLiteral("cmdJouken_1"));
            drop && !drop->isHidden())
            drop->click();
        QApplication::processEvents();
        const qint64 ns = nsOf([&] {
            w.chooseIn("lstHyouka", SearchCriteria::kNoMark, error);
            QApplication::processEvents();
        });
        if (!error->isEmpty() || !showsCount(w, expected, error)) return std::nullopt;
        return ns;
    };
    if (!base()) return;
    detail(QStringLiteral("絞り込み on, \"無し\" in lstSyoyu_1 in force: \"未\" in lstHyouka until "
                          "the list is painted, %1 titles  vs  both tests as one plain pass")
               .arg(expected));
    timeBoth(m, narrow, base);
}

REELNOTE_BENCHMARK(620, "DrillFromRank", (Target{Target::Kind::Time, 100e6}), measureDrillFromRank)
REELNOTE_BENCHMARK(621, "NarrowSearch", (Target{Target::Kind::Time, 100e6}), measureNarrowSearch)
