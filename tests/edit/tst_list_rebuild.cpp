#include "store/catalogue.h"
#include "test_files.h"
#include "test_registry.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace TestFiles;

// Rebuilding the lists from the table after titles were added, deleted or
// edited gives exactly what a fresh load of the saved file gives.
class TestListRebuild : public QObject {
    Q_OBJECT
private:
    static void sameAsAFreshLoad(Catalogue& live, const QString& dir) {
        Catalogue fresh(dir);
        QVERIFY(fresh.LoadMainData().isEmpty());
        QCOMPARE(live.titles(), fresh.titles());
        for (int p = 0; p < int(PickList::Count); ++p)
            QCOMPARE(live.pickList(PickList(p))->stringList(),
                     fresh.pickList(PickList(p))->stringList());
        for (int k : {1, 2, 3, 4, 5, 8}) QCOMPARE(live.txtD(k).text(), fresh.txtD(k).text());
    }
    // A value in characters of its own, as typed text arrives.
    static QString typed(const QString& text) { return QString(text.constData(), text.size()); }

private slots:
    void unchangedListsKeepTheirModels() {
        QTemporaryDir dir;
        writeCp932(dir.path(), kDataFile,
                   titleRecord("甲", "b", "主", "1999/04/01", "日本", "劇") +
                       titleRecord("乙", "a", "主", "2000/01", "日本", "劇") +
                       titleRecord("丙", "b", "", "", "", "劇"));
        Catalogue cat(dir.path());
        QVERIFY(cat.LoadMainData().isEmpty());
        std::vector<std::unique_ptr<QSignalSpy>> resets;
        for (int p = 0; p < int(PickList::Count); ++p)
            resets.push_back(std::make_unique<QSignalSpy>(cat.pickList(PickList(p)),
                                                          &QAbstractItemModel::modelReset));
        cat.rebuildListsFromTable();
        // The same values in characters of their own change nothing either.
        Title t = cat.titles()[3];
        t.Kantoku = typed(QStringLiteral("a"));
        t.Janru = typed(QStringLiteral("劇"));
        QVERIFY(cat.storeTitle(3, t).isEmpty());
        cat.rebuildListsFromTable();
        for (const auto& spy : resets) QCOMPARE(spy->count(), 0);
        sameAsAFreshLoad(cat, dir.path());
    }

    void editsAddsAndDeletesAgreeWithAFreshLoad() {
        QTemporaryDir dir;
        writeCp932(dir.path(), kDataFile, QString());
        Catalogue cat(dir.path());
        QVERIFY(cat.LoadMainData().isEmpty());
        const QStringList pool = {"A",  "a",  "AB", "ABC", "b",   "黒澤明", "黒澤", "ｶﾀｶﾅ", "亜",
                                  "伊", "あ", "ア", "Ａ",  "B,C", "C",      "",     "ab"};
        const QStringList dates = {"1999/04/01", "1999/12", "2003/5", "2003/05/10",
                                   "",           "20",      "abcd/ef"};
        QRandomGenerator rng(7);
        int made = 0;
        for (int step = 0; step < 400; ++step) {
            const int action = rng.bounded(10);
            if (action == 0 || cat.TitleCount() == 0) {
                QVERIFY(cat.appendTitle(QStringLiteral("題%1").arg(++made)).isEmpty());
            } else if (action == 1 && cat.TitleCount() > 1) {
                QVERIFY(cat.removeTitle(1 + rng.bounded(cat.TitleCount())).isEmpty());
            } else {
                const int n = 1 + rng.bounded(cat.TitleCount());
                Title t = cat.titles()[n];
                SharedText* fields[] = {&t.Kantoku, &t.Syuen, &t.Kuni, &t.Janru};
                const int k = 1 + rng.bounded(4);
                const QString v = typed(pool[rng.bounded(pool.size())]);
                *fields[k - 1] = v;
                t.Koukai = dates[rng.bounded(dates.size())];
                QVERIFY(cat.storeTitle(n, t).isEmpty());
                // Enter lists a value the bare text does not hold yet; a pick lists nothing.
                if (rng.bounded(2) && !v.isEmpty()) cat.addAttributeValue(k, v);
            }
            if (step % 7 == 0) cat.rebuildListsFromTable();
            if (step % 50 == 49) {
                cat.rebuildListsFromTable();
                sameAsAFreshLoad(cat, dir.path());
                if (QTest::currentTestFailed()) return;
            }
        }
    }
};

REELNOTE_TEST(TestListRebuild)
#include "tst_list_rebuild.moc"
