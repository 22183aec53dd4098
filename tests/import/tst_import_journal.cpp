#include "../store/disk_faults.h"
#include "import/import_plan.h"
#include "import/import_step.h"
#include "import_support.h"
#include "store/catalogue.h"
#include "test_files.h"
#include "test_registry.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <mutex>

using namespace ImportTest;
using namespace TestFiles;

namespace {
using Files = QMap<QString, QByteArray>;

// The real calls, one at a time; before each sync and rename the folder is
// copied as it stands: what a kill at that moment would leave on the disk.
class KilledAnywhere : public FileSystem {
public:
    explicit KilledAnywhere(QString dir) : dir_(std::move(dir)) {}
    int sync(int fd) override {
        look();
        return FileSystem::sync(fd);
    }
    int rename(const char* from, const char* to) override {
        look();
        return FileSystem::rename(from, to);
    }
    bool concurrent() const override { return false; }
    QList<Files> states;

private:
    void look() {
        std::lock_guard lock(mutex_);
        Files files = snapshot(dir_);
        for (auto it = files.begin(); it != files.end();)
            it = it.key().endsWith(QLatin1String(".tmp")) ? files.erase(it) : std::next(it);
        if (states.isEmpty() || states.last() != files) states.append(files);
    }
    QString dir_;
    std::mutex mutex_;
};

void put(const QString& dir, const Files& files) {
    for (const auto& [name, bytes] : files.asKeyValueRange()) writeBytes(dir, name, bytes);
}

QString load(const QString& dir, bool readOnly = false) {
    Catalogue c(dir);
    if (readOnly) c.setReadOnly(QStringLiteral("読み取り専用です。"));
    const QString data = c.LoadMainData();
    return data + c.LoadKansyouRireki();
}

int copies(const Files& files) {
    int n = 0;
    for (const QString& name : files.keys()) n += name.endsWith(QLatin1String(".bak"));
    return n;
}

// Loads the folder and makes the step of importing diary.csv into it.
std::unique_ptr<ImportStep> diaryStep(Catalogue& c) {
    c.LoadMainData();
    c.LoadKansyouRireki();
    ImportColumns columns;
    const CsvFile file = ImportPlanner::readFile(readAll(dataFile("diary.csv")), &columns);
    return std::make_unique<ImportStep>(file, columns, QStringLiteral("映画館"),
                                        QStringLiteral("diary.csv"));
}
}  // namespace

class TestImportJournal : public QObject {
    Q_OBJECT
private slots:
    // Killed at any moment of an import, the folder holds both files as they were
    // or both as imported once the next run has loaded it; a run that may not
    // write leaves the folder alone and only says which file holds what.
    void aKilledImportIsSettledAtTheNextLoad() {
        QTemporaryDir dir;
        writeCp932(dir.path(), kDataFile, titleRecord("Alien", "Ridley Scott", "", "1979/05/25"));
        writeCp932(dir.path(), kHistoryFile, historyRecordLine("2024/01/05", "Alien", "映画館"));
        const QByteArray oldData = readBytes(dir.path(), kDataFile);
        const QByteArray oldHistory = readBytes(dir.path(), kHistoryFile);
        KilledAnywhere disk(dir.path());
        {
            Catalogue cat(dir.path());
            cat.LoadMainData();
            cat.LoadKansyouRireki();
            TitleTable titles = cat.titles();
            QVector<Kansyou> history = cat.kansyou().records();
            for (int i = 0; i < 50; ++i) {
                Title t;
                t.Daimei = QStringLiteral("作品%1").arg(i);
                titles.append(t);
                history.append({"2025/01/01", t.Daimei, "TV"});
            }
            cat.dir().setFileSystem(&disk);
            QCOMPARE(cat.replaceCollection(titles, history), QString());
        }
        const Files done = snapshot(dir.path());
        const QByteArray newData = done[kDataFile], newHistory = done[kHistoryFile];
        QCOMPARE(done.size(), 4);  // both files and a copy of each: nothing else stays

        int halfDone = 0;
        for (const Files& state : std::as_const(disk.states)) {
            const bool mixed =
                state.value(kDataFile) != oldData && state.value(kHistoryFile) == oldHistory;
            halfDone += mixed;
            QTemporaryDir at;
            put(at.path(), state);
            if (mixed) {
                const QString told = load(at.path(), true);
                QCOMPARE(snapshot(at.path()), state);
                QVERIFY2(
                    told.contains(QStringLiteral("「%1」は取り込んだ後の内容").arg(kDataFile)) &&
                        told.contains(QStringLiteral("「%1」は取り込む前の内容").arg(kHistoryFile)),
                    qPrintable(told));
            }
            const QString told = load(at.path());
            const Files after = snapshot(at.path());
            const bool before =
                after.value(kDataFile) == oldData && after.value(kHistoryFile) == oldHistory;
            const bool imported =
                after.value(kDataFile) == newData && after.value(kHistoryFile) == newHistory;
            QVERIFY2(before || imported, qPrintable(told));
            QCOMPARE(after.size(), 2 + copies(after));
            if (mixed)
                QVERIFY2(told.contains(
                             QStringLiteral("「%1」を取り込む前の内容に戻しました").arg(kDataFile)),
                         qPrintable(told));
            QCOMPARE(load(at.path()), QString());  // told once
        }
        QVERIFY(halfDone > 0);

        // Changed by hand since, a file is neither: both stay, with the copies, and
        // the user hears which file holds what.
        for (const Files& state : std::as_const(disk.states)) {
            if (state.value(kDataFile) == oldData || state.value(kHistoryFile) != oldHistory)
                continue;
            QTemporaryDir at;
            put(at.path(), state);
            writeCp932(at.path(), kHistoryFile, historyRecordLine("2024/03/03", "Heat", "TV"));
            const Files left = snapshot(at.path());
            const QString told = load(at.path());
            QVERIFY2(
                told.contains(QStringLiteral("「%1」は取り込みとは別の内容").arg(kHistoryFile)) &&
                    told.contains(QStringLiteral(".bak")),
                qPrintable(told));
            Files after = snapshot(at.path());
            for (const QString& name : left.keys())
                if (!name.startsWith(u'.')) QCOMPARE(after.value(name), left.value(name));
            break;
        }
    }

    // Taken back, an import leaves each file exactly as it found it (a missing one
    // missing, an empty one empty); done again, it keeps no second pair of copies.
    void undoGivesBackTheExactStateAndRedoKeepsOnePairOfCopies() {
        for (const char* history : {"missing", "empty", "full"}) {
            QTemporaryDir dir;
            writeCp932(dir.path(), kDataFile,
                       titleRecord("Alien", "Ridley Scott", "", "1979/05/25"));
            if (qstrcmp(history, "empty") == 0) writeBytes(dir.path(), kHistoryFile, {});
            if (qstrcmp(history, "full") == 0)
                writeCp932(dir.path(), kHistoryFile,
                           historyRecordLine("2024/01/05", "Alien", "映画館"));
            const Files before = snapshot(dir.path());
            Catalogue cat(dir.path());
            std::unique_ptr<ImportStep> step = diaryStep(cat);
            QCOMPARE(step->apply(cat), QString());
            Files imported = snapshot(dir.path());
            const int kept = copies(imported);
            QCOMPARE(step->revert(cat), QString());
            Files undone = snapshot(dir.path());
            for (auto it = undone.begin(); it != undone.end();)
                it = it.key().endsWith(QLatin1String(".bak")) ? undone.erase(it) : std::next(it);
            QVERIFY2(undone == before, history);
            QCOMPARE(step->apply(cat), QString());
            QCOMPARE(snapshot(dir.path()), imported);
            QCOMPARE(copies(snapshot(dir.path())), kept);
            QCOMPARE(step->revert(cat), QString());
            QCOMPARE(step->apply(cat), QString());
            QCOMPARE(snapshot(dir.path()), imported);
        }
    }
};

REELNOTE_TEST(TestImportJournal)
#include "tst_import_journal.moc"
