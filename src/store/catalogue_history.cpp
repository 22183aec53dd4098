// Storing a viewing in the history file.
#include "catalogue.h"
#include "cp932.h"
#include "data_file.h"

bool Catalogue::historyUnchangedOnDisk() {
    QByteArray now;
    if (!dir_.exists(kHistoryFile)) return historyBytes_.isEmpty();
    return dir_.read(kHistoryFile, &now) && now == historyBytes_;
}

QString Catalogue::rewriteHistory(const QByteArray& bytes) {
    if (QString kept = keepOriginal(kHistoryFile); !kept.isEmpty()) return kept;
    const FileResult w = dir_.writeAtomic(kHistoryCopyFile, bytes);
    if (!w.ok()) {
        dir_.remove(kHistoryCopyFile);
        return QStringLiteral("鑑賞履歴を書き込めませんでした。\r\n") + w.error;
    }
    const FileResult r = dir_.replace(kHistoryCopyFile, kHistoryFile);
    if (!r.ok()) {
        dir_.remove(kHistoryCopyFile);
        return QStringLiteral("鑑賞履歴を書き換えられませんでした。\r\n") + r.error;
    }
    return {};
}

QString Catalogue::AddKansyou(const Kansyou& k) {
    const QString record = historyRecord(k);
    QByteArray recordBytes;
    if (!Cp932::encode(record, &recordBytes))
        return QStringLiteral("鑑賞履歴に書き込めない文字「%1」があります。")
            .arg(Cp932::firstUnencodable(record));
    // Someone else may have changed the file since it was read: read it again first.
    if (!historyUnchangedOnDisk()) {
        if (QString m = LoadKansyouRireki(); !m.isEmpty()) return m;
    }
    // One more record could not be read back: every count of the files is 16-bit.
    if (kansyou_.KansyouCount() >= kMaxRecords)
        return QStringLiteral("鑑賞履歴は%1件までしか登録できません。").arg(kMaxRecords);

    QByteArray bytes = historyBytes_;
    const bool inserted = kansyou_.LastKansyoubi > k.Kansyoubi;
    const int position =
        inserted ? kansyou_.insertPosition(k.Kansyoubi) : kansyou_.KansyouCount() + 1;
    if (!historyWhole_) {
        // Only what was read can be kept in order, and appending behind an unreadable
        // part (or to a UTF-8 file) would hide the new record: the file is written
        // anew from the records read, its original kept aside first.
        QString text;
        for (int i = 1; i <= kansyou_.KansyouCount() + 1; ++i) {
            if (i == position) text += record;
            if (i <= kansyou_.KansyouCount()) text += historyRecord(kansyou_[i]);
        }
        Cp932::encode(text, &bytes);
        if (QString m = rewriteHistory(bytes); !m.isEmpty()) return m;
        return LoadKansyouRireki();
    }
    if (inserted) {
        bytes.insert(historyStarts_[position - 1], recordBytes);
        if (QString m = rewriteHistory(bytes); !m.isEmpty()) return m;
    } else {
        // A last record without its line end would swallow the new one.
        QByteArray tail = recordBytes;
        if (!bytes.isEmpty() && !bytes.endsWith('\n') && !bytes.endsWith('\r'))
            tail.prepend("\r\n");
        if (const FileResult r = dir_.append(kHistoryFile, tail); !r.ok())
            return QStringLiteral("鑑賞履歴に追記できませんでした。\r\n") + r.error;
        bytes += tail;
    }
    // The file now holds exactly these bytes; the table follows without a re-read.
    historyBytes_ = bytes;
    kansyou_.insert(position, k);
    const qsizetype at = position <= historyStarts_.size() ? historyStarts_[position - 1]
                                                           : bytes.size() - recordBytes.size();
    historyStarts_.insert(position - 1, at);
    for (qsizetype i = position; i < historyStarts_.size(); ++i)
        historyStarts_[i] += recordBytes.size();
    kansyou_.LastKansyoubi = kansyou_[kansyou_.KansyouCount()].Kansyoubi;
    rebuildViewingLists();
    return {};
}
