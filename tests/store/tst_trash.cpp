#include "disk_faults.h"
#include "store/data_dir.h"
#include "store/trash.h"
#include "test_files.h"
#include "test_registry.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include <sys/stat.h>
#include <unistd.h>

using namespace TestFiles;

namespace {

const QString kName = QStringLiteral("七人の侍 完全版.jpg");
const QByteArray kEncodedName =
    "%E4%B8%83%E4%BA%BA%E3%81%AE%E4%BE%8D%20%E5%AE%8C%E5%85%A8%E7%89%88.jpg";
const QByteArray kBytes("\xff\xd8 picture\r\n\x1a\x00 end", 18);

// Folders under top stand for a disk of their own (a test cannot mount one);
// everything else is on the home's disk.
class OtherDisk : public Trash::Volumes {
public:
    explicit OtherDisk(const QString& top) : top_(top) {}
    bool device(const QString& path, dev_t* dev) const override {
        *dev = under(path) ? 2 : 1;
        return true;
    }
    QString topDir(const QString& dir) const override { return under(dir) ? top_ : QString(); }

private:
    bool under(const QString& path) const { return path == top_ || path.startsWith(top_ + u'/'); }
    QString top_;
};

// Every file and folder below dir, with the bytes of each file.
QMap<QString, QByteArray> tree(const QString& dir) {
    QMap<QString, QByteArray> out;
    QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        out[QDir(dir).relativeFilePath(path)] = info.isSymLink() ? QByteArray("<link>")
                                                : info.isDir()
                                                    ? QByteArray("<folder>")
                                                    : readBytes(info.path(), info.fileName());
    }
    return out;
}

mode_t modeOf(const QString& path) {
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode : 0;
}

QString ownTrashName() { return QStringLiteral(".Trash-%1").arg(::getuid()); }

// A data folder and a home in a temporary tree, the home's data folder in
// XDG_DATA_HOME and the working folder inside the tree while this lives.
struct Place {
    QTemporaryDir tmp;
    QString base, data, usb, dataHome;
    QByteArray oldDataHome = qgetenv("XDG_DATA_HOME");
    QString oldCwd = QDir::currentPath();
    OtherDisk volumes;

    Place()
        : base(QFileInfo(tmp.path()).canonicalFilePath()),
          data(base + QStringLiteral("/data")),
          usb(base + QStringLiteral("/usb")),
          dataHome(base + QStringLiteral("/home/.local/share")),
          volumes(usb) {
        QDir().mkpath(data);
        QDir().mkpath(usb + QStringLiteral("/data"));
        QDir().mkpath(base + QStringLiteral("/home"));
        QDir().mkpath(base + QStringLiteral("/cwd"));
        QDir::setCurrent(base + QStringLiteral("/cwd"));
        setDataHome(dataHome);
    }
    ~Place() {
        QDir::setCurrent(oldCwd);
        qputenv("XDG_DATA_HOME", oldDataHome);
    }
    void setDataHome(const QString& path) {
        dataHome = path;
        qputenv("XDG_DATA_HOME", QFile::encodeName(path));
    }
    QString homeTrash() const { return dataHome + QStringLiteral("/Trash"); }
    Trash::Places places() const {
        Trash::Places p = Trash::Places::fromEnvironment();
        p.volumes = &volumes;
        return p;
    }
};

QByteArray noteOf(const QString& trashed) {
    QFile f(Trash::infoFileOf(trashed));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class TestTrash : public QObject {
    Q_OBJECT
private slots:
    // A fresh account has no ~/.local/share yet: the home trash is made, the
    // file goes in with a note a file manager reads, and comes back out.
    void homeTrashTakesTheFileAndGivesItBack() {
        Place p;
        writeBytes(p.data, kName, kBytes);
        DataDir dir(p.data);
        dir.setTrashVolumes(&p.volumes);
        QVERIFY(dir.hasTrash(kName));
        QVERIFY(!QFileInfo::exists(p.dataHome));  // asking makes nothing

        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        QString inTrash;
        const FileResult r = dir.moveToTrash(kName, &inTrash);
        QVERIFY2(r.ok(), qPrintable(r.error));
        const QDateTime after = QDateTime::currentDateTime().addSecs(1);
        QCOMPARE(inTrash, p.homeTrash() + QStringLiteral("/files/") + kName);
        QCOMPARE(readBytes(p.homeTrash() + QStringLiteral("/files"), kName), kBytes);
        QVERIFY(!dir.exists(kName));
        QCOMPARE(modeOf(p.homeTrash()) & 0777, mode_t(0700));
        QCOMPARE(modeOf(p.dataHome) & 0777, mode_t(0700));

        const QList<QByteArray> lines = noteOf(inTrash).split('\n');
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], QByteArray("[Trash Info]"));
        QCOMPARE(lines[1],
                 "Path=" + Trash::encodePath(QFile::encodeName(p.data)) + '/' + kEncodedName);
        QVERIFY(lines[2].startsWith("DeletionDate="));
        const QDateTime deleted = QDateTime::fromString(QString::fromLatin1(lines[2].mid(13)),
                                                        QStringLiteral("yyyy-MM-dd'T'HH:mm:ss"));
        QVERIFY2(deleted >= before && deleted <= after, lines[2].constData());
        QCOMPARE(lines[3], QByteArray());
        QCOMPARE(Trash::encodePath("/a b/%~(x)!*'-_.テ"),
                 QByteArray("/a%20b/%25~(x)!*'-_.%E3%83%86"));

        QVERIFY(dir.restoreFromTrash(inTrash, kName).ok());
        QCOMPARE(readBytes(p.data, kName), kBytes);
        QVERIFY(dir.exists(kName));
        QVERIFY(QDir(p.homeTrash() + QStringLiteral("/info")).isEmpty());
        QVERIFY(QDir(p.homeTrash() + QStringLiteral("/files")).isEmpty());
        QCOMPARE(tree(p.base + QStringLiteral("/cwd")).size(), 0);
    }

    // A name the trash already holds, with or without its note, is left alone.
    void namesTakenInTheTrashAreLeftAlone() {
        Place p;
        const QString files = p.homeTrash() + QStringLiteral("/files");
        const QString info = p.homeTrash() + QStringLiteral("/info");
        QDir().mkpath(files);
        QDir().mkpath(info);
        writeBytes(info, QStringLiteral("甲.jpg.trashinfo"), "someone's note");
        writeBytes(files, QStringLiteral("甲.2.jpg"), "a file without its note");
        writeBytes(files, QStringLiteral("noext.2"), "another");
        const auto before = tree(p.homeTrash());
        QStringList moved;
        for (const char* name : {"甲.jpg", "甲.jpg", "noext", "noext"}) {
            writeBytes(p.data, QString::fromUtf8(name), name);
            const Trash::Moved m =
                Trash::moveToTrash(QDir(p.data).filePath(QString::fromUtf8(name)), p.places());
            QVERIFY2(m.ok(), qPrintable(m.reason));
            moved << QFileInfo(m.file).fileName();
            QVERIFY(noteOf(m.file).startsWith("[Trash Info]\nPath="));
        }
        QCOMPARE(moved, (QStringList{"甲.3.jpg", "甲.4.jpg", "noext", "noext.3"}));
        const auto after = tree(p.homeTrash());
        for (auto it = before.begin(); it != before.end(); ++it)
            QCOMPARE(after.value(it.key()), *it);
    }

    void anotherDiskUsesItsOwnTrash_data() {
        QTest::addColumn<QString>("shared");  // how the disk's shared .Trash is
        QTest::addColumn<QString>("trash");   // the trash used, below the disk's top
        const QString own = ownTrashName();
        const QString mine = QStringLiteral(".Trash/%1").arg(::getuid());
        QTest::newRow("no shared trash") << QString() << own;
        QTest::newRow("shared without sticky bit") << QStringLiteral("plain") << own;
        QTest::newRow("shared is a link") << QStringLiteral("link") << own;
        QTest::newRow("shared with sticky bit") << QStringLiteral("sticky") << mine;
    }
    void anotherDiskUsesItsOwnTrash() {
        QFETCH(QString, shared);
        QFETCH(QString, trash);
        Place p;
        const QString data = p.usb + QStringLiteral("/data");
        const QString sharedPath = p.usb + QStringLiteral("/.Trash");
        if (shared == QStringLiteral("plain")) QDir().mkpath(sharedPath);
        if (shared == QStringLiteral("sticky") || shared == QStringLiteral("link")) {
            const QString real =
                shared == QStringLiteral("link") ? p.base + QStringLiteral("/t") : sharedPath;
            QDir().mkpath(real);
            QVERIFY(::chmod(QFile::encodeName(real).constData(), 01777) == 0);
            if (real != sharedPath) QVERIFY(QFile::link(real, sharedPath));
        }
        const auto sharedBefore = tree(sharedPath);
        writeBytes(data, QStringLiteral("甲.jpg"), kBytes);
        DataDir dir(data);
        dir.setTrashVolumes(&p.volumes);
        QString inTrash;
        const FileResult r = dir.moveToTrash(QStringLiteral("甲.jpg"), &inTrash);
        QVERIFY2(r.ok(), qPrintable(r.error));
        const QString used = p.usb + u'/' + trash;
        QCOMPARE(inTrash, used + QStringLiteral("/files/甲.jpg"));
        QCOMPARE(readBytes(used + QStringLiteral("/files"), QStringLiteral("甲.jpg")), kBytes);
        QCOMPARE(modeOf(used) & 07777, mode_t(0700));
        // The note says where the file was from the disk's top, as it may be mounted elsewhere.
        QVERIFY(noteOf(inTrash).startsWith("[Trash Info]\nPath=data/%E7%94%B2.jpg\nDeletionDate="));
        if (trash == ownTrashName()) QCOMPARE(tree(sharedPath), sharedBefore);
        QVERIFY(!QFileInfo::exists(p.homeTrash()));

        QVERIFY(dir.restoreFromTrash(inTrash, QStringLiteral("甲.jpg")).ok());
        QCOMPARE(readBytes(data, QStringLiteral("甲.jpg")), kBytes);
        QVERIFY(!QFileInfo::exists(Trash::infoFileOf(inTrash)));
    }

    void noTrashLeavesEverythingAsItWas_data() {
        QTest::addColumn<std::function<bool(Place&)>>("spoil");
        QTest::addColumn<bool>("otherDisk");
        QTest::newRow("home Trash is a file") << std::function<bool(Place&)>([](Place& p) {
            QDir().mkpath(p.dataHome);
            writeBytes(p.dataHome, QStringLiteral("Trash"), "a file");
            return true;
        }) << false;
        // Root may write anywhere: a file above the data home keeps it from being made.
        QTest::newRow("data home below a file") << std::function<bool(Place&)>([](Place& p) {
            writeBytes(p.base, QStringLiteral("plain"), "x");
            p.setDataHome(p.base + QStringLiteral("/plain/share"));
            return true;
        }) << false;
        QTest::newRow("data home's folder read-only") << std::function<bool(Place&)>([](Place& p) {
            p.setDataHome(p.base + QStringLiteral("/home/share"));
            return ::chmod(QFile::encodeName(p.base + QStringLiteral("/home")).constData(), 0555) ==
                   0;
        }) << false;
        QTest::newRow("other disk: own trash is a file")
            << std::function<bool(Place&)>([](Place& p) {
                   writeBytes(p.usb, ownTrashName(), "x");
                   return true;
               })
            << true;
        QTest::newRow("other disk: own trash someone else's")
            << std::function<bool(Place&)>([](Place& p) {
                   const QByteArray own = QFile::encodeName(p.usb + u'/' + ownTrashName());
                   return ::mkdir(own.constData(), 0777) == 0 &&
                          ::chown(own.constData(), ::getuid() + 1, ::getgid()) == 0;
               })
            << true;
    }
    void noTrashLeavesEverythingAsItWas() {
        QFETCH(std::function<bool(Place&)>, spoil);
        QFETCH(bool, otherDisk);
        Place p;
        const bool readOnlyHome = QByteArray(QTest::currentDataTag()).contains("read-only");
        if (!spoil(p)) QSKIP("cannot set the case up here");
        if (readOnlyHome && ::geteuid() == 0) {
            // Root writes through modes: a read-only mount stands in.
            SmallDisk ro(p.base + QStringLiteral("/home"), 64);
            if (!ro.mounted() || !remountReadOnly(p.base + QStringLiteral("/home")))
                QSKIP(qPrintable(ro.whyNot()));
            check(p, otherDisk);
            return;
        }
        check(p, otherDisk);
        ::chmod(QFile::encodeName(p.base + QStringLiteral("/home")).constData(), 0755);
    }

    // A real disk of its own: its top is found, and a trash on another disk than
    // the file (a rename cannot reach it) takes back its note.
    void realDiskOfItsOwn() {
        Place p;
        SmallDisk usb(p.usb, 256);
        if (!usb.mounted()) QSKIP(qPrintable(usb.whyNot()));
        const QString data = p.usb + QStringLiteral("/data");
        QDir().mkpath(data);
        writeBytes(data, kName, kBytes);
        Trash::Places real = Trash::Places::fromEnvironment();
        const Trash::Moved m = Trash::moveToTrash(QDir(data).filePath(kName), real);
        QVERIFY2(m.ok(), qPrintable(m.reason));
        QCOMPARE(m.file, p.usb + u'/' + ownTrashName() + QStringLiteral("/files/") + kName);
        QVERIFY(noteOf(m.file).startsWith("[Trash Info]\nPath=data/" + kEncodedName + '\n'));
        QVERIFY(!QFileInfo::exists(p.homeTrash()));

        // Told the home trash is on the file's disk, the rename fails across disks.
        OtherDisk sameDisk(p.base + QStringLiteral("/nowhere"));
        real.volumes = &sameDisk;
        writeBytes(data, QStringLiteral("乙.jpg"), kBytes);
        const Trash::Moved failed = Trash::moveToTrash(data + QStringLiteral("/乙.jpg"), real);
        QVERIFY(!failed.ok());
        QCOMPARE(readBytes(data, QStringLiteral("乙.jpg")), kBytes);
        QVERIFY(QDir(p.homeTrash() + QStringLiteral("/info")).isEmpty());
        QVERIFY(QDir(p.homeTrash() + QStringLiteral("/files")).isEmpty());
    }

    // Where no trash takes a file, it is set aside under a dated name and put back whole.
    void keptAsideByDatedNameAndPutBack() {
        Place p;
        const QDateTime now(QDate(2026, 12, 8), QTime(10, 15, 0));
        writeBytes(p.data, QStringLiteral("七人の侍.jpg"), kBytes);
        writeBytes(p.data, QStringLiteral("七人の侍.JPG.20261208-101500.bak"), "older");
        DataDir dir(p.data);
        QString aside;
        QVERIFY(dir.keepAside(QStringLiteral("七人の侍.JPG"), now, &aside).ok());
        QCOMPARE(aside, QStringLiteral("七人の侍.jpg.20261208-101500-2.bak"));
        QCOMPARE(dir.datedName(QStringLiteral("甲.txt"), now),
                 QStringLiteral("甲.txt.20261208-101500.bak"));
        QVERIFY(!dir.exists(QStringLiteral("七人の侍.jpg")));
        QCOMPARE(readBytes(p.data, aside), kBytes);
        QCOMPARE(readBytes(p.data, QStringLiteral("七人の侍.JPG.20261208-101500.bak")),
                 QByteArray("older"));
        QCOMPARE(dir.entries(QStringLiteral("*")), DataDir(p.data).entries(QStringLiteral("*")));

        // The name taken again in the meantime: nothing is replaced.
        writeBytes(p.data, QStringLiteral("七人の侍.jpg"), "new");
        QVERIFY(!dir.putBackAside(aside, QStringLiteral("七人の侍.jpg")).ok());
        QCOMPARE(readBytes(p.data, QStringLiteral("七人の侍.jpg")), QByteArray("new"));
        QFile::remove(QDir(p.data).filePath(QStringLiteral("七人の侍.jpg")));
        dir.rescan();
        QVERIFY(dir.putBackAside(aside, QStringLiteral("七人の侍.jpg")).ok());
        QCOMPARE(readBytes(p.data, QStringLiteral("七人の侍.jpg")), kBytes);
        QVERIFY(!dir.exists(aside));
        QCOMPARE(dir.entries(QStringLiteral("*")), DataDir(p.data).entries(QStringLiteral("*")));
        QCOMPARE(tree(p.base + QStringLiteral("/cwd")).size(), 0);
    }

private:
    // Moving to the trash fails and writes nothing anywhere: not in the data
    // folder, the working folder, the home or the other disk.
    void check(Place& p, bool otherDisk) {
        const QString data = otherDisk ? p.usb + QStringLiteral("/data") : p.data;
        writeBytes(data, kName, kBytes);
        DataDir dir(data);
        dir.setTrashVolumes(&p.volumes);
        const auto before = tree(p.base);
        QVERIFY(!dir.hasTrash(kName));
        QString inTrash;
        const FileResult r = dir.moveToTrash(kName, &inTrash);
        QVERIFY(!r.ok());
        QVERIFY(r.error.contains(kName));
        QVERIFY(inTrash.isEmpty());
        QVERIFY(dir.exists(kName));
        QCOMPARE(tree(p.base), before);
    }
};

REELNOTE_TEST(TestTrash)
#include "tst_trash.moc"
