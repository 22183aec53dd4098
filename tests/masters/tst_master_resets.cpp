#include "main_fixture.h"
#include "store/catalogue.h"
#include "store/kansyou_table.h"
#include "test_files.h"
#include "test_registry.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>

using namespace TestFiles;

namespace {
using Files = QMap<QString, QByteArray>;
using Answer = Prompts::Answer;

const QString kAskTitle = QStringLiteral("タイトル全データ削除確認");
const QString kDone = QStringLiteral("データ削除");
const QString kRestart = QStringLiteral("一旦プログラムを終了しますので再起動してください。");

Files filesIn(const QString& dir) {
    Files out;
    for (const QString& n : QDir(dir).entryList(QDir::Files, QDir::Name))
        out.insert(n, readBytes(dir, n));
    return out;
}

// The copy the reset kept of name, taken out of files; empty when there is none.
QByteArray takeKeptCopy(Files* files, const QString& name) {
    const QRegularExpression re(QRegularExpression::escape(name) +
                                QStringLiteral("\\.\\d{8}-\\d{6}\\.bak"));
    for (auto it = files->begin(); it != files->end(); ++it)
        if (re.match(it.key()).hasMatch() && re.match(it.key()).capturedLength() == it.key().size())
            return files->take(it.key());
    return {};
}

const QStringList kTitleFiles{"甲.txt", "甲.jpg", "乙.gif", "乙.BMP"};
const QStringList kTextFiles{"キャスト_甲.txt", "あらすじ_乙.txt", "メモ_甲.txt",
                             "メモ_消えた昔の.txt"};
const QStringList kOwnFiles{"私の記録.txt", "キャスト表.txt", "甲.png"};
}  // namespace

class TestMasterResets : public QObject {
    Q_OBJECT
private:
    void start(MainFixture& f) {
        writeFreshMasters(f.path(), false);
        writeCp932(f.path(), kDataFile,
                   titleRecord("甲", "監督") + titleRecord("乙") + titleRecord("設定"));
        writeCp932(f.path(), kHistoryFile,
                   historyRecordLine("2026/01/02", "甲", "映画館") +
                       historyRecordLine("2026/02/03", "乙", "テレビ"));
        for (const QString& n : kTitleFiles + kTextFiles + kOwnFiles)
            writeCp932(f.path(), n, QStringLiteral("中身：") + n);
        f.start();
        f.prompts.reset();
        QTest::mouseClick(f.find<QPushButton>("cmdMaster"), Qt::LeftButton);
    }
    void checkQuestion(const ScriptedPrompts::Box& b, const QString& text) {
        QCOMPARE(b.title, kAskTitle);
        QCOMPARE(b.text, text);
        QCOMPARE(b.icon, Prompts::Icon::Question);
        QCOMPARE(b.buttons, Prompts::Buttons::YesNo);
        QCOMPARE(b.defaultButton, Answer::No);
    }
    void checkClosing(const ScriptedPrompts::Box& b, const QString& text) {
        QCOMPARE(b.title, kDone);
        QCOMPARE(b.text, text);
        QCOMPARE(b.icon, Prompts::Icon::Information);
        QCOMPARE(b.buttons, Prompts::Buttons::Ok);
    }

private slots:
    void noLeavesEverythingAsItWas() {
        MainFixture f;
        start(f);
        const Files before = filesIn(f.path());
        f.prompts.planAnswer(Answer::No);
        f.prompts.planAnswer(Answer::No);
        QTest::mouseClick(f.find<QPushButton>("cmdSinki"), Qt::LeftButton);
        f.find<QPushButton>("cmdAllDel")->click();
        QCOMPARE(f.prompts.boxes.size(), 2);
        checkQuestion(
            f.prompts.boxes[0],
            QStringLiteral("現在登録されているデータを全てクリアして新規スタートしますか？"));
        checkQuestion(f.prompts.boxes[1],
                      QStringLiteral("現在登録されているデータを全てクリアしますか？"));
        QCOMPARE(filesIn(f.path()), before);
        QVERIFY(f.window->isVisible());
        QCOMPARE(f.window->catalogue().TitleCount(), 3);
        f.checkBoxes();
    }

    void newStartEmptiesTheCollectionKeepsACopyAndEnds() {
        MainFixture f;
        start(f);
        // Names saved before the reset are the names after it.
        f.find<QLineEdit>("txtSyoyu_4")->setText(QStringLiteral("ネット配信"));
        f.prompts.planAnswer(Answer::Ok);
        QTest::mouseClick(f.find<QPushButton>("lblSyoyuHozon"), Qt::LeftButton);
        f.prompts.reset();
        const Files before = filesIn(f.path());

        f.prompts.planAnswer(Answer::Yes);
        f.prompts.planAnswer(Answer::Ok);
        f.prompts.planAnswer(Answer::Ok);
        QTest::mouseClick(f.find<QPushButton>("cmdSinki"), Qt::LeftButton);
        QCOMPARE(f.prompts.boxes.size(), 3);
        checkClosing(f.prompts.boxes[1],
                     QStringLiteral("データを削除しました。評価項目と所有項目は必要に応じて変更"
                                    "してください。"));
        checkClosing(f.prompts.boxes[2], kRestart);
        QCOMPARE(f.prompts.busyDepth, 0);
        QVERIFY(!f.window->isVisible());  // the program ended

        Files after = filesIn(f.path());
        QCOMPARE(takeKeptCopy(&after, kDataFile), before[kDataFile]);
        QCOMPARE(takeKeptCopy(&after, kHistoryFile), before[kHistoryFile]);
        Files expected = before;
        for (const QString& n : kTitleFiles + kTextFiles) expected.remove(n);
        expected[kDataFile] = {};
        expected[kHistoryFile] = {};
        QCOMPARE(after, expected);  // 設定.TXT stays although a title is named 設定
        f.checkBoxes();

        ScriptedPrompts prompts;
        FixedClock clock;
        frmMain again(f.path(), prompts, clock);
        again.Form_Load();
        QCOMPARE(again.catalogue().TitleCount(), 0);
        QCOMPARE(again.catalogue().kansyou().KansyouCount(), 0);
        QCOMPARE(again.catalogue().SyoyuKoumoku[4], QStringLiteral("ネット配信"));
        QCOMPARE(again.catalogue().HyoukaKoumoku[1], QStringLiteral("総合"));
        QVERIFY(prompts.boxes.isEmpty());
    }

    void initialiseFromTheHiddenButtonKeepsHistoryAndTexts() {
        MainFixture f;
        start(f);
        QVERIFY(!f.find<QPushButton>("cmdAllDel")->isVisible());
        const Files before = filesIn(f.path());
        f.prompts.planAnswer(Answer::Yes);
        f.prompts.planAnswer(Answer::Ok);
        f.find<QPushButton>("cmdAllDel")->click();
        QCOMPARE(f.prompts.boxes.size(), 2);
        checkClosing(f.prompts.boxes[1], kRestart);
        QVERIFY(!f.window->isVisible());

        Files after = filesIn(f.path());
        QCOMPARE(takeKeptCopy(&after, kDataFile), before[kDataFile]);
        Files expected = before;
        for (const QString& n : kTitleFiles) expected.remove(n);
        expected[kDataFile] = {};
        for (const char* n : {"曲目データ.TXT", "歌手マスタ.TXT", "作詞マスタ.TXT",
                              "作曲マスタ.TXT", "編曲マスタ.TXT"})
            expected[QString::fromUtf8(n)] = {};
        QCOMPARE(after, expected);
        f.checkBoxes();

        ScriptedPrompts prompts;
        FixedClock clock;
        frmMain again(f.path(), prompts, clock);
        again.Form_Load();
        QCOMPARE(again.catalogue().TitleCount(), 0);
        QCOMPARE(again.catalogue().kansyou().KansyouCount(), 2);
    }

    void aResetThatCannotStartSaysSoAndTheProgramGoesOn() {
        MainFixture f;
        start(f);
        // Something that is not a file stands where the data file is written.
        const QString data = QDir(f.path()).filePath(kDataFile);
        QVERIFY(QFile::rename(data, data + QStringLiteral(".moved")));
        QVERIFY(QDir(f.path()).mkdir(kDataFile));
        const Files before = filesIn(f.path());
        f.prompts.planAnswer(Answer::Yes);
        f.prompts.planAnswer(Answer::Ok);
        QTest::mouseClick(f.find<QPushButton>("cmdSinki"), Qt::LeftButton);
        QCOMPARE(f.prompts.boxes.size(), 2);
        QCOMPARE(f.prompts.boxes[1].title, kDone);
        QCOMPARE(f.prompts.boxes[1].icon, Prompts::Icon::Critical);
        QVERIFY(f.prompts.boxes[1].text.contains(QStringLiteral("データの削除を取りやめました")));
        QCOMPARE(filesIn(f.path()), before);
        QVERIFY(f.window->isVisible());
        f.checkBoxes();
    }
};

REELNOTE_TEST(TestMasterResets)
#include "tst_master_resets.moc"
