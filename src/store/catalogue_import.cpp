// Writing the titles and the history at once, as an import gives them.
#include "catalogue.h"

#include "cp932.h"
#include "data_file.h"
#include "import_journal.h"

#include <QDateTime>
#include <QFileInfo>

#include <thread>

namespace {
QString notEncodable(const QString& where, const QString& character, const QString& file) {
    return QStringLiteral(
               "%1に、シフトJIS（コードページ932）で保存できない文字「%2」があるため、"
               "「%3」を保存できません。\r\nファイルはそのまま残っています。")
        .arg(where, character, file);
}

QString unencodableTitleMessage(const TitleTable& titles) {
    for (int n = 1; n <= titles.TitleCount(); ++n) {
        const QString bad = Cp932::firstUnencodable(serializeTitle(titles[n]));
        if (!bad.isEmpty())
            return notEncodable(
                QStringLiteral("%1件目のタイトル「%2」").arg(n).arg(titles[n].Daimei), bad,
                kDataFile);
    }
    return notEncodable(QStringLiteral("タイトル"), QString(), kDataFile);
}

// The history file's bytes, each record as historyRecord writes it, and where
// each record starts in them; false with *problem when some text has no code
// page 932 form. Written straight into bytes: a whole history of text records
// would be made, then encoded, for nothing.
bool encodeHistory(const KansyouTable& history, QByteArray* bytes, QVector<qsizetype>* starts,
                   QString* problem) {
    const quint16* table = Cp932::encodeTable();
    qsizetype room = 0;
    for (const Kansyou& k : history.records())
        room += 2 * (k.Kansyoubi.size() + k.KansyouDaimei.size() + k.KansyouNaiyou.size()) + 10;
    bytes->resize(room);
    starts->resize(history.KansyouCount());
    char* const begin = bytes->data();
    char* p = begin;
    for (int i = 1; i <= history.KansyouCount(); ++i) {
        const Kansyou& k = history[i];
        (*starts)[i - 1] = p - begin;
        const QString* fields[] = {&k.Kansyoubi.text(), &k.KansyouDaimei.text(),
                                   &k.KansyouNaiyou.text()};
        for (int f = 0; f < 3; ++f) {
            *p++ = '"';
            if (!(p = Cp932::encodeInto(*fields[f], p, table))) {
                *problem = notEncodable(QStringLiteral("鑑賞履歴の%1件目").arg(i),
                                        Cp932::firstUnencodable(historyRecord(k)), kHistoryFile);
                return false;
            }
            *p++ = '"';
            *p++ = f < 2 ? ',' : '\r';
        }
        *p++ = '\n';
    }
    bytes->truncate(p - begin);
    return true;
}

// A name for the copy kept aside that no file has yet, named as every copy the
// program keeps.
QString copyNameFor(const DataDir& dir, const QString& actual, const QDateTime& now) {
    const QString stem = actual + now.toString(QStringLiteral(".yyyyMMdd-HHmmss"));
    QString name = stem + QStringLiteral(".bak");
    for (int i = 2; dir.exists(name); ++i) name = stem + QStringLiteral("-%1.bak").arg(i);
    return name;
}

// One of the two files, when it changes: its new bytes, and where its old ones
// were kept aside.
struct Rewrite {
    QString name;
    bool changes = false;
    bool existed = false;
    QByteArray bytes;
    QString copy;         // empty: there was nothing to keep (no file, or an empty one)
    bool reused = false;  // the copy was kept by an earlier doing of the same import
};

// A copy of reusable that holds what the file actual holds now, or empty.
QString sameCopy(DataDir& dir, const QString& actual, const QStringList& reusable) {
    QByteArray now;
    bool read = false;
    for (const QString& copy : reusable) {
        if (!copy.startsWith(actual + u'.', Qt::CaseInsensitive) || !dir.exists(copy)) continue;
        const FileStamp a = FileStamp::of(dir.filePath(actual)),
                        b = FileStamp::of(dir.filePath(copy));
        if (a.exists && a.device == b.device && a.inode == b.inode) return copy;  // one file
        QByteArray bytes;
        if (!read && !dir.read(actual, &now)) return {};
        read = true;
        if (dir.read(copy, &bytes) && bytes == now) return copy;
    }
    return {};
}
}  // namespace

QString Catalogue::replaceCollection(TitleTable titles, const QVector<Kansyou>& history,
                                     QStringList* kept) {
    return replaceCollection(std::move(titles), history, kept, {});
}

QString Catalogue::replaceCollection(TitleTable titles, const QVector<Kansyou>& history,
                                     QStringList* kept, const QStringList& reusable) {
    WrittenCollection written;
    if (QString problem = writeCollection(std::move(titles), history, kept, &written, reusable);
        !problem.isEmpty())
        return problem;
    takeCollection(std::move(written));
    return {};
}

QString Catalogue::writeCollection(TitleTable titles, const QVector<Kansyou>& history,
                                   QStringList* kept, WrittenCollection* out) {
    return writeCollection(std::move(titles), history, kept, out, {});
}

QString Catalogue::writeCollection(TitleTable titles, const QVector<Kansyou>& history,
                                   QStringList* kept, WrittenCollection* out,
                                   const QStringList& reusable) {
    for (const QString& f : {kDataFile, kHistoryFile})
        if (QString refused = dir_.refusal(f); !refused.isEmpty()) return refused;
    // What the files held that code page 932 cannot is settled as before any rewrite.
    bool convertTitles = false, convertHistory = false;
    if (QString no = settleForeign(kDataFile, &dataForeign_, &convertTitles); !no.isEmpty())
        return no;
    if (QString no = settleForeign(kHistoryFile, &historyForeign_, &convertHistory); !no.isEmpty())
        return no;
    if (convertTitles) convertToCodePage932(&titles);
    KansyouTable viewings;
    viewings.reserve(int(history.size()));
    for (const Kansyou& k : history) viewings.append(k);
    if (convertHistory) convertToCodePage932(&viewings);

    // A file read whole whose table stays as it is keeps its bytes.
    Rewrite data{kDataFile, false, false, {}, {}}, hist{kHistoryFile, false, false, {}, {}};
    data.changes = !dataWhole_ || convertTitles || !(titles == table_);
    hist.changes = !historyWhole_ || convertHistory || history != kansyou_.records();
    QVector<qsizetype> dataStarts, historyStarts;
    if (data.changes && !encodeDataFile(titles, 0, &data.bytes, &dataStarts))
        return unencodableTitleMessage(titles);
    // The old bytes of each file that changes are kept aside first; a failure takes
    // back the copies of files that stay as they were.
    const QDateTime now = QDateTime::currentDateTime();
    const auto dropCopies = [&] {
        for (Rewrite* r : {&data, &hist})
            if (!r->copy.isEmpty() && !r->reused) dir_.remove(std::exchange(r->copy, {}));
    };
    for (Rewrite* r : {&data, &hist}) {
        r->existed = dir_.exists(r->name);
        if (!r->changes || !r->existed || QFileInfo(dir_.filePath(r->name)).size() == 0) continue;
        const QString actual = dir_.actualName(r->name);
        if (const QString same = sameCopy(dir_, actual, reusable); !same.isEmpty()) {
            r->copy = same;
            r->reused = true;
            continue;
        }
        const QString copy = copyNameFor(dir_, actual, now);
        if (const FileResult k = dir_.keepAside(actual, copy); !k.ok()) {
            dropCopies();
            return QStringLiteral(
                       "元のファイルの控えを残せなかったため、取り込みを取りやめました。\r\n%1")
                .arg(k.error);
        }
        r->copy = copy;
    }
    // Both files change: a note of what each held and will hold goes first, so
    // that a run killed between the two writes is set right at the next load. The
    // history's part follows once it is encoded, before the history is written.
    const bool journal = data.changes && hist.changes;
    const QString journalPath = dir_.filePath(ImportJournal::kName);
    if (journal) {
        const auto fileOf = [&](const Rewrite& r, const QByteArray* bytes) {
            ImportJournal::File f{dir_.actualName(r.name), r.existed, r.copy, -1, 0};
            if (bytes) {
                f.newSize = bytes->size();
                f.newHash = StreamHash::of(*bytes);
            }
            return f;
        };
        const FileResult noted =
            dir_.writeAtomic(ImportJournal::kName,
                             ImportJournal::text(fileOf(data, &data.bytes), fileOf(hist, nullptr)));
        if (!noted.ok()) {
            dropCopies();
            return QStringLiteral(
                       "取り込みの記録を書けなかったため、取り込みを取りやめました。\r\n%1")
                .arg(noted.error);
        }
    }
    // Both files are checked before either is written.
    DataDir::PendingWrite dataWrite, histWrite;
    for (auto [r, w] : {std::pair{&data, &dataWrite}, std::pair{&hist, &histWrite}}) {
        if (!r->changes) continue;
        *w = dir_.beginWrite(r->name);
        if (!w->result.ok()) {
            if (journal) dir_.remove(ImportJournal::kName);
            dropCopies();
            return w->result.error;
        }
    }
    const auto noteHistory = [&] {
        QString why;
        if (!journal || FileIo::appendWhole(dir_.fileSystem(), journalPath,
                                            ImportJournal::newLine(1, hist.bytes), &why))
            return true;
        histWrite.result = {QStringLiteral("「%1」を保存できませんでした。\r\n%2")
                                .arg(dir_.actualName(kHistoryFile), why),
                            why};
        return false;
    };
    // The history is encoded while the data file goes to the disk: the one waits
    // on the processor, the other on the disk. Where the file system allows it,
    // the history then goes to the disk beside the data file.
    const bool together = dir_.fileSystem().concurrent();
    QString encodeProblem;
    bool encoded = true;
    {
        std::jthread side;  // joined before either write is finished
        if (hist.changes)
            side = std::jthread([&] {
                encoded = encodeHistory(viewings, &hist.bytes, &historyStarts, &encodeProblem);
                if (encoded && together && noteHistory()) dir_.write(&histWrite, hist.bytes);
            });
        if (data.changes) dir_.write(&dataWrite, data.bytes);
        if (hist.changes && !together) {
            side.join();
            // One at a time: a history written after a failed data file would only be taken back.
            if (encoded && dataWrite.result.ok() && noteHistory())
                dir_.write(&histWrite, hist.bytes);
        }
    }
    if (!encoded) histWrite.result = {encodeProblem, encodeProblem};
    // Whatever follows leaves both files in one state, or tells the user which is which.
    const auto dropJournal = [&] {
        if (journal) dir_.remove(ImportJournal::kName);
    };
    const FileResult dataDone = data.changes ? dir_.finishWrite(&dataWrite) : FileResult{};
    const bool histWritten =
        hist.changes && encoded && histWrite.result.ok() && (together || dataDone.ok());
    const FileResult histDone = histWritten ? dir_.finishWrite(&histWrite) : histWrite.result;
    // A file written beside one that failed takes back its old bytes: the copy
    // kept aside is renamed back.
    const auto putBack = [&](Rewrite& r) {
        if (r.copy.isEmpty())
            return r.existed ? dir_.writeAtomic(r.name, {}).ok() : dir_.remove(r.name);
        if (!dir_.replace(r.copy, r.name).ok()) return false;  // the copy stays, and is named
        r.copy.clear();
        return true;
    };
    if (!dataDone.ok() || (hist.changes && !histDone.ok())) {
        Rewrite& written = dataDone.ok() ? data : hist;
        const QString error = dataDone.ok() ? histDone.error : dataDone.error;
        const bool otherWritten = dataDone.ok() ? data.changes : histWritten;
        dropJournal();
        if (!otherWritten) {
            dropCopies();
            return error;
        }
        if (putBack(written)) {
            dropCopies();
            return error + QStringLiteral("\r\n「%1」も取り込む前の内容に戻しました。")
                               .arg(dir_.actualName(written.name));
        }
        Rewrite& failed = dataDone.ok() ? hist : data;
        if (!failed.copy.isEmpty() && !failed.reused) dir_.remove(std::exchange(failed.copy, {}));
        return error + QStringLiteral(
                           "\r\n「%1」を取り込む前の内容に戻せませんでした。"
                           "取り込む前のファイルは「%2」に残っています。")
                           .arg(dir_.actualName(written.name), written.copy);
    }
    dropJournal();
    if (kept)
        for (const Rewrite* r : {&data, &hist})
            if (!r->copy.isEmpty()) kept->append(r->copy);
    out->dataChanged = data.changes;
    out->historyChanged = hist.changes;
    out->titles = std::move(titles);
    out->viewings = std::move(viewings);
    out->dataBytes = std::move(data.bytes);
    out->dataStarts = std::move(dataStarts);
    out->historyStarts = std::move(historyStarts);
    return {};
}

void Catalogue::takeCollection(WrittenCollection&& w) {
    // The files hold exactly these tables now: the catalogue takes them as a load would.
    if (w.dataChanged) {
        ++layout_;
        table_ = std::move(w.titles);
        dataBytes_ = std::move(w.dataBytes);
        dataStarts_ = std::move(w.dataStarts);
        shortRecords_.clear();
        dataKnown_ = true;
        dataWhole_ = true;
        dataForeign_ = {};
        damagedOriginals_.remove(dir_.actualName(kDataFile));
        // From the lists as they are: only values that came or went are sorted in.
        rebuildListsFromTable();
    }
    if (w.historyChanged) {
        kansyou_ = std::move(w.viewings);
        kansyou_.LastKansyoubi = kansyou_.KansyouCount() > 0
                                     ? kansyou_[kansyou_.KansyouCount()].Kansyoubi.text()
                                     : QString();
        historyStarts_ = std::move(w.historyStarts);
        historyWhole_ = true;
        historyForeign_ = {};
        damagedOriginals_.remove(dir_.actualName(kHistoryFile));
        rebuildViewingLists();
    }
}

QString Catalogue::restoreCollection(const QByteArray* data, const QByteArray* history) {
    const auto of = [](const QByteArray* bytes) {
        return bytes ? RestoredFile{RestoredFile::Kind::Write, *bytes} : RestoredFile{};
    };
    return restoreCollection(of(data), of(history));
}

QString Catalogue::restoreCollection(const RestoredFile& data, const RestoredFile& history) {
    using Kind = RestoredFile::Kind;
    for (const QString& f : {kDataFile, kHistoryFile})
        if (QString refused = dir_.refusal(f); !refused.isEmpty()) return refused;
    const auto give = [this](const QString& name, const RestoredFile& file) {
        return file.kind == Kind::Remove ? dir_.erase(name) : dir_.writeAtomic(name, file.bytes);
    };
    const bool both = data.kind != Kind::Keep && history.kind != Kind::Keep;
    const bool dataExisted = dir_.exists(kDataFile);
    QByteArray dataNow;
    if (both && dataExisted && !dir_.read(kDataFile, &dataNow))
        return QStringLiteral("「%1」を読み込めないため、元に戻せません。").arg(kDataFile);
    if (data.kind != Kind::Keep) {
        if (const FileResult w = give(kDataFile, data); !w.ok()) return w.error;
    }
    if (history.kind != Kind::Keep) {
        if (const FileResult w = give(kHistoryFile, history); !w.ok()) {
            // Both or neither: the data file takes back what it held.
            if (both) give(kDataFile, {dataExisted ? Kind::Write : Kind::Remove, dataNow});
            LoadMainData();
            return w.error;
        }
    }
    // Read back as a fresh load would.
    QString problem;
    if (data.kind != Kind::Keep) problem = LoadMainData();
    if (history.kind != Kind::Keep) {
        const QString h = LoadKansyouRireki();
        if (!h.isEmpty())
            problem += (problem.isEmpty() ? QString() : QStringLiteral("\r\n\r\n")) + h;
    }
    return problem;
}
