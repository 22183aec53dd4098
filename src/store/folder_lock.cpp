#include "folder_lock.h"

#include "data_dir.h"
#include "dir_listing.h"
#include "file_io.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QRegularExpression>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

// Hidden, so that the folder looks as it always did.
const QString FolderLock::kFileName = QStringLiteral(".reelnote.lock");

FolderLock::FolderLock(const QString& folder) : path_(QDir(folder).filePath(kFileName)) {}

FolderLock::~FolderLock() = default;

bool FolderLock::held() const { return lock_ && lock_->isLocked(); }

void FolderLock::release() { lock_.reset(); }

FolderLock::Outcome FolderLock::take() {
    otherHost_.clear();
    why_.clear();
    for (int attempt = 0; attempt < 2; ++attempt) {
        lock_ = std::make_unique<QLockFile>(path_);
        // Held for the whole run, however long: only a lock whose program is gone
        // is taken over, never one merely old.
        lock_->setStaleLockTime(0);
        if (lock_->tryLock(0)) return Outcome::Held;
        const QLockFile::LockError error = lock_->error();
        qint64 pid = 0;
        QString host, app;
        const bool named =
            error == QLockFile::LockFailedError && lock_->getLockInfo(&pid, &host, &app);
        lock_.reset();
        if (error != QLockFile::LockFailedError) {
            why_ = probeWhy();
            return Outcome::Unwritable;
        }
        if (named) {
            otherHost_ = host;
            return Outcome::HeldElsewhere;
        }
        // A lock that names no program: its writer died before it wrote it (a power
        // cut), unless one is writing it right now.
        if (attempt > 0 || !removeOwnerless()) break;
    }
    return why_.isEmpty() ? Outcome::HeldElsewhere : Outcome::Unwritable;
}

bool FolderLock::removeOwnerless() {
    const QByteArray native = QFile::encodeName(path_);
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
    bool removed = false;
    struct stat opened, now;
    // The program that makes a lock holds this lock on it from before it writes
    // a byte until it ends; and only the one holding it may remove the file, so
    // two starts at once cannot both remove it, nor remove a lock just made.
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &opened) == 0 &&
        ::lstat(native.constData(), &now) == 0 && opened.st_dev == now.st_dev &&
        opened.st_ino == now.st_ino) {
        if (::unlink(native.constData()) == 0)
            removed = true;
        else if (errno != ENOENT)
            why_ = FileIo::reason(errno);
    }
    ::close(fd);
    return removed;
}

QString FolderLock::probeWhy() const {
    const QByteArray native = QFile::encodeName(path_);
    int error = 0;
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = errno;
    } else {
        // As much as a lock holds, and on the disk.
        const QByteArray probe(128, '\n');
        const ssize_t n = ::write(fd, probe.constData(), size_t(probe.size()));
        if (n < 0)
            error = errno;
        else if (n < probe.size())
            error = ENOSPC;
        else if (::fsync(fd) != 0)
            error = errno;
        ::close(fd);
        ::unlink(native.constData());
    }
    if (error != 0 && error != EEXIST) return FileIo::reason(error);
    return QStringLiteral("ロックファイル（%1）を書き込めませんでした。").arg(kFileName);
}

bool FolderLock::processGone(qint64 pid) {
    return pid > 0 && pid <= INT_MAX && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

QStringList FolderLock::removeDeadTemporaries(DataDir& dir) {
    // The name a save gives its new file until it takes the old one's place.
    static const QRegularExpression kTemporary(QStringLiteral("^\\..+\\.(\\d{1,10})-\\d+\\.tmp$"));
    QStringList candidates;
    forEachNonDirectoryName(dir.path(), [&](QStringView name) {
        if (name.startsWith(u'.') && name.endsWith(u".tmp")) candidates << name.toString();
    });
    QStringList removed;
    for (const QString& name : std::as_const(candidates)) {
        const QRegularExpressionMatch m = kTemporary.match(name);
        if (!m.hasMatch()) continue;
        struct stat st;
        const QByteArray native = QFile::encodeName(QDir(dir.path()).filePath(name));
        if (::lstat(native.constData(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        if (!processGone(m.captured(1).toLongLong())) continue;
        if (dir.erase(name).ok()) removed << name;
    }
    return removed;
}
