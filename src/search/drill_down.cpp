#include "drill_down.h"

#include "store/catalogue.h"
#include "store/date_text.h"
#include "store/kansyou_table.h"
#include "store/score_bands.h"
#include "store/title_table.h"
#include "store/value_counts.h"

#include <QVector>

#include <algorithm>

namespace DrillDown {

namespace {
using Field = TitleSelection::Field;

// The tally of a count that also keeps which records it counted.
struct Members {
    QVector<int> records;
    void add(int n) { records.append(n); }
};

struct MemberRow {
    QString value;
    int count = 0;
    QVector<int> records;
    void absorb(const MemberRow& other) {
        count += other.count;
        records += other.records;
    }
};

QStringView fieldOf(const Title& t, Field f) {
    switch (f) {
        case Field::Kantoku:
            return t.Kantoku.text();
        case Field::Syuen:
            return t.Syuen.text();
        case Field::Kuni:
            return t.Kuni.text();
        case Field::Janru:
            return t.Janru.text();
        case Field::Koukai:
        case Field::Kansyoubi:
        case Field::Hyouka:
            break;
    }
    return t.Koukai;
}

// The records of the row named s.value, made as the count made its rows: the
// items shown under that value, each with the records its tally holds.
QVector<int> recordsOfRow(const ValueCounts<Members>& counts, const TitleSelection& s,
                          const QStringList& items) {
    QStringList rowItems;
    for (const QString& item : items) {
        const bool shownAsValue =
            s.match == CountMatch::YearMonth ? yearMonthCaption(item) == s.value : item == s.value;
        if (shownAsValue) rowItems << item;
    }
    const QVector<MemberRow> rows =
        countRows<MemberRow>(rowItems, s.match, [&](const QString& item) {
            const auto* t = counts.find(item);
            return t ? MemberRow{item, t->count, t->sums.records} : MemberRow{item, 0, {}};
        });
    if (rows.isEmpty()) return {};
    // A list that named a value twice would show two equal rows; either is the row.
    // A month row's items hold different records: in record order they follow the file.
    QVector<int> records = rows.first().records;
    std::sort(records.begin(), records.end());
    return records;
}

QString fieldName(const TitleSelection& s) {
    const bool year = s.match == CountMatch::Year;
    switch (s.field) {
        case Field::Kantoku:
            return QStringLiteral("監督");
        case Field::Syuen:
            return QStringLiteral("主演");
        case Field::Kuni:
            return QStringLiteral("国");
        case Field::Janru:
            return QStringLiteral("ジャンル");
        case Field::Koukai:
            return year ? QStringLiteral("公開年") : QStringLiteral("公開年月");
        case Field::Hyouka:  // an item the masters leave unnamed still needs a name here
            return s.itemName.isEmpty() ? QStringLiteral("評価%1").arg(s.item) : s.itemName;
        case Field::Kansyoubi:
            break;
    }
    return year ? QStringLiteral("鑑賞年") : QStringLiteral("鑑賞年月");
}
}  // namespace

PickList pickListOf(const TitleSelection& s) {
    const bool year = s.match == CountMatch::Year;
    switch (s.field) {
        case Field::Kantoku:
            return PickList::Kantoku;
        case Field::Syuen:
            return PickList::Syuen;
        case Field::Kuni:
            return PickList::Kuni;
        case Field::Janru:
            return PickList::Janru;
        case Field::Koukai:
            return year ? PickList::Koukai3 : PickList::Koukai;
        case Field::Hyouka:  // a band is counted over the titles, not over a list
            return PickList::Name;
        case Field::Kansyoubi:
            break;
    }
    return year ? PickList::Kanbi2 : PickList::Kanbi;
}

QStringList entriesOf(const TitleTable& titles, const KansyouTable& history,
                      const TitleSelection& s, const QStringList& items) {
    QStringList out;
    if (s.field == Field::Hyouka) {
        if (s.item < 1 || s.item > kScoreItems || s.band < 0 || s.band >= ScoreBands::count(s.item))
            return out;
        for (int n = 1; n <= titles.TitleCount(); ++n)
            if (ScoreBands::of(s.item, titles[n].HyoukaTen[s.item]) == s.band)
                out << titles[n].Daimei;
        return out;
    }
    ValueCounts<Members> counts(s.match);
    if (s.field == Field::Kansyoubi) {
        const QVector<Kansyou>& records = history.records();
        for (int i = 0; i < records.size(); ++i) counts.add(records[i].Kansyoubi.text(), i);
        const QVector<int> rows = recordsOfRow(counts, s, items);
        out.reserve(rows.size());
        for (int i : rows) out << records[i].KansyouDaimei.text();
        return out;
    }
    for (int n = 1; n <= titles.TitleCount(); ++n) counts.add(fieldOf(titles[n], s.field), n);
    const QVector<int> rows = recordsOfRow(counts, s, items);
    out.reserve(rows.size());
    for (int n : rows) out << titles[n].Daimei;
    return out;
}

QString label(const TitleSelection& s) { return fieldName(s) + QStringLiteral("：") + s.value; }

QString caption(const TitleSelection& s, int count) {
    const QString what =
        s.field == Field::Kansyoubi ? QStringLiteral(" の鑑賞") : QStringLiteral(" の作品");
    return label(s) + what + QStringLiteral("　%1件").arg(count);
}

}  // namespace DrillDown
