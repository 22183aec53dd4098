#include "shared_text.h"

#include "string_hash.h"

#include <vector>

namespace shared_text {
namespace {
// The first chunk is there before anything runs, so the empty text (number 0)
// can be read from static initialisers on.
QString firstChunk[kChunkSize];
}  // namespace
QString* chunks[kChunks] = {firstChunk};
}  // namespace shared_text

namespace {
using namespace shared_text;

class Pool {
public:
    Pool() : count_(1) {}

    const QString& at(quint32 id) const { return chunks[id >> kChunkBits][id & (kChunkSize - 1)]; }
    quint32 count() const { return count_; }

    // The number of text, or 0 when it was never stored.
    quint32 find(QStringView text) const {
        if (slots_.empty()) return 0;
        const size_t hash = StringHash{}(text);
        const auto check = quint32(hash >> 32);
        const size_t mask = slots_.size() - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            const Slot& s = slots_[i];
            if (s.id == 0) return 0;
            if (s.check == check && QStringView(at(s.id)) == text) return s.id;
        }
    }

    template <typename Text>
    quint32 idOf(const Text& text) {
        if ((count_ + 1) * 4 > slots_.size() * 3) grow();  // at most three quarters full
        const size_t hash = StringHash{}(text);
        const auto check = quint32(hash >> 32);
        const size_t mask = slots_.size() - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            Slot& s = slots_[i];
            if (s.id == 0) {
                s = {add(text), check};
                return s.id;
            }
            if (s.check == check && QStringView(at(s.id)) == QStringView(text)) return s.id;
        }
    }

private:
    struct Slot {
        quint32 id = 0;     // 0: free (the empty text is never looked up)
        quint32 check = 0;  // high half of the hash, to pass over most others unread
    };

    quint32 add(QStringView text) { return add(text.toString()); }
    quint32 add(const QString& text) {
        const quint32 id = count_;
        if ((id >> kChunkBits) >= kChunks) qFatal("too many distinct texts");
        QString*& chunk = chunks[id >> kChunkBits];
        if (!chunk) chunk = new QString[kChunkSize];  // kept for the life of the program
        chunk[id & (kChunkSize - 1)] = text;
        ++count_;
        return id;
    }

    void grow() {
        std::vector<Slot> old(std::max<size_t>(1024, slots_.size() * 2));
        old.swap(slots_);
        const size_t mask = slots_.size() - 1;
        for (const Slot& s : old) {
            if (s.id == 0) continue;
            size_t i = StringHash{}(at(s.id)) & mask;
            while (slots_[i].id != 0) i = (i + 1) & mask;
            slots_[i] = s;
        }
    }

    std::vector<Slot> slots_;
    quint32 count_ = 0;
};

Pool& pool() {
    static Pool p;
    return p;
}
}  // namespace

quint32 SharedText::count() { return pool().count(); }

std::optional<SharedText> SharedText::find(QStringView text) {
    if (text.isEmpty()) return SharedText();
    const quint32 id = pool().find(text);
    if (id == 0) return std::nullopt;
    return SharedText(id, 0);
}

quint32 SharedText::idOf(const QString& text) { return pool().idOf(text); }

quint32 SharedText::idOf(QStringView text) { return pool().idOf(text); }
