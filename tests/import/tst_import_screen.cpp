#include "../store/disk_faults.h"
#include "import_support.h"
#include "main_fixture.h"
#include "store/catalogue.h"
#include "test_files.h"
#include "test_registry.h"

#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QListView>
#include <QPushButton>

using namespace ImportTest;
using namespace TestFiles;

namespace {
using Answer = Prompts::Answer;

void startWithTwoTitles(MainFixture& f) {
    writeFreshMasters(f.path(), false);
    writeCp932(f.path(), kDataFile,
               titleRecord("Alien", "Ridley Scott", "", "1979/05/25", "", "", "◎") +
                   titleRecord("Dune", "David Lynch", "", "1984/12/14", "", "", "", {70}));
    writeCp932(f.path(), kHistoryFile, historyRecordLine("2024/01/05", "Alien", "cinema"));
    f.start();
    f.prompts.reset();
    QTest::mouseClick(f.find<QPushButton>("cmdMaster"), Qt::LeftButton);
}

QStringList listed(QAbstractItemModel* m) {
    QStringList out;
    for (int r = 0; r < m->rowCount(); ++r) out << m->index(r, 0).data().toString();
    return out;
}
}  // namespace

class TestImportScreen : public QObject {
    Q_OBJECT
private slots:
    // "CSVを取り込む…": the file, the preview with the word for untagged viewings,
    // OK, and both files written once with a copy of each kept; the screens follow.
    void importsWhatThePreviewShowedOnOk() {
        MainFixture f;
        startWithTwoTitles(f);
        auto* group = f.find<QGroupBox>("fraImport");
        QCOMPARE(group->title(), QStringLiteral("他のソフトから取り込む"));
        auto* button = f.find<QPushButton>("cmdImportCsv");
        QCOMPARE(button->text(), QStringLiteral("CSVを取り込む…"));

        f.prompts.planInput(dataFile("diary.csv"));
        f.prompts.planReviewValue(QStringLiteral("映画館"));
        f.prompts.planAnswer(Answer::Ok);  // the preview
        f.prompts.planAnswer(Answer::Ok);  // what was done
        QTest::mouseClick(button, Qt::LeftButton);
        f.checkBoxes();
        QCOMPARE(f.prompts.boxes.size(), 3);
        QCOMPARE(f.prompts.boxes[0].kind, QStringLiteral("open"));
        const auto& review = f.prompts.boxes[1];
        QCOMPARE(review.kind, QStringLiteral("review"));
        QCOMPARE(review.title, QStringLiteral("CSVの取り込み"));
        QVERIFY2(review.text.contains(QStringLiteral("タグのない鑑賞の鑑賞内容：「映画館」")),
                 qPrintable(review.text));
        QVERIFY(f.prompts.boxes[2].text.startsWith(QStringLiteral("取り込みました。")));

        QCOMPARE(readBytes(f.path(), kHistoryFile),
                 sjis("\"2024/01/02\",\"Leon\",\"home\"\r\n"
                      "\"2024/01/05\",\"Alien\",\"cinema\"\r\n"
                      "\"2024/01/07\",\"Dune (2021)\",\"映画館\"\r\n"
                      "\"2024/01/08\",\"AC／DC： Let There Be Rock\",\"映画館\"\r\n"
                      "\"2024/01/09\",\"Alien\",\"映画館\"\r\n"
                      "\"2024/02/01\",\"The Good， the Bad and the Ugly\",\"late night\"\r\n"));
        QVERIFY(readBytes(f.path(), kDataFile)
                    .startsWith(sjis("\"Alien\",\"Ridley Scott\",\"\",\"1979/05/25\",\"\",\"\","
                                     "\"◎\",90,0,0,0,0,0,0,\"\",\"\",\"\",\"\"\r\n")));
        QCOMPARE(QDir(f.path()).entryList({"*.bak"}, QDir::Files).size(), 2);
        const QStringList names = {"Alien",       "Dune",
                                   "Dune (2021)", "AC／DC： Let There Be Rock",
                                   "Leon",        "The Good， the Bad and the Ugly"};
        QCOMPARE(listed(f.find<QComboBox>("cboName")->model()), names);
        QCOMPARE(listed(f.find<QListView>("lstBicho")->model()), names);
        QVERIFY(!f.window->GalleryReady);
    }

    void cancelWritesNothing() {
        MainFixture f;
        startWithTwoTitles(f);
        const auto before = snapshot(f.path());
        f.prompts.planInput(dataFile("film_ratings.csv"));
        f.prompts.planAnswer(Answer::Cancel);
        QTest::mouseClick(f.find<QPushButton>("cmdImportCsv"), Qt::LeftButton);
        f.checkBoxes();
        QCOMPARE(f.prompts.boxes.size(), 2);
        QCOMPARE(f.prompts.boxes[1].defaultText, QStringLiteral("鑑賞"));
        QCOMPARE(snapshot(f.path()), before);
        QCOMPARE(f.window->catalogue().TitleCount(), 2);
    }

    // A window that may not write says so before it asks for a file.
    void aReadOnlyWindowRefusesBeforeAskingForTheFile() {
        MainFixture f;
        startWithTwoTitles(f);
        const QString refusal = QStringLiteral("読み取り専用で開いています。");
        f.window->catalogue().setReadOnly(refusal);
        const auto before = snapshot(f.path());
        f.prompts.planAnswer(Answer::Ok);
        QTest::mouseClick(f.find<QPushButton>("cmdImportCsv"), Qt::LeftButton);
        f.checkBoxes();
        QCOMPARE(f.prompts.boxes.size(), 1);
        QCOMPARE(f.prompts.boxes[0].kind, QStringLiteral("message"));
        QCOMPARE(f.prompts.boxes[0].text, refusal);
        QCOMPARE(snapshot(f.path()), before);
    }
};

// An import is one step of the undo history: taken back, both files hold their
// bytes from before (the copies kept aside stay); done again, the same import.
class TestImportUndo : public QObject {
    Q_OBJECT
private slots:
    void importIsOneStep() {
        MainFixture f;
        startWithTwoTitles(f);
        const auto withoutCopies = [&] {
            auto files = snapshot(f.path());
            for (auto it = files.begin(); it != files.end();)
                it = it.key().endsWith(QLatin1String(".bak")) ? files.erase(it) : std::next(it);
            return files;
        };
        const auto before = withoutCopies();
        f.prompts.planInput(dataFile("diary.csv"));
        f.prompts.planReviewValue(QStringLiteral("映画館"));
        f.prompts.planAnswer(Answer::Ok);
        f.prompts.planAnswer(Answer::Ok);
        QTest::mouseClick(f.find<QPushButton>("cmdImportCsv"), Qt::LeftButton);
        const auto after = withoutCopies();
        QVERIFY(after != before);
        f.window->undoStep();
        QCOMPARE(withoutCopies(), before);
        QCOMPARE(f.window->catalogue().TitleCount(), 2);
        QCOMPARE(f.window->noticeText(), QStringLiteral("元に戻しました: CSVの取り込み 「diary.csv」"));
        f.window->redoStep();
        QCOMPARE(withoutCopies(), after);
        f.checkBoxes();
    }
};

REELNOTE_TEST(TestImportScreen)
REELNOTE_TEST(TestImportUndo)
#include "tst_import_screen.moc"
