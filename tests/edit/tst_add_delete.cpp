#include "main_fixture.h"
#include "store/catalogue.h"
#include "test_files.h"
#include "test_registry.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

using namespace TestFiles;

namespace {
const QString kForbidden = QStringLiteral("\\ / : , ; * ? < > |　の文字は使えません。");
const QString kNewRecordTail = QStringLiteral(",,,,,,,,,,,,,,,,,\"\"\r\n");
}  // namespace

class TestAddDelete : public QObject {
    Q_OBJECT
private:
    void start(MainFixture& f, const QStringList& names, bool tour = false) {
        writeFreshMasters(f.path(), tour);
        QString data;
        for (const QString& n : names) data += titleRecord(n, QStringLiteral("監督") + n);
        writeCp932(f.path(), kDataFile, data);
        if (tour) {
            f.prompts.planAnswer(Prompts::Answer::Ok);
            f.prompts.planAnswer(Prompts::Answer::Ok);
        }
        f.start();
        f.prompts.reset();
    }
    void click(MainFixture& f, const char* name) {
        QTest::mouseClick(f.find<QPushButton>(QLatin1String(name)), Qt::LeftButton);
    }
    // What a restart would find: the table and every title pick list.
    void agreesWithAFreshLoad(MainFixture& f) {
        Catalogue fresh(f.path());
        QVERIFY(fresh.LoadMainData().isEmpty());
        QVERIFY(fresh.LoadKansyouRireki().isEmpty());
        Catalogue& live = f.window->catalogue();
        QCOMPARE(live.titles(), fresh.titles());
        for (int p = 0; p < int(PickList::Count); ++p)
            QCOMPARE(live.pickList(PickList(p))->stringList(),
                     fresh.pickList(PickList(p))->stringList());
        for (int k = 1; k <= 9; ++k) QCOMPARE(live.txtD(k).text(), fresh.txtD(k).text());
    }
    QString shown(MainFixture& f) { return f.find<QComboBox>("cboName")->currentText(); }
    QString counter(MainFixture& f) { return f.find<QLabel>("lblKensu")->text(); }

private slots:
    void cancellingAddsNothing() {
        MainFixture f;
        start(f, {"甲"});
        const QByteArray before = readBytes(f.path(), kDataFile);
        f.prompts.planInput(QString());  // a cancelled box answers ""
        click(f, "cmdNew");
        QCOMPARE(f.prompts.boxes.size(), 1);
        QCOMPARE(f.prompts.boxes[0].text, QStringLiteral("タイトル名を入力して下さい"));
        QCOMPARE(f.prompts.boxes[0].title, QStringLiteral("タイトル名入力"));
        QCOMPARE(readBytes(f.path(), kDataFile), before);
        f.checkBoxes();
    }

    void addLoopRefusesAndProposes() {
        MainFixture f;
        start(f, {"甲", "乙"});
        f.prompts.planInput("a/b");  // forbidden: asked again with the old (empty) proposal
        f.prompts.planAnswer(Prompts::Answer::Ok);
        f.prompts.planInput("乙");  // duplicate: asked again with the refused name
        f.prompts.planAnswer(Prompts::Answer::Ok);
        f.prompts.planInput("Amélie");  // cannot be stored: asked again with it for editing
        f.prompts.planAnswer(Prompts::Answer::Ok);
        f.prompts.planInput("新作");
        click(f, "cmdNew");
        const auto& b = f.prompts.boxes;
        QCOMPARE(b.size(), 7);
        QCOMPARE(b[1].text, kForbidden);
        QCOMPARE(b[1].title, QStringLiteral("入力制限"));
        QCOMPARE(b[2].defaultText, QString());
        QCOMPARE(b[3].title, QStringLiteral("二重登録"));
        QCOMPARE(b[3].text,
                 QStringLiteral("既に同じタイトル名で登録されているものがあります。\r\n\r\n"
                                "題名の後ろに追番やアーティスト名を入れるなどして区別して下さい"));
        QCOMPARE(b[4].defaultText, QStringLiteral("乙"));
        QVERIFY(b[5].text.contains(QStringLiteral("「é」")));
        QCOMPARE(b[6].defaultText, QStringLiteral("Amélie"));

        QCOMPARE(readBytes(f.path(), kDataFile).right(cp932("\"新作\"" + kNewRecordTail).size()),
                 cp932("\"新作\"" + kNewRecordTail));
        QCOMPARE(shown(f), QStringLiteral("新作"));
        QCOMPARE(counter(f), QStringLiteral("3 / 3"));
        QCOMPARE(f.find<QComboBox>("cboName")->count(), 3);
        agreesWithAFreshLoad(f);
        f.checkBoxes();
    }

    void addingBringsEveryListToWhatARestartBuilds() {
        MainFixture f;
        writeFreshMasters(f.path(), false);
        writeCp932(f.path(), kDataFile,
                   titleRecord("甲", "ABC", "主演甲", "1999/04/01", "日本") +
                       titleRecord("乙", "X", "", "1999/12", "", "喜劇"));
        writeCp932(f.path(), kHistoryFile,
                   historyRecordLine("2003/05/10", "甲", "DVD") +
                       historyRecordLine("2004/01/01", "乙", "映画館"));
        f.start();
        const auto enter = [&](const char* name, const QString& text) {
            auto* combo = f.find<QComboBox>(QLatin1String(name));
            combo->setEditText(text);
            QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
        };
        auto* kantoku = f.find<QComboBox>("cboKantoku");
        auto* koukai3 = f.find<QComboBox>("cboKoukai3");
        // A part of a known value is stored but not listed; a value nobody holds
        // any more stays listed; a new release year is not listed yet.
        enter("cboKantoku", "AB");
        f.find<QScrollBar>("hsbData")->setValue(2);
        enter("cboKantoku", "Y");
        enter("cboJanru", "ドラマ");
        auto* nengetu = f.find<QLineEdit>("txtNengetu");
        nengetu->setText("2010/05/01");
        QTest::keyClick(nengetu, Qt::Key_Return);
        QCOMPARE(kantoku->model()->rowCount(), 3);
        QCOMPARE(kantoku->findText("AB"), -1);
        QCOMPARE(koukai3->findText("2010年"), -1);

        f.prompts.planInput("新作");
        click(f, "cmdNew");
        agreesWithAFreshLoad(f);
        QStringList directors;
        for (int i = 0; i < kantoku->count(); ++i) directors << kantoku->itemText(i);
        QCOMPARE(directors, (QStringList{"AB", "Y"}));  // neither ABC nor X is held now
        QVERIFY(f.find<QComboBox>("cboJanru")->findText("喜劇") < 0);
        QVERIFY(koukai3->findText("2010年") >= 0);
        QCOMPARE(shown(f), QStringLiteral("新作"));
        f.checkBoxes();
    }

    void addingShowsTheTourTextsAndAcceptsOtherLetterCase() {
        MainFixture f;
        start(f, {"abc"}, true);
        f.prompts.planAnswer(Prompts::Answer::Ok);
        f.prompts.planInput("ABC");
        f.prompts.planAnswer(Prompts::Answer::Ok);
        f.prompts.planAnswer(Prompts::Answer::Ok);
        click(f, "cmdNew");
        const auto& b = f.prompts.boxes;
        QCOMPARE(b.size(), 4);
        QCOMPARE(b[0].title, QStringLiteral("ヘルプツアー"));
        QVERIFY(
            b[0].text.startsWith(QStringLiteral("タイトル情報を追加することができます。\r\n\r\n")));
        QVERIFY(b[0].text.endsWith(QStringLiteral("終了です。\r\n\r\n")));
        QVERIFY(b[2].text.endsWith(QStringLiteral("このままでＯＫです。")));
        QVERIFY(b[3].text.startsWith(QStringLiteral("＜画像の表示方法＞\r\n\r\n①")));
        QCOMPARE(shown(f), QStringLiteral("ABC"));
        f.checkBoxes();
    }

    void addingPastTheRecordLimitIsRefused() {
        MainFixture f;
        writeFreshMasters(f.path(), false);
        QByteArray data;
        for (int i = 1; i <= kMaxRecords; ++i)
            data += "\"t" + QByteArray::number(i) + "\",,,,,,,0,0,0,0,0,0,0,,,,\r\n";
        writeBytes(f.path(), kDataFile, data);
        f.start();
        f.prompts.planAnswer(Prompts::Answer::Ok);
        click(f, "cmdNew");
        QCOMPARE(f.prompts.boxes.size(), 1);  // refused before any name is asked for
        QCOMPARE(f.prompts.boxes[0].title, QStringLiteral("登録数の上限"));
        QCOMPARE(readBytes(f.path(), kDataFile).size(), data.size());
        QCOMPARE(f.window->catalogue().TitleCount(), kMaxRecords);
        f.checkBoxes();
    }

    void addingToAnEmptyTableShowsTitleOne() {
        MainFixture f;
        start(f, {});
        f.prompts.planInput("最初");
        click(f, "cmdNew");
        QCOMPARE(readBytes(f.path(), kDataFile), cp932("\"最初\"" + kNewRecordTail));
        QCOMPARE(counter(f), QStringLiteral("1 / 1"));
        QCOMPARE(shown(f), QStringLiteral("最初"));
        f.checkBoxes();
    }

    void addingAfterALastRecordWithoutLineEnd() {
        MainFixture f;
        writeFreshMasters(f.path(), false);
        writeCp932(f.path(), kDataFile, titleRecord("甲").chopped(2));
        f.start();
        f.prompts.planInput("乙");
        click(f, "cmdNew");
        QCOMPARE(counter(f), QStringLiteral("2 / 2"));
        QCOMPARE(readCp932(f.path(), kDataFile), titleRecord("甲") + "\"乙\"" + kNewRecordTail);
        f.checkBoxes();
    }

    void deletingMovesToTheRightTitle() {
        MainFixture f;
        start(f, {"一", "二", "三", "四"});
        writeBytes(f.path(), QStringLiteral("二.jpg"), "x");
        writeBytes(f.path(), QStringLiteral("二.GIF"), "x");
        writeBytes(f.path(), QStringLiteral("メモ_二.txt"), "memo");
        auto* hsb = f.find<QScrollBar>("hsbData");
        hsb->setValue(2);
        f.window->catalogue().dir().rescan();
        f.prompts.planAnswer(Prompts::Answer::Ok);
        click(f, "cmdDel");
        QCOMPARE(f.prompts.boxes[0].text, QStringLiteral("二のデータを削除していいですか？"));
        QCOMPARE(f.prompts.boxes[0].title, QStringLiteral("削除確認"));
        QCOMPARE(f.prompts.boxes[0].buttons, Prompts::Buttons::OkCancel);
        QCOMPARE(shown(f), QStringLiteral("三"));  // the title that moved into its place
        QCOMPARE(counter(f), QStringLiteral("2 / 3"));
        QVERIFY(!QFile::exists(QDir(f.path()).filePath("二.jpg")));
        QVERIFY(!QFile::exists(QDir(f.path()).filePath("二.GIF")));
        QVERIFY(QFile::exists(QDir(f.path()).filePath("メモ_二.txt")));  // free texts stay
        QCOMPARE(readCp932(f.path(), kDataFile), titleRecord("一", "監督一") +
                                                     titleRecord("三", "監督三") +
                                                     titleRecord("四", "監督四"));
        QCOMPARE(f.find<QComboBox>("cboKantoku")->findText("監督二"), -1);
        agreesWithAFreshLoad(f);

        hsb->setValue(3);
        f.prompts.planAnswer(Prompts::Answer::Ok);
        click(f, "cmdDel");
        QCOMPARE(shown(f), QStringLiteral("三"));  // the new last title
        QCOMPARE(counter(f), QStringLiteral("2 / 2"));

        f.prompts.planAnswer(Prompts::Answer::Cancel);
        click(f, "cmdDel");
        QCOMPARE(counter(f), QStringLiteral("2 / 2"));
        f.checkBoxes();
    }

    void addingToADamagedFileRewritesWhatWasRead() {
        MainFixture f;
        writeFreshMasters(f.path(), false);
        const QByteArray damaged =
            cp932(titleRecord("甲", "監督") + "\"乙\",,,,,,,x,0,0,0,0,0,0,,,,\r\n");
        writeBytes(f.path(), kDataFile, damaged);
        f.prompts.planAnswer(Prompts::Answer::Ok);  // the report of the damaged file
        f.start();
        f.prompts.planInput("丙");
        click(f, "cmdNew");
        // Appending would have left the new title behind the unreadable record.
        QCOMPARE(readCp932(f.path(), kDataFile), titleRecord("甲", "監督") + titleRecord("丙"));
        const QStringList kept = QDir(f.path()).entryList({"*.bak"});
        QCOMPARE(kept.size(), 1);
        QCOMPARE(readBytes(f.path(), kept[0]), damaged);
        QCOMPARE(counter(f), QStringLiteral("2 / 2"));
        agreesWithAFreshLoad(f);
        f.checkBoxes();
    }

    void deletingTheOnlyTitleLeavesAnEmptyCard() {
        MainFixture f;
        start(f, {"唯一"});
        f.prompts.planAnswer(Prompts::Answer::Ok);
        click(f, "cmdDel");
        QCOMPARE(readBytes(f.path(), kDataFile), QByteArray());
        QCOMPARE(counter(f), QStringLiteral("0 / 0"));
        QCOMPARE(f.find<QScrollBar>("hsbData")->value(), 1);
        QCOMPARE(f.find<QScrollBar>("hsbData")->maximum(), 1);
        QCOMPARE(shown(f), QString());
        QCOMPARE(f.find<QComboBox>("cboKantoku")->currentText(), QString());
        f.checkBoxes();
    }

    void deleteRefusesATypedOverNameAndSparesTheProgramsFiles() {
        MainFixture f;
        start(f, {"設定", "乙"});
        f.find<QComboBox>("cboName")->setEditText(QStringLiteral("無い題"));
        f.prompts.planAnswer(Prompts::Answer::Ok);
        click(f, "cmdDel");
        QCOMPARE(f.prompts.boxes.size(), 1);
        QVERIFY(f.prompts.boxes[0].text.contains(
            QStringLiteral("「無い題」という名前のタイトルはありません。")));
        QCOMPARE(f.window->catalogue().TitleCount(), 2);

        // A title named like the settings file must not take that file with it.
        f.find<QScrollBar>("hsbData")->setValue(2);
        f.find<QScrollBar>("hsbData")->setValue(1);
        f.prompts.planAnswer(Prompts::Answer::Ok);
        click(f, "cmdDel");
        QVERIFY(QFile::exists(QDir(f.path()).filePath(kSettingsFile)));
        QCOMPARE(shown(f), QStringLiteral("乙"));
        f.checkBoxes();
    }
};

REELNOTE_TEST(TestAddDelete)
#include "tst_add_delete.moc"
