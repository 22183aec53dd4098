#pragma once

#include "string_hash.h"

#include <QHash>
#include <QString>
#include <QVector>

struct ReadProblem;

// One viewing: the date "YYYY/MM/DD", the title name and how it was seen.
struct Kansyou {
    QString Kansyoubi;
    QString KansyouDaimei;
    QString KansyouNaiyou;
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
    void append(Kansyou k);
    // Inserts at 1-based position i (the record then has number i).
    void insert(int i, Kansyou k);
    // Record numbers of a title's viewings, in file order.
    QVector<int> viewingsOf(const QString& daimei) const;
    // The position a viewing dated d takes: after every record dated d or earlier.
    int insertPosition(const QString& d) const;

private:
    QVector<Kansyou> records_;
    StringMap<QVector<int>> byTitle_;
};

// Reads the history text: three fields a record. Stops before a cut record or
// past the record limit. *starts receives the position in the text where each
// kept record begins.
ReadProblem parseHistoryFile(QStringView text, KansyouTable* table, QVector<qsizetype>* starts);
QString historyRecord(const Kansyou& k);
