#include "combo_gestures.h"
#include "main_fixture.h"
#include "shell/flex_grid.h"
#include "store/catalogue.h"
#include "test_files.h"
#include "test_registry.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace TestFiles;

// The keys a collector uses on the card; none of them writes anything.
class TestCardKeys : public QObject {
    Q_OBJECT
private:
    void start(MainFixture& f) {
        writeFreshMasters(f.path(), false);
        writeCp932(f.path(), kDataFile,
                   titleRecord("甲", "監督A") + titleRecord("乙", "監督B") + titleRecord("丙"));
        writeCp932(f.path(), QStringLiteral("メモ_甲.txt"),
                   QString(QStringLiteral("一行\r\n")).repeated(200));
        f.start();
        QVERIFY(ComboGestures::activate(f.window.get()));
    }
    QString shown(MainFixture& f) { return f.find<QComboBox>("cboName")->currentText(); }

private slots:
    void pageKeysTurnTheTitlesFromAnyBoxOfTheCard() {
        MainFixture f;
        start(f);
        const auto before = ComboGestures::snapshot(f.path());
        auto* kantoku = f.find<QComboBox>("cboKantoku");
        kantoku->setFocus();
        QTest::keyClick(kantoku->lineEdit(), Qt::Key_PageDown);
        QCOMPARE(shown(f), QStringLiteral("乙"));
        QVERIFY(!kantoku->view()->isVisible());  // the list stays closed
        QTest::keyClick(f.find<QLineEdit>("txtNengetu"), Qt::Key_PageDown);
        QCOMPARE(shown(f), QStringLiteral("丙"));
        QTest::keyClick(f.find<QLineEdit>("txtNengetu"), Qt::Key_PageDown);  // the last
        QCOMPARE(shown(f), QStringLiteral("丙"));
        auto* score = f.find<QComboBox>("cboHyouka1_3");
        score->setFocus();
        QTest::keyClick(score, Qt::Key_PageUp);
        QCOMPARE(shown(f), QStringLiteral("乙"));
        QCOMPARE(score->currentText(), QStringLiteral("0"));
        QTest::keyClick(f.find<QPushButton>("cmdMain"), Qt::Key_PageUp);
        QCOMPARE(shown(f), QStringLiteral("甲"));
        QTest::keyClick(f.find<QPushButton>("cmdMain"), Qt::Key_PageUp);  // the first
        QCOMPARE(shown(f), QStringLiteral("甲"));
        QCOMPARE(ComboGestures::snapshot(f.path()), before);
        f.checkBoxes();
    }

    void aLongTextKeepsItsPageKeys() {
        MainFixture f;
        start(f);
        f.find<QPushButton>("cmdHyouji4")->click();
        auto* memo = f.find<QPlainTextEdit>("txtSubData_3");
        memo->setFocus();
        QTest::keyClick(memo, Qt::Key_PageDown);
        QCOMPARE(shown(f), QStringLiteral("甲"));
        QVERIFY(memo->textCursor().blockNumber() > 0);
        f.checkBoxes();
    }

    void escapeClosesTheViewingEntryWithoutSaving() {
        MainFixture f;
        start(f);
        const auto before = ComboGestures::snapshot(f.path());
        emit f.find<FlexGrid>("msgKansyou")->DblClick();
        auto* entry = f.find<QGroupBox>("fraRirekiHozon");
        QVERIFY(!entry->isHidden());
        auto* content = f.find<QComboBox>("cboKansyou");
        content->setEditText(QStringLiteral("DVD"));
        QTest::keyClick(f.find<QLineEdit>("txtKansyoubi"), Qt::Key_Escape);
        QVERIFY(entry->isHidden());
        QCOMPARE(content->currentText(), QStringLiteral("DVD"));  // kept, as キャンセル keeps it
        QCOMPARE(ComboGestures::snapshot(f.path()), before);
        f.checkBoxes();
    }

    void ctrlFOpensTheSearchReadyForAWord() {
        MainFixture f;
        start(f);
        QTest::keyClick(f.find<QComboBox>("cboKantoku")->lineEdit(), Qt::Key_F,
                        Qt::ControlModifier);
        QVERIFY(!f.find<QWidget>("fraKensaku")->isHidden());
        auto* word = f.find<QLineEdit>("txtNamae");
        QTRY_VERIFY(word->hasFocus());
        QTest::keyClicks(word, QStringLiteral("x"));
        QCOMPARE(f.find<QAbstractItemView>("lstDaimei")->model()->rowCount(),
                 0);  // not before Enter
        f.checkBoxes();
    }
};

REELNOTE_TEST(TestCardKeys)
#include "tst_card_keys.moc"
