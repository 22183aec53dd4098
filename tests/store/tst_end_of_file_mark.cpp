#include "store/catalogue.h"
#include "test_files.h"
#include "test_registry.h"

#include <QTemporaryDir>
#include <QTest>

using namespace TestFiles;

// Older programs end text files with the end-of-file mark ^Z (1A), and append
// behind it.
class TestEndOfFileMark : public QObject {
    Q_OBJECT
private slots:
    void markAtTheEndOfTheDataFileIsIgnored() {
        QTemporaryDir dir;
        const QByteArray bytes =
            cp932(titleRecord("東京物語", "小津安二郎") + titleRecord("晩春")) + "\x1a";
        writeBytes(dir.path(), kDataFile, bytes);
        Catalogue c(dir.path());
        QCOMPARE(c.LoadMainData(), QString());
        QCOMPARE(c.TitleCount(), 2);
        QCOMPARE(c.titles()[2].Daimei, QStringLiteral("晩春"));

        // A title appended behind the mark is read back, and nothing is reported.
        QVERIFY(c.appendTitle(QStringLiteral("麦秋")).isEmpty());
        Catalogue fresh(dir.path());
        QCOMPARE(fresh.LoadMainData(), QString());
        QCOMPARE(fresh.TitleCount(), 3);
        QCOMPARE(fresh.titles()[3].Daimei, QStringLiteral("麦秋"));
    }

    void markRightAfterTheLastFieldIsNotPartOfIt() {
        QTemporaryDir dir;
        QString text = titleRecord("甲", "", "", "", "", "", "", {50, 5});
        text.chop(2);  // no line end: the mark follows the closing quote
        writeBytes(dir.path(), kDataFile, cp932(text) + "\x1a");
        Catalogue c(dir.path());
        QCOMPARE(c.LoadMainData(), QString());
        QCOMPARE(c.TitleCount(), 1);
        QCOMPARE(c.titles()[1].HyoukaTen[2], qint16(5));
        QCOMPARE(c.titles()[1].Syoyu[4], QString());
    }

    void markAtTheEndOfTheHistoryIsIgnored() {
        QTemporaryDir dir;
        writeBytes(dir.path(), kHistoryFile,
                   cp932(historyRecordLine("2003/05/10", "甲", "DVD")) + "\x1a");
        Catalogue c(dir.path());
        QCOMPARE(c.LoadKansyouRireki(), QString());
        QCOMPARE(c.kansyou().KansyouCount(), 1);
        QVERIFY(c.AddKansyou({"2004/01/01", "乙", "映画館"}).isEmpty());
        Catalogue fresh(dir.path());
        QCOMPARE(fresh.LoadKansyouRireki(), QString());
        QCOMPARE(fresh.kansyou().KansyouCount(), 2);
        QCOMPARE(fresh.kansyou()[2].KansyouNaiyou, QStringLiteral("映画館"));
    }
};

REELNOTE_TEST(TestEndOfFileMark)
#include "tst_end_of_file_mark.moc"
