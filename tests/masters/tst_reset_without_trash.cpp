#include "masters/collection_reset.h"
#include "store/catalogue.h"
#include "store/kansyou_table.h"
#include "test_files.h"
#include "test_registry.h"

#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace TestFiles;

// Where no trash takes the titles' files, a reset keeps them in the folder
// under dated names and says so: nothing is deleted for good.
class TestResetWithoutTrash : public QObject {
    Q_OBJECT
private slots:
    void titlesFilesAreKeptAsideAndNamed() {
        QTemporaryDir tmp;
        const QString dir = tmp.filePath(QStringLiteral("data"));
        const QString home = tmp.filePath(QStringLiteral("share"));
        QDir().mkpath(dir);
        QDir().mkpath(home);
        writeBytes(home, QStringLiteral("Trash"), "not a folder");
        const QByteArray oldHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(home));
        const QString oldCwd = QDir::currentPath();
        QDir::setCurrent(dir);

        writeFreshMasters(dir, false);
        writeCp932(dir, kDataFile, titleRecord("甲") + titleRecord("Aa"));
        const QByteArray picture("\xff\xd8 jpeg\r\n\x1a", 10);
        writeBytes(dir, QStringLiteral("甲.jpg"), picture);
        writeBytes(dir, QStringLiteral("Aa.txt"), "lower");
        writeBytes(dir, QStringLiteral("AA.TXT"), "upper");
        writeBytes(dir, QStringLiteral("メモ_甲.txt"), "memo");
        const QDateTime now(QDate(2026, 12, 8), QTime(10, 15, 0));
        ResetOutcome out;
        {
            Catalogue cat(dir);
            QVERIFY(cat.LoadMainData().isEmpty());
            out = CollectionReset::run(cat, ResetKind::NewStart, now);
        }
        QDir::setCurrent(oldCwd);
        qputenv("XDG_DATA_HOME", oldHome);
        QVERIFY2(out.done(), qPrintable(out.refused));

        const QString stamp = QStringLiteral(".20261208-101500");
        QCOMPARE(readBytes(dir, QStringLiteral("甲.jpg") + stamp + QStringLiteral(".bak")),
                 picture);
        QCOMPARE(readBytes(dir, QStringLiteral("メモ_甲.txt") + stamp + QStringLiteral(".bak")),
                 QByteArray("memo"));
        // The two spellings of one name keep apart.
        QByteArrayList texts{
            readBytes(dir, QStringLiteral("Aa.txt") + stamp + QStringLiteral(".bak")),
            readBytes(dir, QStringLiteral("AA.TXT") + stamp + QStringLiteral("-2.bak"))};
        std::sort(texts.begin(), texts.end());
        QCOMPARE(texts, (QByteArrayList{"lower", "upper"}));
        for (const char* gone : {"甲.jpg", "Aa.txt", "AA.TXT", "メモ_甲.txt"})
            QVERIFY2(!QFile::exists(QDir(dir).filePath(QString::fromUtf8(gone))), gone);
        // The report names each file and where it stays.
        QCOMPARE(out.notDeleted.size(), 4);
        QVERIFY(out.notDeleted.contains(QStringLiteral(
            "「甲.jpg」は、ごみ箱に移せないため「甲.jpg.20261208-101500.bak」として残しました。")));
        // Nothing went anywhere else: no trash folders in the data folder, nothing in the home.
        QVERIFY(!QFileInfo::exists(QDir(dir).filePath(QStringLiteral("files"))));
        QVERIFY(!QFileInfo::exists(QDir(dir).filePath(QStringLiteral("info"))));
        QCOMPARE(QDir(home).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{"Trash"});
    }
};

REELNOTE_TEST(TestResetWithoutTrash)
#include "tst_reset_without_trash.moc"
