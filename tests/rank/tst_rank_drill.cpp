#include "main_fixture.h"
#include "shell/flex_grid.h"
#include "test_files.h"
#include "test_registry.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QScrollBar>

using namespace TestFiles;

namespace {
// Opens a screen by its button, or with a label switches a table to years.
struct Table {
    const char* button;
    const char* grid;
    const char* yearSwitch;  // clicked after opening, or null
    const char* field;       // the criterion's name in lblDrill
    const char* what;        // " の作品" or " の鑑賞"
};
const Table kTables[] = {
    {"cmdRank", "msgMaster1", nullptr, "監督", " の作品"},
    {"cmdRank", "msgMaster2", nullptr, "主演", " の作品"},
    {"cmdRank", "msgMaster3", nullptr, "公開年月", " の作品"},
    {"cmdRank", "msgMaster3", "lblKoukaiChg", "公開年", " の作品"},
    {"cmdRank", "msgMaster4", nullptr, "国", " の作品"},
    {"cmdRank", "msgMaster5", nullptr, "ジャンル", " の作品"},
    {"cmdList", "msgMaster6", nullptr, "鑑賞年月", " の鑑賞"},
    {"cmdList", "msgMaster6", "lblKansyouChg", "鑑賞年", " の鑑賞"},
};
}  // namespace

class TestRankDrill : public QObject {
    Q_OBJECT
private:
    FlexGrid* open(MainFixture& f, const Table& t) {
        f.click(t.button);
        if (t.yearSwitch) QTest::mouseClick(f.find<QLabel>(t.yearSwitch), Qt::LeftButton);
        return f.find<FlexGrid>(t.grid);
    }
    void doubleClickRow(FlexGrid* g, int r) {
        const QModelIndex cell = g->grid()->index(r - 1, 1);
        g->scrollTo(cell);
        const QPoint at = g->visualRect(cell).center();
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, at);
    }
    QStringList results(MainFixture& f) {
        QStringList out;
        const QAbstractItemModel* m = f.find<QListView>("lstDaimei")->model();
        for (int r = 0; r < m->rowCount(); ++r) out << m->index(r, 0).data().toString();
        return out;
    }

private slots:
    // A double-click on any row of a ranking or of the viewing months opens the
    // search screen on exactly what the row counts, saying so; the usual
    // double-click there goes on to the card.
    void aRowOfACountOpensItsTitles() {
        MainFixture f;
        writeFreshMasters(f.path(), false);
        writeCp932(f.path(), kDataFile,
                   titleRecord("七人の侍", "黒澤明", "三船敏郎", "1954/04/26", "日本", "時代劇") +
                       titleRecord("用心棒", "黒澤明", "三船敏郎", "1961/4/25", "日本", "時代劇") +
                       titleRecord("秋日和", "小津安二郎", "原節子", "1961年4月1日", "日本") +
                       titleRecord("荒野", "", "", "1961/04", "アメリカ", "西部劇") +
                       titleRecord("生きる", "黒澤明", "志村喬", "", "日本", "ドラマ"));
        writeCp932(f.path(), kHistoryFile,
                   historyRecordLine("2019/03/10", "七人の侍", "名画座") +
                       historyRecordLine("2019/05/04", "用心棒", "テレビ") +
                       historyRecordLine("2019/05/10", "七人の侍", "DVD") +
                       historyRecordLine("2020/06/01", "生きる", "DVD"));
        f.start();
        auto* search = f.find<QWidget>("fraKensaku");
        auto* caption = f.find<QLabel>("lblDrill");
        QVERIFY(caption->isHidden());

        int rowsSeen = 0;
        for (const Table& t : kTables) {
            FlexGrid* g = open(f, t);
            const int rows = g->Rows();
            for (int r = 1; r < rows; ++r, ++rowsSeen) {
                if (r > 1) g = open(f, t);  // the drill left it for the search screen
                const QString value = g->TextMatrix(r, 1), count = g->TextMatrix(r, 2);
                doubleClickRow(g, r);
                QVERIFY2(!search->isHidden(), t.grid);
                QCOMPARE(QString::number(results(f).size()), count);
                QCOMPARE(f.find<QGroupBox>("fraKensu")->title(),
                         QStringLiteral("検索件数　%1件").arg(count));
                QVERIFY(!caption->isHidden());
                QCOMPARE(caption->text(), QString::fromUtf8(t.field) + u'：' + value +
                                              QString::fromUtf8(t.what) +
                                              QStringLiteral("　%1件").arg(count));
            }
        }
        QCOMPARE(rowsSeen, 2 + 3 + 2 + 2 + 2 + 3 + 3 + 2);

        open(f, kTables[0]);  // directors, most first: 黒澤明 leads
        doubleClickRow(f.find<FlexGrid>("msgMaster1"), 1);
        QCOMPARE(results(f), (QStringList{"七人の侍", "用心棒", "生きる"}));
        auto* list = f.find<QListView>("lstDaimei");
        const QPoint at = list->visualRect(list->model()->index(1, 0)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        QVERIFY(!f.find<QWidget>("fraMain")->isHidden());
        QCOMPARE(f.find<QScrollBar>("hsbData")->value(), 2);

        // Used as always, the search screen says nothing of a drill.
        f.click("cmdKensaku");
        QVERIFY(!caption->isHidden());  // it still shows the drill's titles
        auto* word = f.find<QLineEdit>("txtNamae");
        word->setText(QStringLiteral("野"));
        QTest::keyClick(word, Qt::Key_Return);
        QCOMPARE(results(f), QStringList{"荒野"});
        QVERIFY(caption->isHidden());
        f.checkBoxes();
    }
};

REELNOTE_TEST(TestRankDrill)
#include "tst_rank_drill.moc"
