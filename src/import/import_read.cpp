// Reading a foreign spreadsheet file: its encoding, its rows and its format.
#include "import_plan.h"

#include "store/cp932.h"

namespace ImportPlanner {

CsvFile readFile(const QByteArray& bytes, ImportColumns* columns) {
    CsvFile file = CsvRows::read(bytes);
    *columns = ImportFormats::recognise(file.header);
    if (ImportFormats::isServiceExport(columns->format) && file.encoding == TextEncoding::Cp932 &&
        Cp932::isUtf8(bytes)) {
        file = CsvRows::read(bytes, true);
        *columns = ImportFormats::recognise(file.header);
    }
    return file;
}

}  // namespace ImportPlanner
