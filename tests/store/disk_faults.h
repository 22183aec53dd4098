#pragma once

#include "store/backups.h"

// Disks that fail the way real ones do, and a way to see a whole data directory,
// for the tests that prove no change ever costs a byte of what was on disk.

#include "store/file_io.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QString>

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

// The real calls, failing on demand: after writeBudget bytes every write fails
// with writeError, as a device that fills up after N bytes does.
class FailingDisk : public FileSystem {
public:
    qint64 writeBudget = -1;  // -1: writes never fail
    int writeError = ENOSPC;
    bool shortWrite = false;  // a write that takes nothing and reports no error
    int syncError = 0, closeError = 0, renameError = 0, truncateError = 0, readError = 0;
    qint64 written = 0;  // bytes the writes took

    ssize_t write(int fd, const void* data, size_t size) override {
        if (shortWrite) return 0;
        if (writeBudget >= 0) {
            if (writeBudget == 0) {
                errno = writeError;
                return -1;
            }
            size = size_t(qMin<qint64>(qint64(size), writeBudget));
        }
        const ssize_t n = FileSystem::write(fd, data, size);
        if (n > 0) {
            written += n;
            if (writeBudget > 0) writeBudget -= n;
        }
        return n;
    }
    ssize_t read(int fd, void* data, size_t size) override {
        if (readError) return fail(readError);
        return FileSystem::read(fd, data, size);
    }
    int sync(int fd) override { return syncError ? fail(syncError) : FileSystem::sync(fd); }
    int close(int fd) override {
        if (!closeError) return FileSystem::close(fd);
        FileSystem::close(fd);  // the descriptor is gone either way, as with a real error
        return fail(closeError);
    }
    int rename(const char* from, const char* to) override {
        return renameError ? fail(renameError) : FileSystem::rename(from, to);
    }
    int truncate(int fd, off_t length) override {
        return truncateError ? fail(truncateError) : FileSystem::truncate(fd, length);
    }
    void heal() { *this = FailingDisk(); }
    bool concurrent() const override { return false; }  // its budget counts one call at a time

private:
    static int fail(int error) {
        errno = error;
        return -1;
    }
};

// Every entry of a directory, hidden ones and leftovers included: the bytes of a
// regular file, and a mark for a link, a folder, a pipe or a device. The folder
// of daily copies that every start-up keeps is left out, and so is the lock a
// running window holds: they are not the data.
inline QMap<QString, QByteArray> snapshot(const QString& dir) {
    QMap<QString, QByteArray> out;
    const QStringList names =
        QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        if (name == Backups::kFolder || name == QLatin1String(".reelnote.lock")) continue;
        const QString path = QDir(dir).filePath(name);
        const QByteArray native = QFile::encodeName(path);
        struct stat st;
        if (::lstat(native.constData(), &st) != 0) continue;
        if (S_ISLNK(st.st_mode)) {
            char target[4096];
            const ssize_t n = ::readlink(native.constData(), target, sizeof target);
            out[name] = "<link to " + QByteArray(target, int(qMax<ssize_t>(n, 0))) + ">";
        } else if (S_ISREG(st.st_mode)) {
            QFile f(path);
            out[name] = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
        } else {
            out[name] = S_ISDIR(st.st_mode)    ? "<folder>"
                        : S_ISFIFO(st.st_mode) ? "<pipe>"
                                               : "<special>";
        }
    }
    return out;
}

// A small memory file system mounted over a directory while this lives: a real
// disk that fills up. mounted() is false where the machine does not allow it.
class SmallDisk {
public:
    SmallDisk(const QString& path, int kilobytes) : path_(QFile::encodeName(path)) {
        const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k";
        if (::mount("tmpfs", path_.constData(), "tmpfs", 0, options.constData()) == 0)
            mounted_ = true;
        else
            error_ = errno;
    }
    ~SmallDisk() {
        if (mounted_) ::umount2(path_.constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    bool mounted() const { return mounted_; }
    QString whyNot() const {
        return QStringLiteral("mounting a small tmpfs is not allowed here (%1)")
            .arg(QString::fromLocal8Bit(strerror(error_)));
    }

private:
    QByteArray path_;
    bool mounted_ = false;
    int error_ = 0;
};

// Makes the small disk read-only (a remount), as a folder whose medium went
// read-only: no file in it can be written or removed, even by root.
inline bool remountReadOnly(const QString& path) {
    return ::mount("tmpfs", QFile::encodeName(path).constData(), "tmpfs",
                   MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

// Fills the file system that holds dir to the last byte with a file named name.
inline void fillUp(const QString& dir, const QString& name) {
    QFile f(QDir(dir).filePath(name));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return;
    const QByteArray block(4096, 'x');
    while (f.write(block) > 0) {
    }
    while (f.write(block.left(1)) > 0) {
    }
}

// A file size limit for this process while this lives, as `ulimit -f` sets one;
// a write past it fails with EFBIG (the signal it would raise is ignored).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, previous_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*previous_)(int) = nullptr;
};
