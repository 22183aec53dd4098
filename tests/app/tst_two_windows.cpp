#include "../store/disk_faults.h"
#include "main_fixture.h"
#include "store/backups.h"
#include "store/catalogue.h"
#include "test_files.h"
#include "test_registry.h"

#include <QDir>
#include <QProcess>

#include <csignal>

using namespace TestFiles;

namespace {
// Every file of the folder, the backups included: a read-only run writes none.
QMap<QString, QByteArray> everything(const QString& dir) {
    QMap<QString, QByteArray> all = snapshot(dir);
    const QString backups = QDir(dir).filePath(Backups::kFolder);
    for (const QString& day : QDir(backups).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        for (const auto& [name, bytes] : snapshot(QDir(backups).filePath(day)).asKeyValueRange())
            all.insert(day + u'/' + name, bytes);
    return all;
}

QStringList runSecond(const QString& dir, const QString& mode, int* status) {
    QProcess p;
    p.start(QStringLiteral(SECOND_WINDOW), {dir, mode});
    if (!p.waitForFinished(60000)) p.kill();
    *status = p.exitCode();
    return QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}
}  // namespace

// One window per folder: a second start finds the folder taken, says so and
// opens it read-only or not at all; read-only, nothing is ever written.
class TestTwoWindows : public QObject {
    Q_OBJECT
private:
    void start(MainFixture& f) {
        writeFreshMasters(f.path(), false);
        writeCp932(f.path(), kDataFile, titleRecord("甲") + titleRecord("乙"));
        f.start();
        QVERIFY(f.window->ownsFolder());
    }

private slots:
    void aSecondWindowOpensReadOnlyAndWritesNothing() {
        MainFixture f;
        start(f);
        const auto before = everything(f.path());
        int status = -1;
        const QStringList boxes = runSecond(f.path(), QStringLiteral("read-only"), &status);
        QCOMPARE(status, 0);
        QVERIFY2(boxes.size() >= 6, qPrintable(boxes.join(u'\n')));
        QVERIFY(boxes[0].startsWith(QStringLiteral("リールノート|")));
        QVERIFY(boxes[0].contains(QStringLiteral("ほかのリールノートのウィンドウ")));
        // Each change after it: the score, the new title, the free text, the
        // masters (after their question), the help tour.
        int refused = 0;
        for (const QString& b : boxes.mid(1))
            if (b.contains(QStringLiteral("読み取り専用で開いています"))) ++refused;
        QCOMPARE(refused, 5);
        QCOMPARE(everything(f.path()), before);
        f.checkBoxes();
    }

    void aSecondWindowMayEndInstead() {
        MainFixture f;
        start(f);
        const auto before = everything(f.path());
        int status = -1;
        const QStringList boxes = runSecond(f.path(), QStringLiteral("end"), &status);
        QCOMPARE(status, 1);
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(everything(f.path()), before);
    }

    // A run that crashed leaves its lock behind; the next start takes it over
    // without a word.
    void aCrashedRunsLockIsTakenOver() {
        QTemporaryDir dir;
        writeFreshMasters(dir.path(), false);
        QProcess held;
        held.start(QStringLiteral(SECOND_WINDOW), {dir.path(), QStringLiteral("hold")});
        QVERIFY(held.waitForReadyRead(60000));
        QCOMPARE(held.readLine().trimmed(), QByteArray("ready"));
        ::kill(pid_t(held.processId()), SIGKILL);
        QVERIFY(held.waitForFinished(10000));
        QVERIFY(QFile::exists(QDir(dir.path()).filePath(QStringLiteral(".reelnote.lock"))));

        ScriptedPrompts prompts;
        FixedClock clock;
        frmMain window(dir.path(), prompts, clock);
        window.Form_Load();
        QVERIFY(window.ownsFolder());
        QVERIFY(!window.isHidden());
        QVERIFY(prompts.boxes.isEmpty());
    }
};

REELNOTE_TEST(TestTwoWindows)
#include "tst_two_windows.moc"
