#include "text_encoding.h"

#include <cstring>

#include "cp932.h"

namespace {
constexpr char16_t kBad = 0xFFFD;

bool isAscii(QByteArrayView bytes) {
    for (const char b : bytes)
        if (uchar(b) >= 0x80) return false;
    return true;
}

// Lines of ascending positions in a text, each line once.
QVector<int> linesOfPositions(QStringView text, const QVector<qsizetype>& positions) {
    QVector<int> lines;
    int line = 1;
    qsizetype i = 0;
    for (const qsizetype pos : positions) {
        for (; i < pos && i < text.size(); ++i) {
            if (text[i] == u'\n' ||
                (text[i] == u'\r' && (i + 1 >= text.size() || text[i + 1] != u'\n')))
                ++line;
        }
        if (lines.isEmpty() || lines.last() != line) lines.append(line);
    }
    return lines;
}

DecodedText decodeUtf16(const QByteArray& bytes, bool littleEndian) {
    DecodedText d;
    d.encoding = littleEndian ? TextEncoding::Utf16LE : TextEncoding::Utf16BE;
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData()) + 2;
    const qsizetype units = (bytes.size() - 2) / 2;
    const auto unit = [&](qsizetype k) -> char16_t {
        return littleEndian ? char16_t(p[2 * k] | p[2 * k + 1] << 8)
                            : char16_t(p[2 * k] << 8 | p[2 * k + 1]);
    };
    QString& text = d.text;
    text.reserve(units + 1);
    QVector<qsizetype> bad;
    for (qsizetype k = 0; k < units; ++k) {
        const char16_t u = unit(k);
        if (QChar::isHighSurrogate(u) && k + 1 < units && QChar::isLowSurrogate(unit(k + 1))) {
            text += QChar(u);
            text += QChar(unit(++k));
        } else if (QChar::isSurrogate(u)) {
            bad.append(text.size());
            text += QChar(kBad);
        } else {
            text += QChar(u);
        }
    }
    if ((bytes.size() - 2) % 2 != 0) {  // half a character at the end
        bad.append(text.size());
        text += QChar(kBad);
    }
    d.badLines = linesOfPositions(text, bad);
    return d;
}

DecodedText decodeUtf8(const QByteArray& bytes, qsizetype from) {
    DecodedText d;
    d.encoding = TextEncoding::Utf8;
    const QByteArrayView body = QByteArrayView(bytes).sliced(from);
    d.text = QString::fromUtf8(body);
    if (isAscii(body) || Cp932::isUtf8(body.toByteArray())) return d;
    // Line ends are ASCII and never inside a UTF-8 sequence: each line can be judged alone.
    int line = 1;
    qsizetype start = 0;
    while (start <= body.size()) {
        qsizetype end = start;
        while (end < body.size() && body[end] != '\r' && body[end] != '\n') ++end;
        const QByteArrayView part = body.sliced(start, end - start);
        if (!isAscii(part) && !Cp932::isUtf8(part.toByteArray())) d.badLines.append(line);
        if (end >= body.size()) break;
        start = end + (body[end] == '\r' && end + 1 < body.size() && body[end + 1] == '\n' ? 2 : 1);
        ++line;
    }
    return d;
}
}  // namespace

QString encodingName(TextEncoding encoding) {
    switch (encoding) {
        case TextEncoding::Utf8:
            return QStringLiteral("UTF-8");
        case TextEncoding::Utf16LE:
        case TextEncoding::Utf16BE:
            return QStringLiteral("UTF-16");
        case TextEncoding::Windows1252:
            return QStringLiteral("Windows-1252（西欧）");
        case TextEncoding::Ascii:
            return QStringLiteral("ASCII");
        case TextEncoding::Cp932:
            break;
    }
    return QStringLiteral("シフトJIS（コードページ932）");
}

QVector<int> linesOfOffsets(const QByteArray& bytes, const QVector<qsizetype>& offsets) {
    QVector<int> lines;
    int line = 1;
    qsizetype i = 0;
    const qsizetype n = bytes.size();
    for (const qsizetype pos : offsets) {
        for (; i < pos && i < n; ++i) {
            if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 >= n || bytes[i + 1] != '\n')))
                ++line;
        }
        if (lines.isEmpty() || lines.last() != line) lines.append(line);
    }
    return lines;
}

DecodedText decodeTextFile(const QByteArray& bytes) {
    DecodedText d;
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        d = decodeUtf16(bytes, bytes[0] == '\xFF');
    } else if (bytes.startsWith("\xEF\xBB\xBF")) {
        d = decodeUtf8(bytes, 3);
    } else {
        QVector<qsizetype> bad;
        d.text = Cp932::decode(bytes, nullptr, &bad);
        if (bad.isEmpty()) return d;
        if (Cp932::isUtf8(bytes)) {
            d = decodeUtf8(bytes, 0);
        } else {
            d.badLines = linesOfOffsets(bytes, bad);
            return d;
        }
    }
    d.text = Cp932::toCp932Twins(std::move(d.text));
    return d;
}

qsizetype lineFeeds(const QByteArray& bytes) {
    qsizetype count = 0;
    const char* p = bytes.constData();
    const char* const end = p + bytes.size();
    while ((p = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p))))) {
        ++count;
        ++p;
    }
    return count;
}
