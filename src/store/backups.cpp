#include "backups.h"

#include "catalogue.h"
#include "data_dir.h"

#include <QDir>
#include <QRegularExpression>

namespace Backups {

namespace {
const QStringList kCopied = {kDataFile, kHistoryFile};

bool isDayFolderName(const QString& name) {
    static const QRegularExpression day(QStringLiteral("^\\d{8}$"));
    return day.match(name).hasMatch() &&
           QDate::fromString(name, QStringLiteral("yyyyMMdd")).isValid();
}

// The bytes of name in the newest day folder that holds it, if any.
bool newestCopy(const QString& root, const QStringList& days, const QString& name,
                QByteArray* bytes) {
    for (auto it = days.crbegin(); it != days.crend(); ++it) {
        DataDir day(QDir(root).filePath(*it));
        if (day.exists(name)) return day.read(name, bytes);
    }
    return false;
}

void removeDayFolder(const QString& root, const QString& day) {
    QDir folder(QDir(root).filePath(day));
    DataDir files(folder.path());
    for (const QString& name : kCopied) files.remove(name);
    folder.rmdir(folder.path());  // stays when the user put something of their own there
}
}  // namespace

QStringList dayFolders(const QString& dataDir) {
    QStringList days;
    const QDir root(QDir(dataDir).filePath(kFolder));
    for (const QString& name : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        if (!isDayFolderName(name)) continue;
        // A day folder whose copies are gone but that keeps something of the
        // user's own is no backup any more.
        DataDir day(root.filePath(name));
        if (day.exists(kDataFile) || day.exists(kHistoryFile)) days << name;
    }
    return days;
}

QString keepDailyCopies(const DataDir& data, const QDate& today) {
    const QString dataDir = data.path();
    const QString root = QDir(dataDir).filePath(kFolder);
    const QString todayName = today.toString(QStringLiteral("yyyyMMdd"));
    QStringList days = dayFolders(dataDir);
    QStringList problems;
    for (const QString& name : kCopied) {
        QByteArray now, last;
        if (!data.exists(name) || !data.read(name, &now)) continue;
        if (newestCopy(root, days, name, &last) && last == now) continue;
        if (!QDir().mkpath(QDir(root).filePath(todayName))) {
            problems << QStringLiteral("「%1」フォルダーを作れませんでした。").arg(kFolder);
            break;
        }
        DataDir day(QDir(root).filePath(todayName));
        const FileResult r = day.writeAtomic(name, now);
        if (!r.ok()) problems << r.error;
        if (!days.contains(todayName)) days << todayName;
    }
    days.sort();
    while (days.size() > kKeptDays) removeDayFolder(root, days.takeFirst());
    if (problems.isEmpty()) return {};
    return QStringLiteral("起動時のバックアップを作れませんでした。\r\n%1")
        .arg(problems.join(QStringLiteral("\r\n")));
}

}  // namespace Backups
