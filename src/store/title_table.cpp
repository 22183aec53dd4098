#include "title_table.h"

#include <vector>

int TitleTable::find(const QString& name) const {
    for (int n = 1; n <= TitleCount(); ++n)
        if (titles_[n].Daimei == name) return n;
    return 0;
}

void TitleTable::reorder(const QVector<int>& order) {
    // Follow each cycle of the permutation: a title's old place is read before
    // the title that belongs there is moved in.
    const int count = TitleCount();
    std::vector<bool> placed(count + 1, false);
    for (int start = 1; start <= count; ++start) {
        if (placed[start]) continue;
        Title first = std::move(titles_[start]);
        int at = start;
        for (;;) {
            placed[at] = true;
            const int from = order[at - 1];
            if (from == start) {
                titles_[at] = std::move(first);
                break;
            }
            titles_[at] = std::move(titles_[from]);
            at = from;
        }
    }
}
