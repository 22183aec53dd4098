#include "store/string_hash.h"
#include "test_registry.h"

#include <QTest>

class TestStringSet : public QObject {
    Q_OBJECT
private slots:
    void keepsEveryDistinctTextThroughGrowth() {
        StringSet set;
        QVERIFY(!set.contains(u"x"));
        for (int i = 0; i < 5000; ++i) {
            const auto [stored, added] = set.insert(QStringLiteral("監督%1").arg(i));
            QVERIFY(added);
            QCOMPARE(*stored, QStringLiteral("監督%1").arg(i));
        }
        QCOMPARE(set.size(), 5000);
        for (int i = 0; i < 5000; ++i) QVERIFY(set.contains(QStringLiteral("監督%1").arg(i)));
        QVERIFY(!set.contains(u"監督5000"));
        QVERIFY(!set.contains(u"監督"));
        const auto again = set.insert(u"監督42");
        QVERIFY(!again.second);
        QCOMPARE(set.size(), 5000);
        QVERIFY(set.insert(u"").second);  // the empty text is a value like any other
        QVERIFY(set.contains(u""));
        set.clear();
        QCOMPARE(set.size(), 0);
        QVERIFY(!set.contains(u"監督1"));
    }
};

REELNOTE_TEST(TestStringSet)
#include "tst_string_set.moc"
