#include "data_dir.h"

#include "dir_listing.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <thread>
#include <utility>
#include <vector>

#include <pthread.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QString fold(const QString& s) { return s.toCaseFolded(); }

QString describe(const QString& name, const QString& why) {
    return QStringLiteral("「%1」: %2").arg(name, why);
}
}  // namespace

// The folder listed on a thread of its own, and the program's own changes made
// meanwhile, which follow once it is done.
struct DataDir::Listing {
    NameIndex names;
    std::thread thread;
    std::vector<std::pair<QString, bool>> later;  // name, added (else removed)
    std::atomic<bool> done = false;
    void join();
};

DataDir::DataDir(const QString& path) : path_(QDir(path).absolutePath()) { rescan(); }

DataDir::~DataDir() {
    if (listing_) listing_->join();
}

QDateTime DataDir::dirModified() const {
    return QFileInfo(path_).fileTime(QFileDevice::FileModificationTime);
}

void DataDir::rescan(const std::function<void()>& first) {
    if (listing_) listing_->join();
    names_.clear();
    // Taken before the listing starts: whatever changes during it moves the time again.
    scannedModified_ = dirModified();
    listing_ = std::make_unique<Listing>();
    // One readdir pass: QDir::entryList stats every entry, which takes a second
    // in a folder of a hundred thousand texts.
    listing_->thread = std::thread([listing = listing_.get(), path = path_, first] {
        // Only on a core nothing else wants: at start-up the files and the window
        // come first. Whatever asks for the index while it runs waits on it, which
        // leaves a core free for it.
        sched_param idle{};
        pthread_setschedparam(pthread_self(), SCHED_IDLE, &idle);
        if (first) first();
        // Room for about as many names as the folder's size suggests (ext4 gives a
        // name some 64 bytes), so that the index is not built again as it grows.
        struct stat st;
        if (::stat(QFile::encodeName(path).constData(), &st) == 0)
            listing->names.reserve(qsizetype(qMin<qint64>(st.st_size / 64, 1 << 22)));
        forEachNonDirectoryName(path, [listing](QStringView name) { listing->names.add(name); });
        listing->done = true;
    });
}

// The listing runs only on a core nothing else wants; once someone waits for it,
// it is wanted. Left idle, it would wait as long as any other thread or program
// keeps both cores busy: a first 削除 just after start-up once took seconds so.
void DataDir::Listing::join() {
    if (!thread.joinable()) return;
    if (!done) {
        sched_param normal{};
        pthread_setschedparam(thread.native_handle(), SCHED_OTHER, &normal);
    }
    thread.join();
}

const NameIndex& DataDir::names() const {
    if (listing_) {
        listing_->join();
        names_ = std::move(listing_->names);
        for (const auto& [name, added] : listing_->later) {
            if (added)
                names_.add(name);
            else
                names_.remove(name);
        }
        listing_.reset();
    }
    return names_;
}

bool DataDir::presentExactly(const QString& name) const {
    // Only a plain name can be listed; anything else is left to the index.
    if (name.isEmpty() || name == u'.' || name == QStringLiteral("..") || name.contains(u'/') ||
        name.contains(QChar(0)) || !name.isValidUtf16())
        return false;
    const QByteArray path = QFile::encodeName(QDir(path_).filePath(name));
    struct stat st;
    if (::lstat(path.constData(), &st) != 0) return false;
    // The listing leaves out folders, and links that lead to one.
    if (S_ISLNK(st.st_mode)) return ::stat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode);
    return !S_ISDIR(st.st_mode);
}

bool DataDir::rescanIfChanged() {
    if (dirModified() == scannedModified_) return false;
    rescan();
    return true;
}

// Our own change is already in the index; a change by someone else since the
// last scan must still trigger a rescan, so the stamp only moves when it was current.
void DataDir::afterOwnChange(const QDateTime& before) {
    if (before == scannedModified_) scannedModified_ = dirModified();
}

void DataDir::noteAdded(const QString& actual) {
    if (listing_)
        listing_->later.emplace_back(actual, true);
    else
        names_.add(actual);
}

void DataDir::noteRemoved(const QString& actual) {
    if (listing_)
        listing_->later.emplace_back(actual, false);
    else
        names_.remove(actual);
}

bool DataDir::makeOwnFile(const QString& name, const std::function<bool()>& change) {
    const QDateTime before = dirModified();
    if (!change()) return false;
    noteAdded(name);
    afterOwnChange(before);
    return true;
}

QString DataDir::actualName(const QString& name) const {
    // An exact match wins; otherwise the spelling on disk.
    if (listing_ && presentExactly(name)) return name;
    const QString key = fold(name);
    const QString first = names().first(key);
    if (first.isNull() || first == name || names_.contains(name, key)) return name;
    return first;
}

QString DataDir::filePath(const QString& name) const {
    return QDir(path_).filePath(actualName(name));
}

bool DataDir::exists(const QString& name) const {
    if (listing_ && presentExactly(name)) return true;
    return names().containsFolded(fold(name));
}

bool DataDir::listed() const { return !listing_ || listing_->done; }

std::optional<bool> DataDir::existsIfListed(const QString& name) const {
    if (listed()) return exists(name);
    if (presentExactly(name)) return true;
    return std::nullopt;
}

QStringList DataDir::entries(const QString& pattern) const {
    QStringList out;
    const qsizetype star = pattern.indexOf(u'*');
    if (star >= 0 && pattern.indexOf(u'*', star + 1) < 0 && !pattern.contains(u'?') &&
        !pattern.contains(u'[')) {
        // "prefix*suffix", the only form the program asks for: compared on the
        // folded names, which a regular expression over every name takes ten times longer for.
        const QString prefix = fold(pattern.left(star));
        const QString suffix = fold(pattern.mid(star + 1));
        names().forEachInOrder([&](QStringView actual, QStringView folded) {
            if (folded.size() >= prefix.size() + suffix.size() && folded.startsWith(prefix) &&
                folded.endsWith(suffix))
                out << actual.toString();
        });
    } else {
        const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(pattern),
                                    QRegularExpression::CaseInsensitiveOption);
        names().forEachInOrder([&](QStringView actual, QStringView) {
            const QString name = actual.toString();
            if (re.match(name).hasMatch()) out << name;
        });
    }
    return out;
}

bool DataDir::read(const QString& name, QByteArray* bytes, QString* error) const {
    QString why;
    switch (readChecked(name, bytes, &why)) {
        case FileIo::ReadResult::Ok:
            return true;
        case FileIo::ReadResult::Missing:
            why = FileIo::reason(ENOENT);
            break;
        case FileIo::ReadResult::Unreadable:
            break;
    }
    if (error) *error = describe(actualName(name), why);
    return false;
}

FileIo::ReadResult DataDir::readChecked(const QString& name, QByteArray* bytes,
                                        QString* why) const {
    return FileIo::readWhole(*fs_, filePath(name), bytes, why);
}

bool DataDir::isRegularFile(const QString& name) const {
    return FileIo::kindOf(filePath(name)) == FileIo::Kind::Regular;
}

int DataDir::lastByte(const QString& name) const { return FileIo::lastByte(filePath(name)); }

void DataDir::refuseChanges(const QString& name, const QString& message) {
    refused_[fold(actualName(name))] = message;
}

void DataDir::allowChanges(const QString& name) { refused_.erase(fold(actualName(name))); }

QString DataDir::refusal(const QString& name) const {
    if (!readOnly_.isEmpty()) return readOnly_;
    if (refused_.empty()) return {};
    const auto it = refused_.find(fold(actualName(name)));
    return it == refused_.end() ? QString() : it->second;
}

void DataDir::watch(const QString& name, const QByteArray& bytes) {
    FilePrint& p = watched_[fold(name)];
    p.stamp = FileStamp::of(filePath(name));
    p.hash = StreamHash();
    p.hash.add(bytes);
}

void DataDir::watch(const QString& name, const FilePrint& print) { watched_[fold(name)] = print; }

void DataDir::watchMissing(const QString& name) { watched_[fold(name)] = FilePrint(); }

void DataDir::unwatch(const QString& name) { watched_.erase(fold(name)); }

bool DataDir::watched(const QString& name) const { return watched_.count(fold(name)) > 0; }

bool DataDir::changedElsewhere(const QString& name) {
    const auto it = watched_.find(fold(name));
    if (it == watched_.end()) return false;
    FilePrint& print = it->second;
    rescanIfChanged();  // a file put in place under another spelling is found
    const FileStamp now = FileStamp::of(filePath(name));
    if (now == print.stamp) return false;
    if (!now.exists || !print.stamp.exists) return now.exists != print.stamp.exists;
    // Its size, time or identity moved: only other bytes count as a change.
    QByteArray bytes;
    QString why;
    if (readChecked(name, &bytes, &why) != FileIo::ReadResult::Ok) return true;
    if (bytes.size() != print.hash.length() || StreamHash::of(bytes) != print.hash.value())
        return true;
    print.stamp = now;
    return false;
}

FileResult DataDir::guard(const QString& actual) {
    if (QString refused = refusal(actual); !refused.isEmpty()) return {refused, refused};
    if (!changedElsewhere(actual)) return {};
    const QString why =
        QStringLiteral("このプログラムが読み込んだ後に、ほかのプログラムで変更されています。");
    FileResult r{QStringLiteral("「%1」は、%2ほかの変更を消さないよう、書き込みませんでした。")
                     .arg(actual, why),
                 why};
    r.changedElsewhere = true;
    return r;
}

void DataDir::rewatch(const QString& actual, const StreamHash* hash) {
    const auto it = watched_.find(fold(actual));
    if (it == watched_.end()) return;
    if (!hash) {
        it->second = FilePrint();
        return;
    }
    it->second.stamp = FileStamp::of(QDir(path_).filePath(actual));
    it->second.hash = *hash;
}

void DataDir::rewatchAppended(const QString& actual, const QByteArray& tail) {
    const auto it = watched_.find(fold(actual));
    if (it == watched_.end()) return;
    it->second.stamp = FileStamp::of(QDir(path_).filePath(actual));
    it->second.hash.add(tail);
}

FileResult DataDir::writeAtomic(const QString& name, const QByteArray& bytes) {
    PendingWrite w = beginWrite(name);
    if (!w.result.ok()) return w.result;
    write(&w, bytes);
    return finishWrite(&w);
}

DataDir::PendingWrite DataDir::beginWrite(const QString& name) {
    PendingWrite w;
    w.actual = actualName(name);
    w.result = guard(w.actual);
    if (!w.result.ok()) return w;
    w.path = QDir(path_).filePath(w.actual);
    w.before = dirModified();
    w.existed = exists(w.actual);
    w.watched = watched_.count(fold(w.actual)) != 0;
    return w;
}

void DataDir::write(PendingWrite* w, const QByteArray& bytes) const {
    // A watched file's print is worked out while the disk takes its bytes: the
    // processor is idle then, and a large file's hash takes a good part of a millisecond.
    std::jthread hasher;
    constexpr qsizetype kWorthAThread = qsizetype(1) << 18;
    if (w->watched && bytes.size() >= kWorthAThread)
        hasher = std::jthread([w, &bytes] { w->hash.add(bytes); });
    else if (w->watched)
        w->hash.add(bytes);
    QString why;
    if (FileIo::replaceWhole(*fs_, w->path, bytes, &why)) return;
    w->result = {QStringLiteral("「%1」を保存できませんでした。\r\n%2%3")
                     .arg(w->actual, why,
                          w->existed ? QStringLiteral("\r\n元のファイルはそのまま残っています。")
                                     : QString()),
                 why};
}

FileResult DataDir::finishWrite(PendingWrite* w) {
    if (!w->result.ok()) return w->result;
    noteAdded(w->actual);
    afterOwnChange(w->before);
    rewatch(w->actual, w->watched ? &w->hash : nullptr);
    return {};
}

FileResult DataDir::append(const QString& name, const QByteArray& bytes) {
    const QString actual = actualName(name);
    if (FileResult g = guard(actual); !g.ok()) return g;
    const QDateTime before = dirModified();
    QString why;
    const bool written = FileIo::appendWhole(*fs_, QDir(path_).filePath(actual), bytes, &why);
    // A failed append into a new file removes it again: the index follows the disk.
    if (QFileInfo::exists(QDir(path_).filePath(actual)) ||
        QFileInfo(QDir(path_).filePath(actual)).isSymLink())
        noteAdded(actual);
    afterOwnChange(before);
    if (!written)
        return {QStringLiteral("「%1」に追記できませんでした。\r\n%2").arg(actual, why), why};
    rewatchAppended(actual, bytes);
    return {};
}

bool DataDir::remove(const QString& name) { return erase(name).ok(); }

FileResult DataDir::erase(const QString& name) {
    const QString actual = actualName(name);
    if (FileResult g = guard(actual); !g.ok()) return g;
    if (!exists(name)) return {};
    const QDateTime before = dirModified();
    const QString path = QDir(path_).filePath(actual);
    if (::unlink(QFile::encodeName(path).constData()) != 0 && errno != ENOENT) {
        const QString why = FileIo::reason(errno);
        return {describe(actual, why), why};
    }
    noteRemoved(actual);
    afterOwnChange(before);
    rewatch(actual, nullptr);
    return {};
}

FileResult DataDir::moveToTrash(const QString& name, QString* inTrash) {
    const QString actual = actualName(name);
    if (FileResult g = guard(actual); !g.ok()) return g;
    const QDateTime before = dirModified();
    Trash::Places places = Trash::Places::fromEnvironment();
    places.volumes = volumes_;
    const Trash::Moved moved = Trash::moveToTrash(QDir(path_).filePath(actual), places);
    if (!moved.ok()) {
        const QString why = QStringLiteral("ごみ箱に移せませんでした。") + moved.reason;
        return {describe(actual, why), why};
    }
    *inTrash = moved.file;
    noteRemoved(actual);
    afterOwnChange(before);
    rewatch(actual, nullptr);
    return {};
}

bool DataDir::hasTrash(const QString& name) const {
    Trash::Places places = Trash::Places::fromEnvironment();
    places.volumes = volumes_;
    return !Trash::trashFor(filePath(name), places).isEmpty();
}

FileResult DataDir::restoreFromTrash(const QString& inTrash, const QString& name) {
    const QString actual = actualName(name);
    if (FileResult g = guard(actual); !g.ok()) return g;
    if (exists(actual)) {
        const QString why = FileIo::reason(EEXIST);
        return {describe(actual, why), why};
    }
    const QDateTime before = dirModified();
    QString why;
    if (!FileIo::renameOver(*fs_, inTrash, QDir(path_).filePath(actual), &why))
        return {describe(actual, why), why};
    // The trash keeps a note of where each file came from; it goes with the file.
    Trash::forget(inTrash);
    noteAdded(actual);
    afterOwnChange(before);
    return {};
}

QString DataDir::datedName(const QString& actual, const QDateTime& now) const {
    const QString stem = actual + now.toString(QStringLiteral(".yyyyMMdd-HHmmss"));
    QString name = stem + QStringLiteral(".bak");
    for (int i = 2; exists(name); ++i) name = stem + QStringLiteral("-%1.bak").arg(i);
    return name;
}

FileResult DataDir::keepAside(const QString& name, const QDateTime& now, QString* asideName) {
    const QString actual = actualName(name);
    if (FileResult g = guard(actual); !g.ok()) return g;
    if (!exists(actual)) {
        const QString why = FileIo::reason(ENOENT);
        return {describe(actual, why), why};
    }
    const QString aside = datedName(actual, now);
    if (FileResult r = renameWithin(actual, aside); !r.ok()) return r;
    rewatch(actual, nullptr);
    *asideName = aside;
    return {};
}

FileResult DataDir::putBackAside(const QString& asideName, const QString& name) {
    const QString actual = actualName(name);
    if (FileResult g = guard(actual); !g.ok()) return g;
    if (exists(actual)) {
        const QString why = FileIo::reason(EEXIST);
        return {describe(actual, why), why};
    }
    return renameWithin(actualName(asideName), actual);
}

// A rename that never replaces: the index may not know of a file just put there.
FileResult DataDir::renameWithin(const QString& from, const QString& to) {
    if (QString refused = refusal(from); !refused.isEmpty()) return {refused, refused};
    const QByteArray target = QFile::encodeName(QDir(path_).filePath(to));
    struct stat st;
    if (::lstat(target.constData(), &st) == 0) {
        const QString why = FileIo::reason(EEXIST);
        return {describe(to, why), why};
    }
    const QDateTime before = dirModified();
    if (fs_->rename(QFile::encodeName(QDir(path_).filePath(from)).constData(),
                    target.constData()) != 0) {
        const QString why = FileIo::reason(errno);
        return {describe(from, why), why};
    }
    noteRemoved(from);
    noteAdded(to);
    afterOwnChange(before);
    return {};
}

FileResult DataDir::copy(const QString& from, const QString& to) {
    QByteArray bytes;
    QString error;
    if (!read(from, &bytes, &error)) return {error, error};
    return writeAtomic(to, bytes);
}

FileResult DataDir::keepAside(const QString& name, const QString& copy) {
    if (exists(copy)) return {describe(copy, FileIo::reason(EEXIST)), FileIo::reason(EEXIST)};
    const QDateTime before = dirModified();
    const QByteArray from = QFile::encodeName(FileIo::followLinks(filePath(name)));
    const QByteArray to = QFile::encodeName(QDir(path_).filePath(copy));
    if (::link(from.constData(), to.constData()) == 0) {
        noteAdded(copy);
        afterOwnChange(before);
        return {};
    }
    // No links here (a file system without them, or a file of another owner).
    return this->copy(name, copy);
}

FileResult DataDir::replace(const QString& from, const QString& to) {
    const QString source = actualName(from);
    const QString target = actualName(to);
    if (FileResult g = guard(target); !g.ok()) return g;
    if (QString refused = refusal(source); !refused.isEmpty()) return {refused, refused};
    const QString targetPath = QDir(path_).filePath(target);
    if (FileIo::madeReadOnly(targetPath)) {
        const QString why = FileIo::readOnlyReason();
        return {QStringLiteral("「%1」を置き換えられませんでした。\r\n%2").arg(target, why), why};
    }
    // The file that takes the target's place keeps the target's permissions.
    if (const QFileInfo old(FileIo::followLinks(targetPath)); old.exists())
        QFile::setPermissions(QDir(path_).filePath(source), old.permissions());
    const QDateTime before = dirModified();
    QString why;
    if (!FileIo::renameOver(*fs_, QDir(path_).filePath(source), targetPath, &why))
        return {QStringLiteral("「%1」を置き換えられませんでした。\r\n%2").arg(target, why), why};
    noteRemoved(source);
    noteAdded(target);
    afterOwnChange(before);
    if (watched(target)) {
        // The target now holds what the source held: known when the source was watched.
        const auto from = watched_.find(fold(source));
        if (from != watched_.end() && from->second.stamp.exists) {
            FilePrint moved = from->second;
            moved.stamp = FileStamp::of(QDir(path_).filePath(target));
            watched_[fold(target)] = moved;
        } else {
            QByteArray bytes;
            QString ignored;
            if (readChecked(target, &bytes, &ignored) == FileIo::ReadResult::Ok)
                watch(target, bytes);
            else
                unwatch(target);
        }
    }
    rewatch(source, nullptr);
    return {};
}
