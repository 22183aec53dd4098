#include "charts/chart_window.h"
#include "main_fixture.h"
#include "shell/flex_grid.h"
#include "shell/grid_export.h"
#include "store/catalogue.h"
#include "test_files.h"
#include "test_registry.h"

#include <QAction>
#include <QLabel>
#include <QListView>
#include <QMenu>

using namespace TestFiles;

namespace {
// The grid's chart window, opened by "グラフで見る" of its right-click menu.
ChartWindow* chartOf(MainFixture& f, FlexGrid* g) {
    emit g->customContextMenuRequested(QPoint(5, 5));
    for (QMenu* menu : g->findChildren<QMenu*>()) {
        for (QAction* a : menu->actions())
            if (a->text() == GridExport::kChartText) a->trigger();
        menu->close();
    }
    auto* w = f.window->findChild<ChartWindow*>(QStringLiteral("chart_") + g->objectName());
    return w && QTest::qWaitForWindowExposed(w) ? w : nullptr;
}

// On the bar, or just over the axis where it has none.
void doubleClickBar(ChartWindow* w, int p, int b) {
    const QRectF bar = w->view()->barRect(p, b);
    const QPoint at(qRound(bar.center().x()), qRound(std::min(bar.center().y(), bar.bottom() - 3)));
    QTest::mouseDClick(w->view(), Qt::LeftButton, {}, at);
}

void doubleClickRow(FlexGrid* g, int r) {
    const QModelIndex cell = g->grid()->index(r - 1, 1);
    g->scrollTo(cell);
    const QPoint at = g->visualRect(cell).center();
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, at);
}

// What the search screen shows: its caption, then the titles listed.
QStringList shown(MainFixture& f) {
    if (f.find<QWidget>("fraKensaku")->isHidden()) return {QStringLiteral("(no search screen)")};
    QStringList out{f.find<QLabel>("lblDrill")->text()};
    const QAbstractItemModel* m = f.find<QListView>("lstDaimei")->model();
    for (int r = 0; r < m->rowCount(); ++r) out << m->index(r, 0).data().toString();
    return out;
}
}  // namespace

class TestChartDrill : public QObject {
    Q_OBJECT
private slots:
    // A bar of the score chart lists the titles of its item's band, under a
    // caption naming both; the score list itself is left as it was.
    void aScoreBarListsItsBand() {
        MainFixture f;
        writeFreshMasters(f.path(), false);
        const auto title = [](const char* name, const QList<int>& scores) {
            return titleRecord(QString::fromUtf8(name), {}, {}, {}, {}, {}, {}, scores);
        };
        writeCp932(f.path(), kDataFile,
                   title("甲", {80, 5, 10, 1, 1, 1, 1}) + title("乙", {100, 5, 3, 1, 1, 1, 10}) +
                       title("丙", {89, 9, 3, 1, 1, 1, 10}) + title("丁", {90, 0, 3}));
        f.start();
        f.click("cmdIchiran2");
        ChartWindow* w = chartOf(f, f.find<FlexGrid>("msgIchiran2"));
        QVERIFY(w);
        const auto& names = f.window->catalogue().HyoukaKoumoku;

        doubleClickBar(w, 0, 8);
        QCOMPARE(shown(f),
                 (QStringList{names[1] + QStringLiteral("：80〜89点 の作品　2件"), "甲", "丙"}));
        doubleClickBar(w, 0, 10);
        QCOMPARE(shown(f), (QStringList{names[1] + QStringLiteral("：100点 の作品　1件"), "乙"}));
        doubleClickBar(w, 2, 2);
        QCOMPARE(shown(f),
                 (QStringList{names[3] + QStringLiteral("：3点 の作品　3件"), "乙", "丙", "丁"}));
        // An empty band says so rather than listing anything.
        doubleClickBar(w, 1, 0);
        QCOMPARE(shown(f), QStringList{names[2] + QStringLiteral("：1点 の作品　0件")});
        f.checkBoxes();
    }

    // A bar of a ranking or of the viewing months lists what its table's row
    // lists; a month the table has no row for (no viewing) lists nothing.
    void aCountBarListsWhatItsRowLists() {
        MainFixture f;
        writeFreshMasters(f.path(), false);
        writeCp932(f.path(), kDataFile,
                   titleRecord("七人の侍", "黒澤明", "三船敏郎", "1954/04/26") +
                       titleRecord("用心棒", "黒澤明", "三船敏郎", "1961/4/25") +
                       titleRecord("秋日和", "小津安二郎", "原節子", "1960/11/13") +
                       titleRecord("生きる", "黒澤明", "志村喬", "1952/10/09"));
        writeCp932(f.path(), kHistoryFile,
                   historyRecordLine("2019/03/10", "七人の侍", "名画座") +
                       historyRecordLine("2019/05/04", "用心棒", "テレビ") +
                       historyRecordLine("2019/05/10", "七人の侍", "DVD"));
        f.start();
        const struct {
            const char* button;
            const char* grid;
        } tables[] = {
            {"cmdRank", "msgMaster1"}, {"cmdRank", "msgMaster2"}, {"cmdList", "msgMaster6"}};
        int compared = 0;
        for (const auto& t : tables) {
            f.click(t.button);
            auto* g = f.find<FlexGrid>(QLatin1String(t.grid));
            ChartWindow* w = chartOf(f, g);
            QVERIFY(w);
            const QVector<Charts::Bar> bars = w->view()->chart().panels[0].bars;
            for (int b = 0; b < bars.size(); ++b) {
                f.click(t.button);
                doubleClickBar(w, 0, b);
                const QStringList byBar = shown(f);
                int row = 1;
                while (row < g->Rows() && g->TextMatrix(row, 1) != bars[b].label) ++row;
                if (row == g->Rows()) {
                    QCOMPARE(bars[b].value, 0);
                    QCOMPARE(byBar, QStringList{QStringLiteral("(no search screen)")});
                    continue;
                }
                f.click(t.button);
                doubleClickRow(g, row);
                QCOMPARE(byBar, shown(f));
                QCOMPARE(byBar.size() - 1, bars[b].value);
                ++compared;
            }
        }
        QCOMPARE(compared, 2 + 3 + 2);  // 2019年04月 has no row
        f.checkBoxes();
    }
};

REELNOTE_TEST(TestChartDrill)
#include "tst_chart_drill.moc"
