#include "../store/disk_faults.h"
#include "card/card_widgets.h"
#include "combo_gestures.h"
#include "main_fixture.h"
#include "store/catalogue.h"
#include "test_files.h"
#include "test_registry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

using namespace TestFiles;

namespace {
QStringList items(QComboBox* c) {
    QStringList out;
    for (int i = 0; i < c->count(); ++i) out << c->itemText(i);
    return out;
}
}  // namespace

class TestAttributeEditing : public QObject {
    Q_OBJECT
private:
    QString data_;
    void start(MainFixture& f) {
        writeFreshMasters(f.path(), false);
        data_ =
            titleRecord("甲", "黒澤明", "三船敏郎", "1954/04/26", "日本", "時代劇", "○", {50, 5}) +
            titleRecord("乙", "Alpha", "", "1960/01", "アメリカ", "", "", {}, {"○"});
        writeCp932(f.path(), kDataFile, data_);
        f.start();
    }
    void type(MainFixture& f, const char* control, const QString& text) {
        if (auto* combo = f.window->findChild<QComboBox*>(QLatin1String(control))) {
            combo->setEditText(text);
            QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
        } else {
            auto* edit = f.find<QLineEdit>(QLatin1String(control));
            edit->setText(text);
            QTest::keyClick(edit, Qt::Key_Return);
        }
    }
    Title stored(MainFixture& f, int n) {
        Catalogue fresh(f.path());  // what a restart would find
        fresh.LoadMainData();
        return fresh.titles()[n];
    }

private slots:
    void pickingFromAListStoresWithoutBeeping() {
        MainFixture f;
        start(f);
        auto* kantoku = f.find<QComboBox>("cboKantoku");
        QVERIFY(ComboGestures::pickWithMouse(kantoku, kantoku->findText("Alpha")));
        QCOMPARE(stored(f, 1).Kantoku, QStringLiteral("Alpha"));
        QCOMPARE(f.window->catalogue().titles()[1].Kantoku, QStringLiteral("Alpha"));
        QCOMPARE(f.prompts.beeps, 0);
        QCOMPARE(items(kantoku), (QStringList{"Alpha", "黒澤明"}));
        f.checkBoxes();
    }

    void enterStoresListsOnceAndBeeps() {
        MainFixture f;
        start(f);
        auto* kantoku = f.find<QComboBox>("cboKantoku");
        type(f, "cboKantoku", "beta");
        type(f, "cboKantoku", "beta");
        QCOMPARE(f.prompts.beeps, 2);
        QCOMPARE(items(kantoku), (QStringList{"Alpha", "beta", "黒澤明"}));  // sorted place, once
        QCOMPARE(kantoku->currentText(), QStringLiteral("beta"));
        QCOMPARE(stored(f, 1).Kantoku, QStringLiteral("beta"));

        // A part of a known value is stored but not listed until the next load.
        type(f, "cboKantoku", "黒澤");
        QCOMPARE(stored(f, 1).Kantoku, QStringLiteral("黒澤"));
        QCOMPARE(kantoku->findText("黒澤"), -1);
        // Typed key by key, a beginning of a known value is not completed into it.
        kantoku->setEditText(QString());
        f.window->activateWindow();  // completion would only act in a focused box
        kantoku->lineEdit()->setFocus();
        QTest::keyClicks(kantoku->lineEdit(), QStringLiteral("Alp"));
        QTest::keyClick(kantoku->lineEdit(), Qt::Key_Return);
        QCOMPARE(stored(f, 1).Kantoku, QStringLiteral("Alp"));
        // Letter case makes a new value.
        type(f, "cboKantoku", "ALPHA");
        QVERIFY(kantoku->findText("ALPHA", Qt::MatchExactly | Qt::MatchCaseSensitive) >= 0);
        // Empty Enter changes nothing.
        const int beeps = f.prompts.beeps;
        type(f, "cboKantoku", "");
        QCOMPARE(f.prompts.beeps, beeps);
        QCOMPARE(stored(f, 1).Kantoku, QStringLiteral("ALPHA"));

        type(f, "cboJanru", "ドラマ");
        type(f, "cboKuni", "イタリア");
        type(f, "cboSyuen", "高峰秀子");
        const Title t = stored(f, 1);
        QCOMPARE(t.Janru, QStringLiteral("ドラマ"));
        QCOMPARE(t.Kuni, QStringLiteral("イタリア"));
        QCOMPARE(t.Syuen, QStringLiteral("高峰秀子"));
        QCOMPARE(t.Koukai, QStringLiteral("1954/04/26"));  // the other fields stay
        f.checkBoxes();
    }

    void valuesTheFileCannotHoldAreRefused() {
        MainFixture f;
        start(f);
        const QByteArray before = readBytes(f.path(), kDataFile);
        for (const QString& bad : {QStringLiteral("The \"Boss\""), QStringLiteral("Amélie")}) {
            f.prompts.planAnswer(Prompts::Answer::Ok);
            type(f, "cboSyuen", bad);
            QCOMPARE(f.prompts.boxes.last().title, QStringLiteral("入力制限"));
        }
        QVERIFY(f.prompts.boxes.last().text.contains(QStringLiteral("「é」")));
        QCOMPARE(readBytes(f.path(), kDataFile), before);
        QCOMPARE(f.window->catalogue().titles()[1].Syuen, QStringLiteral("三船敏郎"));
        QCOMPARE(f.prompts.beeps, 0);
        // A JIS-style wave dash is stored as its code page 932 twin.
        type(f, "cboSyuen", QStringLiteral("〜"));
        QCOMPARE(stored(f, 1).Syuen, QStringLiteral("～"));
        f.checkBoxes();
    }

    void releaseDateEntry() {
        MainFixture f;
        start(f);
        auto* koukai = f.find<QComboBox>("cboKoukai");
        QCOMPARE(items(koukai), (QStringList{"1954/04", "1960/01"}));
        type(f, "txtNengetu", "2003/05/10");
        QCOMPARE(stored(f, 1).Koukai, QStringLiteral("2003/05/10"));
        type(f, "txtNengetu", "2003/5");  // stored as typed, listed as its first seven characters
        QCOMPARE(stored(f, 1).Koukai, QStringLiteral("2003/5"));
        QCOMPARE(items(koukai), (QStringList{"1954/04", "1960/01", "2003/05", "2003/5"}));
        QCOMPARE(f.prompts.beeps, 2);

        f.prompts.planAnswer(Prompts::Answer::Ok);
        type(f, "txtNengetu", "2003/02/30");
        QCOMPARE(f.prompts.boxes.last().text, QStringLiteral("日付の形式ではありません"));
        QCOMPARE(f.prompts.boxes.last().title, QStringLiteral("日付入力違い"));
        QCOMPARE(f.find<QLineEdit>("txtNengetu")->text(), QStringLiteral("2003/02/30"));
        QCOMPARE(stored(f, 1).Koukai, QStringLiteral("2003/5"));
        f.checkBoxes();
    }

    void withNoTitlesOnlyTheDateMessageShows() {
        MainFixture f;
        writeFreshMasters(f.path(), false);
        f.start();
        type(f, "cboKantoku", "誰か");
        QCOMPARE(f.find<QComboBox>("cboKantoku")->count(), 0);
        type(f, "txtNengetu", "2003/05/10");
        f.prompts.planAnswer(Prompts::Answer::Ok);
        type(f, "txtNengetu", "そのうち");
        QCOMPARE(f.prompts.boxes.size(), 1);
        QCOMPARE(readBytes(f.path(), kDataFile), QByteArray());
        QCOMPARE(f.prompts.beeps, 0);
        f.checkBoxes();
    }

    void markScoresAndOwnership() {
        MainFixture f;
        start(f);
        auto* mark = f.find<QComboBox>("cboHyouka");
        QVERIFY(ComboGestures::pickWithMouse(mark, 0));
        QCOMPARE(stored(f, 1).Hyouka, QStringLiteral("◎"));
        QVERIFY(!f.find<QLabel>("imgFace1_0")->isHidden());
        QVERIFY(f.find<QLabel>("imgFace1_1")->isHidden());

        auto* total = f.find<QComboBox>("cboHyouka1_1");
        for (auto [score, lit] : {std::pair{95, 9}, std::pair{100, 10}, std::pair{9, 0}}) {
            QVERIFY(ComboGestures::pickWithMouse(total, score));
            QCOMPARE(stored(f, 1).HyoukaTen[1], qint16(score));
            int n = 0;
            for (int c = 1; c <= 10; ++c)
                n += f.find<ShapeCell>(QStringLiteral("shpHyouka1_%1").arg(c))->fillColor() ==
                     QColor(0xFF, 0x80, 0x80);
            QCOMPARE(n, lit);
        }
        auto* thrill = f.find<QComboBox>("cboHyouka1_5");
        QVERIFY(ComboGestures::pickWithKeys(thrill, 10));
        QCOMPARE(stored(f, 1).HyoukaTen[5], qint16(10));
        QCOMPARE(stored(f, 1).HyoukaTen[2], qint16(5));

        auto* owned = f.find<QCheckBox>("chkSyoyu_2");
        QTest::mouseClick(owned, Qt::LeftButton, {}, QPoint(5, owned->height() / 2));
        QCOMPARE(stored(f, 1).Syoyu[2], kOwned);
        QTest::mouseClick(owned, Qt::LeftButton, {}, QPoint(5, owned->height() / 2));
        QCOMPARE(stored(f, 1).Syoyu[2], QString());

        // Paging between titles sets the boxes without writing anything.
        const QByteArray before = readBytes(f.path(), kDataFile);
        f.find<QScrollBar>("hsbData")->setValue(2);
        QVERIFY(f.find<QCheckBox>("chkSyoyu_1")->isChecked());
        f.find<QScrollBar>("hsbData")->setValue(1);
        QCOMPARE(readBytes(f.path(), kDataFile), before);
        f.checkBoxes();
    }

    void failedWriteLeavesTableAsTheFile() {
        MainFixture f;
        start(f);
        FailingDisk full;  // the file cannot be written now
        full.writeBudget = 0;
        f.window->catalogue().dir().setFileSystem(&full);
        f.prompts.planAnswer(Prompts::Answer::Ok);
        type(f, "cboKantoku", "新監督");
        QCOMPARE(f.prompts.boxes.last().title, QStringLiteral("保存できません"));
        QCOMPARE(f.prompts.boxes.last().icon, Prompts::Icon::Critical);
        QCOMPARE(f.window->catalogue().titles()[1].Kantoku, QStringLiteral("黒澤明"));
        QCOMPARE(f.find<QComboBox>("cboKantoku")->findText("新監督"), -1);
        QCOMPARE(f.prompts.beeps, 0);
        f.window->catalogue().dir().setFileSystem(nullptr);
        f.checkBoxes();
    }
};

REELNOTE_TEST(TestAttributeEditing)
#include "tst_attribute_editing.moc"
