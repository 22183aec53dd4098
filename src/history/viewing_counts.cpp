#include "viewing_counts.h"

#include "store/date_text.h"
#include "store/kansyou_table.h"
#include "store/text_order.h"

#include <algorithm>
#include <numeric>
#include <vector>

ViewingTally::ViewingTally(const KansyouTable& history) : history_(history) {
    for (const Kansyou& k : history.records()) {
        ++counts_[YearMonth][QStringView(k.Kansyoubi).left(7)];
        ++counts_[Year][QStringView(k.Kansyoubi).left(4)];
        ++counts_[Content][k.KansyouNaiyou];
    }
}

int ViewingTally::count(Field field, const QString& item) const {
    // The history keeps its own index of each title's viewings.
    if (field == Title) return int(history_.viewingsOf(item).size());
    return count(field, QStringView(item));
}

int ViewingTally::count(Field field, QStringView item) const {
    if (field == Title) return count(field, item.toString());
    QStringView key = item;
    if (field == Year) {
        // The item is the year with "年" behind it; any other text matches no viewing.
        if (!item.endsWith(u'年')) return 0;
        key = item.chopped(1);
    }
    const Counts& c = counts_[field];
    const auto it = c.find(key);
    return it == c.end() ? 0 : it->second;
}

QString viewingMonthCaption(QStringView yearMonth) {
    // The first seven characters of 2003/5/1 are "2003/5/": the separator behind
    // the month still belongs to a year and month.
    QStringView text = yearMonth;
    if (text.endsWith(u'/') || text.endsWith(u'-') || text.endsWith(u'.')) text.chop(1);
    const auto date = parseDateText(text);
    if (!date || date->day != 0 || text.trimmed().size() != text.size()) {
        return yearMonth.toString();
    }
    return QStringLiteral("%1年%2月")
        .arg(date->year, 4, 10, QChar(u'0'))
        .arg(date->month, 2, 10, QChar(u'0'));
}

QVector<ViewingCount> viewingCounts(const ViewingTally& tally, ViewingTally::Field field,
                                    const QStringList& items) {
    QVector<ViewingCount> rows;
    rows.reserve(items.size());
    if (field != ViewingTally::YearMonth) {
        for (const QString& item : items) rows.append({item, tally.count(field, item)});
        return rows;
    }
    // Distinct items have distinct first seven characters, so no viewing is
    // counted twice when two of them share a row.
    StringMap<int> rowOf;
    for (const QString& item : items) {
        QString caption = viewingMonthCaption(item);
        const int count = tally.count(field, item);
        const auto [it, added] = rowOf.try_emplace(caption, int(rows.size()));
        if (added) {
            rows.append({std::move(caption), count});
        } else {
            rows[it->second].count += count;
        }
    }
    return rows;
}

namespace {
// The code page 932 key of every value (as TextOrder::key gives it) through one
// converter: opening a converter per value costs more than the conversion.
// Decimal texts of the numbers a table shows (positions and counts, at most the
// record limit), made once for the run: a table of every title needs tens of
// thousands of them on each build. Used on the window's one thread only.
const QString& numberText(int n) {
    static QStringList texts;
    while (texts.size() <= n) texts.append(QString::number(texts.size()));
    return texts[n];
}

std::vector<QByteArray> nameKeys(const QVector<ViewingCount>& rows) {
    std::vector<QByteArray> keys;
    keys.reserve(rows.size());
    for (const ViewingCount& r : rows) keys.push_back(TextOrder::key(r.value));
    return keys;
}
}  // namespace

ViewingCountTable::ViewingCountTable(const QVector<ViewingCount>& rows) {
    const std::vector<QByteArray> keys = nameKeys(rows);
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
        entries_[i].countText = numberText(rows[i].count);
        positions_.append(numberText(i + 1));
    }
    for (int rank = 0; rank < int(byName.size()); ++rank) entries_[byName[rank]].nameRank = rank;
}

void ViewingCountTable::sort(Order order) {
    switch (order) {
        case Order::MostFirst:
            std::sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
                if (a.row.count != b.row.count) return a.row.count > b.row.count;
                return a.nameRank < b.nameRank;
            });
            break;
        case Order::FewestFirst:
            std::sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
                if (a.row.count != b.row.count) return a.row.count < b.row.count;
                return a.nameRank < b.nameRank;
            });
            break;
        case Order::ByName:
            std::sort(entries_.begin(), entries_.end(),
                      [](const Entry& a, const Entry& b) { return a.nameRank < b.nameRank; });
            break;
    }
}

int ViewingCountTable::largestCount() const {
    int largest = 0;
    for (const Entry& e : entries_) largest = std::max(largest, e.row.count);
    return largest;
}

QVector<QStringList> ViewingCountTable::gridRows() const {
    QVector<QStringList> rows;
    rows.reserve(entries_.size());
    for (int i = 0; i < entries_.size(); ++i)
        rows.append({positions_[i], entries_[i].row.value, entries_[i].countText});
    return rows;
}
