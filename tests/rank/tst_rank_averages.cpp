#include "main_fixture.h"
#include "rank/rank_counts.h"
#include "shell/flex_grid.h"
#include "store/catalogue.h"
#include "test_files.h"
#include "test_registry.h"

#include <QHelpEvent>
#include <QPushButton>
#include <QToolTip>

using namespace TestFiles;

class TestRankAverages : public QObject {
    Q_OBJECT
private slots:
    // Three films of one director: 総合 80, 0 (not scored) and 95 average 87.5 over
    // two; 感動・涙 4, 5, 6 average 5.0 over three; セクシー never scored.
    void aHoveredRowShowsTheAveragesOfItsTitles() {
        MainFixture f;
        writeFreshMasters(f.path(), false);
        writeCp932(
            f.path(), kDataFile,
            titleRecord("甲", "監督A", "", "", "", "", "", {80, 4, 1, 0, 0, 0, 0}) +
                titleRecord("乙", "監督A", "", "", "", "", "", {0, 5, 2, 0, 0, 0, 0}) +
                titleRecord("丙", "監督A", "", "", "", "", "", {95, 6, 0, 0, 0, 0, 0}) +
                titleRecord("丁", "監督B", "", "", "", "", "", {10, 10, 10, 10, 10, 10, 10}));
        f.start();
        const QByteArray before = readBytes(f.path(), kDataFile);
        f.find<QPushButton>("cmdRank")->click();
        FlexGrid* g = f.find<FlexGrid>("msgMaster1");
        QCOMPARE(g->TextMatrix(1, 1), QStringLiteral("監督A"));

        const QString tip =
            scoreTip(RankRow{QStringLiteral("監督A"), 3,
                             [] {
                                 ScoreSums s;
                                 s.add(std::array<qint16, 8>{0, 80, 4, 1, 0, 0, 0, 0});
                                 s.add(std::array<qint16, 8>{0, 0, 5, 2, 0, 0, 0, 0});
                                 s.add(std::array<qint16, 8>{0, 95, 6, 0, 0, 0, 0, 0});
                                 return s;
                             }()},
                     f.window->catalogue().HyoukaKoumoku);
        QCOMPARE(tip, QStringLiteral("監督A　3作品\n総合：平均 87.5（2作品）\n"
                                     "感動・涙：平均 5.0（3作品）\n笑い：平均 1.5（2作品）\n"
                                     "ほのぼの：－\nスリル：－\n恐怖戦慄：－\nセクシー：－"));

        // Hovering the first row shows exactly that text; the table is unchanged.
        const QRect cell = g->visualRect(g->model()->index(0, 1));
        QHelpEvent hover(QEvent::ToolTip, cell.center(), g->viewport()->mapToGlobal(cell.center()));
        QApplication::sendEvent(g->viewport(), &hover);
        QCOMPARE(QToolTip::text(), tip);
        QCOMPARE(g->TextMatrix(1, 2), QStringLiteral("3"));
        QCOMPARE(g->Rows(), 3);
        QCOMPARE(readBytes(f.path(), kDataFile), before);
        f.checkBoxes();
    }
};

REELNOTE_TEST(TestRankAverages)
#include "tst_rank_averages.moc"
