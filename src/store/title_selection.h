#pragma once

#include "value_counts.h"

#include <QString>

// One row of a count (a ranking, the viewing months) or one bar of the score
// chart, named as it names what it counts: the field, how the row's items name
// values, and the row's value as shown. A screen that shows the count hands it
// on; the search screen lists the records behind it.
struct TitleSelection {
    enum class Field { Kantoku, Syuen, Koukai, Kuni, Janru, Kansyoubi, Hyouka };
    Field field = Field::Kantoku;
    // Whole for a name; YearMonth or Year for Koukai and Kansyoubi.
    CountMatch match = CountMatch::Whole;
    // As the row shows it: "黒澤明", "2003年05月" (a month row), "2003年"; for
    // Hyouka the band as the chart names it, "80〜89点".
    QString value;
    // Hyouka: the score item (1..7), its name in the masters, and the band of
    // store/score_bands.h whose titles are meant.
    int item = 0;
    QString itemName{};  // {} lets {field, match, value} name a whole selection
    int band = -1;
};
