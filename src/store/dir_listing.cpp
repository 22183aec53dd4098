#include "dir_listing.h"

#include <QFile>
#include <QStringDecoder>
#include <QVarLengthArray>

#include <cstring>

#include <dirent.h>
#include <sys/stat.h>

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
        f(QStringView(buffer.data(), decode.appendToBuffer(buffer.data(), bytes)));
    }
    ::closedir(d);
}
