#pragma once

#include "text_order.h"

#include <QStringList>
#include <QVector>

#include <algorithm>
#include <numeric>
#include <vector>

namespace CountTableText {
// Decimal texts of the numbers a table shows (positions and counts, at most the
// record limit), made once for the run: a table of every title needs tens of
// thousands of them on each build. Used on the window's one thread only.
inline const QString& number(int n) {
    static QStringList texts;
    while (texts.size() <= n) texts.append(QString::number(texts.size()));
    return texts[n];
}
}  // namespace CountTableText

// One table of counts (a ranking, a count of viewings) as a grid shows it, in
// the order last chosen. Row has a value as shown and a count. Name order is
// worked out once, when the table is built, so that every later order is a
// sort of numbers.
template <typename Row>
class CountTable {
public:
    enum class Order { MostFirst, FewestFirst, ByName };

    CountTable() = default;
    // The rows in list order.
    explicit CountTable(const QVector<Row>& rows) {
        std::vector<QByteArray> keys;
        keys.reserve(rows.size());
        for (const Row& r : rows) keys.push_back(TextOrder::key(r.value));
        std::vector<int> byName(rows.size());
        std::iota(byName.begin(), byName.end(), 0);
        std::sort(byName.begin(), byName.end(), [&](int a, int b) {
            if (const int c = keys[a].compare(keys[b]); c != 0) return c < 0;
            return a < b;
        });
        entries_.resize(rows.size());
        positions_.reserve(rows.size());
        for (int i = 0; i < rows.size(); ++i) {
            entries_[i].row = rows[i];
            entries_[i].source = i;
            entries_[i].countText = CountTableText::number(rows[i].count);
            positions_.append(CountTableText::number(i + 1));
        }
        for (int rank = 0; rank < int(byName.size()); ++rank)
            entries_[byName[rank]].nameRank = rank;
    }

    int size() const { return int(entries_.size()); }
    // Row i in the order shown (0-based).
    const Row& row(int i) const { return entries_[i].row; }
    // Where row i in the order shown stood in the rows the table was built from.
    int source(int i) const { return entries_[i].source; }
    int largestCount() const {
        int largest = 0;
        for (const Entry& e : entries_) largest = std::max(largest, e.row.count);
        return largest;
    }

    // Most first, fewest first, or by name in code page 932 order. Equal counts
    // stand in name order, so that the order does not depend on earlier clicks.
    void sort(Order order) {
        const auto byName = [](const Entry& a, const Entry& b) { return a.nameRank < b.nameRank; };
        switch (order) {
            case Order::MostFirst:
                std::sort(entries_.begin(), entries_.end(), [&](const Entry& a, const Entry& b) {
                    return a.row.count != b.row.count ? a.row.count > b.row.count : byName(a, b);
                });
                break;
            case Order::FewestFirst:
                std::sort(entries_.begin(), entries_.end(), [&](const Entry& a, const Entry& b) {
                    return a.row.count != b.row.count ? a.row.count < b.row.count : byName(a, b);
                });
                break;
            case Order::ByName:
                std::sort(entries_.begin(), entries_.end(), byName);
                break;
        }
    }

    // The grid's body rows: position (1..n, the same whatever the order), value, count.
    QVector<QStringList> gridRows() const {
        QVector<QStringList> rows;
        rows.reserve(entries_.size());
        for (int i = 0; i < entries_.size(); ++i)
            rows.append({positions_[i], entries_[i].row.value, entries_[i].countText});
        return rows;
    }

private:
    struct Entry {
        Row row;
        QString countText;
        int source = 0;
        int nameRank = 0;  // position in name order, ties by list position
    };
    QVector<Entry> entries_;
    QStringList positions_;  // "1".."n", the same whatever the order
};
