#include "import/import_plan.h"
#include "import/import_preview.h"
#include "import/import_read.h"
#include "import_support.h"
#include "test_files.h"
#include "test_registry.h"

#include <QTemporaryDir>
#include <QTest>

using namespace ImportTest;
using TestFiles::readBytes;
using TestFiles::writeBytes;

namespace {
const QString kEmptyRecordTail = QStringLiteral(",0,0,0,0,0,0,\"\",\"\",\"\",\"\"\r\n");

// A data-file record with the fields an import gives.
QString rec(const QString& name, const QString& kantoku, const QString& koukai,
            const QString& janru, int score, const QString& hyouka = {}, const QString& syuen = {},
            const QString& kuni = {}) {
    return QStringLiteral("\"%1\",\"%2\",\"%3\",\"%4\",\"%5\",\"%6\",\"%7\",%8")
               .arg(name, kantoku, syuen, koukai, kuni, janru, hyouka)
               .arg(score) +
           kEmptyRecordTail;
}
}  // namespace

class TestImportFormats : public QObject {
    Q_OBJECT
private slots:
    // The diary: the title already there gains its score and keeps the rest, the
    // other year becomes "Dune (2021)", a rewatch adds a viewing but not a second
    // score, a viewing already on file is not added, and texts are made to fit.
    void diaryIntoACollection() {
        QTemporaryDir dir;
        writeBytes(dir.path(), kDataFile,
                   sjis(rec("Alien", "Ridley Scott", "1979/05/25", "", 0, "◎") +
                        rec("Dune", "David Lynch", "1984/12/14", "", 70)));
        writeBytes(
            dir.path(), kHistoryFile,
            sjis("\"2023/12/24\",\"Alien\",\"DVD\"\r\n\"2024/01/05\",\"Alien\",\"cinema\"\r\n"));
        QString problem;
        const ImportPlan plan =
            importBytes(dir.path(), readAll(dataFile("diary.csv")), kDefaultViewingWord, &problem);
        QCOMPARE(problem, QString());
        QCOMPARE(readBytes(dir.path(), kDataFile),
                 sjis(rec("Alien", "Ridley Scott", "1979/05/25", "", 90, "◎") +
                      rec("Dune", "David Lynch", "1984/12/14", "", 70) +
                      rec("Dune (2021)", "", "2021", "", 70) +
                      rec("AC／DC： Let There Be Rock", "", "1980", "", 0) +
                      rec("Leon", "", "1994", "", 100) +
                      rec("The Good， the Bad and the Ugly", "", "1966", "", 10)));
        QCOMPARE(readBytes(dir.path(), kHistoryFile),
                 sjis("\"2023/12/24\",\"Alien\",\"DVD\"\r\n"
                      "\"2024/01/02\",\"Leon\",\"home\"\r\n"
                      "\"2024/01/05\",\"Alien\",\"cinema\"\r\n"
                      "\"2024/01/07\",\"Dune (2021)\",\"鑑賞\"\r\n"
                      "\"2024/01/08\",\"AC／DC： Let There Be Rock\",\"鑑賞\"\r\n"
                      "\"2024/01/09\",\"Alien\",\"鑑賞\"\r\n"
                      "\"2024/02/01\",\"The Good， the Bad and the Ugly\",\"late night\"\r\n"));
        QCOMPARE(plan.filledTitles, QStringList({"Alien"}));
        QCOMPARE(plan.newTitles.size(), 4);
        QCOMPARE(plan.viewingsAdded, 5);
        QCOMPARE(plan.viewingsThere, 1);
        const QString preview = ImportPreview::text(plan, "diary.csv");
        for (const QString& line :
             {QStringLiteral("形式：映画日記サービスの書き出し（diary.csv）\r\n文字コード：UTF-8"),
              QStringLiteral("新しいタイトル：4件"), QStringLiteral("情報を補うタイトル：1件"),
              QStringLiteral("追加する鑑賞履歴：5件"),
              QStringLiteral("すでにある鑑賞履歴（追加しません）：1件"),
              QStringLiteral("使わない列：Date、Letterboxd URI、Rewatch"),
              QStringLiteral("文字の変更：4件"),
              QStringLiteral(
                  "4行目　タイトル：「AC/DC: Let There Be Rock」→「AC／DC： Let There Be Rock」"),
              QStringLiteral("5行目　タイトル：「Léon」→「Leon」"),
              QStringLiteral("7行目　タイトル：「The Good, the Bad and the Ugly」→「The Good， the "
                             "Bad and the Ugly」"),
              QStringLiteral("7行目　鑑賞内容：「late↵night」→「late night」")})
            QVERIFY2(preview.contains(line), qPrintable(preview));

        // The same file again adds nothing.
        const ImportPlan again = importBytes(dir.path(), readAll(dataFile("diary.csv")));
        QVERIFY(again.changesNothing());
        QCOMPARE(again.viewingsThere, 6);
        QCOMPARE(again.unchangedRows, 0);
    }

    // The list of films seen, then the ratings: one title each, the scores filled later.
    void diaryWatchedThenRatings() {
        QTemporaryDir dir;
        importBytes(dir.path(), readAll(dataFile("watched.csv")));
        const ImportPlan ratings = importBytes(dir.path(), readAll(dataFile("ratings.csv")));
        QCOMPARE(ratings.filledTitles, QStringList({"Heat"}));
        QCOMPARE(readBytes(dir.path(), kDataFile),
                 sjis(rec("Heat", "", "1995", "", 80) + rec("Stalker", "", "1979", "", 0) +
                      rec("Ran", "", "1985", "", 50)));
        QCOMPARE(readBytes(dir.path(), kHistoryFile), QByteArray());
    }

    // The first director and genre, the release date or else the year, the rating × 10;
    // a title already there keeps what it has.
    void filmDatabaseRatings() {
        QTemporaryDir dir;
        writeBytes(dir.path(), kDataFile, sjis(rec("Heat", "", "1995", "", 0)));
        const ImportPlan plan = importBytes(dir.path(), readAll(dataFile("film_ratings.csv")));
        QCOMPARE(readBytes(dir.path(), kDataFile),
                 sjis(rec("Heat", "Michael Mann", "1995", "Action", 90) +
                      rec("The Matrix", "Lana Wachowski", "1999/03/31", "Action", 70) +
                      rec("Stalker", "Andrei Tarkovsky", "1979", "Drama", 100)));
        QVERIFY(plan.changes.isEmpty());
        QCOMPARE(plan.columns.ignored,
                 QStringList({"Const", "Date Rated", "URL", "Title Type", "IMDb Rating",
                              "Runtime (mins)", "Num Votes"}));
    }

    // The database's older layout: the score "You rated" 1..10, the release date
    // written month first.
    void olderFilmDatabaseLayout() {
        QTemporaryDir dir;
        const QByteArray csv =
            "position,const,created,modified,description,Title,Title type,Directors,You rated,"
            "IMDb Rating,Runtime (mins),Year,Genres,Num. Votes,Release Date "
            "(month/day/year),URL\r\n"
            "1,tt01,2016-01-04,,,Heat,Feature Film,\"Michael Mann, A. N. Other\",8,8.3,170,1995,"
            "\"action, crime\",700000,12/15/1995,https://example.org/t1/\r\n"
            "2,tt02,2016-01-05,,,Stalker,Feature Film,Andrei Tarkovsky,10,8.0,162,1979,drama,1,"
            "5/25/1979,u\r\n"
            "3,tt03,2016-01-06,,,Ran,Feature Film,Akira Kurosawa,,8.2,160,1985,drama,1,,u\r\n";
        const ImportPlan plan = importBytes(dir.path(), csv);
        QCOMPARE(plan.columns.format, ImportFormat::FilmDatabase);
        QCOMPARE(readBytes(dir.path(), kDataFile),
                 sjis(rec("Heat", "Michael Mann", "1995/12/15", "action", 80) +
                      rec("Stalker", "Andrei Tarkovsky", "1979/05/25", "drama", 100) +
                      rec("Ran", "Akira Kurosawa", "1985", "drama", 0)));
        QVERIFY(plan.changes.isEmpty());
    }

    // The diary's watchlist has the header of its watched list and is told by its
    // name; the database's has no rating column. Both are named for what they are.
    void watchlistsAreToldFromWatchedLists() {
        const QByteArray diary = "Date,Name,Year,Letterboxd URI\r\n2024-01-01,Ran,1985,u\r\n";
        ImportColumns c;
        ImportPlanner::readFile(diary, "watchlist.csv", &c);
        QCOMPARE(c.format, ImportFormat::DiaryWatchlist);
        ImportPlanner::readFile(diary, "my-WatchList (2).csv", &c);
        QCOMPARE(c.format, ImportFormat::DiaryWatchlist);
        ImportPlanner::readFile(diary, "watched.csv", &c);
        QCOMPARE(c.format, ImportFormat::DiaryWatched);
        const QByteArray database =
            "Position,Const,Created,Modified,Description,Title,URL,Title Type,IMDb Rating,"
            "Runtime (mins),Year,Genres,Num Votes,Release Date,Directors\r\n"
            "1,tt03,2024-01-01,2024-01-01,,Ran,u,Movie,8.2,160,1985,Drama,1,1985-06-01,"
            "Akira Kurosawa\r\n";
        const CsvFile f = ImportPlanner::readFile(database, "WATCHLIST.csv", &c);
        QCOMPARE(c.format, ImportFormat::FilmDatabaseWatchlist);
        const ImportPlan plan = ImportPlanner::plan({}, {}, f, c);
        QCOMPARE(plan.newTitles, QStringList({"Ran"}));
        QCOMPARE(plan.titles[1].Koukai, QStringLiteral("1985/06/01"));
        QCOMPARE(plan.viewingsAdded, 0);
        QVERIFY(ImportPreview::text(plan, "WATCHLIST.csv")
                    .contains(QStringLiteral("形式：映画データベースのウォッチリスト")));
        QVERIFY(ImportFormats::name(ImportFormat::DiaryWatchlist)
                    .startsWith(QStringLiteral("映画日記サービスのウォッチリスト")));
    }

    // A row whose quote is left open is listed with its line, and the rows after
    // it come in.
    void aRowWithAnOpenQuoteIsListed() {
        const QByteArray diary =
            "Date,Name,Year,Letterboxd URI,Rating,Rewatch,Tags,Watched Date\r\n"
            "2020-10-19,Ran,1985,u,4,,,2020-10-19\r\n"
            "2020-10-20,\"Heat,1995,u,5,,,2020-10-20\r\n"
            "2020-10-21,Alien,1979,u,4,,,2020-10-21\r\n"
            "2020-10-22,Dune,2021,u,3,,,2020-10-22\r\n";
        ImportColumns c;
        const CsvFile f = ImportPlanner::readFile(diary, &c);
        const ImportPlan plan = ImportPlanner::plan({}, {}, f, c);
        QCOMPARE(plan.newTitles, QStringList({"Ran", "Alien", "Dune"}));
        QCOMPARE(plan.viewingsAdded, 3);
        QCOMPARE(plan.skipped.size(), 1);
        QCOMPARE(plan.skipped[0].line, 3);
        QVERIFY(
            ImportPreview::text(plan, "diary.csv").contains(QStringLiteral("3行目　引用符が閉じ")));
    }

    // A spreadsheet of our own users: Japanese names in their own order, code page
    // 932, a line break and quotes in fields, a mark that is none of ◎ ○ △.
    void spreadsheetInCodePage932() {
        QTemporaryDir dir;
        const QByteArray csv = sjis(QStringLiteral(
            "鑑賞日,タイトル名,監督,主演,公開日,国,ジャンル,評価,メモ\r\n"
            "2024/3/1,七人の侍,黒澤明,\"三船敏郎\r\n志村喬\",1954/4/26,日本,時代劇,◎,傑作\r\n"
            ",生きる,黒澤明,志村喬,1952年10月9日,日本,ドラマ,A,\r\n"
            "2024/03/02,\"\"\"用心棒\"\"\",黒澤明,,1961,日本,時代劇,○,\r\n"
            "2024/13/01,,,,,,,,\r\n"));
        const ImportPlan plan = importBytes(dir.path(), csv, QStringLiteral("映画館"));
        QCOMPARE(readBytes(dir.path(), kDataFile),
                 sjis(rec("七人の侍", "黒澤明", "1954/04/26", "時代劇", 0, "◎", "三船敏郎 志村喬",
                          "日本") +
                      rec("生きる", "黒澤明", "1952/10/09", "ドラマ", 0, "", "志村喬", "日本") +
                      rec("＂用心棒＂", "黒澤明", "1961", "時代劇", 0, "○", "", "日本")));
        QCOMPARE(readBytes(dir.path(), kHistoryFile),
                 sjis("\"2024/03/01\",\"七人の侍\",\"映画館\"\r\n"
                      "\"2024/03/02\",\"＂用心棒＂\",\"映画館\"\r\n"));
        QCOMPARE(plan.columns.ignored, QStringList({"メモ"}));
        QCOMPARE(plan.skipped.size(), 1);
        QCOMPARE(plan.skipped[0].line, 6);
        const QString preview = ImportPreview::text(plan, "films.csv");
        for (const QString& line :
             {QStringLiteral("2行目　主演：「三船敏郎↵志村喬」→「三船敏郎 志村喬」"),
              QStringLiteral("4行目　評価：「A」→（取り込みません）"),
              QStringLiteral("5行目　タイトル：「\"用心棒\"」→「＂用心棒＂」"),
              QStringLiteral("6行目　タイトルがありません。")})
            QVERIFY2(preview.contains(line), qPrintable(preview));
    }

    // A full collection takes no new title and a full history no new viewing: the
    // rows are refused and counted; a row of a title already there still fills it.
    void limitsOfTheFiles() {
        TitleTable titles;
        titles.reserve(kMaxRecords);
        for (int n = 1; n < kMaxRecords; ++n) {
            Title t;
            t.Daimei = QString::number(n);
            titles.append(t);
        }
        KansyouTable history;
        for (int i = 1; i < kMaxRecords; ++i) history.append({"2000/01/01", "1", "TV"});
        CsvFile file;
        file.header = {"Title", "Watched Date", "Country"};
        file.rows = {{2, {"A", "2024-01-01", ""}, false},
                     {3, {"B", "2024-01-02", ""}, false},
                     {4, {"C", "", ""}, false},
                     {5, {"7", "2024-01-03", "日本"}, false}};
        const ImportPlan plan =
            ImportPlanner::plan(titles, history, file, ImportFormats::recognise(file.header));
        QCOMPARE(plan.newTitles, QStringList({"A"}));
        QCOMPARE(plan.titlesOverLimit, 2);
        QCOMPARE(plan.viewingsAdded, 1);
        QCOMPARE(plan.viewingsOverLimit, 1);
        QCOMPARE(plan.filledTitles, QStringList({"7"}));
        QCOMPARE(plan.titles.TitleCount(), kMaxRecords);
        QCOMPARE(plan.history.size(), kMaxRecords);
        QVERIFY(ImportPreview::text(plan, "x.csv")
                    .contains(QStringLiteral("タイトルが32766件を超えるため取り込まない行：2件")));
    }
};

REELNOTE_TEST(TestImportFormats)
#include "tst_import_formats.moc"
