#include "combo_gestures.h"
#include "disk_faults.h"
#include "main_fixture.h"
#include "store/catalogue.h"
#include "test_files.h"
#include "test_registry.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace TestFiles;

namespace {
const QString kFullDisk = QStringLiteral(
    "ディスクの空き容量が足りません。空きを作ってから、もう一度やり直してください。");
const QString kNotSaved = QStringLiteral("\r\n\r\n変更は保存されていません。");
}  // namespace

// The window on a disk that fails: every box says what happened, and every file of
// the data directory is afterwards byte for byte what it was.
class TestSafeWriteScreens : public QObject {
    Q_OBJECT
private:
    FailingDisk disk_;

    void start(MainFixture& f, bool tour = false) {
        writeFreshMasters(f.path(), tour);
        writeCp932(f.path(), kDataFile,
                   titleRecord("七人の侍", "黒澤明", "", "1954/04/26", "", "", "◎", {95}) +
                       titleRecord("生きる", "黒澤明"));
        writeBytes(f.path(), QStringLiteral("生きる.jpg"), "not really a picture");
        if (tour) {
            f.prompts.planAnswer(Prompts::Answer::Ok);
            f.prompts.planAnswer(Prompts::Answer::Ok);
        }
        f.start();
        f.prompts.reset();
        disk_.heal();
        f.window->catalogue().dir().setFileSystem(&disk_);
    }
    void click(MainFixture& f, const char* name) {
        QTest::mouseClick(f.find<QAbstractButton>(QLatin1String(name)), Qt::LeftButton);
    }
    void pickScore(MainFixture& f, int score) {
        QVERIFY(ComboGestures::pickWithMouse(f.find<QComboBox>("cboHyouka1_1"), score));
    }
    // One box, the critical "保存できません" with exactly this text.
    void toldOnce(MainFixture& f, const QString& title, const QString& text) {
        QCOMPARE(f.prompts.boxes.size(), 1);
        QCOMPARE(f.prompts.boxes[0].title, title);
        QCOMPARE(f.prompts.boxes[0].text, text);
        f.checkBoxes();
        f.prompts.reset();
    }

private slots:
    void cleanup() { disk_.heal(); }

    void scorePickOnAFullDisk() {
        MainFixture f;
        start(f);
        const auto before = snapshot(f.path());
        const TitleTable titles = f.window->catalogue().titles();
        const qint64 size = before.value(kDataFile).size();
        for (qint64 n : {qint64(0), qint64(1), size / 2, size - 1}) {
            disk_.writeBudget = n;
            f.prompts.planAnswer(Prompts::Answer::Ok);
            pickScore(f, 40);
            toldOnce(f, QStringLiteral("保存できません"),
                     QStringLiteral("「データ.TXT」を保存できませんでした。\r\n") + kFullDisk +
                         QStringLiteral("\r\n元のファイルはそのまま残っています。") + kNotSaved);
            QCOMPARE(f.prompts.boxes.size(), 0);
            QCOMPARE(snapshot(f.path()), before);
            QCOMPARE(f.window->catalogue().titles(), titles);
        }
        disk_.heal();
        pickScore(f, 40);
        Catalogue fresh(f.path());
        QVERIFY(fresh.LoadMainData().isEmpty());
        QCOMPARE(fresh.titles()[1].HyoukaTen[1], qint16(40));
        f.checkBoxes();
    }

    void newTitleOnAFullDisk() {
        MainFixture f;
        start(f);
        const auto before = snapshot(f.path());
        disk_.writeBudget = 10;  // part of the record gets written, then the disk is full
        f.prompts.planInput(QStringLiteral("用心棒"));
        f.prompts.planAnswer(Prompts::Answer::Ok);
        click(f, "cmdNew");
        QCOMPARE(f.prompts.boxes.size(), 2);
        QCOMPARE(f.prompts.boxes[1].title, QStringLiteral("保存できません"));
        QCOMPARE(f.prompts.boxes[1].icon, Prompts::Icon::Critical);
        QCOMPARE(f.prompts.boxes[1].text,
                 QStringLiteral("「データ.TXT」に追記できませんでした。\r\n") + kFullDisk +
                     QStringLiteral("\r\nファイルは追記する前のまま残っています。") + kNotSaved);
        QCOMPARE(snapshot(f.path()), before);
        QCOMPARE(f.window->catalogue().TitleCount(), 2);
        QCOMPARE(f.window->catalogue().pickList(PickList::Name)->rowCount(), 2);
        f.checkBoxes();
    }

    void deleteOnAFullDiskKeepsTheTitleAndItsFiles() {
        MainFixture f;
        start(f);
        f.window->catalogue().dir().rescan();
        f.find<QComboBox>("cboName")->setEditText(QStringLiteral("生きる"));
        const auto before = snapshot(f.path());
        disk_.writeBudget = 0;
        f.prompts.planAnswer(Prompts::Answer::Ok);  // the confirmation
        f.prompts.planAnswer(Prompts::Answer::Ok);
        click(f, "cmdDel");
        QCOMPARE(f.prompts.boxes.size(), 2);
        QCOMPARE(f.prompts.boxes[1].title, QStringLiteral("保存できません"));
        QVERIFY(f.prompts.boxes[1].text.contains(kFullDisk));
        QCOMPARE(snapshot(f.path()), before);  // the picture too
        QCOMPARE(f.window->catalogue().TitleCount(), 2);
        f.checkBoxes();
    }

    void helpSwitchOnAFullDisk() {
        MainFixture f;
        start(f);
        const auto before = snapshot(f.path());
        disk_.syncError = EIO;
        f.prompts.planAnswer(Prompts::Answer::Ok);  // "ヘルプツアー機能をオンにします。"
        f.prompts.planAnswer(Prompts::Answer::Ok);
        click(f, "chkHelp");
        QCOMPARE(f.prompts.boxes.size(), 2);
        QCOMPARE(f.prompts.boxes[1].title, QStringLiteral("設定の保存"));
        QCOMPARE(f.prompts.boxes[1].text,
                 QStringLiteral("「設定.TXT」を保存できませんでした。\r\n"
                                "ディスクの読み書きでエラーが起きました（入出力エラー）。\r\n"
                                "元のファイルはそのまま残っています。"));
        QCOMPARE(snapshot(f.path()), before);
        // The switch did not take: the tour and the box go back to what the file holds.
        QCOMPARE(f.window->catalogue().HelpTour, 0);
        QVERIFY(!f.find<QAbstractButton>("chkHelp")->isChecked());
        f.checkBoxes();
    }

    void memoSaveOnAFullDisk() {
        MainFixture f;
        writeCp932(f.path(), QStringLiteral("メモ_七人の侍.txt"), QStringLiteral("前の感想\r\n"));
        start(f);
        const auto before = snapshot(f.path());
        click(f, "cmdHyouji4");
        f.find<QPlainTextEdit>("txtSubData_3")->setPlainText(QStringLiteral("新しい感想"));
        for (qint64 n : {0, 5}) {
            disk_.writeBudget = n;
            f.prompts.planAnswer(Prompts::Answer::Ok);
            click(f, "cmdSubData3");
            toldOnce(f, QStringLiteral("保存できません"),
                     QStringLiteral("「メモ_七人の侍.txt」を保存できませんでした。\r\n") +
                         kFullDisk + QStringLiteral("\r\n元のファイルはそのまま残っています。"));
            QCOMPARE(snapshot(f.path()), before);
        }
    }

    // A real disk with no room left, under the real window.
    void scorePickOnAFullTmpfs() {
        MainFixture f;
        SmallDisk small(f.path(), 64);
        if (!small.mounted()) QSKIP(qPrintable(small.whyNot()));
        start(f);
        f.window->catalogue().dir().setFileSystem(nullptr);
        fillUp(f.path(), QStringLiteral("filler.bin"));
        const auto before = snapshot(f.path());
        f.prompts.planAnswer(Prompts::Answer::Ok);
        pickScore(f, 40);
        toldOnce(f, QStringLiteral("保存できません"),
                 QStringLiteral("「データ.TXT」を保存できませんでした。\r\n") + kFullDisk +
                     QStringLiteral("\r\n元のファイルはそのまま残っています。") + kNotSaved);
        QCOMPARE(snapshot(f.path()), before);
        QCOMPARE(f.window->catalogue().titles()[1].HyoukaTen[1], qint16(95));
        f.window.reset();  // before the disk goes
    }

    // A pipe under the data file's name: start-up does not wait on it, says so, and
    // no change replaces it until the program is started again.
    void startUpWithAPipeForTheDataFile() {
        MainFixture f;
        writeFreshMasters(f.path(), false);
        QVERIFY(::mkfifo(QFile::encodeName(QDir(f.path()).filePath(kDataFile)).constData(), 0644) ==
                0);
        const auto before = snapshot(f.path());
        f.prompts.planAnswer(Prompts::Answer::Ok);
        QElapsedTimer t;
        t.start();
        f.start();
        QVERIFY(t.elapsed() < 5000);
        const QString reason = QStringLiteral(
            "通常のファイルではありません（フォルダー、名前付きパイプ、装置などです）。");
        toldOnce(f, QStringLiteral("データの読み込み"),
                 QStringLiteral("「データ.TXT」を読み込めませんでした。\r\n") + reason +
                     QStringLiteral("\r\n\r\nこのファイルを失わないよう、プログラムを起動し直すまで"
                                    "タイトルの変更は保存しません。ファイルを確かめてから、"
                                    "プログラムを起動し直してください。"));
        f.prompts.planInput(QStringLiteral("用心棒"));
        f.prompts.planAnswer(Prompts::Answer::Ok);
        click(f, "cmdNew");
        QCOMPARE(f.prompts.boxes.size(), 2);
        QCOMPARE(
            f.prompts.boxes[1].text,
            QStringLiteral("「データ.TXT」は起動時に読み込めなかったため、書き換えも追記も"
                           "しません。\r\n") +
                reason +
                QStringLiteral("\r\nファイルを確かめてから、プログラムを起動し直してください。") +
                kNotSaved);
        QCOMPARE(snapshot(f.path()), before);
        QCOMPARE(f.window->catalogue().TitleCount(), 0);
        f.checkBoxes();
    }

    // A help-tour value of 5 is reported once, and the tour and its check box agree.
    void startUpWithAnOddHelpTourValue() {
        MainFixture f;
        writeFreshMasters(f.path(), false);
        writeCp932(f.path(), kSettingsFile, QStringLiteral("\"ヘルプツアー\",5\r\n"));
        writeCp932(f.path(), kDataFile, titleRecord("七人の侍"));
        const auto before = snapshot(f.path());
        for (int i = 0; i < 3; ++i) f.prompts.planAnswer(Prompts::Answer::Ok);
        f.start();
        QCOMPARE(f.prompts.boxes.size(), 3);
        QCOMPARE(f.prompts.boxes[0].title, QStringLiteral("設定の読み込み"));
        QCOMPARE(f.prompts.boxes[0].text,
                 QStringLiteral("「設定.TXT」にヘルプツアーの値「5」が 0（オフ）でも 1（オン）でも"
                                "ないため、ヘルプツアーをオンにしました。\r\n次にヘルプツアーの"
                                "オン・オフを切り替えると、正しい値で保存し直します。元のファイルは、"
                                "その前に同じフォルダーへ「設定.TXT.日時.bak」として残します。"));
        QCOMPARE(f.prompts.boxes[1].title, QStringLiteral("ヘルプツアー"));
        QVERIFY(f.find<QAbstractButton>("chkHelp")->isChecked());
        QCOMPARE(f.window->catalogue().HelpTour, 1);
        QCOMPARE(snapshot(f.path()), before);
        f.checkBoxes();
    }
};

REELNOTE_TEST(TestSafeWriteScreens)
#include "tst_safe_write_screens.moc"
