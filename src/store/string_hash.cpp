#include "string_hash.h"

const QString* StringSet::find(QStringView text) const {
    if (slots_.isEmpty()) return nullptr;
    const Entry& e = slots_[slotFor(text, StringHash{}(text))];
    return e.used ? &e.text : nullptr;
}

qsizetype StringSet::slotFor(QStringView text, size_t hash) const {
    const qsizetype mask = slots_.size() - 1;
    for (qsizetype i = qsizetype(hash) & mask;; i = (i + 1) & mask) {
        const Entry& e = slots_[i];
        if (!e.used || (e.hash == hash && QStringView(e.text) == text)) return i;
    }
}

std::pair<const QString*, bool> StringSet::insert(QStringView text) {
    if ((count_ + 1) * 4 > slots_.size() * 3) grow();  // at most three quarters full
    const size_t hash = StringHash{}(text);
    Entry& e = slots_[slotFor(text, hash)];
    if (e.used) return {&e.text, false};
    e = Entry{hash, text.toString(), true};
    ++count_;
    return {&e.text, true};
}

void StringSet::grow() {
    QVector<Entry> old =
        std::exchange(slots_, QVector<Entry>(qMax<qsizetype>(16, slots_.size() * 2)));
    for (Entry& e : old) {
        if (!e.used) continue;
        const qsizetype mask = slots_.size() - 1;
        qsizetype i = qsizetype(e.hash) & mask;
        while (slots_[i].used) i = (i + 1) & mask;
        slots_[i] = std::move(e);
    }
}

void StringSet::clear() {
    slots_.clear();
    count_ = 0;
}
