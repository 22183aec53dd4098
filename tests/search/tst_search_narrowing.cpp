#include "main_fixture.h"
#include "shell/flex_grid.h"
#include "test_files.h"
#include "test_registry.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QToolButton>

using namespace TestFiles;

class TestSearchNarrowing : public QObject {
    Q_OBJECT
private:
    QStringList results(MainFixture& f) {
        QStringList out;
        const QAbstractItemModel* m = f.find<QListView>("lstDaimei")->model();
        for (int r = 0; r < m->rowCount(); ++r) out << m->index(r, 0).data().toString();
        return out;
    }
    // The criteria in force as their buttons list them.
    QStringList criteria(MainFixture& f) {
        QStringList out;
        if (f.find<QWidget>("fraJouken")->isHidden()) return out;
        for (int i = 0;; ++i) {
            auto* b = f.window->findChild<QToolButton*>(QStringLiteral("cmdJouken_%1").arg(i));
            if (!b || b->isHidden()) return out;
            out << b->text();
        }
    }
    void pick(MainFixture& f, const QString& combo, const QString& text) {
        auto* c = f.find<QComboBox>(combo);
        const int i = c->findText(text, Qt::MatchExactly);
        QVERIFY2(i >= 0, qPrintable(text));
        c->showPopup();
        c->view()->setCurrentIndex(c->model()->index(i, 0));
        QTest::keyClick(c->view(), Qt::Key_Return);
    }
    void choose(MainFixture& f, const QString& list, const QString& text) {
        auto* l = f.find<QListWidget>(list);
        const QList<QListWidgetItem*> found = l->findItems(text, Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, l->visualItemRect(found[0]).center());
    }
    void click(MainFixture& f, const QString& button) {
        QTest::mouseClick(f.find<QAbstractButton>(button), Qt::LeftButton);
    }

private slots:
    // While 絞り込み is on, each criterion narrows what is listed and the criteria
    // in force are listed, each dropped by its button; off, a criterion replaces
    // the list as always. A drill-down starts the narrowing afresh.
    void criteriaNarrowWhileTheBoxIsOn() {
        MainFixture f;
        writeFreshMasters(f.path(), false);
        writeCp932(
            f.path(), kDataFile,
            titleRecord("七人の侍", "黒澤明", "三船敏郎", "1954/04/26", "日本", "時代劇", "◎", {},
                        {"○"}) +
                titleRecord("用心棒", "黒澤明", "三船敏郎", "1961/4/25", "日本", "時代劇", "○", {},
                            {"○"}) +
                titleRecord("生きる", "黒澤明", "志村喬", "1952/10/09", "日本", "ドラマ", "○") +
                titleRecord("東京物語", "小津安二郎", "笠智衆", "1953/11/03", "日本", "ドラマ", "◎",
                            {}, {"○"}));
        f.start();
        f.click("cmdKensaku");
        auto* box = f.find<QCheckBox>("chkShibori");
        QVERIFY(!box->isChecked());
        const QString owned = f.find<QLabel>("lblSyoyu_1")->text() + QStringLiteral("：有り　×");

        pick(f, "cboKantoku2", "黒澤明");
        QCOMPARE(criteria(f), QStringList());
        click(f, "chkShibori");  // what is listed is where the narrowing starts
        QCOMPARE(criteria(f), QStringList{"監督：黒澤明　×"});
        QCOMPARE(results(f), (QStringList{"七人の侍", "用心棒", "生きる"}));
        choose(f, "lstSyoyu_1", "有り");
        QCOMPARE(results(f), (QStringList{"七人の侍", "用心棒"}));
        pick(f, "cboKoukai2_0", "1954/04");
        pick(f, "cboKoukai2_1", "1954/04");  // the period's two bounds are one criterion
        QCOMPARE(criteria(f),
                 (QStringList{"監督：黒澤明　×", owned, "公開年月：1954/04～1954/04　×"}));
        QCOMPARE(results(f), QStringList{"七人の侍"});
        QCOMPARE(f.find<QGroupBox>("fraKensu")->title(), QStringLiteral("検索件数　1件"));

        click(f, "cmdJouken_2");
        QCOMPARE(results(f), (QStringList{"七人の侍", "用心棒"}));
        click(f, "cmdJouken_0");
        QCOMPARE(criteria(f), QStringList{owned});
        QCOMPARE(results(f), (QStringList{"七人の侍", "用心棒", "東京物語"}));

        click(f, "chkShibori");  // off: the list stays, the next criterion replaces it
        QCOMPARE(criteria(f), QStringList());
        QCOMPARE(results(f), (QStringList{"七人の侍", "用心棒", "東京物語"}));
        choose(f, "lstHyouka", "○");
        QCOMPARE(results(f), (QStringList{"用心棒", "生きる"}));

        click(f, "chkShibori");
        f.click("cmdRank");
        auto* directors = f.find<FlexGrid>("msgMaster1");
        const QPoint at = directors->visualRect(directors->grid()->index(0, 1)).center();
        QTest::mouseClick(directors->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(directors->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(criteria(f), QStringList{"監督：黒澤明　×"});
        QCOMPARE(results(f), (QStringList{"七人の侍", "用心棒", "生きる"}));
        QVERIFY(!f.find<QLabel>("lblDrill")->isHidden());
        choose(f, "lstHyouka", "◎");
        QCOMPARE(results(f), QStringList{"七人の侍"});
        QVERIFY(f.find<QLabel>("lblDrill")->isHidden());
        f.checkBoxes();
    }
};

REELNOTE_TEST(TestSearchNarrowing)
#include "tst_search_narrowing.moc"
