#include "seen_list.h"

#include <algorithm>
#include <vector>

void SeenList::clear() {
    text_ = QStringLiteral(",");
    set_.clear();
}

bool SeenList::add(const QString& v) {
    // A value holding a comma could never be found delimited; it is listed once all the same.
    if (!set_.insert(v).second) return false;
    text_ += v;
    text_ += u',';
    return true;
}

std::pair<const QString*, bool> SeenList::intern(QStringView v) {
    const auto added = set_.insert(v);
    if (added.second) {
        text_ += v;
        text_ += u',';
    }
    return added;
}

bool pickListLess(const QString& a, const QString& b) {
    const QString fa = a.toCaseFolded(), fb = b.toCaseFolded();
    return fa != fb ? fa < fb : a < b;
}

void sortPickList(QStringList* list) {
    // Folding once per value, not once per comparison, keeps thousands of names quick to sort.
    std::vector<std::pair<QString, QString>> keyed;
    keyed.reserve(list->size());
    for (QString& v : *list) keyed.emplace_back(v.toCaseFolded(), std::move(v));
    std::sort(keyed.begin(), keyed.end());
    list->clear();
    for (auto& [key, v] : keyed) list->append(std::move(v));
}

int sortedInsertPosition(const QStringList& list, const QString& v) {
    return int(std::lower_bound(list.begin(), list.end(), v, pickListLess) - list.begin());
}

void insertSorted(QStringList* sorted, QStringList added) {
    sortPickList(&added);
    QStringList merged;
    merged.reserve(sorted->size() + added.size());
    qsizetype from = 0;
    for (QString& v : added) {
        // A few values join a long list: each finds its place by halving, not by a pass.
        const auto at = std::lower_bound(sorted->cbegin() + from, sorted->cend(), v, pickListLess);
        const qsizetype to = at - sorted->cbegin();
        for (; from < to; ++from) merged.append(std::move((*sorted)[from]));
        merged.append(std::move(v));
    }
    for (; from < sorted->size(); ++from) merged.append(std::move((*sorted)[from]));
    *sorted = std::move(merged);
}
