#include "combo_gestures.h"
#include "main_fixture.h"
#include "shell/flex_grid.h"
#include "store/catalogue.h"
#include "test_files.h"
#include "test_registry.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

using namespace TestFiles;
using namespace ComboGestures;

// The card changes the files only when the user means it: a pick in an open
// list, Enter, a click. Typing and leaving a box, turning the wheel over a
// closed box, or letting a box complete a name store nothing.
class TestDeliberateActs : public QObject {
    Q_OBJECT
private:
    void start(MainFixture& f) {
        writeFreshMasters(f.path(), false);
        writeCp932(f.path(), kDataFile,
                   titleRecord("aliens", "Alpha", "Sigourney", "1979/05/25", "アメリカ", "SF", "○",
                               {50, 5, 5, 5, 5, 5, 5}, {"○"}) +
                       titleRecord("七人の侍", "黒澤明", "三船敏郎", "1954/04/26", "日本", "時代劇",
                                   "◎", {95, 9, 2, 8, 10, 0, 0}));
        writeCp932(f.path(), kHistoryFile,
                   historyRecordLine("2003/05/10", "aliens", "DVD") +
                       historyRecordLine("2004/01/01", "七人の侍", "映画館"));
        writeCp932(f.path(), QStringLiteral("キャスト_aliens.txt"), QStringLiteral("乗組員\r\n"));
        writeCp932(f.path(), QStringLiteral("メモ_aliens.txt"), QStringLiteral("怖い\r\n"));
        f.start();
    }
    Title shown(MainFixture& f) { return f.window->catalogue().titles()[1]; }
    static bool same(const Title& a, const Title& b) {
        return a.Daimei == b.Daimei && a.Kantoku == b.Kantoku && a.Syuen == b.Syuen &&
               a.Kuni == b.Kuni && a.Janru == b.Janru && a.Hyouka == b.Hyouka &&
               a.HyoukaTen == b.HyoukaTen && a.Syoyu == b.Syoyu;
    }

private slots:
    void attributeTypedAndLeftStoresNothing() {
        MainFixture f;
        start(f);
        QVERIFY(activate(f.window.get()));
        const auto before = snapshot(f.path());
        const Title title = shown(f);
        // Values another title holds, so that each box knows the typed text.
        const std::pair<const char*, QString> typed[] = {{"cboKantoku", QStringLiteral("黒澤明")},
                                                         {"cboSyuen", QStringLiteral("三船敏郎")},
                                                         {"cboKuni", QStringLiteral("日本")},
                                                         {"cboJanru", QStringLiteral("時代劇")}};
        for (const auto& [name, value] : typed) {
            auto* combo = f.find<QComboBox>(QLatin1String(name));
            QVERIFY(combo->findText(value) >= 0);
            typeOver(combo, value);
            QVERIFY(combo->lineEdit()->hasFocus());
            QTest::keyClick(combo->lineEdit(), Qt::Key_Tab);
            QVERIFY2(!combo->lineEdit()->hasFocus(), name);
            QVERIFY2(same(shown(f), title), name);
            QVERIFY2(snapshot(f.path()) == before, name);
        }
        // Leaving with the mouse, for another box.
        auto* kantoku = f.find<QComboBox>("cboKantoku");
        auto* nengetu = f.find<QLineEdit>("txtNengetu");
        typeOver(kantoku, QStringLiteral("黒澤明"));
        QTest::mouseClick(nengetu, Qt::LeftButton, {}, QPoint(4, nengetu->height() / 2));
        QVERIFY(nengetu->hasFocus());
        QVERIFY(same(shown(f), title));
        QVERIFY(snapshot(f.path()) == before);
        QCOMPARE(f.prompts.beeps, 0);
        f.checkBoxes();
    }

    void titleTypedMovesNowhereAndKeepsUnsavedText() {
        MainFixture f;
        start(f);
        QVERIFY(activate(f.window.get()));
        QTest::mouseClick(f.find<QPushButton>("cmdHyouji2"), Qt::LeftButton);
        auto* cast = f.find<QPlainTextEdit>("txtSubData_1");
        QCOMPARE(cast->toPlainText(), QStringLiteral("乗組員"));
        cast->moveCursor(QTextCursor::End);
        typeText(cast, QStringLiteral("追記"));
        const auto before = snapshot(f.path());
        auto* name = f.find<QComboBox>("cboName");
        auto* hsb = f.find<QScrollBar>("hsbData");

        typeOver(name, QStringLiteral("七人の侍"));
        QTest::keyClick(name->lineEdit(), Qt::Key_Tab);
        QVERIFY(!name->lineEdit()->hasFocus());
        QCOMPARE(hsb->value(), 1);

        typeOver(name, QStringLiteral("七人の侍"));
        QTest::mouseClick(cast->viewport(), Qt::LeftButton, {}, QPoint(4, 4));
        QVERIFY(cast->hasFocus());
        QCOMPARE(hsb->value(), 1);

        typeOver(name, QStringLiteral("七人の侍"));
        QTest::keyClick(name->lineEdit(), Qt::Key_Return);
        QCOMPARE(hsb->value(), 1);

        QCOMPARE(cast->toPlainText(), QStringLiteral("乗組員追記"));
        QCOMPARE(name->currentText(), QStringLiteral("七人の侍"));
        QCOMPARE(f.find<QLabel>("lblKensu")->text(), QStringLiteral("1 / 2"));
        QVERIFY(snapshot(f.path()) == before);
        f.checkBoxes();
    }

    void titleBoxKeepsWhatIsTyped() {
        MainFixture f;
        start(f);
        QVERIFY(activate(f.window.get()));
        const auto before = snapshot(f.path());
        auto* name = f.find<QComboBox>("cboName");
        for (const QString& typed :
             {QStringLiteral("ali"), QStringLiteral("ALI"), QStringLiteral("七")}) {
            typeOver(name, typed);
            QCOMPARE(name->currentText(), typed);
            QCOMPARE(name->lineEdit()->text(), typed);
        }
        // "削除" then acts on the typed name, which no title has.
        typeOver(name, QStringLiteral("ali"));
        f.prompts.planAnswer(Prompts::Answer::Ok);
        QTest::mouseClick(f.find<QPushButton>("cmdDel"), Qt::LeftButton);
        QCOMPARE(f.prompts.boxes.size(), 1);
        QVERIFY(f.prompts.boxes.last().text.startsWith(QStringLiteral("「ali」")));
        QCOMPARE(f.window->catalogue().TitleCount(), 2);
        QVERIFY(snapshot(f.path()) == before);
        f.checkBoxes();
    }

    void wheelOverAClosedBoxChangesNothing() {
        MainFixture f;
        start(f);
        // The viewing entry is open with a content typed for the next viewing.
        emit f.find<FlexGrid>("msgKansyou")->DblClick();
        auto* kansyou = f.find<QComboBox>("cboKansyou");
        kansyou->setEditText(QStringLiteral("劇場"));
        const auto before = snapshot(f.path());
        const Title title = shown(f);
        QStringList names{"cboHyouka", "cboKantoku", "cboSyuen",  "cboKuni",
                          "cboJanru",  "cboName",    "cboKansyou"};
        for (int k = 1; k <= 7; ++k) names << QStringLiteral("cboHyouka1_%1").arg(k);
        for (const QString& n : names) {
            auto* combo = f.find<QComboBox>(n);
            const QString text = combo->currentText();
            for (int notches : {-1, -1, 1, 3}) {
                turnWheel(combo, notches);
                QVERIFY2(combo->currentText() == text, qPrintable(n));
            }
            QVERIFY2(same(shown(f), title), qPrintable(n));
            QVERIFY2(snapshot(f.path()) == before, qPrintable(n));
        }
        QCOMPARE(f.find<QScrollBar>("hsbData")->value(), 1);
        QCOMPARE(kansyou->currentText(), QStringLiteral("劇場"));
        f.checkBoxes();
    }

    void picksInTheOpenListStore() {
        MainFixture f;
        start(f);
        QVERIFY(activate(f.window.get()));
        auto* kantoku = f.find<QComboBox>("cboKantoku");
        QVERIFY(pickWithMouse(kantoku, kantoku->findText(QStringLiteral("黒澤明"))));
        QCOMPARE(shown(f).Kantoku, QStringLiteral("黒澤明"));
        QVERIFY(readCp932(f.path(), kDataFile).startsWith(QStringLiteral("\"aliens\",\"黒澤明\"")));

        auto* janru = f.find<QComboBox>("cboJanru");
        QVERIFY(pickWithKeys(janru, janru->findText(QStringLiteral("時代劇"))));
        QCOMPARE(shown(f).Janru, QStringLiteral("時代劇"));

        auto* laughs = f.find<QComboBox>("cboHyouka1_3");
        QVERIFY(pickWithKeys(laughs, 9));
        QCOMPARE(shown(f).HyoukaTen[3], qint16(9));
        auto* mark = f.find<QComboBox>("cboHyouka");
        QVERIFY(pickWithMouse(mark, 2));
        QCOMPARE(shown(f).Hyouka, QStringLiteral("△"));
        QCOMPARE(f.prompts.beeps, 0);  // a pick is not confirmed with a beep

        // An arrow key on a closed box opens its list; only the pick there stores.
        const auto before = snapshot(f.path());
        auto* total = f.find<QComboBox>("cboHyouka1_1");
        total->setFocus();
        QTest::keyClick(total, Qt::Key_Down);
        QVERIFY(QTest::qWaitFor([&] { return total->view()->isVisible(); }, 2000));
        QTest::keyClick(total->view(), Qt::Key_Escape);
        QVERIFY(!total->view()->isVisible());
        QCOMPARE(total->currentText(), QStringLiteral("50"));
        QTest::keyClick(janru->lineEdit(), Qt::Key_Up);
        QVERIFY(QTest::qWaitFor([&] { return janru->view()->isVisible(); }, 2000));
        QTest::keyClick(janru->view(), Qt::Key_Escape);
        QCOMPARE(janru->currentText(), QStringLiteral("時代劇"));
        QVERIFY(snapshot(f.path()) == before);

        auto* name = f.find<QComboBox>("cboName");
        QVERIFY(pickWithMouse(name, 1));
        QCOMPARE(f.find<QScrollBar>("hsbData")->value(), 2);
        QCOMPARE(f.find<QLabel>("lblKensu")->text(), QStringLiteral("2 / 2"));
        f.checkBoxes();
    }
};

REELNOTE_TEST(TestDeliberateActs)
#include "tst_deliberate_acts.moc"
