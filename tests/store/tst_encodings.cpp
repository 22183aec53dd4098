#include "store/catalogue.h"
#include "store/text_encoding.h"
#include "test_files.h"
#include "test_registry.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace TestFiles;

namespace {
QByteArray utf16(const QString& text, bool littleEndian) {
    QByteArray b = littleEndian ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF");
    for (const QChar c : text) {
        const char hi = char(c.unicode() >> 8), lo = char(c.unicode() & 0xFF);
        b += littleEndian ? lo : hi;
        b += littleEndian ? hi : lo;
    }
    return b;
}

DecodedText decodedFile(const QString& dir, const QByteArray& bytes) {
    writeBytes(dir, kDataFile, bytes);
    return decodeTextFile(readBytes(dir, kDataFile));
}
}  // namespace

class TestEncodings : public QObject {
    Q_OBJECT
private slots:
    void halfWidthKatakanaThatLookLikeUtf8StayKatakana() {
        // ﾎｱ is CE B1 and ｿﾞ is BF DE: both pairs are also UTF-8 (α and ߞ).
        QTemporaryDir dir;
        const QString text = titleRecord("ﾎｱﾝ", "ｿﾞｳ");
        const QByteArray bytes = cp932(text);
        QVERIFY(bytes.contains("\xce\xb1"));
        writeBytes(dir.path(), kDataFile, bytes);
        Catalogue c(dir.path());
        QCOMPARE(c.LoadMainData(), QString());  // not announced as UTF-8
        QCOMPARE(c.titles()[1].Daimei, QStringLiteral("ﾎｱﾝ"));
        QCOMPARE(c.titles()[1].Kantoku, QStringLiteral("ｿﾞｳ"));
        QVERIFY(c.SaveMainData().isEmpty());
        QCOMPARE(readBytes(dir.path(), kDataFile), bytes);
        QVERIFY(QDir(dir.path()).entryList({"*.bak"}).isEmpty());
    }

    void whichEncodingAFileIsIn_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QString>("text");
        const QString jp = QStringLiteral("\"東京物語\",\"小津安二郎\"\r\n");
        QTest::newRow("code page 932") << cp932(jp) << int(TextEncoding::Cp932) << jp;
        QTest::newRow("UTF-8 that is not code page 932")
            << jp.toUtf8() << int(TextEncoding::Utf8) << jp;
        // These six bytes are also two kanji and two katakana in code page 932:
        // without the byte-order mark the code page wins.
        QTest::newRow("UTF-8 that is code page 932 too")
            << QStringLiteral("東京").toUtf8() << int(TextEncoding::Cp932)
            << QStringLiteral("譚ｱ莠ｬ");
        QTest::newRow("the same with a byte-order mark")
            << "\xEF\xBB\xBF" + QStringLiteral("東京").toUtf8() << int(TextEncoding::Utf8)
            << QStringLiteral("東京");
        QTest::newRow("UTF-16 little-endian")
            << utf16(jp, true) << int(TextEncoding::Utf16LE) << jp;
        QTest::newRow("UTF-16 big-endian") << utf16(jp, false) << int(TextEncoding::Utf16BE) << jp;
        QTest::newRow("UTF-16 beyond the basic plane")
            << utf16(QStringLiteral("\"映画😀\""), true) << int(TextEncoding::Utf16LE)
            << QStringLiteral("\"映画😀\"");
        QTest::newRow("JIS-style characters of another encoding become their twins")
            << QStringLiteral("\"10〜20−¢\",\"黒澤明\"").toUtf8() << int(TextEncoding::Utf8)
            << QStringLiteral("\"10～20－￠\",\"黒澤明\"");
        QTest::newRow("ASCII only") << QByteArray("\"abc\",1\r\n") << int(TextEncoding::Cp932)
                                    << QStringLiteral("\"abc\",1\r\n");
    }
    void whichEncodingAFileIsIn() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, encoding);
        QFETCH(QString, text);
        QTemporaryDir dir;
        const DecodedText d = decodedFile(dir.path(), bytes);
        QCOMPARE(int(d.encoding), encoding);
        QCOMPARE(d.text, text);
        QVERIFY(d.badLines.isEmpty());
    }

    void linesWithBytesThatAreNotTextAreNamed() {
        QTemporaryDir dir;
        // Code page 932 with bad bytes on lines 2 and 4 (lone CR and lone LF line ends too).
        DecodedText d =
            decodedFile(dir.path(), "\"a\"\r\n\"\x82\"\r\"b\"\n\"\xff\xfe\"\r\n\"\x82\xa0\"");
        QCOMPARE(int(d.encoding), int(TextEncoding::Cp932));
        QCOMPARE(d.badLines, (QVector<int>{2, 4}));
        QCOMPARE(d.text, QStringLiteral("\"a\"\r\n\"\uFFFD\"\r\"b\"\n\"\uFFFD\uFFFD\"\r\n\"あ\""));
        // UTF-8 with its byte-order mark and a broken sequence on line 2.
        d = decodedFile(dir.path(), "\xEF\xBB\xBF\"\xe6\x9d\xb1\"\r\n\"\xe6\x9d\"\r\n\"x\"");
        QCOMPARE(int(d.encoding), int(TextEncoding::Utf8));
        QCOMPARE(d.badLines, QVector<int>{2});
        // UTF-16 with a lone surrogate on line 2 and half a character at the end (line 3).
        QByteArray b = utf16(QStringLiteral("\"a\"\r\n\"") + QChar(0xD800) + "\"\r\nx", true);
        b += 'y';
        d = decodedFile(dir.path(), b);
        QCOMPARE(d.badLines, (QVector<int>{2, 3}));
    }

    void utf16FileIsReadAndWrittenBackInCodePage932() {
        QTemporaryDir dir;
        const QString text = titleRecord("七人の侍", "黒澤明", "", "1954/04/26");
        const QByteArray original = utf16(text, true);
        writeBytes(dir.path(), kDataFile, original);
        Catalogue c(dir.path());
        QVERIFY(!c.LoadMainData().isEmpty());  // announced as written in another encoding
        QCOMPARE(c.titles()[1].Kantoku, QStringLiteral("黒澤明"));
        QVERIFY(c.appendTitle(QStringLiteral("生きる")).isEmpty());
        QCOMPARE(readBytes(dir.path(), kDataFile), cp932(text + titleRecord("生きる")));
        const QStringList kept = QDir(dir.path()).entryList({"*.bak"});
        QCOMPARE(kept.size(), 1);
        QCOMPARE(readBytes(dir.path(), kept[0]), original);
    }
};

REELNOTE_TEST(TestEncodings)
#include "tst_encodings.moc"
