#include "data_dir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {
QString fold(const QString& s) { return s.toCaseFolded(); }

QString describe(const QString& name, const QString& why) {
    return QStringLiteral("「%1」: %2").arg(name, why);
}
}  // namespace

DataDir::DataDir(const QString& path) : path_(QDir(path).absolutePath()) { rescan(); }

QDateTime DataDir::dirModified() const {
    return QFileInfo(path_).fileTime(QFileDevice::FileModificationTime);
}

void DataDir::rescan() {
    exact_.clear();
    folded_.clear();
    spellings_.clear();
    scannedModified_ = dirModified();
    const QStringList names =
        QDir(path_).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& n : names) noteAdded(n);
}

bool DataDir::rescanIfChanged() {
    if (dirModified() == scannedModified_) return false;
    rescan();
    return true;
}

// Our own change is already in the index; a change by someone else since the
// last scan must still trigger a rescan, so the stamp only moves when it was current.
void DataDir::afterOwnChange(const QDateTime& before) {
    if (before == scannedModified_) scannedModified_ = dirModified();
}

void DataDir::noteAdded(const QString& actual) {
    if (!exact_.emplace(actual, true).second) return;
    const QString key = fold(actual);
    folded_.emplace(key, actual);  // the first spelling seen stays the match
    ++spellings_[key];
}

void DataDir::noteRemoved(const QString& actual) {
    if (exact_.erase(actual) == 0) return;
    const QString key = fold(actual);
    const int left = --spellings_[key];
    if (left == 0) spellings_.erase(key);
    const auto it = folded_.find(key);
    if (it == folded_.end() || it->second != actual) return;
    folded_.erase(it);
    if (left == 0) return;
    for (const auto& [other, present] : exact_) {  // rare: another spelling remains
        if (fold(other) == key) {
            folded_.emplace(key, other);
            break;
        }
    }
}

QString DataDir::actualName(const QString& name) const {
    if (exact_.count(name)) return name;
    const auto it = folded_.find(fold(name));
    return it == folded_.end() ? name : it->second;
}

QString DataDir::filePath(const QString& name) const {
    return QDir(path_).filePath(actualName(name));
}

bool DataDir::exists(const QString& name) const {
    return exact_.count(name) != 0 || folded_.count(fold(name)) != 0;
}

QStringList DataDir::entries(const QString& pattern) const {
    const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(pattern),
                                QRegularExpression::CaseInsensitiveOption);
    QStringList out;
    for (const auto& [n, present] : exact_)
        if (re.match(n).hasMatch()) out << n;
    out.sort();
    return out;
}

bool DataDir::read(const QString& name, QByteArray* bytes, QString* error) const {
    QFile f(filePath(name));
    if (!f.open(QIODevice::ReadOnly)) {
        if (error) *error = describe(name, f.errorString());
        return false;
    }
    *bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        if (error) *error = describe(name, f.errorString());
        return false;
    }
    return true;
}

FileResult DataDir::writeAtomic(const QString& name, const QByteArray& bytes) {
    const QDateTime before = dirModified();
    const QString actual = actualName(name);
    QSaveFile f(QDir(path_).filePath(actual));
    if (!f.open(QIODevice::WriteOnly)) return {describe(actual, f.errorString())};
    if (f.write(bytes) != bytes.size()) {
        QString why = f.errorString();
        f.cancelWriting();
        return {describe(actual, why)};
    }
    if (!f.commit()) return {describe(actual, f.errorString())};
    noteAdded(actual);
    afterOwnChange(before);
    return {};
}

FileResult DataDir::append(const QString& name, const QByteArray& bytes) {
    const QDateTime before = dirModified();
    const QString actual = actualName(name);
    QFile f(QDir(path_).filePath(actual));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
        return {describe(actual, f.errorString())};
    const bool written = f.write(bytes) == bytes.size() && f.flush();
    const QString why = f.errorString();
    f.close();
    noteAdded(actual);
    afterOwnChange(before);
    if (!written) return {describe(actual, why)};
    return {};
}

bool DataDir::remove(const QString& name) {
    if (!exists(name)) return true;
    const QDateTime before = dirModified();
    const QString actual = actualName(name);
    if (!QFile::remove(QDir(path_).filePath(actual)) &&
        QFileInfo::exists(QDir(path_).filePath(actual)))
        return false;
    noteRemoved(actual);
    afterOwnChange(before);
    return true;
}

FileResult DataDir::copy(const QString& from, const QString& to) {
    QByteArray bytes;
    QString error;
    if (!read(from, &bytes, &error)) return {error};
    return writeAtomic(to, bytes);
}

FileResult DataDir::replace(const QString& from, const QString& to) {
    const QDateTime before = dirModified();
    const QString source = actualName(from);
    const QString target = actualName(to);
    const QByteArray src = QFile::encodeName(QDir(path_).filePath(source));
    const QByteArray dst = QFile::encodeName(QDir(path_).filePath(target));
    if (std::rename(src.constData(), dst.constData()) != 0)
        return {describe(target, QString::fromLocal8Bit(std::strerror(errno)))};
    noteRemoved(source);
    noteAdded(target);
    afterOwnChange(before);
    return {};
}
