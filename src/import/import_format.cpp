#include "import_format.h"

#include <initializer_list>

namespace ImportFormats {

namespace {
// Japanese names are compared as they are, English ones without regard to case.
bool sameName(const QString& column, const QString& name) {
    return column.compare(name, Qt::CaseInsensitive) == 0;
}

int columnOf(const QStringList& header, std::initializer_list<const char16_t*> names) {
    for (const char16_t* name : names) {
        const QString n = QString::fromUtf16(name);
        for (int i = 0; i < header.size(); ++i)
            if (sameName(header[i], n)) return i;
    }
    return -1;
}

bool has(const QStringList& header, const char16_t* name) { return columnOf(header, {name}) >= 0; }

const char16_t* const kOwnTitleColumns[] = {u"タイトル", u"監督",     u"主演", u"公開日",
                                            u"国",       u"ジャンル", u"評価"};

// The export of the titles: its seven named columns, and eleven more named after
// the evaluation and ownership items of whoever wrote it, in their order.
bool ownTitles(const QStringList& header, ImportColumns* c) {
    constexpr int kColumns = 18;
    if (header.size() != kColumns) return false;
    int* const named[] = {&c->title, &c->kantoku, &c->syuen, &c->koukai,
                          &c->kuni,  &c->janru,   &c->hyouka};
    for (int i = 0; i < 7; ++i) {
        *named[i] = columnOf(header, {kOwnTitleColumns[i]});
        if (*named[i] < 0) return false;
    }
    int item = 0;
    for (int i = 0; i < kColumns; ++i) {
        bool isNamed = false;
        for (int* n : named) isNamed = isNamed || *n == i;
        if (isNamed) continue;
        ++item;
        if (item <= 7)
            c->scores[item] = i;
        else
            c->syoyu[item - 7] = i;
    }
    c->format = ImportFormat::OwnTitles;
    return true;
}

bool ownHistory(const QStringList& header, ImportColumns* c) {
    if (header.size() != 3) return false;
    c->watched = columnOf(header, {u"鑑賞日"});
    c->title = columnOf(header, {u"タイトル"});
    c->naiyou = columnOf(header, {u"鑑賞内容"});
    if (c->watched < 0 || c->title < 0 || c->naiyou < 0) return false;
    c->format = ImportFormat::OwnHistory;
    return true;
}

bool diary(const QStringList& header, const QString& fileName, ImportColumns* c) {
    if (!has(header, u"Letterboxd URI") || !has(header, u"Name")) return false;
    c->title = columnOf(header, {u"Name"});
    c->year = columnOf(header, {u"Year"});
    c->watched = columnOf(header, {u"Watched Date"});
    c->rating = columnOf(header, {u"Rating"});
    c->tags = columnOf(header, {u"Tags"});
    c->format = c->watched >= 0  ? ImportFormat::DiaryEntries
                : c->rating >= 0 ? ImportFormat::DiaryRatings
                                 : ImportFormat::DiaryWatched;
    // The watchlist has the watched list's columns: only its name tells it.
    if (c->format == ImportFormat::DiaryWatched &&
        fileName.contains(QLatin1String("watchlist"), Qt::CaseInsensitive))
        c->format = ImportFormat::DiaryWatchlist;
    return true;
}

// The ratings in every layout of the database (the older one names the score
// "You rated" and writes the release date month first), and its watchlist,
// which has no score.
bool filmDatabase(const QStringList& header, ImportColumns* c) {
    if (!has(header, u"Const") || !has(header, u"Title")) return false;
    c->title = columnOf(header, {u"Title"});
    c->originalTitle = columnOf(header, {u"Original Title"});
    c->rating = columnOf(header, {u"Your Rating", u"You rated"});
    c->kantoku = columnOf(header, {u"Directors"});
    c->janru = columnOf(header, {u"Genres"});
    c->koukai = columnOf(header, {u"Release Date", u"Release Date (month/day/year)"});
    c->year = columnOf(header, {u"Year"});
    c->firstOfLists = true;
    c->format = c->rating >= 0 ? ImportFormat::FilmDatabase : ImportFormat::FilmDatabaseWatchlist;
    return true;
}

bool spreadsheet(const QStringList& header, ImportColumns* c) {
    c->title = columnOf(header, {u"タイトル名", u"タイトル", u"Title", u"Name"});
    if (c->title < 0) return false;
    c->kantoku = columnOf(header, {u"監督", u"Director", u"Directors"});
    c->syuen = columnOf(header, {u"主演", u"Star", u"Lead"});
    c->koukai = columnOf(header, {u"公開日", u"Release Date"});
    c->year = columnOf(header, {u"Year"});
    c->kuni = columnOf(header, {u"国", u"Country"});
    c->janru = columnOf(header, {u"ジャンル", u"Genre", u"Genres"});
    c->hyouka = columnOf(header, {u"評価"});
    c->watched = columnOf(header, {u"鑑賞日", u"Watched Date"});
    // "Directors" and "Genres" name lists.
    c->firstOfLists =
        (c->kantoku >= 0 && sameName(header[c->kantoku], QStringLiteral("Directors"))) ||
        (c->janru >= 0 && sameName(header[c->janru], QStringLiteral("Genres")));
    c->format = ImportFormat::Spreadsheet;
    return true;
}

void listIgnored(const QStringList& header, ImportColumns* c) {
    QList<int> used = {c->title, c->originalTitle, c->kantoku, c->syuen,   c->koukai, c->year,
                       c->kuni,  c->janru,         c->hyouka,  c->rating, c->watched, c->tags,
                       c->naiyou};
    for (int s : c->scores) used << s;
    for (int s : c->syoyu) used << s;
    for (int i = 0; i < header.size(); ++i)
        if (!used.contains(i)) c->ignored << header[i];
}
}  // namespace

ImportColumns recognise(const QStringList& header, const QString& fileName) {
    ImportColumns c;
    if (ownTitles(header, &c) || ownHistory(header, &c) || diary(header, fileName, &c) ||
        filmDatabase(header, &c) || spreadsheet(header, &c))
        listIgnored(header, &c);
    else
        c = ImportColumns{};
    return c;
}

QString name(ImportFormat format) {
    switch (format) {
        case ImportFormat::OwnTitles:
            return QStringLiteral("リールノートの書き出し（タイトル）");
        case ImportFormat::OwnHistory:
            return QStringLiteral("リールノートの書き出し（鑑賞履歴）");
        case ImportFormat::DiaryEntries:
            return QStringLiteral("映画日記サービスの書き出し（diary.csv）");
        case ImportFormat::DiaryWatched:
            return QStringLiteral("映画日記サービスの書き出し（watched.csv）");
        case ImportFormat::DiaryRatings:
            return QStringLiteral("映画日記サービスの書き出し（ratings.csv）");
        case ImportFormat::FilmDatabase:
            return QStringLiteral("映画データベースの評価の書き出し（ratings.csv）");
        case ImportFormat::Spreadsheet:
            return QStringLiteral("表計算ソフトの CSV");
        case ImportFormat::DiaryWatchlist:
            return QStringLiteral("映画日記サービスのウォッチリスト（watchlist.csv）");
        case ImportFormat::FilmDatabaseWatchlist:
            return QStringLiteral("映画データベースのウォッチリスト（WATCHLIST.csv）");
        case ImportFormat::Unknown:
            break;
    }
    return QStringLiteral("不明な形式");
}

bool isServiceExport(ImportFormat format) {
    switch (format) {
        case ImportFormat::DiaryEntries:
        case ImportFormat::DiaryWatched:
        case ImportFormat::DiaryRatings:
        case ImportFormat::DiaryWatchlist:
        case ImportFormat::FilmDatabase:
        case ImportFormat::FilmDatabaseWatchlist:
            return true;
        default:
            return false;
    }
}

}  // namespace ImportFormats
