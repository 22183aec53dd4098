#include "sub_texts.h"

namespace SubTexts {

namespace {
const QString kPrefixes[] = {QString(), QStringLiteral("キャスト_"), QStringLiteral("あらすじ_"),
                             QStringLiteral("メモ_")};
const QString kCrLf = QStringLiteral("\r\n");
}  // namespace

QString fileName(int kind, const QString& daimei) {
    return kPrefixes[kind] + daimei + QStringLiteral(".txt");
}

QString filePattern(int kind) { return kPrefixes[kind] + QStringLiteral("*.txt"); }

QString fromFile(QStringView fileText) {
    QString text;
    text.reserve(fileText.size() + 2);
    qsizetype start = 0;
    const qsizetype n = fileText.size();
    while (start < n) {
        qsizetype end = start;
        while (end < n && fileText[end] != u'\r' && fileText[end] != u'\n') ++end;
        text += fileText.sliced(start, end - start);
        text += kCrLf;
        if (end < n && fileText[end] == u'\r' && end + 1 < n && fileText[end + 1] == u'\n')
            start = end + 2;
        else
            start = end + 1;
    }
    if (!text.isEmpty()) text.chop(2);
    return text;
}

QString toFile(const QString& text) { return text + kCrLf; }

QString toCrLf(QString boxText) {
    boxText.replace(QChar::ParagraphSeparator, u'\n');
    boxText.replace(QChar::LineSeparator, u'\n');
    return boxText.replace(u'\n', kCrLf);
}

QString fromCrLf(QString text) { return text.replace(kCrLf, QStringLiteral("\n")); }

}  // namespace SubTexts
