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

    // The drops of the screen's tests, here with the model checker watching the moves.
    void movesAddUpAndKeepEveryTitleOnce() {
        DisplayOrderModel m;
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        m.fill(tableOf(kABCDE));
        QCOMPARE(m.dropOnto(4, 0), 0);    // E onto A: E A B C D
        QCOMPARE(m.dropOnto(1, 4), 3);    // A onto D, the last entry: E B C A D
        QCOMPARE(m.dropOnto(1, 2), -1);   // onto the entry just below
        QCOMPARE(m.dropOnto(-1, 2), -1);  // pressed beside the entries
        QCOMPARE(m.dropOnto(2, 5), -1);
        QCOMPARE(m.stringList(), QStringList({"E", "B", "C", "A", "D"}));
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
