#include "name_index.h"

#include "string_hash.h"

#include <algorithm>

namespace {
constexpr quint32 kGone = 0xFFFFFFFFu;

// Characters that have no case: ASCII but its capitals, and the CJK symbols,
// kana, kanji and half-width katakana that make up nearly every name here.
bool caseless(char16_t c) {
    if (c < 0x80) return c < u'A' || c > u'Z';
    return (c >= 0x3000 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFF61 && c <= 0xFF9F);
}

// The case-folded form of text (QString::toCaseFolded): text itself when it
// holds no character with a case, so that listing a folder copies no name.
QStringView caseFolded(QStringView text, QString* storage) {
    for (const QChar c : text) {
        if (!caseless(c.unicode())) {
            *storage = text.toString().toCaseFolded();
            return *storage;
        }
    }
    return text;
}
}  // namespace

void NameIndex::clear() {
    chars_.clear();
    entries_.clear();
    slots_.clear();
    order_.clear();
    used_ = listed_ = 0;
    orderValid_ = false;
}

void NameIndex::reserve(qsizetype names) {
    entries_.reserve(std::size_t(names));
    chars_.reserve(std::size_t(names) * 24);
    std::size_t slotCount = 16;
    while (slotCount < std::size_t(names) * 2) slotCount *= 2;
    if (slotCount > slots_.size()) rehash(slotCount);
}

quint32 NameIndex::append(QStringView text) {
    const auto at = quint32(chars_.size());
    chars_.insert(chars_.end(), text.utf16(), text.utf16() + text.size());
    return at;
}

namespace {
quint32 hashOf(QStringView folded) { return quint32(StringHash{}(folded)); }
}  // namespace

template <typename F>
void NameIndex::probe(QStringView folded, quint32 hash, F f) const {
    if (slots_.empty()) return;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot s = slots_[i];
        if (s.entry == 0) return;
        if (s.entry != kGone && s.hash == hash && foldedOf(entries_[s.entry - 1]) == folded &&
            !f(s.entry - 1))
            return;
    }
}

void NameIndex::rehash(std::size_t slotCount) {
    std::vector<Slot> old(slotCount);
    old.swap(slots_);
    used_ = 0;
    const std::size_t mask = slotCount - 1;
    for (const Slot& s : old) {
        if (s.entry == 0 || s.entry == kGone) continue;
        std::size_t i = s.hash & mask;
        while (slots_[i].entry != 0) i = (i + 1) & mask;
        slots_[i] = s;
        ++used_;
    }
}

bool NameIndex::add(QStringView actual) {
    QString storage;
    const QStringView folded = caseFolded(actual, &storage);
    const quint32 hash = hashOf(folded);
    bool listed = false;
    probe(folded, hash, [&](quint32 e) {
        listed = actualOf(entries_[e]) == actual;
        return !listed;
    });
    if (listed || actual.isEmpty() || actual.size() > 0xFFFF) return false;
    if ((used_ + 1) * 2 > slots_.size()) rehash(std::max<std::size_t>(16, slots_.size() * 2));

    Entry entry;
    entry.at = append(actual);
    entry.size = quint16(actual.size());
    entry.foldedSize = quint16(folded.size());
    entry.foldedAt = folded == actual ? entry.at : append(folded);
    const auto index = quint32(entries_.size());
    entries_.push_back(entry);
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = hash & mask;
    while (slots_[i].entry != 0 && slots_[i].entry != kGone) i = (i + 1) & mask;
    if (slots_[i].entry == 0) ++used_;
    slots_[i] = {index + 1, hash};
    ++listed_;
    if (orderValid_) {
        const auto at = std::upper_bound(
            order_.begin(), order_.end(), actual,
            [this](QStringView a, quint32 e) { return a < actualOf(entries_[e]); });
        order_.insert(at, index);
    }
    return true;
}

void NameIndex::remove(QStringView actual) {
    QString storage;
    const QStringView folded = caseFolded(actual, &storage);
    if (slots_.empty()) return;
    const quint32 hash = hashOf(folded);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot s = slots_[i];
        if (s.entry == 0) return;
        if (s.entry == kGone || s.hash != hash || actualOf(entries_[s.entry - 1]) != actual)
            continue;
        slots_[i].entry = kGone;
        if (orderValid_) order_.erase(std::find(order_.begin(), order_.end(), s.entry - 1));
        entries_[s.entry - 1].size = 0;
        --listed_;
        break;
    }
    // Names taken off leave their characters behind; once they are the most,
    // the index is built again from the names still listed.
    if (entries_.size() > 64 && listed_ < entries_.size() / 2) compact();
}

void NameIndex::compact() {
    NameIndex fresh;
    fresh.reserve(qsizetype(listed_));
    for (const Entry& e : entries_)
        if (e.size != 0) fresh.add(actualOf(e));
    *this = std::move(fresh);
}

QString NameIndex::first(QStringView folded) const {
    QStringView best;
    bool found = false;
    probe(folded, hashOf(folded), [&](quint32 e) {
        const QStringView a = actualOf(entries_[e]);
        if (!found || a < best) best = a;
        found = true;
        return true;
    });
    return found ? best.toString() : QString();
}

bool NameIndex::containsFolded(QStringView folded) const {
    bool found = false;
    probe(folded, hashOf(folded), [&](quint32) {
        found = true;
        return false;
    });
    return found;
}

bool NameIndex::contains(QStringView actual, QStringView folded) const {
    bool found = false;
    probe(folded, hashOf(folded), [&](quint32 e) {
        found = actualOf(entries_[e]) == actual;
        return !found;
    });
    return found;
}

void NameIndex::ensureOrder() const {
    if (orderValid_) return;
    order_.clear();
    order_.reserve(listed_);
    for (quint32 e = 0; e < entries_.size(); ++e)
        if (entries_[e].size != 0) order_.push_back(e);
    std::sort(order_.begin(), order_.end(), [this](quint32 a, quint32 b) {
        return actualOf(entries_[a]) < actualOf(entries_[b]);
    });
    orderValid_ = true;
}

void NameIndex::forEachInOrder(
    const std::function<void(QStringView actual, QStringView folded)>& f) const {
    ensureOrder();
    for (quint32 e : order_) f(actualOf(entries_[e]), foldedOf(entries_[e]));
}
