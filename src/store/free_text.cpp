// Reading and removing the free texts (cast, synopsis, memo): plain text files
// that users also write with other editors, so they come in every shape.
#include "catalogue.h"

#include "cp932.h"

#include <QStringDecoder>

namespace {
const QChar kGeta(0x3013);  // 〓, the customary mark for a character that could not be shown

struct Decoded {
    QString text;
    QString problem;  // empty when every byte was understood
    bool recoded = false;
};

// The line (1-based) of position at in text: lines end at CR LF, a lone CR or a lone LF.
int lineOf(QStringView text, qsizetype at) {
    int line = 1;
    for (qsizetype i = 0; i < at; ++i) {
        if (text[i] == u'\n' || (text[i] == u'\r' && (i + 1 >= at || text[i + 1] != u'\n'))) ++line;
    }
    return line;
}

Decoded decodeUtf16(const QByteArray& bytes) {
    const bool little = bytes.startsWith("\xFF\xFE");
    QStringDecoder decoder(little ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
    Decoded d;
    d.text = decoder.decode(QByteArrayView(bytes).sliced(2));
    d.recoded = true;
    if (decoder.hasError() || bytes.size() % 2 != 0) {
        const qsizetype bad = d.text.indexOf(QChar::ReplacementCharacter);
        d.text.replace(QChar::ReplacementCharacter, kGeta);
        d.problem = QStringLiteral("%1行目に UTF-16 として読めない部分があります。")
                        .arg(lineOf(d.text, bad < 0 ? d.text.size() : bad));
    }
    return d;
}

constexpr const char* kCodePage = "windows-31j";

bool isLeadByte(uchar b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// One character of code page 932: ASCII and half-width katakana map directly; a
// pair goes through the converter. A null QChar when the bytes are no character.
QChar decodeOne(QByteArrayView bytes) {
    const uchar b = uchar(bytes[0]);
    if (bytes.size() == 1) {
        if (b > 0 && b < 0x80) return QChar(b);
        if (b >= 0xA1 && b <= 0xDF) return QChar(0xFF61 + (b - 0xA1));
        return {};
    }
    // A converter that has met an error keeps saying so: a fresh one for each pair.
    QStringDecoder decoder(kCodePage, QStringDecoder::Flag::Stateless);
    const QString one = decoder.decode(bytes);
    return decoder.hasError() || one.size() != 1 ? QChar() : one[0];
}

// Decodes a piece that failed as a whole one character at a time; what is no
// code page 932 character becomes "〓". *bad receives the first such position.
void decodeByCharacter(QByteArrayView bytes, QString* out, qsizetype* bad) {
    for (qsizetype i = 0; i < bytes.size();) {
        const qsizetype length = isLeadByte(uchar(bytes[i])) && i + 1 < bytes.size() ? 2 : 1;
        const QChar c = decodeOne(bytes.sliced(i, length));
        if (c.isNull()) {
            if (*bad < 0) *bad = out->size();
            *out += kGeta;
            i += 1;  // a bad lead byte may be followed by a good character
        } else {
            *out += c;
            i += length;
        }
    }
}

// Every byte that is no code page 932 text becomes "〓", so the user sees all that
// could be read and where the rest was; NUL bytes mark a file that is no text at all.
Decoded decodeCp932(const QByteArray& bytes) {
    Decoded d;
    {
        QStringDecoder decoder(kCodePage, QStringDecoder::Flag::Stateless);
        d.text = decoder.decode(bytes);
        const bool sound = !decoder.hasError() && !bytes.contains('\0');
        if (sound) return d;
    }
    // Line by line, so that only the lines with bad bytes are taken apart.
    d.text.clear();
    qsizetype bad = -1;
    for (qsizetype start = 0; start < bytes.size();) {
        qsizetype end = bytes.indexOf('\n', start);
        end = end < 0 ? bytes.size() : end + 1;
        const QByteArrayView line = QByteArrayView(bytes).sliced(start, end - start);
        QStringDecoder decoder(kCodePage, QStringDecoder::Flag::Stateless);
        const QString decoded = decoder.decode(line);
        if (decoder.hasError() || line.contains('\0'))
            decodeByCharacter(line, &d.text, &bad);
        else
            d.text += decoded;
        start = end;
    }
    const int line = lineOf(d.text, bad < 0 ? 0 : bad);
    d.problem =
        bytes.contains('\0')
            ? QStringLiteral("%1行目から、文字ではないデータ（バイナリ）が含まれています。")
                  .arg(line)
            : QStringLiteral("%1行目にコードページ932（シフトJIS）として読めない文字があります。")
                  .arg(line);
    return d;
}

Decoded decodeFreeText(const QByteArray& bytes) {
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) return decodeUtf16(bytes);
    if (Cp932::looksLikeUtf8(bytes)) {
        Decoded d;
        d.text = QString::fromUtf8(bytes);
        if (d.text.startsWith(QChar(0xFEFF))) d.text.remove(0, 1);
        d.recoded = true;
        return d;
    }
    return decodeCp932(bytes);
}
}  // namespace

QString Catalogue::readFreeText(const QString& name, QString* text, bool* fresh) {
    text->clear();
    const QString actual = dir_.actualName(name);
    QByteArray bytes;
    QString why, problem;
    switch (dir_.readChecked(actual, &bytes, &why)) {
        case FileIo::ReadResult::Missing:
            dir_.allowChanges(actual);
            partlyRead_.remove(actual);
            if (fresh) *fresh = false;
            return {};
        case FileIo::ReadResult::Unreadable:
            // Nothing of it can be kept aside, so nothing may replace or remove it.
            dir_.refuseChanges(actual, QStringLiteral("「%1」は読み込めなかったため、上書きも削除も"
                                                      "しません。\r\n%2\r\nファイルを確かめてから、"
                                                      "タイトルを表示し直してください。")
                                           .arg(actual, why));
            problem = QStringLiteral(
                          "「%1」を読み込めませんでした。\r\n%2\r\n\r\n"
                          "このファイルは上書きも削除もしません。")
                          .arg(actual, why);
            break;
        case FileIo::ReadResult::Ok: {
            dir_.allowChanges(actual);
            Decoded d = decodeFreeText(bytes);
            *text = std::move(d.text);
            if (d.recoded || !d.problem.isEmpty()) damagedOriginals_.insert(actual, bytes);
            if (d.problem.isEmpty()) {
                partlyRead_.remove(actual);
                if (fresh) *fresh = false;
                return {};
            }
            problem = QStringLiteral(
                          "「%1」を最後まで正しく読み込めませんでした。\r\n%2\r\n\r\n"
                          "読めなかった部分は「〓」で表示しています。保存するときは、"
                          "その前に元のファイルを同じフォルダーへ「%1.日時.bak」として"
                          "残します。空にして保存しても、このファイルは削除しません。")
                          .arg(actual, d.problem);
            break;
        }
    }
    const auto it = partlyRead_.find(actual);
    if (fresh) *fresh = it == partlyRead_.end() || it.value() != problem;
    partlyRead_.insert(actual, problem);
    return problem;
}

QString Catalogue::removeFreeText(const QString& name) {
    if (!dir_.exists(name)) return {};
    const QString actual = dir_.actualName(name);
    if (QString refused = dir_.refusal(actual); !refused.isEmpty()) return refused;
    if (partlyRead_.contains(actual))
        return QStringLiteral(
                   "「%1」は最後まで読み込めなかったため、空にして保存しても削除しません。\r\n"
                   "ファイルはそのまま残っています。")
            .arg(actual);
    dir_.remove(actual);  // one that cannot be removed simply stays
    damagedOriginals_.remove(actual);
    return {};
}
