#include "import/csv_rows.h"
#include "import/import_format.h"
#include "import/import_plan.h"
#include "import/import_preview.h"
#include "import/import_read.h"
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

    // UTF-8 without a mark whose bytes also read as code page 932 ("é" is C3 A9,
    // "ﾃｩ"): valid UTF-8 with some multi-byte character is UTF-8, in a spreadsheet
    // as in a service's export. Japanese in code page 932 stays so, and a file of
    // ASCII alone says ASCII.
    void utf8WhereTheBytesAllowBoth() {
        ImportColumns c;
        CsvFile f =
            ImportPlanner::readFile("Title\n" + QStringLiteral("Amélie").toUtf8() + "\n", &c);
        QCOMPARE(c.format, ImportFormat::Spreadsheet);
        QCOMPARE(f.encoding, TextEncoding::Utf8);
        QCOMPARE(f.rows[0].fields[0], QStringLiteral("Amélie"));
        f = ImportPlanner::readFile(
            QStringLiteral("Name,Year,Letterboxd URI\nLéon,1994,u\n").toUtf8(), &c);
        QCOMPARE(c.format, ImportFormat::DiaryWatched);
        QCOMPARE(f.rows[0].fields[0], QStringLiteral("Léon"));
        // A header that is valid code page 932 too: タ is E3 82 BF, "繧ｿ".
        f = ImportPlanner::readFile(
            QStringLiteral("タイトル,鑑賞日\r\nアメリ,2024/01/02\r\n").toUtf8(), &c);
        QCOMPARE(c.format, ImportFormat::Spreadsheet);
        QCOMPARE(f.rows[0].fields, QStringList({"アメリ", "2024/01/02"}));
        f = ImportPlanner::readFile(sjis(QStringLiteral("タイトル\r\nｺﾞｼﾞﾗ\r\n")), &c);
        QCOMPARE(f.encoding, TextEncoding::Cp932);
        QCOMPARE(f.rows[0].fields[0], QStringLiteral("ｺﾞｼﾞﾗ"));
        f = ImportPlanner::readFile("Title\r\nHeat\r\n", &c);
        QCOMPARE(f.encoding, TextEncoding::Ascii);
        QCOMPARE(encodingName(f.encoding), QStringLiteral("ASCII"));
    }

    // Latin text from Windows: bytes that are not code page 932, or read as it
    // give a lone kanji, a half-width katakana or a user-defined character
    // between Latin letters. Japanese keeps code page 932, katakana next to
    // Latin letters, IBM kanji and a lone kanji included.
    void windows1252BesideCodePage932() {
        QStringEncoder latin("windows-1252");
        QVERIFY(latin.isValid());
        const QStringList latinNames = {
            "Léon",          "Amélie", "Björk",    "Müller",  "GÖTEBORG", "École", "Ça tourne",
            "“Heat” – 1995", "Café",   "Ångström", "El Niño", "façade",   "Ærø"};
        for (const QString& name : latinNames) {
            const QByteArray bytes = "Title,Year\r\n" + latin.encode(name) + ",1999\r\n";
            const CsvFile f = CsvRows::read(bytes);
            QVERIFY2(f.encoding == TextEncoding::Windows1252, qPrintable(name));
            QCOMPARE(f.rows[0].fields[0], name);
        }
        const QStringList japanese = {
            "七人の侍", "アイス",  "Xファイル", "髙橋一生",       "ｺﾞｼﾞﾗ",          "侍",
            "DVD版",    "Aの悲劇", "ｱｲｽ Cream", "ゴジラvsコング", "ターミネーター2"};
        for (const QString& name : japanese) {
            const CsvFile f = CsvRows::read(sjis("Title,Year\r\n" + name + ",1999\r\n"));
            QVERIFY2(f.encoding == TextEncoding::Cp932, qPrintable(name));
            QCOMPARE(f.rows[0].fields[0], name);
        }
        // Without a sign either way, a service's layout is Latin.
        ImportColumns c;
        CsvFile f =
            ImportPlanner::readFile("Name,Year,Letterboxd URI\r\n" +
                                        latin.encode(QStringLiteral("Œuvre ½")) + ",1999,u\r\n",
                                    &c);
        QCOMPARE(f.encoding, TextEncoding::Windows1252);
        QCOMPARE(f.rows[0].fields[0], QStringLiteral("Œuvre ½"));
        f = ImportPlanner::readFile("Title\r\nL\xE9on\r\n", &c);
        const ImportPlan plan = ImportPlanner::plan({}, {}, f, c);
        QVERIFY(ImportPreview::text(plan, "x.csv")
                    .contains(QStringLiteral("文字コード：Windows-1252（西欧）")));
    }

    // The separator is the one of the header line: tabs in Excel's "Unicode
    // text" (UTF-16 with a mark), semicolons from a European spreadsheet, and
    // of two in the header the one that makes it known.
    void separatorOfTheHeaderLine() {
        QStringEncoder le(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
        ImportColumns c;
        CsvFile f = ImportPlanner::readFile(
            le.encode(
                QStringLiteral("タイトル\t監督\t公開日\r\n\"七人の侍, 第一部\"\t黒澤明\t1954\r\n")),
            &c);
        QCOMPARE(c.format, ImportFormat::Spreadsheet);
        QCOMPARE(f.separator, u'\t');
        QCOMPARE(f.rows[0].fields, QStringList({"七人の侍, 第一部", "黒澤明", "1954"}));
        f = ImportPlanner::readFile("Title;Year;Director\r\n\"Heat; Part 1\";1995;Mann, M.\r\n",
                                    &c);
        QCOMPARE(c.format, ImportFormat::Spreadsheet);
        QCOMPARE(f.rows[0].fields, QStringList({"Heat; Part 1", "1995", "Mann, M."}));
        QCOMPARE(c.year, 1);
        f = ImportPlanner::readFile("Title;Notes, misc\r\nRan;a, b\r\n", &c);
        QCOMPARE(c.format, ImportFormat::Spreadsheet);
        QCOMPARE(f.rows[0].fields, QStringList({"Ran", "a, b"}));
        f = ImportPlanner::readFile("Title,Year\r\nHeat; Part 1,1995\r\n", &c);
        QCOMPARE(f.rows[0].fields, QStringList({"Heat; Part 1", "1995"}));
    }

    // A picture or random bytes are no text; a text with tabs and a form feed is,
    // and so is UTF-16 without its mark, whose NUL bytes alternate.
    void bytesThatAreNoText() {
        QByteArray picture("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\0\0\0\x10", 24);
        QByteArray noise;
        quint32 x = 12345;
        for (int i = 0; i < 600; ++i) {
            x = x * 1103515245u + 12345u;
            noise += char(x >> 16);
        }
        noise.replace('\0', '\x01');  // no NUL: the control bytes alone tell
        for (const QByteArray& bytes : {picture, noise}) {
            ImportColumns c;
            const CsvFile f = ImportPlanner::readFile(bytes, &c);
            QVERIFY(f.notText);
            QCOMPARE(c.format, ImportFormat::Unknown);
        }
        ImportColumns c;
        QVERIFY(!ImportPlanner::readFile("Title\tYear\r\nHeat\t1995\f\r\n", &c).notText);
        QStringEncoder be(QStringEncoder::Utf16BE);
        const CsvFile f =
            ImportPlanner::readFile(be.encode(u"Title\tYear\r\n七人の侍\t1954\r\n"), &c);
        QCOMPARE(f.encoding, TextEncoding::Utf16BE);
        QCOMPARE(f.rows[0].fields, QStringList({"七人の侍", "1954"}));
        QVERIFY(ImportPlanner::notTextMessage("a.png").contains(
            QStringLiteral("テキストファイルではない")));
    }

    // A quote left open ends its row where the next line reads as a row of its
    // own; quoted fields that do hold line breaks are kept whole.
    void openQuoteEndsWhereTheNextRowBegins() {
        const QString diary = QStringLiteral(
            "Date,Name,Year,Rating\r\n"
            "2020-10-19,Ran,1985,4\r\n"
            "2020-10-20,\"Heat,1995,5\r\n"
            "2020-10-21,Alien,1979,4\r\n"
            "2020-10-22,\"Dune, Part Two\",2024,3\r\n");
        QVector<CsvRow> rows = CsvRows::parse(diary);
        QCOMPARE(rows.size(), 5);
        QCOMPARE(rows[2].line, 3);
        QVERIFY(rows[2].unterminated);
        QCOMPARE(rows[2].fields, QStringList({"2020-10-20", "Heat,1995,5"}));
        QCOMPARE(rows[3].line, 4);
        QCOMPARE(rows[3].fields, QStringList({"2020-10-21", "Alien", "1979", "4"}));
        QCOMPARE(rows[4].fields, QStringList({"2020-10-22", "Dune, Part Two", "2024", "3"}));
        QVERIFY(!rows[3].unterminated && !rows[4].unterminated);

        // A review over three lines: its middle line has the row's four fields
        // but not a date first; its last line closes the quote.
        const QString reviews = QStringLiteral(
            "Date,Name,Review,Rating\r\n"
            "2020-10-19,Ran,short,4\r\n"
            "2020-10-20,Heat,\"Long.\r\nSee it, twice, at least, soon\r\nin \"\"70mm\"\", "
            "1995\",5\r\n"
            "2020-10-21,Alien,\"\r\n2020-10-21,\"\"quoted\"\"\",4\r\n");
        rows = CsvRows::parse(reviews);
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows[2].fields,
                 QStringList({"2020-10-20", "Heat",
                              "Long.\r\nSee it, twice, at least, soon\r\nin \"70mm\", 1995", "5"}));
        QCOMPARE(rows[3].line, 6);
        QCOMPARE(rows[3].fields,
                 QStringList({"2020-10-21", "Alien", "\r\n2020-10-21,\"quoted\"", "4"}));
        for (const CsvRow& r : rows) QVERIFY(!r.unterminated);
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
