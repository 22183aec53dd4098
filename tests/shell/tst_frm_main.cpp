#include "main_fixture.h"
#include "shell/help_window.h"
#include "store/catalogue.h"
#include "test_files.h"
#include "test_registry.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

using namespace TestFiles;

namespace {
const QString kTour = QStringLiteral("ヘルプツアー");
}

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void firstStartInAnEmptyDirectoryCreatesTheFiles() {
        MainFixture f;
        f.prompts.planAnswer(Prompts::Answer::Ok);  // the two start-up tour boxes
        f.prompts.planAnswer(Prompts::Answer::Ok);
        frmMain& w = f.start();
        for (const QString& name : {kDataFile, kHyoukaMasterFile, kSyoyuMasterFile, kSettingsFile})
            QVERIFY2(QFile::exists(QDir(f.path()).filePath(name)), qPrintable(name));
        QCOMPARE(w.windowTitle(), QStringLiteral("リールノート"));
        QCOMPARE(f.find<QLabel>("lblKensu")->text(), QStringLiteral("0 / 0"));
        QCOMPARE(f.find<QLabel>("lblHyouka1_1")->text(), QStringLiteral("総合"));
        QCOMPARE(f.find<QLabel>("lblHyouka1_7")->text(), QStringLiteral("セクシー"));
        QCOMPARE(f.find<QCheckBox>("chkSyoyu_1")->text(), QStringLiteral("DVD"));
        QVERIFY(f.find<QAbstractButton>("chkHelp")->isChecked());
        // The help tour is on for a fresh start: the two start-up boxes, word for word.
        QCOMPARE(f.prompts.boxes.size(), 2);
        QCOMPARE(f.prompts.boxes[0].title, kTour);
        QCOMPARE(f.prompts.boxes[0].icon, Prompts::Icon::Information);
        QCOMPARE(
            f.prompts.boxes[0].text,
            QStringLiteral(
                "起動時のこの画面はタイトル１題目に対しての各種情報が表示されているメイン画面です｡ "
                "\r\n\r\n「タイトル」や「監督」、「主演」、「ジャンル」…などの表示\r\n"
                "タイトルの画像や７項目の自己評価、４種類のソフト所有状況を表示してます。\r\n\r"
                "\n"));
        QCOMPARE(
            f.prompts.boxes[1].text,
            QStringLiteral(
                "タイトルの画像や各種情報はインターネット上から簡単に入手することができます。\r\n"
                "（TSUTAYAやAmazonなど）\r\n\r\n"
                "画像やあらすじ等を一緒にコレクションすることで楽しさがアップすると思います"));
        f.checkBoxes();
    }

    void tourOffShowsNoBoxAtStartUp() {
        MainFixture f;
        writeFreshMasters(f.path(), false);
        writeCp932(f.path(), kDataFile, titleRecord("A"));
        f.start();
        QVERIFY(f.prompts.boxes.isEmpty());
        QVERIFY(!f.find<QAbstractButton>("chkHelp")->isChecked());
        f.checkBoxes();
    }

    void alwaysVisibleButtonsCarryTheirCaptionsAndTips() {
        MainFixture f;
        writeFreshMasters(f.path(), false);
        f.start();
        const QList<QStringList> expected = {
            {"cmdMain", "メイン", "メイン画面を表示します"},
            {"cmdNew", "新規", "タイトルを新規に追加します"},
            {"cmdDel", "削除", "表示中のタイトルを削除します"},
            {"cmdIchiran", "主一覧", "主要データを並び替え表示します"},
            {"cmdIchiran2", "評価", "評価データを並び替え表示します"},
            {"cmdIchiran3", "所有", "所有データ、サブデータを並び替え表示します"},
            {"cmdRank", "ランク", "監督や主演などのランキングを表示します"},
            {"cmdList", "鑑賞", "映画鑑賞履歴を表示します"},
            {"cmdKensaku", "検索", "タイトルの検索をすることができます"},
            {"cmdPic", "画像", "タイトルの画像を一覧表示します"},
            {"cmdMaster", "編集", "マスタを編集します"},
            {"cmdHelp", "ヘルプ", "ヘルプファイルを開きます"},
            {"cmdEnd", "終了", "プログラムを終了します"},
        };
        for (const QStringList& b : expected) {
            auto* button = f.find<QPushButton>(b[0]);
            QVERIFY2(button, qPrintable(b[0]));
            QCOMPARE(button->text(), b[1]);
            QCOMPARE(button->toolTip(), b[2]);
            QVERIFY(button->isVisible());
        }
        QCOMPARE(f.find<QAbstractButton>("chkHelp")->toolTip(),
                 QStringLiteral("ヘルプツアーのＯｎ／Ｏｆｆです"));
    }

    void screenSwitching() {
        MainFixture f;
        writeFreshMasters(f.path(), false);
        QString data;
        for (int i = 1; i <= 9; ++i) data += titleRecord(QStringLiteral("T%1").arg(i));
        writeCp932(f.path(), kDataFile, data);
        frmMain& w = f.start();
        auto* fraMain = f.find<QWidget>("fraMain");
        auto* cmdDel = f.find<QPushButton>("cmdDel");
        QVERIFY(fraMain->isVisible());
        QVERIFY(cmdDel->isEnabled());

        // "メイン" while the card shows changes nothing, not even the title.
        w.LastJumpTitle = 7;
        w.card()->setCurrent(3);
        QTest::mouseClick(f.find<QPushButton>("cmdMain"), Qt::LeftButton);
        QCOMPARE(w.card()->current(), 3);

        // Back from another screen, the card returns to the last jumped-to title.
        w.HideAllFrames();
        QVERIFY(!cmdDel->isEnabled());
        QVERIFY(!fraMain->isVisible());
        QTest::mouseClick(f.find<QPushButton>("cmdMain"), Qt::LeftButton);
        QVERIFY(fraMain->isVisible());
        QVERIFY(cmdDel->isEnabled());
        QCOMPARE(w.card()->current(), 7);
        QCOMPARE(f.find<QLabel>("lblKensu")->text(), QStringLiteral("7 / 9"));

        // Help opens once however often it is asked for, and closes with the program.
        QTest::mouseClick(f.find<QPushButton>("cmdHelp"), Qt::LeftButton);
        QTest::mouseClick(f.find<QPushButton>("cmdHelp"), Qt::LeftButton);
        const auto help = w.findChildren<HelpWindow*>();
        QCOMPARE(help.size(), 1);
        QVERIFY(help[0]->isVisible());

        QTest::mouseClick(f.find<QPushButton>("cmdEnd"), Qt::LeftButton);
        QVERIFY(!w.isVisible());
        QVERIFY(w.findChildren<HelpWindow*>().isEmpty() ||
                !w.findChildren<HelpWindow*>()[0]->isVisible());
        f.checkBoxes();
    }

    void damagedDataFileIsReportedAfterTheWindowShows() {
        MainFixture f;
        writeFreshMasters(f.path(), false);
        const QByteArray bytes =
            cp932(titleRecord("一") + QStringLiteral("\"二\",,,,,,,x,0,0,0,0,0,0,,,,\r\n"));
        writeBytes(f.path(), kDataFile, bytes);
        f.prompts.planAnswer(Prompts::Answer::Ok);
        f.start();
        QCOMPARE(f.prompts.boxes.size(), 1);
        QCOMPARE(f.prompts.boxes[0].icon, Prompts::Icon::Exclamation);
        QVERIFY(f.prompts.boxes[0].text.contains(QStringLiteral("2行目（2件目）")));
        QVERIFY(f.prompts.boxes[0].text.contains(
            QStringLiteral("タイトル1件を読み込み、読み込めなかった1件を飛ばしました")));
        QCOMPARE(f.find<QLabel>("lblKensu")->text(), QStringLiteral("1 / 1"));
        QCOMPARE(readBytes(f.path(), kDataFile), bytes);  // untouched until the first rewrite
        f.checkBoxes();
    }

    void helpTourToggleIsRememberedAcrossARestart() {
        MainFixture f;
        writeFreshMasters(f.path(), false);
        f.start();
        f.prompts.planAnswer(Prompts::Answer::Ok);
        QTest::mouseClick(f.find<QAbstractButton>("chkHelp"), Qt::LeftButton);
        QCOMPARE(f.prompts.boxes.last().text, QStringLiteral("ヘルプツアー機能をオンにします。"));
        QCOMPARE(f.prompts.boxes.last().title, QStringLiteral("ヘルプツアーＯＮ"));
        QCOMPARE(readBytes(f.path(), kSettingsFile), cp932("\"ヘルプツアー\",1\r\n"));

        f.prompts.reset();
        f.prompts.planAnswer(Prompts::Answer::Ok);
        f.prompts.planAnswer(Prompts::Answer::Ok);
        f.start();  // a restart: the tour boxes come, the on/off box does not
        QVERIFY(f.find<QAbstractButton>("chkHelp")->isChecked());
        QCOMPARE(f.prompts.boxes.size(), 2);
        QCOMPARE(f.prompts.boxes[0].title, kTour);

        f.prompts.planAnswer(Prompts::Answer::Ok);
        QTest::mouseClick(f.find<QAbstractButton>("chkHelp"), Qt::LeftButton);
        QCOMPARE(f.prompts.boxes.last().title, QStringLiteral("ヘルプツアーＯＦＦ"));
        QCOMPARE(readBytes(f.path(), kSettingsFile), cp932("\"ヘルプツアー\",0\r\n"));
        f.checkBoxes();
    }
};

REELNOTE_TEST(TestMainWindow)
#include "tst_frm_main.moc"
