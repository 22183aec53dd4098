// Reading a foreign spreadsheet file: its encoding, its rows and its format.
#include "import_read.h"

#include "import_plan.h"

#include <QRegularExpression>

namespace ImportPlanner {

namespace {
// A column whose name says its dates are written month first ("Release Date
// (month/day/year)") gets them as year/month/day, the way the plan reads dates.
void monthFirstToYearFirst(CsvFile* file, int column) {
    if (column < 0 ||
        !file->header.value(column).contains(QLatin1String("month/day/year"), Qt::CaseInsensitive))
        return;
    static const QRegularExpression monthFirst(
        QStringLiteral("^\\s*(\\d{1,2})/(\\d{1,2})/(\\d{4})\\s*$"));
    for (CsvRow& row : file->rows) {
        if (column >= row.fields.size()) continue;
        QString& value = row.fields[column];
        const QRegularExpressionMatch m = monthFirst.match(value);
        if (m.hasMatch())
            value = QStringLiteral("%1/%2/%3")
                        .arg(m.captured(3), m.captured(1).rightJustified(2, u'0'),
                             m.captured(2).rightJustified(2, u'0'));
    }
}
}  // namespace

CsvFile readFile(const QByteArray& bytes, const QString& fileName, ImportColumns* columns) {
    const auto known = [](const QStringList& header) {
        return ImportFormats::recognise(header).format != ImportFormat::Unknown;
    };
    *columns = ImportColumns{};
    CsvFile file = CsvRows::read(bytes, known);
    if (file.notText) return file;
    *columns = ImportFormats::recognise(file.header, fileName);
    // The services write Latin text: bytes of theirs that show no sign of
    // Japanese are Windows-1252.
    if (ImportFormats::isServiceExport(columns->format) && file.encoding == TextEncoding::Cp932) {
        CsvFile latin = CsvRows::read(bytes, known, true);
        if (latin.encoding == TextEncoding::Windows1252) {
            file = std::move(latin);
            *columns = ImportFormats::recognise(file.header, fileName);
        }
    }
    monthFirstToYearFirst(&file, columns->koukai);
    return file;
}

CsvFile readFile(const QByteArray& bytes, ImportColumns* columns) {
    return readFile(bytes, QString(), columns);
}

QString notTextMessage(const QString& fileName) {
    return QStringLiteral(
               "「%"
               "1」はテキストファイルではないため、取り込めません（画像などのファイルのようです）。"
               "\r\nCSVファイルを選んでください。")
        .arg(fileName);
}

QString unseenQuestion(const QString& fileName, ImportFormat format) {
    return QStringLiteral(
               "「%1」は%2です。\r\n載っているのは、まだ観ていない映画です。"
               "鑑賞履歴なしのタイトルとして加えますか？")
        .arg(fileName, ImportFormats::name(format));
}

}  // namespace ImportPlanner
