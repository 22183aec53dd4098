#include "../store/disk_faults.h"
#include "import_support.h"
#include "store/catalogue.h"
#include "store/data_file.h"
#include "test_files.h"
#include "test_registry.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>

using namespace TestFiles;

namespace {
// The real calls; the first rename onto the named file fails as a full disk
// would make it. Safe from several threads, so that both files go at once.
class FailingRename : public FileSystem {
public:
    explicit FailingRename(const QString& name) : name_(QFile::encodeName(name)) {}
    int rename(const char* from, const char* to) override {
        if (QByteArray(to).endsWith("/" + name_) && !failed_.exchange(true)) {
            errno = ENOSPC;
            return -1;
        }
        return FileSystem::rename(from, to);
    }

private:
    QByteArray name_;
    std::atomic<bool> failed_ = false;
};

struct Folder {
    QTemporaryDir dir;
    QString path() const { return dir.path(); }
    Folder() {
        writeCp932(path(), kDataFile, titleRecord("Alien", "Ridley Scott", "", "1979/05/25"));
        writeCp932(path(), kHistoryFile, historyRecordLine("2024/01/05", "Alien", "映画館"));
    }
};

TitleTable withHeat(const TitleTable& titles) {
    TitleTable t = titles;
    Title heat;
    heat.Daimei = "Heat";
    heat.Kantoku = "Michael Mann";
    t.append(heat);
    return t;
}

QStringList backups(const QString& dir) {
    return QDir(dir).entryList({"*.bak"}, QDir::Files, QDir::Name);
}
}  // namespace

class TestImportWrite : public QObject {
    Q_OBJECT
private slots:
    // Each file that changes is kept aside under a dated name first, then written;
    // the catalogue then holds what a fresh load of the files gives.
    void keepsEachChangedFileAsideAndBecomesWhatALoadGives() {
        Folder f;
        const QByteArray oldData = readBytes(f.path(), kDataFile);
        const QByteArray oldHistory = readBytes(f.path(), kHistoryFile);
        Catalogue cat(f.path());
        cat.LoadMainData();
        cat.LoadKansyouRireki();
        QVector<Kansyou> history = cat.kansyou().records();
        history.prepend({"2023/01/01", "Heat", "TV"});
        QStringList kept;
        QCOMPARE(cat.replaceCollection(withHeat(cat.titles()), history, &kept), QString());
        QCOMPARE(kept, backups(f.path()));
        QCOMPARE(kept.size(), 2);
        QVERIFY(kept[0].startsWith(kDataFile + ".") && kept[1].startsWith(kHistoryFile + "."));
        QCOMPARE(readBytes(f.path(), kept[0]), oldData);
        QCOMPARE(readBytes(f.path(), kept[1]), oldHistory);

        Catalogue fresh(f.path());
        fresh.LoadMainData();
        fresh.LoadKansyouRireki();
        QVERIFY(cat.titles() == fresh.titles());
        QVERIFY(cat.kansyou().records() == fresh.kansyou().records());
        QCOMPARE(cat.kansyou().LastKansyoubi, QStringLiteral("2024/01/05"));
        for (PickList l : {PickList::Name, PickList::Kantoku, PickList::Koukai3, PickList::Kanbi,
                           PickList::Kansyou})
            QCOMPARE(cat.pickList(l)->stringList(), fresh.pickList(l)->stringList());
        QVERIFY(cat.fileMatchesTable());

        // Later changes go to the new files: a viewing appended and a title edited
        // leave the copies as they were.
        QCOMPARE(cat.AddKansyou({"2025/01/01", "Heat", "TV"}), QString());
        Title heat = cat.titles()[2];
        heat.Syuen = "Al Pacino";
        QCOMPARE(cat.storeTitle(2, heat), QString());
        QCOMPARE(readBytes(f.path(), kept[0]), oldData);
        QCOMPARE(readBytes(f.path(), kept[1]), oldHistory);

        // Only what changes is written and kept aside: the history stays as it is.
        const QByteArray history2 = readBytes(f.path(), kHistoryFile);
        kept.clear();
        QCOMPARE(cat.replaceCollection(cat.titles(), cat.kansyou().records(), &kept), QString());
        QVERIFY(kept.isEmpty());
        QCOMPARE(readBytes(f.path(), kHistoryFile), history2);
    }

    // When either file cannot be written the other is put back: both files and the
    // catalogue stay as they were, and no copy is left behind.
    void aFailedWriteOfEitherFileLeavesBothAsTheyWere() {
        for (const QString& failing : {kDataFile, kHistoryFile}) {
            Folder f;
            const auto before = snapshot(f.path());
            Catalogue cat(f.path());
            cat.LoadMainData();
            cat.LoadKansyouRireki();
            const TitleTable titles = cat.titles();
            FailingRename disk(failing);
            cat.dir().setFileSystem(&disk);
            QVector<Kansyou> history = cat.kansyou().records();
            history.append({"2025/01/01", "Heat", "TV"});
            const QString problem = cat.replaceCollection(withHeat(titles), history);
            const QString other = failing == kDataFile ? kHistoryFile : kDataFile;
            const QString notWritten = QStringLiteral("「%1」を保存できませんでした").arg(failing);
            const QString putBack = QStringLiteral("「%1」も取り込む前の内容に戻しました").arg(other);
            QVERIFY2(problem.contains(notWritten) && problem.contains(putBack), qPrintable(problem));
            QCOMPARE(snapshot(f.path()), before);
            QVERIFY(cat.titles() == titles);
            QCOMPARE(cat.kansyou().KansyouCount(), 1);
        }
    }

    // What code page 932 cannot hold stops the write before anything is touched.
    void anUnencodableTextWritesNothing() {
        Folder f;
        const auto before = snapshot(f.path());
        Catalogue cat(f.path());
        cat.LoadMainData();
        TitleTable t = cat.titles();
        t[1].Syuen = QStringLiteral("Léa");
        const QString problem = cat.replaceCollection(t, {});
        QVERIFY2(problem.contains(QStringLiteral("「é」")), qPrintable(problem));
        QCOMPARE(snapshot(f.path()), before);
    }
};

REELNOTE_TEST(TestImportWrite)
#include "tst_import_write.moc"
