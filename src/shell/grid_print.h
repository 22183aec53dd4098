#pragma once

#include <QColor>
#include <QFont>
#include <QMarginsF>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

class QPagedPaintDevice;
class QPrintPreviewDialog;
class QPrinter;
class QTableView;
class QWidget;

// A list on paper: the screen's heading, the columns as shown (their order and
// their widths scaled to the page) with the header row on every page, and the
// page numbers at the foot.
namespace GridPrint {

inline const QString kPrintText = QStringLiteral("印刷…");
inline const QString kPdfText = QStringLiteral("PDFに書き出す…");

// What is printed, independent of the view it came from.
struct Sheet {
    QString heading;
    QStringList header;
    QVector<QStringList> rows;  // body rows, one cell per column of header
    QVector<double> widths;     // each column's width as shown, in any unit
    // Each column's horizontal alignment; Qt::Alignment() for "general": numbers
    // right, text left, cell by cell.
    QVector<Qt::Alignment> align;
    QVector<QColor> headerFill;  // invalid: no fill
};

// The columns of view in the order shown, hidden ones left out, and its rows
// that are not hidden, in the order shown.
Sheet sheetOf(const QTableView& view, const QString& heading);
// rows as a list gives them: the header row first; every column equally wide.
Sheet sheetOfRows(const QVector<QStringList>& rows, const QString& heading);

// How a sheet falls on pages.
struct Paging {
    int rowsPerPage = 1;
    int pages = 1;
    QVector<double> widths;  // the columns' widths on the page
};
// bodyHeight: what a page leaves for body rows under its heading and header row
// and above its foot. The columns keep their proportions and fill pageWidth; a
// sheet without rows still has a page.
Paging paging(const QVector<double>& shownWidths, double pageWidth, int rowCount, double bodyHeight,
              double rowHeight);
// "1 / 12"
QString pageNumber(int page, int pages);
// Wide sheets are printed across the page.
bool landscape(const Sheet& sheet);

// A font that has the Japanese glyphs, at pointSize.
QFont printFont(double pointSize);

// Told after each page how many of how many are done; false stops.
using Progress = std::function<bool(int done, int pages)>;

// Paints the sheet on device, page after page; false when progress stopped it
// or the device could not be painted on.
bool paint(QPagedPaintDevice& device, const Sheet& sheet, const Progress& progress = {});
// The sheet as a PDF document; empty when progress stopped it.
QByteArray pdf(const Sheet& sheet, const Progress& progress = {});

// An A4 PDF in memory, titled title, with margins in millimetres, that paintOn
// paints; empty when paintOn stops or fails.
QByteArray a4Pdf(const QString& title, bool across, const QMarginsF& marginsMm,
                 const std::function<bool(QPagedPaintDevice&)>& paintOn);

// A4, across or upright, with the margins of every printed page.
void setUpPrinter(QPrinter& printer, bool landscape);
// A print preview of what paintPages paints, opened without waiting on it (it
// closes itself); its printer is set up as setUpPrinter does.
QPrintPreviewDialog* openPreview(const QString& title, bool landscape,
                                 std::function<void(QPrinter*)> paintPages, QWidget* parent);

}  // namespace GridPrint
