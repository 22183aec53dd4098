#include "store/data_dir.h"
#include "test_files.h"
#include "test_registry.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace TestFiles;

class TestDataDir : public QObject {
    Q_OBJECT
private slots:
    void matchesNamesWithoutRegardToCase() {
        QTemporaryDir tmp;
        writeBytes(tmp.path(), QStringLiteral("設定.txt"), "a");
        writeBytes(tmp.path(), QStringLiteral("X.JPG"), "b");
        writeBytes(tmp.path(), QStringLiteral("x.jpg"), "c");
        DataDir dir(tmp.path());
        QVERIFY(dir.exists(QStringLiteral("設定.TXT")));
        QCOMPARE(dir.actualName(QStringLiteral("設定.TXT")), QStringLiteral("設定.txt"));
        QCOMPARE(dir.actualName(QStringLiteral("x.jpg")), QStringLiteral("x.jpg"));  // exact wins
        QCOMPARE(dir.actualName(QStringLiteral("X.JPG")), QStringLiteral("X.JPG"));
        QVERIFY(!dir.exists(QStringLiteral("なし.txt")));
        QCOMPARE(dir.actualName(QStringLiteral("なし.txt")), QStringLiteral("なし.txt"));
        // Removing one spelling leaves the other findable.
        QVERIFY(dir.remove(QStringLiteral("x.jpg")));
        QCOMPARE(dir.actualName(QStringLiteral("x.jpg")), QStringLiteral("X.JPG"));
        QVERIFY(dir.remove(QStringLiteral("x.jpg")));
        QVERIFY(!dir.exists(QStringLiteral("X.jpg")));
        // Full-width letters fold too.
        writeBytes(tmp.path(), QStringLiteral("ＡＢ.txt"), "d");
        dir.rescan();
        QVERIFY(dir.exists(QStringLiteral("ａｂ.TXT")));
    }

    void indexStaysTrueAfterOwnOperations() {
        QTemporaryDir tmp;
        DataDir dir(tmp.path());
        QVERIFY(dir.writeAtomic(QStringLiteral("メモ_A.txt"), "x").ok());
        QVERIFY(dir.exists(QStringLiteral("メモ_a.TXT")));
        QVERIFY(dir.append(QStringLiteral("メモ_A.TXT"), "y").ok());
        QCOMPARE(readBytes(tmp.path(), QStringLiteral("メモ_A.txt")), QByteArray("xy"));
        QVERIFY(dir.copy(QStringLiteral("メモ_A.txt"), QStringLiteral("copy.txt")).ok());
        QCOMPARE(dir.entries(QStringLiteral("メモ_*.TXT")), QStringList{"メモ_A.txt"});
        QVERIFY(dir.remove(QStringLiteral("メモ_A.TXT")));
        QVERIFY(!dir.exists(QStringLiteral("メモ_A.txt")));
        QVERIFY(!QFile::exists(tmp.filePath(QStringLiteral("メモ_A.txt"))));
        QVERIFY(dir.remove(QStringLiteral("never.txt")));  // nothing to remove is fine
        QVERIFY(dir.exists(QStringLiteral("copy.txt")));
    }

    // Listings after own changes are what a fresh scan lists: every spelling, in
    // name order.
    void listingsFollowOwnChanges() {
        QTemporaryDir tmp;
        for (const char* name : {"b.jpg", "B.JPG", "a.jpg", "メモ_乙.txt", "メモ_甲.TXT"})
            writeBytes(tmp.path(), QString::fromUtf8(name), "x");
        DataDir dir(tmp.path());
        const auto same = [&] {
            const DataDir fresh(tmp.path());
            for (const QString& pattern : {QStringLiteral("*.jpg"), QStringLiteral("メモ_*.txt"),
                                           QStringLiteral("?.JPG"), QStringLiteral("*")})
                if (dir.entries(pattern) != fresh.entries(pattern)) return false;
            return true;
        };
        QCOMPARE(dir.entries(QStringLiteral("*.JPG")), (QStringList{"B.JPG", "a.jpg", "b.jpg"}));
        QVERIFY(same());
        QVERIFY(dir.writeAtomic(QStringLiteral("C.jpg"), "y").ok());
        QVERIFY(dir.writeAtomic(QStringLiteral("メモ_丙.txt"), "y").ok());
        QVERIFY(same());
        QVERIFY(dir.remove(QStringLiteral("b.jpg")));
        QVERIFY(dir.remove(QStringLiteral("B.jpg")));  // the other spelling
        QVERIFY(same());
        QVERIFY(dir.replace(QStringLiteral("C.jpg"), QStringLiteral("d.jpg")).ok());
        QVERIFY(same());
        QCOMPARE(dir.entries(QStringLiteral("*.jpg")), (QStringList{"a.jpg", "d.jpg"}));
    }

    void picksUpFilesAddedBehindItsBack() {
        QTemporaryDir tmp;
        DataDir dir(tmp.path());
        QThread::msleep(20);
        writeBytes(tmp.path(), QStringLiteral("New.BMP"), "z");
        QVERIFY(dir.rescanIfChanged());
        QVERIFY(dir.exists(QStringLiteral("new.bmp")));
        QVERIFY(!dir.rescanIfChanged());
    }

    // The folder is listed on a thread of its own: what is asked meanwhile gets the
    // answer of the finished index, and a file the program makes meanwhile (the
    // lock of the run) is listed without the folder counting as changed by others.
    void answersAsTheIndexWhileTheFolderIsListed() {
        QTemporaryDir tmp;
        for (int i = 0; i < 3000; ++i)
            writeBytes(tmp.path(), QStringLiteral("メモ_%1.txt").arg(i), "x");
        writeBytes(tmp.path(), QStringLiteral("Poster.JPG"), "p");
        QDir(tmp.path()).mkdir(QStringLiteral("folder.txt"));
        QThread::msleep(20);  // making a file now moves the folder's time
        DataDir dir(tmp.path());
        QVERIFY(dir.makeOwnFile(QStringLiteral(".lock"), [&] {
            writeBytes(tmp.path(), QStringLiteral(".lock"), "");
            return true;
        }));
        QVERIFY(dir.exists(QStringLiteral("メモ_7.txt")));
        QCOMPARE(dir.actualName(QStringLiteral("poster.jpg")), QStringLiteral("Poster.JPG"));
        QVERIFY(!dir.exists(QStringLiteral("folder.txt")));
        QVERIFY(!dir.exists(QStringLiteral("メモ_3000.txt")));
        QVERIFY(dir.exists(QStringLiteral(".LOCK")));
        QVERIFY(!dir.rescanIfChanged());
        QCOMPARE(dir.entries(QStringLiteral("メモ_*.TXT")).size(), 3000);
    }

    void atomicWriteFailureKeepsTheOldFile() {
        QTemporaryDir tmp;
        DataDir dir(tmp.path());
        QVERIFY(dir.writeAtomic(QStringLiteral("a.txt"), "old").ok());
        QDir(tmp.path()).mkdir(QStringLiteral("sub.txt"));
        dir.rescan();
        const FileResult r = dir.writeAtomic(QStringLiteral("sub.txt"), "new");
        QVERIFY(!r.ok());
        QVERIFY(r.error.contains(QStringLiteral("sub.txt")));
        QCOMPARE(readBytes(tmp.path(), QStringLiteral("a.txt")), QByteArray("old"));
        QByteArray bytes;
        QString error;
        QVERIFY(!dir.read(QStringLiteral("missing.txt"), &bytes, &error));
        QVERIFY(!error.isEmpty());
    }
};

REELNOTE_TEST(TestDataDir)
#include "tst_data_dir.moc"
