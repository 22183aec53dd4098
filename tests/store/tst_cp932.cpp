#include "store/cp932.h"
#include "test_registry.h"

#include <QFile>
#include <QHash>
#include <QTest>

namespace {
// The complete mapping as glibc's iconv gives it (tests/data/make_cp932_table.sh).
struct Table {
    QHash<quint16, char16_t> decode;  // code (one byte, or lead << 8 | trail) to character
    QHash<char16_t, QByteArray> encode;
};

const Table& table() {
    static const Table t = [] {
        Table t;
        QFile f(QStringLiteral(REELNOTE_SOURCE_DIR "/tests/data/cp932.txt"));
        if (!f.open(QIODevice::ReadOnly)) qFatal("tests/data/cp932.txt is missing");
        while (!f.atEnd()) {
            const QList<QByteArray> p = f.readLine().trimmed().split(' ');
            if (p.size() != 3) continue;
            if (p[0] == "D")
                t.decode.insert(quint16(p[1].toUInt(nullptr, 16)), p[2].toUInt(nullptr, 16));
            if (p[0] == "E")
                t.encode.insert(char16_t(p[1].toUInt(nullptr, 16)), QByteArray::fromHex(p[2]));
        }
        return t;
    }();
    return t;
}

QByteArray bytesOf(std::initializer_list<int> values) {
    QByteArray b;
    for (int v : values) b += char(v);
    return b;
}
}  // namespace

class TestCp932 : public QObject {
    Q_OBJECT
private slots:
    void tableIsComplete() {
        // 128 ASCII + 63 katakana + 6,879 JIS X 0208 + 83 NEC + 374 NEC-selected IBM
        // + 388 IBM + 1,880 user-defined codes.
        QCOMPARE(table().decode.size(), 9795);
        QVERIFY(table().encode.size() > 9000);
    }

    void decodesEverySingleByteAsTheTableSays() {
        for (int b = 0; b < 256; ++b) {
            qsizetype bad = -2;
            const QString text = Cp932::decode(bytesOf({b}), &bad);
            if (table().decode.contains(quint16(b))) {
                QCOMPARE(bad, qsizetype(-1));
                QCOMPARE(text, QString(QChar(table().decode[quint16(b)])));
            } else {
                QCOMPARE(bad, qsizetype(0));
                QCOMPARE(text, QString(QChar(0xFFFD)));
            }
        }
        // ASCII both ways, the control bytes included (the end-of-file mark ^Z is 1A).
        for (int b = 0; b < 0x80; ++b) QCOMPARE(table().decode.value(quint16(b)), char16_t(b));
    }

    void decodesEveryPairAsTheTableSays() {
        int checked = 0;
        for (int lead = 0x80; lead <= 0xFF; ++lead) {
            for (int trail = 0; trail <= 0xFF; ++trail) {
                const quint16 code = quint16(lead << 8 | trail);
                qsizetype bad = -2;
                const QString text = Cp932::decode(bytesOf({lead, trail}), &bad);
                if (table().decode.contains(code)) {
                    QCOMPARE(bad, qsizetype(-1));
                    QCOMPARE(text, QString(QChar(table().decode[code])));
                    ++checked;
                } else if (!table().decode.contains(quint16(lead))) {
                    // The lead byte is not code page 932 here; an ASCII byte after it
                    // stays itself, so a quote or a line end is never swallowed.
                    QCOMPARE(bad, qsizetype(0));
                    QCOMPARE(text[0], QChar(0xFFFD));
                    if (trail < 0x40) QCOMPARE(text, QString(QChar(0xFFFD)) + QChar(trail));
                }
            }
        }
        QCOMPARE(checked, 9795 - 191);
    }

    void encodesEveryCharacterAsTheTableSays() {
        for (auto it = table().encode.begin(); it != table().encode.end(); ++it) {
            const QChar c(it.key());
            QByteArray bytes;
            QVERIFY2(Cp932::encode(QStringView(&c, 1), &bytes),
                     qPrintable(QString::number(it.key(), 16)));
            QCOMPARE(bytes.toHex(), it.value().toHex());
            QVERIFY(Cp932::canEncode(it.key()));
        }
        // Everything else is refused, never written as something else.
        for (char32_t u = 0; u <= 0xFFFF; ++u) {
            if (table().encode.contains(char16_t(u))) continue;
            const QChar c{char16_t(u)};
            QByteArray bytes;
            QVERIFY2(!Cp932::encode(QStringView(&c, 1), &bytes),
                     qPrintable(QString::number(u, 16)));
            QVERIFY(!Cp932::canEncode(u));
        }
        QVERIFY(!Cp932::canEncode(0x1F600));
    }

    void charactersWithTwoCodesEncodeToTheStandardOne() {
        QByteArray bytes;
        QVERIFY(Cp932::encode(u"≒Ⅰⅰ纊￢∵", &bytes));
        QCOMPARE(bytes.toHex(), QByteArray("81e08754fa40fa5c81ca81e6"));
        QCOMPARE(Cp932::decode(QByteArray::fromHex("87908790fa4aeeefed40eef9fa5b")),
                 QStringLiteral("≒≒Ⅰⅰ纊￢∵"));
        // Only what comes back unchanged is written: the yen sign is not a backslash.
        QVERIFY(!Cp932::encode(u"¥", &bytes));
        QVERIFY(!Cp932::encode(u"〜", &bytes));
    }

    void badBytesCostOnlyThemselves() {
        QVector<qsizetype> offsets;
        qsizetype first = -2;
        // A lead byte before a quote, an unassigned pair, a byte that is never code page 932.
        const QString text =
            Cp932::decode(QByteArray("\"\x82\",\x85\x40,\xff\r\n\x82\xa0"), &first, &offsets);
        QCOMPARE(text, QStringLiteral("\"\uFFFD\",\uFFFD,\uFFFD\r\nあ"));
        QCOMPARE(first, qsizetype(1));
        QCOMPARE(offsets, (QVector<qsizetype>{1, 4, 7}));
        QVERIFY(!Cp932::isValid("\x82"));  // cut after a lead byte
        QVERIFY(Cp932::isValid("\x82\xa0\xb1"));
    }

    void utf8IsTakenOnlyWhereCodePage932DoesNotFit() {
        // ﾎｱ is CE B1, which is also UTF-8 for α: it stays katakana.
        QVERIFY(Cp932::isUtf8("\xce\xb1"));
        QVERIFY(!Cp932::looksLikeUtf8("\"\xce\xb1\",\"\xb6\xde\xdd\"\r\n"));
        QVERIFY(Cp932::looksLikeUtf8(QStringLiteral("七人の侍、黒澤明監督").toUtf8()));
        QVERIFY(
            Cp932::looksLikeUtf8("\xEF\xBB\xBF"
                                 "abc"));
        QVERIFY(!Cp932::looksLikeUtf8("plain ascii"));
        // Overlong forms and surrogates are not UTF-8.
        QVERIFY(!Cp932::isUtf8("\xc0\xaf"));
        QVERIFY(!Cp932::isUtf8("\xed\xa0\x80"));
        QVERIFY(!Cp932::isUtf8("\xf4\x90\x80\x80"));
    }

    void unholdableCharactersConvertToLettersOrTheGetaMark_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("converted");
        QTest::newRow("accents dropped") << "Amélie, Łódź, Señor"
                                         << "Amelie, Lodz, Senor";
        QTest::newRow("twins") << "〜‖−¢£¬"
                               << "～∥－￠￡￢";
        QTest::newRow("emoji and a fraction") << "映画😀½"
                                              << "映画〓1／2";
        // En and em dash stay apart; the hyphens take the ASCII one.
        QTest::newRow("dashes") << "1939–1945 — Spider‑Man‒2 ‐"
                                << "1939－1945 ― Spider-Man-2 ‐";
        QTest::newRow("spaces") << "a\u00A0b\u2002c\u2009d\u202Fe\u205Ff\u2028g\u3000h"
                                << "a b c d e f g\u3000h";
        QTest::newRow("invisible characters dropped") << "Wo\u200Brd\u00AD\uFEFF"
                                                      << "Word";
        QTest::newRow("dots") << "WALL·E, a‧b•c"
                              << "WALL・E, a・b・c";
        QTest::newRow("superscripts and subscripts") << "Alien³ [REC]² ¹⁰⁴⁵⁶⁷⁸⁹ H₂O ₀₉ ™"
                                                     << "Alien3 [REC]2 10456789 H2O 09 TM";
        // The slash of a fraction is the full-width one: a title is a file name.
        QTest::newRow("fractions") << "½ ¼ ¾ ⅓ 8½ ８½"
                                   << "1／2 1／4 3／4 1／3 8 1／2 ８ 1／2";
        QTest::newRow("letters without a decomposition")
            << "Straße ẞ Æ æ Œ œ Ø ø Ǿ Đ đ Ł ł Þ þ Ð ð ı"
            << "Strasse SS AE ae OE oe O o O D d L l Th th D d i";
        QTest::newRow("ligatures and styled letters") << "ﬁn µ 𝐀𝟏 ⓐ"
                                                      << "fin μ A1 a";
        // “ ” ‘ ’ are code page 932 themselves; the low and reversed ones take
        // the opening form, never the ASCII double quote the records refuse.
        QTest::newRow("quotes") << "„Das Boot“ ‚x‘ ‛y ‟z “a” ‘b’ ʼc ʻd"
                                << "“Das Boot“ ‘x‘ ‘y “z “a” ‘b’ ’c ‘d";
        QTest::newRow("guillemets") << "«Amarcord» ‹a›"
                                    << "《Amarcord》 〈a〉";
        QTest::newRow("inverted marks dropped") << "¿Quién? ¡Hola!"
                                                << "Quien? Hola!";
        QTest::newRow("signs") << "©2001 ®"
                               << "(C)2001 (R)";
        QTest::newRow("spacing accents have no letter") << "˘˝"
                                                        << "〓〓";
        QTest::newRow("a text never converts to nothing") << "\u200B\u00AD"
                                                          << "〓";
        QTest::newRow("hangul") << "한국"
                                << "〓〓";
        QTest::newRow("ohm sign decomposes to a letter the code page holds") << "Ω"
                                                                             << "Ω";
        QTest::newRow("separate sound mark joins its kana") << "か\u3099き"
                                                            << "がき";
        QTest::newRow("separate accent is dropped") << "e\u0301t\u0301"
                                                    << "et";
        // As a Mac writes "Việt" and "Ǿ": every mark of a letter goes.
        QTest::newRow("stacked accents are dropped") << "Vie\u0323\u0302t \u00D8\u0301"
                                                     << "Viet O";
        QTest::newRow("nothing to do") << "東京物語～①"
                                       << "東京物語～①";
    }
    void unholdableCharactersConvertToLettersOrTheGetaMark() {
        QFETCH(QString, text);
        QFETCH(QString, converted);
        QCOMPARE(Cp932::toCodePage932(text), converted);
        QByteArray bytes;
        QVERIFY(Cp932::encode(converted, &bytes));
        QCOMPARE(Cp932::decode(bytes), converted);
        for (const QChar c : converted)
            if (c.unicode() >= 0x80) QVERIFY(table().encode.contains(c.unicode()));
    }

    // Whatever a character becomes is code page 932, and never a character that
    // a title (a file name) or the record files refuse, so a conversion after
    // those rules were applied cannot bring one back.
    void everyReplacementIsSafeCodePage932() {
        const QString refused = QStringLiteral("\\/:,;*?\"<>|");
        int mapped = 0;
        for (char32_t u = 0x80; u <= 0x1FFFF; ++u) {
            if ((u >= 0xD800 && u <= 0xDFFF) || Cp932::canEncode(u)) continue;
            const QString r = Cp932::replacementFor(u);
            const QString where = QString::number(u, 16);
            QByteArray bytes;
            QVERIFY2(Cp932::encode(r, &bytes), qPrintable(where));
            for (const QChar c : r) {
                QVERIFY2(!refused.contains(c) && c.unicode() >= 0x20 && c.unicode() != 0x7F,
                         qPrintable(where));
            }
            if (r != QStringLiteral("〓")) ++mapped;
        }
        QVERIFY(mapped > 1000);  // decompositions and the table, not only the geta mark
    }

    void listsEachUnholdableCharacterWithItsPlace() {
        const QString text = QStringLiteral("Café 😀 か\u3099");
        const QVector<Cp932::Replacement> parts = Cp932::unencodableParts(text);
        QCOMPARE(parts.size(), 3);
        QCOMPARE(parts[0].position, qsizetype(3));
        QCOMPARE(parts[0].original, QStringLiteral("é"));
        QCOMPARE(parts[0].replacement, QStringLiteral("e"));
        QCOMPARE(parts[1].length, qsizetype(2));
        QCOMPARE(parts[1].replacement, QStringLiteral("〓"));
        QCOMPARE(parts[2].original, QStringLiteral("か\u3099"));
        QCOMPARE(parts[2].replacement, QStringLiteral("が"));
        QCOMPARE(Cp932::firstUnencodable(text), QStringLiteral("é"));

        // Replacements longer than the character keep the places right.
        const QString longer = QStringLiteral("Straße ½ WALL·E");
        const QVector<Cp932::Replacement> more = Cp932::unencodableParts(longer);
        QCOMPARE(more.size(), 3);
        QCOMPARE(more[0].position, qsizetype(4));
        QCOMPARE(more[0].length, qsizetype(1));
        QCOMPARE(more[0].replacement, QStringLiteral("ss"));
        QCOMPARE(more[1].position, qsizetype(7));
        QCOMPARE(more[1].replacement, QStringLiteral("1／2"));
        QCOMPARE(more[2].position, qsizetype(13));
        QCOMPARE(more[2].original, QStringLiteral("·"));
        QCOMPARE(Cp932::toCodePage932(longer), QStringLiteral("Strasse 1／2 WALL・E"));
    }
};

REELNOTE_TEST(TestCp932)
#include "tst_cp932.moc"
