#include "store/catalogue.h"
#include "store/data_file.h"
#include "store/kansyou_table.h"
#include "test_files.h"
#include "test_registry.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace TestFiles;

namespace {
QString rec(const char* name, const QList<int>& scores = {}) {
    return titleRecord(QString::fromUtf8(name), "", "", "", "", "", "", scores);
}

// The file as a user brought it, read from disk the way the catalogue reads it.
ReadProblem readData(const QByteArray& bytes, TitleTable* table) {
    QTemporaryDir dir;
    writeBytes(dir.path(), kDataFile, bytes);
    return readDataFile(readBytes(dir.path(), kDataFile), table);
}

ReadProblem readHistory(const QByteArray& bytes, KansyouTable* table, QVector<qsizetype>* starts) {
    QTemporaryDir dir;
    writeBytes(dir.path(), kHistoryFile, bytes);
    return readHistoryFile(readBytes(dir.path(), kHistoryFile), table, starts);
}

QStringList names(const TitleTable& t) {
    QStringList out;
    for (int n = 1; n <= t.TitleCount(); ++n) out << t[n].Daimei;
    return out;
}

QList<int> lines(const QVector<LineNote>& notes) {
    QList<int> out;
    for (const LineNote& n : notes) out << n.line;
    return out;
}
}  // namespace

class TestDamagedRecords : public QObject {
    Q_OBJECT
private slots:
    void eachUnsoundRecordCostsOnlyItself() {
        QByteArray bytes = cp932(rec("一") + rec("二"));
        bytes += cp932("\"三\",,,,,,,abc,0,0,0,0,0,0,,,,\r\n");    // 3: text in a score
        bytes += cp932(rec("四"));                                 // 4
        bytes += cp932("\"五\",\"監督\",,,,,,50,5\r\n");           // 5: cut short on its line
        bytes += cp932(rec("六"));                                 // 6
        bytes += cp932("\"七\",,,,,,,40000,0,0,0,0,0,0,,,,\r\n");  // 7: not a 16-bit score
        bytes += "\"\x85\x40\",,,,,,,0,0,0,0,0,0,0,,,,\r\n";       // 8: not code page 932
        bytes += cp932("\"九\",\"監\r\n");                         // 9: quote left open
        bytes += cp932(rec("十") + rec("十一"));                   // 10, 11
        bytes += cp932("\"十二\",\"途中");                         // 12: cut at the end
        TitleTable t;
        const ReadProblem p = readData(bytes, &t);
        QCOMPARE(names(t), (QStringList{"一", "二", "四", "六", "十", "十一"}));
        QCOMPARE(p.kept, 6);
        QCOMPARE(lines(p.skipped), (QList<int>{3, 5, 7, 8, 9, 12}));
        QCOMPARE(p.recordLines, (QVector<int>{1, 2, 4, 6, 10, 11}));
        QVERIFY(p.irregular.isEmpty());
        QVERIFY(p.changesOnRewrite());
        // The report names the first few by line and counts the rest.
        QVERIFY2(p.what.contains(QStringLiteral("読み込めないレコードが6件")), qPrintable(p.what));
        QVERIFY(p.what.contains(
            QStringLiteral("3行目（3件目）：「三」の評価点1が数値ではありません（「abc」）")));
        QVERIFY(p.what.contains(
            QStringLiteral("7行目（7件目）：「七」の評価点1の値 40000 が大きすぎます")));
        QVERIFY(p.what.contains(QStringLiteral("8行目（8件目）：読めない文字")));
        QVERIFY(!p.what.contains(QStringLiteral("12行目")));
        QVERIFY(p.what.contains(QStringLiteral("ほか1件")));
        QCOMPARE(p.keptSentence(QStringLiteral("タイトル")),
                 QStringLiteral("タイトル6件を読み込み、読み込めなかった6件を飛ばしました。"));
    }

    void aLineShortOfFieldsDoesNotShiftTheRecordsAfterIt() {
        // Seventeen fields: read as the dialect reads them, the next title's name
        // would become the last ownership flag and every later record would shift.
        QByteArray bytes = cp932(rec("一"));
        bytes += cp932("\"二\",,,,,,,1,2,3,4,5,6,7,\"○\",\"\",\"○\"\r\n");
        bytes += cp932(rec("三", {30, 3}) + rec("四", {40, 4}));
        TitleTable t;
        const ReadProblem p = readData(bytes, &t);
        QCOMPARE(names(t), (QStringList{"一", "三", "四"}));
        QCOMPARE(t[3].HyoukaTen[2], qint16(4));
        QCOMPARE(lines(p.skipped), QList<int>{2});
    }

    void fieldsBeyondEighteenAreDroppedUnlessTheyAreARecord() {
        QByteArray bytes = cp932(rec("一"));
        bytes += cp932("\"二\",,,,,,,1,2,3,4,5,6,7,\"○\",\"\",\"○\",\"\",\"余分\",9\r\n");
        // Two whole records on one line are what the dialect allows: both are read.
        QString two = rec("三") + rec("四");
        two.replace(two.indexOf(u'\r'), 2, u',');
        bytes += cp932(two + rec("五"));
        TitleTable t;
        const ReadProblem p = readData(bytes, &t);
        QCOMPARE(names(t), (QStringList{"一", "二", "三", "四", "五"}));
        QCOMPARE(t[2].HyoukaTen[7], qint16(7));
        QCOMPARE(t[2].Syoyu[3], QStringLiteral("○"));
        QVERIFY(p.skipped.isEmpty());
        QCOMPARE(lines(p.irregular), QList<int>{2});
        QVERIFY(p.irregular[0].text.contains(QStringLiteral("19項目め")));
    }

    void aRecordSpreadOverLinesIsStillOneRecord() {
        const QByteArray bytes = cp932(
            "\"一\",\"監督\",\"主演\"\r\n\"\",\"\",\"\",\"\",50,5,5\r\n5,5,5,5,\"○\",\"\",\"\","
            "\"\"\r\n"
            "\"二\",\"a\r\nb\",,,,,,1,1,1,1,1,1,1,,,,\r\n" +
            rec("三"));
        TitleTable t;
        const ReadProblem p = readData(bytes, &t);
        QVERIFY2(!p.any(), qPrintable(p.what));
        QCOMPARE(names(t), (QStringList{"一", "二", "三"}));
        QCOMPARE(t[1].HyoukaTen[1], qint16(50));
        QCOMPARE(t[1].Syoyu[1], QStringLiteral("○"));
        QCOMPARE(t[2].Kantoku, QStringLiteral("a\r\nb"));
        QCOMPARE(p.recordLines, (QVector<int>{1, 4, 6}));
    }

    void recordsTheProgramDidNotWriteAreReadAsTheDialectReadsThem() {
        QByteArray bytes = cp932(rec("一"));
        bytes += cp932("\"乙\"\"丙\",,,,,,,0,0,0,0,0,0,0,,,,\r\n");    // text after a closing quote
        bytes += cp932("\"二\",黒澤\"明,,,,,,0,0,0,0,0,0,0,,,,\r\n");  // a quote in a bare field
        bytes += "\"\x8e\x4f\",\x1a\"\x89\xb3\",,,,,,0,0,0,0,0,0,0,,,,\r\n";  // ^Z before a quote
        bytes += cp932(rec("四"));
        TitleTable t;
        const ReadProblem p = readData(bytes, &t);
        QCOMPARE(names(t), (QStringList{"一", "乙", "二", "三", "四"}));
        QCOMPARE(t[3].Kantoku, QStringLiteral("黒澤\"明"));
        QCOMPARE(t[4].Kantoku, QStringLiteral("\x1a\"乙\""));
        QCOMPARE(lines(p.irregular), (QList<int>{2, 3, 4}));
        QVERIFY(p.skipped.isEmpty());
        QVERIFY(p.changesOnRewrite());
        QVERIFY(p.what.contains(
            QStringLiteral("2行目（2件目）：タイトルの閉じる引用符の後の文字を読み捨てました")));
    }

    void everyQuoteDoubledAsSpreadsheetsWriteThem() {
        const QByteArray bytes = cp932(
            "\"\"\"七人の侍\"\"\",\"\"\"黒澤明\"\"\",,,,,,90,9,0,0,0,0,0,\"\"\"○\"\"\",,,\r\n"
            "\"\"\"生きる\"\"\",,,,,,,80,8,0,0,0,0,0,,,,\r\n");
        TitleTable t;
        const ReadProblem p = readData(bytes, &t);
        QCOMPARE(t.TitleCount(), 2);
        QCOMPARE(t[1].Daimei, QString());  // what the dialect makes of it
        QCOMPARE(t[1].HyoukaTen[2], qint16(9));
        QCOMPARE(lines(p.irregular), (QList<int>{1, 2}));
    }

    void scoresOutOfRangeAreKeptAndWrittenBackUnchanged() {
        const QByteArray bytes = cp932(rec("一", {101, 11, -1, 0, 10}) + rec("二", {100, 10}));
        TitleTable t;
        const ReadProblem p = readData(bytes, &t);
        QCOMPARE(t.TitleCount(), 2);
        QCOMPARE(t[1].HyoukaTen[1], qint16(101));
        QCOMPARE(t[1].HyoukaTen[2], qint16(11));
        QCOMPARE(t[1].HyoukaTen[3], qint16(-1));
        QCOMPARE(p.outOfRange.size(), 3);
        QVERIFY(p.skipped.isEmpty() && p.irregular.isEmpty());
        QVERIFY(!p.changesOnRewrite());
        QVERIFY(p.any());
        QVERIFY(p.what.contains(
            QStringLiteral("1行目（1件目）：「一」の評価点2の値 11 が範囲（0～10）の外です")));
        QCOMPARE(cp932(serializeDataFile(t)), bytes);
    }

    void soundRecordsPastTheLimitAreCounted() {
        QByteArray bytes;
        const QByteArray good = "\"t\",,,,,,,0,0,0,0,0,0,0,,,,\r\n";
        bytes += "\"bad\",,,,,,,x,0,0,0,0,0,0,,,,\r\n";
        for (int i = 0; i < kMaxRecords + 3; ++i) bytes += good;
        TitleTable t;
        const ReadProblem p = readData(bytes, &t);
        QCOMPARE(t.TitleCount(), kMaxRecords);
        QCOMPARE(p.overLimit, 3);
        QCOMPARE(p.overLimitLine, kMaxRecords + 2);
        QVERIFY(p.what.contains(QStringLiteral("32766件")));
    }

    void aDamagedTitleInTheMiddleNoLongerLosesTheTitlesAfterIt() {
        QTemporaryDir dir;
        QString text;
        for (int n = 1; n <= 20; ++n)
            text += n == 10 ? QStringLiteral("\"十\",,,,,,,x,0,0,0,0,0,0,,,,\r\n")
                            : titleRecord(QStringLiteral("題%1").arg(n));
        const QByteArray original = cp932(text);
        writeBytes(dir.path(), kDataFile, original);
        Catalogue c(dir.path());
        QVERIFY(!c.LoadMainData().isEmpty());
        QCOMPARE(c.TitleCount(), 19);
        QCOMPARE(c.titles()[19].Daimei, QStringLiteral("題20"));
        QVERIFY(c.SaveMainData().isEmpty());
        QString expected;
        for (int n = 1; n <= 20; ++n)
            if (n != 10) expected += titleRecord(QStringLiteral("題%1").arg(n));
        QCOMPARE(readCp932(dir.path(), kDataFile), expected);
        const QStringList kept = QDir(dir.path()).entryList({"*.bak"});
        QCOMPARE(kept.size(), 1);
        QCOMPARE(readBytes(dir.path(), kept[0]), original);
    }

    // A damaged file read again (it changed elsewhere) and rewritten within the same
    // second keeps both originals: no copy goes over an earlier one.
    void everyOriginalKeptHasACopyOfItsOwn() {
        QTemporaryDir dir;
        const QByteArray first = cp932(rec("甲") + QStringLiteral("\"切れた"));
        const QByteArray second = cp932(rec("乙") + QStringLiteral("\"切れた"));
        writeBytes(dir.path(), kDataFile, first);
        Catalogue c(dir.path());
        QVERIFY(!c.LoadMainData().isEmpty());
        QVERIFY(c.SaveMainData().isEmpty());
        writeBytes(dir.path(), kDataFile, second);
        c.dir().rescan();
        QVERIFY(!c.LoadMainData().isEmpty());
        QVERIFY(c.SaveMainData().isEmpty());
        QList<QByteArray> kept;
        for (const QString& f : QDir(dir.path()).entryList({kDataFile + QStringLiteral(".*.bak")}))
            kept << readBytes(dir.path(), f);
        QCOMPARE(kept.size(), 2);
        QVERIFY(kept.contains(first) && kept.contains(second));
    }

    void historyIsReadLineByLine() {
        QByteArray bytes = cp932(historyRecordLine("2003/01/01", "一", "DVD"));
        bytes += cp932("\"2003/02/01\",\"二\",\"DVD\",\"余分\"\r\n");     // 2: four fields
        bytes += cp932("\"2003/03/01\",\"三\"\r\n");                      // 3: two fields
        bytes += cp932("\r\n  \r\n\x1a\r\n");                             // blank lines
        bytes += cp932("\"2003/04/01\",\"四\",\"映画\r\n");               // 7: quote left open
        bytes += "\"2003/05/01\",\"\x85\x40\",\"DVD\"\r\n";               // 8: not code page 932
        bytes += cp932(historyRecordLine("2003/06/01", "六", "映画館"));  // 9
        bytes += "\x1a";
        KansyouTable t;
        QVector<qsizetype> starts;
        const ReadProblem p = readHistory(bytes, &t, &starts);
        QCOMPARE(t.KansyouCount(), 4);
        QCOMPARE(t[2], (Kansyou{"2003/02/01", "二", "DVD"}));
        QCOMPARE(t[3], (Kansyou{"2003/03/01", "三", ""}));
        QCOMPARE(t[4], (Kansyou{"2003/06/01", "六", "映画館"}));
        QCOMPARE(t.LastKansyoubi, QStringLiteral("2003/06/01"));
        QCOMPARE(lines(p.irregular), (QList<int>{2, 3}));
        QVERIFY(p.irregular[0].text.contains(QStringLiteral("項目が4個あります")));
        QCOMPARE(lines(p.skipped), (QList<int>{7, 8}));
        QCOMPARE(p.recordLines, (QVector<int>{1, 2, 3, 9}));
        QVERIFY(p.what.contains(QStringLiteral("7行目（4件目）")));
    }

    void soundHistoryGivesTheByteOffsetOfEachRecord() {
        const QByteArray bytes = cp932(historyRecordLine("2003/01/01", "ｱｲｳ", "DVD") +
                                       historyRecordLine("2003/02/01", "二つ目", "映画館") +
                                       historyRecordLine("2003/03/01", "3", "x"));
        KansyouTable t;
        QVector<qsizetype> starts;
        const ReadProblem p = readHistory(bytes, &t, &starts);
        QVERIFY(!p.any());
        QCOMPARE(starts.size(), 3);
        QCOMPARE(starts[0], qsizetype(0));
        QCOMPARE(bytes.indexOf("\"2003/02/01\""), starts[1]);
        QCOMPARE(bytes.indexOf("\"2003/03/01\""), starts[2]);
    }
};

REELNOTE_TEST(TestDamagedRecords)
#include "tst_damaged_records.moc"
