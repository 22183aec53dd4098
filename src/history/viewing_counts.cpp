#include "viewing_counts.h"

#include "store/date_text.h"
#include "store/kansyou_table.h"
#include "store/text_order.h"

#include <algorithm>
#include <numeric>
#include <vector>

ViewingTally::ViewingTally(const KansyouTable& history) : history_(history) {
    for (const Kansyou& k : history.records()) {
        ++counts_[YearMonth][QStringView(k.Kansyoubi.text()).left(7)];
        ++counts_[Year][QStringView(k.Kansyoubi.text()).left(4)];
        ++counts_[Content][k.KansyouNaiyou.text()];
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
        QString caption = yearMonthCaption(item);
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
