#include "app/command_line.h"
#include "check/folder_check.h"
#include "store/catalogue.h"
#include "test_files.h"
#include "test_registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace TestFiles;

namespace {
// A consistent folder: two titles, their texts and a picture, viewings after release.
void writeCleanFolder(const QString& dir) {
    writeCp932(dir, QStringLiteral("データ.TXT"),
               titleRecord("七人の侍", "黒澤明", "三船敏郎", "1954/04/26", "日本", "時代劇", "◎",
                           {95, 9, 2, 8, 3, 0, 0}, {"○", "", "○", ""}) +
                   titleRecord("Alien", "Ridley Scott", "", "1979/05", "米国", "SF"));
    writeCp932(dir, QStringLiteral("鑑賞履歴.TXT"),
               historyRecordLine("1979/05/01", "Alien", "映画館") +
                   historyRecordLine("2003/05/10", "七人の侍", "DVD"));
    writeFreshMasters(dir, true);
    writeCp932(dir, QStringLiteral("メモ_七人の侍.txt"), QStringLiteral("名作\r\n"));
    writeBytes(dir, QStringLiteral("Alien.JPG"), "not decoded by the check");
}

QMap<QString, QByteArray> snapshot(const QString& dir) {
    QMap<QString, QByteArray> files;
    for (const QString& name : QDir(dir).entryList(QDir::Files)) files[name] = readBytes(dir, name);
    return files;
}
}  // namespace

class TestFolderCheck : public QObject {
    Q_OBJECT
private slots:
    void aConsistentFolderHasNothingToReportAndStaysUntouched() {
        QTemporaryDir tmp;
        writeCleanFolder(tmp.path());
        const auto before = snapshot(tmp.path());
        const FolderCheck::Report r = FolderCheck::check(tmp.path());
        QVERIFY2(r.findings.isEmpty(), qPrintable(r.findings.join(u'\n')));
        QCOMPARE(r.titles, 2);
        QCOMPARE(r.viewings, 2);
        QCOMPARE(runCommandLine({"reelnote", "--check", tmp.path()}), 0);
        QCOMPARE(snapshot(tmp.path()), before);
    }

    void listsEachKindOfProblem() {
        QTemporaryDir tmp;
        writeCleanFolder(tmp.path());
        writeCp932(tmp.path(), QStringLiteral("データ.TXT"),
                   readCp932(tmp.path(), QStringLiteral("データ.TXT")) +
                       titleRecord("Alien", "", "", "", "", "") +
                       titleRecord("Heat", "", "", "1995/12/15"));
        writeCp932(tmp.path(), QStringLiteral("鑑賞履歴.TXT"),
                   historyRecordLine("1990/01/01", "Heat", "TV") +
                       historyRecordLine("2000/01/01", "消えた映画", "DVD"));
        writeCp932(tmp.path(), QStringLiteral("キャスト_無題.txt"), QStringLiteral("x\r\n"));
        writeBytes(tmp.path(), QStringLiteral("Gone.bmp"), "x");
        const QStringList f = FolderCheck::check(tmp.path()).findings;
        const QString all = f.join(u'\n');
        QVERIFY2(all.contains(QStringLiteral("タイトル名「Alien」が2件あります（2件目、3件目）")),
                 qPrintable(all));
        QVERIFY2(all.contains(QStringLiteral("キャスト_無題.txt")), qPrintable(all));
        QVERIFY2(all.contains(QStringLiteral("画像「Gone.bmp」のタイトル「Gone」がありません")),
                 qPrintable(all));
        QVERIFY2(
            all.contains(QStringLiteral("鑑賞履歴2件目（2000/01/01）のタイトル「消えた映画」")),
            qPrintable(all));
        QVERIFY2(all.contains(QStringLiteral("「Heat」を公開日（1995/12/15）より前の1990/01/01")),
                 qPrintable(all));
        QCOMPARE(f.size(), 5);
        QCOMPARE(runCommandLine({"reelnote", "--check", tmp.path()}), 1);
    }

    // What the program would say on loading: records it would skip or read
    // otherwise than they stand, and characters a conversion would change.
    void namesRecordsReadOtherwiseAndCharactersToConvert() {
        QTemporaryDir tmp;
        writeCleanFolder(tmp.path());
        QString irregular = titleRecord("乙");
        irregular.replace(QStringLiteral("\"乙\""), QStringLiteral("\"乙\"\"丙\""));
        writeCp932(tmp.path(), kDataFile, titleRecord("甲") + irregular);
        writeBytes(tmp.path(), kHistoryFile,
                   historyRecordLine("2003/05/10", "Amélie", "映画館").toUtf8());
        const auto before = snapshot(tmp.path());
        const QString all = FolderCheck::check(tmp.path()).findings.join(u'\n');
        QVERIFY2(all.contains(QStringLiteral("2行目（2件目）")), qPrintable(all));
        QVERIFY(all.contains(QStringLiteral("「鑑賞履歴.TXT」は UTF-8 で保存されています")));
        QVERIFY(all.contains(QStringLiteral("1行目「Amélie」の「é」→「e」")));
        QCOMPARE(snapshot(tmp.path()), before);
    }

    // The card finds a title's files without regard to letter case; so does the check.
    void filesOfATitleMatchAsTheCardFindsThem() {
        QTemporaryDir tmp;
        writeCleanFolder(tmp.path());
        QDir(tmp.path()).remove(QStringLiteral("Alien.JPG"));
        writeBytes(tmp.path(), QStringLiteral("ALIEN.jpg"), "x");
        writeCp932(tmp.path(), QStringLiteral("キャスト_ALIEN.txt"), QStringLiteral("x\r\n"));
        writeCp932(tmp.path(), QStringLiteral("メモ_alien.TXT"), QStringLiteral("x\r\n"));
        QVERIFY2(FolderCheck::check(tmp.path()).findings.isEmpty(),
                 qPrintable(FolderCheck::check(tmp.path()).findings.join(u'\n')));
        QCOMPARE(runCommandLine({"reelnote", "--check", tmp.path()}), 0);
        writeBytes(tmp.path(), QStringLiteral("ALIENS.gif"), "x");  // still no title of its own
        QCOMPARE(
            FolderCheck::check(tmp.path()).findings,
            QStringList(QStringLiteral("画像「ALIENS.gif」のタイトル「ALIENS」がありません。")));
    }

    void aViewingInTheMonthOfAYearMonthReleaseIsNotEarly() {
        QTemporaryDir tmp;
        writeCleanFolder(tmp.path());  // Alien released 1979/05, seen 1979/05/01
        QVERIFY(FolderCheck::check(tmp.path()).findings.isEmpty());
        writeCp932(tmp.path(), QStringLiteral("鑑賞履歴.TXT"),
                   historyRecordLine("1979/04/30", "Alien", "映画館"));
        QCOMPARE(FolderCheck::check(tmp.path()).findings.size(), 1);
    }

    void aMissingDataFileIsReportedAndNotCreated() {
        QTemporaryDir tmp;
        const FolderCheck::Report r = FolderCheck::check(tmp.path());
        QCOMPARE(r.findings, QStringList({QStringLiteral("「データ.TXT」がありません。")}));
        QVERIFY(QDir(tmp.path()).entryList(QDir::Files).isEmpty());
    }

    void exportsTitlesAndHistoryAsSpreadsheetFiles() {
        QTemporaryDir tmp, out;
        writeCleanFolder(tmp.path());
        const auto before = snapshot(tmp.path());
        const QString titles = QDir(out.path()).filePath("titles.csv");
        const QString history = QDir(out.path()).filePath("history.csv");
        QCOMPARE(runCommandLine({"reelnote", "--export-csv", titles, tmp.path()}), 0);
        QCOMPARE(runCommandLine({"reelnote", "--export-csv-history", history, tmp.path()}), 0);
        QCOMPARE(snapshot(tmp.path()), before);
        QCOMPARE(
            readBytes(out.path(), "titles.csv"),
            QByteArray("\xEF\xBB\xBF") +
                QStringLiteral(
                    "タイトル,監督,主演,公開日,国,ジャンル,評価,総合,感動・涙,笑い,ほのぼの,"
                    "スリル,恐怖戦慄,セクシー,DVD,ブルーレイ,ビデオ,配信\r\n"
                    "七人の侍,黒澤明,三船敏郎,1954/04/26,日本,時代劇,◎,95,9,2,8,3,0,0,○,,○,\r\n"
                    "Alien,Ridley Scott,,1979/05,米国,SF,,0,0,0,0,0,0,0,,,,\r\n")
                    .toUtf8());
        QCOMPARE(readBytes(out.path(), "history.csv"),
                 QByteArray("\xEF\xBB\xBF") + QStringLiteral("鑑賞日,タイトル,鑑賞内容\r\n"
                                                             "1979/05/01,Alien,映画館\r\n"
                                                             "2003/05/10,七人の侍,DVD\r\n")
                                                  .toUtf8());
    }

    // An export never lands on a file of the collection it reads, whatever the
    // spelling or the links on the way; a folder that is no collection exports nothing.
    void anExportRefusesTheCollectionsOwnFiles() {
        QTemporaryDir tmp, out;
        writeCleanFolder(tmp.path());
        QDir(tmp.path()).mkpath(QStringLiteral("バックアップ/20261207"));
        QFile::link(tmp.path(), QDir(out.path()).filePath("collection"));
        QFile::link(QDir(tmp.path()).filePath("データ.TXT"), QDir(out.path()).filePath("d.csv"));
        const auto before = snapshot(tmp.path());
        const QDir data(tmp.path());
        for (const QString& target :
             {data.filePath("データ.TXT"), data.filePath("データ.txt"), data.filePath("Alien.jpg"),
              data.filePath("新作.bmp"), data.filePath("メモ_新作.txt"), data.filePath("設定.txt"),
              data.filePath("データ.TXT.20261207-103000.bak"),
              data.filePath("バックアップ/20261207/データ.TXT"),
              data.filePath("バックアップ/x.csv"),
              QDir(out.path()).filePath("collection/鑑賞履歴.TXT"),
              QDir(out.path()).filePath("d.csv"),
              tmp.path() + "/../" + data.dirName() + "/曲目データ.TXT"}) {
            QCOMPARE(runCommandLine({"reelnote", "--export-csv", target, tmp.path()}), 1);
            QCOMPARE(runCommandLine({"reelnote", "--export-csv-history", target, tmp.path()}), 1);
        }
        QCOMPARE(snapshot(tmp.path()), before);
        QVERIFY(!QFileInfo::exists(data.filePath("バックアップ/x.csv")));
        // A spreadsheet beside the data files is the user's own.
        QCOMPARE(
            runCommandLine({"reelnote", "--export-csv", data.filePath("一覧.csv"), tmp.path()}), 0);

        QTemporaryDir empty;
        const QString csv = QDir(out.path()).filePath("empty.csv");
        QCOMPARE(runCommandLine({"reelnote", "--export-csv", csv, empty.path()}), 1);
        QCOMPARE(runCommandLine({"reelnote", "--export-csv-history", csv, empty.path()}), 1);
        QVERIFY(!QFileInfo::exists(csv));
    }

    void theCommandLineRefusesWhatItDoesNotKnow() {
        QCOMPARE(runCommandLine({"reelnote"}), std::nullopt);
        QCOMPARE(runCommandLine({"reelnote", "--nonsense"}), 2);
        QCOMPARE(runCommandLine({"reelnote", "--export-csv"}), 2);
        QCOMPARE(runCommandLine({"reelnote", "--check", "/no/such/folder"}), 1);
    }
};

REELNOTE_TEST(TestFolderCheck)
#include "tst_folder_check.moc"
