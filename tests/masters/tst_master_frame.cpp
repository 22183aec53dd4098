#include "main_fixture.h"
#include "masters/master_frame.h"
#include "store/catalogue.h"
#include "store/kansyou_table.h"
#include "test_files.h"
#include "test_registry.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QStringListModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScrollBar>

#include <optional>

using namespace TestFiles;

namespace {
using Files = QMap<QString, QByteArray>;
using Answer = Prompts::Answer;

const QStringList kABCDE{"A", "B", "C", "D", "E"};
const QString kTour = QStringLiteral(
    "サンプルデータを削除して自分のデータとしてスタートさせたり\r\n"
    "評価項目マスタや所有マスタの編集ができます。\r\n\r\n"
    "またタイトルの表示順を変更することができます。\r\n");
const QString kFreshHyouka = QStringLiteral(
    "\"総合\"\r\n\"感動・涙\"\r\n\"笑い\"\r\n\"ほのぼの\"\r\n\"スリル\"\r\n\"恐怖戦慄\"\r\n"
    "\"セクシー\"\r\n");

Files filesIn(const QString& dir) {
    Files out;
    for (const QString& n : QDir(dir).entryList(QDir::Files, QDir::Name))
        out.insert(n, readBytes(dir, n));
    return out;
}

QString records(const QStringList& names) {
    QString data;
    for (const QString& n : names)
        data += titleRecord(n, QStringLiteral("監督") + n, {}, {}, {}, {}, {}, {90, 5},
                            {kOwned, n == QStringLiteral("B") ? kOwned : QString()});
    return data;
}
}  // namespace

class TestMasterFrame : public QObject {
    Q_OBJECT
private:
    void start(MainFixture& f, const QStringList& names, bool tour = false) {
        writeFreshMasters(f.path(), tour);
        writeCp932(f.path(), kDataFile, records(names));
        writeCp932(f.path(), kHistoryFile, historyRecordLine("2026/01/02", "B", "映画館"));
        writeCp932(f.path(), QStringLiteral("キャスト_B.txt"), QStringLiteral("出演者"));
        writeCp932(f.path(), QStringLiteral("B.jpg"), QStringLiteral("絵のつもり"));
        if (tour) {
            f.prompts.planAnswer(Answer::Ok);
            f.prompts.planAnswer(Answer::Ok);
        }
        f.start();
        f.prompts.reset();
    }
    void open(MainFixture& f) {
        QTest::mouseClick(f.find<QPushButton>("cmdMaster"), Qt::LeftButton);
        QApplication::processEvents();  // the list lays out its entries
    }
    void click(MainFixture& f, const char* name) {
        QTest::mouseClick(f.find<QPushButton>(QLatin1String(name)), Qt::LeftButton);
    }
    QListView* list(MainFixture& f) { return f.find<QListView>("lstBicho"); }
    QStringList listed(MainFixture& f) {
        QStringList out;
        QAbstractItemModel* m = list(f)->model();
        for (int r = 0; r < m->rowCount(); ++r) out << m->index(r, 0).data().toString();
        return out;
    }
    QPoint entry(MainFixture& f, int row) {
        return list(f)->visualRect(list(f)->model()->index(row, 0)).center();
    }
    // Presses on one entry, moves over the ones between with the button held, and
    // releases on the other (or at a point of the list's own).
    void drag(MainFixture& f, int from, int to, std::optional<QPoint> releaseAt = {}) {
        QWidget* vp = list(f)->viewport();
        QTest::mousePress(vp, Qt::LeftButton, {}, entry(f, from));
        const int step = to >= from ? 1 : -1;
        for (int r = from + step; r != to + step; r += step) QTest::mouseMove(vp, entry(f, r));
        if (releaseAt) QTest::mouseMove(vp, *releaseAt);
        QTest::mouseRelease(vp, Qt::LeftButton, {}, releaseAt.value_or(entry(f, to)));
    }
    bool orange(MainFixture& f) {
        return f.find<QPushButton>("cmdSortCng2")->palette().color(QPalette::Button) ==
               QColor(255, 224, 192);
    }
    void checkConfirmation(const ScriptedPrompts::Box& b, const QString& title,
                           const QString& question) {
        QCOMPARE(b.title, title);
        QCOMPARE(b.text, question + QStringLiteral("\r\n\r\n良かったらＯＫボタンを押してください"));
        QCOMPARE(b.icon, Prompts::Icon::Exclamation);
        QCOMPARE(b.buttons, Prompts::Buttons::OkCancel);
    }

private slots:
    void openingFillsTheScreenEveryTimeAndShowsTheTour() {
        MainFixture f;
        start(f, kABCDE, true);
        f.prompts.planAnswer(Answer::Ok);
        open(f);
        QVERIFY(f.find<QWidget>("fraMaster")->isVisible());
        QVERIFY(!f.find<QWidget>("fraMain")->isVisible());
        QVERIFY(!f.find<QPushButton>("cmdDel")->isEnabled());
        QCOMPARE(f.prompts.boxes.size(), 1);
        QCOMPARE(f.prompts.boxes[0].title, QStringLiteral("ヘルプツアー"));
        QCOMPARE(f.prompts.boxes[0].text, kTour);
        QCOMPARE(f.prompts.boxes[0].icon, Prompts::Icon::Information);
        QCOMPARE(listed(f), kABCDE);
        QCOMPARE(f.find<QLineEdit>("txtHyouka_1")->text(), QStringLiteral("総合"));
        QCOMPARE(f.find<QLineEdit>("txtHyouka_7")->text(), QStringLiteral("セクシー"));
        QCOMPARE(f.find<QLineEdit>("txtSyoyu_2")->text(), QStringLiteral("ブルーレイ"));
        QCOMPARE(f.find<QPushButton>("cmdAllDel")->isVisible(), false);

        // Pressed again while showing: the list starts again from the table and the
        // tour box comes again; the button stays marked until an order is applied.
        drag(f, 1, 4);
        QCOMPARE(listed(f), QStringList({"A", "C", "D", "B", "E"}));
        f.prompts.planAnswer(Answer::Ok);
        open(f);
        QCOMPARE(f.prompts.boxes.size(), 2);
        QCOMPARE(f.prompts.boxes[1].text, kTour);
        QCOMPARE(listed(f), kABCDE);
        QVERIFY(orange(f));
        f.checkBoxes();
    }

    void dragsMoveATitleAboveTheOneReleasedOn_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("B onto E") << 1 << 4 << QStringList{"A", "C", "D", "B", "E"};
        QTest::newRow("E onto B") << 4 << 1 << QStringList{"A", "E", "B", "C", "D"};
        QTest::newRow("B onto C") << 1 << 2 << kABCDE;
        QTest::newRow("B onto A") << 1 << 0 << QStringList{"B", "A", "C", "D", "E"};
        QTest::newRow("click on B") << 1 << 1 << kABCDE;
    }
    void dragsMoveATitleAboveTheOneReleasedOn() {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QStringList, after);
        MainFixture f;
        start(f, kABCDE);
        const Files before = filesIn(f.path());
        open(f);
        drag(f, from, to);
        QCOMPARE(listed(f), after);
        QCOMPARE(orange(f), after != kABCDE);
        if (after != kABCDE) QCOMPARE(list(f)->currentIndex().data().toString(), kABCDE[from]);
        // A drop that is no move leaves the colour as it was, marked or not.
        drag(f, 2, 3);
        QCOMPARE(listed(f), after);
        QCOMPARE(orange(f), after != kABCDE);
        // Only the list moved: the table and the files wait for the button.
        QCOMPARE(f.window->catalogue().titles()[2].Daimei, QStringLiteral("B"));
        QCOMPARE(filesIn(f.path()), before);
        f.checkBoxes();
    }

    void releasingPastTheLastEntryCountsAsTheLast() {
        MainFixture f;
        start(f, kABCDE);
        open(f);
        const QRect last = list(f)->visualRect(list(f)->model()->index(4, 0));
        drag(f, 1, 4, last.center() + QPoint(0, 3 * last.height()));
        QCOMPARE(listed(f), QStringList({"A", "C", "D", "B", "E"}));
        f.checkBoxes();
    }

    void applyingTheOrderRewritesTheDataAfterConfirmation() {
        MainFixture f;
        start(f, kABCDE);
        f.window->GalleryReady = true;
        open(f);
        drag(f, 4, 1);  // A E B C D
        drag(f, 0, 3);  // E B A C D
        const Files before = filesIn(f.path());

        f.prompts.planAnswer(Answer::Cancel);
        click(f, "cmdSortCng2");
        QCOMPARE(f.prompts.boxes.size(), 1);
        checkConfirmation(
            f.prompts.boxes[0], QStringLiteral("メイン並び替え確認"),
            QStringLiteral("表示順位微調整リストの順番でメインのデータも並び替えますか？"));
        QCOMPARE(filesIn(f.path()), before);
        QCOMPARE(listed(f), QStringList({"E", "B", "A", "C", "D"}));
        QVERIFY(orange(f));

        f.find<QScrollBar>("hsbData")->setValue(3);
        f.prompts.planAnswer(Answer::Ok);
        f.prompts.planAnswer(Answer::Ok);
        click(f, "cmdSortCng2");
        QCOMPARE(f.prompts.boxes.size(), 3);
        QCOMPARE(f.prompts.boxes[2].title, QStringLiteral("並び替え完了"));
        QCOMPARE(f.prompts.boxes[2].text,
                 QStringLiteral("並び替えた順番をメインの順番に反映させました。"));
        QCOMPARE(f.prompts.boxes[2].icon, Prompts::Icon::Information);

        Files expected = before;
        expected[kDataFile] = cp932(records({"E", "B", "A", "C", "D"}));
        QCOMPARE(filesIn(f.path()), expected);  // every title's other files untouched
        QCOMPARE(f.find<QScrollBar>("hsbData")->value(), 1);
        QCOMPARE(f.find<QComboBox>("cboName")->currentText(), QStringLiteral("E"));
        QCOMPARE(f.find<QComboBox>("cboName")->itemText(4), QStringLiteral("D"));
        QVERIFY(!orange(f));
        QVERIFY(!f.window->GalleryReady);
        QVERIFY(f.find<QWidget>("fraMaster")->isVisible());
        QCOMPARE(listed(f), QStringList({"E", "B", "A", "C", "D"}));
        f.checkBoxes();
    }

    void aTitleTheOrderListMissesFollowsTheOthers() {
        MainFixture f;
        start(f, kABCDE);
        open(f);
        drag(f, 1, 4);
        // A title added after the list was filled is not in the list: it keeps its
        // place after the titles the list orders.
        QVERIFY(f.window->catalogue().appendTitle(QStringLiteral("F")).isEmpty());
        const QStringList listed =
            qobject_cast<QStringListModel*>(f.find<QAbstractItemView>("lstBicho")->model())
                ->stringList();
        f.prompts.planAnswer(Answer::Ok);
        f.prompts.planAnswer(Answer::Ok);
        click(f, "cmdSortCng2");
        QCOMPARE(f.prompts.boxes.size(), 2);
        QCOMPARE(f.prompts.boxes[1].title, QStringLiteral("並び替え完了"));
        Catalogue fresh(f.path());
        fresh.LoadMainData();
        QStringList stored;
        for (int n = 1; n <= fresh.TitleCount(); ++n) stored << fresh.titles()[n].Daimei;
        QCOMPARE(stored, listed + QStringList{QStringLiteral("F")});
        QCOMPARE(fresh.titles(), f.window->catalogue().titles());
        QVERIFY(!orange(f));
        f.checkBoxes();
    }

    void savingAnEmptiedThirdItemKeepsItEmptyAfterARestart() {
        MainFixture f;
        start(f, kABCDE);
        const Files before = filesIn(f.path());
        open(f);
        f.find<QLineEdit>("txtHyouka_3")->clear();
        f.find<QLineEdit>("txtHyouka_5")->setText(QStringLiteral("ハラハラドキドキ"));
        f.prompts.planAnswer(Answer::Ok);
        click(f, "cmdHyoukaHozon");
        QCOMPARE(f.prompts.boxes.size(), 1);
        checkConfirmation(f.prompts.boxes[0], QStringLiteral("評価項目変更確認"),
                          QStringLiteral("表示中の評価項目で保存してよろしいですか？"));

        const QString saved = QStringLiteral(
            "\"総合\"\r\n\"感動・涙\"\r\n\"\"\r\n\"ほのぼの\"\r\n\"ハラハラドキドキ\"\r\n"
            "\"恐怖戦慄\"\r\n\"セクシー\"\r\n");
        Files expected = before;
        expected[kHyoukaMasterFile] = cp932(saved);
        QCOMPARE(filesIn(f.path()), expected);
        QCOMPARE(f.find<QLabel>("lblHyouka1_3")->text(), QString());
        QCOMPARE(f.find<QLabel>("lblHyouka1_5")->text(), QStringLiteral("ハラハラドキドキ"));
        f.checkBoxes();
        f.window.reset();  // the program ended; it is started again

        ScriptedPrompts prompts;
        FixedClock clock;
        frmMain again(f.path(), prompts, clock);
        again.Form_Load();
        QCOMPARE(again.findChild<QLabel*>("lblHyouka1_3")->text(), QString());
        QCOMPARE(again.findChild<QLabel*>("lblHyouka1_5")->text(),
                 QStringLiteral("ハラハラドキドキ"));
        again.findChild<QPushButton*>("cmdMaster")->click();
        QCOMPARE(again.findChild<QLineEdit*>("txtHyouka_3")->text(), QString());
        QCOMPARE(again.findChild<QLineEdit*>("txtHyouka_4")->text(), QStringLiteral("ほのぼの"));
        QVERIFY(prompts.boxes.isEmpty());
    }

    void renamingAnOwnershipItemChangesTheCardAtOnceAndNoTick() {
        MainFixture f;
        start(f, kABCDE);
        const Files before = filesIn(f.path());
        f.find<QScrollBar>("hsbData")->setValue(2);  // B: items 1 and 2 ticked
        open(f);
        f.find<QLineEdit>("txtSyoyu_2")->setText(QStringLiteral("貸し出し中の友人宅"));
        f.prompts.planAnswer(Answer::Ok);
        click(f, "lblSyoyuHozon");
        checkConfirmation(f.prompts.boxes[0], QStringLiteral("所有項目変更確認"),
                          QStringLiteral("表示中の所有項目で保存してよろしいですか？"));
        Files expected = before;
        expected[kSyoyuMasterFile] = cp932(
            QStringLiteral("\"DVD\"\r\n\"貸し出し中の友人宅\"\r\n\"ビデオ\"\r\n\"配信\"\r\n"));
        QCOMPARE(filesIn(f.path()), expected);  // no title changed

        auto* chk = f.find<QCheckBox>("chkSyoyu_2");
        QCOMPARE(chk->text(), QStringLiteral("貸し出し中の友人宅"));
        QVERIFY(chk->isChecked());
        QVERIFY(f.find<QCheckBox>("chkSyoyu_1")->isChecked());
        QVERIFY(!f.find<QCheckBox>("chkSyoyu_3")->isChecked());
        QCOMPARE(f.window->catalogue().SyoyuKoumoku[2], QStringLiteral("貸し出し中の友人宅"));
        if (auto* label = f.window->findChild<QLabel*>("lblSyoyu_2"))  // the search screen's
            QCOMPARE(label->text(), QStringLiteral("貸し出し中の友人宅"));
        f.find<QScrollBar>("hsbData")->setValue(1);
        QVERIFY(!f.find<QCheckBox>("chkSyoyu_2")->isChecked());
        f.checkBoxes();
    }

    void cancelledAndUnsavedNamesStayInTheBoxesOnly() {
        MainFixture f;
        start(f, kABCDE);
        const Files before = filesIn(f.path());
        open(f);
        f.find<QLineEdit>("txtHyouka_2")->setText(QStringLiteral("泣ける度合い"));
        f.prompts.planAnswer(Answer::Cancel);
        click(f, "cmdHyoukaHozon");
        QCOMPARE(filesIn(f.path()), before);
        QCOMPARE(f.find<QLabel>("lblHyouka1_2")->text(), QStringLiteral("感動・涙"));
        click(f, "cmdMain");
        open(f);
        QCOMPARE(f.find<QLineEdit>("txtHyouka_2")->text(), QStringLiteral("泣ける度合い"));

        // The other group's save takes none of them along.
        f.find<QLineEdit>("txtSyoyu_4")->setText(QStringLiteral("ネット配信"));
        f.prompts.planAnswer(Answer::Ok);
        click(f, "lblSyoyuHozon");
        QCOMPARE(readCp932(f.path(), kHyoukaMasterFile), kFreshHyouka);
        QCOMPARE(f.find<QLineEdit>("txtHyouka_2")->text(), QStringLiteral("泣ける度合い"));
        QCOMPARE(f.find<QLabel>("lblHyouka1_2")->text(), QStringLiteral("感動・涙"));
        f.checkBoxes();
    }

    void namesTheFilesCannotHoldAreRefusedAndNothingIsWritten_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("shown");
        QTest::newRow("double quote") << QStringLiteral("4\"K") << QStringLiteral("\"");
        QTest::newRow("not in code page 932") << QStringLiteral("Blu-ray™") << QStringLiteral("™");
    }
    void namesTheFilesCannotHoldAreRefusedAndNothingIsWritten() {
        QFETCH(QString, name);
        QFETCH(QString, shown);
        MainFixture f;
        start(f, kABCDE);
        const Files before = filesIn(f.path());
        open(f);
        f.find<QLineEdit>("txtSyoyu_1")->setText(QStringLiteral("ＤＶＤ"));
        f.find<QLineEdit>("txtSyoyu_3")->setText(name);
        f.prompts.planAnswer(Answer::Ok);
        f.prompts.planAnswer(Answer::Ok);
        click(f, "lblSyoyuHozon");
        QCOMPARE(f.prompts.boxes.size(), 2);
        QCOMPARE(f.prompts.boxes[1].icon, Prompts::Icon::Critical);
        QVERIFY2(f.prompts.boxes[1].text.contains(u'「' + shown + u'」'),
                 qPrintable(f.prompts.boxes[1].text));
        QCOMPARE(filesIn(f.path()), before);
        QCOMPARE(f.find<QCheckBox>("chkSyoyu_1")->text(), QStringLiteral("DVD"));
        QCOMPARE(f.find<QCheckBox>("chkSyoyu_3")->text(), QStringLiteral("ビデオ"));
        QCOMPARE(f.find<QLineEdit>("txtSyoyu_3")->text(), name);
        f.checkBoxes();
    }

    void aWaveDashTypedOnLinuxIsStoredAsTheFilesOwn() {
        MainFixture f;
        start(f, kABCDE);
        open(f);
        f.find<QLineEdit>("txtHyouka_1")->setText(QStringLiteral("総合〜"));  // U+301C
        f.prompts.planAnswer(Answer::Ok);
        click(f, "cmdHyoukaHozon");
        QCOMPARE(f.find<QLineEdit>("txtHyouka_1")->text(), QStringLiteral("総合～"));
        QVERIFY(readBytes(f.path(), kHyoukaMasterFile).startsWith(cp932("\"総合～\"\r\n")));
        QCOMPARE(f.find<QLabel>("lblHyouka1_1")->text(), QStringLiteral("総合～"));
        f.checkBoxes();
    }

    void aMasterThatCannotBeWrittenIsReportedAndTheLabelsStay() {
        MainFixture f;
        start(f, kABCDE);
        open(f);
        // Something that is not a file now stands where the master is written: the
        // user hears that it changed and could not be read, then that it was not saved.
        QVERIFY(QFile::remove(QDir(f.path()).filePath(kHyoukaMasterFile)));
        QVERIFY(QDir(f.path()).mkdir(kHyoukaMasterFile));
        const Files before = filesIn(f.path());
        f.find<QLineEdit>("txtHyouka_1")->setText(QStringLiteral("お気に入り度"));
        for (int i = 0; i < 3; ++i) f.prompts.planAnswer(Answer::Ok);
        click(f, "cmdHyoukaHozon");
        QCOMPARE(f.prompts.boxes.size(), 3);
        QCOMPARE(f.prompts.boxes[1].title, QStringLiteral("ほかのプログラムによる変更"));
        QVERIFY(f.prompts.boxes[1].text.contains(QStringLiteral("「%1」を読み込めませんでした").arg(kHyoukaMasterFile)));
        QCOMPARE(f.prompts.boxes[2].title, QStringLiteral("保存できません"));
        QVERIFY(f.prompts.boxes[2].text.contains(kHyoukaMasterFile));
        QCOMPARE(filesIn(f.path()), before);
        QVERIFY(QFileInfo(QDir(f.path()).filePath(kHyoukaMasterFile)).isDir());
        QCOMPARE(f.find<QLabel>("lblHyouka1_1")->text(), QStringLiteral("総合"));
        QCOMPARE(f.window->catalogue().HyoukaKoumoku[1], QStringLiteral("総合"));
        f.checkBoxes();
    }
};

REELNOTE_TEST(TestMasterFrame)
#include "tst_master_frame.moc"
