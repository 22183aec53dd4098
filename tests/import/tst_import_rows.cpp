#include "../store/disk_faults.h"
#include "app/import_command.h"
#include "check/folder_check.h"
#include "import/import_preview.h"
#include "import_support.h"
#include "test_files.h"
#include "test_registry.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

using namespace ImportTest;
using namespace TestFiles;

namespace {
const QString kDiaryHeader =
    QStringLiteral("Date,Name,Year,Letterboxd URI,Rating,Rewatch,Tags,Watched Date\n");
const QString kDatabaseHeader = QStringLiteral(
    "Const,Your Rating,Date Rated,Title,Original Title,URL,Title Type,IMDb Rating,"
    "Runtime (mins),Year,Genres,Num Votes,Release Date,Directors\n");

// A diary row: a viewing of name on date with a rating.
QString diaryRow(const QString& name, int year, const QString& rating, const QString& date) {
    return QStringLiteral("%4,%1,%2,https://example.org/film/x/,%3,,,%4\n")
        .arg(name)
        .arg(year)
        .arg(rating, date);
}

QString databaseRow(const QString& title, const QString& original, int year,
                    const QString& released, int rating) {
    return QStringLiteral(
               "tt%3,%4,2024-01-01,%1,%2,https://example.org/title/,Movie,7.0,100,%3,"
               "Drama,1000,%5,Someone\n")
        .arg(title, original)
        .arg(year)
        .arg(rating)
        .arg(released);
}

// The import on the command line, answered yes; *printed gets what it prints.
int importFile(const QString& file, const QString& dir, QString* printed = nullptr) {
    QString input = QStringLiteral("y\n"), output;
    QTextStream in(&input), out(&output), err(&output);
    const int status = importCsvCommand({"reelnote", "--import-csv", file, dir}, in, out, err);
    out.flush();
    if (printed) *printed = output;
    return status;
}

QString put(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    writeBytes(dir.path(), name, bytes);
    return dir.filePath(name);
}

QStringList titleNames(const QString& dir) {
    const FolderCheck::Collection c = FolderCheck::read(dir);
    QStringList names;
    for (int n = 1; n <= c.titles.TitleCount(); ++n) names << c.titles[n].Daimei;
    return names;
}

// Everything the second import of a file would do: nothing, said as the command says it.
void importsNothingAgain(const QString& file, const QString& dir) {
    const auto before = snapshot(dir);
    QString printed;
    QCOMPARE(importFile(file, dir, &printed), 1);
    QVERIFY2(printed.contains(QStringLiteral("取り込むものはありません。")), qPrintable(printed));
    QCOMPARE(snapshot(dir), before);
}
}  // namespace

class TestImportRows : public QObject {
    Q_OBJECT
private slots:
    // A film is the same when its name is and its years are at most one apart: the
    // production year of a row against a later (Japanese or re-)release on the card,
    // whichever of the row's years the card kept. Another film of the name more
    // years apart still becomes "Name (Year)", and each file imported again adds nothing.
    void sameNameWithinAYearIsTheSameFilm() {
        QTemporaryDir dir, files;
        writeCp932(dir.path(), kDataFile,
                   titleRecord("Parasite", "", "", "2020/01/10") +
                       titleRecord("Heat", "", "", "1986/05/01"));
        const QString ratings =
            put(files, "ratings.csv",
                (kDatabaseHeader +
                 databaseRow("Saturday Night", "Saturday Night", 2010, "2014-09-26", 7) +
                 databaseRow("Magnolia", "Magnolia", 1999, "2000-03-24", 8) +
                 databaseRow("Heat", "Heat", 1995, "1995-12-15", 9))
                    .toUtf8());
        const QString diary = put(
            files, "diary.csv",
            (kDiaryHeader + diaryRow("Parasite", 2019, "5", "2024-02-01") +
             diaryRow("Heat", 1995, "4", "2024-02-02") + diaryRow("Heat", 1986, "", "2024-02-03"))
                .toUtf8());
        QCOMPARE(importFile(ratings, dir.path()), 0);
        QCOMPARE(importFile(diary, dir.path()), 0);
        QCOMPARE(titleNames(dir.path()),
                 QStringList({"Parasite", "Heat", "Saturday Night", "Magnolia", "Heat (1995)"}));
        QCOMPARE(readBytes(dir.path(), kHistoryFile),
                 sjis(historyRecordLine("2024/02/01", "Parasite", "鑑賞") +
                      historyRecordLine("2024/02/02", "Heat (1995)", "鑑賞") +
                      historyRecordLine("2024/02/03", "Heat", "鑑賞")));
        importsNothingAgain(ratings, dir.path());
        importsNothingAgain(diary, dir.path());
    }

    // Titles code page 932 cannot hold stay apart: the database's original title
    // where that one fits, else a mark made from the name as written, so that the
    // same film gets the same title from any file. Each such row is listed.
    void titlesCodePage932CannotHoldStayApart() {
        QTemporaryDir dir, files;
        const QString diary = put(files, "diary.csv",
                                  (kDiaryHeader + diaryRow("마더", 2009, "4", "2024-03-01") +
                                   diaryRow("박쥐", 2009, "3", "2024-03-02"))
                                      .toUtf8());
        QString printed;
        QCOMPARE(importFile(diary, dir.path(), &printed), 0);
        const QStringList names = titleNames(dir.path());
        // The mark is made from the name alone, the same in every version.
        QCOMPARE(names, QStringList({"〓〓 #7F40", "〓〓 #8A09"}));
        for (const QString& line :
             {QStringLiteral("2行目　タイトル：「마더」→「%1」").arg(names[0]),
              QStringLiteral("3行目　タイトル：「박쥐」→「%1」").arg(names[1]),
              QStringLiteral("「#」と4桁の印を付けます。")})
            QVERIFY2(printed.contains(line), qPrintable(printed));
        const FolderCheck::Collection c = FolderCheck::read(dir.path());
        QCOMPARE(c.titles[1].HyoukaTen[1], 80);
        QCOMPARE(c.titles[2].HyoukaTen[1], 60);
        importsNothingAgain(diary, dir.path());

        // Another file of the second film alone finds that film's title.
        const QString rewatch =
            put(files, "rewatch.csv",
                (kDiaryHeader + diaryRow("박쥐", 2009, "3", "2024-04-01")).toUtf8());
        QCOMPARE(importFile(rewatch, dir.path()), 0);
        QCOMPARE(titleNames(dir.path()), names);
        QVERIFY(readBytes(dir.path(), kHistoryFile)
                    .endsWith(sjis(historyRecordLine("2024/04/01", names[1], "鑑賞"))));

        // Two names of one mark: the later one in the file is numbered.
        const QString sameMark = put(files, "same-mark.csv",
                                     (kDiaryHeader + diaryRow("가닁", 2001, "", "2024-05-01") +
                                      diaryRow("갇긢", 2001, "", "2024-05-02"))
                                         .toUtf8());
        QCOMPARE(importFile(sameMark, dir.path()), 0);
        QCOMPARE(titleNames(dir.path()).mid(2), QStringList({"〓〓 #8BC3", "〓〓 #8BC3 2"}));
        importsNothingAgain(sameMark, dir.path());

        // The database's original title, where code page 932 holds it.
        const QString ratings = put(
            files, "ratings.csv",
            (kDatabaseHeader + databaseRow("7인의 사무라이", "七人の侍", 1954, "1954-04-26", 10))
                .toUtf8());
        QCOMPARE(importFile(ratings, dir.path(), &printed), 0);
        QCOMPARE(titleNames(dir.path()).last(), QStringLiteral("七人の侍"));
        QVERIFY2(
            printed.contains(QStringLiteral("2行目　タイトル：「7인의 사무라이」→「七人の侍」")),
            qPrintable(printed));
        importsNothingAgain(ratings, dir.path());
    }

    // Our own exports as a spreadsheet saves them (2019/3/10): dates are stored as
    // the files write them, so nothing comes in twice and the history keeps date order.
    void datesOfOwnExportsAreStoredAsTheFilesWriteThem() {
        QTemporaryDir dir, files;
        const QString titles = put(
            files, "titles.csv",
            sjis(QStringLiteral("タイトル,監督,主演,公開日,国,ジャンル,評価,総合,脚本,映像,音楽,"
                                "演技,演出,余韻,DVD,BD,配信,録画\r\n"
                                "七人の侍,黒澤明,,1954/4/26,日本,,○,90,0,0,0,0,0,0,○,,,\r\n"
                                "生きる,,,1952/9,,,,0,0,0,0,0,0,0,,,,\r\n"
                                "Heat,,,1995,,,,0,0,0,0,0,0,0,,,,\r\n")));
        QCOMPARE(importFile(titles, dir.path()), 0);
        const QString data = readCp932(dir.path(), kDataFile);
        QVERIFY2(data.contains(QStringLiteral("\"1954/04/26\"")) &&
                     data.contains(QStringLiteral("\"1952/09\"")) &&
                     data.contains(QStringLiteral("\"1995\"")),
                 qPrintable(data));
        importsNothingAgain(titles, dir.path());

        writeCp932(dir.path(), kHistoryFile,
                   historyRecordLine("2019/03/10", "七人の侍", "映画館") +
                       historyRecordLine("2019/12/01", "Heat", "TV"));
        const QString history =
            put(files, "history.csv",
                sjis(QStringLiteral("鑑賞日,タイトル,鑑賞内容\r\n2019/3/10,七人の侍,映画館\r\n"
                                    "2019/4/2,生きる,DVD\r\n2019/12/1,Heat,TV\r\n")));
        QCOMPARE(importFile(history, dir.path()), 0);
        QCOMPARE(readBytes(dir.path(), kHistoryFile),
                 sjis(historyRecordLine("2019/03/10", "七人の侍", "映画館") +
                      historyRecordLine("2019/04/02", "生きる", "DVD") +
                      historyRecordLine("2019/12/01", "Heat", "TV")));
        importsNothingAgain(history, dir.path());
    }

    // Our history export alone: the titles it names are created, listed as new, and
    // the folder is whole; a row without a title is left out with its reason.
    void ownHistoryWithoutItsTitlesCreatesThem() {
        QTemporaryDir dir, files;
        writeCp932(dir.path(), kDataFile, titleRecord("Heat", "", "", "1995"));
        const QString history =
            put(files, "history.csv",
                sjis(QStringLiteral("鑑賞日,タイトル,鑑賞内容\r\n2003/05/10,七人の侍,映画館\r\n"
                                    "2003/05/11,Heat,TV\r\n2003/05/12,七人の侍,DVD\r\n"
                                    "2003/05/13,,DVD\r\n2003/05/14,AC/DC,TV\r\n")));
        QString printed;
        QCOMPARE(importFile(history, dir.path(), &printed), 0);
        for (const QString& line :
             {QStringLiteral("新しいタイトル：2件\n　「七人の侍」、「AC/DC」"),
              QStringLiteral("5行目　タイトルがありません。")})
            QVERIFY2(printed.contains(line), qPrintable(printed));
        QCOMPARE(titleNames(dir.path()), QStringList({"Heat", "七人の侍", "AC/DC"}));
        const FolderCheck::Report report = FolderCheck::check(dir.path());
        QVERIFY2(report.findings.isEmpty(), qPrintable(report.findings.join(u'\n')));
        QCOMPARE(report.viewings, 4);
        importsNothingAgain(history, dir.path());
    }
};

REELNOTE_TEST(TestImportRows)
#include "tst_import_rows.moc"
