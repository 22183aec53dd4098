#include <QAbstractItemModelTester>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <memory>

#include "shell/flex_grid.h"

namespace {

using Order = FlexGridModel::SortOrder;

// A grid of `cols` columns with header texts "H0".. and the given body rows,
// watched by the model tester for as long as it lives.
struct Fixture {
    FlexGrid grid;
    std::unique_ptr<QAbstractItemModelTester> tester;
    Fixture(int cols, const QVector<QStringList>& body) {
        tester = std::make_unique<QAbstractItemModelTester>(
            grid.grid(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        grid.setCols(cols);
        for (int c = 0; c < cols; ++c) grid.setTextMatrix(0, c, QString("H%1").arg(c));
        grid.grid()->setBody(body);
    }
    QStringList column(int c) const {
        QStringList out;
        for (int r = 1; r < grid.Rows(); ++r) out << grid.TextMatrix(r, c);
        return out;
    }
    QStringList sorted(int c, Order order, int tagCol) {
        grid.grid()->sortRows(c, order);
        return column(tagCol);
    }
};

}  // namespace

class TestFlexGrid : public QObject {
    Q_OBJECT
  private slots:
    void rowZeroIsTheHeaderAndBodyRowsAreShiftedByOne() {
        Fixture f(3, {{"a", "b"}, {"c", "d", "e", "cut"}});
        FlexGridModel* m = f.grid.grid();
        QCOMPARE(f.grid.Rows(), 3);
        QCOMPARE(m->rowCount(), 2);
        QCOMPARE(m->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "H1");
        QCOMPARE(m->index(1, 2).data().toString(), "e");
        QCOMPARE(f.grid.TextMatrix(1, 2), "");  // short row padded
        QCOMPARE(f.grid.TextMatrix(2, 3), "");  // long row cut at Cols
        QCOMPARE(m->columnCount(), 3);

        QSignalSpy header(m, &QAbstractItemModel::headerDataChanged);
        f.grid.setTextMatrix(0, 2, "Title");
        QCOMPARE(header.count(), 1);
        QCOMPARE(m->headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), "Title");
        f.grid.setTextMatrix(2, 0, "x");
        QCOMPARE(m->index(1, 0).data().toString(), "x");

        // Outside the grid: reads are empty, writes vanish.
        f.grid.setTextMatrix(3, 0, "lost");
        f.grid.setTextMatrix(1, -1, "lost");
        QCOMPARE(f.grid.TextMatrix(3, 0), "");
        QCOMPARE(f.grid.TextMatrix(-1, 0), "");
        QCOMPARE(f.grid.TextMatrix(0, 3), "");
        QCOMPARE(f.grid.Rows(), 3);
    }

    void resizingKeepsSurvivingCellsAndClearKeepsSize() {
        Fixture f(3, {{"a", "b", "c"}, {"d", "e", "f"}, {"g", "h", "i"}});
        f.grid.grid()->setCellBackColor(3, 0, Qt::red);
        f.grid.grid()->setCellBackColor(1, 2, Qt::blue);
        f.grid.setRows(2);
        f.grid.setRows(4);
        f.grid.setCols(2);
        f.grid.setCols(4);
        QCOMPARE(f.column(0), QStringList({"a", "", ""}));
        QCOMPARE(f.column(1), QStringList({"b", "", ""}));
        QCOMPARE(f.column(2), QStringList({"", "", ""}));
        QCOMPARE(f.grid.TextMatrix(0, 1), "H1");
        QCOMPARE(f.grid.TextMatrix(0, 2), "");
        // A removed cell's colour must not come back with the re-added cell.
        QVERIFY(!f.grid.grid()->cellBackColor(3, 0).isValid());
        QVERIFY(!f.grid.grid()->cellBackColor(1, 2).isValid());

        f.grid.setRows(0);  // the header row cannot go
        QCOMPARE(f.grid.Rows(), 1);
        QCOMPARE(f.grid.TextMatrix(0, 0), "H0");

        f.grid.setRows(3);
        f.grid.setTextMatrix(2, 3, "z");
        f.grid.Clear();
        QCOMPARE(f.grid.Rows(), 3);
        QCOMPARE(f.grid.Cols(), 4);
        QCOMPARE(f.grid.TextMatrix(0, 0), "");
        QCOMPARE(f.grid.TextMatrix(2, 3), "");
    }

    void sortsMoveWholeRowsStablyInEachOrder() {
        // Column 0 is the key, column 1 tags the original row.
        const QVector<QStringList> body = {{"10", "a"}, {"9", "b"}, {"x", "c"},   {"-1.5", "d"},
                                           {"9", "e"},  {"", "f"},  {"inf", "g"}, {" 2 ", "h"}};
        Fixture f(2, body);
        QCOMPARE(f.sorted(0, Order::NumericAscending, 1),
                 QStringList({"c", "f", "g", "d", "h", "b", "e", "a"}));
        QCOMPARE(f.column(0), QStringList({"x", "", "inf", "-1.5", " 2 ", "9", "9", "10"}));
        QCOMPARE(f.grid.TextMatrix(0, 0), "H0");
        f.grid.grid()->setBody(body);
        QCOMPARE(f.sorted(0, Order::NumericDescending, 1),
                 QStringList({"a", "b", "e", "h", "d", "c", "f", "g"}));

        // Code-unit order: upper case before lower, and a surrogate pair
        // (U+20BB7) before half-width katakana (U+FF71).
        const QString kanji = QString::fromUcs4(U"\U00020BB7");
        Fixture t(2, {{"b", "1"},
                      {"B", "2"},
                      {"\uFF71", "3"},
                      {"a", "4"},
                      {kanji, "5"},
                      {"B", "6"},
                      {"", "7"}});
        QCOMPARE(t.sorted(0, Order::TextAscending, 1),
                 QStringList({"7", "2", "6", "4", "1", "5", "3"}));
        QCOMPARE(t.sorted(0, Order::TextDescending, 1),
                 QStringList({"3", "5", "1", "4", "2", "6", "7"}));
        QCOMPARE(t.grid.TextMatrix(0, 1), "H1");

        Fixture empty(2, {});
        empty.grid.grid()->sortRows(0, Order::TextAscending);
        QCOMPARE(empty.grid.Rows(), 1);
    }

    void sortCarriesCellColoursAndTheViewsCurrentRow() {
        Fixture f(2, {{"b", "1"}, {"a", "2"}, {"c", "3"}});
        FlexGridModel* m = f.grid.grid();
        m->setCellBackColor(1, 1, Qt::yellow);
        m->setCellBackColor(0, 1, Qt::green);
        f.grid.setCurrentIndex(m->index(0, 1));
        m->sortRows(0, Order::TextAscending);
        QCOMPARE(m->cellBackColor(2, 1), QColor(Qt::yellow));
        QVERIFY(!m->cellBackColor(1, 1).isValid());
        QCOMPARE(m->cellBackColor(0, 1), QColor(Qt::green));
        QCOMPARE(f.grid.currentIndex().row(), 1);
    }

    void headerColourReachesTheScreen() {
        Fixture f(2, {{"a", "b"}});
        f.grid.resize(300, 200);
        f.grid.setRow(0);
        f.grid.setCol(1);
        f.grid.setCellBackColor(QColor(200, 30, 40));
        QCOMPARE(f.grid.grid()->headerData(1, Qt::Horizontal, Qt::BackgroundRole).value<QColor>(),
                 QColor(200, 30, 40));
        f.grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.grid));
        QHeaderView* h = f.grid.horizontalHeader();
        const QImage shot = h->viewport()->grab().toImage();
        QCOMPARE(QColor(shot.pixel(h->sectionViewportPosition(1) + 2, 2)), QColor(200, 30, 40));
    }

    void fixedColumnAndAlignment() {
        Fixture f(3, {{"Row", "12.5", "text"}});
        FlexGridModel* m = f.grid.grid();
        f.grid.setFixedCols(1);
        QVERIFY(!(m->flags(m->index(0, 0)) & Qt::ItemIsSelectable));
        QVERIFY(m->flags(m->index(0, 1)) & Qt::ItemIsSelectable);
        QVERIFY(m->index(0, 0).data(Qt::BackgroundRole).isValid());

        auto shown = [](const QModelIndex& i) { return i.data(Qt::TextAlignmentRole).toInt(); };
        QCOMPARE(shown(m->index(0, 1)), int(Qt::AlignRight | Qt::AlignVCenter));  // general
        QCOMPARE(shown(m->index(0, 2)), int(Qt::AlignLeft | Qt::AlignVCenter));
        f.grid.setColAlignment(1, Qt::AlignHCenter | Qt::AlignTop);
        QCOMPARE(shown(m->index(0, 1)), int(Qt::AlignHCenter | Qt::AlignVCenter));
        f.grid.setFixedAlignment(0, Qt::AlignCenter);
        QCOMPARE(shown(m->index(0, 0)), int(Qt::AlignCenter));
        QCOMPARE(m->headerData(0, Qt::Horizontal, Qt::TextAlignmentRole).toInt(),
                 int(Qt::AlignCenter));
    }

    void columnWidthsInTwips() {
        Fixture f(3, {{"a", "b", "c"}});
        f.grid.resize(800, 200);
        f.grid.setColWidth(0, 1500);
        f.grid.setColWidth(2, 450);
        f.grid.setColWidth(1, 0);
        f.grid.setColWidth(3, 1500);  // no such column
        f.grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.grid));
        QCOMPARE(f.grid.columnWidth(0), 100);
        QCOMPARE(f.grid.ColWidth(0), 1500);
        QCOMPARE(f.grid.ColWidth(1), 0);
        QCOMPARE(f.grid.ColWidth(2), 450);  // last column not stretched to the wide view
        QCOMPARE(f.grid.ColWidth(3), 0);
    }

    void clicksMakeTheCellCurrentBeforeTheEvent() {
        Fixture f(3, {{"a", "b", "c"}, {"d", "e", "f"}});
        f.grid.resize(400, 300);
        f.grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.grid));
        QStringList seen;  // what a handler reads when the event arrives
        connect(&f.grid, &FlexGrid::Click, this, [&] {
            seen
                << QString("click %1,%2 %3").arg(f.grid.Row()).arg(f.grid.Col()).arg(f.grid.Text());
        });
        connect(&f.grid, &FlexGrid::DblClick, this, [&] {
            seen << QString("dbl %1,%2 %3").arg(f.grid.Row()).arg(f.grid.Col()).arg(f.grid.Text());
        });
        const QPoint cell = f.grid.visualRect(f.grid.grid()->index(1, 2)).center();
        QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, cell);
        QCOMPARE(seen, QStringList({"click 2,2 f"}));

        seen.clear();
        const QPoint other = f.grid.visualRect(f.grid.grid()->index(0, 1)).center();
        // What a real double click delivers: press, release, double click, release.
        QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, other);
        QTest::mouseDClick(f.grid.viewport(), Qt::LeftButton, {}, other);
        QTest::mouseRelease(f.grid.viewport(), Qt::LeftButton, {}, other);
        QCOMPARE(seen, QStringList({"click 1,1 b", "dbl 1,1 b"}));

        seen.clear();
        QHeaderView* h = f.grid.horizontalHeader();
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                          QPoint(h->sectionViewportPosition(1) + 5, h->height() / 2));
        QCOMPARE(seen, QStringList({"click 0,1 H1"}));
        QVERIFY(!h->isSortIndicatorShown());
        QCOMPARE(f.column(0), QStringList({"a", "d"}));  // the view itself never sorts
    }

    void topRowScrollsTheBody() {
        QVector<QStringList> body;
        for (int i = 0; i < 200; ++i) body.append({QString::number(i)});
        Fixture f(1, {});
        f.grid.resize(200, 200);
        f.grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.grid));
        QCOMPARE(f.grid.TopRow(), 1);
        f.grid.grid()->setBody(body);  // scrolled straight after the fill
        f.grid.setTopRow(50);
        QCOMPARE(f.grid.TopRow(), 50);
        f.grid.setTopRow(1);
        QCOMPARE(f.grid.TopRow(), 1);
    }

    void thirtyThousandRowsFillAndSortQuickly() {
        FlexGrid grid;
        grid.setCols(3);
        QVector<QStringList> body;
        auto* rng = QRandomGenerator::global();
        for (int i = 0; i < 32766; ++i) {
            body.append({QString::number(rng->bounded(100000)), QString::number(i),
                         QString::number(rng->bounded(1000000), 36)});
        }
        grid.show();
        QElapsedTimer timer;
        timer.start();
        grid.grid()->setBody(body);
        grid.grid()->sortRows(0, Order::NumericDescending);
        grid.grid()->sortRows(2, Order::TextAscending);
        QVERIFY2(timer.elapsed() < 500, qPrintable(QString("%1 ms").arg(timer.elapsed())));
        QCOMPARE(grid.Rows(), 32767);
        for (int r = 2; r < grid.Rows(); ++r)
            QVERIFY(grid.TextMatrix(r - 1, 2) <= grid.TextMatrix(r, 2));
        // Each row still holds its own numbers.
        const int original = grid.TextMatrix(100, 1).toInt();
        QCOMPARE(grid.TextMatrix(100, 0), body[original][0]);
    }
};

#include "test_registry.h"
REELNOTE_TEST(TestFlexGrid)

#include "tst_flex_grid.moc"
