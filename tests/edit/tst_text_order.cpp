#include "main_fixture.h"
#include "store/catalogue.h"
#include "store/cp932.h"
#include "store/seen_list.h"
#include "store/text_order.h"
#include "test_files.h"
#include "test_registry.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRandomGenerator>

using namespace TestFiles;

namespace {
// What the key of one character must be: its code page 932 bytes, or for a
// character the code page cannot hold, FD and its code point in three bytes.
QByteArray expectedKey(QStringView one) {
    QByteArray bytes;
    if (Cp932::encode(one, &bytes)) return bytes;
    const char32_t cp = one.size() == 2 ? QChar::surrogateToUcs4(one[0], one[1]) : one[0].unicode();
    return QByteArray("\xFD") + char((cp >> 16) & 0xFF) + char((cp >> 8) & 0xFF) + char(cp & 0xFF);
}

QStringList items(QComboBox* c) {
    QStringList out;
    for (int i = 0; i < c->count(); ++i) out << c->itemText(i);
    return out;
}
}  // namespace

// Text sorts by its code page 932 bytes, as a Japanese dictionary orders it:
// Latin letters, full-width letters, hiragana, katakana, then kanji by reading.
class TestTextOrder : public QObject {
    Q_OBJECT
private slots:
    void keysAreTheCodePage932BytesOfEveryCharacter() {
        int held = 0;
        for (char32_t u = 1; u <= 0xFFFF; ++u) {
            const QChar c{char16_t(u)};
            const QByteArray key = TextOrder::key(QStringView(&c, 1));
            if (key != expectedKey(QStringView(&c, 1)))
                QFAIL(qPrintable(
                    QStringLiteral("U+%1: %2 instead of %3")
                        .arg(quint32(u), 4, 16, QChar(u'0'))
                        .arg(QString::fromLatin1(key.toHex()),
                             QString::fromLatin1(expectedKey(QStringView(&c, 1)).toHex()))));
            held += key[0] != '\xFD';
        }
        QVERIFY(held > 7000);  // ASCII, kana and the JIS kanji at least
        // Characters with two codes take the one writing gives them.
        QCOMPARE(TextOrder::key(u"≒∵￢ⅰ"), QByteArray::fromHex("81e081e681cafa40"));
        const QString mixed = QStringLiteral("七人の侍 Seven Samurai ｶﾀｶﾅ ①");
        QByteArray whole;
        QVERIFY(Cp932::encode(mixed, &whole));
        QCOMPARE(TextOrder::key(mixed), whole);
        // Outside the code page: after everything it holds, by code point.
        QCOMPARE(TextOrder::key(u"é😀"), QByteArray::fromHex("fd0000e9fd01f600"));
        QVERIFY(TextOrder::key(u"é") > TextOrder::key(u"黑"));
    }

    void pickListsIgnoreTheCaseOfLatinLetters() {
        QStringList names = {"伊", "a",  "ア", "Ａ", "亜", "A", "あ",
                             "ｂ", "Ｃ", "b",  "ﾊﾟ", "aB", "Ab"};
        sortPickList(&names);
        QCOMPARE(names, (QStringList{"A", "a", "Ab", "aB", "b", "Ａ", "ｂ", "Ｃ", "あ", "ア", "亜",
                                     "伊", "ﾊﾟ"}));
        QCOMPARE(sortedInsertPosition(names, "B"), 4);
        QCOMPARE(sortedInsertPosition(names, "ｃ"), 8);
        QCOMPARE(sortedInsertPosition(names, "以"), 11);
        QStringList grid = {"a", "Ａ", "B", "あ"};
        TextOrder::sort(&grid, false);  // grids count letter case
        QCOMPARE(grid, (QStringList{"B", "a", "Ａ", "あ"}));
        QStringList list = {"A", "亜"};
        insertSorted(&list, {"伊", "あ", "a"});
        QCOMPARE(list, (QStringList{"A", "a", "あ", "亜", "伊"}));
    }

    void cardCombosListInThatOrder() {
        MainFixture f;
        writeFreshMasters(f.path(), false);
        QString data;
        const QStringList directors = {"伊", "a", "ア", "Ａ", "亜", "A", "あ"};
        for (int i = 0; i < directors.size(); ++i)
            data += titleRecord(QStringLiteral("題%1").arg(i), directors[i]);
        writeCp932(f.path(), kDataFile, data);
        f.start();
        auto* kantoku = f.find<QComboBox>("cboKantoku");
        QCOMPARE(items(kantoku), (QStringList{"A", "a", "Ａ", "あ", "ア", "亜", "伊"}));
        kantoku->setEditText(QStringLiteral("ｂ"));
        QTest::keyClick(kantoku->lineEdit(), Qt::Key_Return);
        QCOMPARE(items(kantoku), (QStringList{"A", "a", "Ａ", "ｂ", "あ", "ア", "亜", "伊"}));
        f.checkBoxes();
    }

    void thirtyThousandNamesSortInMilliseconds() {
        QRandomGenerator rng(932);
        const QString pool = QStringLiteral("あいうえおかきくけこアイウエオ亜伊宇江尾七人侍ABCabc");
        QStringList names;
        for (int i = 0; i < kMaxRecords; ++i) {
            QString n;
            for (int len = 4 + rng.bounded(12); len > 0; --len) n += pool[rng.bounded(pool.size())];
            names << n;
        }
        QElapsedTimer timer;
        timer.start();
        TextOrder::sort(&names, true);
        const qint64 ms = timer.elapsed();
        qInfo("sorting %d names ignoring case took %lld ms", int(names.size()), ms);
        QVERIFY2(ms < 150, qPrintable(QStringLiteral("%1 ms").arg(ms)));
        for (int i = 1; i < names.size(); ++i)
            QVERIFY(!(TextOrder::sortKey(names[i], true) < TextOrder::sortKey(names[i - 1], true)));
    }
};

REELNOTE_TEST(TestTextOrder)
#include "tst_text_order.moc"
