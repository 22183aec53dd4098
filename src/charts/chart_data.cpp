#include "chart_data.h"

#include "store/score_bands.h"
#include "store/title_table.h"

#include <QMap>
#include <QRegularExpression>

#include <algorithm>

namespace Charts {

int Panel::largest() const {
    int most = 0;
    for (const Bar& b : bars) most = std::max(most, b.value);
    return most;
}

QString Chart::tip(int p, int b) const {
    const Panel& panel = panels[p];
    const Bar& bar = panel.bars[b];
    if (bar.gap) return QStringLiteral("%1%2：鑑賞なし").arg(panel.tipPrefix, bar.label);
    return QStringLiteral("%1%2：%3%4").arg(panel.tipPrefix, bar.label).arg(bar.value).arg(unit);
}

Chart ranking(const QString& valueHeader, const Counts& shown) {
    Panel panel;
    panel.categoryAxis = valueHeader;
    panel.valueAxis = QStringLiteral("作品数");
    const int n = std::min<int>(shown.size(), kMostRankingBars);
    if (shown.size() > n)
        panel.note = QStringLiteral("表の先頭%1件（全%2件）").arg(n).arg(shown.size());
    for (int i = 0; i < n; ++i) panel.bars.append({shown[i].first, shown[i].second, -1, {}, {}});
    return {QStringLiteral("作品"), {panel}};
}

namespace {
// The ordinal of a period as the viewing list shows it, or -1.
int periodOrdinal(const QString& value, bool years) {
    static const QRegularExpression month(QStringLiteral("^(\\d{4})年(\\d{2})月$"));
    static const QRegularExpression year(QStringLiteral("^(\\d{4})年$"));
    const QRegularExpressionMatch m = (years ? year : month).match(value);
    if (!m.hasMatch()) return -1;
    const int y = m.captured(1).toInt();
    if (years) return y;
    const int mm = m.captured(2).toInt();
    return mm >= 1 && mm <= 12 ? y * 12 + mm - 1 : -1;
}

Bar periodBar(int ordinal, int value, bool years) {
    const QString y =
        QStringLiteral("%1年").arg(years ? ordinal : ordinal / 12, 4, 10, QLatin1Char('0'));
    if (years) return {y, value, ordinal, {}, y};
    return {y + QStringLiteral("%1月").arg(ordinal % 12 + 1, 2, 10, QLatin1Char('0')),
            value,
            ordinal,
            {},
            y};
}
// The periods from first to last, none of them viewed, as one break of the axis.
Bar gapBar(int first, int last, bool years) {
    Bar b{periodBar(first, 0, years).label + QStringLiteral("〜") + periodBar(last, 0, years).label,
          0,
          -1,
          QStringLiteral("≈"),
          {}};
    b.gap = true;
    return b;
}

// On an axis too long to draw period by period, a run of empty periods up to this
// long still stands as empty bars; a longer one becomes one break.
constexpr int kLongestDrawnGap = 12;
}  // namespace

Chart viewingPeriods(const Counts& shown, bool years) {
    QMap<int, int> byPeriod;  // ordinal → count, in time order
    Counts others;
    for (const auto& [value, count] : shown) {
        const int ordinal = periodOrdinal(value, years);
        if (ordinal < 0)
            others.append({value, count});
        else
            byPeriod[ordinal] += count;
    }
    Panel panel;
    panel.orientation = Orientation::Vertical;
    panel.axis = years ? Axis::Years : Axis::Months;
    panel.categoryAxis = years ? QStringLiteral("鑑賞年") : QStringLiteral("鑑賞年月");
    panel.valueAxis = QStringLiteral("鑑賞回数");
    if (!byPeriod.isEmpty()) {
        const int first = byPeriod.firstKey();
        const int last = byPeriod.lastKey();
        if (last - first < kMostPeriodBars) {
            for (int o = first; o <= last; ++o)
                panel.bars.append(periodBar(o, byPeriod.value(o), years));
        } else {
            int previous = first;
            for (auto it = byPeriod.cbegin(); it != byPeriod.cend(); ++it) {
                const int o = it.key();
                if (o - previous - 1 > kLongestDrawnGap)
                    panel.bars.append(gapBar(previous + 1, o - 1, years));
                else
                    for (int e = previous + 1; e < o; ++e)
                        panel.bars.append(periodBar(e, 0, years));
                panel.bars.append(periodBar(o, it.value(), years));
                previous = o;
            }
        }
    }
    for (const auto& [value, count] : others) panel.bars.append({value, count, -1, {}, {}});
    return {QStringLiteral("回"), {panel}};
}

Chart scoreDistributions(const TitleTable& titles, const std::array<QString, 8>& names) {
    std::array<std::array<int, 11>, 8> counts{};  // [item][band]
    std::array<int, 8> unscored{};
    std::array<int, 8> outside{};
    for (int n = 1; n <= titles.TitleCount(); ++n) {
        const auto& scores = titles[n].HyoukaTen;
        for (int k = 1; k <= kScoreItems; ++k) {
            const int band = ScoreBands::of(k, scores[k]);
            if (scores[k] == 0)
                ++unscored[k];
            else if (band < 0)
                ++outside[k];
            else
                ++counts[k][band];
        }
    }

    Chart chart{QStringLiteral("作品"), {}};
    for (int k = 1; k <= kScoreItems; ++k) {
        Panel panel;
        panel.caption = names[k];
        panel.tipPrefix = names[k].isEmpty() ? QString() : names[k] + u' ';
        panel.colourItem = k;
        panel.orientation = Orientation::Vertical;
        panel.axis = Axis::Values;
        panel.categoryAxis = k == 1 ? QStringLiteral("点（10点ごと）") : QStringLiteral("点");
        panel.valueAxis = QStringLiteral("作品数");
        QStringList left;
        if (unscored[k] > 0) left << QStringLiteral("未評価 %1").arg(unscored[k]);
        if (outside[k] > 0) left << QStringLiteral("範囲外 %1").arg(outside[k]);
        panel.note = left.join(QStringLiteral("、"));
        for (int b = 0; b < ScoreBands::count(k); ++b) {
            // Item 1's axis counts the tens from 0; the others their values.
            const int place = k == 1 ? b * 10 : ScoreBands::low(k, b);
            panel.bars.append(
                {ScoreBands::label(k, b), counts[k][b], -1, QString::number(place), {}});
        }
        chart.panels.append(panel);
    }
    return chart;
}

}  // namespace Charts
