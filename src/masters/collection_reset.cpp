#include "collection_reset.h"

#include "store/catalogue.h"
#include "store/kansyou_table.h"

#include <QFileInfo>

#include <utility>

namespace CollectionReset {
namespace {

const QString kTitleExtensions[] = {QStringLiteral(".txt"), QStringLiteral(".jpg"),
                                    QStringLiteral(".bmp"), QStringLiteral(".gif")};
const QString kTextPatterns[] = {QStringLiteral("キャスト_*.txt"), QStringLiteral("あらすじ_*.txt"),
                                 QStringLiteral("メモ_*.txt")};

// An empty title (a data file written elsewhere may hold one) has no files of
// its own. A name leading out of the directory ("../x") matches nothing, since
// the data directory only knows its own files.
bool hasOwnFiles(const QString& title) { return !title.isEmpty(); }

// Deletes every spelling of name that the directory holds, since on this file
// system "X.txt" and "X.TXT" can both exist and both are the title's file. Each
// goes to the desktop's trash, where the user can find it again; where no trash
// takes it, it stays in the folder under a dated name, never deleted for good.
void removeEverySpelling(DataDir& dir, const QString& name, const QDateTime& now,
                         QStringList* notDeleted) {
    while (dir.exists(name)) {
        const QString actual = dir.actualName(name);
        QString inTrash;
        if (dir.moveToTrash(actual, &inTrash).ok()) continue;
        QString aside;
        if (!dir.keepAside(actual, now, &aside).ok()) {
            notDeleted->append(actual);
            return;
        }
        notDeleted->append(QStringLiteral("「%1」は、ごみ箱に移せないため「%2」として残しました。")
                               .arg(actual, aside));
    }
}

QString keepCopy(DataDir& dir, const QString& name, const QDateTime& now, QStringList* kept) {
    if (!dir.exists(name)) return {};
    const QString actual = dir.actualName(name);
    if (QFileInfo(dir.filePath(actual)).size() == 0) return {};  // nothing to lose
    const QString copy = keptCopyName(dir, actual, now);
    const FileResult r = dir.copy(actual, copy);
    if (!r.ok()) {
        dir.remove(copy);
        return QStringLiteral(
                   "「%1」の控えを残せなかったため、データの削除を取りやめました。\r\n%2")
            .arg(actual, r.error);
    }
    kept->append(copy);
    return {};
}

}  // namespace

QStringList filesToEmpty(ResetKind kind) {
    QStringList files{kDataFile};
    if (kind == ResetKind::NewStart)
        files << kHistoryFile;
    else
        for (const QString& f : kMusicFiles) files << f;
    return files;
}

QString keptCopyName(const DataDir& dir, const QString& actual, const QDateTime& now) {
    return dir.datedName(actual, now);
}

ResetOutcome run(Catalogue& cat, ResetKind kind, const QDateTime& now) {
    ResetOutcome out;
    DataDir& dir = cat.dir();
    dir.rescanIfChanged();  // files the user put in or took out since the last look

    // Until the data file is empty the collection is whole, and a refusal takes
    // back the copies, which only repeat files that are still there.
    const auto refuse = [&](const QString& why) {
        for (const QString& copy : std::exchange(out.kept, {})) dir.remove(copy);
        out.refused = why;
        return out;
    };
    const QStringList emptied = filesToEmpty(kind);
    for (const QString& f : emptied)
        if (QString why = keepCopy(dir, f, now, &out.kept); !why.isEmpty()) return refuse(why);
    if (const FileResult r = dir.writeAtomic(kDataFile, {}); !r.ok())
        return refuse(
            QStringLiteral("「%1」を空にできなかったため、データの削除を取りやめました。\r\n%2")
                .arg(kDataFile, r.error));
    for (const QString& f : emptied.mid(1))
        if (const FileResult r = dir.writeAtomic(f, {}); !r.ok()) out.notEmptied << r.error;

    const TitleTable& titles = cat.titles();
    for (int n = 1; n <= titles.TitleCount(); ++n) {
        const QString& name = titles[n].Daimei;
        if (!hasOwnFiles(name)) continue;
        for (const QString& ext : kTitleExtensions)
            if (!isProgramFile(name + ext))
                removeEverySpelling(dir, name + ext, now, &out.notDeleted);
    }
    if (kind == ResetKind::NewStart)
        for (const QString& pattern : kTextPatterns)
            for (const QString& f : dir.entries(pattern))
                removeEverySpelling(dir, f, now, &out.notDeleted);
    return out;
}

}  // namespace CollectionReset
