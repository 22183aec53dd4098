#include "data_dir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>

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
    QString why;
    switch (readChecked(name, bytes, &why)) {
        case FileIo::ReadResult::Ok:
            return true;
        case FileIo::ReadResult::Missing:
            why = FileIo::reason(ENOENT);
            break;
        case FileIo::ReadResult::Unreadable:
            break;
    }
    if (error) *error = describe(actualName(name), why);
    return false;
}

FileIo::ReadResult DataDir::readChecked(const QString& name, QByteArray* bytes,
                                        QString* why) const {
    return FileIo::readWhole(*fs_, filePath(name), bytes, why);
}

bool DataDir::isRegularFile(const QString& name) const {
    return FileIo::kindOf(filePath(name)) == FileIo::Kind::Regular;
}

int DataDir::lastByte(const QString& name) const { return FileIo::lastByte(filePath(name)); }

void DataDir::refuseChanges(const QString& name, const QString& message) {
    refused_[fold(actualName(name))] = message;
}

void DataDir::allowChanges(const QString& name) { refused_.erase(fold(actualName(name))); }

QString DataDir::refusal(const QString& name) const {
    if (refused_.empty()) return {};
    const auto it = refused_.find(fold(actualName(name)));
    return it == refused_.end() ? QString() : it->second;
}

FileResult DataDir::writeAtomic(const QString& name, const QByteArray& bytes) {
    const QString actual = actualName(name);
    if (QString refused = refusal(actual); !refused.isEmpty()) return {refused, refused};
    const QDateTime before = dirModified();
    const bool existed = exists(actual);
    QString why;
    if (!FileIo::replaceWhole(*fs_, QDir(path_).filePath(actual), bytes, &why))
        return {QStringLiteral("「%1」を保存できませんでした。\r\n%2%3")
                    .arg(actual, why,
                         existed ? QStringLiteral("\r\n元のファイルはそのまま残っています。")
                                 : QString()),
                why};
    noteAdded(actual);
    afterOwnChange(before);
    return {};
}

FileResult DataDir::append(const QString& name, const QByteArray& bytes) {
    const QString actual = actualName(name);
    if (QString refused = refusal(actual); !refused.isEmpty()) return {refused, refused};
    const QDateTime before = dirModified();
    QString why;
    const bool written = FileIo::appendWhole(*fs_, QDir(path_).filePath(actual), bytes, &why);
    // A failed append into a new file removes it again: the index follows the disk.
    if (QFileInfo::exists(QDir(path_).filePath(actual)) ||
        QFileInfo(QDir(path_).filePath(actual)).isSymLink())
        noteAdded(actual);
    afterOwnChange(before);
    if (!written)
        return {QStringLiteral("「%1」に追記できませんでした。\r\n%2").arg(actual, why), why};
    return {};
}

bool DataDir::remove(const QString& name) {
    if (!refusal(name).isEmpty()) return false;
    if (!exists(name)) return true;
    const QDateTime before = dirModified();
    const QString actual = actualName(name);
    if (!QFile::remove(QDir(path_).filePath(actual)) &&
        QFileInfo(QDir(path_).filePath(actual)).exists())
        return false;
    noteRemoved(actual);
    afterOwnChange(before);
    return true;
}

FileResult DataDir::copy(const QString& from, const QString& to) {
    QByteArray bytes;
    QString error;
    if (!read(from, &bytes, &error)) return {error, error};
    return writeAtomic(to, bytes);
}

FileResult DataDir::replace(const QString& from, const QString& to) {
    const QString source = actualName(from);
    const QString target = actualName(to);
    if (QString refused = refusal(target); !refused.isEmpty()) return {refused, refused};
    const QDateTime before = dirModified();
    QString why;
    if (!FileIo::renameOver(*fs_, QDir(path_).filePath(source), QDir(path_).filePath(target), &why))
        return {QStringLiteral("「%1」を置き換えられませんでした。\r\n%2").arg(target, why), why};
    noteRemoved(source);
    noteAdded(target);
    afterOwnChange(before);
    return {};
}
