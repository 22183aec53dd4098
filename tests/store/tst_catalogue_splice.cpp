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

    // Every list of the titles, and the order their values were first met in.
    static QStringList listsOf(Catalogue& c) {
        QStringList out;
        for (PickList l : {PickList::Name, PickList::Kantoku, PickList::Syuen, PickList::Kuni,
                           PickList::Janru, PickList::Koukai, PickList::Koukai3})
            out << c.pickList(l)->stringList().join(u'|');
        for (int k : {1, 2, 3, 4, 5, 8}) out << c.txtD(k).text();
        return out;
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
            const int action = int(dice.bounded(4));
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
            } else if (action == 2) {
                QCOMPARE(c.removeTitle(n), QString());
            } else {
                // Several titles in one write, the short records of additions among them.
                QVector<std::pair<int, Title>> changed;
                for (int m = n; m <= c.TitleCount(); m += 1 + int(dice.bounded(3))) {
                    Title t = c.titles()[m];
                    t.Syuen = QStringLiteral("主演%1").arg(step);
                    changed.append({m, t});
                }
                QCOMPARE(c.storeTitles(changed), QString());
            }
            QCOMPARE(readBytes(tmp.path(), kDataFile), whole(c));
            QVERIFY(readsBack(tmp.path(), c));
        }
    }

    // A title taken out or put back anywhere leaves the lists as a fresh load would
    // make them, whether or not its values were met before its place.
    void removalsAndInsertionsListAsAFreshLoad() {
        QTemporaryDir tmp;
        QRandomGenerator dice(20261208);
        // Few people, many months: titles whose only new value is their month, too.
        const QStringList people = {"監督A", "監督B", "", ""};
        const QStringList releases = {"1999/04", "1999/04/02", "1999/05", "2001/12",
                                      "2001",    "",           "昭和三十年"};
        QString records;
        for (int n = 1; n <= 40; ++n)
            records += titleRecord(QStringLiteral("題%1").arg(n), people[dice.bounded(4)],
                                   people[dice.bounded(4)], releases[dice.bounded(7)],
                                   people[dice.bounded(4)], people[dice.bounded(4)]);
        writeCp932(tmp.path(), kDataFile, records);
        Catalogue c(tmp.path());
        QCOMPARE(c.LoadMainData(), QString());
        QCOMPARE(c.SaveMainData(), QString());
        QVector<std::pair<int, Title>> out;
        for (int step = 0; step < 200; ++step) {
            if (out.isEmpty() || (c.TitleCount() > 1 && dice.bounded(2) == 0)) {
                const int n = 1 + int(dice.bounded(c.TitleCount()));
                out.append({n, c.titles()[n]});
                QCOMPARE(c.removeTitle(n), QString());
            } else {
                const auto [n, t] = out.takeAt(int(dice.bounded(int(out.size()))));
                QCOMPARE(c.insertTitle(qMin(n, c.TitleCount() + 1), t), QString());
            }
            Catalogue fresh(tmp.path());
            QCOMPARE(fresh.LoadMainData(), QString());
            QCOMPARE(listsOf(c), listsOf(fresh));
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
