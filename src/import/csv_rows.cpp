#include "csv_rows.h"

#include "store/cp932.h"

namespace CsvRows {

namespace {
bool isBlank(const QStringList& fields) {
    for (const QString& f : fields)
        if (!f.trimmed().isEmpty()) return false;
    return true;
}
}  // namespace

QVector<CsvRow> parse(QStringView text) {
    QVector<CsvRow> rows;
    const qsizetype n = text.size();
    qsizetype i = 0;
    int line = 1;
    // A line end at i (CR LF, LF or CR): its length, else 0.
    const auto lineEnd = [&](qsizetype at) -> int {
        if (at >= n) return 0;
        if (text[at] == u'\r') return at + 1 < n && text[at + 1] == u'\n' ? 2 : 1;
        return text[at] == u'\n' ? 1 : 0;
    };
    while (i < n) {
        CsvRow row;
        row.line = line;
        bool rowDone = false;
        while (!rowDone) {
            QString field;
            if (i < n && text[i] == u'"') {
                ++i;
                for (;;) {
                    if (i >= n) {
                        row.unterminated = true;
                        break;
                    }
                    if (text[i] == u'"') {
                        if (i + 1 < n && text[i + 1] == u'"') {
                            field += u'"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    if (const int e = lineEnd(i)) {
                        ++line;
                        field += text.sliced(i, e);
                        i += e;
                        continue;
                    }
                    field += text[i++];
                }
            }
            // Unquoted text, or what follows a closing quote up to the separator,
            // is taken as it stands.
            while (i < n && text[i] != u',' && !lineEnd(i)) field += text[i++];
            row.fields.append(field);
            if (i < n && text[i] == u',') {
                ++i;
            } else {
                if (const int e = lineEnd(i)) {
                    i += e;
                    ++line;
                }
                rowDone = true;
            }
        }
        if (!isBlank(row.fields) || row.unterminated) rows.append(std::move(row));
    }
    return rows;
}

CsvFile read(const QByteArray& bytes, bool preferUtf8) {
    DecodedText decoded;
    const bool hasMark = bytes.startsWith("\xEF\xBB\xBF") || bytes.startsWith("\xFF\xFE") ||
                         bytes.startsWith("\xFE\xFF");
    if (preferUtf8 && !hasMark && Cp932::isUtf8(bytes)) {
        decoded.encoding = TextEncoding::Utf8;
        decoded.text = Cp932::toCp932Twins(QString::fromUtf8(bytes));
    } else {
        decoded = decodeTextFile(bytes);
    }
    CsvFile file;
    file.encoding = decoded.encoding;
    file.rows = parse(decoded.text);
    if (!file.rows.isEmpty()) {
        const CsvRow first = file.rows.takeFirst();
        file.headerLine = first.line;
        for (const QString& name : first.fields) file.header.append(name.trimmed());
    }
    return file;
}

}  // namespace CsvRows
