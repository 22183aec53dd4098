#include "cp932.h"

#include <QStringDecoder>

#include <array>
#include <cstring>
#include <memory>
#include <optional>

namespace {
constexpr const char* kCodecName = "windows-31j";
constexpr char16_t kBad = 0xFFFD;
constexpr char16_t kGeta = 0x3013;  // 〓, the mark for a character that cannot be written

bool isLeadByte(uchar b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool isTrailByte(uchar b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }
bool isKatakanaByte(uchar b) { return b >= 0xA1 && b <= 0xDF; }

// Of the codes that decode to one character, Windows encodes it to a JIS X 0208
// code first, then to the NEC row 13, then to the IBM rows FA-FC, and only
// last to the NEC-selected copy of those in ED/EE.
int encodingRank(unsigned code) {
    const unsigned lead = code >> 8;
    if (lead == 0xED || lead == 0xEE) return 3;
    if (lead >= 0xFA && lead <= 0xFC) return 2;
    if (lead == 0x87) return 1;
    return 0;
}

// Both directions as plain tables, looked up once per character: faster than
// the converter itself, and exact. The double-byte codes come from the
// converter; the single bytes are set here, since the converter follows an IBM
// table for the control bytes (it swaps 1A, 1C and 7F).
struct Tables {
    std::array<char16_t, 0x10000> decode{};  // by lead << 8 | trail; 0: not a code
    std::array<quint16, 0x10000>
        encode{};  // by UTF-16 unit from 0x80 on; 0: none; < 0x100: one byte
    bool ok = false;

    Tables() {
        QStringDecoder converter(kCodecName, QStringDecoder::Flag::Stateless);
        if (!converter.isValid()) return;
        // Every candidate pair in one call, each followed by a line feed that no
        // lead byte can take as its trail byte, so one bad pair cannot shift the others.
        QByteArray all;
        QVector<unsigned> codes;
        for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
            if (!isLeadByte(uchar(lead))) continue;
            for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
                if (!isTrailByte(uchar(trail))) continue;
                all += char(lead);
                all += char(trail);
                all += '\n';
                codes.append(lead << 8 | trail);
            }
        }
        const QString decoded = converter.decode(all);
        const QList<QStringView> pieces = QStringView(decoded).split(u'\n');
        if (pieces.size() != codes.size() + 1) return;
        for (qsizetype i = 0; i < codes.size(); ++i) {
            const QStringView piece = pieces[i];
            // Control characters and ASCII come only from single bytes.
            if (piece.size() == 1 && piece[0].unicode() >= 0x80 && piece[0] != QChar(kBad))
                decode[codes[i]] = piece[0].unicode();
        }
        for (unsigned code = 0x8140; code <= 0xFCFC; ++code) {
            const char16_t u = decode[code];
            if (u == 0) continue;
            const quint16 known = encode[u];
            if (known == 0 || encodingRank(code) < encodingRank(known)) encode[u] = quint16(code);
        }
        for (unsigned b = 0xA1; b <= 0xDF; ++b) encode[0xFF61 + (b - 0xA1)] = quint16(b);
        ok = true;
    }
};

const Tables& tables() {
    static const std::unique_ptr<const Tables> t = std::make_unique<Tables>();
    return *t;
}

bool isMark(char32_t c) {
    const QChar::Category k = QChar::category(c);
    return k == QChar::Mark_NonSpacing || k == QChar::Mark_SpacingCombining ||
           k == QChar::Mark_Enclosing;
}

char32_t codePointAt(QStringView text, qsizetype i, qsizetype* length) {
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
        *length = 2;
        return QChar::surrogateToUcs4(c, text[i + 1]);
    }
    *length = 1;
    return c.unicode();
}

QString fromCodePoint(char32_t c) { return QString::fromUcs4(&c, 1); }

// The nearest code page 932 form of characters that have no decomposition to
// one. The en dash takes the full-width hyphen-minus (the code page's minus,
// which an en dash stands for in "1939–1945") and the em dash the horizontal
// bar (the code page's dash), so that the two stay apart. Low and reversed
// quotes take the opening form the code page has, never the ASCII double quote.
// The Spanish inverted marks go: the closing mark says it.
struct Nearest {
    char16_t from;
    const char16_t* to;
};
constexpr Nearest kNearest[] = {
    {0x00A1, u""},   {0x00A9, u"(C)"}, {0x00AB, u"《"}, {0x00AE, u"(R)"}, {0x00B7, u"・"},
    {0x00BB, u"》"}, {0x00BF, u""},    {0x00C6, u"AE"}, {0x00D0, u"D"},   {0x00D8, u"O"},
    {0x00DE, u"Th"}, {0x00DF, u"ss"},  {0x00E6, u"ae"}, {0x00F0, u"d"},   {0x00F8, u"o"},
    {0x00FE, u"th"}, {0x0110, u"D"},   {0x0111, u"d"},  {0x0126, u"H"},   {0x0127, u"h"},
    {0x0131, u"i"},  {0x0141, u"L"},   {0x0142, u"l"},  {0x0152, u"OE"},  {0x0153, u"oe"},
    {0x0166, u"T"},  {0x0167, u"t"},   {0x02BB, u"‘"},  {0x02BC, u"’"},   {0x1E9E, u"SS"},
    {0x2011, u"-"},  {0x2012, u"-"},   {0x2013, u"－"}, {0x2014, u"―"},   {0x201A, u"‘"},
    {0x201B, u"‘"},  {0x201E, u"“"},   {0x201F, u"“"},  {0x2022, u"・"},  {0x2027, u"・"},
    {0x2039, u"〈"}, {0x203A, u"〉"},  {0x2044, u"／"},
};

// Characters a title cannot hold, since it is also a file name, and the double
// quote the record files refuse: a replacement takes their full-width forms,
// as the import does with such characters in titles.
bool refusedInNames(char32_t c) {
    return c < 0x80 && QStringView(u"\\/:,;*?\"<>|").contains(QChar(char16_t(c)));
}

// The nearest form of c from the tables alone (it may be nothing), or none.
std::optional<QString> nearestForm(char32_t c) {
    for (const Nearest& n : kNearest)
        if (n.from == c) return QString::fromUtf16(n.to);
    // Invisible format characters (zero-width space, soft hyphen, byte-order mark)
    // go; every kind of space or line separator is a space.
    switch (QChar::category(c)) {
        case QChar::Other_Format:
            return QString();
        case QChar::Separator_Space:
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph:
            return QStringLiteral(" ");
        default:
            break;
    }
    if (c <= 0xFFFF) {
        if (const QChar twin = Cp932::toCp932Twins(QString(QChar(char16_t(c))))[0];
            twin != QChar(char16_t(c)))
            return QString(twin);
    }
    return std::nullopt;
}

// c decomposed to what the code page holds, its marks dropped; none when some
// part has no form.
std::optional<QString> decomposed(char32_t c, QString::NormalizationForm form) {
    const QString parts = fromCodePoint(c).normalized(form);
    QString out;
    for (qsizetype i = 0; i < parts.size();) {
        qsizetype length = 1;
        const char32_t d = codePointAt(parts, i, &length);
        i += length;
        if (isMark(d)) continue;
        if (refusedInNames(d)) {
            out += QChar(char16_t(d + 0xFEE0));
        } else if (Cp932::canEncode(d)) {
            out += fromCodePoint(d);
        } else {
            const std::optional<QString> near = nearestForm(d);
            if (!near) return std::nullopt;
            out += *near;
        }
    }
    // A spacing accent decomposes to a space and its mark: it has no letter.
    if (out.isEmpty() || out.contains(u' ')) return std::nullopt;
    return out;
}
}  // namespace

namespace Cp932 {

bool available() { return tables().ok; }

QString decode(const QByteArray& bytes, qsizetype* badOffset, QVector<qsizetype>* badOffsets) {
    const Tables& t = tables();
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype n = bytes.size();
    QString text(n, Qt::Uninitialized);
    char16_t* const begin = reinterpret_cast<char16_t*>(text.data());
    char16_t* o = begin;
    qsizetype first = -1;
    for (qsizetype i = 0; i < n;) {
        const uchar b = p[i];
        if (b < 0x80) {
            // Runs of ASCII (numbers, commas, quotes, line ends) eight bytes at a time.
            quint64 eight;
            while (i + 8 <= n &&
                   (std::memcpy(&eight, p + i, 8), (eight & 0x8080808080808080u) == 0)) {
                for (int k = 0; k < 8; ++k) o[k] = p[i + k];
                o += 8;
                i += 8;
            }
            while (i < n && p[i] < 0x80) *o++ = p[i++];
            continue;
        }
        if (isKatakanaByte(b)) {
            *o++ = char16_t(0xFF61 + (b - 0xA1));
            ++i;
            continue;
        }
        if (i + 1 < n) {
            if (const char16_t u = t.decode[b << 8 | p[i + 1]]) {
                *o++ = u;
                i += 2;
                continue;
            }
        }
        // Not code page 932. An unassigned pair goes as one; a lead byte without a
        // trail byte goes alone, so that a quote, comma or line end after it stays.
        if (first < 0) first = i;
        if (badOffsets) badOffsets->append(i);
        *o++ = kBad;
        i += isLeadByte(b) && i + 1 < n && isTrailByte(p[i + 1]) ? 2 : 1;
    }
    text.truncate(o - begin);
    if (badOffset) *badOffset = first;
    return text;
}

bool isValid(const QByteArray& bytes) {
    const Tables& t = tables();
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const uchar b = p[i];
        if (b < 0x80 || isKatakanaByte(b)) {
            ++i;
        } else if (i + 1 < n && t.decode[b << 8 | p[i + 1]]) {
            i += 2;
        } else {
            return false;
        }
    }
    return true;
}

bool decodeCode(quint16 code, char16_t* c) {
    if (code < 0x80) {
        *c = char16_t(code);
        return true;
    }
    if (code < 0x100) {
        if (!isKatakanaByte(uchar(code))) return false;
        *c = char16_t(0xFF61 + (code - 0xA1));
        return true;
    }
    const char16_t u = tables().decode[code];
    if (u == 0) return false;
    *c = u;
    return true;
}

const quint16* encodeTable() { return tables().encode.data(); }

char* encodeInto(QStringView text, char* o) { return encodeInto(text, o, encodeTable()); }

bool encode(QStringView text, QByteArray* out) {
    out->resize(text.size() * 2);
    char* const end = encodeInto(text, out->data());
    if (!end) return false;
    out->truncate(end - out->constData());
    return true;
}

bool canEncode(char32_t c) {
    if (c < 0x80) return true;
    if (c > 0xFFFF) return false;
    return tables().encode[c] != 0;
}

QString firstUnencodable(QStringView text) {
    for (qsizetype i = 0; i < text.size();) {
        qsizetype length = 1;
        const char32_t c = codePointAt(text, i, &length);
        if (!canEncode(c)) return text.mid(i, length).toString();
        i += length;
    }
    return {};
}

void toByteOffsets(QStringView text, QVector<qsizetype>* positions) {
    const char16_t* p = text.utf16();
    const qsizetype n = text.size();
    qsizetype c = 0, extra = 0;
    for (qsizetype& pos : *positions) {
        for (const qsizetype end = qMin(pos, n); c < end; ++c) {
            const char16_t u = p[c];
            extra += (u >= 0x80) & !(u >= 0xFF61 && u <= 0xFF9F);
        }
        pos += extra;
    }
}

bool isUtf8(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype n = bytes.size();
    bool nonAscii = false;
    for (qsizetype i = 0; i < n;) {
        const uchar b = p[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        // The second byte's range rules out overlong forms, surrogates and
        // code points past U+10FFFF.
        int length = 0;
        uchar low = 0x80, high = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3;
            if (b == 0xE0) low = 0xA0;
            if (b == 0xED) high = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4;
            if (b == 0xF0) low = 0x90;
            if (b == 0xF4) high = 0x8F;
        } else {
            return false;
        }
        if (i + length > n || p[i + 1] < low || p[i + 1] > high) return false;
        for (int k = 2; k < length; ++k)
            if ((p[i + k] & 0xC0) != 0x80) return false;
        nonAscii = true;
        i += length;
    }
    return nonAscii;
}

bool looksLikeUtf8(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF")) return true;
    return !isValid(bytes) && isUtf8(bytes);
}

QString toCp932Twins(QString text) {
    for (QChar& c : text) {
        switch (c.unicode()) {
            case 0x301C:
                c = QChar(0xFF5E);
                break;  // 〜 → ～
            case 0x2016:
                c = QChar(0x2225);
                break;  // ‖ → ∥
            case 0x2212:
                c = QChar(0xFF0D);
                break;  // − → －
            case 0x00A2:
                c = QChar(0xFFE0);
                break;  // ¢ → ￠
            case 0x00A3:
                c = QChar(0xFFE1);
                break;  // £ → ￡
            case 0x00AC:
                c = QChar(0xFFE2);
                break;  // ¬ → ￢
            default:
                break;
        }
    }
    return text;
}

QString replacementFor(char32_t c) {
    if (canEncode(c)) return fromCodePoint(c);
    if (const std::optional<QString> near = nearestForm(c)) return *near;
    const QChar::Decomposition tag = QChar::decompositionTag(c);
    if (tag == QChar::Canonical) {
        if (const std::optional<QString> base = decomposed(c, QString::NormalizationForm_D))
            return *base;
    }
    // A compatibility form (superscript, fraction, ligature, no-break space)
    // gives its plain letters, or the canonical one in its turn does.
    if (tag != QChar::NoDecomposition) {
        if (const std::optional<QString> base = decomposed(c, QString::NormalizationForm_KD))
            return *base;
    }
    return QString(QChar(kGeta));
}

QVector<Replacement> unencodableParts(QStringView text) {
    QVector<Replacement> parts;
    qsizetype previous = -1;  // start of the previous character when the code page holds it
    for (qsizetype i = 0; i < text.size();) {
        qsizetype length = 1;
        const char32_t c = codePointAt(text, i, &length);
        if (canEncode(c)) {
            previous = i;
            i += length;
            continue;
        }
        if (isMark(c) && previous < 0 && i > 0) {
            // A further mark of a letter already replaced or stripped goes too.
            parts.append({i, length, text.mid(i, length).toString(), QString()});
        } else if (isMark(c) && previous >= 0) {
            // A separate accent or sound mark: joined to its letter where the code
            // page holds the pair as one character (か and U+3099 as が), else dropped.
            const QStringView pair = text.sliced(previous, i + length - previous);
            const QString composed = pair.toString().normalized(QString::NormalizationForm_C);
            qsizetype composedLength = 0;
            const char32_t joined =
                composed.isEmpty() ? 0 : codePointAt(composed, 0, &composedLength);
            if (composedLength == composed.size() && joined != 0 && canEncode(joined))
                parts.append({previous, pair.size(), pair.toString(), composed});
            else
                parts.append({i, length, text.mid(i, length).toString(), QString()});
            previous = -1;
        } else {
            QString replacement = replacementFor(c);
            // "8½" is eight and a half, "8 1／2", not eighty-one halves.
            if (QChar::decompositionTag(c) == QChar::Fraction && i > 0 && text[i - 1].isDigit() &&
                !replacement.isEmpty() && replacement.front().isDigit())
                replacement.prepend(u' ');
            parts.append({i, length, text.mid(i, length).toString(), replacement});
            previous = -1;
        }
        i += length;
    }
    // A text made only of invisible characters keeps a mark of them: a field
    // that held something never becomes empty.
    qsizetype covered = 0;
    bool nothingLeft = true;
    for (const Replacement& r : parts) {
        covered += r.length;
        nothingLeft = nothingLeft && r.replacement.isEmpty();
    }
    if (!parts.isEmpty() && nothingLeft && covered == text.size())
        parts.front().replacement = QString(QChar(kGeta));
    return parts;
}

QString toCodePage932(QStringView text) {
    const QVector<Replacement> parts = unencodableParts(text);
    if (parts.isEmpty()) return text.toString();
    QString out;
    out.reserve(text.size());
    qsizetype at = 0;
    for (const Replacement& r : parts) {
        out += text.sliced(at, r.position - at);
        out += r.replacement;
        at = r.position + r.length;
    }
    out += text.sliced(at);
    return out;
}

}  // namespace Cp932
