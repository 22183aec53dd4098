#include "store/catalogue.h"
#include "store/cp932.h"
#include "store/data_file.h"
#include "test_files.h"
#include "test_registry.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace TestFiles;

namespace {
QStringList items(Catalogue& c, PickList which) { return c.pickList(which)->stringList(); }

QStringList backups(const QString& dir) {
    return QDir(dir).entryList({QStringLiteral("*.bak")}, QDir::Files);
}

Title sampleTitle(int i) {
    Title t;
    t.Daimei = QStringLiteral("作品%1～①㈱Ⅲ").arg(i);
    t.Kantoku = QStringLiteral("監督%1").arg(i % 3);
    t.Syuen = i % 2 ? QStringLiteral("主演A") : QString();
    t.Koukai = QStringLiteral("19%1/04/01").arg(50 + i);
    t.Kuni = QStringLiteral("日本");
    t.Janru = QStringLiteral("ドラマ");
    t.Hyouka = QStringLiteral("◎");
    for (int k = 1; k <= 7; ++k) t.HyoukaTen[k] = qint16(k == 1 ? 95 : (i + k) % 11);
    t.Syoyu[1] = kOwned;
    t.Syoyu[3] = kOwned;
    return t;
}
}  // namespace

class TestCatalogue : public QObject {
    Q_OBJECT
private slots:
    void missingDataFileIsCreatedEmpty() {
        QTemporaryDir dir;
        Catalogue c(dir.path());
        QVERIFY(c.LoadMainData().isEmpty());
        QCOMPARE(c.TitleCount(), 0);
        QVERIFY(QFile::exists(dir.filePath(kDataFile)));
        QCOMPARE(readBytes(dir.path(), kDataFile), QByteArray());
        for (PickList p : {PickList::Name, PickList::Kantoku, PickList::Koukai, PickList::Koukai3})
            QVERIFY(items(c, p).isEmpty());
    }

    void pickListsAreDistinctSortedOrFirstSeen() {
        QTemporaryDir dir;
        writeCp932(dir.path(), kDataFile,
                   titleRecord("C", "黒澤明", "", "1999/04/01", "日本", "ドラマ") +
                       titleRecord("A", "", "三船敏郎", "1999/12", "日本", "時代劇") +
                       titleRecord("B", "Zeta", "", "", "アメリカ", "drama") +
                       titleRecord("C2", "alpha", "", "1954/04/26", "", "ドラマ") +
                       titleRecord("D", "黒澤明", "三船敏郎", "1999/04/20", "日本", ""));
        Catalogue c(dir.path());
        QVERIFY(c.LoadMainData().isEmpty());
        QCOMPARE(c.TitleCount(), 5);
        QCOMPARE(items(c, PickList::Name), (QStringList{"C", "A", "B", "C2", "D"}));
        // Sorted ignoring letter case; a director seen again later is listed once.
        QCOMPARE(items(c, PickList::Kantoku), (QStringList{"alpha", "Zeta", "黒澤明"}));
        QCOMPARE(items(c, PickList::Syuen), QStringList{"三船敏郎"});
        QCOMPARE(items(c, PickList::Janru), (QStringList{"drama", "ドラマ", "時代劇"}));
        // First-seen order for release year-months and years.
        QCOMPARE(items(c, PickList::Koukai), (QStringList{"1999/04", "1999/12", "1954/04"}));
        QCOMPARE(items(c, PickList::Koukai3), (QStringList{"1999年", "1954年"}));
        QCOMPARE(c.txtD(1).text(), QStringLiteral(",黒澤明,Zeta,alpha,"));
        QCOMPARE(c.txtD(8).text(), QStringLiteral(",1999,1954,"));
    }

    void reloadingRebuildsTheListsFromScratch() {
        QTemporaryDir dir;
        writeCp932(dir.path(), kDataFile,
                   titleRecord("A", "監督", "主演", "2001/01", "日本", "劇"));
        Catalogue c(dir.path());
        QVERIFY(c.LoadMainData().isEmpty());
        QCOMPARE(items(c, PickList::Kuni), QStringList{"日本"});
        writeCp932(dir.path(), kDataFile, titleRecord("B", "別の監督"));
        QVERIFY(c.LoadMainData().isEmpty());
        QCOMPARE(items(c, PickList::Kantoku), QStringList{"別の監督"});
        QVERIFY(items(c, PickList::Kuni).isEmpty());
        QCOMPARE(c.txtD(1).text(), QStringLiteral(",別の監督,"));
        QFile::remove(dir.filePath(kDataFile));
        c.dir().rescan();
        QVERIFY(c.LoadMainData().isEmpty());  // created empty again
        QVERIFY(items(c, PickList::Kantoku).isEmpty());
        QCOMPARE(c.txtD(1).text(), QStringLiteral(","));
    }

    void newTitleRecordReadsBackEmpty() {
        QTemporaryDir dir;
        writeCp932(dir.path(), kDataFile, QStringLiteral("\"新作\",,,,,,,,,,,,,,,,,\"\"\r\n"));
        Catalogue c(dir.path());
        QVERIFY(c.LoadMainData().isEmpty());
        QCOMPARE(c.TitleCount(), 1);
        Title expected;
        expected.Daimei = QStringLiteral("新作");
        QCOMPARE(c.titles()[1], expected);
    }

    void saveThenLoadReproducesTableAndBytes() {
        QTemporaryDir dir;
        Catalogue c(dir.path());
        c.LoadMainData();
        for (int i = 1; i <= 5; ++i) c.titles().append(sampleTitle(i));
        QVERIFY(c.SaveMainData().isEmpty());
        const TitleTable saved = c.titles();
        QVERIFY(c.LoadMainData().isEmpty());
        QCOMPARE(c.titles(), saved);

        const QByteArray bytes = readBytes(dir.path(), kDataFile);
        const QByteArray first = bytes.left(bytes.indexOf("\r\n") + 2);
        QCOMPARE(first, cp932(QStringLiteral(
                            "\"作品1～①㈱Ⅲ\",\"監督1\",\"主演A\",\"1951/04/01\",\"日本\","
                            "\"ドラマ\",\"◎\",95,3,4,5,6,7,8,\"○\",\"\",\"○\",\"\"\r\n")));
        QVERIFY(
            bytes.contains(QByteArray::fromHex("81608740878a8756")));  // ～①㈱Ⅲ in code page 932
        QCOMPARE(bytes.count("\r\n"), 5);
        QCOMPARE(bytes.count('\n'), 5);
    }

    // A large table is encoded in parts (and the buffer grows as it goes): the
    // bytes and record starts must be those of encoding the whole text at once,
    // with odd scores, empty and long texts among them, and a character the code
    // page lacks must fail the whole, wherever it is.
    void largeTablesEncodeAsTheWholeTextWould() {
        TitleTable table;
        for (int i = 1; i <= 9001; ++i) {
            Title t = sampleTitle(i);
            if (i % 97 == 0) t.HyoukaTen[2] = qint16(-i);
            if (i % 89 == 0) t.HyoukaTen[1] = 32767;
            if (i % 13 == 0) t.Kantoku = SharedText();
            if (i % 1000 == 0) t.Syuen = QString(3000 + i, QChar(u'ｱ'));  // far past any guess
            table.append(t);
        }
        for (const int skip : {0, 1, 4500, 4501, 9001}) {
            const QString text = serializeDataFile(table, skip);
            QByteArray expected;
            QVERIFY(Cp932::encode(text, &expected));
            QByteArray bytes;
            QVector<qsizetype> starts;
            QVERIFY(encodeDataFile(table, skip, &bytes, &starts));
            QCOMPARE(bytes.size(), expected.size());
            QVERIFY(bytes == expected);
            QCOMPARE(starts.size(), skip ? 9000 : 9001);
            QCOMPARE(starts[0], 0);
            for (qsizetype i = 1; i < starts.size(); ++i) {
                QCOMPARE(bytes.at(starts[i] - 1), '\n');
                QCOMPARE(bytes.at(starts[i]), '"');
            }
        }
        for (const int n : {2, 4500, 4501, 9001}) {
            TitleTable bad = table;
            bad[n].Kuni = QStringLiteral("Éire");
            QByteArray bytes;
            QVERIFY2(!encodeDataFile(bad, 0, &bytes, nullptr), qPrintable(QString::number(n)));
        }
    }

    void editsWriteTheSameFileAsAWholeRewrite() {
        QTemporaryDir dir;
        QString data;
        for (int i = 1; i <= 6; ++i) data += serializeTitle(sampleTitle(i));
        writeCp932(dir.path(), kDataFile, data);
        Catalogue c(dir.path());
        QVERIFY(c.LoadMainData().isEmpty());
        const auto fileIsTheTable = [&] {
            QCOMPARE(readBytes(dir.path(), kDataFile), cp932(serializeDataFile(c.titles())));
            Catalogue fresh(dir.path());
            QVERIFY(fresh.LoadMainData().isEmpty());
            QCOMPARE(fresh.titles(), c.titles());
        };
        const auto edit = [&](int n, const QString& director) {
            Title t = c.titles()[n];
            t.Kantoku = director;
            QVERIFY(c.storeTitle(n, t).isEmpty());
        };
        edit(3, QStringLiteral("最初の編集"));  // the first edit writes every record
        fileIsTheTable();
        edit(1, QStringLiteral("先頭～①"));  // later ones replace one record's bytes
        edit(6, QStringLiteral("末尾"));
        edit(4, QString());
        fileIsTheTable();
        QVERIFY(c.removeTitle(2).isEmpty());
        QVERIFY(c.removeTitle(c.TitleCount()).isEmpty());
        edit(c.TitleCount(), QStringLiteral("新しい末尾"));
        fileIsTheTable();
        QVERIFY(c.appendTitle(QStringLiteral("追加")).isEmpty());
        edit(1, QStringLiteral("追加の後"));
        fileIsTheTable();
        QVERIFY(c.removeTitle(1).isEmpty());
        fileIsTheTable();
    }

    void damagedDataFileIsLoadedAsFarAsSound_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("kept");
        QTest::addColumn<QString>("where");
        QTest::addColumn<bool>("damaged");  // a rewrite changes what the file says
        const QByteArray good = cp932(titleRecord("一", "", "", "", "", "", "", {50, 5}) +
                                      titleRecord("二", "", "", "", "", "", "", {60, 6}));
        QTest::newRow("cut last record")
            << good + cp932("\"三\",\"監督\",\"\"") << 2
            << QStringLiteral("3行目（3件目）：途中で切れています") << true;
        // An unsound record costs only itself; a score out of its range is kept as read.
        QTest::newRow("text in a score field")
            << good + cp932("\"三\",,,,,,,abc,0,0,0,0,0,0,,,,\r\n") + good << 4
            << QStringLiteral("3行目（3件目）：「三」の評価点1") << true;
        QTest::newRow("score out of range")
            << good + cp932(titleRecord("三", "", "", "", "", "", "", {50, 11})) << 3
            << QStringLiteral("評価点2の値 11") << false;
        QTest::newRow("bytes that are not code page 932")
            << good + QByteArray("\"\x82\xa0\xff\",,,,,,,0,0,0,0,0,0,0,,,,\r\n") << 2
            << QStringLiteral("3行目") << true;
    }
    void damagedDataFileIsLoadedAsFarAsSound() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, kept);
        QFETCH(QString, where);
        QFETCH(bool, damaged);
        QTemporaryDir dir;
        writeBytes(dir.path(), kDataFile, bytes);
        Catalogue c(dir.path());
        const QString message = c.LoadMainData();
        QVERIFY2(message.contains(where), qPrintable(message));
        QCOMPARE(c.TitleCount(), kept);
        QCOMPARE(c.titles()[2].HyoukaTen[2], qint16(6));
        // Nothing is written until the first rewrite, and that one keeps the original first.
        QVERIFY(backups(dir.path()).isEmpty());
        QCOMPARE(readBytes(dir.path(), kDataFile), bytes);
        QVERIFY(c.SaveMainData().isEmpty());
        if (!damaged) {
            // A value out of its range is no damage: written back as read, no copy needed.
            QCOMPARE(readBytes(dir.path(), kDataFile), bytes);
            QVERIFY(backups(dir.path()).isEmpty());
            return;
        }
        const QStringList kept1 = backups(dir.path());
        QCOMPARE(kept1.size(), 1);
        QCOMPARE(readBytes(dir.path(), kept1[0]), bytes);
        QVERIFY(c.SaveMainData().isEmpty());
        QCOMPARE(backups(dir.path()).size(), 1);
    }

    void utf8DataFileIsReadAndWrittenBackInCodePage932() {
        QTemporaryDir dir;
        const QString text = titleRecord("東京物語", "小津安二郎", "笠智衆", "1953/11/03", "日本");
        const QByteArray utf8 = text.toUtf8();
        writeBytes(dir.path(), kDataFile, utf8);
        Catalogue c(dir.path());
        const QString message = c.LoadMainData();
        QVERIFY2(message.contains(QStringLiteral("UTF-8")), qPrintable(message));
        QCOMPARE(c.titles()[1].Kantoku, QStringLiteral("小津安二郎"));
        // A new title is not appended in code page 932 to a UTF-8 file: the file is written anew.
        QVERIFY(c.appendTitle(QStringLiteral("晩春")).isEmpty());
        QCOMPARE(readBytes(dir.path(), kDataFile), cp932(text + titleRecord("晩春")));
        const QStringList kept = backups(dir.path());
        QCOMPARE(kept.size(), 1);
        QCOMPARE(readBytes(dir.path(), kept[0]), utf8);
        QVERIFY(!Cp932::looksLikeUtf8(cp932(text)));  // the code page's own text is not mistaken
    }

    // The titles past the limit are not in the table, so no change may rewrite the
    // file without them; the user is told why and what to do.
    void moreRecordsThanTheLimitAreReadToTheLimitAndNeverWritten() {
        QTemporaryDir dir;
        QByteArray bytes;
        const QByteArray rec = "\"t\",,,,,,,0,0,0,0,0,0,0,,,,\r\n";
        for (int i = 0; i < kMaxRecords + 2; ++i) bytes += rec;
        writeBytes(dir.path(), kDataFile, bytes);
        Catalogue c(dir.path());
        const QString message = c.LoadMainData();
        QVERIFY(message.contains(QStringLiteral("32766件")));
        QVERIFY2(message.contains(QStringLiteral("並び替え）は保存しません")), qPrintable(message));
        QCOMPARE(c.TitleCount(), kMaxRecords);
        Title t = c.titles()[1];
        t.Kantoku = QStringLiteral("監督");
        const QString why = QStringLiteral("32766件を超える");
        QVERIFY(c.storeTitle(1, t).contains(why));
        QVERIFY(c.appendTitle(QStringLiteral("新作")).contains(why));
        QVERIFY(c.removeTitle(1).contains(why));
        QVERIFY(c.SaveMainData().contains(why));
        QVERIFY(c.rewriteInNumberOrder({}).contains(QStringLiteral("並び順")));
        QCOMPARE(c.TitleCount(), kMaxRecords);
        QCOMPARE(readBytes(dir.path(), kDataFile), bytes);
        // Once the file is back within the limit, a load takes it and changes are saved.
        bytes.chop(2 * rec.size());
        writeBytes(dir.path(), kDataFile, bytes);
        c.dir().rescan();
        QVERIFY(c.LoadMainData().isEmpty());
        QVERIFY(c.storeTitle(1, t).isEmpty());
    }

    void mastersAndSettings() {
        QTemporaryDir dir;
        Catalogue fresh(dir.path());
        QVERIFY(fresh.LoadMasters().isEmpty());
        QVERIFY(fresh.LoadSettings().isEmpty());
        QCOMPARE(fresh.HyoukaKoumoku[2], QStringLiteral("感動・涙"));
        QCOMPARE(fresh.HelpTour, 1);
        QCOMPARE(readBytes(dir.path(), kSettingsFile), cp932("\"ヘルプツアー\",1\r\n"));
        QCOMPARE(
            readCp932(dir.path(), kHyoukaMasterFile),
            QStringLiteral("\"総合\"\r\n\"感動・涙\"\r\n\"笑い\"\r\n\"ほのぼの\"\r\n\"スリル\"\r\n"
                           "\"恐怖戦慄\"\r\n\"セクシー\"\r\n"));

        // Fewer records leave the rest empty; more are ignored; a differently cased name is found.
        QFile::remove(dir.filePath(kHyoukaMasterFile));
        QFile::remove(dir.filePath(kSettingsFile));
        writeCp932(dir.path(), QStringLiteral("評価マスタ.TXT"),
                   "\"a\"\r\n\"b\"\r\n\"c\"\r\n\"d\"\r\n\"e\"\r\n");
        writeCp932(dir.path(), QStringLiteral("所有マスタ.txt"),
                   "\"1\"\r\n\"2\"\r\n\"3\"\r\n\"4\"\r\n\"5\"\r\n\"6\"\r\n");
        writeCp932(dir.path(), QStringLiteral("設定.txt"), "\"ヘルプツアー\",0\r\n");
        Catalogue c(dir.path());
        QVERIFY(c.LoadMasters().isEmpty());
        QVERIFY(c.LoadSettings().isEmpty());
        QCOMPARE(c.HyoukaKoumoku[5], QStringLiteral("e"));
        QVERIFY(c.HyoukaKoumoku[6].isEmpty());
        QVERIFY(c.HyoukaKoumoku[7].isEmpty());
        QCOMPARE(c.SyoyuKoumoku[4], QStringLiteral("4"));
        QCOMPARE(c.HelpTour, 0);
        c.HelpTour = 1;
        QVERIFY(c.SaveSettings().isEmpty());
        // The existing file is rewritten under its own name, not a second file beside it.
        QCOMPARE(readBytes(dir.path(), QStringLiteral("設定.txt")),
                 cp932("\"ヘルプツアー\",1\r\n"));
        QVERIFY(!QFile::exists(dir.filePath(kSettingsFile)));
    }

    void refusesToWriteTextTheCodePageCannotHold() {
        QTemporaryDir dir;
        Catalogue c(dir.path());
        c.LoadMainData();
        QVERIFY(c.writeTextFile(kSettingsFile, QStringLiteral("\"x\",1\r\n")).isEmpty());
        const QString message = c.writeTextFile(kSettingsFile, QStringLiteral("\"café\",1\r\n"));
        QVERIFY(message.contains(QStringLiteral("「é」")));
        QCOMPARE(readBytes(dir.path(), kSettingsFile), QByteArray("\"x\",1\r\n"));
    }

    void failedWriteIsReported() {
        QTemporaryDir dir;
        Catalogue c(dir.path());
        QDir(dir.path()).mkdir(kDataFile);  // a folder where the file should be
        c.dir().rescan();
        QVERIFY(!c.SaveMainData().isEmpty());
    }
};

REELNOTE_TEST(TestCatalogue)
#include "tst_catalogue.moc"
