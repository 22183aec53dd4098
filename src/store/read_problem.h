#pragma once

#include "text_encoding.h"

#include <QString>
#include <QVector>

// One record of a file that needs a word to the user.
struct LineNote {
    int line = 0;    // 1-based line of the file where the record begins
    int record = 0;  // its place among the file's records, those left out counted
    QString text;    // what is wrong with it, for the user
};

// A character of a text read from a UTF-8 or UTF-16 file that code page 932
// cannot hold, where it stands, and what converting the file puts there.
struct ForeignChar {
    int line = 0;    // line of the file where its record begins
    int record = 0;  // the title's (viewing's) number in the table
    QString value;   // the field that holds it, as read
    QString original;
    QString replacement;  // empty when the character is dropped (a separate accent)
};

// What a record file held that the tables cannot take as it stands. A sound
// file gives an empty one. Every unsound record costs only itself: it is
// left out and named, the records around it are read.
struct ReadProblem {
    // The report for the user, naming lines ("12行目"): the first few of each
    // kind and a count. Empty when every record was read as written.
    QString what;
    int kept = 0;  // records read into the table

    QVector<LineNote> skipped;     // unsound records, left out
    QVector<LineNote> irregular;   // read as the dialect reads them, which is not what they hold
    QVector<LineNote> outOfRange;  // numbers outside their range, kept as read and written back
    int overLimit = 0;             // sound records past the limit of 32,766, left out
    int overLimitLine = 0;         // where the first of them begins

    QVector<int> recordLines;  // the line where each kept record begins: [n - 1] for record n

    // Set by readDataFile and readHistoryFile.
    TextEncoding encoding = TextEncoding::Cp932;
    QVector<ForeignChar> foreign;  // only for a file in another encoding

    bool any() const { return !what.isEmpty(); }
    // A rewrite from the table would change what the file says: keep the original first.
    bool changesOnRewrite() const {
        return !skipped.isEmpty() || !irregular.isEmpty() || overLimit > 0;
    }
    bool recoded() const { return encoding != TextEncoding::Cp932; }

    // Fills what from the lists; noun names the records ("タイトル", "鑑賞履歴").
    void describe(const QString& noun);
    // "12件のタイトルを読み込み、読めなかった2件を飛ばしました。" and the like.
    QString keptSentence(const QString& noun) const;
    // The characters code page 932 cannot hold, the first few with their
    // lines and what they would become, and a count. Empty when there are none.
    QString foreignWhat() const;
};

// The note for one field the program would not have written so, or an empty
// text when it would have; name names the field ("監督").
QString irregularField(const QString& name, bool textAfterQuote, bool quoteInside);

// How many notes of each kind a report lists before it gives only a count.
constexpr int kNotesListed = 5;
