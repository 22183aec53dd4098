#include "../store/disk_faults.h"
#include "app/import_command.h"
#include "import_support.h"
#include "main_fixture.h"
#include "test_files.h"
#include "test_registry.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

using namespace ImportTest;
using namespace TestFiles;

namespace {
using Answer = Prompts::Answer;

const QByteArray kWatchlist =
    "Date,Name,Year,Letterboxd URI\r\n2024-01-01,Ran,1985,u\r\n2024-01-02,Heat,1995,u\r\n";
const QByteArray kPicture("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\0\0\0\x10\0\0\0\x10\x08\x06", 30);

int run(const QStringList& args, const QString& answer, QString* printed) {
    QString input = answer, output, errors;
    QTextStream in(&input), out(&output), err(&errors);
    const int status = importCsvCommand(QStringList{"reelnote"} + args, in, out, err);
    out.flush();
    err.flush();
    *printed = output + errors;
    return status;
}
}  // namespace

// Files that are not what they seem: a watchlist adds films not seen only when
// the user says so, and a picture is said to be no text.
class TestImportFiles : public QObject {
    Q_OBJECT
private slots:
    void commandAddsAWatchlistOnlyWithItsOption() {
        QTemporaryDir dir, csv;
        writeBytes(csv.path(), "watchlist.csv", kWatchlist);
        const QString file = csv.filePath("watchlist.csv");
        const auto empty = snapshot(dir.path());
        QString printed;
        QCOMPARE(run({"--import-csv", file, dir.path()}, "y\n", &printed), 1);
        QVERIFY2(printed.contains(QStringLiteral("形式：映画日記サービスのウォッチリスト")),
                 qPrintable(printed));
        QVERIFY2(printed.contains(QStringLiteral("--add-unseen")), qPrintable(printed));
        QCOMPARE(snapshot(dir.path()), empty);
        QCOMPARE(run({"--import-csv", file, dir.path(), "--add-unseen"}, "y\n", &printed), 0);
        QCOMPARE(readBytes(dir.path(), kDataFile),
                 sjis(titleRecord("Ran", "", "", "1985") + titleRecord("Heat", "", "", "1995")));
        QCOMPARE(readBytes(dir.path(), kHistoryFile), QByteArray());

        writeBytes(csv.path(), "poster.png", kPicture);
        QCOMPARE(run({"--import-csv", csv.filePath("poster.png"), dir.path()}, "y\n", &printed), 1);
        QVERIFY2(printed.contains(QStringLiteral("テキストファイルではない")), qPrintable(printed));
    }

    void windowAsksBeforeAddingAWatchlist() {
        QTemporaryDir csv;
        writeBytes(csv.path(), "watchlist.csv", kWatchlist);
        writeBytes(csv.path(), "poster.png", kPicture);
        MainFixture f;
        writeFreshMasters(f.path(), false);
        f.start();
        f.prompts.reset();
        f.click("cmdMaster");
        const auto before = snapshot(f.path());

        f.prompts.planInput(csv.filePath("watchlist.csv"));
        f.prompts.planAnswer(Answer::No);
        f.click("cmdImportCsv");
        QCOMPARE(f.prompts.boxes.size(), 2);
        const auto& question = f.prompts.boxes[1];
        QCOMPARE(question.buttons, Prompts::Buttons::YesNo);
        QCOMPARE(question.defaultButton, Answer::No);
        QVERIFY2(question.text.contains(QStringLiteral("ウォッチリスト")),
                 qPrintable(question.text));
        QCOMPARE(snapshot(f.path()), before);

        f.prompts.reset();
        f.prompts.planInput(csv.filePath("poster.png"));
        f.prompts.planAnswer(Answer::Ok);
        f.click("cmdImportCsv");
        QCOMPARE(f.prompts.boxes.size(), 2);
        QVERIFY2(f.prompts.boxes[1].text.contains(QStringLiteral("テキストファイルではない")),
                 qPrintable(f.prompts.boxes[1].text));

        f.prompts.reset();
        f.prompts.planInput(csv.filePath("watchlist.csv"));
        f.prompts.planAnswer(Answer::Yes);
        f.prompts.planAnswer(Answer::Ok);  // the preview
        f.prompts.planAnswer(Answer::Ok);  // what was done
        f.click("cmdImportCsv");
        f.checkBoxes();
        QVERIFY2(f.prompts.boxes[2].text.contains(QStringLiteral("ウォッチリスト")),
                 qPrintable(f.prompts.boxes[2].text));
        QCOMPARE(f.window->catalogue().TitleCount(), 2);
        QCOMPARE(readBytes(f.path(), kHistoryFile), QByteArray());
    }
};

REELNOTE_TEST(TestImportFiles)
#include "tst_import_files.moc"
