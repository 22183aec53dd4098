#include "viewing_counts.h"

#include "store/kansyou_table.h"

ViewingTally::ViewingTally(const KansyouTable& history)
    : history_(history),
      counts_{ValueCounts<>(CountMatch::YearMonth), ValueCounts<>(CountMatch::Year),
              ValueCounts<>(CountMatch::Whole), ValueCounts<>(CountMatch::Whole)} {
    for (const Kansyou& k : history.records()) {
        counts_[YearMonth].add(k.Kansyoubi.text());
        counts_[Year].add(k.Kansyoubi.text());
        counts_[Content].add(k.KansyouNaiyou.text());
    }
}

int ViewingTally::count(Field field, const QString& item) const {
    // The history keeps its own index of each title's viewings.
    if (field == Title) return int(history_.viewingsOf(item).size());
    return count(field, QStringView(item));
}

int ViewingTally::count(Field field, QStringView item) const {
    if (field == Title) return count(field, item.toString());
    return counts_[field].count(item);
}

QVector<ViewingCount> viewingCounts(const ViewingTally& tally, ViewingTally::Field field,
                                    const QStringList& items) {
    const CountMatch match = field == ViewingTally::YearMonth ? CountMatch::YearMonth
                             : field == ViewingTally::Year    ? CountMatch::Year
                                                              : CountMatch::Whole;
    return countRows<ViewingCount>(items, match, [&](const QString& item) {
        return ViewingCount{item, tally.count(field, item)};
    });
}
