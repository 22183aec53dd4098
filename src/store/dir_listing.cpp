#include "dir_listing.h"

#include <QFile>
#include <QStringDecoder>
#include <QVarLengthArray>

#include <cstring>

#include <dirent.h>
#include <sys/stat.h>

namespace {
// A name in well-formed UTF-8 decoded into out, which has room for as many
// units as the name has bytes; -1 for anything else (a byte-order mark first,
// a malformed or overlong sequence, a surrogate), which the caller leaves to
// QStringDecoder. A folder of a hundred thousand names is decoded at start-up,
// and Qt's general decoder takes several times longer over such short texts.
qsizetype decodeWellFormed(const uchar* p, qsizetype n, char16_t* out) {
    if (n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) return -1;
    char16_t* o = out;
    for (qsizetype i = 0; i < n;) {
        const uchar b = p[i];
        if (b < 0x80) {
            *o++ = b;
            ++i;
        } else if (b >= 0xC2 && b <= 0xDF) {
            if (i + 1 >= n || (p[i + 1] & 0xC0) != 0x80) return -1;
            *o++ = char16_t(((b & 0x1F) << 6) | (p[i + 1] & 0x3F));
            i += 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            if (i + 2 >= n || (p[i + 1] & 0xC0) != 0x80 || (p[i + 2] & 0xC0) != 0x80) return -1;
            const char16_t c =
                char16_t(((b & 0x0F) << 12) | ((p[i + 1] & 0x3F) << 6) | (p[i + 2] & 0x3F));
            if (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF)) return -1;
            *o++ = c;
            i += 3;
        } else if (b >= 0xF0 && b <= 0xF4) {
            if (i + 3 >= n || (p[i + 1] & 0xC0) != 0x80 || (p[i + 2] & 0xC0) != 0x80 ||
                (p[i + 3] & 0xC0) != 0x80)
                return -1;
            const char32_t c = (char32_t(b & 0x07) << 18) | (char32_t(p[i + 1] & 0x3F) << 12) |
                               (char32_t(p[i + 2] & 0x3F) << 6) | char32_t(p[i + 3] & 0x3F);
            if (c < 0x10000 || c > 0x10FFFF) return -1;
            *o++ = QChar::highSurrogate(c);
            *o++ = QChar::lowSurrogate(c);
            i += 4;
        } else {
            return -1;
        }
    }
    return o - out;
}
}  // namespace

void forEachNonDirectoryName(const QString& dir, const std::function<void(QStringView)>& f) {
    DIR* d = ::opendir(QFile::encodeName(dir).constData());
    if (!d) return;
    const int fd = ::dirfd(d);
    // Names are decoded as QFile::decodeName does, into one reused buffer
    // rather than a string each: a hundred thousand names are listed at start-up.
    QStringDecoder decode(QStringDecoder::System, QStringDecoder::Flag::Stateless);
    QVarLengthArray<QChar, 512> buffer;
    while (const dirent* e = ::readdir(d)) {
        const char* n = e->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
        bool directory = e->d_type == DT_DIR;
        // Links and file systems that do not tell the type need a look at the entry.
        if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
            struct stat st;
            directory = ::fstatat(fd, n, &st, 0) == 0 && S_ISDIR(st.st_mode);
        }
        if (directory) continue;
        const QByteArrayView bytes(n, qsizetype(std::strlen(n)));
        buffer.resize(bytes.size() + 1);  // UTF-16 never takes more units than UTF-8 bytes
        qsizetype size = decodeWellFormed(reinterpret_cast<const uchar*>(n), bytes.size(),
                                          reinterpret_cast<char16_t*>(buffer.data()));
        if (size < 0) size = decode.appendToBuffer(buffer.data(), bytes) - buffer.data();
        f(QStringView(buffer.data(), size));
    }
    ::closedir(d);
}
