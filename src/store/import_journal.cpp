#include "import_journal.h"

#include <QDir>
#include <QStringList>

namespace ImportJournal {

namespace {
const QByteArray kHeader = "reelnote-import 1\n";

QByteArray fileLine(int index, const File& f) {
    return QStringLiteral("file\t%1\t%2\t%3\t%4\t%5\t%6\n")
        .arg(index)
        .arg(f.existed ? 1 : 0)
        .arg(f.newSize)
        .arg(f.newHash, 0, 16)
        .arg(f.copy, f.name)
        .toUtf8();
}

// The two files as the note names them; false when it is no note of ours.
bool parse(const QByteArray& bytes, File files[2]) {
    if (!bytes.startsWith(kHeader)) return false;
    bool seen[2] = {false, false};
    for (const QString& line : QString::fromUtf8(bytes.mid(kHeader.size())).split(u'\n')) {
        if (line.isEmpty()) continue;
        const QStringList f = line.split(u'\t');
        bool ok = true;
        const int i = f.size() > 1 ? f[1].toInt(&ok) : -1;
        if (!ok || i < 0 || i > 1) return false;
        if (f[0] == QLatin1String("file") && f.size() == 7) {
            File& file = files[i];
            file.existed = f[2] == QLatin1String("1");
            file.newSize = f[3].toLongLong(&ok);
            if (ok) file.newHash = f[4].toULongLong(&ok, 16);
            file.copy = f[5];
            file.name = f[6];
            if (!ok || file.name.isEmpty()) return false;
            seen[i] = true;
        } else if (f[0] == QLatin1String("new") && f.size() == 4 && seen[i]) {
            files[i].newSize = f[2].toLongLong(&ok);
            if (ok) files[i].newHash = f[3].toULongLong(&ok, 16);
            if (!ok) return false;
        } else {
            return false;
        }
    }
    return seen[0] && seen[1];
}

struct State {
    bool isNew = false;  // holds what the import wrote
    bool isOld = false;  // holds what it held before
};

State stateOf(DataDir& dir, const File& f) {
    QByteArray bytes, copy;
    QString why;
    const FileIo::ReadResult read = dir.readChecked(f.name, &bytes, &why);
    State s;
    const bool there = read == FileIo::ReadResult::Ok;
    s.isNew = there && f.newSize == bytes.size() && StreamHash::of(bytes) == f.newHash;
    if (!f.existed)
        s.isOld = read == FileIo::ReadResult::Missing;
    else if (f.copy.isEmpty())
        s.isOld = there && bytes.isEmpty();
    else
        s.isOld = there && dir.readChecked(f.copy, &copy, &why) == FileIo::ReadResult::Ok &&
                  copy == bytes;
    return s;
}

// The file's bytes from before the import, back in place.
FileResult rollBack(DataDir& dir, const File& f) {
    if (!f.copy.isEmpty()) return dir.replace(f.copy, f.name);
    if (f.existed) return dir.writeAtomic(f.name, {});
    return dir.erase(f.name);
}

QString stateText(const File& f, const State& s) {
    return QStringLiteral("「%1」は%2")
        .arg(f.name, s.isNew   ? QStringLiteral("取り込んだ後の内容")
                     : s.isOld ? QStringLiteral("取り込む前の内容")
                               : QStringLiteral("取り込みとは別の内容"));
}
}  // namespace

QByteArray text(const File& data, const File& history) {
    return kHeader + fileLine(0, data) + fileLine(1, history);
}

QByteArray newLine(int index, const QByteArray& bytes) {
    return QStringLiteral("new\t%1\t%2\t%3\n")
        .arg(index)
        .arg(bytes.size())
        .arg(StreamHash::of(bytes), 0, 16)
        .toUtf8();
}

QString settle(DataDir& dir, bool* changed) {
    *changed = false;
    // One stat at start-up: the note is only ever written under this very name.
    const QString path = QDir(dir.path()).filePath(kName);
    if (FileIo::kindOf(path) == FileIo::Kind::Missing) return {};
    const bool readOnly = dir.readOnly();
    QByteArray bytes;
    QString why;
    File files[2];
    if (FileIo::readWhole(dir.fileSystem(), path, &bytes, &why) != FileIo::ReadResult::Ok ||
        !parse(bytes, files))
        return QStringLiteral(
                   "前回のCSVの取り込みが途中で止まった記録（%1）がありますが、読み取れません"
                   "でした。「データ.TXT」と「鑑賞履歴.TXT」の内容を確かめてください。")
            .arg(kName);
    const State states[2] = {stateOf(dir, files[0]), stateOf(dir, files[1])};
    const auto done = [&] {
        if (!readOnly) dir.remove(kName);
    };

    // Both written: only the note was left to go.
    if (states[0].isNew && states[1].isNew) {
        done();
        return {};
    }
    // Neither written: the import never happened. Its copies hold what the files
    // hold and stay, as every copy the program keeps does.
    if (states[0].isOld && states[1].isOld) {
        if (readOnly) return {};  // the window that owns the folder may be importing now
        done();
        return QStringLiteral(
            "前回のCSVの取り込みは、ファイルを書き換える前に止まったため、取り込まれていません。");
    }
    // One written, the other not: the written one takes back its old bytes.
    for (int i = 0; i < 2 && !readOnly; ++i) {
        const int other = 1 - i;
        if (!states[i].isNew || !states[other].isOld) continue;
        const FileResult back = rollBack(dir, files[i]);
        *changed = true;
        if (!back.ok()) {
            why = back.error;
            break;
        }
        done();
        return QStringLiteral(
                   "前回のCSVの取り込みが途中で止まり、「%1」だけが書き換わっていたため、"
                   "「%1」を取り込む前の内容に戻しました（取り込みはされていません）。")
            .arg(files[i].name);
    }

    // Anything else is left as it is, and the user told which file holds what.
    QStringList kept;
    for (const File& f : files)
        if (!f.copy.isEmpty() && dir.exists(f.copy)) kept << QStringLiteral("「%1」").arg(f.copy);
    QString message = QStringLiteral(
                          "前回のCSVの取り込みが途中で止まったため、「%1」と「%2」がそろっていない"
                          "おそれがあります。%3、%4です。")
                          .arg(files[0].name, files[1].name, stateText(files[0], states[0]),
                               stateText(files[1], states[1]));
    if (!kept.isEmpty())
        message += QStringLiteral("取り込む前の内容は%1に残っています。").arg(kept.join(QString()));
    if (!why.isEmpty()) message += QStringLiteral("\r\n") + why;
    if (readOnly)
        message += QStringLiteral(
            "\r\nこのウィンドウは読み取り専用のため、ファイルはそのままにしています"
            "（ほかのウィンドウが取り込みの途中のこともあります）。");
    done();
    return message;
}

}  // namespace ImportJournal
