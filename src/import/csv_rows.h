#pragma once

#include "store/text_encoding.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

// A spreadsheet file as rows of fields: commas between fields, a field in double
// quotes may hold commas, line breaks and doubled quotes (RFC 4180); lines end
// with CR LF, LF or CR.
struct CsvRow {
    int line = 0;  // 1-based line of the file where the row begins
    QStringList fields;
    bool unterminated = false;  // a quote opened in the row never closed
};

struct CsvFile {
    TextEncoding encoding = TextEncoding::Cp932;
    // The first row that is not blank, its names without surrounding spaces.
    QStringList header;
    int headerLine = 0;
    QVector<CsvRow>
        rows;  // the rows after the header; rows of nothing but empty fields are left out
};

namespace CsvRows {

// Splits text into rows as above.
QVector<CsvRow> parse(QStringView text);

// Decodes bytes as the program decides for its own files (a byte-order mark, else
// code page 932 when the bytes read as such, else UTF-8), then splits them.
// With preferUtf8, bytes that are valid UTF-8 are read as UTF-8 even where they
// would also read as code page 932, as the exports of web services always are.
CsvFile read(const QByteArray& bytes, bool preferUtf8 = false);

}  // namespace CsvRows
