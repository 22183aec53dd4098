#include "store/data_file.h"
#include "store/kansyou_table.h"
#include "store/title_name.h"
#include "test_files.h"
#include "test_registry.h"

#include <QTest>

using namespace TestFiles;

// A UTF-8 data file converted at load takes the nearest code page 932 forms,
// lists each, and leaves no title a file name cannot hold.
class TestNearestForms : public QObject {
    Q_OBJECT
private slots:
    void aUtf8FileConvertsToTheNearestForms() {
        const QString text = titleRecord(QStringLiteral("WALL·E")) +
                             titleRecord(QStringLiteral("Alien³"), QStringLiteral("Ridley Scott")) +
                             titleRecord(QStringLiteral("8½"), QStringLiteral("Federico Fellini")) +
                             titleRecord(QStringLiteral("Mission – Fallout"),
                                         QStringLiteral("Christopher McQuarrie"));
        TitleTable t;
        const ReadProblem p = readDataFile(text.toUtf8(), &t);
        QVERIFY(p.recoded());
        QCOMPARE(p.foreign.size(), 4);
        QCOMPARE(p.foreign[2].original, QStringLiteral("½"));
        QCOMPARE(p.foreign[2].replacement, QStringLiteral(" 1／2"));
        QVERIFY(p.foreignWhat().contains(QStringLiteral("「WALL·E」の「·」→「・」")));

        QCOMPARE(convertToCodePage932(&t), 4);
        QCOMPARE(t[1].Daimei, QStringLiteral("WALL・E"));
        QCOMPARE(t[2].Daimei, QStringLiteral("Alien3"));
        QCOMPARE(t[3].Daimei, QStringLiteral("8 1／2"));
        QCOMPARE(t[4].Daimei, QStringLiteral("Mission － Fallout"));
        for (int n = 1; n <= t.TitleCount(); ++n)
            QVERIFY(!TitleName::hasForbiddenCharacter(t[n].Daimei));
        QVERIFY(foreignCharacters(t, p.recordLines).isEmpty());

        KansyouTable h;
        QVector<qsizetype> starts;
        readHistoryFile(historyRecordLine(QStringLiteral("2009/01/02"), QStringLiteral("WALL·E"),
                                          QStringLiteral("映画館\u00A0IMAX"))
                            .toUtf8(),
                        &h, &starts);
        QCOMPARE(convertToCodePage932(&h), 2);
        QCOMPARE(h[1].KansyouDaimei, QStringLiteral("WALL・E"));  // still the title's name
        QCOMPARE(h[1].KansyouNaiyou, QStringLiteral("映画館 IMAX"));
    }
};

REELNOTE_TEST(TestNearestForms)
#include "tst_nearest_forms.moc"
