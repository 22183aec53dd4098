// Reading the data and history files into the tables.
#include "catalogue.h"

#include "cp932.h"
#include "data_file.h"
#include "record_dialect.h"

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

bool Catalogue::readTextFile(const QString& name, QString* text, QString* problem,
                             QByteArray* bytesOut, bool* recoded) {
    QByteArray bytes;
    QString error;
    if (!dir_.read(name, &bytes, &error)) {
        *problem = error;
        return false;
    }
    ReadProblem bad;
    bool utf8 = false;
    *text = decodeSoundPart(bytes, &bad, &utf8);
    if (bad.any() || utf8) damagedOriginals_.insert(dir_.actualName(name), bytes);
    if (bad.any()) *problem = bad.what;
    if (recoded) *recoded = utf8;
    if (bytesOut) *bytesOut = std::move(bytes);
    return true;
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
    if (!dir_.exists(kDataFile)) {
        message = writeTextFile(kDataFile, QString());
    } else {
        QString text, problem;
        QByteArray original;
        bool recoded = false;
        if (!readTextFile(kDataFile, &text, &problem, &original, &recoded)) {
            dataWhole_ = false;
            message =
                QStringLiteral("「%1」を読み込めませんでした。\r\n%2").arg(kDataFile, problem);
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
    if (dir_.exists(kHistoryFile)) {
        QString text, problem;
        bool recoded = false;
        // One read serves both the table and the byte positions of later insertions.
        if (!readTextFile(kHistoryFile, &text, &problem, &historyBytes_, &recoded)) {
            historyWhole_ = false;
            message =
                QStringLiteral("「%1」を読み込めませんでした。\r\n%2").arg(kHistoryFile, problem);
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
