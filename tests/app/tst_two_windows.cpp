#include "../store/disk_faults.h"
#include "app/import_command.h"
#include "edit/card_editing.h"
#include "lists/title_lists.h"
#include "main_fixture.h"
#include "masters/master_frame.h"
#include "shell/flex_grid.h"
#include "store/backups.h"
#include "store/catalogue.h"
#include "store/folder_lock.h"
#include "test_files.h"
#include "test_registry.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QLockFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScrollBar>
#include <QTextStream>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

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

const QString kLock = QStringLiteral(".reelnote.lock");

// A window of its own on dir, after the one a fixture holds it with; asked
// whether to open read-only, it says yes.
struct SecondWindow {
    ScriptedPrompts prompts;
    FixedClock clock;
    frmMain window;
    explicit SecondWindow(const QString& dir) : window(dir, prompts, clock) {
        prompts.planAnswer(Prompts::Answer::Yes);
        window.Form_Load();
    }
};

// The answer of a user at the terminal, given once `whileAsked` has run.
class Answer : public QIODevice {
public:
    Answer(QByteArray text, std::function<void()> whileAsked)
        : text_(std::move(text)), whileAsked_(std::move(whileAsked)) {
        open(QIODevice::ReadOnly);
    }

protected:
    qint64 readData(char* data, qint64 max) override {
        if (whileAsked_) std::exchange(whileAsked_, {})();
        const qint64 n = qMin<qint64>(max, text_.size());
        memcpy(data, text_.constData(), size_t(n));
        text_.remove(0, n);
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray text_;
    std::function<void()> whileAsked_;
};

int importCsv(const QString& dir, QIODevice* answer, QString* printed, bool dryRun = false) {
    QString output, errors;
    QTextStream in(answer), out(&output), err(&errors);
    QStringList args = {QStringLiteral("reelnote"), QStringLiteral("--import-csv"),
                        QStringLiteral(REELNOTE_SOURCE_DIR "/tests/import/data/diary.csv"), dir};
    if (dryRun) args << QStringLiteral("--dry-run");
    const int status = importCsvCommand(args, in, out, err);
    out.flush();
    err.flush();
    *printed = output + errors;
    return status;
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
        QVERIFY2(boxes.size() == 6, qPrintable(boxes.join(u'\n')));
        QVERIFY(boxes[0].startsWith(QStringLiteral("リールノート|")));
        QVERIFY(boxes[0].contains(QStringLiteral("ほかのリールノートのウィンドウ")));
        // Each change after it, with no question asked first: the score, the new
        // title, the free text, the masters, the help tour.
        for (const QString& b : boxes.mid(1))
            QVERIFY2(b.contains(QStringLiteral("読み取り専用で開いています")), qPrintable(b));
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

    // A lock its program never got to write (a power cut): empty, or zeros as a
    // file system leaves after one. Taken over without a word; but not while a
    // running program has it open, as one does between making and writing it.
    void aLockThatNamesNoProgramIsTakenOver() {
        for (const QByteArray& left : {QByteArray(), QByteArray(4096, '\0')}) {
            MainFixture f;
            writeFreshMasters(f.path(), false);
            writeBytes(f.path(), kLock, left);
            f.start();
            QVERIFY(f.window->ownsFolder());
            QVERIFY(f.prompts.boxes.isEmpty());
            qint64 pid = 0;
            QString host, app;
            QVERIFY(QLockFile(QDir(f.path()).filePath(kLock)).getLockInfo(&pid, &host, &app));
            QCOMPARE(pid, qint64(::getpid()));
        }
        MainFixture f;
        writeFreshMasters(f.path(), false);
        writeBytes(f.path(), kLock, {});
        const QByteArray path = QFile::encodeName(QDir(f.path()).filePath(kLock));
        const int writing = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
        QVERIFY(::flock(writing, LOCK_EX | LOCK_NB) == 0);
        f.prompts.planAnswer(Prompts::Answer::No);
        f.start();
        ::close(writing);
        QVERIFY(f.window->isHidden());
        QCOMPARE(f.prompts.boxes.size(), 1);
        QVERIFY(f.prompts.boxes[0].text.contains(QStringLiteral("ほかのリールノートのウィンドウ")));
        QCOMPARE(readBytes(f.path(), kLock), QByteArray());
    }

    // Where no lock can be made, a second window could not tell the folder is
    // taken: the window opens read-only and says why, on a full disk and on a
    // medium gone read-only alike.
    void aFolderWithoutRoomForTheLockOpensReadOnly() {
        struct Case {
            bool full;
            QString why;
        };
        for (const Case& c : {Case{true, QStringLiteral("ディスクの空き容量が足りません")},
                              Case{false, QStringLiteral("読み取り専用の場所にあるため")}}) {
            MainFixture f;
            SmallDisk small(f.path(), 64);
            if (!small.mounted()) QSKIP(qPrintable(small.whyNot()));
            writeFreshMasters(f.path(), false);
            writeCp932(f.path(), kDataFile, titleRecord("甲"));
            if (c.full)
                fillUp(f.path(), QStringLiteral("filler.bin"));
            else
                QVERIFY(remountReadOnly(f.path()));
            const auto before = everything(f.path());
            f.prompts.planAnswer(Prompts::Answer::Ok);
            f.start();
            QVERIFY(!f.window->isHidden());
            QVERIFY(!f.window->ownsFolder());
            QVERIFY(f.window->windowTitle().contains(QStringLiteral("読み取り専用")));
            QVERIFY(f.prompts.boxes.size() >= 1);
            const QString told = f.prompts.boxes[0].text;
            QVERIFY2(told.contains(f.path()) && told.contains(c.why) &&
                         told.contains(QStringLiteral("読み取り専用で開きます")),
                     qPrintable(told));
            QVERIFY(!f.find<QAbstractButton>(QStringLiteral("cmdNew"))->isEnabled());
            f.prompts.boxes.clear();
            f.window->findChild<CardEditing*>()->cmdNew_Click();
            QCOMPARE(f.prompts.boxes.size(), 1);
            QVERIFY(f.prompts.boxes[0].text.contains(QStringLiteral("書き込めないため")));
            QCOMPARE(everything(f.path()), before);
            f.window.reset();  // before the disk goes
        }
    }

    // An import from the command line writes the whole collection: never while a
    // window holds the folder, and a window started during one opens read-only.
    void anImportWaitsForTheWindowAndHoldsTheFolder() {
        MainFixture f;
        start(f);
        const auto before = everything(f.path());
        QString printed;
        Answer yes("y\n", {});
        QCOMPARE(importCsv(f.path(), &yes, &printed), 1);
        QVERIFY2(printed.contains(
                     QStringLiteral("リールノートのウィンドウが開いているため、取り込めません。")),
                 qPrintable(printed));
        QCOMPARE(everything(f.path()), before);
        Answer none("", {});
        QCOMPARE(importCsv(f.path(), &none, &printed, true), 0);  // only reads

        f.window.reset();
        std::optional<FolderLock::Outcome> meanwhile;
        Answer later("y\n", [&] { meanwhile = FolderLock(f.path()).take(); });
        QCOMPARE(importCsv(f.path(), &later, &printed), 0);
        QCOMPARE(meanwhile, FolderLock::Outcome::HeldElsewhere);
        QVERIFY(FolderLock(f.path()).take() == FolderLock::Outcome::Held);
    }

    // Read-only, what would write is disabled, and an action that would write,
    // however started, says why before it asks anything; nothing is written.
    void aReadOnlyWindowRefusesBeforeItAsks() {
        MainFixture f;
        start(f);
        writeCp932(f.path(), kHistoryFile, historyRecordLine("2003/05/10", "甲", "DVD"));
        const auto before = everything(f.path());
        SecondWindow second(f.path());
        frmMain& w = second.window;
        QVERIFY(w.catalogue().readOnly());
        const auto control = [&](const char* name) {
            QWidget* c = w.findChild<QWidget*>(QLatin1String(name));
            if (!c) qWarning("no control named %s", name);
            return c;
        };
        for (const char* name :
             {"cmdNew", "cmdDel", "chkHelp", "cboKantoku", "cboHyouka", "cboHyouka1_2",
              "chkSyoyu_1", "cmdSubData3", "cmdFileCopy", "cmdSortCng1", "cmdSortCng2",
              "cmdHyoukaHozon", "lblSyoyuHozon", "cmdSinki", "cmdImportCsv"})
            QVERIFY2(control(name) && !control(name)->isEnabled(), name);
        QVERIFY(w.findChild<QPlainTextEdit*>(QStringLiteral("txtSubData_3"))->isReadOnly());
        for (const char* name : {"txtNengetu", "txtHyouka_1"})
            QVERIFY2(w.findChild<QLineEdit*>(QLatin1String(name))->isReadOnly(), name);
        for (const char* name : {"cmdMain", "cmdIchiran", "cmdMaster", "cmdPic", "cboName",
                                 "hsbData", "cmdHyouji4", "cmdEnd"})
            QVERIFY2(control(name) && control(name)->isEnabled(), name);
        w.showMainCard();
        QVERIFY(!control("cmdDel")->isEnabled());

        w.findChild<QAbstractButton*>(QStringLiteral("cmdIchiran"))->click();  // fills its list
        auto* editing = w.findChild<CardEditing*>();
        auto* masters = w.findChild<MasterFrame*>();
        auto* lists = w.findChild<TitleLists*>();
        auto* viewings = w.findChild<FlexGrid*>(QStringLiteral("msgKansyou"));
        const std::pair<const char*, std::function<void()>> starts[] = {
            {"削除", [&] { editing->cmdDel_Click(); }},
            {"新規", [&] { editing->cmdNew_Click(); }},
            {"評価マスタ", [&] { masters->cmdHyoukaHozon_Click(); }},
            {"並び替え", [&] { masters->cmdSortCng2_Click(); }},
            {"新規スタート", [&] { masters->cmdSinki_Click(); }},
            {"メインに反映", [&] { lists->cmdSortCng1_Click(); }},
            {"画像", [&] { emit w.card()->imgGazouClicked(); }},
            {"鑑賞履歴", [&] { emit viewings->DblClick(); }},
            {"ヘルプツアー", [&] { w.chkHelp_Click(); }},
        };
        for (const auto& [what, startIt] : starts) {
            second.prompts.boxes.clear();
            startIt();
            QVERIFY2(second.prompts.boxes.size() == 1, what);
            QVERIFY2(second.prompts.boxes[0].text.contains(
                         QStringLiteral("ほかのリールノートのウィンドウが開いているため")),
                     what);
        }
        QVERIFY(w.findChild<QWidget*>(QStringLiteral("fraPicget"))->isHidden());
        QVERIFY(w.findChild<QWidget*>(QStringLiteral("fraRirekiHozon"))->isHidden());
        QCOMPARE(everything(f.path()), before);
    }

    // A save cut short by a crash leaves its temporary file (".データ.TXT.<pid>-<n>.tmp");
    // a start that holds the folder removes those of programs no longer running,
    // and nothing else. A read-only start removes none.
    void deadSavesLeftoversGoAtStart() {
        QProcess gone;
        gone.start(QStringLiteral("true"), {});
        QVERIFY(gone.waitForStarted());
        const qint64 dead = gone.processId();
        QVERIFY(gone.waitForFinished());
        const QString live = QString::number(::getpid());
        const QString deadData = QStringLiteral(".データ.TXT.%1-3.tmp").arg(dead);
        const QString deadMemo = QStringLiteral(".メモ_甲.txt.%1-12.tmp").arg(dead);
        const QStringList kept = {QStringLiteral(".データ.TXT.%1-1.tmp").arg(live),
                                  QStringLiteral("データ.TXT.%1-1.tmp").arg(dead),
                                  QStringLiteral(".データ.TXT.tmp"),
                                  QStringLiteral(".データ.TXT.%1-1.tmp.bak").arg(dead)};
        MainFixture f;
        writeFreshMasters(f.path(), false);
        writeCp932(f.path(), kDataFile, titleRecord("甲"));
        for (const QString& name : kept + QStringList{deadData, deadMemo})
            writeBytes(f.path(), name, name.toUtf8());
        f.start();
        QVERIFY(f.window->ownsFolder());
        QVERIFY(!QFile::exists(QDir(f.path()).filePath(deadData)));
        QVERIFY(!QFile::exists(QDir(f.path()).filePath(deadMemo)));
        for (const QString& name : kept) QCOMPARE(readBytes(f.path(), name), name.toUtf8());

        writeBytes(f.path(), deadData, "left");
        SecondWindow second(f.path());
        QVERIFY(second.window.catalogue().readOnly());
        QCOMPARE(readBytes(f.path(), deadData), QByteArray("left"));
    }
};

REELNOTE_TEST(TestTwoWindows)
#include "tst_two_windows.moc"
