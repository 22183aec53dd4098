#pragma once

#include <QString>
#include <QStringView>
#include <QVector>

#include <array>
#include <functional>
#include <string_view>
#include <unordered_map>
#include <vector>

// Hashes text with the standard library's string hash, which measured an order
// of magnitude faster than qHash(QString) on the lookups that run for every
// record of a load.
struct StringHash {
    using is_transparent = void;
    size_t operator()(QStringView s) const noexcept {
        return std::hash<std::u16string_view>{}(
            std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()), size_t(s.size())));
    }
    size_t operator()(const QString& s) const noexcept { return (*this)(QStringView(s)); }
};

struct StringEqual {
    using is_transparent = void;
    bool operator()(QStringView a, QStringView b) const noexcept { return a == b; }
};

template <typename V>
using StringMap = std::unordered_map<QString, V, StringHash, StringEqual>;

// A set of texts in one flat table with each entry's hash beside it, so that a
// lookup costs one probe of contiguous memory rather than a walk over nodes:
// loads look up several fields of every record. Lookups take a QStringView, so
// a field is looked up without being copied first.
class StringSet {
public:
    // The stored copy equal to text, or nullptr.
    const QString* find(QStringView text) const;
    // Inserts text unless present; returns the stored copy and whether it was new.
    std::pair<const QString*, bool> insert(QStringView text);
    bool contains(QStringView text) const { return find(text) != nullptr; }
    int size() const { return count_; }
    void clear();

private:
    struct Entry {
        size_t hash = 0;
        QString text;
        bool used = false;
    };
    qsizetype slotFor(QStringView text, size_t hash) const;
    void grow();

    QVector<Entry> slots_;
    int count_ = 0;
};

// Numbers the distinct texts met in the order met, each kept as the view it came
// as: a reader of a file names each value once, whatever thread it runs on.
class TextNumbers {
public:
    TextNumbers(std::vector<QStringView>* texts, std::size_t expected);
    quint32 number(QStringView text);

private:
    struct Slot {
        quint32 number = 0;  // 0: empty, else the text's number + 1
        quint32 hash = 0;
    };
    quint32 lookUp(QStringView text);
    void grow();

    std::vector<QStringView>* texts_;
    std::vector<Slot> slots_;
    // Texts of no or one character ("", "○", "◎") by that character, without a
    // hash: most fields of a title are such marks.
    struct Short {
        quint32 key = 0;     // the character + 1, 0 for the empty text
        quint32 number = 0;  // 0: empty, else the text's number + 1
    };
    std::array<Short, 64> short_{};
};
