#include "trash.h"

#include "file_io.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Trash {
namespace {

QByteArray enc(const QString& path) { return QFile::encodeName(path); }

QString up(const QString& path) { return QFileInfo(path).path(); }

class RealVolumes : public Volumes {};

// Folders of a trash being made, or only looked at (make false): then a folder
// found missing where it could be made counts as made, and so do those below it.
struct Making {
    bool make;
    uid_t uid;
    int error = 0;
    bool pending = false;
};

// The folder at path, made (mode 0700) when missing. own: in a disk's top
// folder, where others may write too, only a real folder of the user's own.
bool folder(Making& m, const QString& path, bool own) {
    if (m.pending) return true;
    struct stat st;
    if ((own ? ::lstat(enc(path).constData(), &st) : ::stat(enc(path).constData(), &st)) == 0) {
        if (!S_ISDIR(st.st_mode)) {
            m.error = ENOTDIR;
            return false;
        }
        if (own && st.st_uid != m.uid) {
            m.error = EACCES;
            return false;
        }
        return true;
    }
    if (errno != ENOENT) {
        m.error = errno;
        return false;
    }
    if (!m.make) {
        if (::access(enc(up(path)).constData(), W_OK | X_OK) != 0) {
            m.error = errno;
            return false;
        }
        m.pending = true;
        return true;
    }
    if (::mkdir(enc(path).constData(), 0700) != 0) {
        m.error = errno;
        return false;
    }
    return true;
}

// The same with every missing folder above it, as the home's data folders are made.
bool folders(Making& m, const QString& path) {
    struct stat st;
    if (::stat(enc(path).constData(), &st) != 0 && errno == ENOENT && up(path) != path &&
        !folders(m, up(path)))
        return false;
    return folder(m, path, false);
}

bool trashFolders(Making& m, const QString& trash, bool own) {
    return folder(m, trash + QStringLiteral("/files"), own) &&
           folder(m, trash + QStringLiteral("/info"), own);
}

struct Found {
    QString trash;
    QString top;  // the disk's top folder; empty for the home trash
    int error = 0;
};

// The trash for files in the folder dir (absolute, free of links).
Found find(const QString& dir, const Places& places, bool make) {
    dev_t fileDevice = 0, homeDevice = 0;
    if (!places.volumes->device(dir, &fileDevice)) return {{}, {}, ENOENT};
    if (!places.home.isEmpty() && places.volumes->device(places.home, &homeDevice) &&
        homeDevice == fileDevice) {
        // The home's own disk has the home trash alone: a top folder there is
        // the system's, not the user's.
        Making m{make, places.uid};
        if (folders(m, places.home) && trashFolders(m, places.home, false))
            return {places.home, {}};
        return {{}, {}, m.error};
    }
    const QString top = places.volumes->topDir(dir);
    if (top.isEmpty()) return {{}, {}, ENOENT};
    const QString base = top == u'/' ? QString() : top;
    const QString uid = QString::number(places.uid);
    // The administrator's shared trash counts only as a real folder with the
    // sticky bit, where nobody can take another's files away.
    const QString shared = base + QStringLiteral("/.Trash");
    struct stat st;
    if (::lstat(enc(shared).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
        (st.st_mode & S_ISVTX)) {
        Making m{make, places.uid};
        const QString mine = shared + u'/' + uid;
        if (folder(m, mine, true) && trashFolders(m, mine, true)) return {mine, top};
    }
    Making m{make, places.uid};
    const QString own = base + QStringLiteral("/.Trash-") + uid;
    if (folder(m, own, true) && trashFolders(m, own, true)) return {own, top};
    return {{}, {}, m.error};
}

QString noTrash(int error) {
    const QString none = QStringLiteral("このファイルを移せるごみ箱がありません。");
    return error == 0 ? none : none + FileIo::reason(error);
}

// "甲.jpg", then "甲.2.jpg", "甲.3.jpg"...: the file manager still knows the kind.
QString nameInTrash(const QString& name, int n) {
    if (n == 1) return name;
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot <= 0) return name + u'.' + QString::number(n);
    return name.left(dot) + u'.' + QString::number(n) + name.mid(dot);
}

bool writeAll(int fd, const QByteArray& bytes) {
    const char* at = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, at, size_t(left));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        at += n;
        left -= n;
    }
    return true;
}

QString canonicalFolderOf(const QString& path) {
    return QFileInfo(QFileInfo(path).absolutePath()).canonicalFilePath();
}

}  // namespace

bool Volumes::device(const QString& path, dev_t* dev) const {
    QString at = QDir::cleanPath(QDir(path).absolutePath());
    struct stat st;
    while (::stat(enc(at).constData(), &st) != 0) {
        if (up(at) == at) return false;
        at = up(at);
    }
    *dev = st.st_dev;
    return true;
}

QString Volumes::topDir(const QString& dir) const {
    struct stat st;
    if (::stat(enc(dir).constData(), &st) != 0) return {};
    QString at = dir;
    for (;;) {
        const QString above = up(at);
        struct stat ast;
        if (above == at || ::stat(enc(above).constData(), &ast) != 0 || ast.st_dev != st.st_dev)
            return at;
        at = above;
    }
}

const Volumes& Volumes::real() {
    static const RealVolumes volumes;
    return volumes;
}

Places Places::fromEnvironment() {
    Places p;
    p.uid = ::getuid();
    const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (QDir::isAbsolutePath(dataHome)) {
        p.home = QDir::cleanPath(dataHome + QStringLiteral("/Trash"));
        return p;
    }
    QString home = qEnvironmentVariable("HOME");
    if (!QDir::isAbsolutePath(home))
        if (const passwd* pw = ::getpwuid(p.uid); pw && pw->pw_dir)
            home = QFile::decodeName(pw->pw_dir);
    if (QDir::isAbsolutePath(home))
        p.home = QDir::cleanPath(home + QStringLiteral("/.local/share/Trash"));
    return p;
}

QByteArray encodePath(const QByteArray& path) {
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(path.size() * 3);
    for (const char ch : path) {
        const auto c = uchar(ch);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            (c != 0 && std::strchr("-_.!~*'()/", c))) {
            out += ch;
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

Moved moveToTrash(const QString& path, const Places& places, const QDateTime& when) {
    const QString name = QFileInfo(path).fileName();
    struct stat st;
    if (name.isEmpty() || ::lstat(enc(path).constData(), &st) != 0)
        return {{}, FileIo::reason(name.isEmpty() ? ENOENT : errno)};
    const QString dir = canonicalFolderOf(path);
    if (dir.isEmpty()) return {{}, FileIo::reason(ENOENT)};
    const Found where = find(dir, places, true);
    if (where.trash.isEmpty()) return {{}, noTrash(where.error)};

    // The home trash notes where the file was in full; a disk's own trash
    // relative to its top folder, so that it still holds when mounted elsewhere.
    const QString original = dir == u'/' ? u'/' + name : dir + u'/' + name;
    QString noted = original;
    if (where.top == u'/')
        noted = original.mid(1);
    else if (!where.top.isEmpty() && original.startsWith(where.top + u'/'))
        noted = original.mid(where.top.size() + 1);
    const QByteArray note =
        "[Trash Info]\nPath=" + encodePath(enc(noted)) + "\nDeletionDate=" +
        when.toLocalTime().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")).toLatin1() + '\n';

    constexpr int kTries = 10000;
    for (int n = 1; n <= kTries; ++n) {
        const QString taken = nameInTrash(name, n);
        // The note reserves the name: whoever made it first owns it.
        const QByteArray info =
            enc(where.trash + QStringLiteral("/info/") + taken + QStringLiteral(".trashinfo"));
        const int fd = ::open(info.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return {{}, FileIo::reason(errno)};
        }
        bool written = writeAll(fd, note);
        int error = errno;
        if (::close(fd) != 0 && written) {
            written = false;
            error = errno;
        }
        if (!written) {
            ::unlink(info.constData());
            return {{}, FileIo::reason(error)};
        }
        // A file left in the trash without its note keeps its name: rename would replace it.
        const QString target = where.trash + QStringLiteral("/files/") + taken;
        struct stat there;
        const int found = ::lstat(enc(target).constData(), &there) == 0 ? 0 : errno;
        if (found != ENOENT) {
            ::unlink(info.constData());
            if (found == 0) continue;
            return {{}, FileIo::reason(found)};
        }
        if (::rename(enc(path).constData(), enc(target).constData()) != 0) {
            error = errno;
            ::unlink(info.constData());
            if (error == EXDEV)
                return {
                    {},
                    QStringLiteral("ごみ箱がこのファイルと別のディスクにあるため、移せません。")};
            return {{}, FileIo::reason(error)};
        }
        return {target, {}};
    }
    return {{}, FileIo::reason(EEXIST)};
}

QString trashFor(const QString& path, const Places& places) {
    const QString dir = canonicalFolderOf(path);
    return dir.isEmpty() ? QString() : find(dir, places, false).trash;
}

QString infoFileOf(const QString& trashed) {
    const QFileInfo file(trashed);
    const QFileInfo files(file.path());
    if (files.fileName() != QStringLiteral("files")) return {};
    return files.path() + QStringLiteral("/info/") + file.fileName() + QStringLiteral(".trashinfo");
}

bool forget(const QString& trashed) {
    const QString info = infoFileOf(trashed);
    if (info.isEmpty()) return false;
    return ::unlink(enc(info).constData()) == 0 || errno == ENOENT;
}

}  // namespace Trash
