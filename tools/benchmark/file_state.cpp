#include "file_state.h"

#include <QDir>

#include <unistd.h>

#include <algorithm>

QString fileError(const QFile& f) { return f.fileName() + QStringLiteral(": ") + f.errorString(); }

bool putBack(const QString& dir, const QString& name, const QByteArray& bytes, QString* error) {
    QFile f(QDir(dir).filePath(name));
    const bool ok = f.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                    f.write(bytes) == bytes.size() && f.flush() && ::fdatasync(f.handle()) == 0;
    if (!ok && error->isEmpty()) *error = fileError(f);
    return ok;
}

PutBackOnExit::PutBackOnExit(const QString& dir, const QString& name, QString* error)
    : dir_(dir), name_(name), error_(error) {
    QFile f(QDir(dir).filePath(name));
    if (f.open(QIODevice::ReadOnly)) {
        bytes_ = f.readAll();
        read_ = true;
    } else {
        *error = fileError(f);
    }
}

PutBackOnExit::~PutBackOnExit() {
    if (read_) putBack(dir_, name_, bytes_, error_);
}

QList<QByteArray> recordLines(const QByteArray& bytes) {
    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    for (QByteArray& l : lines)
        if (l.endsWith('\r')) l.chop(1);
    return lines;
}

qsizetype firstDifferingByte(const QByteArray& expected, const QByteArray& got) {
    const auto diff = std::mismatch(expected.begin(), expected.end(), got.begin(), got.end());
    return diff.first - expected.begin();
}

QString firstDifference(const QByteArray& expected, const QByteArray& got) {
    return QStringLiteral("%1 bytes where %2 were expected, differing from byte %3 on")
        .arg(got.size())
        .arg(expected.size())
        .arg(firstDifferingByte(expected, got));
}
