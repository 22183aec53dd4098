#include "collection_files.h"

#include "backups.h"
#include "file_io.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace {
// path with every link followed and the folders on the way made canonical; the
// part that does not exist yet is kept as written.
QString resolved(const QString& path) {
    QString existing = FileIo::followLinks(QFileInfo(path).absoluteFilePath());
    QStringList rest;
    while (!QFileInfo::exists(existing)) {
        const QFileInfo info(existing);
        if (info.fileName().isEmpty()) break;  // the root
        rest.prepend(info.fileName());
        existing = info.absolutePath();
    }
    QString out = QFileInfo(existing).canonicalFilePath();
    if (out.isEmpty()) out = existing;
    for (const QString& part : rest) out = QDir(out).filePath(part);
    return out;
}

bool isOwnName(const QString& name) {
    for (const QLatin1String ext :
         {QLatin1String(".txt"), QLatin1String(".jpg"), QLatin1String(".gif"),
          QLatin1String(".bmp"), QLatin1String(".bak")})
        if (name.endsWith(ext, Qt::CaseInsensitive)) return true;
    return false;
}
}  // namespace

bool isCollectionFile(const QString& dataDir, const QString& path) {
    const QString folder = resolved(dataDir);
    const QString target = resolved(path);
    if (!target.startsWith(folder + u'/')) return false;
    const QStringList parts = target.mid(folder.size() + 1).split(u'/');
    if (parts.size() == 1) return isOwnName(parts.front());
    return parts.front().toCaseFolded() == Backups::kFolder.toCaseFolded();
}
