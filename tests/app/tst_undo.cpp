#include "../store/disk_faults.h"
#include "combo_gestures.h"
#include "main_fixture.h"
#include "shell/flex_grid.h"
#include "store/catalogue.h"
#include "test_files.h"
#include "test_registry.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QStringListModel>

#include <functional>

using namespace TestFiles;
using Answer = Prompts::Answer;

namespace {
const QStringList kViewings = {historyRecordLine("2024/01/01", "甲", "映画館"),
                               historyRecordLine("2024/02/01", "乙", "DVD"),
                               historyRecordLine("2024/03/01", "甲", "DVD"),
                               historyRecordLine("2024/04/01", "甲", "テレビ")};

// Every pick list, as the combos show them.
QList<QStringList> pickLists(Catalogue& c) {
    QList<QStringList> lists;
    for (int p = 0; p < int(PickList::Count); ++p)
        lists << c.pickList(PickList(p))->stringList();
    return lists;
}

// What a fresh start on the folder would show.
QList<QStringList> freshLists(const QString& dir) {
    Catalogue fresh(dir);
    fresh.LoadMainData();
    fresh.LoadKansyouRireki();
    return pickLists(fresh);
}
}  // namespace

// Every change the program writes is one step of the undo history: taken back
// with Ctrl+Z and done again with Ctrl+Shift+Z (or Ctrl+Y), each through the same
// checked write, each leaving the files and the lists as they were.
class TestUndo : public QObject {
    Q_OBJECT
private:
    void start(MainFixture& f) {
        writeFreshMasters(f.path(), false);
        writeCp932(f.path(), kDataFile,
                   titleRecord("甲", "黒澤明", "三船敏郎", "1954/04/26", "日本", "時代劇") +
                       titleRecord("乙", "小津安二郎") + titleRecord("丙", "溝口健二"));
        writeCp932(f.path(), kHistoryFile, kViewings.join(QString()));
        writeBytes(f.path(), QStringLiteral("甲.jpg"), "not really a picture");
        f.start();
        QVERIFY(ComboGestures::activate(f.window.get()));
    }
    void key(MainFixture& f, Qt::KeyboardModifiers mods, Qt::Key k = Qt::Key_Z) {
        QTest::keyClick(f.window.get(), k, mods);
    }
    // The folder and the lists after gesture, after Ctrl+Z and after Ctrl+Shift+Z.
    void doUndoRedo(MainFixture& f, const std::function<void()>& gesture, const QString& step) {
        const auto before = snapshot(f.path());
        gesture();
        const auto after = snapshot(f.path());
        QVERIFY2(after != before, "the gesture changed nothing");

        key(f, Qt::ControlModifier);
        QCOMPARE(snapshot(f.path()), before);
        QCOMPARE(pickLists(f.window->catalogue()), freshLists(f.path()));
        QCOMPARE(f.window->noticeText(), QStringLiteral("元に戻しました: ") + step);

        key(f, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(snapshot(f.path()), after);
        QCOMPARE(pickLists(f.window->catalogue()), freshLists(f.path()));
        QCOMPARE(f.window->noticeText(), QStringLiteral("やり直しました: ") + step);
        key(f, Qt::ControlModifier);
        key(f, Qt::ControlModifier, Qt::Key_Y);
        QCOMPARE(snapshot(f.path()), after);
    }
    // Right-clicks row of the card's viewing grid and takes item of its menu.
    void viewingMenu(MainFixture& f, int row, const QString& item) {
        auto* g = f.find<FlexGrid>("msgKansyou");
        const QPoint at = g->visualRect(g->grid()->index(row - 1, 1)).center();
        emit g->customContextMenuRequested(at);
        auto* menu = g->findChild<QMenu*>(QStringLiteral("mnuKansyou"));
        QVERIFY(menu);
        for (QAction* a : menu->actions())
            if (a->text() == item) a->trigger();
        menu->close();
    }

private slots:
    void cardEdits() {
        MainFixture f;
        start(f);
        auto* score = f.find<QComboBox>("cboHyouka1_3");
        doUndoRedo(
            f, [&] { QVERIFY(ComboGestures::pickWithMouse(score, score->findText("8"))); },
            QStringLiteral("「笑い」の点数の変更 「甲」"));
        auto* kantoku = f.find<QComboBox>("cboKantoku");
        doUndoRedo(
            f,
            [&] {
                ComboGestures::typeOver(kantoku, QStringLiteral("新しい監督"));
                QTest::keyClick(kantoku->lineEdit(), Qt::Key_Return);
                f.window->setFocus();
            },
            QStringLiteral("監督の変更 「甲」"));
        doUndoRedo(
            f, [&] { QTest::mouseClick(f.find<QCheckBox>("chkSyoyu_2"), Qt::LeftButton); },
            QStringLiteral("所有「ブルーレイ」の変更 「甲」"));
        // The card shows the title the step concerned.
        f.find<CardFrame>("fraMain")->setCurrent(3);
        key(f, Qt::ControlModifier);
        QCOMPARE(f.find<QComboBox>("cboName")->currentText(), QStringLiteral("甲"));
        f.checkBoxes();
    }

    // In a text box being edited, Ctrl+Z is the box's own.
    void aTextBoxKeepsItsOwnUndo() {
        MainFixture f;
        start(f);
        auto* score = f.find<QComboBox>("cboHyouka1_3");
        QVERIFY(ComboGestures::pickWithMouse(score, score->findText("8")));
        const auto after = snapshot(f.path());
        auto* kantoku = f.find<QComboBox>("cboKantoku");
        ComboGestures::typeOver(kantoku, QStringLiteral("x"));
        QTest::keyClick(kantoku->lineEdit(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(snapshot(f.path()), after);
        QCOMPARE(kantoku->currentText(), QStringLiteral("黒澤明"));
        f.checkBoxes();
    }

    void newTitle() {
        MainFixture f;
        start(f);
        doUndoRedo(
            f,
            [&] {
                f.prompts.planInput(QStringLiteral("新作"));
                f.click("cmdNew");
            },
            QStringLiteral("新規 「新作」"));
        f.checkBoxes();
    }

    void deletedTitle() {
        MainFixture f;
        start(f);
        // The deleted title's picture goes to the desktop's trash and comes back.
        const QString trash =
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
            QStringLiteral("/Trash/files/甲.jpg");
        doUndoRedo(
            f,
            [&] {
                f.prompts.planAnswer(Answer::Ok);
                f.click("cmdDel");
                QVERIFY(QFile::exists(trash));
            },
            QStringLiteral("削除 「甲」"));
        key(f, Qt::ControlModifier);
        QVERIFY(!QFile::exists(trash));
        QCOMPARE(readBytes(f.path(), QStringLiteral("甲.jpg")), QByteArray("not really a picture"));
        QCOMPARE(f.find<QComboBox>("cboName")->currentText(), QStringLiteral("甲"));
        f.checkBoxes();
    }

    void freeTextAndMasters() {
        MainFixture f;
        start(f);
        f.click("cmdHyouji4");
        doUndoRedo(
            f,
            [&] {
                f.find<QPlainTextEdit>("txtSubData_3")->setPlainText(QStringLiteral("感想"));
                f.click("cmdSubData3");
            },
            QStringLiteral("感想・メモの保存 「甲」"));
        f.click("cmdMaster");
        doUndoRedo(
            f,
            [&] {
                f.find<QLineEdit>("txtHyouka_3")->setText(QStringLiteral("泣ける"));
                f.prompts.planAnswer(Answer::Ok);
                f.click("cmdHyoukaHozon");
            },
            QStringLiteral("評価項目名の変更"));
        QCOMPARE(f.find<QLineEdit>("txtHyouka_3")->text(), QStringLiteral("泣ける"));
        f.checkBoxes();
    }

    void reorders() {
        MainFixture f;
        start(f);
        f.click("cmdIchiran");
        auto* g = f.find<FlexGrid>("msgIchiran");
        QHeaderView* h = g->horizontalHeader();
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                          QPoint(h->sectionViewportPosition(1) + 5, h->height() / 2));
        doUndoRedo(
            f,
            [&] {
                f.prompts.planAnswer(Answer::Ok);
                f.prompts.planAnswer(Answer::Ok);
                f.click("cmdSortCng1");
            },
            QStringLiteral("メインに反映"));
        f.click("cmdMaster");
        auto* model =
            qobject_cast<QStringListModel*>(f.find<QAbstractItemView>("lstBicho")->model());
        doUndoRedo(
            f,
            [&] {
                QStringList order = model->stringList();
                order.move(0, 2);
                model->setStringList(order);
                f.prompts.planAnswer(Answer::Ok);
                f.prompts.planAnswer(Answer::Ok);
                f.click("cmdSortCng2");
            },
            QStringLiteral("表示順の変更"));
        f.checkBoxes();
    }

    // Viewings saved, corrected and deleted from the card's grid, at the start, in
    // the middle and at the end of the file, and a correction that moves a viewing
    // past those of other dates; the file stays in date order.
    void viewings_data() {
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QStringList>("expected");
        const QString v1 = kViewings[0], v2 = kViewings[1], v3 = kViewings[2], v4 = kViewings[3];
        const auto rec = [](const char* d, const char* c) { return historyRecordLine(d, "甲", c); };
        QTest::newRow("save, first") << "save" << 0 << "2023/12/01"
                                     << QStringList{rec("2023/12/01", "配信"), v1, v2, v3, v4};
        QTest::newRow("correct the first") << "correct" << 1 << "2024/01/02"
                                           << QStringList{rec("2024/01/02", "配信"), v2, v3, v4};
        QTest::newRow("correct the middle past others")
            << "correct" << 2 << "2024/01/15" << QStringList{v1, rec("2024/01/15", "配信"), v2, v4};
        QTest::newRow("correct the last") << "correct" << 3 << "2024/05/01"
                                          << QStringList{v1, v2, v3, rec("2024/05/01", "配信")};
        QTest::newRow("delete the first") << "delete" << 1 << "" << QStringList{v2, v3, v4};
        QTest::newRow("delete the middle") << "delete" << 2 << "" << QStringList{v1, v2, v4};
        QTest::newRow("delete the last") << "delete" << 3 << "" << QStringList{v1, v2, v3};
    }
    void viewings() {
        QFETCH(QString, what);
        QFETCH(int, row);
        QFETCH(QString, date);
        QFETCH(QStringList, expected);
        MainFixture f;
        start(f);
        const QString step = what == "save"      ? QStringLiteral("鑑賞履歴の保存 「甲」")
                             : what == "correct" ? QStringLiteral("鑑賞履歴の修正 「甲」")
                                                 : QStringLiteral("鑑賞履歴の削除 「甲」");
        doUndoRedo(
            f,
            [&] {
                if (what == "delete") {
                    f.prompts.planAnswer(Answer::Ok);
                    viewingMenu(f, row, QStringLiteral("この鑑賞記録を削除"));
                    return;
                }
                if (what == "save")
                    f.find<CardFrame>("fraMain")->msgKansyou_DblClick();
                else
                    viewingMenu(f, row, QStringLiteral("この鑑賞記録を修正…"));
                f.find<QLineEdit>("txtKansyoubi")->setText(date);
                f.find<QComboBox>("cboKansyou")->setEditText(QStringLiteral("配信"));
                f.click("cmdRirekiHozon");
                QCOMPARE(readCp932(f.path(), kHistoryFile), expected.join(QString()));
            },
            step);
        if (what == "delete") {
            const auto& box = f.prompts.boxes.first();
            QCOMPARE(box.text, QStringLiteral("この鑑賞記録を削除していいですか？"));
            QCOMPARE(box.icon, Prompts::Icon::Exclamation);
            QCOMPARE(box.buttons, Prompts::Buttons::OkCancel);
        }
        QCOMPARE(readCp932(f.path(), kHistoryFile), expected.join(QString()));
        f.checkBoxes();
    }

    // Taken back, a step gives the files back byte for byte: a corrected viewing
    // returns to its place among the others of its date, and a memo that was an
    // empty file is an empty file again, not a missing one.
    void undoGivesBackTheBytes() {
        MainFixture f;
        writeFreshMasters(f.path(), false);
        writeCp932(f.path(), kDataFile, titleRecord("甲", "黒澤明") + titleRecord("乙", "小津安二郎"));
        writeCp932(f.path(), kHistoryFile,
                   historyRecordLine("2024/01/01", "甲", "映画館") +
                       historyRecordLine("2024/01/01", "乙", "DVD") +
                       historyRecordLine("2024/01/03", "乙", "DVD"));
        writeBytes(f.path(), QStringLiteral("メモ_甲.txt"), QByteArray());
        f.start();
        QVERIFY(ComboGestures::activate(f.window.get()));
        doUndoRedo(
            f,
            [&] {
                viewingMenu(f, 1, QStringLiteral("この鑑賞記録を修正…"));
                f.find<QLineEdit>("txtKansyoubi")->setText(QStringLiteral("2024/01/02"));
                f.click("cmdRirekiHozon");
            },
            QStringLiteral("鑑賞履歴の修正 「甲」"));
        f.click("cmdHyouji4");
        doUndoRedo(
            f,
            [&] {
                f.find<QPlainTextEdit>("txtSubData_3")->setPlainText(QStringLiteral("感想"));
                f.click("cmdSubData3");
            },
            QStringLiteral("感想・メモの保存 「甲」"));
        f.checkBoxes();
    }

    // A text saved empty goes to the trash like every file the program deletes.
    void anEmptiedTextGoesToTheTrash() {
        MainFixture f;
        start(f);
        writeCp932(f.path(), QStringLiteral("メモ_乙.txt"), QStringLiteral("感想\r\n"));
        f.find<CardFrame>("fraMain")->setCurrent(2);
        f.click("cmdHyouji4");
        f.find<QPlainTextEdit>("txtSubData_3")->setPlainText(QString());
        f.click("cmdSubData3");
        QVERIFY(!QFile::exists(f.path() + QStringLiteral("/メモ_乙.txt")));
        QCOMPARE(readCp932(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                               QStringLiteral("/Trash/files"),
                           QStringLiteral("メモ_乙.txt")),
                 QStringLiteral("感想\r\n"));
        f.checkBoxes();
    }

    // A field another program changed after the step is theirs: the step is
    // refused, saying so, and their value stays.
    void undoLeavesAFieldChangedElsewhere() {
        MainFixture f;
        start(f);
        auto* kantoku = f.find<QComboBox>("cboKantoku");
        ComboGestures::typeOver(kantoku, QStringLiteral("監督B"));
        QTest::keyClick(kantoku->lineEdit(), Qt::Key_Return);
        f.window->setFocus();
        const QString theirs =
            titleRecord("甲", "監督C", "三船敏郎", "1954/04/26", "日本", "時代劇") +
            titleRecord("乙", "小津安二郎") + titleRecord("丙", "溝口健二");
        writeCp932(f.path(), QStringLiteral(".sync.tmp"), theirs);
        QVERIFY(QFile::rename(f.path() + QStringLiteral("/.sync.tmp"),
                              f.path() + u'/' + kDataFile) ||
                (QFile::remove(f.path() + u'/' + kDataFile) &&
                 QFile::rename(f.path() + QStringLiteral("/.sync.tmp"),
                               f.path() + u'/' + kDataFile)));
        f.prompts.planAnswer(Answer::Ok);  // told of the change
        f.prompts.planAnswer(Answer::Ok);  // why it cannot be taken back
        key(f, Qt::ControlModifier);
        QCOMPARE(readCp932(f.path(), kDataFile), theirs);
        QCOMPARE(f.prompts.boxes.last().title, QStringLiteral("元に戻せません"));
        QVERIFY(f.prompts.boxes.last().text.contains(QStringLiteral("監督")));
        f.checkBoxes();
    }

    // A 削除 taken back whose picture the trash no longer has: the title is back,
    // the user told, and the next Ctrl+Z takes back the step before it.
    void aPartlyUndoneStepIsPassedOver() {
        MainFixture f;
        start(f);
        auto* score = f.find<QComboBox>("cboHyouka1_3");
        QVERIFY(ComboGestures::pickWithMouse(score, score->findText("8")));
        f.prompts.planAnswer(Answer::Ok);
        f.click("cmdDel");
        const QString trash =
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
            QStringLiteral("/Trash/files/甲.jpg");
        QVERIFY(QFile::remove(trash));  // the trash was emptied
        f.prompts.planAnswer(Answer::Ok);
        key(f, Qt::ControlModifier);
        QCOMPARE(f.prompts.boxes.last().title, QStringLiteral("元に戻しました"));
        QVERIFY(f.prompts.boxes.last().text.contains(QStringLiteral("甲.jpg")));
        QCOMPARE(f.window->catalogue().titles().find(QStringLiteral("甲")), 1);
        key(f, Qt::ControlModifier);
        QCOMPARE(f.window->noticeText(),
                 QStringLiteral("元に戻しました: 「笑い」の点数の変更 「甲」"));
        QCOMPARE(readCp932(f.path(), kDataFile),
                 titleRecord("甲", "黒澤明", "三船敏郎", "1954/04/26", "日本", "時代劇") +
                     titleRecord("乙", "小津安二郎") + titleRecord("丙", "溝口健二"));
        f.checkBoxes();
    }

    // After Enter the box shows what was saved: Ctrl+Z there is the window's, and
    // with nothing left to take back the notice says so.
    void stepKeysInABoxAsSaved() {
        MainFixture f;
        start(f);
        const auto before = snapshot(f.path());
        auto* kantoku = f.find<QComboBox>("cboKantoku");
        ComboGestures::typeOver(kantoku, QStringLiteral("新しい監督"));
        QTest::keyClick(kantoku->lineEdit(), Qt::Key_Return);
        QVERIFY(snapshot(f.path()) != before);
        QTest::keyClick(kantoku->lineEdit(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(snapshot(f.path()), before);
        QCOMPARE(kantoku->currentText(), QStringLiteral("黒澤明"));
        auto* koukai = f.find<QLineEdit>("txtNengetu");
        koukai->setFocus();
        koukai->selectAll();
        QTest::keyClicks(koukai, QStringLiteral("1955/01/01"));
        QTest::keyClick(koukai, Qt::Key_Return);
        QVERIFY(snapshot(f.path()) != before);
        QTest::keyClick(koukai, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(snapshot(f.path()), before);
        QTest::keyClick(kantoku->lineEdit(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.window->noticeText(), QStringLiteral("元に戻せるものはありません"));
        // The notice hides none of the card's controls.
        QWidget* notice = f.find<QWidget>("lblNotice");
        const QRect at(notice->mapTo(f.window.get(), QPoint()), notice->size());
        for (QWidget* w : f.find<QWidget>("fraMain")->findChildren<QWidget*>()) {
            if (!w->isVisible() || w->objectName().isEmpty() || !w->isEnabled()) continue;
            if (!qobject_cast<QAbstractButton*>(w) && !qobject_cast<QComboBox*>(w) &&
                !qobject_cast<QLineEdit*>(w))
                continue;
            const QRect r(w->mapTo(f.window.get(), QPoint()), w->size());
            QVERIFY2(!r.intersects(at), qPrintable(w->objectName()));
        }
        f.checkBoxes();
    }

    // A correction is of the title it was opened on: showing another title ends it.
    void aCorrectionEndsWithItsTitle() {
        MainFixture f;
        start(f);
        const auto before = snapshot(f.path());
        viewingMenu(f, 1, QStringLiteral("この鑑賞記録を修正…"));
        QVERIFY(f.find<QWidget>("fraRirekiHozon")->isVisible());
        f.find<CardFrame>("fraMain")->setCurrent(2);
        QVERIFY(!f.find<QWidget>("fraRirekiHozon")->isVisible());
        QCOMPARE(snapshot(f.path()), before);
        f.checkBoxes();
    }

    // An undo is a write like any other: when the file changed elsewhere since, the
    // step is taken back on what was read, or refused saying why; never half.
    void undoAfterAChangeElsewhere() {
        MainFixture f;
        start(f);
        auto* score = f.find<QComboBox>("cboHyouka1_3");
        QVERIFY(ComboGestures::pickWithMouse(score, score->findText("8")));
        // Another program deletes the title the step concerned.
        writeCp932(f.path(), kDataFile, titleRecord("乙", "小津安二郎") + titleRecord("丙", "溝口健二"));
        const auto before = snapshot(f.path());
        f.prompts.planAnswer(Answer::Ok);  // told of the change
        f.prompts.planAnswer(Answer::Ok);  // why it cannot be taken back
        key(f, Qt::ControlModifier);
        QCOMPARE(snapshot(f.path()), before);
        QCOMPARE(f.prompts.boxes.last().title, QStringLiteral("元に戻せません"));
        QVERIFY(f.prompts.boxes.last().text.contains(QStringLiteral("「甲」")));
        f.checkBoxes();
    }
};

REELNOTE_TEST(TestUndo)
#include "tst_undo.moc"
