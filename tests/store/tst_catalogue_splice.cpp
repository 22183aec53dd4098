#include "store/catalogue.h"
#include "store/cp932.h"
#include "store/data_file.h"
#include "test_files.h"
#include "test_registry.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace TestFiles;

// Edits write only their record's bytes, additions append a short record; the
// file must still be, after every edit or deletion, exactly what writing the
// whole table would give, and always read back as the table.
class TestCatalogueSplice : public QObject {
    Q_OBJECT
private:
    static QByteArray whole(const Catalogue& c) { return cp932(serializeDataFile(c.titles())); }
    static bool readsBack(const QString& dir, const Catalogue& c) {
        Catalogue again(dir);
        return again.LoadMainData().isEmpty() && again.titles() == c.titles();
    }

private slots:
    void editsAndDeletionsAfterAdditionsGiveTheWholeFile() {
        QTemporaryDir tmp;
        writeCp932(tmp.path(), kDataFile,
                   titleRecord("甲", "監督A", "", "1999/04") + titleRecord("乙", "監督B"));
        Catalogue c(tmp.path());
        QCOMPARE(c.LoadMainData(), QString());
        QCOMPARE(c.SaveMainData(), QString());  // the bytes are known from here on
        QRandomGenerator dice(20261207);
        int added = 0;
        for (int step = 0; step < 300; ++step) {
            const int action = int(dice.bounded(3));
            const int n = c.TitleCount() > 0 ? 1 + int(dice.bounded(c.TitleCount())) : 0;
            if (action == 0 || n == 0) {
                QCOMPARE(c.appendTitle(QStringLiteral("新%1").arg(++added)), QString());
                QVERIFY(readsBack(tmp.path(), c));
                continue;
            }
            if (action == 1) {
                Title t = c.titles()[n];
                t.Kantoku = QStringLiteral("監督%1").arg(step);
                t.HyoukaTen[3] = qint16(step % 11);
                QCOMPARE(c.storeTitle(n, t), QString());
            } else {
                QCOMPARE(c.removeTitle(n), QString());
            }
            QCOMPARE(readBytes(tmp.path(), kDataFile), whole(c));
            QVERIFY(readsBack(tmp.path(), c));
        }
    }

    void aReorderMovesTheKnownRecordsAsAWholeRewriteWould() {
        QTemporaryDir tmp;
        writeCp932(tmp.path(), kDataFile,
                   titleRecord("甲", "監督A", "", "1999/04", "", "", "◎", {90, 1}) +
                       titleRecord("乙", "監督B") + titleRecord("丙", "", "主演C"));
        Catalogue c(tmp.path());
        QCOMPARE(c.LoadMainData(), QString());
        QCOMPARE(c.SaveMainData(), QString());
        QCOMPARE(c.rewriteInOrder({"丙", "甲", "乙"}), QString());
        QCOMPARE(readBytes(tmp.path(), kDataFile), whole(c));
        QCOMPARE(c.titles()[1].Syuen, QStringLiteral("主演C"));
        // An edit after the reorder splices at the records' new places.
        Title t = c.titles()[3];
        t.Kuni = QStringLiteral("日本");
        QCOMPARE(c.storeTitle(3, t), QString());
        QCOMPARE(readBytes(tmp.path(), kDataFile), whole(c));
        QVERIFY(readsBack(tmp.path(), c));
        // With an added title's short record in the file, the whole file is written.
        QCOMPARE(c.appendTitle(QStringLiteral("丁")), QString());
        QCOMPARE(c.rewriteInOrder({"丁", "丙", "甲", "乙"}), QString());
        QCOMPARE(readBytes(tmp.path(), kDataFile), whole(c));
    }

    void aReorderByNumbersMovesEachTitleToItsPlace() {
        QTemporaryDir tmp;
        writeCp932(tmp.path(), kDataFile,
                   titleRecord("甲", "監督A") + titleRecord("乙", "監督B") +
                       titleRecord("丙", "監督C") + titleRecord("丁", "監督D") +
                       titleRecord("戊", "監督E"));
        Catalogue c(tmp.path());
        QCOMPARE(c.LoadMainData(), QString());
        const quint64 loaded = c.layout();
        // Orders that miss, repeat or invent a title are refused; nothing moves.
        const QByteArray before = readBytes(tmp.path(), kDataFile);
        for (const QVector<int>& bad : {QVector<int>{1, 2, 3, 4}, QVector<int>{1, 2, 3, 4, 4},
                                        QVector<int>{0, 1, 2, 3, 4}, QVector<int>{1, 2, 3, 4, 6}}) {
            QVERIFY(!c.rewriteInNumberOrder(bad).isEmpty());
            QCOMPARE(readBytes(tmp.path(), kDataFile), before);
            QCOMPARE(c.titles()[1].Daimei, QStringLiteral("甲"));
        }
        QCOMPARE(c.layout(), loaded);
        // Two cycles (1→3→5→1 and 2↔4) and, after a whole write, the kept bytes.
        for (int round = 0; round < 2; ++round) {
            QCOMPARE(c.rewriteInNumberOrder({3, 4, 5, 2, 1}), QString());
            QCOMPARE(readBytes(tmp.path(), kDataFile), whole(c));
            QVERIFY(readsBack(tmp.path(), c));
            if (round == 0) {
                QStringList names;
                for (int n = 1; n <= 5; ++n) names << c.titles()[n].Daimei;
                QCOMPARE(names, (QStringList{"丙", "丁", "戊", "乙", "甲"}));
                QCOMPARE(c.titles()[3].Kantoku, QStringLiteral("監督E"));
                QVERIFY(c.layout() != loaded);
                QCOMPARE(c.SaveMainData(), QString());
            }
        }
    }

    void twoAdditionsThenDeletingTheFirstOfThem() {
        QTemporaryDir tmp;
        writeCp932(tmp.path(), kDataFile, titleRecord("甲"));
        Catalogue c(tmp.path());
        QCOMPARE(c.LoadMainData(), QString());
        QCOMPARE(c.SaveMainData(), QString());
        QCOMPARE(c.appendTitle(QStringLiteral("乙")), QString());
        QCOMPARE(c.appendTitle(QStringLiteral("丙")), QString());
        QCOMPARE(readCp932(tmp.path(), kDataFile),
                 titleRecord("甲") + newTitleRecord("乙") + newTitleRecord("丙"));
        QCOMPARE(c.removeTitle(2), QString());
        QCOMPARE(readBytes(tmp.path(), kDataFile), whole(c));
        QCOMPARE(c.titles()[2].Daimei, QStringLiteral("丙"));
    }
};

REELNOTE_TEST(TestCatalogueSplice)
#include "tst_catalogue_splice.moc"
