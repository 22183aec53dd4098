#include "dir_listing.h"

#include <QFile>

#include <dirent.h>
#include <sys/stat.h>

void forEachNonDirectoryName(const QString& dir, const std::function<void(const QString&)>& f) {
    DIR* d = ::opendir(QFile::encodeName(dir).constData());
    if (!d) return;
    const int fd = ::dirfd(d);
    while (const dirent* e = ::readdir(d)) {
        const char* n = e->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
        bool directory = e->d_type == DT_DIR;
        // Links and file systems that do not tell the type need a look at the entry.
        if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
            struct stat st;
            directory = ::fstatat(fd, n, &st, 0) == 0 && S_ISDIR(st.st_mode);
        }
        if (!directory) f(QFile::decodeName(n));
    }
    ::closedir(d);
}
