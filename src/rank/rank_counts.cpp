#include "rank_counts.h"

#include "store/date_text.h"
#include "store/text_order.h"
#include "store/title_table.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace {
const QChar kNen = u'年';

template <typename Counts>
void tallyOne(Counts& counts, QStringView v, const Title& t) {
    if (v.isEmpty()) return;
    auto& tally = counts[v];
    ++tally.count;
    tally.scores.add(t.HyoukaTen);
}
}  // namespace

void ScoreSums::add(const std::array<qint16, 8>& scores) {
    for (int k = 1; k <= kScoreItems; ++k) {
        if (scores[k] == 0) continue;
        sum[k] += scores[k];
        ++scored[k];
    }
}

void ScoreSums::add(const ScoreSums& other) {
    for (int k = 1; k <= kScoreItems; ++k) {
        sum[k] += other.sum[k];
        scored[k] += other.scored[k];
    }
}

QString scoreTip(const RankRow& row, const std::array<QString, 8>& names) {
    QString tip = QStringLiteral("%1　%2作品").arg(row.value).arg(row.count);
    for (int k = 1; k <= kScoreItems; ++k) {
        const int n = row.scores.scored[k];
        const QString average =
            n == 0 ? QStringLiteral("－")
                   : QStringLiteral("平均 %1（%2作品）")
                         .arg(QString::number(double(row.scores.sum[k]) / n, 'f', 1))
                         .arg(n);
        tip += QStringLiteral("\n%1：%2").arg(names[k], average);
    }
    return tip;
}

TitleTally::TitleTally(const TitleTable& titles) {
    for (Counts& c : counts_) c.reserve(1024);
    for (int n = 1; n <= titles.TitleCount(); ++n) {
        const Title& t = titles[n];
        tallyOne(counts_[Kantoku], t.Kantoku.text(), t);
        tallyOne(counts_[Syuen], t.Syuen.text(), t);
        tallyOne(counts_[Kuni], t.Kuni.text(), t);
        tallyOne(counts_[Janru], t.Janru.text(), t);
        tallyOne(counts_[YearMonth], QStringView(t.Koukai).left(7), t);
        tallyOne(counts_[Year], QStringView(t.Koukai).left(4), t);
    }
}

const TitleTally::Tally* TitleTally::find(Field field, QStringView item) const {
    QStringView key = item;
    if (field == YearMonth) key = item.left(7);
    if (field == Year) {
        // The item is the year with "年" behind it; any other text matches no title.
        if (!item.endsWith(kNen)) return nullptr;
        key = item.chopped(1);
    }
    const Counts& c = counts_[field];
    const auto it = c.find(key);
    return it == c.end() ? nullptr : &it->second;
}

int TitleTally::count(Field field, QStringView item) const {
    const Tally* t = find(field, item);
    return t ? t->count : 0;
}

ScoreSums TitleTally::scores(Field field, QStringView item) const {
    const Tally* t = find(field, item);
    return t ? t->scores : ScoreSums{};
}

QVector<RankRow> rankRows(const TitleTally& tally, TitleTally::Field field,
                          const QStringList& items) {
    QVector<RankRow> rows;
    rows.reserve(items.size());
    if (field != TitleTally::YearMonth) {
        for (const QString& item : items)
            rows.append({item, tally.count(field, item), tally.scores(field, item)});
        return rows;
    }
    // Distinct items have distinct first seven characters, so no title is
    // counted twice when two of them share a row.
    StringMap<int> rowOf;
    for (const QString& item : items) {
        QString caption = yearMonthCaption(item);
        const int count = tally.count(field, item);
        const ScoreSums scores = tally.scores(field, item);
        const auto [it, added] = rowOf.try_emplace(caption, int(rows.size()));
        if (added) {
            rows.append({std::move(caption), count, scores});
        } else {
            rows[it->second].count += count;
            rows[it->second].scores.add(scores);
        }
    }
    return rows;
}
