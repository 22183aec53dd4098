#pragma once

#include "file_io.h"
#include "file_print.h"
#include "name_index.h"
#include "string_hash.h"
#include "trash.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

// The result of a file operation: empty error means success. The error text
// is meant for the user and names the file.
struct FileResult {
    QString error;
    QString reason;  // why it failed, without the file's name
    // Refused because the file is no longer what the program last read or wrote.
    bool changedElsewhere = false;
    bool ok() const { return error.isEmpty(); }
};

// The data directory. Every data file is found through this class, which
// matches names without regard to letter case ("設定.TXT" finds "設定.txt";
// an exact match wins) and keeps an index of the directory so that existence
// tests cost no system call. Every operation performed here keeps the index
// true; files changed by others are picked up by rescanIfChanged().
//
// Listing a folder of a hundred thousand texts takes the system tens of
// milliseconds, so the index is built on a thread of its own while the program
// reads its files. Until it is there, a name that is on disk exactly as asked
// for is answered with one stat (an exact match wins whatever else is listed);
// only a question about another spelling, or a name not there, waits for it.
class DataDir {
public:
    explicit DataDir(const QString& path);
    ~DataDir();
    DataDir(const DataDir&) = delete;
    DataDir& operator=(const DataDir&) = delete;

    QString path() const { return path_; }

    // The name the file really has on disk, or name itself when none matches.
    QString actualName(const QString& name) const;
    QString filePath(const QString& name) const;
    bool exists(const QString& name) const;
    // The same without waiting for the listing: empty while only the listing can tell.
    std::optional<bool> existsIfListed(const QString& name) const;
    // True once the folder's listing is done: no question waits for it then.
    bool listed() const;
    // Names matching a wildcard pattern ("キャスト_*.txt"), ignoring case, sorted.
    QStringList entries(const QString& pattern) const;
    // A file the program put into the folder by other means (the lock of the run):
    // listed, and the folder's new time is not taken for a change made elsewhere.
    // change makes the file and returns true when it did.
    bool makeOwnFile(const QString& name, const std::function<bool()>& change);

    // Lists the folder anew (on its own thread; the next question waits for it).
    // first, when given, runs on the listing's thread before it lists (a test holds it there).
    void rescan(const std::function<void()>& first = {});
    // Waits for the listing under way: the state the folder is in a moment after start.
    void waitForListing() const { names(); }
    // Rescans when the directory changed behind our back (a file dropped in
    // by the user); cheap enough to call at the start of every user action.
    bool rescanIfChanged();

    // Whole file, or false with *error set (naming the file). A missing file is an
    // error. Only regular files are read: a folder, a pipe or a device under the
    // name is refused at once, never waited on.
    bool read(const QString& name, QByteArray* bytes, QString* error = nullptr) const;
    // The same, telling a missing file from one that cannot be read; *why is the
    // reason alone, without the name.
    FileIo::ReadResult readChecked(const QString& name, QByteArray* bytes, QString* why) const;
    // True when name is a regular file (through links): safe to open and read.
    bool isRegularFile(const QString& name) const;
    // The last byte of the file, or -1 when it is empty or cannot be read.
    int lastByte(const QString& name) const;

    // Every write proves that all its bytes reached the disk (each write, the sync
    // and the size) before it replaces anything; on failure the old file is as it
    // was and the error says why in plain words (a full disk, no permission...).
    // A write through a symbolic link writes the link's target and keeps the link.
    // Replaces the file in one rename, so a crash leaves the old or the new file.
    FileResult writeAtomic(const QString& name, const QByteArray& bytes);
    // The same in three parts, so that the disk can take two files at once:
    // beginWrite and finishWrite on the thread that owns this folder, write on any
    // (only where the file system allows calls from several threads). A write
    // refused at the start (see result) is neither written nor finished.
    struct PendingWrite {
        FileResult result;
        QString actual, path;
        QDateTime before;
        bool existed = false, watched = false;
        StreamHash hash;
    };
    PendingWrite beginWrite(const QString& name);
    void write(PendingWrite* w, const QByteArray& bytes) const;
    FileResult finishWrite(PendingWrite* w);
    // Appends whole or not at all: on failure the file is cut back to its old length.
    FileResult append(const QString& name, const QByteArray& bytes);
    // Removes the file if it exists; false only when it exists and stays.
    bool remove(const QString& name);
    // The same, saying why a file that exists stays.
    FileResult erase(const QString& name);
    FileResult copy(const QString& from, const QString& to);
    // Moves the file to the desktop's trash (trash.h), where a file manager shows
    // it and can put it back; *inTrash gets where it went. Where no trash takes
    // it, fails with the file where it was and nothing written anywhere.
    FileResult moveToTrash(const QString& name, QString* inTrash);
    // True when a trash would take the file; nothing is made to find out.
    bool hasTrash(const QString& name) const;
    // Puts a file moved to the trash back under name (its note in the trash goes).
    FileResult restoreFromTrash(const QString& inTrash, const QString& name);
    // For a file no trash takes: renamed within the folder to a dated name no
    // file has yet (datedName), where the user can still find it; *asideName
    // gets that name. The file's own name is free afterwards.
    FileResult keepAside(const QString& name, const QDateTime& now, QString* asideName);
    // Undoes keepAside: the file set aside goes back under name, which must be free.
    FileResult putBackAside(const QString& asideName, const QString& name);
    // The name the program keeps an old state of the file actual under, dated now
    // and taken by no file: "データ.TXT.20261207-103000.bak", else "...-2.bak"...
    QString datedName(const QString& actual, const QDateTime& now) const;
    // The file systems the trash is looked for on; tests put in their own.
    void setTrashVolumes(const Trash::Volumes* volumes) {
        volumes_ = volumes ? volumes : &Trash::Volumes::real();
    }
    // Keeps the file's present bytes under copy, a name not yet taken, before the
    // file is replaced: as a second link to the same file where the file system
    // allows one, which costs no write, else as a copy written like any file. A
    // link shares the file until writeAtomic replaces it, so the caller replaces
    // the file (or removes the copy) before anything appends to it.
    FileResult keepAside(const QString& name, const QString& copy);
    // Renames from over to in one step, replacing to (under its existing spelling).
    FileResult replace(const QString& from, const QString& to);

    // Keeps every change (write, append, replace, removal) away from name until
    // allowChanges; each refused change answers with message.
    void refuseChanges(const QString& name, const QString& message);
    void allowChanges(const QString& name);
    // The message a change of name is refused with; empty when changes are allowed.
    QString refusal(const QString& name) const;

    // Files the program builds on: after reading one whole (or finding it
    // missing), before any write, append, removal or replacement of it, it must
    // still be what the program last read or wrote there. One stat tells; only
    // when its size, time or identity moved are its bytes read and compared. A
    // change that fails this is refused with changedElsewhere set, writing nothing.
    void watch(const QString& name, const QByteArray& bytes);
    // The same for bytes read and hashed elsewhere: print is the file as they were read.
    void watch(const QString& name, const FilePrint& print);
    void watchMissing(const QString& name);
    void unwatch(const QString& name);
    bool watched(const QString& name) const;
    // True when a watched file is no longer what was last read or written. A file
    // only touched, or rewritten with the same bytes, is unchanged (and watched anew).
    bool changedElsewhere(const QString& name);

    // A run that does not own the folder: every change of every file is refused
    // with message (backups and copies included). Empty: changes are allowed.
    void setReadOnly(const QString& message) { readOnly_ = message; }
    bool readOnly() const { return !readOnly_.isEmpty(); }

    // The system calls behind every read and write; tests put in one that fails.
    void setFileSystem(FileSystem* fs) { fs_ = fs ? fs : &FileSystem::real(); }
    FileSystem& fileSystem() const { return *fs_; }

private:
    struct Listing;
    void noteAdded(const QString& actual);
    void noteRemoved(const QString& actual);
    // The index, once the listing under way is done.
    const NameIndex& names() const;
    // True when name is on disk spelt exactly so and the index would list it (not a
    // folder); false says nothing of other spellings.
    bool presentExactly(const QString& name) const;
    QDateTime dirModified() const;
    void afterOwnChange(const QDateTime& before);

    // Renames from to to, a name no file has; never replaces one.
    FileResult renameWithin(const QString& from, const QString& to);
    // The check before a change of a watched file: empty result when it may go ahead.
    FileResult guard(const QString& actual);
    // After the program's own change of a watched file.
    void rewatch(const QString& actual, const StreamHash* hash);
    void rewatchAppended(const QString& actual, const QByteArray& tail);

    QString path_;
    QString readOnly_;
    StringMap<FilePrint> watched_;  // case-folded name → the file as last read or written
    // Every name on disk, found by its case-folded form; of several spellings
    // the first in name order answers for a name. While listing_ runs, names_ is
    // empty and the listing's own index fills on its thread.
    mutable NameIndex names_;
    mutable std::unique_ptr<Listing> listing_;
    QDateTime scannedModified_;
    FileSystem* fs_ = &FileSystem::real();
    const Trash::Volumes* volumes_ = &Trash::Volumes::real();
    StringMap<QString> refused_;  // case-folded name → message
};
