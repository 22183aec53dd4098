// Reading the data and history files into the tables.
#include "catalogue.h"

#include "cp932.h"
#include "data_file.h"
#include "import_journal.h"
#include "record_dialect.h"

#include <cerrno>
#include <cstring>
#include <thread>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

QString Catalogue::damagedFileMessage(const QString& name, const QString& what,
                                      const QString& kept) {
    return QStringLiteral(
               "「%1」を最後まで読み込めませんでした。\r\n\r\n%2\r\n\r\n%3"
               "元のファイルは、最初に書き換える前に同じフォルダーへ"
               "「%1.日時.bak」として残します。")
        .arg(name, what, kept);
}

QString Catalogue::recodedFileMessage(const QString& name, TextEncoding encoding) {
    return QStringLiteral(
               "「%1」は %2 で保存されていたため、そのまま読み込みました。\r\n\r\n"
               "次に書き換えるときにシフトJIS（コードページ932）で保存し直します。"
               "元のファイルは、その前に同じフォルダーへ「%1.日時.bak」として残します。")
        .arg(name, encodingName(encoding));
}

QString Catalogue::readReport(const QString& name, const ReadProblem& p, const QString& noun) {
    QStringList parts;
    if (p.any()) {
        if (!p.skipped.isEmpty() || p.overLimit > 0)
            parts << QStringLiteral("「%1」に、読み込めないレコードがありました。").arg(name);
        else if (!p.irregular.isEmpty())
            parts << QStringLiteral("「%1」に、このプログラムが書かない形のレコードがあります。")
                         .arg(name);
        else
            parts << QStringLiteral("「%1」に、範囲の外の値があります。").arg(name);
        parts << p.what << p.keptSentence(noun);
    }
    if (p.recoded()) {
        parts << recodedFileMessage(name, p.encoding);
        if (!p.foreign.isEmpty())
            parts << p.foreignWhat() + QStringLiteral(
                                           "\r\n最初に書き換える前に、これらの文字を変換してよいか"
                                           "お尋ねします。");
    } else if (p.changesOnRewrite()) {
        parts << QStringLiteral(
                     "元のファイルは、最初に書き換える前に同じフォルダーへ"
                     "「%1.日時.bak」として残します。")
                     .arg(name);
    }
    return parts.join(QStringLiteral("\r\n\r\n"));
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
    refuseChangesOf(actual, why);
    return QStringLiteral(
               "「%1」を読み込めませんでした。\r\n%2\r\n\r\n"
               "このファイルを失わないよう、プログラムを起動し直すまで%3の変更は保存しません。"
               "ファイルを確かめてから、プログラムを起動し直してください。")
        .arg(actual, why, what);
}

QString Catalogue::refuseOverLimit(const QString& actual) {
    // Every rewrite would drop the titles past the limit, a .bak or not.
    const QString why = QStringLiteral(
                            "「%1」には、このプログラムが扱える%2件を超えるタイトルがあります。"
                            "書き換えると%2件目より後のタイトルが失われるため、")
                            .arg(actual)
                            .arg(kMaxRecords);
    const QString todo =
        QStringLiteral(
            "タイトルを%1件以下に減らしたファイル（たとえば一部のタイトルを別のフォルダーの"
            "「データ.TXT」に移したもの）にしてから、プログラムを起動し直してください。")
            .arg(kMaxRecords);
    dir_.refuseChanges(actual, why + QStringLiteral("タイトルの変更は保存しません。\r\n") + todo);
    return why +
           QStringLiteral(
               "このファイルを書き換える変更（編集・追加・削除・並び替え）は"
               "保存しません。\r\n") +
           todo;
}

void Catalogue::noteForeign(ForeignFile* file, const ReadProblem& p, const QByteArray& bytes) {
    if (p.foreign.isEmpty()) {
        *file = {};
        return;
    }
    // Declined once for these very bytes: not asked again on a reload.
    const bool declined = file->state == Foreign::Refused && file->refusedBytes == bytes;
    file->state = declined ? Foreign::Refused : Foreign::Unasked;
    file->what = p.foreignWhat();
    if (!declined) file->refusedBytes.clear();
}

QString Catalogue::settleForeign(const QString& name, ForeignFile* file, bool* convert) {
    *convert = false;
    const QString actual = dir_.actualName(name);
    const QString refused = QStringLiteral(
                                "「%1」には、シフトJIS（コードページ932）で書けない文字があります。"
                                "変換しないことを選んだため、このファイルは書き換えません。\r\n"
                                "変換するには、プログラムを起動し直して、"
                                "変換するかどうかの問いに「はい」と答えてください。")
                                .arg(actual);
    switch (file->state) {
        case Foreign::None:
            return {};
        case Foreign::Convert:
            *convert = true;
            return {};
        case Foreign::Refused:
            return refused;
        case Foreign::Unasked:
            break;
    }
    if (askConversion_ && askConversion_(actual, file->what)) {
        file->state = Foreign::Convert;
        *convert = true;
        return {};
    }
    file->state = Foreign::Refused;
    file->refusedBytes = damagedOriginals_.value(actual);
    return refused;
}

// A load reads the file and its decoded text whole, megabytes that are free again
// once the records are taken. The allocator keeps such room for the process, in
// holes between what stays; handing it back keeps the program's memory what its
// data need. A small heap takes microseconds.
void Catalogue::releaseReadingBuffers() {
#if defined(__GLIBC__)
    ::malloc_trim(0);
#endif
}

// A file read, hashed and parsed as far as any thread may: on a thread of its
// own at start-up, taken over by the load on the window's thread.
struct Catalogue::FileRead {
    std::thread thread;
    FileIo::ReadResult result = FileIo::ReadResult::Missing;
    QString why;
    QByteArray bytes;
    FilePrint print;      // the file as read, for the watch
    DataText data;        // the data file, parsed
    Catalogue::TitleLists lists;  // and its pick lists
    HistoryText history;  // the history, parsed
    ~FileRead() {
        if (thread.joinable()) thread.join();
    }
    void run(const QString& path, FileSystem& fs, bool isData) {
        result = FileIo::readWhole(fs, path, &bytes, &why);
        if (result != FileIo::ReadResult::Ok) return;
        print.stamp = FileStamp::of(path);
        print.hash.add(bytes);
        if (!isData) {
            history = readHistoryText(bytes);
            return;
        }
        data = readDataText(bytes);
        lists = Catalogue::listsOf(data);
        // Only a file that a rewrite would not give back is kept as read.
        if (!data.problem.changesOnRewrite() && !data.problem.recoded()) bytes = QByteArray();
    }
};

Catalogue::Catalogue(const QString& dataDir) : dir_(dataDir) {
    for (auto& m : pick_) m = std::make_unique<QStringListModel>();
}

Catalogue::~Catalogue() = default;

void Catalogue::startLoading() {
    const auto start = [this](std::unique_ptr<FileRead>* read, const QString& name, bool isData) {
        if (*read) return;
        *read = std::make_unique<FileRead>();
        // The name is matched here; the thread touches nothing of the catalogue.
        (*read)->thread = std::thread(&FileRead::run, read->get(), dir_.filePath(name),
                                      std::ref(dir_.fileSystem()), isData);
    };
    start(&dataRead_, kDataFile, true);
    start(&historyRead_, kHistoryFile, false);
}

void Catalogue::forgetStartedLoading() {
    dataRead_.reset();
    historyRead_.reset();
}

std::unique_ptr<Catalogue::FileRead> Catalogue::takeRead(std::unique_ptr<FileRead>* started,
                                                         const QString& name, bool isData) {
    std::unique_ptr<FileRead> read = std::move(*started);
    if (read) {
        read->thread.join();
    } else {
        read = std::make_unique<FileRead>();
        read->run(dir_.filePath(name), dir_.fileSystem(), isData);
    }
    return read;
}

QString Catalogue::settleImportJournal() {
    if (std::exchange(journalSettled_, true)) return {};
    bool changed = false;
    const QString told = ImportJournal::settle(dir_, &changed);
    if (changed) forgetStartedLoading();  // what they read is no longer there
    return told;
}

namespace {
QString joined(const QString& first, const QString& then) {
    return first.isEmpty() || then.isEmpty() ? first + then
                                             : first + QStringLiteral("\r\n\r\n") + then;
}
}  // namespace

QString Catalogue::LoadMainData() {
    const QString settled = settleImportJournal();
    const std::unique_ptr<FileRead> read = takeRead(&dataRead_, kDataFile, true);
    table_.clear();
    ++layout_;
    forgetDataBytes();
    for (int k = 1; k <= 4; ++k) txtD_[k].clear();
    dataWhole_ = true;
    const QString actual = dir_.actualName(kDataFile);
    damagedOriginals_.remove(actual);
    // Whatever kept the last file from being written, this read decides anew.
    dir_.allowChanges(actual);
    QString message;
    switch (read->result) {
        case FileIo::ReadResult::Missing:
            dir_.watchMissing(kDataFile);
            // A run that may not write finds the file missing and leaves it so.
            if (!dir_.readOnly()) message = writeTextFile(kDataFile, QString());
            break;
        case FileIo::ReadResult::Unreadable:
            dir_.unwatch(kDataFile);
            dataWhole_ = false;
            message = refuseUnreadable(kDataFile, read->why, QStringLiteral("タイトル"));
            break;
        case FileIo::ReadResult::Ok: {
            dir_.watch(kDataFile, read->print);
            ReadProblem p = takeTitles(std::move(read->data), &table_);
            applyLists(std::move(read->lists));
            if (p.changesOnRewrite() || p.recoded()) {
                // A rewrite would not give these bytes back: they are kept aside
                // first, and nothing is appended behind what could not be read.
                dataWhole_ = false;
                damagedOriginals_.insert(actual, read->bytes);
            }
            noteForeign(&dataForeign_, p, read->bytes);
            message = readReport(kDataFile, p, QStringLiteral("タイトル"));
            if (p.overLimit > 0) message += QStringLiteral("\r\n\r\n") + refuseOverLimit(actual);
            break;
        }
    }
    if (read->result != FileIo::ReadResult::Ok) rebuildPickLists();
    releaseReadingBuffers();
    return joined(settled, message);
}

QString Catalogue::LoadKansyouRireki() {
    QByteArray bytes;
    return loadHistory(&bytes);
}

QString Catalogue::loadHistory(QByteArray* bytes) {
    const QString settled = settleImportJournal();
    kansyou_.clear();
    bytes->clear();
    historyStarts_.clear();
    historyWhole_ = true;
    const QString actual = dir_.actualName(kHistoryFile);
    damagedOriginals_.remove(actual);
    QString message;
    // One read serves both the table and the byte positions of later insertions.
    const std::unique_ptr<FileRead> read = takeRead(&historyRead_, kHistoryFile, false);
    *bytes = std::move(read->bytes);
    switch (read->result) {
        case FileIo::ReadResult::Missing:
            dir_.watchMissing(kHistoryFile);
            break;
        case FileIo::ReadResult::Unreadable:
            dir_.unwatch(kHistoryFile);
            historyWhole_ = false;
            message = refuseUnreadable(kHistoryFile, read->why, QStringLiteral("鑑賞履歴"));
            break;
        case FileIo::ReadResult::Ok: {
            dir_.watch(kHistoryFile, read->print);
            ReadProblem p = takeHistory(std::move(read->history), &kansyou_, &historyStarts_);
            if (p.changesOnRewrite() || p.recoded()) {
                // Inserting or appending would keep what was misread: the next
                // viewing writes the file anew, its original kept aside first.
                historyWhole_ = false;
                damagedOriginals_.insert(actual, *bytes);
            }
            noteForeign(&historyForeign_, p, *bytes);
            message = readReport(kHistoryFile, p, QStringLiteral("鑑賞履歴"));
            break;
        }
    }
    rebuildViewingLists();
    releaseReadingBuffers();
    return joined(settled, message);
}
