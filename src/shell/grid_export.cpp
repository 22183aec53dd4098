#include "grid_export.h"

#include "flex_grid.h"
#include "prompts.h"
#include "store/collection_files.h"
#include "store/csv_export.h"
#include "store/file_io.h"

#include <QAbstractItemView>
#include <QDir>
#include <QMenu>

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
}  // namespace

void setDataFolder(const QString& dataDir) { dataFolder() = dataDir; }

bool writeFile(Prompts& prompts, const QString& path, const QByteArray& bytes) {
    // A file picked in the dialog must not take the place of one of the collection's.
    if (!dataFolder().isEmpty() && isCollectionFile(dataFolder(), path)) {
        prompts.message(QStringLiteral("「%1」はデータフォルダーのファイルのため、書き出しに使えません。"
                                       "\r\n別の名前か別のフォルダーを選んでください。")
                            .arg(path),
                        QStringLiteral("書き出せません"), Prompts::Icon::Exclamation);
        return false;
    }
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
                         menu->popup(view->viewport()->mapToGlobal(at));
                     });
}

}  // namespace GridExport
