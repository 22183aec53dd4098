#pragma once

#include "read_problem.h"
#include "shared_text.h"
#include "text_encoding.h"

#include <QString>
#include <QVector>

#include <array>
#include <vector>

// One viewing: the date "YYYY/MM/DD", the title name and how it was seen.
struct Kansyou {
    SharedText Kansyoubi;
    SharedText KansyouDaimei;
    SharedText KansyouNaiyou;
    bool operator==(const Kansyou&) const = default;
};

inline const QString kHistoryFile = QStringLiteral("鑑賞履歴.TXT");
inline const QString kHistoryCopyFile = QStringLiteral("鑑賞履歴コピー.txt");

// The viewing history in file order (ascending date), records 1..KansyouCount,
// with an index from title name to that title's viewings for the card.
class KansyouTable {
public:
    int KansyouCount() const { return int(records_.size()); }
    const Kansyou& operator[](int i) const { return records_[i - 1]; }
    const QVector<Kansyou>& records() const { return records_; }

    // The date of the last record; "" for an empty history.
    QString LastKansyoubi;

    void clear();
    void reserve(int n) {
        records_.reserve(n);
        next_.reserve(std::size_t(n));
    }
    void append(Kansyou k);
    // Inserts at 1-based position i (the record then has number i).
    void insert(int i, Kansyou k);
    // Takes record i out; LastKansyoubi follows.
    void remove(int i);
    // The number of the record equal to k nearest to hint (1-based), or 0.
    int locate(const Kansyou& k, int hint) const;
    // Record numbers of a title's viewings, in file order.
    QVector<int> viewingsOf(const QString& daimei) const;
    // The position a viewing dated d takes: after every record dated d or earlier.
    int insertPosition(const QString& d) const;

private:
    void link(int i);

    QVector<Kansyou> records_;
    // Each title's viewings as a chain in record order: the first and last
    // record of a title by the shared number of its name, and after each
    // record the next of its title (0: none).
    struct Ends {
        int first = 0, last = 0;
    };
    std::vector<Ends> ends_;
    std::vector<int> next_;
};

// Reads the history text line by line: one record a line, three fields. A
// line with other fields is irregular: its first three are taken (missing
// ones empty) and the next line is the next record all the same. A line whose
// quote does not close, or that holds bytes that could not be decoded (lines
// in badLines), is left out and named; so are records past the limit. Blank
// lines and lines of end-of-file marks are passed over. *starts receives the
// position in the text where each kept record begins. problem.what is filled.
ReadProblem parseHistoryFile(QStringView text, KansyouTable* table, QVector<qsizetype>* starts,
                             const QVector<int>& badLines = {});

// A history file decoded and parsed as far as any thread may: the records as
// views into the decoded text, not yet the shared texts a table holds.
// problem.what is filled; starts are byte offsets, as readHistoryFile gives them.
struct HistoryText {
    DecodedText decoded;
    // Each distinct text of the fields once, in the order met: a day's or a kind's
    // many viewings then cost the window's thread one shared text, not one each.
    std::vector<QStringView> texts;
    std::vector<QString> copies;  // of texts, made here for the shared texts to keep
    std::vector<std::array<quint32, 3>> records;  // date, title, content, as numbers in texts
    QVector<qsizetype> starts;
    ReadProblem problem;
};
HistoryText readHistoryText(const QByteArray& bytes);
// Puts the records into table; on the thread that owns the shared texts.
ReadProblem takeHistory(HistoryText h, KansyouTable* table, QVector<qsizetype>* byteStarts);

// Decodes (decodeTextFile) and parses a history file. *byteStarts receives
// the byte offset of each kept record in bytes; they hold only for a code page
// 932 file read without a problem. For a file in another encoding,
// problem.foreign lists what code page 932 cannot hold.
ReadProblem readHistoryFile(const QByteArray& bytes, KansyouTable* table,
                            QVector<qsizetype>* byteStarts);

struct ForeignChar;
// Each character of the viewings' texts that code page 932 cannot hold, in
// record and field order. recordLines gives each record's line (ReadProblem).
QVector<ForeignChar> foreignCharacters(const KansyouTable& table, const QVector<int>& recordLines);
// Converts every text of the viewings that code page 932 cannot hold
// (Cp932::toCodePage932). Returns the number of fields changed.
int convertToCodePage932(KansyouTable* table);

QString historyRecord(const Kansyou& k);
