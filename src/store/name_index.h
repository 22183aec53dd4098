#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <functional>
#include <vector>

// The names of a folder in a few flat arrays: the characters of every name in
// one buffer, an open hash over their case-folded forms and, once a listing
// asks for it, their order. A folder of a hundred thousand free texts costs a
// few megabytes, not a heap object or two per name. Several names may share a
// case-folded form ("x.jpg" beside "X.JPG").
class NameIndex {
public:
    void clear();
    void reserve(qsizetype names);
    // Lists actual; false when exactly this name is listed already.
    bool add(QStringView actual);
    // Takes actual (exactly this spelling) off the list.
    void remove(QStringView actual);

    // Of the names whose case-folded form is folded, the first in name order;
    // a null string when there is none.
    QString first(QStringView folded) const;
    bool containsFolded(QStringView folded) const;
    // True when exactly this name is listed; folded is its case-folded form.
    bool contains(QStringView actual, QStringView folded) const;
    // Every name in name order, with its case-folded form.
    void forEachInOrder(const std::function<void(QStringView actual, QStringView folded)>& f) const;

private:
    struct Entry {
        quint32 at = 0;        // in chars_
        quint32 foldedAt = 0;  // the same as at when folding changes nothing
        quint16 size = 0;      // 0: taken off the list
        quint16 foldedSize = 0;
    };
    QStringView actualOf(const Entry& e) const { return {chars_.data() + e.at, e.size}; }
    QStringView foldedOf(const Entry& e) const {
        return {chars_.data() + e.foldedAt, e.foldedSize};
    }
    quint32 append(QStringView text);
    // Calls f(slot) for every listed entry of this folded form; f returns false to stop.
    template <typename F>
    void probe(QStringView folded, quint32 hash, F f) const;
    void rehash(std::size_t slotCount);
    void ensureOrder() const;
    void compact();

    // An open hash slot: the entry and the low half of its folded form's hash, so
    // that a probe passes over other names without reading them.
    struct Slot {
        quint32 entry = 0;  // 0: empty; kGone: an entry taken off; else entry + 1
        quint32 hash = 0;
    };

    std::vector<char16_t> chars_;
    std::vector<Entry> entries_;
    std::vector<Slot> slots_;
    std::size_t used_ = 0;  // entries of slots_ not empty (listed or gone)
    std::size_t listed_ = 0;
    mutable std::vector<quint32> order_;  // entries in name order, while orderValid_
    mutable bool orderValid_ = false;
};
