#include "csv_rows.h"

#include "store/cp932.h"

namespace CsvRows {

namespace {
bool isBlank(const QStringList& fields) {
    for (const QString& f : fields)
        if (!f.trimmed().isEmpty()) return false;
    return true;
}

// A line end at `at` (CR LF, LF or CR): its length, else 0.
int lineEndAt(QStringView text, qsizetype at) {
    if (at >= text.size()) return 0;
    if (text[at] == u'\r') return at + 1 < text.size() && text[at + 1] == u'\n' ? 2 : 1;
    return text[at] == u'\n' ? 1 : 0;
}

// The shape of a value: digits as 9, letters as a, runs of either as one, the
// rest as it is ("2020-10-20" is 9-9-9).
QString shapeOf(QStringView value) {
    QString shape;
    for (QChar c : value.trimmed()) {
        const QChar k = c.isDigit() ? QChar(u'9') : c.isLetter() ? QChar(u'a') : c;
        if ((k == u'9' || k == u'a') && shape.endsWith(k)) continue;
        shape += k;
    }
    return shape;
}

// The line from `from` read as a row of its own: true when every quote in it
// opens a field and closes within the line, and it has `fields` fields, the
// first shaped as firstShape (when not null).
bool readsAsARow(QStringView text, qsizetype from, QChar separator, qsizetype fields,
                 const QString& firstShape) {
    qsizetype i = from, count = 0;
    QString first;
    for (;;) {
        QString field;
        if (i < text.size() && text[i] == u'"') {
            for (++i;; ++i) {
                if (i >= text.size() || lineEndAt(text, i)) return false;
                if (text[i] == u'"') {
                    if (i + 1 < text.size() && text[i + 1] == u'"') {
                        ++i;
                    } else {
                        ++i;
                        break;
                    }
                }
                field += text[i];
            }
            if (i < text.size() && text[i] != separator && !lineEndAt(text, i)) return false;
        } else {
            for (; i < text.size() && text[i] != separator && !lineEndAt(text, i); ++i) {
                if (text[i] == u'"') return false;
                field += text[i];
            }
        }
        if (++count == 1) first = field;
        if (i < text.size() && text[i] == separator) {
            ++i;
            continue;
        }
        break;
    }
    return count == fields && (firstShape.isNull() || shapeOf(first) == firstShape);
}

// Windows-1252 at 80-9F; the rest is Latin-1. The five bytes it leaves out are
// read as the control characters of Latin-1, as Windows does.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString fromWindows1252(const QByteArray& bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char b : bytes) {
        const uchar u = uchar(b);
        *out++ = QChar(u >= 0x80 && u < 0xA0 ? kWindows1252High[u - 0x80] : char16_t(u));
    }
    return text;
}

bool isAsciiLetter(uchar b) { return (b | 0x20) >= 'a' && (b | 0x20) <= 'z'; }

// Bytes that are code page 932 judged as Latin text: every sign of Latin
// letters read as Japanese (a lone double-byte character between Latin
// letters, a half-width katakana or two touching one, a user-defined
// character) against every sign of Japanese (a double-byte character of
// symbols or kana, one followed by another, a run of half-width katakana).
// Where there is no sign of either, latinUnlessJapanese decides.
bool looksLatin(const QByteArray& bytes, bool latinUnlessJapanese) {
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype n = bytes.size();
    int latin = 0, japanese = 0;
    const auto isLead = [](uchar b) {
        return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    };
    const auto isKana = [](uchar b) { return b >= 0xA1 && b <= 0xDF; };
    for (qsizetype i = 0; i < n;) {
        const uchar b = p[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        const bool letterBefore = i > 0 && isAsciiLetter(p[i - 1]);
        if (isKana(b)) {
            qsizetype end = i;
            while (end < n && isKana(p[end])) ++end;
            if (end - i <= 2 && (letterBefore || (end < n && isAsciiLetter(p[end]))))
                ++latin;
            else if (end - i >= 3)
                ++japanese;
            i = end;
            continue;
        }
        if (isLead(b) && i + 1 < n) {
            const uchar trail = p[i + 1];
            const qsizetype next = i + 2;
            if (b >= 0xF0 && b <= 0xF9)
                ++latin;
            else if (letterBefore && isAsciiLetter(trail) && next < n && isAsciiLetter(p[next]))
                ++latin;
            else if (b <= 0x84 || (next < n && isLead(p[next])))
                ++japanese;
            i = next;
            continue;
        }
        ++i;
    }
    return latin > japanese || (latinUnlessJapanese && japanese == 0);
}

// No text: a NUL, or more than one byte in twenty a control character other
// than a tab, a line end or a form feed.
bool isNotText(QStringView text) {
    qsizetype controls = 0;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u == 0) return true;
        if ((u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r' && u != u'\f') || u == 0x7F)
            ++controls;
    }
    return controls * 20 > text.size();
}

// UTF-16 without a byte-order mark: text of ASCII has a NUL in every other
// byte. Returns 1 for little-endian, 2 for big-endian, else 0.
int utf16WithoutMark(const QByteArray& bytes) {
    const qsizetype n = std::min<qsizetype>(bytes.size(), 4096) & ~qsizetype(1);
    if (n < 4) return 0;
    qsizetype even = 0, odd = 0;
    for (qsizetype i = 0; i < n; i += 2) {
        even += bytes[i] == '\0';
        odd += bytes[i + 1] == '\0';
    }
    const qsizetype half = n / 2;
    if (odd * 2 > half && even * 20 < half) return 1;
    if (even * 2 > half && odd * 20 < half) return 2;
    return 0;
}
}  // namespace

QVector<CsvRow> parse(QStringView text, QChar separator) {
    QVector<CsvRow> rows;
    const qsizetype n = text.size();
    qsizetype i = 0;
    int line = 1;
    // The shape of the first field of the rows after the first, while they share one.
    QString shape;
    bool shapesDiffer = false;
    int shaped = 0;
    while (i < n) {
        CsvRow row;
        row.line = line;
        bool rowDone = false;
        while (!rowDone) {
            QString field;
            if (i < n && text[i] == u'"') {
                ++i;
                for (;;) {
                    if (i >= n) {
                        row.unterminated = true;
                        break;
                    }
                    if (text[i] == u'"') {
                        if (i + 1 < n && text[i + 1] == u'"') {
                            field += u'"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    if (const int e = lineEndAt(text, i)) {
                        // A quote left open swallows no row that follows.
                        const QString firstShape = shaped >= 1 && !shapesDiffer ? shape : QString();
                        if (!rows.isEmpty() && rows.first().fields.size() > 1 &&
                            readsAsARow(text, i + e, separator, rows.first().fields.size(),
                                        firstShape)) {
                            row.unterminated = true;
                            break;
                        }
                        ++line;
                        field += text.sliced(i, e);
                        i += e;
                        continue;
                    }
                    field += text[i++];
                }
            }
            // Unquoted text, or what follows a closing quote up to the separator,
            // is taken as it stands.
            while (i < n && text[i] != separator && !lineEndAt(text, i)) field += text[i++];
            row.fields.append(field);
            if (i < n && text[i] == separator) {
                ++i;
            } else {
                if (const int e = lineEndAt(text, i)) {
                    i += e;
                    ++line;
                }
                rowDone = true;
            }
        }
        if (isBlank(row.fields) && !row.unterminated) continue;
        if (!rows.isEmpty() && !row.unterminated && !shapesDiffer) {
            const QString s = shapeOf(row.fields.first());
            if (shaped++ == 0)
                shape = s;
            else if (s != shape)
                shapesDiffer = true;
        }
        rows.append(std::move(row));
    }
    return rows;
}

DecodedText decode(const QByteArray& bytes, bool latinUnlessJapanese, bool* notText) {
    DecodedText d;
    const bool hasMark = bytes.startsWith("\xEF\xBB\xBF") || bytes.startsWith("\xFF\xFE") ||
                         bytes.startsWith("\xFE\xFF");
    if (hasMark) {
        d = decodeTextFile(bytes);
    } else if (const int order = utf16WithoutMark(bytes)) {
        QByteArray marked = order == 1 ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF");
        d = decodeTextFile(marked + bytes);
    } else if (Cp932::isUtf8(bytes)) {
        d.encoding = TextEncoding::Utf8;
        d.text = Cp932::toCp932Twins(QString::fromUtf8(bytes));
    } else {
        bool ascii = true;
        for (const char b : bytes) ascii = ascii && uchar(b) < 0x80;
        if (ascii) {
            d.encoding = TextEncoding::Ascii;
            d.text = QString::fromLatin1(bytes);
        } else if (Cp932::isValid(bytes) && !looksLatin(bytes, latinUnlessJapanese)) {
            d.encoding = TextEncoding::Cp932;
            d.text = Cp932::decode(bytes);
        } else {
            d.encoding = TextEncoding::Windows1252;
            d.text = fromWindows1252(bytes);
        }
    }
    if (notText) *notText = isNotText(d.text);
    return d;
}

CsvFile read(const QByteArray& bytes, const HeaderTest& knownHeader, bool latinUnlessJapanese) {
    CsvFile file;
    const DecodedText decoded = decode(bytes, latinUnlessJapanese, &file.notText);
    file.encoding = decoded.encoding;
    if (file.notText) return file;
    const QStringView text = decoded.text;
    // The first line that is not blank, up to its first line end outside quotes.
    qsizetype from = 0;
    while (from < text.size() && (lineEndAt(text, from) || text[from] == u' ')) ++from;
    qsizetype to = from;
    for (bool quoted = false; to < text.size() && (quoted || !lineEndAt(text, to)); ++to)
        if (text[to] == u'"') quoted = !quoted;
    const QStringView first = text.sliced(from, to - from);
    // A separator wins by being known, then by its fields; the comma on a tie.
    int best = -1;
    qsizetype bestFields = 0;
    for (const QChar separator : {QChar(u','), QChar(u'\t'), QChar(u';')}) {
        const QVector<CsvRow> head = parse(first, separator);
        if (head.isEmpty()) continue;
        QStringList names;
        for (const QString& name : head.first().fields) names.append(name.trimmed());
        const int known = knownHeader && knownHeader(names) ? 1 : 0;
        if (known > best || (known == best && names.size() > bestFields)) {
            best = known;
            bestFields = names.size();
            file.separator = separator;
        }
    }
    file.rows = parse(text, file.separator);
    if (!file.rows.isEmpty()) {
        const CsvRow head = file.rows.takeFirst();
        file.headerLine = head.line;
        for (const QString& name : head.fields) file.header.append(name.trimmed());
    }
    return file;
}

}  // namespace CsvRows
