#include "rank_counts.h"

#include "store/title_table.h"

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

namespace {
CountMatch matchOf(TitleTally::Field field) {
    return field == TitleTally::YearMonth ? CountMatch::YearMonth
           : field == TitleTally::Year    ? CountMatch::Year
                                          : CountMatch::Whole;
}
}  // namespace

TitleTally::TitleTally(const TitleTable& titles)
    : counts_{
          ValueCounts<ScoreSums>(CountMatch::Whole),     ValueCounts<ScoreSums>(CountMatch::Whole),
          ValueCounts<ScoreSums>(CountMatch::Whole),     ValueCounts<ScoreSums>(CountMatch::Whole),
          ValueCounts<ScoreSums>(CountMatch::YearMonth), ValueCounts<ScoreSums>(CountMatch::Year)} {
    for (int n = 1; n <= titles.TitleCount(); ++n) {
        const Title& t = titles[n];
        counts_[Kantoku].add(t.Kantoku.text(), t.HyoukaTen);
        counts_[Syuen].add(t.Syuen.text(), t.HyoukaTen);
        counts_[Kuni].add(t.Kuni.text(), t.HyoukaTen);
        counts_[Janru].add(t.Janru.text(), t.HyoukaTen);
        counts_[YearMonth].add(t.Koukai, t.HyoukaTen);
        counts_[Year].add(t.Koukai, t.HyoukaTen);
    }
}

int TitleTally::count(Field field, QStringView item) const { return counts_[field].count(item); }

ScoreSums TitleTally::scores(Field field, QStringView item) const {
    const auto* t = counts_[field].find(item);
    return t ? t->sums : ScoreSums{};
}

QVector<RankRow> rankRows(const TitleTally& tally, TitleTally::Field field,
                          const QStringList& items) {
    return countRows<RankRow>(items, matchOf(field), [&](const QString& item) {
        return RankRow{item, tally.count(field, item), tally.scores(field, item)};
    });
}
