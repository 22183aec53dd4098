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

TextNumbers::TextNumbers(std::vector<QStringView>* texts, std::size_t expected) : texts_(texts) {
    std::size_t size = 64;
    while (size < expected * 2) size *= 2;
    slots_.resize(size);
}

quint32 TextNumbers::number(QStringView text) {
    if (text.size() > 1) return lookUp(text);
    const quint32 key = text.isEmpty() ? 0 : quint32(text.front().unicode()) + 1;
    Short& s = short_[key & 63];
    if (s.number != 0 && s.key == key) return s.number - 1;
    const quint32 n = lookUp(text);
    s = {key, n + 1};
    return n;
}

quint32 TextNumbers::lookUp(QStringView text) {
    const auto hash = quint32(StringHash{}(text));
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        Slot& s = slots_[i];
        if (s.number == 0) {
            texts_->push_back(text);
            s = {quint32(texts_->size()), hash};
            if (texts_->size() * 2 > slots_.size()) grow();
            return quint32(texts_->size() - 1);
        }
        if (s.hash == hash && (*texts_)[s.number - 1] == text) return s.number - 1;
    }
}

void TextNumbers::grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& s : old) {
        if (s.number == 0) continue;
        std::size_t i = s.hash & mask;
        while (slots_[i].number != 0) i = (i + 1) & mask;
        slots_[i] = s;
    }
}
