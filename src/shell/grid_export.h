#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

class FlexGrid;
class QWidget;
namespace GridPrint {
struct Sheet;
}
class Prompts;
class QAbstractItemView;

// Getting a list into a spreadsheet: a right-click on a grid offers
// "CSVで書き出す…", which writes what the grid shows, in the order shown, and
// beside it "印刷…" and "PDFに書き出す…" (shell/grid_print.h).
namespace GridExport {

inline const QString kActionText = QStringLiteral("CSVで書き出す…");
inline const QString kChartText = QStringLiteral("グラフで見る");

// Gives grid the right-click menu; suggestedName is the file name offered.
// With showChart, the menu also offers "グラフで見る", which calls it.
void offer(FlexGrid* grid, Prompts& prompts, const QString& suggestedName,
           std::function<void()> showChart = {});
// Asks for a file and writes the grid there; false when the user cancelled or
// the file could not be written (the user was told why).
bool exportCsv(const FlexGrid& grid, Prompts& prompts, const QString& suggestedName);
// The data folder, whose files no export may replace (set once by the window).
void setDataFolder(const QString& dataDir);
// Writes bytes to path in one step; false when it could not or path is a file of
// the data folder (the user was told why).
bool writeFile(Prompts& prompts, const QString& path, const QByteArray& bytes);
// The header row and every body row, as shown.
QVector<QStringList> shownRows(const FlexGrid& grid);

// Asks for a file (suggestedName: the CSV's name, offered with ".pdf") and
// writes the sheet there as PDF, with a progress box that can stop it; false
// when cancelled, stopped (nothing is written) or not written (the user was told why).
bool exportPdf(const GridPrint::Sheet& sheet, Prompts& prompts, const QString& suggestedName,
               QWidget* parent);
// Writes the sheet as PDF to path, telling progress after each page; false when
// progress stopped it (no file was begun, one at path stays as it was) or it
// was not written (the user was told why).
bool savePdf(const GridPrint::Sheet& sheet, Prompts& prompts, const QString& path,
             const std::function<bool(int done, int pages)>& progress);
// The name a list's PDF is offered under: its CSV's, ending in ".pdf".
QString pdfName(const QString& csvName);

// The same menu on a list that is no grid; rows gives what it shows, header first.
void offerRows(QAbstractItemView* view, Prompts& prompts, const QString& suggestedName,
               std::function<QVector<QStringList>()> rows);
// Asks for a file and writes rows there; false when cancelled or not written
// (the user was told why).
bool exportRows(const QVector<QStringList>& rows, Prompts& prompts, const QString& suggestedName);

}  // namespace GridExport
