#include "data_dir.h"

#include "dir_listing.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
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
    folded_.clear();
    others_.clear();
    sorted_.clear();
    sortedValid_ = false;
    scannedModified_ = dirModified();
    // One readdir pass: QDir::entryList stats every entry, which takes a second
    // in a folder of a hundred thousand texts.
    const QStringList names = listNonDirectoryNames(path_);
    folded_.reserve(size_t(names.size()));
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

const QStringList* DataDir::otherSpellings(const QString& key) const {
    if (others_.empty()) return nullptr;
    const auto it = others_.find(key);
    return it == others_.end() ? nullptr : &it->second;
}

// Of several spellings the first in name order answers for a name, whatever
// order the file system lists them in.
bool DataDir::noteAdded(const QString& actual) {
    QString key = fold(actual);
    const auto [it, added] = folded_.try_emplace(std::move(key), actual);
    if (!added) {
        if (it->second == actual) return false;
        QStringList& more = others_[it->first];
        if (more.contains(actual)) return false;
        if (actual < it->second) {
            more.append(it->second);
            it->second = actual;
        } else {
            more.append(actual);
        }
    }
    if (sortedValid_) {
        Sorted entry{actual, it->first};
        sorted_.insert(std::lower_bound(sorted_.begin(), sorted_.end(), entry), std::move(entry));
    }
    return true;
}

void DataDir::ensureSorted() const {
    if (sortedValid_) return;
    sorted_.clear();
    sorted_.reserve(folded_.size());
    for (const auto& [key, actual] : folded_) {
        sorted_.push_back({actual, key});
        if (const QStringList* more = otherSpellings(key))
            for (const QString& m : *more) sorted_.push_back({m, key});
    }
    std::sort(sorted_.begin(), sorted_.end());
    sortedValid_ = true;
}

void DataDir::noteRemoved(const QString& actual) {
    const QString key = fold(actual);
    const auto it = folded_.find(key);
    if (it == folded_.end()) return;
    if (sortedValid_) {
        const Sorted probe{actual, key};
        const auto at = std::lower_bound(sorted_.begin(), sorted_.end(), probe);
        if (at != sorted_.end() && at->actual == actual) sorted_.erase(at);
    }
    const auto more = others_.find(key);
    if (it->second != actual) {
        if (more != others_.end()) more->second.removeOne(actual);
        if (more != others_.end() && more->second.isEmpty()) others_.erase(more);
        return;
    }
    if (more == others_.end()) {
        folded_.erase(it);
        return;
    }
    // Another spelling remains: the first of them in name order answers now.
    QStringList& rest = more->second;
    const auto first = std::min_element(rest.begin(), rest.end());
    it->second = *first;
    rest.erase(first);
    if (rest.isEmpty()) others_.erase(more);
}

QString DataDir::actualName(const QString& name) const {
    const QString key = fold(name);
    const auto it = folded_.find(key);
    if (it == folded_.end() || it->second == name) return name;
    if (const QStringList* more = otherSpellings(key); more && more->contains(name)) return name;
    return it->second;  // an exact match wins; otherwise the spelling on disk
}

QString DataDir::filePath(const QString& name) const {
    return QDir(path_).filePath(actualName(name));
}

bool DataDir::exists(const QString& name) const { return folded_.count(fold(name)) != 0; }

QStringList DataDir::entries(const QString& pattern) const {
    ensureSorted();
    QStringList out;
    const qsizetype star = pattern.indexOf(u'*');
    if (star >= 0 && pattern.indexOf(u'*', star + 1) < 0 && !pattern.contains(u'?') &&
        !pattern.contains(u'[')) {
        // "prefix*suffix", the only form the program asks for: compared on the
        // folded names, which a regular expression over every name takes ten times longer for.
        const QString prefix = fold(pattern.left(star));
        const QString suffix = fold(pattern.mid(star + 1));
        for (const Sorted& e : sorted_)
            if (e.folded.size() >= prefix.size() + suffix.size() && e.folded.startsWith(prefix) &&
                e.folded.endsWith(suffix))
                out << e.actual;
    } else {
        const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(pattern),
                                    QRegularExpression::CaseInsensitiveOption);
        for (const Sorted& e : sorted_)
            if (re.match(e.actual).hasMatch()) out << e.actual;
    }
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
