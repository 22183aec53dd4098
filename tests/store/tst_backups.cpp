#include "store/backups.h"
#include "disk_faults.h"
#include "store/data_dir.h"
#include "test_files.h"
#include "test_registry.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace TestFiles;

namespace {
QString day(const QTemporaryDir& tmp, const QString& folder) {
    return QDir(tmp.path()).filePath(Backups::kFolder + u'/' + folder);
}
}  // namespace

class TestBackups : public QObject {
    Q_OBJECT
private slots:
    void copiesEachDayOnlyWhatChanged() {
        QTemporaryDir tmp;
        writeBytes(tmp.path(), QStringLiteral("データ.TXT"), "\"A\"\r\n");
        writeBytes(tmp.path(), QStringLiteral("鑑賞履歴.txt"), "h1");  // any spelling of the name

        QCOMPARE(Backups::keepDailyCopies(DataDir(tmp.path()), QDate(2026, 12, 1)), QString());
        QCOMPARE(readBytes(day(tmp, "20261201"), QStringLiteral("データ.TXT")), "\"A\"\r\n");
        QCOMPARE(readBytes(day(tmp, "20261201"), QStringLiteral("鑑賞履歴.TXT")), "h1");

        // Nothing changed the next day: no folder for it.
        QCOMPARE(Backups::keepDailyCopies(DataDir(tmp.path()), QDate(2026, 12, 2)), QString());
        QCOMPARE(Backups::dayFolders(tmp.path()), QStringList({"20261201"}));

        // Only the history changed on the third day: only it is copied.
        writeBytes(tmp.path(), QStringLiteral("鑑賞履歴.txt"), "h2");
        QCOMPARE(Backups::keepDailyCopies(DataDir(tmp.path()), QDate(2026, 12, 3)), QString());
        QCOMPARE(Backups::dayFolders(tmp.path()), QStringList({"20261201", "20261203"}));
        QVERIFY(!QFile::exists(QDir(day(tmp, "20261203")).filePath(QStringLiteral("データ.TXT"))));
        QCOMPARE(readBytes(day(tmp, "20261203"), QStringLiteral("鑑賞履歴.TXT")), "h2");

        // A second start on the same day keeps the day's first copy and adds the
        // new state beside it; an unchanged third start adds nothing.
        writeBytes(tmp.path(), QStringLiteral("鑑賞履歴.txt"), "h3");
        QCOMPARE(Backups::keepDailyCopies(DataDir(tmp.path()), QDate(2026, 12, 3)), QString());
        QCOMPARE(Backups::keepDailyCopies(DataDir(tmp.path()), QDate(2026, 12, 3)), QString());
        QCOMPARE(readBytes(day(tmp, "20261203"), QStringLiteral("鑑賞履歴.TXT")), "h2");
        QCOMPARE(Backups::copiesIn(day(tmp, "20261203"), QStringLiteral("鑑賞履歴.TXT")),
                 QStringList({"鑑賞履歴.TXT", "鑑賞履歴_2.TXT"}));
        QCOMPARE(readBytes(day(tmp, "20261203"), QStringLiteral("鑑賞履歴_2.TXT")), "h3");
        QCOMPARE(Backups::dayFolders(tmp.path()).size(), 2);
    }

    // A mistaken mass deletion and a restart on the same day: the day's copy
    // still holds the collection as it was at the first start.
    void aSameDayRestartNeverEmptiesTheDaysCopy() {
        QTemporaryDir tmp;
        writeBytes(tmp.path(), QStringLiteral("データ.TXT"), "\"A\"\r\n\"B\"\r\n");
        QCOMPARE(Backups::keepDailyCopies(DataDir(tmp.path()), QDate(2026, 12, 7)), QString());
        writeBytes(tmp.path(), QStringLiteral("データ.TXT"), "");
        QCOMPARE(Backups::keepDailyCopies(DataDir(tmp.path()), QDate(2026, 12, 7)), QString());
        QCOMPARE(readBytes(day(tmp, "20261207"), QStringLiteral("データ.TXT")),
                 "\"A\"\r\n\"B\"\r\n");
        QCOMPARE(readBytes(day(tmp, "20261207"), QStringLiteral("データ_2.TXT")), "");
    }

    void keepsTheNewestFourteenDaysAndNothingElseIsRemoved() {
        QTemporaryDir tmp;
        // Something of the user's own in the backup folder and in two day folders,
        // one of them a file named like ours in another letter case.
        QDir().mkpath(QDir(tmp.path()).filePath(Backups::kFolder + "/mine"));
        QDate d(2026, 11, 1);
        for (int i = 0; i < 16; ++i, d = d.addDays(2)) {
            writeBytes(tmp.path(), QStringLiteral("データ.TXT"), QByteArray::number(i));
            QCOMPARE(Backups::keepDailyCopies(DataDir(tmp.path()), d), QString());
            if (i == 0) {
                writeBytes(day(tmp, "20261101"), QStringLiteral("note.txt"), "keep");
                writeBytes(day(tmp, "20261101"), QStringLiteral("データ_02.TXT"), "mine");
                writeBytes(day(tmp, "20261101"), QStringLiteral("データ.txt"), "mine too");
            }
        }
        const QStringList days = Backups::dayFolders(tmp.path());
        QCOMPARE(days.size(), Backups::kKeptDays);
        QCOMPARE(days.first(), QStringLiteral("20261105"));  // 11/01 and 11/03 went
        QCOMPARE(readBytes(day(tmp, days.last()), QStringLiteral("データ.TXT")), "15");
        // The day folder holding the user's files lost only our copy.
        QVERIFY(!QFile::exists(QDir(day(tmp, "20261101")).filePath(QStringLiteral("データ.TXT"))));
        QCOMPARE(readBytes(day(tmp, "20261101"), QStringLiteral("note.txt")), "keep");
        QCOMPARE(readBytes(day(tmp, "20261101"), QStringLiteral("データ_02.TXT")), "mine");
        QCOMPARE(readBytes(day(tmp, "20261101"), QStringLiteral("データ.txt")), "mine too");
        QVERIFY(QDir(QDir(tmp.path()).filePath(Backups::kFolder + "/mine")).exists());
        QVERIFY(!QDir(day(tmp, "20261103")).exists());
    }

    void aCopyThatCannotBeWrittenIsReported() {
        QTemporaryDir tmp;
        writeBytes(tmp.path(), QStringLiteral("データ.TXT"), "x");
        // A plain file where the folder should be.
        writeBytes(tmp.path(), Backups::kFolder, "not a folder");
        const QString message = Backups::keepDailyCopies(DataDir(tmp.path()), QDate(2026, 12, 7));
        QVERIFY2(message.contains(QStringLiteral("バックアップを作れませんでした")),
                 qPrintable(message));
        QCOMPARE(readBytes(tmp.path(), QStringLiteral("データ.TXT")), "x");
    }

    // On a full disk the day's copy fails: no older backup is given up for it.
    void aFailedCopyPrunesNothing() {
        QTemporaryDir tmp;
        QDate d(2026, 11, 1);
        for (int i = 0; i < Backups::kKeptDays; ++i, d = d.addDays(1)) {
            writeBytes(tmp.path(), QStringLiteral("データ.TXT"), QByteArray::number(i));
            QCOMPARE(Backups::keepDailyCopies(DataDir(tmp.path()), d), QString());
        }
        const QStringList before = Backups::dayFolders(tmp.path());
        writeBytes(tmp.path(), QStringLiteral("データ.TXT"), "new");
        FailingDisk full;
        full.writeBudget = 0;
        DataDir data(tmp.path());
        data.setFileSystem(&full);
        QVERIFY(!Backups::keepDailyCopies(data, d).isEmpty());
        QCOMPARE(Backups::dayFolders(tmp.path()), before);
        QVERIFY(!QDir(day(tmp, d.toString("yyyyMMdd"))).exists());
    }

    void anEmptyFolderGetsNoBackupFolder() {
        QTemporaryDir tmp;
        QCOMPARE(Backups::keepDailyCopies(DataDir(tmp.path()), QDate(2026, 12, 7)), QString());
        QVERIFY(!QDir(QDir(tmp.path()).filePath(Backups::kFolder)).exists());
    }
};

REELNOTE_TEST(TestBackups)
#include "tst_backups.moc"
