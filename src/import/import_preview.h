#pragma once

#include "import_plan.h"

#include <QString>

namespace ImportPreview {

// What an import would do, for the user to agree to: the file and its format,
// the titles added and filled, the viewings added, the rows left out with the
// first reasons, the columns not used and every change of text. Lines end with
// CR LF.
QString text(const ImportPlan& plan, const QString& fileName);

// Why nothing can be imported from a file whose format is not known.
QString unknownFormat(const QString& fileName, const CsvFile& file);

// The short report after the import was written: counts, and the copies kept.
QString done(const ImportPlan& plan, const QStringList& kept);

}  // namespace ImportPreview
