#include "store/catalogue.h"
#include "test_files.h"
#include "test_registry.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace TestFiles;

namespace {
const auto rec = historyRecordLine;
}  // namespace

class TestHistoryFile : public QObject {
    Q_OBJECT
private slots:
    void missingFileIsAnEmptyHistory() {
        QTemporaryDir dir;
        Catalogue c(dir.path());
        QVERIFY(c.LoadKansyouRireki().isEmpty());
        QCOMPARE(c.kansyou().KansyouCount(), 0);
        QCOMPARE(c.kansyou().LastKansyoubi, QString());
        QVERIFY(c.AddKansyou({"2003/05/10", "A", "映画館"}).isEmpty());
        QCOMPARE(readCp932(dir.path(), kHistoryFile), rec("2003/05/10", "A", "映画館"));
    }

    // After each stored viewing the pick lists of dates, years and contents are
    // what a fresh load of the file builds, whether the viewing adds to them or not.
    void viewingListsAgreeWithAFreshLoad() {
        QTemporaryDir dir;
        writeCp932(dir.path(), kHistoryFile,
                   historyRecordLine("2003/05/10", "甲", "DVD") +
                       historyRecordLine("2004/01/02", "乙", "映画館"));
        Catalogue c(dir.path());
        c.LoadKansyouRireki();
        const auto lists = [](Catalogue& cat) {
            QList<QStringList> out;
            for (PickList p : {PickList::Kanbi, PickList::Kanbi2, PickList::Kansyou})
                out << cat.pickList(p)->stringList();
            return out;
        };
        const QList<Kansyou> adds = {{"2004/01/20", "甲", "DVD"},     // all listed already
                                     {"2003/05/11", "乙", "テレビ"},  // a new content
                                     {"2002/12/31", "甲", "DVD"},     // a new month and year, first
                                     {"2003/05/01", "乙", "映画館"},  // listed, but now seen earlier
                                     {"2005/03/01", "丙", ""}};       // a new month at the end
        for (const Kansyou& k : adds) {
            QCOMPARE(c.AddKansyou(k), QString());
            Catalogue fresh(dir.path());
            fresh.LoadKansyouRireki();
            QCOMPARE(lists(c), lists(fresh));
        }
        QCOMPARE(c.pickList(PickList::Kanbi)->stringList().first(), QStringLiteral("2002/12"));
    }

    void listsAndIndex() {
        QTemporaryDir dir;
        writeCp932(dir.path(), kHistoryFile,
                   rec("2003/05/10", "A", "DVD") + rec("2003/05/20", "B", "映画館") +
                       rec("", "C", "") + rec("2004/01/02", "A", "DVD") +
                       rec("2004/03/02", "無い題", "テレビ"));
        Catalogue c(dir.path());
        QVERIFY(c.LoadKansyouRireki().isEmpty());
        QCOMPARE(c.kansyou().KansyouCount(), 5);
        QCOMPARE(c.kansyou().LastKansyoubi, QStringLiteral("2004/03/02"));
        QCOMPARE(c.pickList(PickList::Kanbi)->stringList(),
                 (QStringList{"2003/05", "2004/01", "2004/03"}));
        QCOMPARE(c.pickList(PickList::Kanbi2)->stringList(), (QStringList{"2003年", "2004年"}));
        QCOMPARE(c.pickList(PickList::Kansyou)->stringList(),
                 (QStringList{"DVD", "映画館", "テレビ"}));
        QCOMPARE(c.txtD(7).text(), QStringLiteral(",DVD,映画館,テレビ,"));
        QCOMPARE(c.kansyou().viewingsOf("A"), (QVector<int>{1, 4}));
        QCOMPARE(c.kansyou().viewingsOf("Z"), QVector<int>{});
    }

    void keepsTheFileInDateOrder_data() {
        QTest::addColumn<QString>("date");
        QTest::addColumn<int>("position");
        QTest::newRow("later than all: appended") << "2005/01/01" << 5;
        QTest::newRow("same as the latest: appended after it") << "2004/06/01" << 5;
        QTest::newRow("earlier than all") << "2001/01/01" << 1;
        QTest::newRow("middle, after records of its own date") << "2003/05/10" << 3;
        QTest::newRow("middle, between dates") << "2003/06/01" << 3;
    }
    void keepsTheFileInDateOrder() {
        QFETCH(QString, date);
        QFETCH(int, position);
        QTemporaryDir dir;
        QStringList lines = {rec("2003/05/10", "甲", "DVD"), rec("2003/05/10", "乙", "映画館"),
                             rec("2004/01/02", "丙～①", "DVD"), rec("2004/06/01", "丁", "配信")};
        writeCp932(dir.path(), kHistoryFile, lines.join(QString()));
        Catalogue c(dir.path());
        QVERIFY(c.LoadKansyouRireki().isEmpty());
        QVERIFY(c.AddKansyou({date, "新", "テレビ"}).isEmpty());
        lines.insert(position - 1, rec(date, "新", "テレビ"));
        QCOMPARE(readBytes(dir.path(), kHistoryFile), cp932(lines.join(QString())));
        QVERIFY(!QFile::exists(QDir(dir.path()).filePath(kHistoryCopyFile)));
        // The table agrees with a fresh read of the file, record for record.
        Catalogue fresh(dir.path());
        QVERIFY(fresh.LoadKansyouRireki().isEmpty());
        QCOMPARE(c.kansyou().records(), fresh.kansyou().records());
        QCOMPARE(c.kansyou().LastKansyoubi, fresh.kansyou().LastKansyoubi);
        QCOMPARE(c.kansyou().viewingsOf("新"), QVector<int>{position});
        QCOMPARE(c.pickList(PickList::Kansyou)->stringList(),
                 fresh.pickList(PickList::Kansyou)->stringList());
        // A second insertion relies on the positions kept after the first.
        QVERIFY(c.AddKansyou({"2003/05/15", "次", "DVD"}).isEmpty());
        QVERIFY(fresh.LoadKansyouRireki().isEmpty());
        QCOMPARE(c.kansyou().records(), fresh.kansyou().records());
        QCOMPARE(fresh.kansyou()[fresh.kansyou().insertPosition("2003/05/15") - 1].KansyouDaimei,
                 QStringLiteral("次"));
    }

    void appendAfterALastRecordWithoutLineEnd() {
        QTemporaryDir dir;
        writeCp932(dir.path(), kHistoryFile, QStringLiteral("\"2003/05/10\",\"甲\",\"DVD\""));
        Catalogue c(dir.path());
        QVERIFY(c.LoadKansyouRireki().isEmpty());
        QVERIFY(c.AddKansyou({"2003/06/01", "乙", "DVD"}).isEmpty());
        QVERIFY(c.AddKansyou({"2003/05/01", "丙", "DVD"}).isEmpty());
        Catalogue fresh(dir.path());
        QVERIFY(fresh.LoadKansyouRireki().isEmpty());
        QCOMPARE(fresh.kansyou().KansyouCount(), 3);
        QCOMPARE(fresh.kansyou()[1].KansyouDaimei, QStringLiteral("丙"));
        QCOMPARE(fresh.kansyou()[3].KansyouDaimei, QStringLiteral("乙"));
    }

    void fileChangedBehindOurBackIsReadAgainBeforeInserting() {
        QTemporaryDir dir;
        writeCp932(dir.path(), kHistoryFile,
                   rec("2003/05/10", "甲", "DVD") + rec("2004/01/01", "乙", "DVD"));
        Catalogue c(dir.path());
        QVERIFY(c.LoadKansyouRireki().isEmpty());
        writeCp932(dir.path(), kHistoryFile,
                   rec("2003/01/01", "外", "DVD") + rec("2003/05/10", "甲", "DVD") +
                       rec("2004/01/01", "乙", "DVD"));
        QVERIFY(c.AddKansyou({"2003/06/01", "新", "DVD"}).isEmpty());
        QCOMPARE(readCp932(dir.path(), kHistoryFile),
                 rec("2003/01/01", "外", "DVD") + rec("2003/05/10", "甲", "DVD") +
                     rec("2003/06/01", "新", "DVD") + rec("2004/01/01", "乙", "DVD"));
    }

    // A change that keeps the length (one title's name for another of the same
    // size, after our own insertion) is seen as a change all the same.
    void sameLengthChangeAfterOurOwnWriteIsReadAgain() {
        QTemporaryDir dir;
        writeCp932(dir.path(), kHistoryFile,
                   rec("2003/05/10", "甲", "DVD") + rec("2004/01/01", "乙", "DVD"));
        Catalogue c(dir.path());
        QVERIFY(c.LoadKansyouRireki().isEmpty());
        QVERIFY(c.AddKansyou({"2003/06/01", "新", "DVD"}).isEmpty());
        const QString changed = rec("2003/05/10", "丙", "DVD") + rec("2003/06/01", "新", "DVD") +
                                rec("2004/01/01", "乙", "DVD");
        QCOMPARE(changed.size(), readCp932(dir.path(), kHistoryFile).size());
        writeCp932(dir.path(), kHistoryFile, changed);
        QVERIFY(c.AddKansyou({"2005/01/01", "後", "DVD"}).isEmpty());
        QCOMPARE(readCp932(dir.path(), kHistoryFile), changed + rec("2005/01/01", "後", "DVD"));
        QCOMPARE(c.kansyou().viewingsOf(QStringLiteral("丙")), QVector<int>{1});
        QCOMPARE(c.kansyou().viewingsOf(QStringLiteral("甲")), QVector<int>{});
    }

    void damagedHistoryIsKeptBeforeTheFirstRewrite() {
        QTemporaryDir dir;
        const QByteArray bytes =
            cp932(rec("2003/05/10", "甲", "DVD") + rec("2004/01/01", "乙", "DVD")) +
            QByteArray("\"2004/02/01\",\"\xff\xfe\",\"x\"\r\n");
        writeBytes(dir.path(), kHistoryFile, bytes);
        Catalogue c(dir.path());
        const QString message = c.LoadKansyouRireki();
        QVERIFY(message.contains(QStringLiteral("3行目")));
        QCOMPARE(c.kansyou().KansyouCount(), 2);
        QVERIFY(c.AddKansyou({"2003/06/01", "新", "DVD"}).isEmpty());
        const QStringList kept = QDir(dir.path()).entryList({"*.bak"});
        QCOMPARE(kept.size(), 1);
        QCOMPARE(readBytes(dir.path(), kept[0]), bytes);
        QCOMPARE(readCp932(dir.path(), kHistoryFile), rec("2003/05/10", "甲", "DVD") +
                                                          rec("2003/06/01", "新", "DVD") +
                                                          rec("2004/01/01", "乙", "DVD"));
    }

    void appendingToADamagedHistoryKeepsTheNewRecordReadable() {
        QTemporaryDir dir;
        const QByteArray bytes = cp932(rec("2003/05/10", "甲", "DVD")) +
                                 QByteArray("\"2004/02/01\",\"\xff\xfe\",\"x\"\r\n");
        writeBytes(dir.path(), kHistoryFile, bytes);
        Catalogue c(dir.path());
        QVERIFY(!c.LoadKansyouRireki().isEmpty());
        QVERIFY(c.AddKansyou({"2005/01/01", "新", "DVD"}).isEmpty());
        // Appended behind the unreadable record it could never be read again.
        Catalogue fresh(dir.path());
        QVERIFY(fresh.LoadKansyouRireki().isEmpty());
        QCOMPARE(fresh.kansyou().KansyouCount(), 2);
        QCOMPARE(fresh.kansyou()[2].KansyouDaimei, QStringLiteral("新"));
        QCOMPARE(c.kansyou().records(), fresh.kansyou().records());
    }

    void utf8HistoryIsReadAndWrittenBackInCodePage932() {
        QTemporaryDir dir;
        const QByteArray utf8 = "\xEF\xBB\xBF" + rec("2003/05/10", "七人の侍", "映画館").toUtf8();
        writeBytes(dir.path(), kHistoryFile, utf8);
        Catalogue c(dir.path());
        QVERIFY(c.LoadKansyouRireki().contains(QStringLiteral("UTF-8")));
        QCOMPARE(c.kansyou()[1].KansyouDaimei, QStringLiteral("七人の侍"));
        QVERIFY(c.AddKansyou({"2004/01/01", "生きる", "DVD"}).isEmpty());
        QCOMPARE(
            readBytes(dir.path(), kHistoryFile),
            cp932(rec("2003/05/10", "七人の侍", "映画館") + rec("2004/01/01", "生きる", "DVD")));
        const QStringList kept = QDir(dir.path()).entryList({"*.bak"});
        QCOMPARE(kept.size(), 1);
        QCOMPARE(readBytes(dir.path(), kept[0]), utf8);
    }

    void refusesARecordPastTheLimit() {
        QTemporaryDir dir;
        QByteArray bytes;
        for (int i = 0; i < kMaxRecords; ++i) bytes += "\"2003/05/10\",\"t\",\"DVD\"\r\n";
        writeBytes(dir.path(), kHistoryFile, bytes);
        Catalogue c(dir.path());
        QVERIFY(c.LoadKansyouRireki().isEmpty());
        QVERIFY(c.AddKansyou({"2004/01/01", "t", "DVD"}).contains(QStringLiteral("32766件まで")));
        QCOMPARE(readBytes(dir.path(), kHistoryFile), bytes);
        QCOMPARE(c.kansyou().KansyouCount(), kMaxRecords);
    }

    void refusesTextTheCodePageCannotHold() {
        QTemporaryDir dir;
        writeCp932(dir.path(), kHistoryFile, rec("2003/05/10", "甲", "DVD"));
        Catalogue c(dir.path());
        c.LoadKansyouRireki();
        QVERIFY(c.AddKansyou({"2003/06/01", "Amélie", "DVD"}).contains(QStringLiteral("「é」")));
        QCOMPARE(readCp932(dir.path(), kHistoryFile), rec("2003/05/10", "甲", "DVD"));
        QCOMPARE(c.kansyou().KansyouCount(), 1);
    }
};

REELNOTE_TEST(TestHistoryFile)
#include "tst_history_file.moc"
