#pragma once

#include "csv_rows.h"
#include "import_format.h"

#include <QByteArray>
#include <QString>

namespace ImportPlanner {

// Reads the bytes of a spreadsheet file into rows and tells its format from the
// header, and from fileName where the header alone does not (a watchlist).
// Dates a layout writes month first are turned to year/month/day.
CsvFile readFile(const QByteArray& bytes, const QString& fileName, ImportColumns* columns);

// Why a file that is no text cannot be imported.
QString notTextMessage(const QString& fileName);

// Whether to add the films of a watchlist, which the user has not seen.
QString unseenQuestion(const QString& fileName, ImportFormat format);

}  // namespace ImportPlanner
