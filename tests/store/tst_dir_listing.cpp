#include "store/dir_listing.h"
#include "test_files.h"
#include "test_registry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

    // Names come as Qt decodes them, whatever their bytes: well-formed UTF-8 of
    // every length, and bytes that are not UTF-8 at all.
    void namesAreDecodedAsQtDecodesThem() {
        QTemporaryDir tmp;
        const QList<QByteArray> raw = {"plain.txt",
                                       "caf\xC3\xA9.jpg",
                                       "\xE3\x83\xA1\xE3\x83\xA2_x.txt",
                                       "\xF0\x9F\x8E\xAC.bmp",
                                       "bad\xFF\xFE.txt",
                                       "\xE3\x83.txt",
                                       "\xC0\xAF.txt",
                                       "\xED\xA0\x80.txt",
                                       "\xEF\xBB\xBF"
                                       "bom.txt"};
        QStringList expected;
        for (const QByteArray& name : raw) {
            const QByteArray path = QFile::encodeName(tmp.path()) + '/' + name;
            const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
            QVERIFY2(fd >= 0, path.constData());
            ::close(fd);
            expected << QFile::decodeName(name);
        }
        QStringList names;
        forEachNonDirectoryName(tmp.path(), [&](QStringView n) { names << n.toString(); });
        names.sort();
        expected.sort();
        QCOMPARE(names, expected);
    }
};

REELNOTE_TEST(TestDirListing)
#include "tst_dir_listing.moc"
