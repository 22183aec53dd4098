#pragma once

#include "string_hash.h"

#include <QString>
#include <QStringList>

// A list of distinct values kept two ways: as the comma-joined text that the
// editing rules search (",A,B,"), and as a set so that the delimited test
// stays constant-time at tens of thousands of values.
class SeenList {
public:
    SeenList() { clear(); }

    void clear();
    // "," + v + "," occurs in the text.
    bool contains(QStringView v) const { return set_.contains(v); }
    // v occurs anywhere in the text, commas or not.
    bool containsBare(const QString& v) const { return text_.contains(v); }
    // Adds v unless present; true when it was new.
    bool add(const QString& v);
    // The listed copy of v, added first when new; the flag tells which.
    std::pair<const QString*, bool> intern(QStringView v);
    const QString& text() const { return text_; }
    // Number of distinct values.
    int size() const { return set_.size(); }

private:
    QString text_;
    StringSet set_;
};

// Sorted order of the attribute pick lists: code page 932 order ignoring the
// case of Latin letters, then letter case, so that the order is total.
bool pickListLess(const QString& a, const QString& b);
void sortPickList(QStringList* list);
// Index at which v takes its sorted place.
int sortedInsertPosition(const QStringList& list, const QString& v);
// Puts the values of added into the sorted list, each in its sorted place.
void insertSorted(QStringList* sorted, QStringList added);
