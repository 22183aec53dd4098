#include "main_fixture.h"
#include "search/search_frame.h"
#include "store/catalogue.h"
#include "test_files.h"
#include "test_registry.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QWheelEvent>

using namespace TestFiles;

namespace {
const QString kSeven = QStringLiteral("七人の侍");
const QString kYojimbo = QStringLiteral("用心棒");
const QString kTokyo = QStringLiteral("東京物語");
const QString kRoman = QStringLiteral("Roman Holiday");
const QString kRomanSmall = QStringLiteral("roman");
const QString kGone = QStringLiteral("消えた題");

QStringList dataFiles() {
    return {kDataFile, kHistoryFile, kHyoukaMasterFile, kSyoyuMasterFile, kSettingsFile};
}
}  // namespace

class TestSearchScreen : public QObject {
    Q_OBJECT
private:
    QHash<QString, QByteArray> before_;

    void start(MainFixture& f, bool helpTour = false) {
        const QString d = f.path();
        writeFreshMasters(d, helpTour);
        writeCp932(d, kDataFile,
                   titleRecord(kSeven, "黒澤明", "三船敏郎", "1954/04/26", "日本", "時代劇", "◎",
                               {}, {"○", "○"}) +
                       titleRecord(kYojimbo, "黒澤明", "三船敏郎", "1961/4/25", "日本", "時代劇",
                                   "○", {}, {"○"}) +
                       titleRecord(kTokyo, "小津安二郎", "笠智衆", "", "日本", "ドラマ") +
                       titleRecord(kRoman, "William Wyler", "Audrey Hepburn", "1953/08/27",
                                   "アメリカ", "ロマンス", "△", {}, {"", "×"}) +
                       titleRecord(kRomanSmall, "", "", "2003年5月1日", "", "", "△"));
        writeCp932(d, kHistoryFile,
                   historyRecordLine("2019/03/10", kSeven, "名画座") +
                       historyRecordLine("2019/05/04", kYojimbo, "テレビ") +
                       historyRecordLine("2019/05/10", kSeven, "DVD") +
                       historyRecordLine("2019/05/30", kSeven, "テレビ") +
                       historyRecordLine("2019/06/01", kTokyo, "DVD"));
        writeCp932(d, "メモ_" + kSeven + ".txt", "雨の決戦。\r\n雨、雨、雨。\r\n");
        writeCp932(d, "メモ_" + kTokyo + ".TXT", "雨の日に観た\r\n");
        writeCp932(d, "メモ_" + kGone + ".txt", "雨ではない,\"雨\"\r\n");
        writeCp932(d, "メモ_" + kRoman + ".txt", "Rain, rain\r\n");
        writeCp932(d, "キャスト_" + kYojimbo + ".txt", "三船敏郎\r\n仲代達矢\r\n");
        before_.clear();
        for (const QString& name : dataFiles()) before_[name] = readBytes(d, name);
        f.start();
    }
    // Searching reads and never writes: every data file keeps its bytes.
    void checkFilesUnchanged(MainFixture& f) {
        for (const QString& name : dataFiles())
            QVERIFY2(readBytes(f.path(), name) == before_[name], qPrintable(name));
    }

    SearchFrame* open(MainFixture& f) {
        QTest::mouseClick(f.find<QPushButton>("cmdKensaku"), Qt::LeftButton);
        return f.find<SearchFrame>("fraKensaku");
    }
    QStringList results(MainFixture& f) {
        QStringList out;
        const QAbstractItemModel* m = f.find<QListView>("lstDaimei")->model();
        for (int r = 0; r < m->rowCount(); ++r) out << m->index(r, 0).data().toString();
        return out;
    }
    QString count(MainFixture& f) { return f.find<QGroupBox>("fraKensu")->title(); }
    QStringList items(QComboBox* c) {
        QStringList out;
        for (int i = 0; i < c->count(); ++i) out << c->itemText(i);
        return out;
    }
    // A pick as the user makes it: the list opens, an item is chosen with Enter.
    void pick(MainFixture& f, const QString& combo, const QString& text) {
        auto* c = f.find<QComboBox>(combo);
        const int i = c->findText(text, Qt::MatchExactly);
        QVERIFY2(i >= 0, qPrintable(text));
        c->showPopup();
        QAbstractItemView* view = c->view();
        QVERIFY(view->isVisible());
        view->setCurrentIndex(c->model()->index(i, 0));
        QTest::keyClick(view, Qt::Key_Return);
        QVERIFY(!view->isVisible());
    }
    void choose(MainFixture& f, const QString& list, const QString& text) {
        auto* l = f.find<QListWidget>(list);
        const QList<QListWidgetItem*> found = l->findItems(text, Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, l->visualItemRect(found[0]).center());
    }
    void enter(MainFixture& f, const QString& box, const QString& text) {
        auto* b = f.find<QLineEdit>(box);
        b->setText(text);
        QTest::keyClick(b, Qt::Key_Return);
    }
    void doubleClick(MainFixture& f, const QString& name) {
        auto* list = f.find<QListView>("lstDaimei");
        const int row = int(results(f).indexOf(name));
        QVERIFY(row >= 0);
        const QRect r = list->visualRect(list->model()->index(row, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, r.center());
    }

private slots:
    void openingFillsTheListsAndKeepsTheLastResult() {
        MainFixture f;
        for (int i = 0; i < 3; ++i) f.prompts.planAnswer(Prompts::Answer::Ok);
        start(f, true);
        QCOMPARE(f.prompts.boxes.size(), 2);  // the start-up tour
        open(f);
        QVERIFY(!f.find<QWidget>("fraKensaku")->isHidden());
        QVERIFY(f.find<QWidget>("fraMain")->isHidden());
        QVERIFY(!f.find<QPushButton>("cmdDel")->isEnabled());
        QCOMPARE(f.prompts.boxes.size(), 3);
        const auto& tour = f.prompts.boxes.last();
        QCOMPARE(tour.title, QStringLiteral("ヘルプツアー"));
        QCOMPARE(tour.icon, Prompts::Icon::Information);
        QCOMPARE(
            tour.text,
            QStringLiteral(
                "タイトルに使われている「語句」や「監督名」、「主演」、「ジャンル」などの情報を"
                "使って\r\nタイトルの検索をすることができます。\r\n\r\n「監督名」や「主演」など"
                "、コンボボックスになっているところはリストから選ぶと該当が表示されます。\r\n"
                "「タイトル」や「キャスト」、「あらすじ」「メモ」などは任意の語句を入れてＥｎｔ"
                "ｅｒキーを押します。\r\n入力した文字が含まれるタイトルを全て表示します。\r\n\r\n"
                "「評価」では◎や△を、「所有状況」では有り、無しをクリックすることで該当を表示"
                "します。\r\n\r\n※検索でリストアップされたタイトルをダブルクリックするとメイン"
                "表示に切り替わります。\r\n\r\n"));

        Catalogue& cat = f.window->catalogue();
        QCOMPARE(items(f.find<QComboBox>("cboKantoku2")),
                 cat.pickList(PickList::Kantoku)->stringList());
        QCOMPARE(items(f.find<QComboBox>("cboSyuen2")),
                 cat.pickList(PickList::Syuen)->stringList());
        QCOMPARE(items(f.find<QComboBox>("cboKuni2")), cat.pickList(PickList::Kuni)->stringList());
        QCOMPARE(items(f.find<QComboBox>("cboJanru2")),
                 cat.pickList(PickList::Janru)->stringList());
        // The periods in month order, whatever order the files met them in.
        for (const char* name : {"cboKoukai2_0", "cboKoukai2_1"})
            QCOMPARE(items(f.find<QComboBox>(name)),
                     (QStringList{"1953/08", "1954/04", "1961/4/", "2003年5月"}));
        for (const char* name : {"cboKansyou2_0", "cboKansyou2_1"})
            QCOMPARE(items(f.find<QComboBox>(name)),
                     (QStringList{"2019/03", "2019/05", "2019/06"}));
        QCOMPARE(items(f.find<QComboBox>("cboKansyou3")), (QStringList{"名画座", "テレビ", "DVD"}));
        for (const char* name : {"cboKantoku2", "cboKoukai2_0", "cboKansyou3"}) {
            QCOMPARE(f.find<QComboBox>(name)->currentIndex(), -1);
            QCOMPARE(f.find<QComboBox>(name)->currentText(), QString());
        }
        const auto choices = [&](const QString& name) {
            QStringList out;
            auto* l = f.find<QListWidget>(name);
            for (int i = 0; i < l->count(); ++i) out << l->item(i)->text();
            return out;
        };
        QCOMPARE(choices("lstHyouka"), (QStringList{"◎", "○", "△", "未"}));
        for (const char* name : {"lstSyoyu_1", "lstSyoyu_4", "lstCast", "lstArasuji", "lstMemo"})
            QCOMPARE(choices(name), (QStringList{"有り", "無し"}));
        QCOMPARE(f.find<QLabel>("lblSyoyu_1")->text(), QStringLiteral("DVD"));
        QCOMPARE(f.find<QLabel>("lblSyoyu_4")->text(), QStringLiteral("配信"));
        QCOMPARE(count(f), QStringLiteral("検索件数"));

        enter(f, "txtNamae", "の");
        QCOMPARE(results(f), QStringList{kSeven});
        QCOMPARE(count(f), QStringLiteral("検索件数　1件"));
        f.find<QLineEdit>("txtMemo")->setText("下書き");

        // Away and back: new values appear; the words and the result stay.
        QTest::mouseClick(f.find<QPushButton>("cmdMain"), Qt::LeftButton);
        QVERIFY(cat.addAttributeValue(1, "新しい監督"));
        f.prompts.planAnswer(Prompts::Answer::Ok);
        open(f);
        QVERIFY(items(f.find<QComboBox>("cboKantoku2")).contains("新しい監督"));
        QCOMPARE(f.find<QLineEdit>("txtNamae")->text(), QStringLiteral("の"));
        QCOMPARE(f.find<QLineEdit>("txtMemo")->text(), QStringLiteral("下書き"));
        QCOMPARE(results(f), QStringList{kSeven});
        QCOMPARE(count(f), QStringLiteral("検索件数　1件"));

        // Pressed again while showing: nothing is refilled and no tour box appears.
        f.find<QComboBox>("cboKantoku2")->setEditText("入力中");
        open(f);
        QCOMPARE(f.find<QComboBox>("cboKantoku2")->currentText(), QStringLiteral("入力中"));
        QCOMPARE(f.prompts.boxes.size(), 4);
        // Opened again from another screen, the combos start empty once more.
        pick(f, "cboKoukai2_0", "1954/04");
        QTest::mouseClick(f.find<QPushButton>("cmdMain"), Qt::LeftButton);
        f.prompts.planAnswer(Prompts::Answer::Ok);
        open(f);
        for (const char* name : {"cboKantoku2", "cboKoukai2_0"}) {
            QCOMPARE(f.find<QComboBox>(name)->currentIndex(), -1);
            QCOMPARE(f.find<QComboBox>(name)->currentText(), QString());
        }
        f.checkBoxes();
        checkFilesUnchanged(f);
    }

    void everyCriterionSearchesAlone() {
        MainFixture f;
        start(f);
        open(f);
        enter(f, "txtNamae", "oman");
        QCOMPARE(results(f), (QStringList{kRoman, kRomanSmall}));
        QCOMPARE(count(f), QStringLiteral("検索件数　2件"));
        enter(f, "txtNamae", "Ｒｏｍａｎ");  // width counts
        QCOMPARE(count(f), QStringLiteral("検索件数　0件"));

        pick(f, "cboKantoku2", "黒澤明");
        QCOMPARE(results(f), (QStringList{kSeven, kYojimbo}));
        pick(f, "cboSyuen2", "笠智衆");
        QCOMPARE(results(f), QStringList{kTokyo});
        pick(f, "cboKuni2", "日本");
        QCOMPARE(results(f), (QStringList{kSeven, kYojimbo, kTokyo}));
        pick(f, "cboJanru2", "ロマンス");
        QCOMPARE(results(f), QStringList{kRoman});
        QCOMPARE(count(f), QStringLiteral("検索件数　1件"));

        // Release period: the upper bound alone finds the empty release date too.
        pick(f, "cboKoukai2_1", "1954/04");
        QCOMPARE(results(f), (QStringList{kSeven, kTokyo, kRoman}));
        pick(f, "cboKoukai2_0", "1954/04");
        QCOMPARE(results(f), QStringList{kSeven});
        f.find<QComboBox>("cboKoukai2_1")->clearEditText();
        pick(f, "cboKoukai2_0", "1961/4/");  // the month of 1961/4/25, from it on
        QCOMPARE(results(f), (QStringList{kYojimbo, kRomanSmall}));

        choose(f, "lstHyouka", "未");
        QCOMPARE(results(f), QStringList{kTokyo});
        choose(f, "lstSyoyu_2", "有り");
        QCOMPARE(results(f), QStringList{kSeven});
        choose(f, "lstSyoyu_2", "無し");  // "×" is not "○"
        QCOMPARE(results(f), (QStringList{kYojimbo, kTokyo, kRoman, kRomanSmall}));
        QCOMPARE(count(f), QStringLiteral("検索件数　4件"));

        // A viewing period lists every viewing in it: three in May 2019.
        pick(f, "cboKansyou2_0", "2019/05");
        QCOMPARE(results(f), (QStringList{kYojimbo, kSeven, kSeven, kTokyo}));
        pick(f, "cboKansyou2_1", "2019/05");
        QCOMPARE(results(f), (QStringList{kYojimbo, kSeven, kSeven}));
        QCOMPARE(count(f), QStringLiteral("検索件数　3件"));
        pick(f, "cboKansyou3", "テレビ");
        QCOMPARE(results(f), (QStringList{kYojimbo, kSeven}));

        // The texts: a memo whose title is gone still counts as a memo.
        choose(f, "lstMemo", "有り");
        QCOMPARE(results(f).size(), 4);
        QVERIFY(results(f).contains(kGone));
        QVERIFY(results(f).contains(kTokyo));  // its file is spelled .TXT
        choose(f, "lstMemo", "無し");
        QCOMPARE(results(f), (QStringList{kYojimbo, kRomanSmall}));
        choose(f, "lstCast", "有り");
        QCOMPARE(results(f), QStringList{kYojimbo});
        choose(f, "lstArasuji", "無し");
        QCOMPARE(results(f).size(), 5);
        // A word found several times adds its title once.
        enter(f, "txtMemo", "雨");
        QCOMPARE(results(f).size(), 3);
        QVERIFY(!results(f).contains(kRoman));
        QCOMPARE(count(f), QStringLiteral("検索件数　3件"));
        enter(f, "txtMemo", "rain");
        QCOMPARE(results(f), QStringList{kRoman});
        enter(f, "txtCast", "仲代");
        QCOMPARE(results(f), QStringList{kYojimbo});
        enter(f, "txtArasuji", "雨");
        QCOMPARE(count(f), QStringLiteral("検索件数　0件"));
        QCOMPARE(f.prompts.busyDepth, 0);
        f.checkBoxes();
        checkFilesUnchanged(f);
    }

    void onlyADeliberateActSearches() {
        MainFixture f;
        start(f);
        open(f);
        choose(f, "lstHyouka", "◎");
        QCOMPARE(results(f), QStringList{kSeven});
        const QString shown = count(f);

        auto* kantoku = f.find<QComboBox>("cboKantoku2");
        // A wheel turn over the closed combo.
        QWheelEvent wheel(QPointF(5, 5), kantoku->mapToGlobal(QPointF(5, 5)), QPoint(),
                          QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(kantoku, &wheel);
        QCOMPARE(kantoku->currentIndex(), -1);
        // Arrow keys over the closed combo.
        QTest::keyClick(kantoku, Qt::Key_Down);
        QTest::keyClick(kantoku, Qt::Key_PageDown);
        QCOMPARE(kantoku->currentIndex(), -1);
        // A known text typed and the box left: Qt calls that activated, it is no pick.
        kantoku->setEditText("黒澤明");
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(kantoku, &out);
        QApplication::sendEvent(kantoku->lineEdit(), &out);
        // The focus entering a list makes an item current without choosing it.
        QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
        QApplication::sendEvent(f.find<QListWidget>("lstSyoyu_1"), &in);
        // Enter in an empty word box.
        enter(f, "txtNamae", "");
        enter(f, "txtMemo", "");
        QCOMPARE(results(f), QStringList{kSeven});
        QCOMPARE(count(f), shown);

        // Enter in the combo is deliberate: it searches for the typed text.
        QTest::keyClick(kantoku, Qt::Key_Return);
        QCOMPARE(results(f), (QStringList{kSeven, kYojimbo}));
        // Choosing the chosen mark again searches again.
        choose(f, "lstHyouka", "◎");
        QCOMPARE(results(f), QStringList{kSeven});
        // So does a move with the keys in a list.
        auto* hyouka = f.find<QListWidget>("lstHyouka");
        QTest::keyClick(hyouka, Qt::Key_Right);
        QCOMPARE(results(f), QStringList{kYojimbo});
        f.checkBoxes();
        checkFilesUnchanged(f);
    }

    void doubleClickOpensTheTitleAndMainComesBackToIt() {
        MainFixture f;
        start(f);
        auto* hsb = f.find<QScrollBar>("hsbData");
        // A memo whose title is gone names no title, and none was picked yet: the
        // card is not given one.
        open(f);
        choose(f, "lstMemo", "有り");
        hsb->setValue(3);
        f.prompts.planAnswer(Prompts::Answer::Ok);
        doubleClick(f, kGone);
        QCOMPARE(f.prompts.boxes.last().title, QStringLiteral("検索"));
        QVERIFY(f.prompts.boxes.last().text.contains(kGone));
        QVERIFY(!f.find<QWidget>("fraKensaku")->isHidden());
        QCOMPARE(hsb->value(), 3);

        pick(f, "cboKantoku2", "黒澤明");
        doubleClick(f, kYojimbo);
        QVERIFY(!f.find<QWidget>("fraMain")->isHidden());
        QVERIFY(f.find<QWidget>("fraKensaku")->isHidden());
        QVERIFY(f.find<QPushButton>("cmdDel")->isEnabled());
        QCOMPARE(hsb->value(), 2);
        QCOMPARE(f.find<QComboBox>("cboName")->currentText(), kYojimbo);

        // Paged on, away to the search and back with "メイン": the chosen title again.
        hsb->setValue(4);
        open(f);
        QCOMPARE(results(f), (QStringList{kSeven, kYojimbo}));
        QTest::mouseClick(f.find<QPushButton>("cmdMain"), Qt::LeftButton);
        QCOMPARE(hsb->value(), 2);

        // Now the card comes back to the title chosen before, and stays its way back.
        open(f);
        choose(f, "lstMemo", "有り");
        hsb->setValue(3);
        doubleClick(f, kGone);
        QVERIFY(!f.find<QWidget>("fraMain")->isHidden());
        QCOMPARE(hsb->value(), 2);
        hsb->setValue(3);
        open(f);
        QTest::mouseClick(f.find<QPushButton>("cmdMain"), Qt::LeftButton);
        QCOMPARE(hsb->value(), 2);
        f.checkBoxes();
        checkFilesUnchanged(f);
    }

    // Like every list, the result offers "CSVで書き出す…" on a right click: the
    // names as shown, under the column's name.
    void theResultGoesToASpreadsheetFile() {
        MainFixture f;
        start(f);
        open(f);
        pick(f, "cboKantoku2", "黒澤明");
        auto* list = f.find<QListView>("lstDaimei");
        QCOMPARE(list->contextMenuPolicy(), Qt::CustomContextMenu);
        emit list->customContextMenuRequested(QPoint(5, 5));
        QAction* action = nullptr;
        for (QMenu* menu : list->findChildren<QMenu*>())
            for (QAction* a : menu->actions())
                if (a->text() == QStringLiteral("CSVで書き出す…")) action = a;
        QVERIFY(action);
        const QString out = QDir(f.path()).filePath("result.csv");
        f.prompts.planInput(out);
        action->trigger();
        QCOMPARE(f.prompts.boxes.size(), 1);
        QVERIFY(f.prompts.boxes[0].defaultText.endsWith(QStringLiteral("/検索結果.csv")));
        QCOMPARE(
            readBytes(f.path(), "result.csv"),
            "\xEF\xBB\xBF" +
                (QStringLiteral("タイトル名\r\n") + kSeven + "\r\n" + kYojimbo + "\r\n").toUtf8());
        f.checkBoxes();
        checkFilesUnchanged(f);
    }

    void anUnreadableTextIsPassedOver() {
        MainFixture f;
        // A text the directory lists but nobody can read: a link to nothing.
        QVERIFY(QFile::link(QDir(f.path()).filePath("どこにもない.txt"),
                            QDir(f.path()).filePath("メモ_壊れた.txt")));
        start(f);
        QVERIFY(f.window->catalogue().dir().exists("メモ_壊れた.txt"));
        open(f);
        enter(f, "txtMemo", "雨");
        QCOMPARE(results(f).size(), 3);
        QCOMPARE(count(f), QStringLiteral("検索件数　3件"));
        QCOMPARE(f.prompts.busyDepth, 0);
        f.checkBoxes();
    }

    void aLongSearchLeavesTheWindowFree() {
        MainFixture f;
        for (int i = 0; i < 400; ++i)
            writeCp932(f.path(), QStringLiteral("メモ_追加%1.txt").arg(i, 3, 10, QLatin1Char('0')),
                       i % 100 == 7 ? "晴れのち雨\r\n" : "晴れ\r\n");
        start(f);
        SearchFrame* frame = open(f);
        frame->setPatience(0);
        enter(f, "txtMemo", "雨");
        // The result arrives in the event loop, whether or not the worker was done at once.
        QTRY_VERIFY(!frame->searching());
        QCOMPARE(results(f).size(), 7);
        QCOMPARE(count(f), QStringLiteral("検索件数　7件"));
        QCOMPARE(f.prompts.busyDepth, 0);

        // Another search meanwhile wins; the word search's result never replaces it.
        enter(f, "txtMemo", "晴れ");
        choose(f, "lstHyouka", "未");
        QVERIFY(!frame->searching());
        QCOMPARE(f.prompts.busyDepth, 0);
        QTest::qWait(200);
        QCOMPARE(results(f), QStringList{kTokyo});
        QCOMPARE(count(f), QStringLiteral("検索件数　1件"));

        // A word search in flight when the window closes is stopped and waited for.
        enter(f, "txtMemo", "晴れ");
        f.window.reset();
        QCOMPARE(f.prompts.busyDepth, 0);
        f.checkBoxes();
    }
};

REELNOTE_TEST(TestSearchScreen)
#include "tst_search_screen.moc"
