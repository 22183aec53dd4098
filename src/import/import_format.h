#pragma once

#include <QString>
#include <QStringList>

#include <array>

// The kinds of spreadsheet file an import understands, told apart by their
// header row whatever the order of its columns.
enum class ImportFormat {
    Unknown,
    OwnTitles,              // this program's export of the titles
    OwnHistory,             // this program's export of the viewing history
    DiaryEntries,           // a film diary service's diary: one row a viewing
    DiaryWatched,           // the same service's list of films watched
    DiaryRatings,           // the same service's ratings
    DiaryWatchlist,         // the same service's films to see, laid out as the watched list
    FilmDatabase,           // a film database's export of the user's ratings
    FilmDatabaseWatchlist,  // the same database's films to see: no rating column
    Spreadsheet,            // any table whose columns are named in Japanese or English
};

// Which column holds what; -1 for none.
struct ImportColumns {
    ImportFormat format = ImportFormat::Unknown;
    int title = -1;
    int originalTitle = -1;  // the film's title in its own language, for a name the code page loses
    int kantoku = -1;
    int syuen = -1;
    int koukai = -1;  // a release date
    int year = -1;    // a release year alone, taken when there is no date
    int kuni = -1;
    int janru = -1;
    int hyouka = -1;   // ◎ ○ △
    int rating = -1;   // a service's rating of the film
    int watched = -1;  // the date of a viewing
    int tags = -1;     // the first tag is how the film was seen
    int naiyou = -1;   // how the film was seen, in this program's own export
    std::array<int, 8> scores{-1, -1, -1, -1, -1, -1, -1, -1};  // [1..7]
    std::array<int, 5> syoyu{-1, -1, -1, -1, -1};               // [1..4]
    // The director and genre columns hold lists ("A, B"): the first is taken.
    bool firstOfLists = false;
    QStringList ignored;  // the names of the columns nothing is taken from
};

namespace ImportFormats {

// fileName tells the diary service's watchlist from its watched list, whose
// headers are the same.
ImportColumns recognise(const QStringList& header, const QString& fileName = {});

// "映画日記サービスの書き出し（diary.csv）" and the like, for the preview.
QString name(ImportFormat format);

// The services' exports, whose texts are Latin (or UTF-8).
bool isServiceExport(ImportFormat format);

// The lists of films still to see: what they add are titles without a viewing.
inline bool isWatchlist(ImportFormat format) {
    return format == ImportFormat::DiaryWatchlist || format == ImportFormat::FilmDatabaseWatchlist;
}

// True for this program's own exports, whose texts are taken as they are.
inline bool isOwnExport(ImportFormat format) {
    return format == ImportFormat::OwnTitles || format == ImportFormat::OwnHistory;
}

}  // namespace ImportFormats
