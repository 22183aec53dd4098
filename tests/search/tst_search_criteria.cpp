#include "search/search_criteria.h"
#include "search/text_search.h"
#include "store/cp932.h"
#include "store/data_dir.h"
#include "store/kansyou_table.h"
#include "store/title_table.h"
#include "test_files.h"
#include "test_registry.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace SearchCriteria;
using TestFiles::cp932;

namespace {
Title title(const QString& name, const QString& koukai = {}, const QString& hyouka = {}) {
    Title t;
    t.Daimei = name;
    t.Koukai = koukai;
    t.Hyouka = hyouka;
    return t;
}

TitleTable table(const QList<Title>& titles) {
    TitleTable t;
    for (const Title& x : titles) t.append(x);
    return t;
}

KansyouTable viewings(const QList<QStringList>& records) {
    KansyouTable k;
    for (const QStringList& r : records) k.append({r[0], r[1], r[2]});
    return k;
}

bool holds(const QString& word, const QByteArray& bytes) {
    return TextSearch::FieldWordMatcher(word).matches(bytes);
}
}  // namespace

class TestSearchCriteria : public QObject {
    Q_OBJECT
private slots:
    void titleWordsMatchExactly() {
        const TitleTable t = table({title("Star Wars"), title("star"), title("ＳＴＡＲ"),
                                    title("スター"), title("夜の星"), title("星の旅")});
        QCOMPARE(byTitleWord(t, "star"), QStringList{"star"});
        QCOMPARE(byTitleWord(t, "Star"), QStringList{"Star Wars"});
        QCOMPARE(byTitleWord(t, "STAR"), QStringList());
        QCOMPARE(byTitleWord(t, "ＳＴＡＲ"), QStringList{"ＳＴＡＲ"});
        QCOMPARE(byTitleWord(t, "星"), (QStringList{"夜の星", "星の旅"}));  // table order
        QCOMPARE(byTitleWord(t, "ｽﾀｰ"), QStringList());
    }

    void attributesMarksAndOwnership() {
        TitleTable t;
        for (int i = 1; i <= 5; ++i) {
            Title x = title(QStringLiteral("題%1").arg(i));
            x.Kantoku = i % 2 ? "黒澤明" : "黒澤";
            x.Hyouka = QStringList{"◎", "○", "", "△", "○"}[i - 1];
            x.Syoyu[2] = QStringList{"○", "", "○", "◎", ""}[i - 1];
            t.append(x);
        }
        // Equal, not contained.
        QCOMPARE(byAttribute(t, Attribute::Kantoku, "黒澤"), (QStringList{"題2", "題4"}));
        QCOMPARE(byAttribute(t, Attribute::Kantoku, "黒澤明"), (QStringList{"題1", "題3", "題5"}));
        QCOMPARE(byAttribute(t, Attribute::Janru, ""),
                 (QStringList{"題1", "題2", "題3", "題4", "題5"}));
        QCOMPARE(byMark(t, "○"), (QStringList{"題2", "題5"}));
        QCOMPARE(byMark(t, kNoMark), QStringList{"題3"});
        QCOMPARE(byOwnership(t, 2, true), (QStringList{"題1", "題3"}));
        // Anything but ○ counts as not owned.
        QCOMPARE(byOwnership(t, 2, false), (QStringList{"題2", "題4", "題5"}));
        QCOMPARE(byOwnership(t, 1, true), QStringList());
    }

    void periodKeysAndBounds() {
        QCOMPARE(periodKey("2003/05/10"), QStringLiteral("2003/05"));
        QCOMPARE(periodKey("2003/5"), QStringLiteral("2003/05"));
        QCOMPARE(periodKey("2003年5月1日"), QStringLiteral("2003/05"));
        QCOMPARE(periodKey(""), QString());
        QCOMPARE(periodKey("2003/02/30"), QStringLiteral("2003/02/30"));  // not a date: as it is
        QCOMPARE(periodKey("不明"), QStringLiteral("不明"));
        // The period lists offer the first seven characters of the release dates.
        QCOMPARE(boundKey("2003/5/"), QStringLiteral("2003/05"));
        QCOMPARE(boundKey("2003-5-"), QStringLiteral("2003/05"));
        QCOMPARE(boundKey("2003年5月"), QStringLiteral("2003/05"));
        QCOMPARE(boundKey("2003年12"), QStringLiteral("2003/12"));
        QCOMPARE(boundKey("2003"), QStringLiteral("2003"));
        QCOMPARE(sortedPeriodItems({"2003/5/", "2003/12", "2003/05", "2002/01", "2003年1月"}),
                 (QStringList{"2002/01", "2003年1月", "2003/05", "2003/5/", "2003/12"}));
    }

    void releasePeriodBounds() {
        const TitleTable t = table({title("A", "2003/05/10"), title("B", "2003/5"), title("C", ""),
                                    title("D", "2002/12/31"), title("E", "2004/01/01"),
                                    title("F", "2003年12月1日"), title("G", "2003/01/01")});
        QVERIFY(!byReleasePeriod(t, "", ""));
        QCOMPARE(*byReleasePeriod(t, "2003/01", "2003/12"), (QStringList{"A", "B", "F", "G"}));
        // The empty release date is found by an upper bound alone, never with a lower one.
        QCOMPARE(*byReleasePeriod(t, "", "2003/05"), (QStringList{"A", "B", "C", "D", "G"}));
        QCOMPARE(*byReleasePeriod(t, "2003/05", ""), (QStringList{"A", "B", "E", "F"}));
        QCOMPARE(*byReleasePeriod(t, "2003/05", "2003/05"), (QStringList{"A", "B"}));
        QCOMPARE(*byReleasePeriod(t, "2004/02", "2003/01"), QStringList());
        // A bound offered as typed stands for its month.
        QCOMPARE(*byReleasePeriod(t, "2003/5/", "2003年12"), (QStringList{"A", "B", "F"}));
        // A bound that is no date compares as text.
        QCOMPARE(*byReleasePeriod(t, "2003", "2003/04"), (QStringList{"G"}));
    }

    void viewingSearchesListEveryViewing() {
        const KansyouTable k = viewings({{"2003/04/30", "甲", "DVD"},
                                         {"2003/05/01", "甲", "映画館"},
                                         {"2003/05/20", "乙", "DVD"},
                                         {"2003/05/31", "甲", "DVD"},
                                         {"2003/06/01", "甲", "dvd"},
                                         {"2003/07/01", "丙", "映画館"},
                                         {"2003/07/02", "甲", "映画館"}});
        QCOMPARE(*byViewingPeriod(k, "2003/05", "2003/06"), (QStringList{"甲", "乙", "甲", "甲"}));
        QCOMPARE(*byViewingPeriod(k, "2003/07", ""), (QStringList{"丙", "甲"}));
        QCOMPARE(*byViewingPeriod(k, "", "2003/04"), QStringList{"甲"});
        QVERIFY(!byViewingPeriod(k, "", ""));
        QCOMPARE(byViewingContent(k, "映画館"), (QStringList{"甲", "丙", "甲"}));
        QCOMPARE(byViewingContent(k, "DVD"), (QStringList{"甲", "乙", "甲"}));
    }

    void presenceOfTexts() {
        const TitleTable t = table({title("甲"), title("乙"), title("Abc"), title("丁")});
        QCOMPARE(titleOfTextFile(TextKind::Memo, "メモ_甲.txt"), QStringLiteral("甲"));
        QCOMPARE(titleOfTextFile(TextKind::Cast, "キャスト_x.y.TXT"), QStringLiteral("x.y"));
        QCOMPARE(textPattern(TextKind::Arasuji), QStringLiteral("あらすじ_*.txt"));
        // Every file names a title, also one no longer in the table.
        QCOMPARE(
            titlesOfTextFiles(TextKind::Memo, {"メモ_甲.txt", "メモ_消えた題.txt", "メモ_ABC.TXT"}),
            (QStringList{"甲", "消えた題", "ABC"}));

        QTemporaryDir dir;
        for (const char* name :
             {"メモ_甲.txt", "メモ_消えた題.txt", "メモ_ABC.TXT", "メモ_丁.TXT", "キャスト_乙.txt"})
            TestFiles::writeCp932(dir.path(), QString::fromUtf8(name), "x\r\n");
        const DataDir d(dir.path());
        const auto exists = [&d](const QString& name) { return d.exists(name); };
        // File names match without regard to case, as the card opens them.
        QCOMPARE(titlesWithoutText(t, TextKind::Memo, exists), QStringList{"乙"});
        QCOMPARE(titlesWithoutText(t, TextKind::Cast, exists), (QStringList{"甲", "Abc", "丁"}));
        QCOMPARE(titlesWithoutText(t, TextKind::Arasuji, exists),
                 (QStringList{"甲", "乙", "Abc", "丁"}));
    }

    void fieldsAreReadAsTheRecordDialectReadsThem() {
        QVERIFY(holds("大きな", cp932("これは大きな画面で。\r\n")));
        QVERIFY(!holds("大きい", cp932("これは大きな画面で。\r\n")));
        // A field ends at a comma or a line end; a quoted one runs to the next quote.
        QVERIFY(!holds("c,d", "abc,def\r\n"));
        QVERIFY(holds("c,d", "\"abc,def\"\r\n"));
        QVERIFY(!holds("b\"c", "\"ab\"c\r\n"));
        QVERIFY(holds("b\"c", "ab\"c\r\n"));    // a quote inside an unquoted field stays
        QVERIFY(!holds("x", "\"ab\"x,y\r\n"));  // what follows the closing quote is dropped
        QVERIFY(holds("y", "\"ab\"x,y\r\n"));
        QVERIFY(holds("z", "\"ab\r\nz"));  // an unclosed quote runs to the end
        // Spaces before a field and after an unquoted one are not part of it.
        QVERIFY(!holds(" foo", "  foo bar  \r\n"));
        QVERIFY(!holds("bar ", "  foo bar  \r\n"));
        QVERIFY(holds("o b", "  foo bar  \r\n"));
        QVERIFY(holds(" b ", "\" b \"\r\n"));
        QVERIFY(!holds("ab", "a\r\nb\r\n"));
        QVERIFY(holds("b", "a\rb\n\x1a"));
        QVERIFY(!holds("x", ""));
        QVERIFY(!holds("", "abc"));
    }

    void aHitCountsOnlyWhereACharacterBegins() {
        // ア is 83 41: its second byte is the letter A.
        QVERIFY(!holds("A", cp932("アイウ")));
        QVERIFY(holds("A", cp932("アAイ")));
        QVERIFY(!holds("\\", cp932("表示")));  // 表 ends in the byte of a backslash
        // The last byte of 亜 and the first of 唖 spell a third character.
        const QByteArray across("\x88\x9F\x88\xA0");
        const QString middle = Cp932::decode(across.mid(1, 2));
        QCOMPARE(middle.size(), 1);
        QVERIFY(!holds(middle, across));
        QVERIFY(holds(middle, across.mid(1, 2)));
    }

    void caseWidthAndTwinSpellings() {
        const QByteArray text = cp932("Ｍｅｍｏ memo ﾒﾓ\r\n");
        QVERIFY(holds("memo", text));
        QVERIFY(!holds("Memo", text));
        QVERIFY(holds("Ｍｅｍｏ", text));
        QVERIFY(!holds("ｍｅｍｏ", text));
        QVERIFY(holds("ﾒﾓ", text));
        QVERIFY(!holds("メモ", text));
        // ∵ has three spellings in code page 932; each one reads as ∵.
        for (const QByteArray& spelling :
             {QByteArray("\x81\xe6"), QByteArray("\x87\x9a"), QByteArray("\xfa\x5b")}) {
            QCOMPARE(Cp932::decode(spelling), QStringLiteral("∵"));
            QVERIFY(holds("∵", "a" + spelling + "b"));
        }
    }

    void utf8AndDamagedFilesAreReadAsTheCardReadsThem() {
        QVERIFY(holds("感想", QStringLiteral("良い感想です\r\n").toUtf8()));
        QVERIFY(holds("感想", "\xef\xbb\xbf" + QStringLiteral("感想\r\n").toUtf8()));
        QVERIFY(holds("abc", QStringLiteral("é abc").toUtf8()));
        // A byte that is not code page 932 costs only itself, as on the card.
        const QByteArray damaged = cp932("前の行\r\n") + "\x85\x40" + cp932("後の行\r\n");
        QVERIFY(holds("前", damaged));
        QVERIFY(holds("後", damaged));
    }

    // The byte search must answer exactly as decoding the whole file and reading its
    // fields would, on text of every shape the files can hold.
    void byteSearchAgreesWithDecoding() {
        const QList<QByteArray> pieces = {
            "a",         "A",         "b",         " ",         "\t",        ",",
            "\"",        "\r\n",      "\r",        "\n",        "\x1a",      "\x7f",
            "\x1c",      cp932("ア"), cp932("イ"), cp932("表"), cp932("亜"), cp932("唖"),
            cp932("の"), cp932("ｱ"),  cp932("∵"),  "\x87\x9a",  "\x88",      "\x9f",
            "\x80",      "\xa0",      "\xfd"};
        QRandomGenerator rng(932);
        int hits = 0;
        for (int round = 0; round < 40000; ++round) {
            QByteArray bytes;
            const int length = rng.bounded(1, 14);
            for (int i = 0; i < length; ++i) bytes += pieces[rng.bounded(int(pieces.size()))];
            const QString text = Cp932::decode(bytes);
            // Words from the text itself, so that many of them are there.
            const int from = rng.bounded(int(text.size()));
            const QString word = text.mid(from, rng.bounded(1, 4));
            const TextSearch::FieldWordMatcher m(word);
            const bool fast = m.matches(bytes),
                       exact = m.matchesDecoded(bytes.constData(), bytes.size());
            if (fast != exact)
                QFAIL(qPrintable(QStringLiteral("word \"%1\" in bytes %2: %3 but decoding says %4")
                                     .arg(word, QString::fromLatin1(bytes.toHex(' ')))
                                     .arg(fast)
                                     .arg(exact)));
            hits += exact;
        }
        QVERIFY(hits > 5000);
    }

    void filesAreSearchedOneTitleEachAndUnreadableOnesPassedOver() {
        QTemporaryDir dir;
        const QString d = dir.path();
        TestFiles::writeCp932(d, "メモ_甲.txt", "良い映画。\r\n良い音楽。\r\n");
        TestFiles::writeCp932(d, "メモ_乙.TXT", "普通。\r\n");
        TestFiles::writeCp932(d, "メモ_丙.txt", "\"良い\",\"良い\"\r\n");
        QVERIFY(QDir(d).mkdir("メモ_箱.txt"));
        const QStringList files = {"メモ_甲.txt", "メモ_消えた.txt", "メモ_箱.txt", "メモ_乙.TXT",
                                   "メモ_丙.txt"};
        const TextSearch::Result r = TextSearch::searchFiles(d, files, TextKind::Memo, "良い");
        QCOMPARE(r.names, (QStringList{"甲", "丙"}));
        QCOMPARE(r.unreadable, (QStringList{"メモ_消えた.txt", "メモ_箱.txt"}));
        QVERIFY(!r.cancelled);
        QCOMPARE(TextSearch::searchFiles(d, files, TextKind::Memo, "普通").names,
                 QStringList{"乙"});

        std::atomic<bool> cancel{true};
        const TextSearch::Result stopped =
            TextSearch::searchFiles(d, files, TextKind::Memo, "良い", &cancel);
        QVERIFY(stopped.cancelled);
        QVERIFY(stopped.names.isEmpty());

        // A file larger than the first read buffer is read whole.
        QByteArray big(200000, 'x');
        big += cp932("末尾の語\r\n");
        TestFiles::writeBytes(d, "メモ_長い.txt", big);
        QCOMPARE(TextSearch::searchFiles(d, {"メモ_長い.txt"}, TextKind::Memo, "末尾").names,
                 QStringList{"長い"});
    }
};

REELNOTE_TEST(TestSearchCriteria)
#include "tst_search_criteria.moc"
