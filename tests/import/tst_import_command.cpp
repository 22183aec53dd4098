#include "../store/disk_faults.h"
#include "app/command_line.h"
#include "app/import_command.h"
#include "import_support.h"
#include "test_files.h"
#include "test_registry.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

using namespace ImportTest;
using namespace TestFiles;

namespace {
// Runs the command with answer as what the user types; *printed gets its output.
int run(const QStringList& args, const QString& answer = {}, QString* printed = nullptr) {
    QString input = answer, output, errors;
    QTextStream in(&input), out(&output), err(&errors);
    const int status = importCsvCommand(QStringList{"reelnote"} + args, in, out, err);
    out.flush();
    err.flush();
    if (printed) *printed = output + errors;
    return status;
}
}  // namespace

class TestImportCommand : public QObject {
    Q_OBJECT
private slots:
    // Our own exports imported into an empty folder give back the very files they
    // came from, a title with "/" that an old file held included; imported again,
    // they change nothing.
    void ownExportsGiveBackTheirFiles() {
        QTemporaryDir from, to, csv;
        const QString data =
            titleRecord("AC/DC", "", "", "1980", "", "", "◎", {95, 9, 2, 8, 3, 0, 11},
                        {"○", "", "○", ""}) +
            titleRecord("七人の侍", "黒澤明", "三船敏郎", "1954/04/26", "日本", "時代劇", "○") +
            titleRecord("七人の侍") + titleRecord("Heat", "", "", "1995/12/15");
        const QString history = historyRecordLine("2003/05/10", "七人の侍", "映画館") +
                                historyRecordLine("2003/05/10", "AC/DC", "DVD") +
                                historyRecordLine("2003/05/10", "七人の侍", "映画館") +
                                historyRecordLine("2001/01/01", "Heat", "TV");
        writeBytes(from.path(), kDataFile, sjis(data));
        writeBytes(from.path(), kHistoryFile, sjis(history));
        const QString titles = QDir(csv.path()).filePath("titles.csv");
        const QString viewings = QDir(csv.path()).filePath("history.csv");
        QCOMPARE(runCommandLine({"reelnote", "--export-csv", titles, from.path()}), 0);
        QCOMPARE(runCommandLine({"reelnote", "--export-csv-history", viewings, from.path()}), 0);

        QCOMPARE(run({"--import-csv", titles, to.path()}, "y\n"), 0);
        QCOMPARE(run({"--import-csv", viewings, to.path()}, "はい\n"), 0);
        QCOMPARE(readBytes(to.path(), kDataFile), sjis(data));
        QCOMPARE(readBytes(to.path(), kHistoryFile), sjis(history));

        const auto before = snapshot(to.path());
        QString printed;
        QCOMPARE(run({"--import-csv", titles, to.path()}, "y\n", &printed), 1);
        QVERIFY2(printed.contains(QStringLiteral("取り込むものはありません。")),
                 qPrintable(printed));
        QCOMPARE(run({"--import-csv", viewings, to.path()}, "y\n"), 1);
        QCOMPARE(snapshot(to.path()), before);
    }

    // Nothing is written unless the user says yes; --dry-run only prints.
    void writesOnlyWhenTheUserAgrees() {
        QTemporaryDir dir;
        const QString diary = dataFile("diary.csv");
        const auto empty = snapshot(dir.path());
        QString printed;
        QCOMPARE(run({"--import-csv", diary, dir.path(), "--dry-run"}, {}, &printed), 0);
        QVERIFY2(printed.contains(QStringLiteral("新しいタイトル：5件")), qPrintable(printed));
        QVERIFY(!printed.contains(u'\r'));
        QCOMPARE(run({"--import-csv", diary, dir.path()}), 1);  // no answer at all
        QCOMPARE(run({"--import-csv", diary, dir.path()}, "いいえ\n"), 1);
        QCOMPARE(snapshot(dir.path()), empty);
        QCOMPARE(run({"--import-csv", diary, dir.path(), "--viewing-content", "映画館"}, "y\n"), 0);
        QVERIFY(readBytes(dir.path(), kHistoryFile)
                    .contains(sjis("\"2024/01/07\",\"Dune\",\"映画館\"")));
    }

    void exitStatusOfBadArgumentsAndUnknownFiles() {
        QTemporaryDir dir;
        writeBytes(dir.path(), "films.csv", "Film,Director\nAlien,Scott\n");
        QCOMPARE(run({"--import-csv"}), 2);
        QCOMPARE(run({"--import-csv", dataFile("diary.csv"), dir.path(), "--bogus"}), 2);
        QCOMPARE(run({"--import-csv", dir.filePath("missing.csv"), dir.path()}), 2);
        QCOMPARE(run({"--import-csv", dataFile("diary.csv"), dir.filePath("no-folder")}), 2);
        QString printed;
        QCOMPARE(run({"--import-csv", dir.filePath("films.csv"), dir.path()}, "y\n", &printed), 1);
        QVERIFY(printed.contains(QStringLiteral("取り込める形式がわかりませんでした")));
        QVERIFY(asksForImport({"reelnote", "--dry-run", "--import-csv", "x.csv"}));
        QVERIFY(!asksForImport({"reelnote", "--export-csv", "x.csv"}));
    }
};

REELNOTE_TEST(TestImportCommand)
#include "tst_import_command.moc"
