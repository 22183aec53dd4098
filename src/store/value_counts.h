#pragma once

#include "date_text.h"
#include "string_hash.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVector>

#include <unordered_map>
#include <utility>

// The counting behind the rankings and the viewing list: how many records hold
// each value of a field, and one row per item of the pick list that names them.

// How the items of a pick list name the values they count: the whole value; a
// month, the first seven characters of a date; or a year, the first four
// characters of a date with "年" behind them.
enum class CountMatch { Whole, YearMonth, Year };

// A row of counts as a table shows it.
struct CountRow {
    QString value;  // as shown
    int count = 0;
    void absorb(const CountRow& other) { count += other.count; }
};

// Nothing counted beside the number of records.
struct NoSums {
    void add() {}
};

// How many records hold each value, from one pass over them, and what else those
// records add up to (Sums::add). It keeps views of the records' own texts, so it
// must not outlive them.
template <typename Sums = NoSums>
class ValueCounts {
public:
    struct Tally {
        int count = 0;
        Sums sums;
    };

    explicit ValueCounts(CountMatch match) : match_(match) { tallies_.reserve(1024); }

    // A record's value: the whole field, or a date for a month or a year; an empty
    // one counts nowhere. args go to Sums::add.
    template <typename... Args>
    void add(QStringView value, const Args&... args) {
        if (match_ == CountMatch::YearMonth) value = value.left(7);
        if (match_ == CountMatch::Year) value = value.left(4);
        if (value.isEmpty()) return;
        Tally& t = tallies_[value];
        ++t.count;
        t.sums.add(args...);
    }

    // The records an item of the pick list names; null for none.
    const Tally* find(QStringView item) const {
        QStringView key = item;
        if (match_ == CountMatch::YearMonth) key = item.left(7);
        if (match_ == CountMatch::Year) {
            // The item is the year with "年" behind it; any other text names nothing.
            if (!item.endsWith(u'年')) return nullptr;
            key = item.chopped(1);
        }
        const auto it = tallies_.find(key);
        return it == tallies_.end() ? nullptr : &it->second;
    }
    int count(QStringView item) const {
        const Tally* t = find(item);
        return t ? t->count : 0;
    }

private:
    CountMatch match_;
    std::unordered_map<QStringView, Tally, StringHash, StringEqual> tallies_;
};

// One row per item of a pick list, in list order, from rowOf(item). Month items
// are shown as captions (yearMonthCaption), and items that name the same month
// (2003/05, 2003/5/ and 2003年5月) share one row (Row::absorb), so that no month is
// listed twice with part of its records each. Distinct items have distinct first
// seven characters, so no record is counted twice in a shared row.
template <typename Row, typename RowOf>
QVector<Row> countRows(const QStringList& items, CountMatch match, RowOf rowOf) {
    QVector<Row> rows;
    rows.reserve(items.size());
    if (match != CountMatch::YearMonth) {
        for (const QString& item : items) rows.append(rowOf(item));
        return rows;
    }
    StringMap<int> rowOfCaption;
    for (const QString& item : items) {
        Row row = rowOf(item);
        row.value = yearMonthCaption(item);
        const auto [it, added] = rowOfCaption.try_emplace(row.value, int(rows.size()));
        if (added)
            rows.append(std::move(row));
        else
            rows[it->second].absorb(row);
    }
    return rows;
}
