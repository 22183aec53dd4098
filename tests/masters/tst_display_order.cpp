#include "masters/display_order.h"
#include "store/title_table.h"
#include "test_registry.h"

#include <QAbstractItemModelTester>
#include <QTest>

namespace {
const QStringList kABCDE{"A", "B", "C", "D", "E"};

TitleTable tableOf(const QStringList& names) {
    TitleTable t;
    for (const QString& n : names) {
        Title title;
        title.Daimei = n;
        t.append(title);
    }
    return t;
}
}  // namespace

class TestDisplayOrder : public QObject {
    Q_OBJECT
private slots:
    void fillsInTableOrder() {
        DisplayOrderModel m;
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        m.fill(tableOf({"乙", "甲", "乙2"}));
        QCOMPARE(m.stringList(), QStringList({"乙", "甲", "乙2"}));
        m.fill(tableOf({}));
        QCOMPARE(m.rowCount(), 0);
    }

    void aDroppedEntryLandsAboveTheOneDroppedOn_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("onto");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<int>("landed");
        QTest::newRow("B onto E") << 1 << 4 << QStringList{"A", "C", "D", "B", "E"} << 3;
        QTest::newRow("E onto B") << 4 << 1 << QStringList{"A", "E", "B", "C", "D"} << 1;
        QTest::newRow("B onto A") << 1 << 0 << QStringList{"B", "A", "C", "D", "E"} << 0;
        QTest::newRow("A onto E") << 0 << 4 << QStringList{"B", "C", "D", "A", "E"} << 3;
        QTest::newRow("B onto C is no move") << 1 << 2 << kABCDE << -1;
        QTest::newRow("B onto itself") << 1 << 1 << kABCDE << -1;
        QTest::newRow("E onto itself") << 4 << 4 << kABCDE << -1;
        QTest::newRow("pressed beside the entries") << -1 << 2 << kABCDE << -1;
        QTest::newRow("released beside the entries") << 2 << -1 << kABCDE << -1;
        QTest::newRow("past the end") << 0 << 5 << kABCDE << -1;
    }
    void aDroppedEntryLandsAboveTheOneDroppedOn() {
        QFETCH(int, from);
        QFETCH(int, onto);
        QFETCH(QStringList, after);
        QFETCH(int, landed);
        DisplayOrderModel m;
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        m.fill(tableOf(kABCDE));
        QCOMPARE(m.dropOnto(from, onto), landed);
        QCOMPARE(m.stringList(), after);
        if (landed >= 0) QCOMPARE(m.index(landed).data().toString(), kABCDE[from]);
    }

    void movesAddUpAndKeepEveryTitleOnce() {
        DisplayOrderModel m;
        m.fill(tableOf(kABCDE));
        QCOMPARE(m.dropOnto(4, 0), 0);  // E first
        QCOMPARE(m.dropOnto(1, 4), 3);  // A onto the last entry, D
        QCOMPARE(m.stringList(), QStringList({"E", "B", "C", "A", "D"}));
        QStringList sorted = m.stringList();
        sorted.sort();
        QCOMPARE(sorted, kABCDE);
    }

    void theListCannotBeEdited() {
        DisplayOrderModel m;
        m.fill(tableOf(kABCDE));
        QVERIFY(!(m.flags(m.index(0)) & Qt::ItemIsEditable));
        QVERIFY(!(m.flags(m.index(0)) & Qt::ItemIsDragEnabled));
    }
};

REELNOTE_TEST(TestDisplayOrder)
#include "tst_display_order.moc"
