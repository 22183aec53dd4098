// Reading and removing the free texts (cast, synopsis, memo): plain text files
// that users also write with other editors, so they come in every shape.
#include "catalogue.h"

#include "text_encoding.h"

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

// Read as the record files are (code page 932, or UTF-8 or UTF-16 where the file
// is plainly that). Whatever could not be read becomes "〓", so the user sees
// all that could be read and where the rest was; NUL bytes mark a file that is
// no text at all.
Decoded decodeFreeText(const QByteArray& bytes) {
    DecodedText t = decodeTextFile(bytes);
    Decoded d;
    d.text = std::move(t.text);
    d.recoded = t.recoded();
    const qsizetype nul = d.text.indexOf(QChar(0));
    if (t.badLines.isEmpty() && nul < 0) return d;
    d.text.replace(QChar::ReplacementCharacter, kGeta);
    d.text.replace(QChar(0), kGeta);
    if (nul >= 0) {
        d.problem = QStringLiteral("%1行目から、文字ではないデータ（バイナリ）が含まれています。")
                        .arg(lineOf(d.text, nul));
    } else {
        d.problem = t.encoding == TextEncoding::Cp932
                        ? QStringLiteral(
                              "%1行目にコードページ932（シフトJIS）として読めない文字があります。")
                              .arg(t.badLines.first())
                        : QStringLiteral("%1行目に %2 として読めない部分があります。")
                              .arg(t.badLines.first())
                              .arg(encodingName(t.encoding));
    }
    return d;
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
    // A text that stays after the user emptied it would show again: say so.
    if (const FileResult r = dir_.erase(actual); !r.ok())
        return QStringLiteral("「%1」を削除できませんでした。\r\n%2\r\nファイルはそのまま残っています。")
            .arg(actual, r.reason);
    damagedOriginals_.remove(actual);
    return {};
}
