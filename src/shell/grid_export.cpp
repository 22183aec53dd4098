#include "grid_export.h"

#include "flex_grid.h"
#include "prompts.h"
#include "store/csv_export.h"
#include "store/file_io.h"

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
    const QString path =
        prompts.saveFileName(kActionText.chopped(1), QDir::home().filePath(suggestedName),
                             QStringLiteral("CSV (*.csv)"));
    if (path.isEmpty()) return false;
    return writeFile(prompts, path, CsvExport::document(shownRows(grid)));
}

bool writeFile(Prompts& prompts, const QString& path, const QByteArray& bytes) {
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

}  // namespace GridExport
