#include "sub_texts.h"

namespace SubTexts {

namespace {
const QString kPrefixes[] = {QString(), QStringLiteral("キャスト_"), QStringLiteral("あらすじ_"),
                             QStringLiteral("メモ_")};
const QString kCrLf = QStringLiteral("\r\n");

bool isBoxLineEnd(QChar c) {
    return c == u'\n' || c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
}
}  // namespace

QString fileName(int kind, const QString& daimei) {
    return kPrefixes[kind] + daimei + QStringLiteral(".txt");
}

QString filePattern(int kind) { return kPrefixes[kind] + QStringLiteral("*.txt"); }

QString fromFile(QStringView fileText) {
    // Every line end becomes CR LF: at most twice the length.
    const qsizetype n = fileText.size();
    QString text(n * 2, Qt::Uninitialized);
    QChar* out = text.data();
    const QChar* in = fileText.data();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = in[i];
        if (c == u'\r' || c == u'\n') {
            *out++ = u'\r';
            *out++ = u'\n';
            if (c == u'\r' && i + 1 < n && in[i + 1] == u'\n') ++i;
        } else {
            *out++ = c;
        }
    }
    qsizetype length = out - text.constData();
    // Every line was ended; the last end is not part of the text.
    if (length >= 2 && text[length - 2] == u'\r' && text[length - 1] == u'\n') length -= 2;
    text.truncate(length);
    return text;
}

QString toFile(const QString& text) { return text + kCrLf; }

QString toCrLf(QString boxText) {
    qsizetype ends = 0;
    for (const QChar c : std::as_const(boxText)) ends += isBoxLineEnd(c);
    if (ends == 0) return boxText;
    QString out(boxText.size() + ends, Qt::Uninitialized);
    QChar* p = out.data();
    for (const QChar c : std::as_const(boxText)) {
        if (isBoxLineEnd(c)) {
            *p++ = u'\r';
            *p++ = u'\n';
        } else {
            *p++ = c;
        }
    }
    return out;
}

QString fromCrLf(QString text) {
    // In place: dropping the CR of each CR LF only ever moves characters forward.
    QChar* p = text.data();
    const QChar* in = text.constData();
    const qsizetype n = text.size();
    qsizetype kept = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (in[i] == u'\r' && i + 1 < n && in[i + 1] == u'\n') continue;
        p[kept++] = in[i];
    }
    text.truncate(kept);
    return text;
}

qsizetype longestLine(QStringView text) {
    qsizetype longest = 0, current = 0;
    for (const QChar c : text) {
        if (isBoxLineEnd(c) || c == u'\r') {
            longest = qMax(longest, current);
            current = 0;
        } else {
            ++current;
        }
    }
    return qMax(longest, current);
}

}  // namespace SubTexts
