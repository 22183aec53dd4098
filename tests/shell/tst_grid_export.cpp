#include "main_fixture.h"
#include "shell/flex_grid.h"
#include "shell/grid_export.h"
#include "store/catalogue.h"
#include "test_files.h"
#include "test_registry.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>

using namespace TestFiles;

class TestGridExport : public QObject {
    Q_OBJECT
private:
    // Right-clicks the grid and takes "CSVで書き出す…" from the menu it offers.
    static bool exportFromMenu(FlexGrid* g) {
        emit g->customContextMenuRequested(QPoint(5, 5));
        for (QMenu* menu : g->findChildren<QMenu*>()) {
            for (QAction* a : menu->actions()) {
                if (a->text() != GridExport::kActionText) continue;
                a->trigger();
                menu->close();
                return true;
            }
        }
        return false;
    }

private slots:
    void aListGoesToTheFileInTheOrderShown() {
        MainFixture f;
        writeFreshMasters(f.path(), false);
        writeCp932(
            f.path(), kDataFile,
            titleRecord("Alien", "Ridley Scott", "", "1979/05", "米国", "SF") +
                titleRecord("七人の侍", "黒澤明", "三船敏郎", "1954/04/26", "日本", "時代劇, 侍") +
                titleRecord("無題", "", "", "", "", ""));
        f.start();
        const QByteArray data = readBytes(f.path(), kDataFile);
        f.find<QPushButton>("cmdIchiran")->click();
        auto* g = f.find<FlexGrid>("msgIchiran");
        // Sorted by director, descending: 黒澤明, Ridley Scott, "".
        QHeaderView* h = g->horizontalHeader();
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                          QPoint(h->sectionViewportPosition(1) + 5, h->height() / 2));
        const QString out = QDir(f.path()).filePath("主一覧.csv");
        f.prompts.planInput(out);
        QVERIFY(exportFromMenu(g));
        QCOMPARE(f.prompts.boxes.size(), 1);
        QCOMPARE(f.prompts.boxes[0].kind, QStringLiteral("save"));
        QVERIFY(f.prompts.boxes[0].defaultText.endsWith(QStringLiteral("/主一覧.csv")));
        QStringList lines;
        for (int r = 0; r < g->Rows(); ++r) {
            QStringList cells;
            for (int c = 0; c < g->Cols(); ++c) {
                QString cell = g->TextMatrix(r, c);
                if (cell.contains(u',') || cell.contains(u'"'))
                    cell = u'"' + cell.replace(u'"', QStringLiteral("\"\"")) + u'"';
                cells << cell;
            }
            lines << cells.join(u',');
        }
        QCOMPARE(g->TextMatrix(1, 0), QStringLiteral("七人の侍"));
        QCOMPARE(
            readBytes(f.path(), "主一覧.csv"),
            QByteArray("\xEF\xBB\xBF") + (lines.join(QStringLiteral("\r\n")) + "\r\n").toUtf8());
        QVERIFY(readBytes(f.path(), "主一覧.csv").contains("\"時代劇, 侍\""));
        QCOMPARE(readBytes(f.path(), kDataFile), data);
        f.checkBoxes();
    }

    void cancellingWritesNothingAndAFailureIsReported() {
        MainFixture f;
        writeFreshMasters(f.path(), false);
        writeCp932(f.path(), kDataFile, titleRecord("甲", "監督A"));
        f.start();
        f.find<QPushButton>("cmdRank")->click();
        auto* g = f.find<FlexGrid>("msgMaster1");
        f.prompts.planInput(QString());  // cancelled
        QVERIFY(exportFromMenu(g));
        QCOMPARE(f.prompts.boxes.size(), 1);
        f.prompts.planInput(QDir(f.path()).filePath("no/such/folder/x.csv"));
        f.prompts.planAnswer(Prompts::Answer::Ok);
        QVERIFY(exportFromMenu(g));
        QCOMPARE(f.prompts.boxes.size(), 3);
        QCOMPARE(f.prompts.boxes[2].title, QStringLiteral("書き出せません"));
        QCOMPARE(f.prompts.boxes[2].icon, Prompts::Icon::Critical);
        f.checkBoxes();
    }
};

REELNOTE_TEST(TestGridExport)
#include "tst_grid_export.moc"
