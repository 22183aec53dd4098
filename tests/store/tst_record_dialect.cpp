#include "store/cp932.h"
#include "store/record_dialect.h"
#include "test_registry.h"

#include <QTest>

namespace {
QStringList readAll(const QString& text, int fieldsPerRecord) {
    RecordReader r(text);
    RecordReader::Field f;
    QStringList out;
    while (!r.atEnd()) {
        QStringList rec;
        for (int i = 0; i < fieldsPerRecord && r.next(&f); ++i) rec << f.text.toString();
        out << rec.join(u'|');
    }
    return out;
}
}  // namespace

class TestRecordDialect : public QObject {
    Q_OBJECT
private slots:
    void readsTheOddCasesOfTheDialect_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("fields");
        QTest::addColumn<QStringList>("records");
        QTest::newRow("plain") << "\"a\",\"b\",3\r\n\"c\",\"d\",4\r\n"
                               << 3 << QStringList{"a|b|3", "c|d|4"};
        QTest::newRow("record split across lines") << "\"a\",\"b\"\r\n3\r\n\"c\"\r\n\"d\",4\r\n"
                                                   << 3 << QStringList{"a|b|3", "c|d|4"};
        QTest::newRow("omitted fields") << "\"a\",,,\"\"\r\n" << 4 << QStringList{"a|||"};
        QTest::newRow("spaces before fields, trailing spaces of bare fields")
            << "  \"a\",   12  ,  x y  \r\n"
            << 3 << QStringList{"a|12|x y"};
        QTest::newRow("text after a closing quote is skipped") << "\"ab\"cd,\"e\"  junk\r\n"
                                                               << 2 << QStringList{"ab|e"};
        QTest::newRow("comma inside quotes") << "\"a,b\",\"c\"\r\n" << 2 << QStringList{"a,b|c"};
        QTest::newRow("blank lines and end-of-file mark")
            << "\r\n\"a\",1\r\n\r\n\r\n\"b\",2\r\n\x1a" << 2 << QStringList{"a|1", "b|2"};
        QTest::newRow("end-of-file mark right after the last field")
            << "\"a\",\"b\"\r\n\"c\",5\x1a" << 2 << QStringList{"a|b", "c|5"};
        QTest::newRow("end-of-file marks with line ends among them")
            << "\"a\",\"b\"\x1a\r\n\x1a \r\n"
            << 2 << QStringList{"a|b"};
        QTest::newRow("a line of end-of-file marks alone, where a file was appended to")
            << "\"a\",1\r\n\x1a\r\n\"b\",2\r\n"
            << 2 << QStringList{"a|1", "b|2"};
        QTest::newRow("no line end after the last record") << "\"a\",1" << 2 << QStringList{"a|1"};
        QTest::newRow("lone CR and lone LF end lines") << "\"a\",1\r\"b\",2\n"
                                                       << 2 << QStringList{"a|1", "b|2"};
    }
    void readsTheOddCasesOfTheDialect() {
        QFETCH(QString, text);
        QFETCH(int, fields);
        QFETCH(QStringList, records);
        QCOMPARE(readAll(text, fields), records);
    }

    void newTitleRecordOfSeventeenCommasReadsAsEighteenFields() {
        const QString line = QStringLiteral("\"新作\",,,,,,,,,,,,,,,,,\"\"\r\n");
        QCOMPARE(line.count(u','), 17);
        RecordReader r(line);
        RecordReader::Field f;
        int n = 0;
        while (!r.atEnd() && r.next(&f)) {
            QCOMPARE(f.text.toString(), n == 0 ? QStringLiteral("新作") : QString());
            ++n;
        }
        QCOMPARE(n, 18);
    }

    void reportsCutAndUnterminatedFields() {
        RecordReader r(QStringLiteral("\"a\",\"b"));
        RecordReader::Field f;
        QVERIFY(r.next(&f));
        QVERIFY(!f.unterminated);
        QVERIFY(r.next(&f));
        QVERIFY(f.unterminated);
        QVERIFY(!r.next(&f));
    }

    void marksWhatTheProgramWouldNotHaveWritten() {
        RecordReader r(
            QStringLiteral("\"乙\"\"丙\",黒澤\"明,\x1a\"乙\",\"甲\"  ,\"a\r\nb\",x\r\n"));
        RecordReader::Field f;
        QVERIFY(r.next(&f));
        QCOMPARE(f.text, u"乙");
        QVERIFY(f.textAfterQuote);
        QVERIFY(r.next(&f));
        QCOMPARE(f.text, u"黒澤\"明");
        QVERIFY(f.quoteInside && f.irregular());
        QVERIFY(r.next(&f));
        QCOMPARE(f.text, u"\x1a\"乙\"");
        QVERIFY(f.quoteInside);
        QVERIFY(r.next(&f));
        QCOMPARE(f.text, u"甲");
        QVERIFY(!f.irregular());  // spaces after the closing quote lose nothing
        QVERIFY(!f.endsLine);
        QVERIFY(r.next(&f));
        QCOMPARE(f.text, u"a\r\nb");
        QCOMPARE(f.line, 1);
        QCOMPARE(f.lastLine, 2);
        QVERIFY(r.next(&f));
        QVERIFY(f.endsLine);
        QVERIFY(r.atEnd());
    }

    void skipsALineWhateverItsQuotesSay() {
        RecordReader r(QStringLiteral("\"a,\"b\r\n\"c\",1\r\n"));
        RecordReader::Field f;
        const RecordReader::Mark start = r.mark();
        QVERIFY(r.next(&f));
        QCOMPARE(f.text, u"a,");
        r.reset(start);
        r.skipLine();
        QCOMPARE(r.line(), 2);
        QVERIFY(r.next(&f));
        QCOMPARE(f.text, u"c");
    }

    void tracksLineNumbers() {
        RecordReader r(QStringLiteral("\"a\",1\r\n\r\n\"b\",2\r\n"));
        RecordReader::Field f;
        QVERIFY(!r.atEnd());
        r.next(&f);
        QCOMPARE(f.line, 1);
        r.next(&f);
        QVERIFY(!r.atEnd());
        r.next(&f);
        QCOMPARE(f.line, 3);
    }

    void numberFields() {
        int v = -1;
        QVERIFY(parseNumberField(u"", &v));
        QCOMPARE(v, 0);
        QVERIFY(parseNumberField(u"95", &v));
        QCOMPARE(v, 95);
        QVERIFY(parseNumberField(u"-3", &v));
        QCOMPARE(v, -3);
        QVERIFY(!parseNumberField(u"9x", &v));
        QVERIFY(!parseNumberField(u"abc", &v));
        QVERIFY(!parseNumberField(u"-", &v));
        QVERIFY(!parseNumberField(u"99999999999", &v));
    }

    void writerQuotesTextsAndLeavesNumbersBare() {
        RecordWriter w;
        w.text(u"◎").number(95).number(-1).omitted().text(u"");
        w.endRecord();
        QCOMPARE(w.result(), QStringLiteral("\"◎\",95,-1,,\"\"\r\n"));
    }

    void codePage932() {
        QVERIFY(Cp932::available());
        QByteArray bytes;
        // Characters where code page 932 and plain Shift-JIS part ways.
        QVERIFY(Cp932::encode(u"～①㈱Ⅲ", &bytes));
        QCOMPARE(bytes.toHex(), QByteArray("8160874087"
                                           "8a8756"));
        qsizetype bad = 0;
        QCOMPARE(Cp932::decode(bytes, &bad), QStringLiteral("～①㈱Ⅲ"));
        QCOMPARE(bad, qsizetype(-1));

        Cp932::decode(QByteArray("ab\r\n\x82\xa0\xff\xfe"), &bad);
        QCOMPARE(bad, qsizetype(6));

        QVERIFY(!Cp932::encode(u"café", &bytes));
        QCOMPARE(Cp932::firstUnencodable(u"caféō"), QStringLiteral("é"));
        QCOMPARE(Cp932::firstUnencodable(u"映画😀"), QStringLiteral("😀"));
        QVERIFY(Cp932::firstUnencodable(u"映画").isEmpty());
        // Byte offsets worked out from the text agree with the encoded bytes.
        const QString mixed = QStringLiteral("aｱｲ漢字～①\r\nＡb¥");
        QVector<qsizetype> positions;
        for (qsizetype i = 0; i <= mixed.size(); ++i) positions << i;
        QVector<qsizetype> offsets = positions;
        Cp932::toByteOffsets(mixed, &offsets);
        for (qsizetype i = 0; i <= mixed.size(); ++i) {
            QByteArray prefix;
            if (!Cp932::encode(QStringView(mixed).left(i), &prefix))
                continue;  // ¥ is not in the code page
            QCOMPARE(offsets[i], prefix.size());
        }
        // The UTF-8 bytes of "東京" happen to be code page 932 too, and then the code
        // page wins; a longer UTF-8 text is not.
        QVERIFY(!Cp932::looksLikeUtf8(QStringLiteral("東京").toUtf8()));
        QVERIFY(Cp932::looksLikeUtf8(QStringLiteral("東京物語、小津安二郎").toUtf8()));
        QVERIFY(!Cp932::looksLikeUtf8("plain ascii"));
        QVERIFY(!Cp932::looksLikeUtf8(bytes));

        const QString typed = Cp932::toCp932Twins(QStringLiteral("〜‖−¢£¬"));
        QCOMPARE(typed, QStringLiteral("～∥－￠￡￢"));
        QVERIFY(Cp932::encode(typed, &bytes));
    }
};

REELNOTE_TEST(TestRecordDialect)
#include "tst_record_dialect.moc"
