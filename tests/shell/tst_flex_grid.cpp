#include <QAbstractItemModelTester>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QRandomGenerator>
#include <QTest>

#include "shell/flex_grid.h"

namespace {

using Order = FlexGridModel::SortOrder;

// Body rows {key, original position}, so a sort's result reads as positions.
QVector<QStringList> tagged(const QStringList& keys) {
    QVector<QStringList> rows;
    for (int i = 0; i < keys.size(); ++i) rows.append({keys[i], QString::number(i)});
    return rows;
}

// A grid with header texts "H0".., watched by the model tester throughout.
struct Fixture {
    FlexGrid grid;
    FlexGridModel* m = grid.grid();
    QAbstractItemModelTester tester{m, QAbstractItemModelTester::FailureReportingMode::QtTest};
    Fixture(int cols, const QVector<QStringList>& body) {
        grid.setCols(cols);
        for (int c = 0; c < cols; ++c) grid.setTextMatrix(0, c, QString("H%1").arg(c));
        m->setBody(body);
    }
    QStringList column(int c) const {
        QStringList out;
        for (int r = 1; r < grid.Rows(); ++r) out << grid.TextMatrix(r, c);
        return out;
    }
    QString sorted(Order order) {
        m->sortRows(0, order);
        return column(1).join(' ');
    }
    void show(int w, int h) {
        grid.resize(w, h);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
    }
};

}  // namespace

class TestFlexGrid : public QObject {
    Q_OBJECT
private slots:
    void rowZeroIsTheHeaderAndOutOfRangeIsHarmless() {
        Fixture f(3, {{"a", "b"}, {"c", "d", "e", "cut"}});
        QCOMPARE(f.m->rowCount(), 2);
        QCOMPARE(f.m->index(1, 2).data().toString(), "e");
        QCOMPARE(f.grid.TextMatrix(2, 2), "e");
        QCOMPARE(f.grid.TextMatrix(1, 2), "");  // short row padded, long row cut
        f.grid.setTextMatrix(0, 2, "Title");
        QCOMPARE(f.m->headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), "Title");

        f.grid.setTextMatrix(3, 0, "lost");
        f.grid.setTextMatrix(1, -1, "lost");
        QCOMPARE(f.grid.TextMatrix(3, 0), "");
        QCOMPARE(f.grid.TextMatrix(0, 3), "");
        QCOMPARE(f.grid.Rows(), 3);
    }

    void resizingKeepsSurvivingCellsAndClearKeepsSize() {
        Fixture f(3, {{"a", "b", "c"}, {"d", "e", "f"}, {"g", "h", "i"}});
        f.m->setCellBackColor(3, 0, Qt::red);
        f.m->setCellBackColor(1, 2, Qt::blue);
        f.grid.setRows(2);
        f.grid.setRows(4);
        f.grid.setCols(2);
        f.grid.setCols(4);
        QCOMPARE(f.column(0), QStringList({"a", "", ""}));
        QCOMPARE(f.column(2), QStringList({"", "", ""}));
        QCOMPARE(f.grid.TextMatrix(0, 1), "H1");
        QCOMPARE(f.grid.TextMatrix(0, 2), "");
        // A removed cell's colour must not come back with the re-added cell.
        QVERIFY(!f.m->cellBackColor(3, 0).isValid());
        QVERIFY(!f.m->cellBackColor(1, 2).isValid());

        f.grid.setRows(0);  // the header row cannot go
        QCOMPARE(f.grid.Rows(), 1);
        f.grid.setRows(3);
        f.grid.setTextMatrix(2, 3, "z");
        f.grid.Clear();
        QCOMPARE(f.grid.Rows(), 3);
        QCOMPARE(f.grid.Cols(), 4);
        QCOMPARE(f.grid.TextMatrix(0, 0) + f.grid.TextMatrix(2, 3), "");
    }

    void sortsMoveWholeRowsStablyInEachOrder() {
        const auto numbers = tagged({"10", "9", "x", "-1.5", "9", "", "inf", " 2 "});
        Fixture f(2, numbers);
        QCOMPARE(f.sorted(Order::NumericAscending), "2 5 6 3 7 1 4 0");
        QCOMPARE(f.column(0), QStringList({"x", "", "inf", "-1.5", " 2 ", "9", "9", "10"}));
        QCOMPARE(f.grid.TextMatrix(0, 0), "H0");
        f.m->setBody(numbers);
        QCOMPARE(f.sorted(Order::NumericDescending), "0 1 4 7 3 2 5 6");

        // Code page 932 bytes: upper case before lower, half-width katakana (one
        // byte, 0xB1) next, and a character the code page cannot hold last.
        Fixture t(2, tagged({"b", "B", "\uFF71", "a", QString::fromUcs4(U"\U00020BB7"), "B", ""}));
        QCOMPARE(t.sorted(Order::TextAscending), "6 1 5 3 0 2 4");
        QCOMPARE(t.sorted(Order::TextDescending), "4 2 0 3 1 5 6");
        // Hiragana, katakana, then kanji in reading order (亜 a before 伊 i),
        // full-width letters before all of them: not UTF-16 order.
        Fixture j(2, tagged({"伊", "ア", "亜", "あ", "Ａ"}));
        QCOMPARE(j.sorted(Order::TextAscending), "4 3 1 2 0");

        Fixture empty(2, {});
        empty.m->sortRows(0, Order::TextAscending);
        QCOMPARE(empty.grid.Rows(), 1);
    }

    void sortCarriesCellColoursAndTheViewsCurrentRow() {
        Fixture f(2, tagged({"b", "a", "c"}));
        f.m->setCellBackColor(1, 1, Qt::yellow);
        f.m->setCellBackColor(0, 1, Qt::green);
        f.grid.setCurrentIndex(f.m->index(0, 1));
        f.m->sortRows(0, Order::TextAscending);
        QCOMPARE(f.m->cellBackColor(2, 1), QColor(Qt::yellow));
        QVERIFY(!f.m->cellBackColor(1, 1).isValid());
        QCOMPARE(f.m->cellBackColor(0, 1), QColor(Qt::green));
        QCOMPARE(f.grid.currentIndex().row(), 1);
    }

    void fixedColumnAndAlignment() {
        Fixture f(3, {{"Row", "12.5", "text"}});
        f.grid.setFixedCols(1);
        QVERIFY(!(f.m->flags(f.m->index(0, 0)) & Qt::ItemIsSelectable));
        QVERIFY(f.m->index(0, 0).data(Qt::BackgroundRole).isValid());
        auto shown = [&](int c) { return f.m->index(0, c).data(Qt::TextAlignmentRole).toInt(); };
        QCOMPARE(shown(1), int(Qt::AlignRight | Qt::AlignVCenter));  // general: numbers right
        QCOMPARE(shown(2), int(Qt::AlignLeft | Qt::AlignVCenter));
        f.grid.setColAlignment(1, Qt::AlignHCenter | Qt::AlignTop);
        QCOMPARE(shown(1), int(Qt::AlignHCenter | Qt::AlignVCenter));
        f.grid.setFixedAlignment(0, Qt::AlignCenter);
        QCOMPARE(shown(0), int(Qt::AlignCenter));
        QCOMPARE(f.m->headerData(0, Qt::Horizontal, Qt::TextAlignmentRole).toInt(),
                 int(Qt::AlignCenter));
    }

    void shownViewKeepsWidthsHeaderColourAndTopRow() {
        Fixture f(3, {});
        f.grid.setColWidth(0, 1500);
        f.grid.setColWidth(1, 0);
        f.grid.setColWidth(2, 450);
        f.grid.setCol(2);
        f.grid.setCellBackColor(QColor(200, 30, 40));  // current cell (0, 2)
        f.show(800, 200);
        QCOMPARE(f.grid.columnWidth(0), 100);
        QCOMPARE(f.grid.ColWidth(0), 1500);
        QCOMPARE(f.grid.ColWidth(1), 0);
        QCOMPARE(f.grid.ColWidth(2), 450);  // not stretched to the wide view
        QHeaderView* h = f.grid.horizontalHeader();
        const QImage shot = h->viewport()->grab().toImage();
        QCOMPARE(QColor(shot.pixel(h->sectionViewportPosition(2) + 2, 2)), QColor(200, 30, 40));

        QCOMPARE(f.grid.TopRow(), 1);
        f.m->setBody(QVector<QStringList>(200, {"x"}));
        f.grid.setTopRow(50);  // straight after the fill
        QCOMPARE(f.grid.TopRow(), 50);
    }

    void narrowColumnsKeepTheirWidthWhateverTheFont() {
        Fixture f(3, {{"1", "03/05/10", "DVD"}});
        QFont big = f.grid.font();
        big.setPointSize(20);  // a header text wider than the column
        f.grid.setFont(big);
        f.grid.setUpHeader({"回", "鑑賞日", "鑑賞内容"}, {400, 1130, 15});
        f.show(600, 200);
        QCOMPARE(f.grid.columnWidth(0), 27);
        QCOMPARE(f.grid.columnWidth(2), 1);
        // The widths read back are the widths given, not their rounding to pixels.
        QCOMPARE(f.grid.ColWidth(0), 400);
        QCOMPARE(f.grid.ColWidth(1), 1130);
        f.grid.setColumnWidth(1, 80);  // as the user drags the border
        QCOMPARE(f.grid.ColWidth(1), 1200);
    }

    void doubleClickOnTheHeaderIsADoubleClickOnRowZero() {
        Fixture f(3, {});
        f.grid.setUpHeader({"回", "鑑賞日", "鑑賞内容"}, {400, 1130, 2260});
        f.show(400, 200);
        QStringList seen;
        connect(&f.grid, &FlexGrid::DblClick, this,
                [&] { seen << QString::asprintf("dbl %d,%d", f.grid.Row(), f.grid.Col()); });
        QHeaderView* h = f.grid.horizontalHeader();
        for (int c : {0, 2}) {
            const QPoint at(h->sectionViewportPosition(c) + h->sectionSize(c) / 2, h->height() / 2);
            QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(h->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseRelease(h->viewport(), Qt::LeftButton, {}, at);
        }
        QCOMPARE(seen, QStringList({"dbl 0,0", "dbl 0,2"}));
    }

    void clicksMakeTheCellCurrentBeforeTheEvent() {
        Fixture f(3, {{"a", "b", "c"}, {"d", "e", "f"}});
        f.show(400, 300);
        QStringList seen;  // what a handler reads when the event arrives
        auto note = [&](const char* what) {
            const FlexGrid& g = f.grid;
            seen << QString::asprintf("%s %d,%d %ls", what, g.Row(), g.Col(),
                                      qUtf16Printable(g.Text()));
        };
        connect(&f.grid, &FlexGrid::Click, this, [&] { note("click"); });
        connect(&f.grid, &FlexGrid::DblClick, this, [&] { note("dbl"); });
        QWidget* body = f.grid.viewport();
        QTest::mouseClick(body, Qt::LeftButton, {}, f.grid.visualRect(f.m->index(1, 2)).center());
        // What a real double click delivers: press, release, double click, release.
        const QPoint other = f.grid.visualRect(f.m->index(0, 1)).center();
        QTest::mouseClick(body, Qt::LeftButton, {}, other);
        QTest::mouseDClick(body, Qt::LeftButton, {}, other);
        QTest::mouseRelease(body, Qt::LeftButton, {}, other);
        QHeaderView* h = f.grid.horizontalHeader();
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                          QPoint(h->sectionViewportPosition(1) + 5, h->height() / 2));
        QCOMPARE(seen, QStringList({"click 2,2 f", "click 1,1 b", "dbl 1,1 b", "click 0,1 H1"}));
        QCOMPARE(f.column(0), QStringList({"a", "d"}));  // the view itself never sorts
    }

    void thirtyThousandRowsFillAndSortQuickly() {
        FlexGrid grid;  // no model tester: it would dominate the timing
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
        const int original = grid.TextMatrix(100, 1).toInt();  // rows stayed whole
        QCOMPARE(grid.TextMatrix(100, 0), body[original][0]);
        // Thousands of equal keys: each run must keep the text order just made.
        for (Order order : {Order::NumericAscending, Order::NumericDescending}) {
            grid.grid()->sortRows(2, Order::TextAscending);
            grid.grid()->sortRows(0, order);
            const int sign = order == Order::NumericAscending ? 1 : -1;
            for (int r = 2; r < grid.Rows(); ++r) {
                const int a = sign * grid.TextMatrix(r - 1, 0).toInt();
                const int b = sign * grid.TextMatrix(r, 0).toInt();
                QVERIFY(a < b || (a == b && grid.TextMatrix(r - 1, 2) <= grid.TextMatrix(r, 2)));
            }
        }
    }
};

#include "test_registry.h"
REELNOTE_TEST(TestFlexGrid)

#include "tst_flex_grid.moc"
