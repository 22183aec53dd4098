#include "import/csv_rows.h"
#include "import/import_format.h"
#include "import/import_plan.h"
#include "import_support.h"
#include "test_registry.h"

#include <QStringEncoder>
#include <QTest>

using namespace ImportTest;

class TestCsvRows : public QObject {
    Q_OBJECT
private slots:
    void quotedFieldsLineEndsAndLineNumbers() {
        const QString text = QStringLiteral(
            "a,\"b, c\",\"say \"\"hi\"\"\"\r\n"
            "\"two\r\nlines\",x\n"
            "\n"
            ",,\r"
            "\"closed\" after,\"open");
        const QVector<CsvRow> rows = CsvRows::parse(text);
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0].fields, QStringList({"a", "b, c", "say \"hi\""}));
        QCOMPARE(rows[0].line, 1);
        QCOMPARE(rows[1].fields, QStringList({"two\r\nlines", "x"}));
        QCOMPARE(rows[1].line, 2);
        // The blank line and the row of empty fields are left out; the last row
        // takes what follows a closing quote, and its open quote runs to the end.
        QCOMPARE(rows[2].line, 6);
        QCOMPARE(rows[2].fields, QStringList({"closed after", "open"}));
        QVERIFY(rows[2].unterminated);
        QVERIFY(!rows[0].unterminated && !rows[1].unterminated);
    }

    // Every encoding the program reads its own files in, with or without a mark.
    void encodingsAsTheProgramDecidesThem() {
        const QString text = QStringLiteral("タイトル,監督\r\n七人の侍,黒澤明\r\n");
        QStringEncoder le(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
        QStringEncoder be(QStringEncoder::Utf16BE, QStringEncoder::Flag::WriteBom);
        const QList<QPair<QByteArray, TextEncoding>> files = {
            {QByteArray("\xEF\xBB\xBF") + text.toUtf8(), TextEncoding::Utf8},
            {text.toUtf8(), TextEncoding::Utf8},
            {le.encode(text), TextEncoding::Utf16LE},
            {be.encode(text), TextEncoding::Utf16BE},
            {sjis(text), TextEncoding::Cp932}};
        for (const auto& [bytes, encoding] : files) {
            const CsvFile f = CsvRows::read(bytes);
            QCOMPARE(f.encoding, encoding);
            QCOMPARE(f.header, QStringList({"タイトル", "監督"}));
            QCOMPARE(f.rows.size(), 1);
            QCOMPARE(f.rows[0].fields, QStringList({"七人の侍", "黒澤明"}));
        }
    }

    // "Léon" in UTF-8 is also two half-width katakana in code page 932: the
    // program's rule reads a spreadsheet so, while a service's export, which is
    // always UTF-8, is read as UTF-8.
    void serviceExportsAreUtf8WhereTheBytesAllowBoth() {
        const QByteArray leon = QStringLiteral("Léon").toUtf8();
        ImportColumns c;
        CsvFile f = ImportPlanner::readFile("Title\n" + leon + "\n", &c);
        QCOMPARE(c.format, ImportFormat::Spreadsheet);
        QCOMPARE(f.rows[0].fields[0], QStringLiteral("Lﾃｩon"));
        f = ImportPlanner::readFile("Name,Year,Letterboxd URI\n" + leon + ",1994,u\n", &c);
        QCOMPARE(c.format, ImportFormat::DiaryWatched);
        QCOMPARE(f.rows[0].fields[0], QStringLiteral("Léon"));
    }

    void formatsByTheirHeaderInAnyOrder() {
        using F = ImportFormat;
        const QList<QPair<QStringList, F>> headers = {
            {{"タイトル", "監督", "主演", "公開日", "国", "ジャンル", "評価", "a", "b", "c", "d",
              "e", "f", "g", "h", "i", "j", "k"},
             F::OwnTitles},
            {{"鑑賞内容", "タイトル", "鑑賞日"}, F::OwnHistory},
            {{"Watched Date", "Name", "Tags", "Letterboxd URI", "Rating", "Year"}, F::DiaryEntries},
            {{"Date", "Name", "Year", "Letterboxd URI"}, F::DiaryWatched},
            {{"Date", "Name", "Year", "Letterboxd URI", "Rating"}, F::DiaryRatings},
            {{"Title", "Const", "Your Rating", "Year"}, F::FilmDatabase},
            {{"country", "TITLE", "Watched Date", "メモ"}, F::Spreadsheet},
            {{"Film", "Director"}, F::Unknown}};
        for (const auto& [header, format] : headers)
            QCOMPARE(ImportFormats::recognise(header).format, format);
        const ImportColumns c =
            ImportFormats::recognise({"country", "TITLE", "Watched Date", "メモ"});
        QCOMPARE(c.title, 1);
        QCOMPARE(c.kuni, 0);
        QCOMPARE(c.watched, 2);
        QCOMPARE(c.ignored, QStringList({"メモ"}));
    }
};

REELNOTE_TEST(TestCsvRows)
#include "tst_csv_rows.moc"
