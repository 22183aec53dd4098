#include "seen_list.h"

#include "text_order.h"

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
    return TextOrder::sortKey(a, true) < TextOrder::sortKey(b, true);
}

void sortPickList(QStringList* list) { TextOrder::sort(list, true); }

int sortedInsertPosition(const QStringList& list, const QString& v) {
    const TextOrder::Key key = TextOrder::sortKey(v, true);
    const auto at = std::lower_bound(list.begin(), list.end(), key,
                                     [](const QString& listed, const TextOrder::Key& k) {
                                         return TextOrder::sortKey(listed, true) < k;
                                     });
    return int(at - list.begin());
}

void insertSorted(QStringList* sorted, QStringList added) {
    sortPickList(&added);
    QStringList merged;
    merged.reserve(sorted->size() + added.size());
    qsizetype from = 0;
    for (QString& v : added) {
        // A few values join a long list: each finds its place by halving, not by a pass.
        const TextOrder::Key key = TextOrder::sortKey(v, true);
        const auto at = std::lower_bound(sorted->cbegin() + from, sorted->cend(), key,
                                         [](const QString& listed, const TextOrder::Key& k) {
                                             return TextOrder::sortKey(listed, true) < k;
                                         });
        const qsizetype to = at - sorted->cbegin();
        for (; from < to; ++from) merged.append(std::move((*sorted)[from]));
        merged.append(std::move(v));
    }
    for (; from < sorted->size(); ++from) merged.append(std::move((*sorted)[from]));
    *sorted = std::move(merged);
}
