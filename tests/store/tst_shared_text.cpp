#include "store/shared_text.h"
#include "test_registry.h"

#include <QTest>

#include <thread>
#include <vector>

class TestSharedText : public QObject {
    Q_OBJECT
private slots:
    void equalTextsShareOneNumber() {
        const QString typed = QStringLiteral("黒沢") + QStringLiteral("明");
        const SharedText a(typed), b(QStringView(u"黒沢明")), c(u"黒沢明");
        QCOMPARE(a.id(), b.id());
        QCOMPARE(a.id(), c.id());
        QVERIFY(a == b);
        QVERIFY(a == typed);
        QVERIFY(a == QStringView(u"黒沢明"));
        QVERIFY(!(a == SharedText(u"黒沢明 ")));  // no trimming, no case folding
        QVERIFY(SharedText(u"abc") != SharedText(u"ABC"));
        QCOMPARE(SharedText().id(), 0u);
        QCOMPARE(SharedText(QString()).id(), 0u);
        QCOMPARE(SharedText(u"").id(), 0u);
        QVERIFY(SharedText().isEmpty());
        QVERIFY(SharedText().text().isEmpty());
        QCOMPARE(a.text(), typed);
        QCOMPARE(a.size(), 3);
    }

    void textsHandedOutStayAsTheyWereWhileManyMoreArrive() {
        const SharedText first(u"配信");
        const QString* firstAddress = &first.text();
        std::vector<SharedText> many;
        const quint32 before = SharedText::count();
        for (int i = 0; i < 20000; ++i) many.emplace_back(QStringLiteral("監督 %1 番").arg(i));
        QVERIFY(SharedText::count() >= before + 20000 - 1);  // past several chunks and regrowths
        QCOMPARE(&first.text(), firstAddress);
        QCOMPARE(first.text(), QStringLiteral("配信"));
        for (int i = 0; i < 20000; ++i) {
            QCOMPARE(many[i].text(), QStringLiteral("監督 %1 番").arg(i));
            QCOMPARE(SharedText(QStringLiteral("監督 %1 番").arg(i)).id(), many[i].id());
            QVERIFY(many[i].id() < SharedText::count());
        }
    }

    void anotherThreadReadsWhileTextsAreAdded() {
        std::vector<SharedText> given;
        for (int i = 0; i < 3000; ++i) given.emplace_back(QStringLiteral("主演%1").arg(i));
        bool allRead = true;
        std::thread reader([&] {
            for (int round = 0; round < 20; ++round)
                for (int i = 0; i < 3000; ++i)
                    allRead = allRead && given[i].text() == QStringLiteral("主演%1").arg(i);
        });
        for (int i = 0; i < 30000; ++i) SharedText(QStringLiteral("ジャンル%1").arg(i));
        reader.join();
        QVERIFY(allRead);
    }
};

REELNOTE_TEST(TestSharedText)
#include "tst_shared_text.moc"
