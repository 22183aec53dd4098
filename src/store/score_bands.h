#pragma once

#include "title_table.h"

#include <QString>

// The bands a score falls in, as the score chart draws its bars and as a bar
// lists its titles: item 1 in tens (1〜9, 10〜19 … 90〜99, and 100 alone),
// items 2..7 one band per value (1..10). A score of 0 is "not scored" and a
// score outside the item's range is in no band. One rule for both, so that a
// bar lists exactly the titles it counts.
namespace ScoreBands {

// How many bands item k has.
inline int count(int item) { return item == 1 ? 11 : 10; }

// The band of score s of item k, 0 ≤ band < count(k), or -1 for none.
inline int of(int item, int score) {
    if (score < 1 || score > maxScore(item)) return -1;
    return item == 1 ? score / 10 : score - 1;  // item 1's band 0 holds 1..9
}

// The lowest and highest score of band b of item k.
inline int low(int item, int band) { return item == 1 ? (band == 0 ? 1 : band * 10) : band + 1; }
inline int high(int item, int band) {
    return item == 1 ? (band == 10 ? 100 : band * 10 + 9) : band + 1;
}

// The band as the chart names it: "80〜89点", "100点", "5点".
inline QString label(int item, int band) {
    const int l = low(item, band), h = high(item, band);
    return l == h ? QStringLiteral("%1点").arg(l) : QStringLiteral("%1〜%2点").arg(l).arg(h);
}

}  // namespace ScoreBands
