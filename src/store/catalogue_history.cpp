// Storing a viewing in the history file.
#include "catalogue.h"
#include "converted_for_good.h"
#include "cp932.h"
#include "data_file.h"

namespace {
QString historyNotSaved(const QString& name, const QString& why) {
    return QStringLiteral(
               "「%1」を保存できませんでした。\r\n%2\r\n元のファイルはそのまま残っています。")
        .arg(name, why);
}

QString describe(const Kansyou& k) {
    return QStringLiteral("%1「%2」%3").arg(k.Kansyoubi, k.KansyouDaimei, k.KansyouNaiyou);
}

QString unencodableViewing(const QString& where, const QString& character) {
    return QStringLiteral(
               "%1に、シフトJIS（コードページ932）で保存できない文字「%2」があるため、"
               "鑑賞履歴を保存できません。\r\n「%3」はそのまま残っています。")
        .arg(where, character, kHistoryFile);
}
}  // namespace

// The new bytes go to the copy first and replace the history in one rename; the
// copy is written like any file, every byte proven on disk before the rename.
QString Catalogue::rewriteHistory(const QByteArray& bytes) {
    if (QString kept = keepOriginal(kHistoryFile); !kept.isEmpty()) return kept;
    const QString history = dir_.actualName(kHistoryFile);
    const FileResult w = dir_.writeAtomic(kHistoryCopyFile, bytes);
    if (!w.ok()) {
        dir_.remove(kHistoryCopyFile);
        return w.changedElsewhere ? w.error : historyNotSaved(history, w.reason);
    }
    // Known bytes: the history takes them over with the rename, unread.
    dir_.watch(kHistoryCopyFile, bytes);
    const FileResult r = dir_.replace(kHistoryCopyFile, kHistoryFile);
    dir_.unwatch(kHistoryCopyFile);
    if (!r.ok()) {
        dir_.remove(kHistoryCopyFile);
        return r.changedElsewhere ? r.error : historyNotSaved(history, r.reason);
    }
    return {};
}

QString Catalogue::AddKansyou(const Kansyou& k) {
    if (QString refused = dir_.refusal(kHistoryFile); !refused.isEmpty()) return refused;
    const QString record = historyRecord(k);
    QByteArray recordBytes;
    if (!Cp932::encode(record, &recordBytes))
        return unencodableViewing(QStringLiteral("新しい鑑賞履歴（%1）").arg(describe(k)),
                                  Cp932::firstUnencodable(record));
    // Someone else may have changed the file since it was read: read it again first.
    QByteArray bytes;
    if (dir_.changedElsewhere(kHistoryFile)) {
        noteReloaded(kHistoryFile);
        if (QString m = loadHistory(&bytes); !m.isEmpty()) return m;
    }
    // One more record could not be read back: every count of the files is 16-bit.
    if (kansyou_.KansyouCount() >= kMaxRecords)
        return QStringLiteral("鑑賞履歴は%1件までしか登録できません。").arg(kMaxRecords);

    const bool inserted = kansyou_.LastKansyoubi > k.Kansyoubi;
    const int position =
        inserted ? kansyou_.insertPosition(k.Kansyoubi) : kansyou_.KansyouCount() + 1;
    if (!historyWhole_) {
        // Only what was read can be kept in order, and appending behind an unreadable
        // part (or to a UTF-8 file) would hide the new record: the file is written
        // anew from the records read, its original kept aside first.
        bool convert = false;
        if (QString no = settleForeign(kHistoryFile, &historyForeign_, &convert); !no.isEmpty())
            return no;
        ConvertedForGood conversion(&kansyou_, convert);
        const auto fail = [&](QString message) { return conversion.fail(std::move(message)); };
        QString text;
        for (int i = 1; i <= kansyou_.KansyouCount() + 1; ++i) {
            if (i == position) text += record;
            if (i <= kansyou_.KansyouCount()) text += historyRecord(kansyou_[i]);
        }
        if (!Cp932::encode(text, &bytes)) {
            // A record read from a UTF-8 file may hold what code page 932 cannot.
            for (int i = 1; i <= kansyou_.KansyouCount(); ++i) {
                const QString bad = Cp932::firstUnencodable(historyRecord(kansyou_[i]));
                if (!bad.isEmpty())
                    return fail(unencodableViewing(
                        QStringLiteral("鑑賞履歴の%1件目（%2）").arg(i).arg(describe(kansyou_[i])),
                        bad));
            }
            return fail(
                unencodableViewing(QStringLiteral("鑑賞履歴"), Cp932::firstUnencodable(text)));
        }
        if (QString m = rewriteHistory(bytes); !m.isEmpty()) return fail(m);
        return LoadKansyouRireki();
    }
    qsizetype at = 0;  // where the record now starts in the file
    if (inserted) {
        if (bytes.isEmpty()) {
            QString why;
            if (!dir_.read(kHistoryFile, &bytes, &why)) return historyNotSaved(kHistoryFile, why);
        }
        at = historyStarts_[position - 1];
        bytes.insert(at, recordBytes);
        if (QString m = rewriteHistory(bytes); !m.isEmpty()) return m;
    } else {
        // A last record without its line end would swallow the new one.
        QByteArray tail = recordBytes;
        const int last = dir_.lastByte(kHistoryFile);
        if (last >= 0 && last != '\n' && last != '\r') tail.prepend("\r\n");
        const qint64 size = FileStamp::of(dir_.filePath(kHistoryFile)).size;
        // Whole or not at all: a failed append leaves the file as long as it was.
        if (const FileResult r = dir_.append(kHistoryFile, tail); !r.ok()) return r.error;
        at = size + (tail.size() - recordBytes.size());
    }
    // The file now holds exactly these bytes; the table follows without a re-read.
    kansyou_.insert(position, k);
    historyStarts_.insert(position - 1, at);
    for (qsizetype i = position; i < historyStarts_.size(); ++i)
        historyStarts_[i] += recordBytes.size();
    kansyou_.LastKansyoubi = kansyou_[kansyou_.KansyouCount()].Kansyoubi;
    // The lists follow the order values first occur in the file. A viewing whose
    // month, year and content are all listed leaves them alone, unless it went in
    // before the first viewing of its content (months and years keep their order:
    // the file is in date order).
    const QStringView d(k.Kansyoubi.text());
    const bool listed =
        (d.isEmpty() || (txtD_[6].contains(d.left(7)) && txtD_[9].contains(d.left(4)))) &&
        (k.KansyouNaiyou.isEmpty() || txtD_[7].contains(k.KansyouNaiyou.text()));
    const auto firstOfContent = [&] {
        for (int i = 1; i <= kansyou_.KansyouCount(); ++i)
            if (kansyou_[i].KansyouNaiyou == k.KansyouNaiyou) return i;
        return 0;
    };
    if (!listed || (inserted && !k.KansyouNaiyou.isEmpty() && firstOfContent() == position))
        rebuildViewingLists();
    return {};
}

QString Catalogue::removeKansyou(int i) { return editHistory(i, nullptr, 0); }

QString Catalogue::insertKansyou(int i, const Kansyou& k) { return editHistory(0, &k, i); }

QString Catalogue::replaceKansyou(int from, const Kansyou& k, int to) {
    return editHistory(from, &k, to);
}

QString Catalogue::editHistory(int removed, const Kansyou* k, int at) {
    if (QString refused = dir_.refusal(kHistoryFile); !refused.isEmpty()) return refused;
    const int count = kansyou_.KansyouCount();
    const int left = count - (removed ? 1 : 0);
    if (removed < 0 || removed > count || (k && (at < 1 || at > left + 1)))
        return QStringLiteral("鑑賞履歴のその位置に記録はありません。");
    QByteArray recordBytes;
    if (k) {
        const QString record = historyRecord(*k);
        if (!Cp932::encode(record, &recordBytes))
            return unencodableViewing(QStringLiteral("鑑賞履歴（%1）").arg(describe(*k)),
                                      Cp932::firstUnencodable(record));
    }
    QByteArray bytes;
    if (historyWhole_) {
        // Only the records' own bytes change: one goes, one comes, in one write.
        QString why;
        if (!dir_.read(kHistoryFile, &bytes, &why)) return historyNotSaved(kHistoryFile, why);
        QVector<qsizetype> starts = historyStarts_;
        if (removed) {
            const qsizetype begin = starts[removed - 1];
            const qsizetype end = removed < count ? starts[removed] : bytes.size();
            bytes.remove(begin, end - begin);
            starts.remove(removed - 1);
            for (qsizetype r = removed - 1; r < starts.size(); ++r) starts[r] -= end - begin;
        }
        if (k) {
            const qsizetype where = at <= starts.size() ? starts[at - 1] : bytes.size();
            if (where == bytes.size() && !bytes.isEmpty() && !bytes.endsWith('\n') &&
                !bytes.endsWith('\r'))
                recordBytes.prepend("\r\n");
            bytes.insert(where, recordBytes);
        }
    } else {
        // Read in part or from another encoding: written anew from the records read,
        // its original kept aside first.
        bool convert = false;
        if (QString no = settleForeign(kHistoryFile, &historyForeign_, &convert); !no.isEmpty())
            return no;
        ConvertedForGood conversion(&kansyou_, convert);
        QVector<Kansyou> records = kansyou_.records();
        if (removed) records.remove(removed - 1);
        if (k) records.insert(at - 1, *k);
        QString text;
        for (const Kansyou& r : std::as_const(records)) text += historyRecord(r);
        if (!Cp932::encode(text, &bytes))
            return conversion.fail(
                unencodableViewing(QStringLiteral("鑑賞履歴"), Cp932::firstUnencodable(text)));
        if (QString m = rewriteHistory(bytes); !m.isEmpty()) return conversion.fail(m);
        return LoadKansyouRireki();
    }
    if (QString m = rewriteHistory(bytes); !m.isEmpty()) return m;
    // Read back as a fresh load would: the table, where each record starts, the lists.
    return loadHistory(&bytes);
}
