#include "charts/chart_data.h"
#include "store/title_table.h"
#include "test_registry.h"

#include <QTest>

using namespace Charts;

namespace {
// The bars of a panel as "label=value".
QStringList bars(const Panel& p) {
    QStringList out;
    for (const Bar& b : p.bars) out << b.label + u'=' + QString::number(b.value);
    return out;
}

Title scored(std::array<qint16, 8> scores) {
    Title t;
    t.HyoukaTen = scores;
    return t;
}
}  // namespace

class TestChartData : public QObject {
    Q_OBJECT
private slots:
    void aRankingIsItsFirstThirtyRowsInTheOrderShown() {
        Counts shown;
        for (int i = 0; i < 35; ++i) shown.append({QStringLiteral("監督%1").arg(i), 40 - i});
        const Chart c = ranking(QStringLiteral("監督名"), shown);
        QCOMPARE(c.panels.size(), 1);
        const Panel& p = c.panels[0];
        QCOMPARE(p.orientation, Orientation::Horizontal);
        QCOMPARE(p.bars.size(), kMostRankingBars);
        QCOMPARE(bars(p).first(), QStringLiteral("監督0=40"));
        QCOMPARE(bars(p).last(), QStringLiteral("監督29=11"));
        QCOMPARE(p.note, QStringLiteral("表の先頭30件（全35件）"));
        QCOMPARE(p.categoryAxis, QStringLiteral("監督名"));
        QCOMPARE(c.tip(0, 1), QStringLiteral("監督1：39作品"));
        // Fewest first, the chart follows the table's order; a short table has no note.
        const Chart few = ranking(QStringLiteral("国名"), {{"日本", 1}, {"米国", 4}});
        QCOMPARE(bars(few.panels[0]), (QStringList{"日本=1", "米国=4"}));
        QVERIFY(few.panels[0].note.isEmpty());
    }

    void viewingPeriodsStandInTimeOrderWithTheEmptyOnesBetween() {
        // As msgMaster6 shows them most first; 不明 names no month.
        const Counts months = {
            {"2003年05月", 3}, {"不明", 2}, {"2004年01月", 2}, {"2003年07月", 1}};
        const Panel p = viewingPeriods(months, false).panels[0];
        QCOMPARE(bars(p), (QStringList{"2003年05月=3", "2003年06月=0", "2003年07月=1",
                                       "2003年08月=0", "2003年09月=0", "2003年10月=0",
                                       "2003年11月=0", "2003年12月=0", "2004年01月=2", "不明=2"}));
        QCOMPARE(p.bars[8].coarseLabel, QStringLiteral("2004年"));
        QCOMPARE(p.bars[8].ordinal % 12, 0);  // January
        QCOMPARE(viewingPeriods(months, false).tip(0, 0), QStringLiteral("2003年05月：3回"));

        const Panel years = viewingPeriods({{"2005年", 1}, {"2002年", 4}}, true).panels[0];
        QCOMPARE(bars(years), (QStringList{"2002年=4", "2003年=0", "2004年=0", "2005年=1"}));
        QCOMPARE(years.axis, Axis::Years);

        // A year typed centuries off does not make thousands of empty bars: a short
        // gap still shows its empty months, a long one stands as one marked break.
        const Chart farChart =
            viewingPeriods({{"0203年05月", 1}, {"0203年07月", 1}, {"2003年05月", 2}}, false);
        const Panel& far = farChart.panels[0];
        QCOMPARE(bars(far), (QStringList{"0203年05月=1", "0203年06月=0", "0203年07月=1",
                                         "0203年08月〜2003年04月=0", "2003年05月=2"}));
        QVERIFY(far.bars[3].gap && !far.bars[2].gap && !far.bars[4].gap);
        QCOMPARE(farChart.tip(0, 3), QStringLiteral("0203年08月〜2003年04月：鑑賞なし"));
        QVERIFY(viewingPeriods({}, false).panels[0].bars.isEmpty());
    }

    void scoresAreCountedPerValueTheFirstInTens() {
        TitleTable t;
        t.append(scored({0, 80, 5, 5, 5, 5, 5, 5}));
        t.append(scored({0, 85, 5, 10, 0, 0, 0, 0}));
        t.append(scored({0, 100, 1, 10, 0, 0, 0, 0}));
        t.append(scored({0, 9, 0, 0, 0, 0, 0, 0}));
        t.append(scored({0, 0, 0, 0, 0, 0, 0, 0}));
        t.append(scored({0, 150, -2, 11, 0, 0, 0, 3}));  // kept as read, outside the range
        std::array<QString, 8> names;
        for (int k = 1; k <= 7; ++k) names[k] = QStringLiteral("項目%1").arg(k);
        const Chart c = scoreDistributions(t, names);
        QCOMPARE(c.panels.size(), 7);

        const Panel& total = c.panels[0];
        QCOMPARE(total.caption, QStringLiteral("項目1"));
        QCOMPARE(total.colourItem, 1);
        QCOMPARE(bars(total), (QStringList{"1〜9点=1", "10〜19点=0", "20〜29点=0", "30〜39点=0",
                                           "40〜49点=0", "50〜59点=0", "60〜69点=0", "70〜79点=0",
                                           "80〜89点=2", "90〜99点=0", "100点=1"}));
        QCOMPARE(total.note, QStringLiteral("未評価 1、範囲外 1"));
        QCOMPARE(c.tip(0, 8), QStringLiteral("項目1 80〜89点：2作品"));

        const auto value = [&](int k, int v) { return c.panels[k - 1].bars[v - 1].value; };
        QCOMPARE(c.panels[1].bars.size(), 10);  // 1..10; 0 is "not scored"
        QCOMPARE(value(2, 5), 2);
        QCOMPARE(value(2, 1), 1);
        QCOMPARE(c.panels[1].note, QStringLiteral("未評価 2、範囲外 1"));
        QCOMPARE(value(3, 10), 2);
        QCOMPARE(value(3, 5), 1);
        QCOMPARE(c.panels[2].note, QStringLiteral("未評価 2、範囲外 1"));
        QCOMPARE(value(7, 5), 1);
        QCOMPARE(value(7, 3), 1);
        QCOMPARE(c.panels[6].note, QStringLiteral("未評価 4"));
        QCOMPARE(c.panels[6].colourItem, 7);
    }
};

REELNOTE_TEST(TestChartData)
#include "tst_chart_data.moc"
