#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// The one test of whether a text is a date, shared by the release date, the
// viewing date and the search periods.
//
// Accepted forms (year always four digits, month 1..12, day valid for its
// month, leap years counted; month and day with one or two digits):
//   2003/05/10  2003/5/1  2003-05-10  2003.5.1     a full date
//   2003/05     2003/5    2003-05     2003.5       a year and month
//   2003年5月10日  2003年05月                       the Japanese way
// Spaces around the text are allowed; anything else (2003/02/30, 2003/13/01,
// 03/05/10, 2003/05/10 12:00) is not a date.
struct DateText {
    int year = 0;
    int month = 0;
    int day = 0;  // 0 when only year and month were given

    // "YYYY/MM/DD"; a year and month alone stand for the first of the month.
    QString full() const;
    // "yyyy/mm".
    QString yearMonth() const;
};

std::optional<DateText> parseDateText(QStringView text);
inline bool isDateText(QStringView text) { return parseDateText(text).has_value(); }

// The month a date text names, also when it is cut to its first seven
// characters as the month lists keep it: 2003/5/ (of 2003/5/1) and 2003年12 (of
// 2003年12月1日) name their month as 2003/05 and 2003/12 do. A text that begins
// with a space names none: its cut may have taken part of the month.
std::optional<DateText> parseYearMonth(QStringView text);
// "2003年05月", as the counts show a month; a text that names none, as it is.
QString yearMonthCaption(QStringView text);
