#include "text_order.h"

#include "cp932.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace TextOrder {

QByteArray key(QStringView text) {
    QByteArray bytes;
    if (Cp932::encode(text, &bytes)) return bytes;
    // Rare: some character has no code page 932 form. Those characters go after
    // every lead byte the code page uses (0xFD..0xFF are never lead bytes).
    bytes.clear();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype len = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        QByteArray one;
        if (Cp932::encode(text.mid(i, len), &one)) {
            bytes += one;
        } else {
            const char32_t cp = len == 2 ? QChar::surrogateToUcs4(text[i], text[i + 1])
                                         : char32_t(text[i].unicode());
            bytes += char(0xFD);
            bytes += char((cp >> 16) & 0xFF);
            bytes += char((cp >> 8) & 0xFF);
            bytes += char(cp & 0xFF);
        }
        i += len - 1;
    }
    return bytes;
}

QByteArray foldedKey(QStringView text) {
    QByteArray k = key(text);
    // Only single bytes are letters: a trail byte of a double-byte character may
    // have the value of an ASCII letter and must stay as it is.
    for (qsizetype i = 0; i < k.size(); ++i) {
        const uchar b = uchar(k[i]);
        if ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) {
            ++i;
        } else if (b == 0xFD) {
            i += 3;
        } else if (b >= 'A' && b <= 'Z') {
            k[i] = char(b + ('a' - 'A'));
        }
    }
    return k;
}

void sort(QStringList* list, bool ignoreCase) {
    struct Entry {
        QByteArray folded, exact;
        int index;
    };
    std::vector<Entry> entries;
    entries.reserve(list->size());
    for (int i = 0; i < list->size(); ++i) {
        QByteArray exact = key(list->at(i));
        QByteArray folded = ignoreCase ? foldedKey(list->at(i)) : QByteArray();
        entries.push_back({std::move(folded), std::move(exact), i});
    }
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        if (const int c = a.folded.compare(b.folded); c != 0) return c < 0;
        return a.exact < b.exact;
    });
    QStringList sorted;
    sorted.reserve(list->size());
    for (const Entry& e : entries) sorted.append(list->at(e.index));
    *list = std::move(sorted);
}

}  // namespace TextOrder
