#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// The criteria in force while the search narrows ("絞り込み"): each one keeps
// what it found alone, and the list shows the entries of the first that every
// other one found too (AND), in the first one's order.
class Narrowing {
public:
    struct Criterion {
        // Criteria of one key are one criterion: a new one replaces the old (the
        // two bounds of a period). Empty: a criterion of its own.
        QString key;
        QString label;      // as listed above the result: "監督：黒澤明"
        QStringList names;  // what it found alone
        QString heading;    // what the list says it holds when this one alone made it
    };

    const QVector<Criterion>& criteria() const { return criteria_; }
    bool isEmpty() const { return criteria_.isEmpty(); }
    void clear() { criteria_.clear(); }
    void add(Criterion c);
    // Drops criterion i, or the one of the key; nothing when there is none.
    void drop(int i);
    void dropKey(const QString& key);

    // The entries of the first criterion found by all of the others.
    QStringList result() const;

private:
    QVector<Criterion> criteria_;
};
