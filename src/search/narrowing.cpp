#include "narrowing.h"

#include "store/string_hash.h"

#include <unordered_set>

void Narrowing::add(Criterion c) {
    if (!c.key.isEmpty()) {
        for (Criterion& old : criteria_) {
            if (old.key != c.key) continue;
            old = std::move(c);
            return;
        }
    }
    criteria_.append(std::move(c));
}

void Narrowing::drop(int i) {
    if (i >= 0 && i < criteria_.size()) criteria_.remove(i);
}

void Narrowing::dropKey(const QString& key) {
    for (int i = 0; i < criteria_.size(); ++i)
        if (!key.isEmpty() && criteria_[i].key == key) return drop(i);
}

QStringList Narrowing::result() const {
    if (criteria_.isEmpty()) return {};
    QStringList kept = criteria_.first().names;
    for (int i = 1; i < criteria_.size() && !kept.isEmpty(); ++i) {
        // Views of the criterion's own names, which outlive the set.
        std::unordered_set<QStringView, StringHash, StringEqual> found;
        found.reserve(size_t(criteria_[i].names.size()));
        for (const QString& name : criteria_[i].names) found.insert(name);
        QStringList narrowed;
        narrowed.reserve(kept.size());
        for (const QString& name : std::as_const(kept))
            if (found.count(name)) narrowed << name;
        kept = std::move(narrowed);
    }
    return kept;
}
