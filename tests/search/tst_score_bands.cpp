#include "charts/chart_data.h"
#include "search/drill_down.h"
#include "store/kansyou_table.h"
#include "store/score_bands.h"
#include "store/title_table.h"
#include "test_registry.h"

#include <QSet>
#include <QTest>

namespace {
Title scored(const QString& name, std::array<qint16, 8> scores) {
    Title t;
    t.Daimei = name;
    t.HyoukaTen = scores;
    return t;
}

TitleSelection band(int item, int b, const QString& name = {}) {
    TitleSelection s;
    s.field = TitleSelection::Field::Hyouka;
    s.item = item;
    s.itemName = name;
    s.band = b;
    s.value = ScoreBands::label(item, b);
    return s;
}
}  // namespace

class TestScoreBands : public QObject {
    Q_OBJECT
private slots:
    // Every bar of every item lists as many titles as it counts, each title in
    // the one band its score falls in: the edges of the tens, 100, and the
    // scores the chart leaves out (0, outside the range) in none.
    void everyBarListsWhatItCounts() {
        TitleTable t;
        const qint16 totals[] = {0, 1, 9, 10, 19, 20, 89, 90, 99, 100, 101, -1, 80, 85, 55};
        for (int n = 0; n < int(std::size(totals)); ++n) {
            const auto other = qint16(n % 13 - 1);  // −1..11: both edges and past them
            t.append(scored(QStringLiteral("作品%1").arg(n),
                            {0, totals[n], other, qint16(10 - n % 12), other, 0, 5, 10}));
        }
        std::array<QString, 8> names;
        for (int k = 1; k <= 7; ++k) names[k] = QStringLiteral("項目%1").arg(k);
        const Charts::Chart chart = Charts::scoreDistributions(t, names);
        const KansyouTable noViewings;

        for (int k = 1; k <= kScoreItems; ++k) {
            const Charts::Panel& panel = chart.panels[k - 1];
            QCOMPARE(panel.bars.size(), ScoreBands::count(k));
            QSet<QString> listed;
            int counted = 0;
            for (int b = 0; b < panel.bars.size(); ++b) {
                const QStringList titles = DrillDown::entriesOf(t, noViewings, band(k, b), {});
                QVERIFY2(titles.size() == panel.bars[b].value, qPrintable(panel.bars[b].label));
                QCOMPARE(ScoreBands::label(k, b), panel.bars[b].label);
                for (const QString& name : titles) {
                    const int score = t[name.mid(2).toInt() + 1].HyoukaTen[k];
                    QVERIFY(ScoreBands::low(k, b) <= score && score <= ScoreBands::high(k, b));
                    QVERIFY2(!listed.contains(name), qPrintable(name));
                    listed << name;
                }
                counted += panel.bars[b].value;
            }
            QCOMPARE(int(listed.size()), counted);
        }
        // Item 1's edges: 1 and 9 share the first band, 100 stands alone, 0 / 101 / −1 in none.
        QCOMPARE(DrillDown::entriesOf(t, noViewings, band(1, 0), {}),
                 (QStringList{"作品1", "作品2"}));
        QCOMPARE(DrillDown::entriesOf(t, noViewings, band(1, 8), {}),
                 (QStringList{"作品6", "作品12", "作品13"}));
        QCOMPARE(DrillDown::entriesOf(t, noViewings, band(1, 10), {}), QStringList{"作品9"});
        // A band no item has lists nothing rather than something else.
        QCOMPARE(DrillDown::entriesOf(t, noViewings, band(2, 10), {}), QStringList());
        QCOMPARE(DrillDown::entriesOf(t, noViewings, band(8, 0), {}), QStringList());
    }

    // The search screen says which item and band it lists, naming an item the
    // masters leave blank by its number.
    void aBandIsNamedByItsItemAndScores() {
        QCOMPARE(DrillDown::caption(band(1, 8, QStringLiteral("総合")), 12),
                 QStringLiteral("総合：80〜89点 の作品　12件"));
        QCOMPARE(DrillDown::label(band(1, 10, QStringLiteral("総合"))),
                 QStringLiteral("総合：100点"));
        QCOMPARE(DrillDown::label(band(1, 0, QStringLiteral("総合"))),
                 QStringLiteral("総合：1〜9点"));
        QCOMPARE(DrillDown::label(band(4, 4)), QStringLiteral("評価4：5点"));
    }
};

REELNOTE_TEST(TestScoreBands)
#include "tst_score_bands.moc"
