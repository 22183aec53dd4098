#include "grid_export.h"

#include "flex_grid.h"
#include "grid_print.h"
#include "prompts.h"
#include "store/collection_files.h"
#include "store/csv_export.h"
#include "store/file_io.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QPrinter>
#include <QProgressDialog>

namespace GridExport {

QVector<QStringList> shownRows(const FlexGrid& grid) {
    QVector<QStringList> rows;
    rows.reserve(grid.Rows());
    for (int r = 0; r < grid.Rows(); ++r) {
        QStringList row;
        row.reserve(grid.Cols());
        for (int c = 0; c < grid.Cols(); ++c) row << grid.TextMatrix(r, c);
        rows.append(std::move(row));
    }
    return rows;
}

bool exportCsv(const FlexGrid& grid, Prompts& prompts, const QString& suggestedName) {
    return exportRows(shownRows(grid), prompts, suggestedName);
}

bool exportRows(const QVector<QStringList>& rows, Prompts& prompts, const QString& suggestedName) {
    const QString path =
        prompts.saveFileName(kActionText.chopped(1), QDir::home().filePath(suggestedName),
                             QStringLiteral("CSV (*.csv)"));
    if (path.isEmpty()) return false;
    return writeFile(prompts, path, CsvExport::document(rows));
}

namespace {
QString& dataFolder() {
    static QString folder;
    return folder;
}

// A file picked in the dialog must not take the place of one of the collection's.
bool refused(Prompts& prompts, const QString& path) {
    if (dataFolder().isEmpty() || !isCollectionFile(dataFolder(), path)) return false;
    prompts.message(
        QStringLiteral("「%1」はデータフォルダーのファイルのため、書き出しに使えません。"
                       "\r\n別の名前か別のフォルダーを選んでください。")
            .arg(path),
        QStringLiteral("書き出せません"), Prompts::Icon::Exclamation);
    return true;
}

QString headingOf(const QString& suggestedName) {
    return QFileInfo(suggestedName).completeBaseName();
}

// "印刷…" and "PDFに書き出す…" of a list whose sheet is read when asked for.
void addPrintActions(QMenu* menu, QWidget* view, Prompts& prompts, const QString& suggestedName,
                     std::function<GridPrint::Sheet()> sheet) {
    QObject::connect(
        menu->addAction(GridPrint::kPrintText), &QAction::triggered, view, [view, &prompts, sheet] {
            // The preview paints every page as it opens.
            BusyPointer busy(prompts);
            const GridPrint::Sheet s = sheet();
            GridPrint::openPreview(
                s.heading, GridPrint::landscape(s),
                [s](QPrinter* printer) { GridPrint::paint(*printer, s); }, view->window());
        });
    QObject::connect(menu->addAction(GridPrint::kPdfText), &QAction::triggered, view,
                     [view, &prompts, suggestedName, sheet] {
                         exportPdf(sheet(), prompts, pdfName(suggestedName), view->window());
                     });
}
}  // namespace

void setDataFolder(const QString& dataDir) { dataFolder() = dataDir; }

QString pdfName(const QString& csvName) { return headingOf(csvName) + QStringLiteral(".pdf"); }

bool exportPdf(const GridPrint::Sheet& sheet, Prompts& prompts, const QString& suggestedName,
               QWidget* parent) {
    const QString path =
        prompts.saveFileName(GridPrint::kPdfText.chopped(1), QDir::home().filePath(suggestedName),
                             QStringLiteral("PDF (*.pdf)"));
    if (path.isEmpty()) return false;
    QProgressDialog progress(QStringLiteral("PDFに書き出しています…"), QStringLiteral("キャンセル"),
                             0, 0, parent);
    progress.setObjectName(QStringLiteral("dlgPdfProgress"));
    progress.setWindowTitle(GridPrint::kPdfText.chopped(1));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(400);
    progress.setAutoReset(false);
    return savePdf(sheet, prompts, path, [&progress](int done, int pages) {
        progress.setMaximum(pages);
        progress.setValue(done);
        return !progress.wasCanceled();
    });
}

bool savePdf(const GridPrint::Sheet& sheet, Prompts& prompts, const QString& path,
             const std::function<bool(int done, int pages)>& progress) {
    if (refused(prompts, path)) return false;
    QByteArray bytes;
    {
        BusyPointer busy(prompts);
        bytes = GridPrint::pdf(sheet, progress);
    }
    // Stopped: the document was only in memory, no file was begun.
    if (bytes.isEmpty()) return false;
    return writeFile(prompts, path, bytes);
}

bool writeFile(Prompts& prompts, const QString& path, const QByteArray& bytes) {
    if (refused(prompts, path)) return false;
    QString why;
    if (FileIo::replaceWhole(FileSystem::real(), path, bytes, &why)) return true;
    prompts.message(QStringLiteral("「%1」に書き出せませんでした。\r\n%2").arg(path, why),
                    QStringLiteral("書き出せません"), Prompts::Icon::Critical);
    return false;
}

void offer(FlexGrid* grid, Prompts& prompts, const QString& suggestedName,
           std::function<void()> showChart) {
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(
        grid, &QWidget::customContextMenuRequested, grid,
        [grid, &prompts, suggestedName, showChart](const QPoint& at) {
            auto* menu = new QMenu(grid);
            menu->setAttribute(Qt::WA_DeleteOnClose);
            QObject::connect(
                menu->addAction(kActionText), &QAction::triggered, grid,
                [grid, &prompts, suggestedName] { exportCsv(*grid, prompts, suggestedName); });
            addPrintActions(menu, grid, prompts, suggestedName, [grid, suggestedName] {
                return GridPrint::sheetOf(*grid, headingOf(suggestedName));
            });
            if (showChart)
                QObject::connect(menu->addAction(kChartText), &QAction::triggered, grid, showChart);
            menu->popup(grid->viewport()->mapToGlobal(at));
        });
}

void offerRows(QAbstractItemView* view, Prompts& prompts, const QString& suggestedName,
               std::function<QVector<QStringList>()> rows) {
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(view, &QWidget::customContextMenuRequested, view,
                     [view, &prompts, suggestedName, rows](const QPoint& at) {
                         auto* menu = new QMenu(view);
                         menu->setAttribute(Qt::WA_DeleteOnClose);
                         QObject::connect(menu->addAction(kActionText), &QAction::triggered, view,
                                          [&prompts, suggestedName, rows] {
                                              exportRows(rows(), prompts, suggestedName);
                                          });
                         addPrintActions(menu, view, prompts, suggestedName, [rows, suggestedName] {
                             return GridPrint::sheetOfRows(rows(), headingOf(suggestedName));
                         });
                         menu->popup(view->viewport()->mapToGlobal(at));
                     });
}

}  // namespace GridExport
