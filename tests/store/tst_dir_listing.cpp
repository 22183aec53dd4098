#include "store/dir_listing.h"
#include "test_files.h"
#include "test_registry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

class TestDirListing : public QObject {
    Q_OBJECT
private slots:
    void listsFilesLinksAndSpecialFilesButNoFolders() {
        QTemporaryDir tmp;
        const QDir d(tmp.path());
        TestFiles::writeBytes(tmp.path(), QStringLiteral("データ.TXT"), "x");
        TestFiles::writeBytes(tmp.path(), QStringLiteral(".hidden"), "x");
        d.mkdir(QStringLiteral("バックアップ"));
        QFile::link(d.filePath(QStringLiteral("データ.TXT")),
                    d.filePath(QStringLiteral("link.txt")));
        QFile::link(d.filePath(QStringLiteral("バックアップ")),
                    d.filePath(QStringLiteral("dirlink")));
        QFile::link(d.filePath(QStringLiteral("gone")), d.filePath(QStringLiteral("broken")));
        QVERIFY(::mkfifo(QFile::encodeName(d.filePath(QStringLiteral("pipe"))).constData(), 0600) ==
                0);
        QStringList names;
        forEachNonDirectoryName(tmp.path(), [&](QStringView n) { names << n.toString(); });
        names.sort();
        QCOMPARE(names, QStringList({".hidden", "broken", "link.txt", "pipe", "データ.TXT"}));
        int inMissingFolder = 0;
        forEachNonDirectoryName(d.filePath(QStringLiteral("none")),
                                [&](QStringView) { ++inMissingFolder; });
        QCOMPARE(inMissingFolder, 0);
    }
};

REELNOTE_TEST(TestDirListing)
#include "tst_dir_listing.moc"
