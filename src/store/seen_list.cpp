#include "seen_list.h"

#include <algorithm>

void SeenList::clear() {
    text_ = QStringLiteral(",");
    set_.clear();
}

void SeenList::add(const QString& v) {
    // A value holding a comma could never be found delimited; it is listed once all the same.
    if (!set_.insert(v).second) return;
    text_ += v;
    text_ += u',';
}

bool pickListLess(const QString& a, const QString& b) {
    const int c = a.compare(b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}

void sortPickList(QStringList* list) { std::sort(list->begin(), list->end(), pickListLess); }

int sortedInsertPosition(const QStringList& list, const QString& v) {
    return int(std::lower_bound(list.begin(), list.end(), v, pickListLess) - list.begin());
}
