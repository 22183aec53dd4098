#include "history/viewing_counts.h"
#include "rank/rank_counts.h"
#include "search/drill_down.h"
#include "search/narrowing.h"
#include "store/catalogue.h"
#include "store/kansyou_table.h"
#include "test_files.h"
#include "test_registry.h"

#include <QTemporaryDir>
#include <QTest>

using namespace TestFiles;

namespace {
// Rows of the rankings and the viewing list as their screens count them.
struct CountedRow {
    TitleSelection selection;
    int count;
};

QVector<CountedRow> rankingRows(Catalogue& cat) {
    using F = TitleSelection::Field;
    const struct {
        TitleTally::Field tally;
        F field;
        CountMatch match;
    } tables[] = {{TitleTally::Kantoku, F::Kantoku, CountMatch::Whole},
                  {TitleTally::Syuen, F::Syuen, CountMatch::Whole},
                  {TitleTally::YearMonth, F::Koukai, CountMatch::YearMonth},
                  {TitleTally::Year, F::Koukai, CountMatch::Year},
                  {TitleTally::Kuni, F::Kuni, CountMatch::Whole},
                  {TitleTally::Janru, F::Janru, CountMatch::Whole}};
    const TitleTally tally(cat.titles());
    QVector<CountedRow> out;
    for (const auto& t : tables) {
        const TitleSelection s{t.field, t.match, {}};
        const QStringList items = cat.pickList(DrillDown::pickListOf(s))->stringList();
        for (const RankRow& r : rankRows(tally, t.tally, items))
            out.append({{t.field, t.match, r.value}, r.count});
    }
    const ViewingTally viewings(cat.kansyou());
    for (const auto& [field, match] : {std::pair{ViewingTally::YearMonth, CountMatch::YearMonth},
                                       std::pair{ViewingTally::Year, CountMatch::Year}}) {
        const TitleSelection s{TitleSelection::Field::Kansyoubi, match, {}};
        const QStringList items = cat.pickList(DrillDown::pickListOf(s))->stringList();
        for (const ViewingCount& r : viewingCounts(viewings, field, items))
            out.append({{s.field, match, r.value}, r.count});
    }
    return out;
}
}  // namespace

class TestDrillDown : public QObject {
    Q_OBJECT
private slots:
    // Every row of every table lists as many entries as it counts; a month typed
    // three ways is one row holding all three titles, in table order.
    void everyRowListsWhatItCounts() {
        QTemporaryDir dir;
        const QString d = dir.path();
        writeFreshMasters(d, false);
        writeCp932(d, kDataFile,
                   titleRecord("七人の侍", "黒澤明", "三船敏郎", "1954/04/26", "日本", "時代劇") +
                       titleRecord("用心棒", "黒澤明", "三船敏郎", "1961/4/25", "日本", "時代劇") +
                       titleRecord("秋日和", "小津安二郎", "原節子", "1961年4月1日", "日本") +
                       titleRecord("荒野", "", "", "1961/04", "アメリカ", "西部劇") +
                       titleRecord("Roman Holiday", "William Wyler", "", "1953", "アメリカ") +
                       titleRecord("生きる", "黒澤明", "志村喬", "", "日本", "ドラマ") +
                       titleRecord("謎", "", "", "abc"));
        writeCp932(d, kHistoryFile,
                   historyRecordLine("2019/03/10", "七人の侍", "名画座") +
                       historyRecordLine("2019/05/04", "用心棒", "テレビ") +
                       historyRecordLine("2019/05/10", "七人の侍", "DVD") +
                       historyRecordLine("2019/05/30", "七人の侍", "テレビ") +
                       historyRecordLine("2019/05/31", "消えた題", "DVD") +
                       historyRecordLine("2020/06/01", "生きる", "DVD"));
        Catalogue cat(d);
        QCOMPARE(cat.LoadMainData(), QString());
        QCOMPARE(cat.LoadKansyouRireki(), QString());

        const QVector<CountedRow> rows = rankingRows(cat);
        QVERIFY(rows.size() > 20);
        for (const CountedRow& r : rows) {
            const QStringList entries = DrillDown::entriesOf(
                cat.titles(), cat.kansyou(), r.selection,
                cat.pickList(DrillDown::pickListOf(r.selection))->stringList());
            QVERIFY2(entries.size() == r.count, qPrintable(DrillDown::label(r.selection)));
        }

        using F = TitleSelection::Field;
        const auto entries = [&](F f, CountMatch m, const QString& value) {
            const TitleSelection s{f, m, value};
            return DrillDown::entriesOf(cat.titles(), cat.kansyou(), s,
                                        cat.pickList(DrillDown::pickListOf(s))->stringList());
        };
        QCOMPARE(entries(F::Kantoku, CountMatch::Whole, "黒澤明"),
                 (QStringList{"七人の侍", "用心棒", "生きる"}));
        QCOMPARE(entries(F::Koukai, CountMatch::YearMonth, "1961年04月"),
                 (QStringList{"用心棒", "秋日和", "荒野"}));
        QCOMPARE(entries(F::Koukai, CountMatch::Year, "1953年"), QStringList{"Roman Holiday"});
        QCOMPARE(entries(F::Koukai, CountMatch::YearMonth, "abc"), QStringList{"謎"});
        QCOMPARE(entries(F::Kansyoubi, CountMatch::YearMonth, "2019年05月"),
                 (QStringList{"用心棒", "七人の侍", "七人の侍", "消えた題"}));
        QCOMPARE(entries(F::Kantoku, CountMatch::Whole, "黒澤"), QStringList());

        QCOMPARE(DrillDown::caption({F::Kantoku, CountMatch::Whole, "黒澤明"}, 3),
                 QStringLiteral("監督：黒澤明 の作品　3件"));
        QCOMPARE(DrillDown::caption({F::Koukai, CountMatch::Year, "1961年"}, 3),
                 QStringLiteral("公開年：1961年 の作品　3件"));
        QCOMPARE(DrillDown::caption({F::Kansyoubi, CountMatch::YearMonth, "2019年05月"}, 4),
                 QStringLiteral("鑑賞年月：2019年05月 の鑑賞　4件"));
    }

    // The list keeps the first criterion's entries that every other one found;
    // a period replaces its own earlier bounds; dropping one recomputes the rest.
    void narrowingKeepsWhatEveryCriterionFound() {
        Narrowing n;
        QCOMPARE(n.result(), QStringList());
        n.add({{}, "鑑賞内容：DVD", {"A", "B", "A", "C"}, {}});
        QCOMPARE(n.result(), (QStringList{"A", "B", "A", "C"}));
        n.add({{}, "監督：X", {"C", "A", "D"}, {}});
        QCOMPARE(n.result(), (QStringList{"A", "A", "C"}));  // the first one's order and repeats
        n.add({"period", "公開年月：2003/01～", {"A", "B"}, {}});
        QCOMPARE(n.result(), (QStringList{"A", "A"}));
        n.add({"period", "公開年月：2003/01～2004/12", {"C", "B"}, {}});
        QCOMPARE(n.criteria().size(), 3);
        QCOMPARE(n.criteria()[2].label, QStringLiteral("公開年月：2003/01～2004/12"));
        QCOMPARE(n.result(), QStringList{"C"});
        n.drop(1);
        QCOMPARE(n.result(), (QStringList{"B", "C"}));
        n.dropKey("period");
        n.drop(5);  // none such: nothing changes
        QCOMPARE(n.result(), (QStringList{"A", "B", "A", "C"}));
        n.drop(0);
        QVERIFY(n.isEmpty());
        QCOMPARE(n.result(), QStringList());
    }
};

REELNOTE_TEST(TestDrillDown)
#include "tst_drill_down.moc"
