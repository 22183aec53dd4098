#include "thumbnail_cache.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QImageWriter>
#include <QStandardPaths>
#include <QUrl>

#include <array>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace Thumbnails {
namespace {
const QString kUri = QStringLiteral("Thumb::URI");
const QString kMTime = QStringLiteral("Thumb::MTime");
const QString kSize = QStringLiteral("Thumb::Size");
// Beside the desktop's own keys, which other programs pass over: a file
// replaced within the second of the one before, at the same size, is told apart.
const QString kMTimeNsec = QStringLiteral("X-Reelnote::MTime-NSec");

// zlib's fastest level (Qt's scale runs to 100): a thumbnail is written once and
// read often, and the next levels save a few percent for several times the time.
constexpr int kPngCompression = 20;

QString folderOf(int side) {
    switch (side) {
        case 256:
            return QStringLiteral("large");
        case 512:
            return QStringLiteral("x-large");
        default:
            return QStringLiteral("xx-large");
    }
}

QString systemError(const QString& path) {
    return QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
}

// Makes each missing folder of path, readable by the user alone, as the desktop's
// thumbnail cache asks; folders that are there are left as they are.
bool makeFolders(const QString& path, QString* error) {
    if (QFileInfo(path).isDir()) return true;
    const QString parent = QFileInfo(path).path();
    if (parent != path && !makeFolders(parent, error)) return false;
    if (::mkdir(QFile::encodeName(path).constData(), 0700) == 0 || errno == EEXIST) return true;
    *error = systemError(path);
    return false;
}

bool same(const QByteArray& stored, qint64 value) {
    bool ok = false;
    return stored.toLongLong(&ok) == value && ok;
}

quint32 bigEndianAt(const QByteArray& b, qsizetype at) {
    return quint32(uchar(b[at])) << 24 | quint32(uchar(b[at + 1])) << 16 |
           quint32(uchar(b[at + 2])) << 8 | quint32(uchar(b[at + 3]));
}

// The text chunks of a PNG before its pixels, by key. Qt's reader hands them on
// cut at the first colon of a key, which every key here has.
QHash<QString, QByteArray> textsOf(const QByteArray& png) {
    QHash<QString, QByteArray> texts;
    if (!png.startsWith("\x89PNG\r\n\x1a\n")) return texts;
    qsizetype at = 8;
    while (at + 12 <= png.size()) {
        const qint64 length = bigEndianAt(png, at);
        const QByteArray type = png.mid(at + 4, 4);
        if (type == "IDAT" || length > png.size() - at - 12) break;
        if (type == "tEXt") {
            const QByteArray body = png.mid(at + 8, qsizetype(length));
            const qsizetype nul = body.indexOf('\0');
            if (nul > 0) texts.insert(QString::fromLatin1(body.left(nul)), body.mid(nul + 1));
        }
        at += 12 + qsizetype(length);
    }
    return texts;
}

bool writeAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += n;
    }
    return true;
}

quint32 crc32(const QByteArray& bytes) {
    static const auto table = [] {
        std::array<quint32, 256> t{};
        for (quint32 n = 0; n < 256; ++n) {
            quint32 c = n;
            for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    quint32 c = 0xFFFFFFFFu;
    for (const char b : bytes) c = table[(c ^ uchar(b)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

QByteArray bigEndian(quint32 v) {
    const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    return QByteArray(b, 4);
}

// The picture as a PNG with the keys in text chunks after its header. Qt's writer
// would cut a key at its first colon, so the chunks are put in here.
QByteArray png(const Source& source, const QImage& image, QString* error) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.setCompression(kPngCompression);
    // Eight bits a channel with alpha, as the desktop's thumbnail cache asks.
    if (!writer.write(image.convertToFormat(QImage::Format_ARGB32))) {
        *error = writer.errorString();
        return {};
    }
    QByteArray bytes = buffer.data();
    constexpr qsizetype kAfterHeader = 8 + 4 + 4 + 13 + 4;  // signature, IHDR chunk
    if (bytes.size() < kAfterHeader || bytes.mid(12, 4) != "IHDR") {
        *error = QStringLiteral("the PNG writer gave no header");
        return {};
    }
    const std::pair<QString, QByteArray> keys[] = {
        {kUri, source.uri},
        {kMTime, QByteArray::number(source.mtime)},
        {kSize, QByteArray::number(source.size)},
        {kMTimeNsec, QByteArray::number(source.mtimeNsec)},
        {QStringLiteral("Software"), QByteArrayLiteral("reelnote")},
    };
    QByteArray chunks;
    for (const auto& [key, value] : keys) {
        const QByteArray body = "tEXt" + key.toLatin1() + '\0' + value;
        chunks += bigEndian(quint32(body.size() - 4)) + body + bigEndian(crc32(body));
    }
    bytes.insert(kAfterHeader, chunks);
    return bytes;
}
}  // namespace

bool source(const QString& path, Source* out) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    out->path = path;
    out->uri = QUrl::fromLocalFile(QDir::cleanPath(QFileInfo(path).absoluteFilePath())).toEncoded();
    out->size = qint64(st.st_size);
    out->mtime = qint64(st.st_mtim.tv_sec);
    out->mtimeNsec = qint64(st.st_mtim.tv_nsec);
    return true;
}

int sideFor(QSize box) {
    const int longest = qMax(box.width(), box.height());
    for (int side : {256, 512, 1024})
        if (longest <= side) return side;
    return 0;
}

QString root() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/thumbnails");
}

QString fileFor(const QByteArray& uri, int side) {
    const QByteArray md5 = QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex();
    return root() + u'/' + folderOf(side) + u'/' + QString::fromLatin1(md5) +
           QStringLiteral(".png");
}

QImage load(const Source& source, int side) {
    QByteArray bytes;
    if (side <= 0 || !PictureReader::readRegular(fileFor(source.uri, side), &bytes)) return {};
    // The keys stand before the pixels: a thumbnail of another file, or of this one
    // before it changed, is passed over unread.
    const QHash<QString, QByteArray> keys = textsOf(bytes);
    if (keys.value(kUri) != source.uri || !same(keys.value(kMTime), source.mtime)) return {};
    for (const auto& [key, value] :
         {std::pair(kSize, source.size), std::pair(kMTimeNsec, source.mtimeNsec)}) {
        if (keys.contains(key) && !same(keys.value(key), value)) return {};
    }
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty() || size.width() > side || size.height() > side) return {};
    return reader.read();
}

bool keep(const Source& source, int side, const QImage& image, QString* error) {
    const QString target = fileFor(source.uri, side);
    if (!makeFolders(QFileInfo(target).path(), error)) return false;
    const QByteArray bytes = png(source, image, error);
    if (bytes.isEmpty()) return false;
    // mkstemp makes the file readable by the user alone.
    QByteArray temporary = QFile::encodeName(target) + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        *error = systemError(target);
        return false;
    }
    const bool written = writeAll(fd, bytes);
    if (::close(fd) != 0 || !written ||
        ::rename(temporary.constData(), QFile::encodeName(target).constData()) != 0) {
        *error = systemError(QFile::decodeName(temporary));
        ::unlink(temporary.constData());
        return false;
    }
    return true;
}

Shown readStretched(const QString& path, QSize box) {
    Shown shown;
    const int side = sideFor(box);
    if (side == 0 || !source(path, &shown.source)) {
        shown.picture = PictureReader::readStretched(path, box);
        return shown;
    }
    shown.side = side;
    const QImage kept = load(shown.source, side);
    if (!kept.isNull()) {
        shown.fromThumbnail = true;
        shown.picture.outcome = PictureReader::Outcome::Decoded;
        shown.picture.image = kept.scaled(box, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        return shown;
    }
    // Read at the thumbnail's size, which is also the box's or larger.
    PictureReader::Picture p = PictureReader::read(path, [side](QSize natural) {
        if (natural.width() <= side && natural.height() <= side) return natural;
        return natural.scaled(side, side, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    });
    if (p.ok()) {
        if (p.naturalSize.width() > side || p.naturalSize.height() > side)
            shown.thumbnail = p.image;
        if (p.image.size() != box)
            p.image = p.image.scaled(box, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    shown.picture = std::move(p);
    return shown;
}

}  // namespace Thumbnails
