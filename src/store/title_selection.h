#pragma once

#include "value_counts.h"

#include <QString>

// One row of a count (a ranking, the viewing months) named as the row names
// what it counts: the field, how the row's items name values, and the row's
// value as shown. A screen that shows the count hands it on; the search screen
// lists the records behind it.
struct TitleSelection {
    enum class Field { Kantoku, Syuen, Koukai, Kuni, Janru, Kansyoubi };
    Field field = Field::Kantoku;
    // Whole for a name; YearMonth or Year for Koukai and Kansyoubi.
    CountMatch match = CountMatch::Whole;
    // As the row shows it: "黒澤明", "2003年05月" (a month row), "2003年".
    QString value;
};
