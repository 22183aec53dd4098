#include "main_fixture.h"
#include "shell/flex_grid.h"
#include "shell/grid_export.h"
#include "shell/grid_print.h"
#include "store/catalogue.h"
#include "test_files.h"
#include "test_registry.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>

using namespace TestFiles;

namespace {
// The pages of a PDF document: its page objects (not the /Pages tree).
int pageCount(const QByteArray& pdf) {
    return int(pdf.count("/Type /Page") - pdf.count("/Type /Pages"));
}

// The document's title as a PDF string holds it: UTF-16 with its mark.
QByteArray pdfTitle(const QString& title) {
    QByteArray bytes = "/Title (\xFE\xFF";
    for (const QChar c : title) {
        bytes += char(c.unicode() >> 8);
        bytes += char(c.unicode() & 0xFF);
    }
    return bytes + ')';
}

// Right-clicks view and takes the action of that text from the menu it offers;
// false when the menu has none.
bool takeFromMenu(QAbstractItemView* view, const QString& text) {
    emit view->customContextMenuRequested(QPoint(5, 5));
    bool found = false;
    for (QMenu* menu : view->findChildren<QMenu*>()) {
        for (QAction* a : menu->actions()) {
            if (a->text() != text || found) continue;
            found = true;
            a->trigger();
        }
        menu->close();
    }
    return found;
}

QString titles(int n) {
    QString data;
    for (int i = 1; i <= n; ++i)
        data += titleRecord(QStringLiteral("題名%1").arg(i, 3, 10, QLatin1Char('0')),
                            QStringLiteral("監督%1").arg(i % 7), {}, QStringLiteral("1999/01"),
                            QStringLiteral("日本"), QStringLiteral("劇"));
    return data;
}
}  // namespace

class TestGridPrint : public QObject {
    Q_OBJECT
private slots:
    // Rows fill whole pages before the next begins, the columns keep their
    // proportions across the page, and an empty list still has its page.
    void pagingSplitsRowsAndScalesColumns() {
        const GridPrint::Paging p = GridPrint::paging({100, 300, 0}, 800, 25, 105, 10);
        QCOMPARE(p.rowsPerPage, 10);
        QCOMPARE(p.pages, 3);
        QCOMPARE(p.widths, (QVector<double>{200, 600, 0}));
        QCOMPARE(GridPrint::paging({1}, 10, 20, 100, 10).pages, 2);
        QCOMPARE(GridPrint::paging({1}, 10, 21, 100, 10).pages, 3);
        QCOMPARE(GridPrint::paging({1}, 10, 0, 100, 10).pages, 1);
        // A page lower than a row still takes one row.
        QCOMPARE(GridPrint::paging({1}, 10, 3, 5, 10).rowsPerPage, 1);
        QCOMPARE(GridPrint::paging({1}, 10, 3, 5, 10).pages, 3);
        QCOMPARE(GridPrint::pageNumber(1, 12), QStringLiteral("1 / 12"));
    }

    // The columns in the order and widths shown, hidden ones left out, each row as shown.
    void theSheetIsTheListAsShown() {
        FlexGrid g;
        g.setUpHeader({QStringLiteral("題名"), QStringLiteral("監督"), QStringLiteral("国")},
                      {3000, 1500, 1500});
        g.grid()->setBody({{"乙", "B", "日本"}, {"甲", "A", "米国"}});
        g.setColAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        g.horizontalHeader()->moveSection(2, 0);
        g.setColumnHidden(1, true);
        g.setRowHidden(0, true);
        const GridPrint::Sheet s = GridPrint::sheetOf(g, QStringLiteral("主一覧"));
        QCOMPARE(s.header, (QStringList{"国", "題名"}));
        QCOMPARE(s.rows, (QVector<QStringList>{{"米国", "甲"}}));
        QCOMPARE(s.widths, (QVector<double>{double(g.columnWidth(2)), double(g.columnWidth(0))}));
        QCOMPARE(s.align[0], Qt::AlignRight);
    }

    // Every list of the screens offers both, beside the CSV.
    void everyListOffersPrintAndPdf() {
        MainFixture f;
        writeFreshMasters(f.path(), false);
        writeCp932(f.path(), kDataFile, titles(3));
        f.start();
        for (const char* button :
             {"cmdIchiran", "cmdIchiran2", "cmdIchiran3", "cmdRank", "cmdList", "cmdKensaku"})
            f.click(button);
        for (const char* name :
             {"msgIchiran", "msgIchiran2", "msgIchiran3", "msgMaster1", "msgMaster5", "msgMaster6",
              "msgMaster8", "msgHenList", "lstDaimei"}) {
            auto* view = f.find<QAbstractItemView>(QLatin1String(name));
            QVERIFY2(view, name);
            emit view->customContextMenuRequested(QPoint(5, 5));
            QStringList texts;
            for (QMenu* menu : view->findChildren<QMenu*>()) {
                for (QAction* a : menu->actions()) texts << a->text();
                menu->close();
            }
            QVERIFY2(texts.contains(GridExport::kActionText), name);
            QVERIFY2(texts.contains(GridPrint::kPrintText), name);
            QVERIFY2(texts.contains(GridPrint::kPdfText), name);
        }
        f.checkBoxes();
    }

    // The PDF of a list has the pages the preview shows, its heading as title, and
    // is offered under the CSV's name.
    void aListIsPrintedAndWrittenAsPdf() {
        MainFixture f;
        writeFreshMasters(f.path(), false);
        writeCp932(f.path(), kDataFile, titles(150));
        f.start();
        const QByteArray data = readBytes(f.path(), kDataFile);
        f.click("cmdIchiran");
        auto* g = f.find<FlexGrid>("msgIchiran");
        f.prompts.planInput(QDir(f.path()).filePath("主一覧.pdf"));
        QVERIFY(takeFromMenu(g, GridPrint::kPdfText));
        QCOMPARE(f.prompts.boxes.size(), 1);
        QCOMPARE(f.prompts.boxes[0].kind, QStringLiteral("save"));
        QVERIFY(f.prompts.boxes[0].defaultText.endsWith(QStringLiteral("/主一覧.pdf")));
        const QByteArray pdf = readBytes(f.path(), "主一覧.pdf");
        QVERIFY(pdf.startsWith("%PDF-"));
        const int pages = pageCount(pdf);
        QVERIFY2(pages >= 2, qPrintable(QString::number(pages)));
        QVERIFY(pdf.contains(pdfTitle(QStringLiteral("主一覧"))));
        QCOMPARE(readBytes(f.path(), kDataFile), data);

        QVERIFY(takeFromMenu(g, GridPrint::kPrintText));
        QPrintPreviewDialog* preview = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QStringLiteral("dlgPrintPreview") && w->isVisible())
                preview = qobject_cast<QPrintPreviewDialog*>(w);
        QVERIFY(preview);
        QCOMPARE(preview->findChild<QPrintPreviewWidget*>()->pageCount(), pages);
        preview->close();
        f.checkBoxes();
    }

    // Stopped after its first page, nothing is written: a file already there stays.
    void stoppingLeavesNoFile() {
        MainFixture f;
        writeFreshMasters(f.path(), false);
        writeCp932(f.path(), kDataFile, titles(150));
        f.start();
        f.click("cmdIchiran");
        const GridPrint::Sheet sheet =
            GridPrint::sheetOf(*f.find<FlexGrid>("msgIchiran"), QStringLiteral("主一覧"));
        const QString path = QDir(f.path()).filePath("out.pdf");
        int told = 0;
        QVERIFY(!GridExport::savePdf(sheet, f.prompts, path, [&](int done, int pages) {
            told = done;
            return pages > 0 && done < 1;
        }));
        QCOMPARE(told, 1);
        QVERIFY(!QFile::exists(path));
        writeBytes(f.path(), "out.pdf", "old");
        QVERIFY(!GridExport::savePdf(sheet, f.prompts, path, [](int, int) { return false; }));
        QCOMPARE(readBytes(f.path(), "out.pdf"), QByteArray("old"));
        QCOMPARE(QDir(f.path()).entryList({"*.pdf*"}, QDir::Files | QDir::Hidden),
                 QStringList{"out.pdf"});
        f.checkBoxes();
    }
};

REELNOTE_TEST(TestGridPrint)
#include "tst_grid_print.moc"
