#include "date_text.h"

#include <QDate>

namespace {
// Reads 1..maxDigits ASCII digits at *pos.
bool readNumber(QStringView s, qsizetype* pos, int minDigits, int maxDigits, int* value) {
    int v = 0, n = 0;
    while (*pos < s.size() && n < maxDigits && s[*pos] >= u'0' && s[*pos] <= u'9') {
        v = v * 10 + (s[*pos].unicode() - u'0');
        ++*pos;
        ++n;
    }
    if (n < minDigits || (*pos < s.size() && s[*pos] >= u'0' && s[*pos] <= u'9')) return false;
    *value = v;
    return true;
}

bool expect(QStringView s, qsizetype* pos, QChar c) {
    if (*pos >= s.size() || s[*pos] != c) return false;
    ++*pos;
    return true;
}
}  // namespace

QString DateText::full() const {
    return QStringLiteral("%1/%2/%3")
        .arg(year, 4, 10, QLatin1Char('0'))
        .arg(month, 2, 10, QLatin1Char('0'))
        .arg(day == 0 ? 1 : day, 2, 10, QLatin1Char('0'));
}

QString DateText::yearMonth() const {
    return QStringLiteral("%1/%2")
        .arg(year, 4, 10, QLatin1Char('0'))
        .arg(month, 2, 10, QLatin1Char('0'));
}

std::optional<DateText> parseDateText(QStringView text) {
    const QStringView s = text.trimmed();
    DateText d;
    qsizetype pos = 0;
    if (!readNumber(s, &pos, 4, 4, &d.year) || pos >= s.size()) return std::nullopt;

    const QChar sep = s[pos];
    const bool japanese = sep == u'年';
    if (!japanese && sep != u'/' && sep != u'-' && sep != u'.') return std::nullopt;
    ++pos;
    if (!readNumber(s, &pos, 1, 2, &d.month)) return std::nullopt;
    if (japanese && !expect(s, &pos, u'月')) return std::nullopt;
    if (pos < s.size()) {
        if (!japanese && !expect(s, &pos, sep)) return std::nullopt;
        if (!readNumber(s, &pos, 1, 2, &d.day)) return std::nullopt;
        if (japanese && !expect(s, &pos, u'日')) return std::nullopt;
        if (pos != s.size()) return std::nullopt;
        if (!QDate::isValid(d.year, d.month, d.day)) return std::nullopt;
    }
    if (d.year < 1 || d.month < 1 || d.month > 12) return std::nullopt;
    return d;
}

std::optional<DateText> parseYearMonth(QStringView text) {
    if (text.isEmpty() || text.front().isSpace()) return std::nullopt;
    if (std::optional<DateText> d = parseDateText(text)) return d;
    const QChar last = text.back();
    if (last == u'/' || last == u'-' || last == u'.') return parseDateText(text.chopped(1));
    if (text.contains(u'年') && !text.contains(u'月'))
        return parseDateText(text.toString() + u'月');
    return std::nullopt;
}

QString yearMonthCaption(QStringView text) {
    const std::optional<DateText> d = parseYearMonth(text);
    if (!d) return text.toString();
    return QStringLiteral("%1年%2月")
        .arg(d->year, 4, 10, QLatin1Char('0'))
        .arg(d->month, 2, 10, QLatin1Char('0'));
}
