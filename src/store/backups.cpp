#include "backups.h"

#include "catalogue.h"
#include "data_dir.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace Backups {

namespace {
const QStringList kCopied = {kDataFile, kHistoryFile};

bool isDayFolderName(const QString& name) {
    static const QRegularExpression day(QStringLiteral("^\\d{8}$"));
    return day.match(name).hasMatch() &&
           QDate::fromString(name, QStringLiteral("yyyyMMdd")).isValid();
}

// The number of a copy named as this program names them: 1 for the file's own
// name, k for stem_k.suffix; 0 for anything else, which is never ours to touch.
// Names are compared exactly: a "データ.txt" the user put there is theirs.
int copyNumber(const QString& fileName, const QString& name) {
    if (fileName == name) return 1;
    const QString stem = QFileInfo(name).completeBaseName();
    const QString suffix = QFileInfo(name).suffix();
    const QString prefix = stem + u'_';
    const QString tail = u'.' + suffix;
    if (!fileName.startsWith(prefix) || !fileName.endsWith(tail)) return 0;
    const QStringView digits =
        QStringView(fileName).mid(prefix.size(), fileName.size() - prefix.size() - tail.size());
    if (digits.isEmpty() || digits.startsWith(u'0')) return 0;
    bool ok = false;
    const int k = digits.toInt(&ok);
    return ok && k >= 2 ? k : 0;
}

QString copyName(const QString& name, int k) {
    if (k == 1) return name;
    return QStringLiteral("%1_%2.%3")
        .arg(QFileInfo(name).completeBaseName())
        .arg(k)
        .arg(QFileInfo(name).suffix());
}

// The bytes of the newest copy of name, looking back from the newest day.
bool newestCopy(const QString& root, const QStringList& days, const QString& name,
                QByteArray* bytes) {
    for (auto it = days.crbegin(); it != days.crend(); ++it) {
        const QString folder = QDir(root).filePath(*it);
        const QStringList copies = copiesIn(folder, name);
        if (copies.isEmpty()) continue;
        QFile f(QDir(folder).filePath(copies.last()));
        if (!f.open(QIODevice::ReadOnly)) return false;
        *bytes = f.readAll();
        return true;
    }
    return false;
}

void removeDayFolder(const QString& root, const QString& day) {
    QDir folder(QDir(root).filePath(day));
    for (const QString& name : kCopied)
        for (const QString& copy : copiesIn(folder.path(), name)) folder.remove(copy);
    folder.rmdir(folder.path());  // stays when the user put something of their own there
}
}  // namespace

QStringList copiesIn(const QString& dayFolder, const QString& name) {
    QList<QPair<int, QString>> found;
    for (const QString& f : QDir(dayFolder).entryList(QDir::Files | QDir::Hidden)) {
        if (const int k = copyNumber(f, name); k > 0) found.append({k, f});
    }
    std::sort(found.begin(), found.end());
    QStringList names;
    for (const auto& [k, f] : found) names << f;
    return names;
}

QStringList dayFolders(const QString& dataDir) {
    QStringList days;
    const QDir root(QDir(dataDir).filePath(kFolder));
    for (const QString& name : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        if (!isDayFolderName(name)) continue;
        // A day folder whose copies are gone but that keeps something of the
        // user's own is no backup any more.
        const QString folder = root.filePath(name);
        if (std::any_of(kCopied.begin(), kCopied.end(),
                        [&](const QString& f) { return !copiesIn(folder, f).isEmpty(); }))
            days << name;
    }
    return days;
}

QString keepDailyCopies(const DataDir& data, const QDate& today) {
    const QString dataDir = data.path();
    const QString root = QDir(dataDir).filePath(kFolder);
    const QString todayName = today.toString(QStringLiteral("yyyyMMdd"));
    const QString todayFolder = QDir(root).filePath(todayName);
    QStringList days = dayFolders(dataDir);
    QStringList problems;
    for (const QString& name : kCopied) {
        QByteArray now, last;
        if (!data.exists(name) || !data.read(name, &now)) continue;
        if (newestCopy(root, days, name, &last) && last == now) continue;
        if (!QDir().mkpath(todayFolder)) {
            problems << QStringLiteral("「%1」フォルダーを作れませんでした。").arg(kFolder);
            break;
        }
        const QStringList copies = copiesIn(todayFolder, name);
        int k = copies.isEmpty() ? 1 : copyNumber(copies.last(), name) + 1;
        // Whatever already stands under the next name (a user's file) stays.
        while (QFileInfo::exists(QDir(todayFolder).filePath(copyName(name, k)))) ++k;
        // Written under its exact name: a user's "データ.txt" there is not ours.
        const QString copy = QDir(todayFolder).filePath(copyName(name, k));
        QString why;
        if (!FileIo::replaceWhole(data.fileSystem(), copy, now, &why)) {
            problems << QStringLiteral("「%1」を書き込めませんでした。%2")
                            .arg(QDir(dataDir).relativeFilePath(copy), why);
            continue;
        }
        if (!days.contains(todayName)) days << todayName;
    }
    if (!problems.isEmpty()) {
        QDir(root).rmdir(todayName);  // a folder made for a copy that failed, if empty
        // Nothing old goes while today's copy is missing: on a full disk each start
        // would otherwise cost one more good backup.
        return QStringLiteral("起動時のバックアップを作れませんでした。\r\n%1")
            .arg(problems.join(QStringLiteral("\r\n")));
    }
    days.sort();
    while (days.size() > kKeptDays) removeDayFolder(root, days.takeFirst());
    return {};
}

}  // namespace Backups
