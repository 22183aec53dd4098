#include "text_order.h"

#include "cp932.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

// The code page 932 code of every UTF-16 unit, so that a key costs a table
// look-up per character instead of a converter call per text. A code below
// 0x100 is one byte, any other two bytes (lead byte first).
class CodeTable {
public:
    static constexpr quint16 kNone = 0xFFFF;     // the code page has no such character
    static constexpr quint16 kUnknown = 0xFFFE;  // not looked up yet

    static CodeTable& instance() {
        static CodeTable table;
        return table;
    }

    // The program runs its sorts on one thread; a unit met for the first time is
    // looked up then and remembered.
    quint16 code(char16_t u) {
        quint16& c = codes_[u];
        if (c == kUnknown) c = lookUp(u);
        return c;
    }

private:
    CodeTable() {
        codes_.fill(kUnknown);
        learnEveryCode();
    }

    static quint16 lookUp(char16_t u) {
        if (QChar::isSurrogate(u)) return kNone;
        QByteArray bytes;
        const QChar c(u);
        if (!Cp932::encode(QStringView(&c, 1), &bytes)) return kNone;
        if (bytes.size() == 1) return uchar(bytes[0]);
        if (bytes.size() == 2) return quint16(uchar(bytes[0]) << 8 | uchar(bytes[1]));
        return kNone;
    }

    static bool isLead(uchar b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

    // Every character the code page holds, found with two conversions rather than
    // one per UTF-16 unit: decode every possible code, then encode what came out,
    // which gives each character the one code that writing it gives.
    void learnEveryCode() {
        QByteArray all;
        all.reserve(12000 * 3);
        for (int b = 0x01; b <= 0xDF; ++b) {
            if (b == '\n' || (b >= 0x80 && b < 0xA1)) continue;
            all.append(char(b)).append('\n');
        }
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            if (!isLead(uchar(lead))) continue;
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                if (trail == 0x7F) continue;
                all.append(char(lead)).append(char(trail)).append('\n');
            }
        }
        const QString decoded = Cp932::decode(all);
        QString held;
        held.reserve(12000);
        std::array<bool, 0x10000> seen{};
        for (QStringView piece : QStringView(decoded).split(u'\n')) {
            // An unassigned code decodes to a replacement character, maybe with the
            // second byte read on its own: only a single true character is taken.
            if (piece.size() != 1 || piece[0] == QChar::ReplacementCharacter ||
                piece[0].isSurrogate() || seen[piece[0].unicode()])
                continue;
            seen[piece[0].unicode()] = true;
            held.append(piece[0]);
        }
        QByteArray codes;
        if (!Cp932::encode(held, &codes)) return;  // every unit is then looked up alone
        qsizetype at = 0;
        for (const QChar c : std::as_const(held)) {
            if (at >= codes.size()) return;
            const uchar b = uchar(codes[at]);
            if (isLead(b) && at + 1 < codes.size()) {
                codes_[c.unicode()] = quint16(b << 8 | uchar(codes[at + 1]));
                at += 2;
            } else {
                codes_[c.unicode()] = b;
                at += 1;
            }
        }
    }

    std::array<quint16, 0x10000> codes_;
};

// A character the code page cannot hold sorts after every one it can (0xFD..0xFF
// are never lead bytes), by its code point.
char* putUnheld(char* out, char32_t cp) {
    *out++ = char(0xFD);
    *out++ = char((cp >> 16) & 0xFF);
    *out++ = char((cp >> 8) & 0xFF);
    *out++ = char(cp & 0xFF);
    return out;
}

bool isCapital(quint16 code) {
    return (code >= 'A' && code <= 'Z') || (code >= 0x8260 && code <= 0x8279);
}

// The key of text; *capitals tells whether it holds a capital Latin letter.
QByteArray makeKey(QStringView text, bool* capitals) {
    CodeTable& table = CodeTable::instance();
    QByteArray bytes(text.size() * 4, Qt::Uninitialized);  // the most a unit can take
    char* const start = bytes.data();
    char* out = start;
    bool capital = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar u = text[i];
        if (u.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out = putUnheld(out, QChar::surrogateToUcs4(u, text[i + 1]));
            ++i;
            continue;
        }
        const quint16 code = table.code(u.unicode());
        if (code == CodeTable::kNone) {
            out = putUnheld(out, u.unicode());
        } else if (code < 0x100) {
            *out++ = char(code);
        } else {
            *out++ = char(code >> 8);
            *out++ = char(code & 0xFF);
        }
        capital = capital || isCapital(code);
    }
    bytes.truncate(out - start);
    if (capitals) *capitals = capital;
    return bytes;
}

}  // namespace

namespace TextOrder {

QByteArray key(QStringView text) { return makeKey(text, nullptr); }

QByteArray foldedKey(QStringView text) { return folded(key(text)); }

QByteArray folded(QByteArray k) {
    // Only single bytes are ASCII letters: a trail byte of a double-byte character
    // may have the value of one and must stay as it is. The full-width letters
    // Ａ..Ｚ (82 60..82 79) fold to ａ..ｚ (82 81..82 9A). A key without capitals
    // is returned as it is, sharing its bytes.
    const auto* p = reinterpret_cast<const uchar*>(k.constData());
    for (qsizetype i = 0; i < k.size(); ++i) {
        const uchar b = p[i];
        if ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) {
            if (b == 0x82 && i + 1 < k.size() && p[i + 1] >= 0x60 && p[i + 1] <= 0x79) {
                k.data()[i + 1] = char(p[i + 1] + 0x21);
                p = reinterpret_cast<const uchar*>(k.constData());
            }
            ++i;
        } else if (b == 0xFD) {
            i += 3;
        } else if (b >= 'A' && b <= 'Z') {
            k.data()[i] = char(b + ('a' - 'A'));
            p = reinterpret_cast<const uchar*>(k.constData());
        }
    }
    return k;
}

bool Key::operator<(const Key& other) const {
    if (const int c = folded.compare(other.folded); c != 0) return c < 0;
    return exact < other.exact;
}

Key sortKey(QStringView text, bool ignoreCase) {
    Key k;
    bool capitals = false;
    k.exact = makeKey(text, &capitals);
    if (ignoreCase) k.folded = capitals ? TextOrder::folded(k.exact) : k.exact;
    return k;
}

void sort(QStringList* list, bool ignoreCase) {
    // Most comparisons are settled by the first eight bytes of the key, read as
    // one number; only equal beginnings compare whole keys.
    struct Entry {
        quint64 head;
        int index;
    };
    const int n = int(list->size());
    std::vector<Key> keys;
    keys.reserve(n);
    std::vector<Entry> entries;
    entries.reserve(n);
    for (int i = 0; i < n; ++i) {
        keys.push_back(sortKey(list->at(i), ignoreCase));
        const QByteArray& first = ignoreCase ? keys.back().folded : keys.back().exact;
        quint64 head = 0;
        for (qsizetype b = 0; b < 8; ++b)
            head = head << 8 | (b < first.size() ? uchar(first[b]) : 0);
        entries.push_back({head, i});
    }
    // Equal keys are equal texts, so the order among them does not matter.
    std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
        if (a.head != b.head) return a.head < b.head;
        return keys[a.index] < keys[b.index];
    });
    QStringList sorted;
    sorted.reserve(n);
    for (const Entry& e : entries) sorted.append(list->at(e.index));
    *list = std::move(sorted);
}

}  // namespace TextOrder
