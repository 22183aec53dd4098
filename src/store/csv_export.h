#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

#include <array>

class KansyouTable;
class TitleTable;

// Spreadsheet files: UTF-8 with a byte-order mark (so that spreadsheets open
// Japanese text right), fields quoted as RFC 4180 asks, CR LF line ends.
namespace CsvExport {

// One line per row; a field holding a comma, a double quote or a line break is
// quoted, its quotes doubled.
QByteArray document(const QVector<QStringList>& rows);

// Every title with every field, under a header row that names the evaluation
// and ownership items as the masters do.
QVector<QStringList> titleRows(const TitleTable& titles, const std::array<QString, 8>& hyouka,
                               const std::array<QString, 5>& syoyu);
// Every viewing in file order: date, title, content.
QVector<QStringList> historyRows(const KansyouTable& history);

}  // namespace CsvExport
