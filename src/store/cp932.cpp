#include "cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

namespace {
constexpr const char* kCodecName = "windows-31j";

// The decoder substitutes bad input but only reports that some occurred; the
// offset of the first bad byte is found by checking the byte structure.
bool isLeadByte(uchar b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool isTrailByte(uchar b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

qsizetype firstBadByte(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const uchar b = p[i];
        if (b < 0x80 || (b >= 0xA1 && b <= 0xDF)) continue;
        if (isLeadByte(b) && i + 1 < n && isTrailByte(p[i + 1])) {
            QStringDecoder one(kCodecName, QStringDecoder::Flag::Stateless);
            QString s = one.decode(QByteArrayView(p + i, 2));
            if (one.hasError()) return i;
            ++i;
            continue;
        }
        return i;
    }
    return -1;
}
}  // namespace

namespace Cp932 {

bool available() {
    QStringDecoder d(kCodecName);
    QStringEncoder e(kCodecName);
    return d.isValid() && e.isValid();
}

QString decode(const QByteArray& bytes, qsizetype* badOffset) {
    QStringDecoder dec(kCodecName, QStringDecoder::Flag::Stateless);
    QString text = dec.decode(bytes);
    if (badOffset) *badOffset = dec.hasError() ? firstBadByte(bytes) : -1;
    if (badOffset && dec.hasError() && *badOffset < 0) *badOffset = 0;
    return text;
}

bool encode(QStringView text, QByteArray* out) {
    QStringEncoder enc(kCodecName, QStringEncoder::Flag::Stateless);
    *out = enc.encode(text);
    return !enc.hasError();
}

QString firstUnencodable(QStringView text) {
    QByteArray bytes;
    if (encode(text, &bytes)) return {};
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype len = (text[i].isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        QByteArray one;
        if (!encode(text.mid(i, len), &one)) return text.mid(i, len).toString();
        i += len - 1;
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

bool looksLikeUtf8(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF")) return true;
    // Checked by hand so that code page 932 text, which fails within its first
    // few non-ASCII bytes, costs almost nothing.
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype n = bytes.size();
    bool nonAscii = false;
    for (qsizetype i = 0; i < n;) {
        const uchar b = p[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        const int length = (b >= 0xC2 && b <= 0xDF)   ? 2
                           : (b >= 0xE0 && b <= 0xEF) ? 3
                           : (b >= 0xF0 && b <= 0xF4) ? 4
                                                      : 0;
        if (length == 0 || i + length > n) return false;
        for (int k = 1; k < length; ++k)
            if ((p[i + k] & 0xC0) != 0x80) return false;
        nonAscii = true;
        i += length;
    }
    return nonAscii;
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

}  // namespace Cp932
