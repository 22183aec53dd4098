#pragma once

#include "store/text_encoding.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

// A spreadsheet file as rows of fields: a separator between fields (a comma, a
// tab or a semicolon), a field in double quotes may hold separators, line
// breaks and doubled quotes (RFC 4180); lines end with CR LF, LF or CR.
struct CsvRow {
    int line = 0;  // 1-based line of the file where the row begins
    QStringList fields;
    // A quote opened in the row never closed: it runs to the end of the file,
    // or the row was ended where the next line begins a record of its own.
    bool unterminated = false;
};

struct CsvFile {
    TextEncoding encoding = TextEncoding::Cp932;
    QChar separator = u',';
    bool notText = false;  // NUL or many control bytes: a picture or the like
    // The first row that is not blank, its names without surrounding spaces.
    QStringList header;
    int headerLine = 0;
    QVector<CsvRow>
        rows;  // the rows after the header; rows of nothing but empty fields are left out
};

namespace CsvRows {

// Splits text into rows as above. A quoted field still open at a line end goes
// on over the line break, unless the next line reads as a record of its own:
// closed quotes, as many fields as the first row, and the first field shaped as
// in every row before (a date, a number). Then the row is unterminated, and
// the next line is the next row.
QVector<CsvRow> parse(QStringView text, QChar separator = u',');

// Decodes a file to be imported: a byte-order mark decides; else plain ASCII;
// else UTF-8 when the bytes are valid UTF-8; else code page 932 when the bytes
// read as such and look like Japanese; else Windows-1252, the encoding of
// Latin text from Windows. Bytes of code page 932 that show no sign of either
// are code page 932, unless latinUnlessJapanese (for the layouts of services,
// whose texts are Latin). *notText tells of bytes that are no text at all.
DecodedText decode(const QByteArray& bytes, bool latinUnlessJapanese = false,
                   bool* notText = nullptr);

// Decodes and splits the bytes of a file. The separator is the comma, tab or
// semicolon of the first line that gives knownHeader's approval, else the most
// fields; the comma on a tie.
using HeaderTest = std::function<bool(const QStringList& header)>;
// latinUnlessJapanese is as for decode.
CsvFile read(const QByteArray& bytes, const HeaderTest& knownHeader = {},
             bool latinUnlessJapanese = false);

}  // namespace CsvRows
