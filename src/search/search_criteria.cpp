#include "search_criteria.h"

#include "store/date_text.h"
#include "store/kansyou_table.h"
#include "store/title_table.h"

#include <algorithm>
#include <vector>

namespace SearchCriteria {

namespace {
const QString kTextPrefixes[] = {QString(), QStringLiteral("キャスト_"),
                                 QStringLiteral("あらすじ_"), QStringLiteral("メモ_")};
const QString kTextSuffix = QStringLiteral(".txt");

const QString& attributeOf(const Title& t, Attribute field) {
    switch (field) {
        case Attribute::Kantoku:
            return t.Kantoku;
        case Attribute::Syuen:
            return t.Syuen;
        case Attribute::Kuni:
            return t.Kuni;
        case Attribute::Janru:
            break;
    }
    return t.Janru;
}

// Year and month as one number, year * 100 + month; its order is the text
// order of "yyyy/mm", since the year always has four digits.
int monthNumber(const DateText& d) { return d.year * 100 + d.month; }
int monthNumber(QStringView date) {
    const std::optional<DateText> d = parseDateText(date);
    return d ? monthNumber(*d) : -1;
}
QString monthText(int month) {
    return QStringLiteral("%1/%2")
        .arg(month / 100, 4, 10, QLatin1Char('0'))
        .arg(month % 100, 2, 10, QLatin1Char('0'));
}

// A bound as it is compared: open when empty; otherwise its key, and the month
// as a number when the key is a date, so that most records compare without text.
struct Bound {
    bool open = true;
    int month = -1;
    QString key;
};

Bound makeBound(const QString& text) {
    Bound b;
    if (text.isEmpty()) return b;
    b.open = false;
    if (const std::optional<DateText> d = parseYearMonth(text)) {
        b.month = monthNumber(*d);
        b.key = d->yearMonth();
    } else {
        b.key = text;
    }
    return b;
}

// Compares a record's key (its month number, or -1 with the date text itself)
// with a bound's key, as texts are compared.
int compareWith(int month, const QString& date, const Bound& b) {
    if (month >= 0 && b.month >= 0) return month < b.month ? -1 : month > b.month ? 1 : 0;
    const QString key = month >= 0 ? monthText(month) : date;
    return QString::compare(key, b.key, Qt::CaseSensitive);
}

bool within(const QString& date, const Bound& lower, const Bound& upper) {
    const int month = monthNumber(date);
    return (lower.open || compareWith(month, date, lower) >= 0) &&
           (upper.open || compareWith(month, date, upper) <= 0);
}
}  // namespace

QStringList byTitleWord(const TitleTable& titles, const QString& word) {
    QStringList out;
    for (int i = 1; i <= titles.TitleCount(); ++i)
        if (titles[i].Daimei.contains(word, Qt::CaseSensitive)) out << titles[i].Daimei;
    return out;
}

QStringList byAttribute(const TitleTable& titles, Attribute field, const QString& value) {
    QStringList out;
    for (int i = 1; i <= titles.TitleCount(); ++i)
        if (attributeOf(titles[i], field) == value) out << titles[i].Daimei;
    return out;
}

QStringList byMark(const TitleTable& titles, const QString& item) {
    const QString key = item == kNoMark ? QString() : item;
    QStringList out;
    for (int i = 1; i <= titles.TitleCount(); ++i)
        if (titles[i].Hyouka == key) out << titles[i].Daimei;
    return out;
}

QStringList byOwnership(const TitleTable& titles, int k, bool owned) {
    QStringList out;
    for (int i = 1; i <= titles.TitleCount(); ++i)
        if ((titles[i].Syoyu[k] == kOwned) == owned) out << titles[i].Daimei;
    return out;
}

QString periodKey(const QString& date) {
    if (date.isEmpty()) return {};
    const std::optional<DateText> d = parseDateText(date);
    return d ? d->yearMonth() : date;
}

QString boundKey(const QString& bound) { return makeBound(bound).key; }

QStringList sortedPeriodItems(QStringList items) {
    std::vector<std::pair<QString, int>> keyed;
    keyed.reserve(items.size());
    for (int i = 0; i < items.size(); ++i) keyed.emplace_back(boundKey(items[i]), i);
    std::stable_sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
        const int c = QString::compare(a.first, b.first, Qt::CaseSensitive);
        return c != 0 ? c < 0 : QString::compare(items[a.second], items[b.second]) < 0;
    });
    QStringList out;
    out.reserve(items.size());
    for (const auto& [key, i] : keyed) out << items[i];
    return out;
}

std::optional<QStringList> byReleasePeriod(const TitleTable& titles, const QString& lower,
                                           const QString& upper) {
    if (lower.isEmpty() && upper.isEmpty()) return std::nullopt;
    const Bound lo = makeBound(lower), hi = makeBound(upper);
    QStringList out;
    for (int i = 1; i <= titles.TitleCount(); ++i)
        if (within(titles[i].Koukai, lo, hi)) out << titles[i].Daimei;
    return out;
}

std::optional<QStringList> byViewingPeriod(const KansyouTable& viewings, const QString& lower,
                                           const QString& upper) {
    if (lower.isEmpty() && upper.isEmpty()) return std::nullopt;
    const Bound lo = makeBound(lower), hi = makeBound(upper);
    QStringList out;
    for (const Kansyou& k : viewings.records())
        if (within(k.Kansyoubi, lo, hi)) out << k.KansyouDaimei;
    return out;
}

QStringList byViewingContent(const KansyouTable& viewings, const QString& content) {
    QStringList out;
    for (const Kansyou& k : viewings.records())
        if (k.KansyouNaiyou == content) out << k.KansyouDaimei;
    return out;
}

QString textPrefix(TextKind kind) { return kTextPrefixes[int(kind)]; }

QString textPattern(TextKind kind) { return textPrefix(kind) + QStringLiteral("*") + kTextSuffix; }

QString titleOfTextFile(TextKind kind, const QString& fileName) {
    const qsizetype prefix = textPrefix(kind).size();
    return fileName.mid(prefix, qMax<qsizetype>(0, fileName.size() - prefix - 4));
}

QStringList titlesOfTextFiles(TextKind kind, const QStringList& files) {
    QStringList out;
    out.reserve(files.size());
    for (const QString& f : files) out << titleOfTextFile(kind, f);
    return out;
}

QStringList titlesWithoutText(const TitleTable& titles, TextKind kind,
                              const std::function<bool(const QString&)>& fileExists) {
    const QString prefix = textPrefix(kind);
    QStringList out;
    QString name;
    for (int i = 1; i <= titles.TitleCount(); ++i) {
        name.clear();
        name += prefix;
        name += titles[i].Daimei;
        name += kTextSuffix;
        if (!fileExists(name)) out << titles[i].Daimei;
    }
    return out;
}

}  // namespace SearchCriteria
