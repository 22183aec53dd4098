#include "title_table.h"

int TitleTable::find(const QString& name) const {
    for (int n = 1; n <= TitleCount(); ++n)
        if (titles_[n].Daimei == name) return n;
    return 0;
}
