// Reading the data and history files into the tables.
#include "catalogue.h"

#include "cp932.h"
#include "data_file.h"
#include "record_dialect.h"

#include <cerrno>

QString Catalogue::damagedFileMessage(const QString& name, const QString& what,
                                      const QString& kept) {
    return QStringLiteral(
               "「%1」を最後まで読み込めませんでした。\r\n\r\n%2\r\n\r\n%3"
               "元のファイルは、最初に書き換える前に同じフォルダーへ"
               "「%1.日時.bak」として残します。")
        .arg(name, what, kept);
}

QString Catalogue::recodedFileMessage(const QString& name) {
    return QStringLiteral(
               "「%1」は UTF-8 で保存されていたため、そのまま読み込みました。\r\n\r\n"
               "次に書き換えるときにシフトJIS（コードページ932）で保存し直します。"
               "元のファイルは、その前に同じフォルダーへ「%1.日時.bak」として残します。")
        .arg(name);
}

FileIo::ReadResult Catalogue::readFile(const QString& name, QString* text, QString* problem,
                                       QByteArray* bytesOut, bool* recoded) {
    QByteArray bytes;
    QString why;
    const FileIo::ReadResult r = dir_.readChecked(name, &bytes, &why);
    if (r != FileIo::ReadResult::Ok) {
        *problem = r == FileIo::ReadResult::Missing ? FileIo::reason(ENOENT) : why;
        return r;
    }
    ReadProblem bad;
    bool utf8 = false;
    *text = decodeSoundPart(bytes, &bad, &utf8);
    if (bad.any() || utf8) damagedOriginals_.insert(dir_.actualName(name), bytes);
    if (bad.any()) *problem = bad.what;
    if (recoded) *recoded = utf8;
    if (bytesOut) *bytesOut = std::move(bytes);
    return r;
}

bool Catalogue::readTextFile(const QString& name, QString* text, QString* problem,
                             QByteArray* bytesOut, bool* recoded) {
    return readFile(name, text, problem, bytesOut, recoded) == FileIo::ReadResult::Ok;
}

QString Catalogue::refuseUnreadable(const QString& name, const QString& why, const QString& what) {
    const QString actual = dir_.actualName(name);
    dir_.refuseChanges(actual,
                       QStringLiteral("「%1」は起動時に読み込めなかったため、書き換えも追記も"
                                      "しません。\r\n%2\r\nファイルを確かめてから、"
                                      "プログラムを起動し直してください。")
                           .arg(actual, why));
    return QStringLiteral(
               "「%1」を読み込めませんでした。\r\n%2\r\n\r\n"
               "このファイルを失わないよう、プログラムを起動し直すまで%3の変更は保存しません。"
               "ファイルを確かめてから、プログラムを起動し直してください。")
        .arg(actual, why, what);
}

QString Catalogue::LoadMainData() {
    table_.clear();
    forgetDataBytes();
    for (int k = 1; k <= 4; ++k) {
        txtD_[k].clear();
        attributeValues_[k].clear();
    }
    dataWhole_ = true;
    QString message;
    QString text, problem;
    QByteArray original;
    bool recoded = false;
    const FileIo::ReadResult read = readFile(kDataFile, &text, &problem, &original, &recoded);
    if (read == FileIo::ReadResult::Missing) {
        message = writeTextFile(kDataFile, QString());
    } else {
        if (read == FileIo::ReadResult::Unreadable) {
            dataWhole_ = false;
            message = refuseUnreadable(kDataFile, problem, QStringLiteral("タイトル"));
        } else {
            const ReadProblem parsed = parseTitles(text);
            if (parsed.any() || !problem.isEmpty()) {
                dataWhole_ = false;
                if (!damagedOriginals_.contains(dir_.actualName(kDataFile)))
                    damagedOriginals_.insert(dir_.actualName(kDataFile), original);
                const QString what = parsed.any() ? parsed.what : problem;
                message = damagedFileMessage(
                    kDataFile, what,
                    QStringLiteral("その手前までの%1件のタイトルを読み込みました。")
                        .arg(parsed.kept));
            } else if (recoded) {
                dataWhole_ = false;  // the next change rewrites the whole file in code page 932
                message = recodedFileMessage(kDataFile);
            }
        }
    }
    rebuildPickLists();
    return message;
}

ReadProblem Catalogue::parseTitles(QStringView text) {
    // The seen-value lists of the attributes double as the pools that share
    // equal values, so each field is looked up once for both.
    StringPool marks;
    // A record a line, as written: room for all of them at once spares the
    // table's growth copying tens of thousands of titles over and over.
    table_.reserve(int(qMin<qsizetype>(text.count(u'\n') + 1, kMaxRecords)));
    const auto intern = [this, &marks](int field, QStringView v) -> QString {
        return field > 5 || field == 3 ? marks.get(v) : internAttribute(field, v);
    };
    return parseDataFile(text, &table_, intern);
}

QString Catalogue::LoadKansyouRireki() {
    kansyou_.clear();
    historyBytes_.clear();
    historyStarts_.clear();
    historyWhole_ = true;
    QString message;
    QString text, problem;
    bool recoded = false;
    // One read serves both the table and the byte positions of later insertions.
    const FileIo::ReadResult read =
        readFile(kHistoryFile, &text, &problem, &historyBytes_, &recoded);
    if (read != FileIo::ReadResult::Missing) {
        if (read == FileIo::ReadResult::Unreadable) {
            historyWhole_ = false;
            message = refuseUnreadable(kHistoryFile, problem, QStringLiteral("鑑賞履歴"));
        } else {
            const ReadProblem parsed = parseHistoryFile(text, &kansyou_, &historyStarts_);
            Cp932::toByteOffsets(text, &historyStarts_);
            if (parsed.any() || !problem.isEmpty()) {
                historyWhole_ = false;
                damagedOriginals_.insert(dir_.actualName(kHistoryFile), historyBytes_);
                message = damagedFileMessage(
                    kHistoryFile, parsed.any() ? parsed.what : problem,
                    QStringLiteral("その手前までの%1件の鑑賞履歴を読み込みました。")
                        .arg(parsed.kept));
            } else if (recoded) {
                historyWhole_ = false;  // the next viewing rewrites the file in code page 932
                message = recodedFileMessage(kHistoryFile);
            }
        }
    }
    rebuildViewingLists();
    return message;
}
