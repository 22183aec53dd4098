#include "disk_faults.h"
#include "store/catalogue.h"
#include "store/data_file.h"
#include "test_files.h"
#include "test_registry.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

using namespace TestFiles;

namespace {
// Puts something unreadable under name: a named pipe, a folder, a link to a device
// that reads without end, or a regular file whose reads fail (on the given disk).
void makeUnreadable(const QString& dir, const QString& name, const QString& kind,
                    FailingDisk* disk) {
    const QString path = QDir(dir).filePath(name);
    QFile::remove(path);
    if (kind == "pipe")
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0644) == 0);
    else if (kind == "folder")
        QVERIFY(QDir(dir).mkdir(name));
    else if (kind == "endless device")
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
    else {
        writeCp932(dir, name, historyRecordLine("2003/05/10", "甲", "DVD"));
        disk->readError = kind == "no permission" ? EACCES : EIO;
    }
}

void unreadableKinds() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("told");
    QTest::newRow("named pipe") << "pipe"
                                << "通常のファイルではありません";
    QTest::newRow("folder") << "folder"
                            << "通常のファイルではありません";
    QTest::newRow("link to /dev/zero") << "endless device"
                                       << "通常のファイルではありません";
    QTest::newRow("no permission") << "no permission"
                                   << "アクセスする権限がありません";
    QTest::newRow("I/O error") << "io"
                               << "入出力エラー";
}
}  // namespace

class TestUnreadableFiles : public QObject {
    Q_OBJECT
private slots:
    // Read at once, never waited on, and from then on never replaced or appended to.
    void unreadableDataFileIsNeverWritten_data() { unreadableKinds(); }
    void unreadableDataFileIsNeverWritten() {
        QFETCH(QString, kind);
        QFETCH(QString, told);
        QTemporaryDir tmp;
        writeFreshMasters(tmp.path(), false);
        FailingDisk disk;
        makeUnreadable(tmp.path(), kDataFile, kind, &disk);
        Catalogue c(tmp.path());
        c.dir().setFileSystem(&disk);
        QElapsedTimer t;
        t.start();
        const QString message = c.LoadMainData();
        QVERIFY(t.elapsed() < 2000);
        QVERIFY2(message.startsWith(QStringLiteral("「データ.TXT」を読み込めませんでした。")),
                 qPrintable(message));
        QVERIFY(message.contains(told));
        QVERIFY(message.contains(
            QStringLiteral("プログラムを起動し直すまでタイトルの変更は保存しません")));
        QCOMPARE(c.TitleCount(), 0);

        disk.heal();  // even when it could be read now: the table does not hold it
        const auto before = snapshot(tmp.path());
        const QString refused = QStringLiteral("「データ.TXT」は起動時に読み込めなかったため");
        QVERIFY(c.appendTitle(QStringLiteral("新作")).contains(refused));
        QCOMPARE(c.TitleCount(), 0);
        QVERIFY(c.SaveMainData().contains(refused));
        QVERIFY(c.rewriteInOrder({}).contains(refused));
        QVERIFY(!c.dir().remove(kDataFile));
        QVERIFY(c.dir().copy(kSettingsFile, kDataFile).error.contains(refused));
        QCOMPARE(snapshot(tmp.path()), before);
    }

    void unreadableHistoryIsNeverWritten_data() { unreadableKinds(); }
    void unreadableHistoryIsNeverWritten() {
        QFETCH(QString, kind);
        QFETCH(QString, told);
        QTemporaryDir tmp;
        writeFreshMasters(tmp.path(), false);
        FailingDisk disk;
        makeUnreadable(tmp.path(), kHistoryFile, kind, &disk);
        Catalogue c(tmp.path());
        c.dir().setFileSystem(&disk);
        const QString message = c.LoadKansyouRireki();
        QVERIFY2(message.contains(QStringLiteral("「鑑賞履歴.TXT」を読み込めませんでした。")),
                 qPrintable(message));
        QVERIFY(message.contains(told));
        QVERIFY(message.contains(QStringLiteral("鑑賞履歴の変更は保存しません")));
        disk.heal();
        const auto before = snapshot(tmp.path());
        for (const char* date : {"2001/01/01", "2030/01/01"})  // an insertion, an append
            QVERIFY(
                c.AddKansyou({date, "甲", "DVD"})
                    .contains(QStringLiteral("「鑑賞履歴.TXT」は起動時に読み込めなかったため")));
        QCOMPARE(c.kansyou().KansyouCount(), 0);
        QCOMPARE(snapshot(tmp.path()), before);
    }

    // A master or settings file that cannot be read is reported and never replaced:
    // its names (or value) are nowhere else.
    void unreadableMastersAndSettingsAreNeverWritten_data() { unreadableKinds(); }
    void unreadableMastersAndSettingsAreNeverWritten() {
        QFETCH(QString, kind);
        QFETCH(QString, told);
        for (const QString& name : {kHyoukaMasterFile, kSyoyuMasterFile, kSettingsFile}) {
            QTemporaryDir tmp;
            writeFreshMasters(tmp.path(), false);
            FailingDisk disk;
            makeUnreadable(tmp.path(), name, kind, &disk);
            Catalogue c(tmp.path());
            c.dir().setFileSystem(&disk);
            const QString message = name == kSettingsFile ? c.LoadSettings() : c.LoadMasters();
            QVERIFY2(message.contains(QStringLiteral("「%1」を読み込めませんでした").arg(name)),
                     qPrintable(message));
            QVERIFY(message.contains(told));
            disk.heal();
            const auto before = snapshot(tmp.path());
            const QString refused = QStringLiteral("「%1」は起動時に読み込めなかったため").arg(name);
            QVERIFY(c.SaveHyoukaMaster(kDefaultHyoukaKoumoku).contains(refused) ==
                    (name == kHyoukaMasterFile));
            QVERIFY(c.SaveSyoyuMaster(kDefaultSyoyuKoumoku).contains(refused) ==
                    (name == kSyoyuMasterFile));
            QVERIFY(c.setHelpTour(1).contains(refused) == (name == kSettingsFile));
            const auto after = snapshot(tmp.path());
            QCOMPARE(after.value(name), before.value(name));
        }
    }

    // A name whose quote does not close takes only its own line: the names after
    // it keep their places, the user is told, and the first save keeps the original.
    void damagedMasterKeepsItsNamesAndACopy() {
        QTemporaryDir tmp;
        const QByteArray damaged =
            cp932("\"総合\"\r\n\"感動・涙\"\r\n\"笑い\r\n\"ほのぼの\"\r\n\"スリル\"\r\n"
                  "\"恐怖戦慄\"\r\n\"セクシー\"\r\n");
        writeBytes(tmp.path(), kHyoukaMasterFile, damaged);
        writeBytes(tmp.path(), kSyoyuMasterFile, cp932("\"DVD\"x\r\n\"A\",\"B\"\r\n"));
        Catalogue c(tmp.path());
        const QString message = c.LoadMasters();
        QVERIFY2(message.contains(QStringLiteral("3行目（3番目の項目名）：引用符が行の終わりまでに"
                                                 "閉じていません")),
                 qPrintable(message));
        QVERIFY(message.contains(QStringLiteral("「所有マスタ.txt」を最後まで読み込めませんでした")));
        QVERIFY(message.contains(QStringLiteral("一つの行に項目名が二つ以上")));
        QCOMPARE(c.HyoukaKoumoku, kDefaultHyoukaKoumoku);
        QCOMPARE(c.SyoyuKoumoku[3], QStringLiteral("B"));

        QVERIFY(c.SaveHyoukaMaster(c.HyoukaKoumoku).isEmpty());
        QCOMPARE(readCp932(tmp.path(), kHyoukaMasterFile),
                 QStringLiteral("\"総合\"\r\n\"感動・涙\"\r\n\"笑い\"\r\n\"ほのぼの\"\r\n"
                                "\"スリル\"\r\n\"恐怖戦慄\"\r\n\"セクシー\"\r\n"));
        const QStringList kept =
            QDir(tmp.path()).entryList({kHyoukaMasterFile + QStringLiteral(".*.bak")});
        QCOMPARE(kept.size(), 1);
        QCOMPARE(readBytes(tmp.path(), kept.first()), damaged);
    }

    // The tour and the check box follow one value, 0 or 1; anything else is reported.
    void helpTourValue_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("tour");
        QTest::addColumn<QString>("told");
        QTest::newRow("off") << QByteArray("\"ヘルプツアー\",0\r\n") << 0 << "";
        QTest::newRow("on") << QByteArray("\"ヘルプツアー\",1\r\n") << 1 << "";
        QTest::newRow("spaces") << QByteArray("\"ヘルプツアー\", 0 \r\n") << 0 << "";
        QTest::newRow("out of range") << QByteArray("\"ヘルプツアー\",5\r\n") << 1 << "「5」";
        QTest::newRow("negative") << QByteArray("\"ヘルプツアー\",-1\r\n") << 1 << "「-1」";
        QTest::newRow("garbage") << QByteArray("\"ヘルプツアー\",on\r\n") << 1 << "「on」";
        QTest::newRow("empty value") << QByteArray("\"ヘルプツアー\",\r\n") << 1 << "値がない";
        QTest::newRow("empty file") << QByteArray() << 1 << "値がない";
    }
    void helpTourValue() {
        QFETCH(QByteArray, file);
        QFETCH(int, tour);
        QFETCH(QString, told);
        QTemporaryDir tmp;
        writeBytes(tmp.path(), kSettingsFile, cp932(QString::fromUtf8(file)));
        Catalogue c(tmp.path());
        const QString message = c.LoadSettings();
        QCOMPARE(c.HelpTour, tour);
        if (told.isEmpty()) {
            QCOMPARE(message, QString());
        } else {
            QVERIFY2(message.contains(told), qPrintable(message));
            QVERIFY(message.contains(QStringLiteral("ヘルプツアーをオンにしました")));
        }
        QCOMPARE(readBytes(tmp.path(), kSettingsFile), cp932(QString::fromUtf8(file)));
        // What the user wrote is kept aside before the first rewrite.
        QVERIFY(c.SaveSettings().isEmpty());
        const QStringList kept = QDir(tmp.path()).entryList({kSettingsFile + QStringLiteral(".*.bak")});
        QCOMPARE(kept.size(), told.isEmpty() ? 0 : 1);
        if (!told.isEmpty()) QCOMPARE(readBytes(tmp.path(), kept.first()), cp932(QString::fromUtf8(file)));
    }

    void failedSettingsSaveKeepsTheStoredValue() {
        QTemporaryDir tmp;
        writeFreshMasters(tmp.path(), true);
        Catalogue c(tmp.path());
        QVERIFY(c.LoadSettings().isEmpty());
        FailingDisk disk;
        disk.writeBudget = 0;
        c.dir().setFileSystem(&disk);
        QVERIFY(c.setHelpTour(0).contains(QStringLiteral("ディスクの空き容量が足りません")));
        QCOMPARE(c.HelpTour, 1);
        disk.heal();
        QVERIFY(c.setHelpTour(0).isEmpty());
        QCOMPARE(c.HelpTour, 0);
        QCOMPARE(readBytes(tmp.path(), kSettingsFile), cp932("\"ヘルプツアー\",0\r\n"));
    }

    // A file read as UTF-8 may hold what code page 932 cannot. Declined (or with
    // nobody to ask), the conversion never happens: every rewrite of that file is
    // refused saying why, the question is asked once, and nothing changes.
    void declinedConversionKeepsTheFilesAsTheyAre() {
        QTemporaryDir tmp;
        writeFreshMasters(tmp.path(), false);
        writeBytes(tmp.path(), kHistoryFile,
                   (historyRecordLine("2003/05/10", "Amélie", "DVD") +
                    historyRecordLine("2004/01/01", "七人の侍", "映画館"))
                       .toUtf8());
        writeBytes(tmp.path(), kDataFile,
                   (titleRecord("七人の侍") + titleRecord("Amélie", "Jeunet")).toUtf8());
        Catalogue c(tmp.path());
        QStringList asked;
        c.setConversionQuestion([&asked](const QString& file, const QString& what) {
            asked << file + u':' + what;
            return false;
        });
        const QString historyNote = c.LoadKansyouRireki();
        QVERIFY2(historyNote.contains(QStringLiteral("UTF-8")), qPrintable(historyNote));
        QVERIFY(historyNote.contains(QStringLiteral("1行目「Amélie」の「é」→「e」")));
        QVERIFY(c.LoadMainData().contains(QStringLiteral("2行目「Amélie」の「é」→「e」")));
        const auto before = snapshot(tmp.path());
        const auto history = c.kansyou().records();
        const TitleTable titles = c.titles();

        const QString refused =
            QStringLiteral("変換しないことを選んだため、このファイルは書き換えません");
        QString message = c.AddKansyou({"2003/06/01", "七人の侍", "DVD"});
        QVERIFY2(message.contains(refused), qPrintable(message));
        QVERIFY(c.AddKansyou({"2005/01/01", "七人の侍", "DVD"}).contains(refused));
        QCOMPARE(c.kansyou().records(), history);

        Title t = c.titles()[1];
        t.Hyouka = QStringLiteral("◎");
        QVERIFY(c.storeTitle(1, t).contains(refused));
        QCOMPARE(c.titles(), titles);
        QVERIFY(c.appendTitle(QStringLiteral("新作")).contains(refused));
        QVERIFY(c.removeTitle(1).contains(refused));
        // A reload of the same bytes does not ask again.
        c.LoadMainData();
        QVERIFY(c.storeTitle(1, t).contains(refused));
        QCOMPARE(c.titles(), titles);
        QCOMPARE(asked.size(), 2);
        QVERIFY(asked[0].startsWith(kHistoryFile + u':'));
        QVERIFY(asked[1].startsWith(kDataFile + u':'));
        QCOMPARE(snapshot(tmp.path()), before);
    }

    // Accepted, é becomes e (only an accent is dropped) and what has no such
    // form the geta mark; the original is kept beside the file.
    void acceptedConversionWritesCodePage932AndKeepsTheOriginal() {
        QTemporaryDir tmp;
        writeFreshMasters(tmp.path(), false);
        const QByteArray original = (titleRecord("七人の侍") + titleRecord("Amélie", "Jeunet") +
                                     titleRecord(QString::fromUtf8("猫\xF0\x9F\x90\x88の日")))
                                        .toUtf8();
        writeBytes(tmp.path(), kDataFile, original);
        Catalogue c(tmp.path());
        int asked = 0;
        c.setConversionQuestion([&asked](const QString&, const QString& what) {
            ++asked;
            return what.contains(QStringLiteral("→「〓」"));
        });
        c.LoadMainData();
        Title t = c.titles()[1];
        t.Hyouka = QStringLiteral("◎");
        QCOMPARE(c.storeTitle(1, t), QString());
        QCOMPARE(asked, 1);
        QCOMPARE(c.titles()[2].Daimei, QStringLiteral("Amelie"));
        QCOMPARE(c.titles()[3].Daimei, QStringLiteral("猫〓の日"));
        t.Daimei = QStringLiteral("七人の侍");
        QCOMPARE(
            readBytes(tmp.path(), kDataFile),
            cp932(serializeTitle(t) + titleRecord("Amelie", "Jeunet") + titleRecord("猫〓の日")));
        const QStringList kept = QDir(tmp.path()).entryList({kDataFile + QStringLiteral(".*.bak")});
        QCOMPARE(kept.size(), 1);
        QCOMPARE(readBytes(tmp.path(), kept[0]), original);
        // Settled: later edits splice without asking.
        t.Hyouka = QStringLiteral("○");
        QCOMPARE(c.storeTitle(1, t), QString());
        QCOMPARE(asked, 1);
    }
};

REELNOTE_TEST(TestUnreadableFiles)
#include "tst_unreadable_files.moc"
