#include "disk_faults.h"
#include "store/catalogue.h"
#include "store/data_dir.h"
#include "test_files.h"
#include "test_registry.h"

#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace TestFiles;

namespace {
const QString kFull = QStringLiteral("ディスクの空き容量が足りません");

// Everything a change could touch: what is on disk and what the catalogue holds.
struct State {
    QMap<QString, QByteArray> files;
    TitleTable titles;
    QVector<Kansyou> history;
    int helpTour = 0;
    std::array<QString, 8> hyouka;
    bool operator==(const State&) const = default;
};

State stateOf(Catalogue& c) {
    return {snapshot(c.dir().path()), c.titles(), c.kansyou().records(), c.HelpTour,
            c.HyoukaKoumoku};
}

void writeCollection(const QString& dir) {
    writeFreshMasters(dir, true);
    writeCp932(dir, kDataFile,
               titleRecord("七人の侍", "黒澤明", "三船敏郎", "1954/04/26", "日本", "時代劇", "◎",
                           {95, 9}) +
                   titleRecord("生きる", "黒澤明") + titleRecord("Alien", "Scott"));
    writeCp932(dir, kHistoryFile,
               historyRecordLine("2003/05/10", "七人の侍", "DVD") +
                   historyRecordLine("2004/01/02", "生きる", "映画館"));
}
}  // namespace

class TestSafeWrites : public QObject {
    Q_OBJECT
private slots:
    // A disk that fails after N bytes, for every N across the file: the old file
    // stays byte for byte, no temporary file is left, the user is told why.
    void failedRewriteLeavesTheOldFile() {
        QTemporaryDir tmp;
        writeBytes(tmp.path(), QStringLiteral("a.txt"), "the old content\r\n");
        DataDir dir(tmp.path());
        FailingDisk disk;
        dir.setFileSystem(&disk);
        const auto before = snapshot(tmp.path());
        const QByteArray next = cp932(QStringLiteral("新しい内容です。\r\nもう一行。\r\n"));
        for (qint64 n = 0; n < next.size(); ++n) {
            disk.writeBudget = n;
            const FileResult r = dir.writeAtomic(QStringLiteral("A.TXT"), next);
            QVERIFY2(!r.ok(), qPrintable(QString::number(n)));
            QVERIFY(r.error.contains(QStringLiteral("「a.txt」を保存できませんでした。")));
            QVERIFY(r.error.contains(kFull));
            QVERIFY(r.error.contains(QStringLiteral("元のファイルはそのまま残っています。")));
            QCOMPARE(snapshot(tmp.path()), before);
        }
        disk.writeBudget = next.size();  // exactly enough
        QVERIFY(dir.writeAtomic(QStringLiteral("A.TXT"), next).ok());
        QCOMPARE(readBytes(tmp.path(), QStringLiteral("a.txt")), next);
        QCOMPARE(snapshot(tmp.path()).keys(), QStringList{"a.txt"});
    }

    void everyStepOfAWriteIsChecked_data() {
        QTest::addColumn<QString>("step");
        QTest::addColumn<QString>("told");
        QTest::newRow("quota") << "quota"
                               << "クォータ";
        QTest::newRow("size limit") << "size limit"
                                    << "ファイルの大きさの上限";
        QTest::newRow("write takes nothing") << "short"
                                             << "途中までしか書き込めませんでした";
        QTest::newRow("sync fails") << "sync"
                                    << "入出力エラー";
        QTest::newRow("close fails") << "close"
                                     << "入出力エラー";
        QTest::newRow("rename refused") << "rename"
                                        << "権限がありません";
    }
    void everyStepOfAWriteIsChecked() {
        QFETCH(QString, step);
        QFETCH(QString, told);
        QTemporaryDir tmp;
        writeBytes(tmp.path(), QStringLiteral("a.txt"), "old");
        DataDir dir(tmp.path());
        FailingDisk disk;
        dir.setFileSystem(&disk);
        if (step == "quota" || step == "size limit") {
            disk.writeBudget = 2;
            disk.writeError = step == "quota" ? EDQUOT : EFBIG;
        }
        disk.shortWrite = step == "short";
        disk.syncError = step == "sync" ? EIO : 0;
        disk.closeError = step == "close" ? EIO : 0;
        disk.renameError = step == "rename" ? EACCES : 0;
        const auto before = snapshot(tmp.path());
        const FileResult r = dir.writeAtomic(QStringLiteral("a.txt"), "the new bytes");
        QVERIFY(!r.ok());
        QVERIFY2(r.error.contains(told), qPrintable(r.error));
        QCOMPARE(snapshot(tmp.path()), before);
        // The same failures on an append leave the file as long as it was.
        const FileResult a = dir.append(QStringLiteral("a.txt"), "more bytes");
        if (step == "close" || step == "rename") {
            QVERIFY(a.ok());  // synced and checked, the bytes are on disk; rename is not used
            QCOMPARE(readBytes(tmp.path(), QStringLiteral("a.txt")), QByteArray("oldmore bytes"));
        } else {
            QVERIFY(!a.ok());
            QVERIFY(a.error.contains(QStringLiteral("「a.txt」に追記できませんでした。")));
            QVERIFY(a.error.contains(QStringLiteral("追記する前のまま")));
            QCOMPARE(snapshot(tmp.path()), before);
        }
    }

    void appendIsWholeOrNothing() {
        QTemporaryDir tmp;
        writeBytes(tmp.path(), QStringLiteral("h.txt"), "\"2003/05/10\",\"甲\",\"DVD\"\r\n");
        DataDir dir(tmp.path());
        FailingDisk disk;
        dir.setFileSystem(&disk);
        const auto before = snapshot(tmp.path());
        const QByteArray record = "\"2004/01/01\",\"Z\",\"DVD\"\r\n";
        for (qint64 n = 0; n < record.size(); ++n) {
            disk.writeBudget = n;
            QVERIFY(!dir.append(QStringLiteral("h.txt"), record).ok());
            QCOMPARE(snapshot(tmp.path()), before);
            // A file the append was to create is gone again.
            QVERIFY(!dir.append(QStringLiteral("new.txt"), record).ok());
            QCOMPARE(snapshot(tmp.path()), before);
            QVERIFY(!dir.exists(QStringLiteral("new.txt")));
        }
        // When the cut itself fails, the user is told to look at the file's end.
        disk.writeBudget = 5;
        disk.truncateError = EIO;
        const FileResult r = dir.append(QStringLiteral("h.txt"), record);
        QVERIFY(r.error.contains(QStringLiteral("取り除けませんでした")));
        disk.heal();
        QVERIFY(dir.append(QStringLiteral("new.txt"), record).ok());
        QCOMPARE(readBytes(tmp.path(), QStringLiteral("new.txt")), record);
    }

    // Every write path of the catalogue, failing after every N bytes: the files and
    // the tables stay exactly as they were, and the same change then succeeds.
    void catalogueKeepsFilesAndTablesTogether() {
        QTemporaryDir tmp;
        writeCollection(tmp.path());
        Catalogue c(tmp.path());
        QVERIFY(c.LoadMainData().isEmpty());
        QVERIFY(c.LoadKansyouRireki().isEmpty());
        QVERIFY(c.LoadSettings().isEmpty());
        QVERIFY(c.LoadMasters().isEmpty());
        FailingDisk disk;
        c.dir().setFileSystem(&disk);

        Title changed = c.titles()[2];
        changed.Kantoku = QStringLiteral("新しい監督");
        std::array<QString, 8> names = c.HyoukaKoumoku;
        names[3] = QStringLiteral("笑える");
        const QList<QPair<const char*, std::function<QString()>>> changes = {
            {"whole rewrite", [&] { return c.SaveMainData(); }},
            {"one-record splice", [&] { return c.storeTitle(2, changed); }},
            {"append a title", [&] { return c.appendTitle(QStringLiteral("新作")); }},
            {"reorder",
             [&] {
                 QStringList order;
                 for (int n = c.TitleCount(); n >= 1; --n) order << c.titles()[n].Daimei;
                 return c.rewriteInOrder(order);
             }},
            {"reorder by numbers",
             [&] {
                 QVector<int> order;
                 for (int n = c.TitleCount(); n >= 1; --n) order << n;
                 return c.rewriteInNumberOrder(order);
             }},
            {"remove a title", [&] { return c.removeTitle(1); }},
            {"insert a viewing",
             [&] {
                 return c.AddKansyou({"2003/06/01", "甲", "テレビ"});
             }},
            {"append a viewing",
             [&] {
                 return c.AddKansyou({"2005/01/01", "乙", "DVD"});
             }},
            {"free text", [&] { return c.writeTextFile("メモ_甲.txt", "一行目\r\n二行目\r\n"); }},
            {"settings", [&] { return c.setHelpTour(0); }},
            {"master", [&] { return c.SaveHyoukaMaster(names); }},
        };
        for (const auto& [what, change] : changes) {
            int failures = 0;
            for (qint64 n = 0;; ++n) {
                disk.writeBudget = n;
                const State before = stateOf(c);
                const QString problem = change();
                if (problem.isEmpty()) break;
                ++failures;
                QVERIFY2(problem.contains(kFull), qPrintable(QString(what) + ": " + problem));
                QVERIFY2(stateOf(c) == before,
                         qPrintable(QString(what) + " after " + QString::number(n) + " bytes"));
                QVERIFY(n < 100000);
            }
            QVERIFY2(failures > 0, what);
            // What the change wrote is what a fresh start reads.
            Catalogue fresh(tmp.path());
            QVERIFY(fresh.LoadMainData().isEmpty());
            QVERIFY(fresh.LoadKansyouRireki().isEmpty());
            QVERIFY(fresh.LoadSettings().isEmpty());
            QVERIFY(fresh.LoadMasters().isEmpty());
            QCOMPARE(fresh.titles(), c.titles());
            QCOMPARE(fresh.kansyou().records(), c.kansyou().records());
            QCOMPARE(fresh.HelpTour, c.HelpTour);
            QCOMPARE(fresh.HyoukaKoumoku, c.HyoukaKoumoku);
        }
        QCOMPARE(c.HelpTour, 0);
        QCOMPARE(c.HyoukaKoumoku[3], QStringLiteral("笑える"));
        QCOMPARE(c.kansyou().KansyouCount(), 4);
    }

    // A real file system with no room left: the rewrite needs room for the new file
    // beside the old one, and an append that gets part way is cut back.
    void fullTmpfs() {
        QTemporaryDir tmp;
        SmallDisk small(tmp.path(), 64);
        if (!small.mounted()) QSKIP(qPrintable(small.whyNot()));
        writeCollection(tmp.path());
        Catalogue c(tmp.path());
        QVERIFY(c.LoadMainData().isEmpty());
        QVERIFY(c.LoadKansyouRireki().isEmpty());
        fillUp(tmp.path(), QStringLiteral("filler.bin"));
        State before = stateOf(c);

        QString problem = c.SaveMainData();
        QVERIFY2(problem.contains(kFull), qPrintable(problem));
        QCOMPARE(stateOf(c), before);
        // Longer than the room left in the file's last page: written in part, then cut.
        const Kansyou longViewing{"2005/01/01", "生きる", QString(3000, QChar(0x3042))};
        problem = c.AddKansyou(longViewing);
        QVERIFY2(problem.contains(kFull), qPrintable(problem));
        QCOMPARE(stateOf(c), before);
        problem = c.AddKansyou({"2003/06/01", "生きる", "DVD"});  // an insertion
        QVERIFY2(problem.contains(kFull), qPrintable(problem));
        QCOMPARE(stateOf(c), before);

        QFile::remove(QDir(tmp.path()).filePath(QStringLiteral("filler.bin")));
        QVERIFY(c.SaveMainData().isEmpty());
        QVERIFY(c.AddKansyou(longViewing).isEmpty());
        Catalogue fresh(tmp.path());
        QVERIFY(fresh.LoadKansyouRireki().isEmpty());
        QCOMPARE(fresh.kansyou().records(), c.kansyou().records());
    }

    // Emptying a free text removes its file; on a folder gone read-only the file
    // stays, and the user is told as for a write that fails.
    void failedRemovalOfAFreeTextIsReported() {
        QTemporaryDir tmp;
        SmallDisk small(tmp.path(), 64);
        if (!small.mounted()) QSKIP(qPrintable(small.whyNot()));
        const QString memo = QStringLiteral("メモ_生きる.txt");
        writeCp932(tmp.path(), memo, QStringLiteral("感想\r\n"));
        Catalogue c(tmp.path());
        QString text;
        QVERIFY(c.readFreeText(memo, &text).isEmpty());
        QVERIFY(remountReadOnly(tmp.path()));
        const QString problem = c.removeFreeText(memo);
        QVERIFY2(problem.contains(QStringLiteral("「%1」を削除できませんでした").arg(memo)),
                 qPrintable(problem));
        QVERIFY(problem.contains(QStringLiteral("読み取り専用")));
        QVERIFY(c.dir().exists(memo));
        QCOMPARE(readCp932(tmp.path(), memo), QStringLiteral("感想\r\n"));
    }

    // The same with a file size limit, which any user may set on a process.
    void fileSizeLimit() {
        QTemporaryDir tmp;
        writeFreshMasters(tmp.path(), false);
        QString data;
        for (int i = 0; i < 200; ++i) data += titleRecord(QStringLiteral("題名%1").arg(i));
        writeCp932(tmp.path(), kDataFile, data);
        writeCp932(tmp.path(), kHistoryFile, historyRecordLine("2003/05/10", "題名1", "DVD"));
        Catalogue c(tmp.path());
        QVERIFY(c.LoadMainData().isEmpty());
        QVERIFY(c.LoadKansyouRireki().isEmpty());
        const State before = stateOf(c);
        const qint64 dataSize = QFileInfo(QDir(tmp.path()).filePath(kDataFile)).size();
        QString rewrite, append, grow;
        {
            const FileSizeLimit limit(rlim_t(dataSize / 2));
            rewrite = c.SaveMainData();
            grow = c.AddKansyou({"2004/01/01", "題名2", QString(dataSize, QChar(u'x'))});
            append = c.appendTitle(QString(dataSize, QChar(0x3042)));
        }
        for (const QString& problem : {rewrite, grow})
            QVERIFY2(problem.contains(QStringLiteral("ファイルの大きさの上限")),
                     qPrintable(problem));
        QVERIFY(!append.isEmpty());
        QCOMPARE(stateOf(c), before);
        QVERIFY(c.SaveMainData().isEmpty());
    }

    // A link to a folder kept elsewhere keeps receiving what is written to it.
    void writesThroughLinksKeepTheLinks() {
        QTemporaryDir tmp;
        const QString data = tmp.filePath(QStringLiteral("data"));
        const QString elsewhere = tmp.filePath(QStringLiteral("synced"));
        QDir().mkpath(data);
        QDir().mkpath(elsewhere);
        writeCollection(data);
        for (const QString& name : {kHistoryFile, kDataFile, kSettingsFile}) {
            QFile::rename(QDir(data).filePath(name), QDir(elsewhere).filePath(name));
            // Relative, and through a second link, as people make them.
            QFile::link(QStringLiteral("../synced/") + name,
                        QDir(elsewhere).filePath(QStringLiteral("via-") + name));
            QVERIFY(
                QFile::link(QStringLiteral("../synced/via-") + name, QDir(data).filePath(name)));
        }
        Catalogue c(data);
        QVERIFY(c.LoadMainData().isEmpty());
        QVERIFY(c.LoadKansyouRireki().isEmpty());
        QVERIFY(c.LoadSettings().isEmpty());
        QVERIFY(c.AddKansyou({"2003/06/01", "生きる", "テレビ"}).isEmpty());  // insertion
        QVERIFY(c.AddKansyou({"2005/06/01", "生きる", "テレビ"}).isEmpty());  // append
        QVERIFY(c.appendTitle(QStringLiteral("新作")).isEmpty());
        Title t = c.titles()[1];
        t.Hyouka = QStringLiteral("△");
        QVERIFY(c.storeTitle(1, t).isEmpty());
        c.HelpTour = 0;
        QVERIFY(c.SaveSettings().isEmpty());
        for (const QString& name : {kHistoryFile, kDataFile, kSettingsFile})
            QVERIFY2(QFileInfo(QDir(data).filePath(name)).isSymLink(), qPrintable(name));
        QVERIFY(!QFile::exists(QDir(data).filePath(kHistoryCopyFile)));
        Catalogue fresh(elsewhere);
        QVERIFY(fresh.LoadMainData().isEmpty());
        QVERIFY(fresh.LoadKansyouRireki().isEmpty());
        QVERIFY(fresh.LoadSettings().isEmpty());
        QCOMPARE(fresh.kansyou().records(), c.kansyou().records());
        QCOMPARE(fresh.titles(), c.titles());
        QCOMPARE(fresh.HelpTour, 0);
        // Nothing but the links and the masters in the data folder; no leftovers anywhere.
        QCOMPARE(snapshot(data).size(), 5);
        QCOMPARE(snapshot(elsewhere).size(), 6);

        // A copy to a linked name writes the target too.
        QVERIFY(c.dir().copy(kSettingsFile, kHistoryFile).ok());
        QVERIFY(QFileInfo(QDir(data).filePath(kHistoryFile)).isSymLink());
        QCOMPARE(readBytes(elsewhere, kHistoryFile), readBytes(elsewhere, kSettingsFile));
    }

    // A link into another file system, where no rename reaches.
    void historyLinkedOntoAnotherFileSystem() {
        QTemporaryDir tmp;
        const QString data = tmp.filePath(QStringLiteral("data"));
        const QString elsewhere = tmp.filePath(QStringLiteral("usb"));
        QDir().mkpath(data);
        QDir().mkpath(elsewhere);
        SmallDisk other(elsewhere, 256);
        if (!other.mounted()) QSKIP(qPrintable(other.whyNot()));
        writeCollection(data);
        QFile::rename(QDir(data).filePath(kHistoryFile), QDir(elsewhere).filePath(kHistoryFile));
        QVERIFY(
            QFile::link(QDir(elsewhere).filePath(kHistoryFile), QDir(data).filePath(kHistoryFile)));
        Catalogue c(data);
        QVERIFY(c.LoadKansyouRireki().isEmpty());
        QVERIFY(c.AddKansyou({"2003/06/01", "生きる", "テレビ"}).isEmpty());
        QVERIFY(QFileInfo(QDir(data).filePath(kHistoryFile)).isSymLink());
        QVERIFY(!QFile::exists(QDir(data).filePath(kHistoryCopyFile)));
        QCOMPARE(snapshot(elsewhere).size(), 1);
        Catalogue fresh(elsewhere);
        QVERIFY(fresh.LoadKansyouRireki().isEmpty());
        QCOMPARE(fresh.kansyou().records(), c.kansyou().records());
    }

    void rewriteKeepsTheFilesPermissions() {
        QTemporaryDir tmp;
        writeBytes(tmp.path(), QStringLiteral("a.txt"), "old");
        QFile::setPermissions(tmp.filePath(QStringLiteral("a.txt")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        DataDir dir(tmp.path());
        QVERIFY(dir.writeAtomic(QStringLiteral("a.txt"), "new").ok());
        struct stat st;
        QCOMPARE(::stat(QFile::encodeName(tmp.filePath(QStringLiteral("a.txt"))).constData(), &st),
                 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0640));
        QCOMPARE(readBytes(tmp.path(), QStringLiteral("a.txt")), QByteArray("new"));
    }

    // A rewrite of the history through its copy keeps the history's mode; a file
    // the user made read-only is refused, whoever runs the program, for a
    // rewrite as for an append, and stays as it was.
    void readOnlyFilesAreRefusedAndModesKept() {
        QTemporaryDir tmp;
        writeCollection(tmp.path());
        const auto modeOf = [&](const QString& name) {
            struct stat st;
            return ::stat(QFile::encodeName(tmp.filePath(name)).constData(), &st) == 0
                       ? st.st_mode & 07777
                       : mode_t(0);
        };
        QVERIFY(QFile::setPermissions(tmp.filePath(kHistoryFile),
                                      QFile::ReadOwner | QFile::WriteOwner));
        Catalogue c(tmp.path());
        c.LoadMainData();
        c.LoadKansyouRireki();
        QVERIFY(c.removeKansyou(1).isEmpty());
        QCOMPARE(modeOf(kHistoryFile), mode_t(0600));

        QVERIFY(QFile::setPermissions(tmp.filePath(kDataFile), QFile::ReadOwner | QFile::ReadGroup |
                                                                   QFile::ReadOther));
        QVERIFY(QFile::setPermissions(tmp.filePath(kHistoryFile), QFile::ReadOwner));
        const auto before = snapshot(tmp.path());
        Title t = c.titles()[2];
        t.Kantoku = QStringLiteral("別人");
        QVERIFY(c.storeTitle(2, t).contains(QStringLiteral("読み取り専用")));
        QVERIFY(c.appendTitle(QStringLiteral("新作")).contains(QStringLiteral("読み取り専用")));
        QVERIFY(c.AddKansyou({QStringLiteral("2024/01/01"), QStringLiteral("生きる"),
                              QStringLiteral("DVD")})
                    .contains(QStringLiteral("読み取り専用")));
        QVERIFY(c.removeKansyou(1).contains(QStringLiteral("読み取り専用")));
        QCOMPARE(snapshot(tmp.path()), before);
        QCOMPARE(modeOf(kDataFile), mode_t(0444));
    }

    // What is not a regular file is never replaced, appended to or waited on.
    void specialFilesAreNeitherReadNorReplaced() {
        QTemporaryDir tmp;
        QVERIFY(::mkfifo(QFile::encodeName(tmp.filePath(QStringLiteral("pipe.txt"))).constData(),
                         0644) == 0);
        QDir(tmp.path()).mkdir(QStringLiteral("folder.txt"));
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), tmp.filePath(QStringLiteral("zero.txt"))));
        DataDir dir(tmp.path());
        const auto before = snapshot(tmp.path());
        for (const QString& name : {QStringLiteral("pipe.txt"), QStringLiteral("folder.txt"),
                                    QStringLiteral("zero.txt")}) {
            QByteArray bytes;
            QString why;
            QCOMPARE(dir.readChecked(name, &bytes, &why), FileIo::ReadResult::Unreadable);
            QVERIFY2(why.contains(QStringLiteral("通常のファイルではありません")), qPrintable(why));
            QVERIFY(!dir.isRegularFile(name));
            QVERIFY(!dir.writeAtomic(name, "x").ok());
            QVERIFY(!dir.append(name, "x").ok());
            QVERIFY(!dir.copy(name, QStringLiteral("copy.txt")).ok());
        }
        QCOMPARE(snapshot(tmp.path()), before);
    }
};

REELNOTE_TEST(TestSafeWrites)
#include "tst_safe_writes.moc"
