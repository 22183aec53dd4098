#include "file_io.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>

ssize_t FileSystem::write(int fd, const void* data, size_t size) { return ::write(fd, data, size); }
ssize_t FileSystem::read(int fd, void* data, size_t size) { return ::read(fd, data, size); }
int FileSystem::sync(int fd) { return ::fdatasync(fd); }
int FileSystem::close(int fd) { return ::close(fd); }
int FileSystem::rename(const char* from, const char* to) { return std::rename(from, to); }
int FileSystem::truncate(int fd, off_t length) { return ::ftruncate(fd, length); }

FileSystem& FileSystem::real() {
    // Past a file size limit the system would kill the program in the middle of a
    // save; ignored, the write fails with EFBIG and is reported like a full disk.
    static const bool ignoreSizeSignal = (std::signal(SIGXFSZ, SIG_IGN), true);
    Q_UNUSED(ignoreSizeSignal);
    static FileSystem fs;
    return fs;
}

namespace FileIo {

namespace {
// Larger than any file of a collection; a bigger one is not read into memory.
constexpr qint64 kMaxReadSize = qint64(512) << 20;
constexpr int kShortWrite = -1;  // a write that took no byte and gave no error

QByteArray native(const QString& path) { return QFile::encodeName(path); }

QString sizeMismatch(qint64 expected, qint64 found) {
    return QStringLiteral("書き込んだ大きさが合いません（%1 バイトのはずが %2 バイト）。")
        .arg(expected)
        .arg(found);
}

QString why(int error) {
    return error == kShortWrite ? QStringLiteral("途中までしか書き込めませんでした。")
                                : reason(error);
}

// Writes all of bytes; 0 on success, else the errno (or kShortWrite).
int writeAll(FileSystem& fs, int fd, const QByteArray& bytes) {
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = fs.write(fd, p, size_t(qMin<qsizetype>(left, qsizetype(1) << 30)));
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return kShortWrite;
        p += n;
        left -= n;
    }
    return 0;
}

// A fresh file beside target that no one else uses.
int createTemporary(const QString& target, QByteArray* name) {
    static std::atomic<int> counter{0};
    const QFileInfo info(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        *name = native(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                       QStringLiteral(".%1-%2.tmp").arg(::getpid()).arg(++counter));
        const int fd = ::open(name->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}
}  // namespace

QString reason(int error) {
    switch (error) {
        case ENOSPC:
            return QStringLiteral(
                "ディスクの空き容量が足りません。空きを作ってから、もう一度やり直してください。");
        case EDQUOT:
            return QStringLiteral(
                "ディスクの使用量の上限（クォータ）に達しています。"
                "空きを作ってから、もう一度やり直してください。");
        case EFBIG:
            return QStringLiteral("ファイルの大きさの上限を超えるため、書き込めません。");
        case EACCES:
        case EPERM:
            return QStringLiteral("ファイルまたはフォルダーにアクセスする権限がありません。");
        case EROFS:
            return QStringLiteral("読み取り専用の場所にあるため、書き込めません。");
        case EIO:
            return QStringLiteral("ディスクの読み書きでエラーが起きました（入出力エラー）。");
        case EISDIR:
            return QStringLiteral("同じ名前のフォルダーがあります。");
        case ENOENT:
        case ENOTDIR:
            return QStringLiteral("ファイルまたはフォルダーが見つかりません。");
        case ENAMETOOLONG:
            return QStringLiteral("ファイル名が長すぎます。");
        case ELOOP:
            return QStringLiteral("シンボリックリンクが循環しています。");
        case EMFILE:
        case ENFILE:
            return QStringLiteral("開いているファイルが多すぎます。");
        default:
            return QStringLiteral("エラーが起きました（%1）。")
                .arg(QString::fromLocal8Bit(std::strerror(error)));
    }
}

QString readOnlyReason() {
    return QStringLiteral(
        "読み取り専用のファイルのため、書き込めません。書き込むには、ファイルの読み取り専用を"
        "解除してください。");
}

bool madeReadOnly(const struct stat& st, const QByteArray& name) {
    // The mode bits are asked too: root may write anywhere, but a file the user
    // made read-only is refused whoever runs the program.
    return (st.st_mode & 0222) == 0 || ::access(name.constData(), W_OK) != 0;
}

bool madeReadOnly(const QString& path) {
    const QByteArray name = native(followLinks(path));
    struct stat st;
    return ::stat(name.constData(), &st) == 0 && S_ISREG(st.st_mode) && madeReadOnly(st, name);
}

QString notRegularReason() {
    return QStringLiteral(
        "通常のファイルではありません（フォルダー、名前付きパイプ、装置などです）。");
}

Kind kindOf(const QString& path, int* error) {
    struct stat st;
    if (::stat(native(path).constData(), &st) != 0) {
        if (error) *error = errno;
        return errno == ENOENT ? Kind::Missing : Kind::Other;
    }
    if (error) *error = 0;
    return S_ISREG(st.st_mode) ? Kind::Regular : Kind::Other;
}

QString followLinks(const QString& path) {
    QString current = path;
    for (int hops = 0; hops < 40; ++hops) {
        const QByteArray name = native(current);
        struct stat st;
        if (::lstat(name.constData(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        QByteArray target(PATH_MAX, Qt::Uninitialized);
        const ssize_t n = ::readlink(name.constData(), target.data(), size_t(target.size()));
        if (n <= 0) return current;
        const QString next = QFile::decodeName(target.left(n));
        current = next.startsWith(u'/') ? next : QFileInfo(current).absolutePath() + u'/' + next;
    }
    return current;
}

ReadResult readWhole(FileSystem& fs, const QString& path, QByteArray* bytes, QString* whyOut) {
    bytes->clear();
    // Looked at before it is opened: opening a pipe would wait for a writer.
    int error = 0;
    switch (kindOf(path, &error)) {
        case Kind::Missing:
            return ReadResult::Missing;
        case Kind::Other:
            *whyOut = error ? reason(error) : notRegularReason();
            return ReadResult::Unreadable;
        case Kind::Regular:
            break;
    }
    const int fd = ::open(native(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *whyOut = reason(errno);
        return errno == ENOENT ? ReadResult::Missing : ReadResult::Unreadable;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {  // swapped since the look
        *whyOut = notRegularReason();
        ::close(fd);
        return ReadResult::Unreadable;
    }
    if (st.st_size > kMaxReadSize) {
        *whyOut = QStringLiteral("ファイルが大きすぎます（%1 MB）。").arg(st.st_size >> 20);
        ::close(fd);
        return ReadResult::Unreadable;
    }
    QByteArray buffer(qsizetype(st.st_size) + 1, Qt::Uninitialized);  // +1 sees the end
    qsizetype used = 0;
    for (;;) {
        if (used == buffer.size()) {
            if (buffer.size() > kMaxReadSize) {
                *whyOut = QStringLiteral("ファイルが大きすぎます。");
                ::close(fd);
                return ReadResult::Unreadable;
            }
            buffer.resize(buffer.size() * 2);
        }
        const ssize_t n = fs.read(fd, buffer.data() + used, size_t(buffer.size() - used));
        if (n < 0) {
            if (errno == EINTR) continue;
            *whyOut = reason(errno);
            ::close(fd);
            return ReadResult::Unreadable;
        }
        if (n == 0) break;
        used += n;
    }
    ::close(fd);
    buffer.truncate(used);
    *bytes = std::move(buffer);
    return ReadResult::Ok;
}

int lastByte(const QString& path) {
    if (kindOf(path) != Kind::Regular) return -1;
    const int fd = ::open(native(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st;
    unsigned char c = 0;
    const bool got = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 &&
                     ::pread(fd, &c, 1, st.st_size - 1) == 1;
    ::close(fd);
    return got ? c : -1;
}

bool replaceWhole(FileSystem& fs, const QString& path, const QByteArray& bytes, QString* whyOut) {
    const QString target = followLinks(path);
    const QByteArray targetName = native(target);
    struct stat old;
    const bool existed = ::stat(targetName.constData(), &old) == 0;
    if (!existed && errno != ENOENT) {
        *whyOut = reason(errno);
        return false;
    }
    if (existed && !S_ISREG(old.st_mode)) {
        *whyOut = notRegularReason();
        return false;
    }
    if (existed && madeReadOnly(old, targetName)) {
        *whyOut = readOnlyReason();
        return false;
    }
    QByteArray temporary;
    int fd = createTemporary(target, &temporary);
    if (fd < 0) {
        *whyOut = reason(errno);
        return false;
    }
    const auto fail = [&](int error, const QString& text = {}) {
        if (fd >= 0) ::close(fd);
        ::unlink(temporary.constData());
        *whyOut = text.isEmpty() ? why(error) : text;
        return false;
    };
    if (existed) {
        // The new file takes the old one's place: its permissions and, where we may, its owner.
        if (::fchmod(fd, old.st_mode & 07777) != 0) return fail(errno);
        if ((old.st_uid != ::geteuid() || old.st_gid != ::getegid()) &&
            ::fchown(fd, old.st_uid, old.st_gid) != 0) {
            // Not permitted for others' files; the file then belongs to the user who saved it.
        }
    }
    if (const int error = writeAll(fs, fd, bytes)) return fail(error);
    if (fs.sync(fd) != 0) return fail(errno);
    struct stat written;
    if (::fstat(fd, &written) != 0) return fail(errno);
    if (written.st_size != bytes.size())
        return fail(0, sizeMismatch(bytes.size(), written.st_size));
    const int closed = fs.close(fd);
    fd = -1;
    if (closed != 0) return fail(errno);
    if (fs.rename(temporary.constData(), targetName.constData()) != 0) return fail(errno);
    return true;
}

bool appendWhole(FileSystem& fs, const QString& path, const QByteArray& bytes, QString* whyOut) {
    const QByteArray name = native(followLinks(path));
    bool created = false;
    int fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        created = fd >= 0;
    }
    if (fd < 0) {
        *whyOut = errno == ENXIO ? notRegularReason() : reason(errno);  // ENXIO: a pipe
        return false;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        *whyOut = notRegularReason();
        ::close(fd);
        return false;
    }
    if (madeReadOnly(st, name)) {
        *whyOut = readOnlyReason();
        ::close(fd);
        return false;
    }
    const off_t oldSize = st.st_size;
    // Whatever got written is cut off again, so a record is in the file whole or not at all.
    const auto undo = [&](const QString& text) {
        const bool cut = fs.truncate(fd, oldSize) == 0;
        if (cut) fs.sync(fd);  // a failed sync cannot undo the cut; the length is right
        ::close(fd);
        if (created) ::unlink(name.constData());
        *whyOut =
            text + (cut || created
                        ? QStringLiteral("\r\nファイルは追記する前のまま残っています。")
                        : QStringLiteral("\r\n途中まで書き込まれた部分を取り除けませんでした。"
                                         "ファイルの末尾を確かめてください。"));
        return false;
    };
    if (const int error = writeAll(fs, fd, bytes)) return undo(why(error));
    if (fs.sync(fd) != 0) return undo(reason(errno));
    if (::fstat(fd, &st) != 0) return undo(reason(errno));
    if (st.st_size != oldSize + bytes.size())
        return undo(sizeMismatch(oldSize + bytes.size(), st.st_size));
    // Synced and of the right length, the record is on the disk whatever close says;
    // calling it a failure would leave the table short of a record the file holds.
    fs.close(fd);
    return true;
}

bool renameOver(FileSystem& fs, const QString& from, const QString& to, QString* whyOut) {
    const QString target = followLinks(to);
    if (kindOf(target) == Kind::Other) {
        *whyOut = notRegularReason();
        return false;
    }
    if (fs.rename(native(from).constData(), native(target).constData()) == 0) return true;
    if (errno != EXDEV) {
        *whyOut = reason(errno);
        return false;
    }
    // The link leads onto another file system, where no rename reaches: copy instead.
    QByteArray bytes;
    if (readWhole(fs, from, &bytes, whyOut) != ReadResult::Ok) {
        if (whyOut->isEmpty()) *whyOut = reason(ENOENT);
        return false;
    }
    if (!replaceWhole(fs, target, bytes, whyOut)) return false;
    ::unlink(native(from).constData());
    return true;
}

}  // namespace FileIo
