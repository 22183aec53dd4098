// Reading and removing the free texts (cast, synopsis, memo): plain text files
// that users also write with other editors, so they come in every shape.
#include "catalogue.h"

#include "text_encoding.h"

#include <QDateTime>

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
    const FileIo::ReadResult read = dir_.readChecked(actual, &bytes, &why);
    watchText(actual, read, bytes);
    switch (read) {
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

void Catalogue::watchText(const QString& actual, FileIo::ReadResult read, const QByteArray& bytes) {
    switch (read) {
        case FileIo::ReadResult::Missing:
            dir_.watchMissing(actual);
            break;
        case FileIo::ReadResult::Ok:
            dir_.watch(actual, bytes);
            break;
        case FileIo::ReadResult::Unreadable:
            dir_.unwatch(actual);  // refused for changes anyway
            return;
    }
    watchedTexts_.removeAll(actual);
    watchedTexts_.append(actual);
    // The card shows three texts at a time; a few more cover a title shown again.
    constexpr int kWatchedTexts = 6;
    while (watchedTexts_.size() > kWatchedTexts) dir_.unwatch(watchedTexts_.takeFirst());
}

QString Catalogue::keepOtherVersion(const QString& name, bool removing) {
    if (!dir_.changedElsewhere(name)) return {};
    const QString actual = dir_.actualName(name);
    QByteArray other;
    QString why;
    switch (dir_.readChecked(actual, &other, &why)) {
        case FileIo::ReadResult::Missing:
            dir_.watchMissing(actual);
            if (!removing)
                notices_ << QStringLiteral(
                                "「%1」は、表示した後にほかのプログラムで削除されていました。"
                                "入力した文章で保存し直しました。")
                                .arg(actual);
            return {};
        case FileIo::ReadResult::Unreadable:
            return QStringLiteral("「%1」は、表示した後にほかのプログラムで変更され、"
                                  "読み込めなくなっています。\r\n%2\r\nファイルはそのまま残っています。")
                .arg(actual, why);
        case FileIo::ReadResult::Ok:
            break;
    }
    // Both versions stay: the other one beside the file, the user's in it.
    const QString copy = freeCopyName(actual);
    if (const FileResult r = dir_.writeAtomic(copy, other); !r.ok())
        return QStringLiteral("「%1」は、表示した後にほかのプログラムで変更されていました。"
                              "その内容を残せなかったため、保存を取りやめました。\r\n%2")
            .arg(actual, r.error);
    dir_.watch(actual, other);
    notices_ << QStringLiteral(
                    "「%1」は、表示した後にほかのプログラムで変更されていました。"
                    "その内容は「%2」として残し、%3")
                    .arg(actual, copy,
                         removing ? QStringLiteral("空にした文章のとおり削除しました。")
                                  : QStringLiteral("入力した文章で保存しました。"));
    return {};
}

QString Catalogue::freeCopyName(const QString& actual) const {
    const QString stem =
        actual + QDateTime::currentDateTime().toString(QStringLiteral(".yyyyMMdd-HHmmss"));
    QString copy = stem + QStringLiteral(".bak");
    for (int i = 2; dir_.exists(copy); ++i) copy = stem + QStringLiteral("-%1.bak").arg(i);
    return copy;
}

QString Catalogue::saveFreeText(const QString& name, const QString& text) {
    if (QString refused = dir_.refusal(name); !refused.isEmpty()) return refused;
    if (QString kept = keepOtherVersion(name, false); !kept.isEmpty()) return kept;
    return writeTextFile(name, text);
}

QString Catalogue::removeFreeText(const QString& name) {
    if (QString refused = dir_.refusal(name); !refused.isEmpty()) return refused;
    if (QString kept = keepOtherVersion(name, true); !kept.isEmpty()) return kept;
    if (!dir_.exists(name)) return {};
    const QString actual = dir_.actualName(name);
    if (partlyRead_.contains(actual))
        return QStringLiteral(
                   "「%1」は最後まで読み込めなかったため、空にして保存しても削除しません。\r\n"
                   "ファイルはそのまま残っています。")
            .arg(actual);
    // Emptied, the file goes to the trash like every file the program deletes;
    // where no trash takes it, it stays in the folder under a dated name.
    QString where;
    if (!dir_.moveToTrash(actual, &where).ok()) {
        // A text that stays after the user emptied it would show again: say so.
        if (const FileResult r = dir_.keepAside(actual, QDateTime::currentDateTime(), &where);
            !r.ok())
            return QStringLiteral(
                       "「%1」を削除できませんでした。\r\n%2\r\nファイルはそのまま残っています。")
                .arg(actual, r.reason);
        notes_ << QStringLiteral("ごみ箱が使えないため、「%1」は削除せず、「%2」として"
                                 "フォルダーに残しました。")
                      .arg(actual, where);
    }
    damagedOriginals_.remove(actual);
    return {};
}
