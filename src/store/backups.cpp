#include "backups.h"

#include "catalogue.h"
#include "data_dir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cstring>

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

// The newest copy of name, looking back from the newest day; empty when there is none.
QString newestCopy(const QString& root, const QStringList& days, const QString& name) {
    for (auto it = days.crbegin(); it != days.crend(); ++it) {
        const QString folder = QDir(root).filePath(*it);
        const QStringList copies = copiesIn(folder, name);
        if (!copies.isEmpty()) return QDir(folder).filePath(copies.last());
    }
    return {};
}

// True when the two files hold the same bytes. Compared a piece at a time: on
// most starts nothing changed, and reading both whole would take megabytes of
// fresh memory only to be thrown away.
bool sameBytes(const QString& a, const QString& b) {
    QFile fa(a), fb(b);
    if (!fa.open(QIODevice::ReadOnly | QIODevice::Unbuffered) ||
        !fb.open(QIODevice::ReadOnly | QIODevice::Unbuffered) || fa.size() != fb.size())
        return false;
    constexpr qint64 kPiece = qint64(1) << 18;
    QByteArray pa(kPiece, Qt::Uninitialized), pb(kPiece, Qt::Uninitialized);
    for (;;) {
        const qint64 na = fa.read(pa.data(), kPiece);
        const qint64 nb = fb.read(pb.data(), kPiece);
        if (na < 0 || na != nb) return false;
        if (na == 0) return true;
        if (std::memcmp(pa.constData(), pb.constData(), size_t(na)) != 0) return false;
    }
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
        if (!data.exists(name)) continue;
        const QString last = newestCopy(root, days, name);
        if (!last.isEmpty() && data.isRegularFile(name) && sameBytes(data.filePath(name), last))
            continue;
        QByteArray now;
        if (!data.read(name, &now)) continue;
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
