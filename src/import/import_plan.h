#pragma once

#include "csv_rows.h"
#include "import_format.h"
#include "store/kansyou_table.h"
#include "store/title_table.h"

#include <QString>
#include <QStringList>
#include <QVector>

// A text of the file changed to fit the record files, or a value left out.
struct ImportChange {
    int line = 0;  // 0: not from a row (the word for viewings)
    QString field;
    QString before;
    QString after;  // empty: the value is not taken
};

struct ImportSkip {
    int line = 0;
    QString reason;
};

// What an import would do, worked out against the tables before anything is
// written: the whole collection as it would be afterwards, and what the preview
// tells about it.
struct ImportPlan {
    ImportColumns columns;
    TextEncoding encoding = TextEncoding::Cp932;
    TitleTable titles;         // every title after the import, the new ones last
    QVector<Kansyou> history;  // the whole history after the import, in date order
    QStringList newTitles;     // names of the titles added, in file order
    QStringList filledTitles;  // names of titles already there that gain fields
    int viewingsAdded = 0;
    int viewingsThere = 0;  // already in the history, not added twice
    int unchangedRows = 0;  // rows about a title that holds all they give
    QVector<ImportSkip> skipped;
    int titlesOverLimit = 0;    // rows of new titles past the limit of titles
    int viewingsOverLimit = 0;  // viewings past the limit of the history
    QVector<ImportChange> changes;
    int titlesMarked = 0;   // rows whose title code page 932 cannot hold, named with a mark
    bool usesWord = false;  // some viewing takes the word the user gives
    QString word;           // that word, as it is written

    bool changesNothing() const {
        return newTitles.isEmpty() && filledTitles.isEmpty() && viewingsAdded == 0;
    }
};

inline const QString kDefaultViewingWord = QStringLiteral("鑑賞");

namespace ImportPlanner {

// readFile of import_read.h for a file whose name says nothing of its format.
CsvFile readFile(const QByteArray& bytes, ImportColumns* columns);

// Matches the rows against the titles and the history:
// - a row naming a title exactly fills only that title's empty fields and zero
//   scores; when the title's release year and the row's differ, the row is
//   another film, named "Name (Year)";
// - every viewing goes in date order, after those of its own date, unless the
//   history holds it already (same date, title and content);
// - texts the record files cannot hold are made to fit, each change listed;
// - titles and viewings past the limit of the files are refused and counted.
// word is how a viewing without a tag of its own was seen ("" for the default).
ImportPlan plan(const TitleTable& titles, const KansyouTable& history, const CsvFile& file,
                const ImportColumns& columns, const QString& word = kDefaultViewingWord);

}  // namespace ImportPlanner
