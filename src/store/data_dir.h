#pragma once

#include "string_hash.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

// The result of a file operation: empty error means success. The error text
// is meant for the user and names the file.
struct FileResult {
    QString error;
    bool ok() const { return error.isEmpty(); }
};

// The data directory. Every data file is found through this class, which
// matches names without regard to letter case ("設定.TXT" finds "設定.txt";
// an exact match wins) and keeps an index of the directory so that existence
// tests cost no system call. Every operation performed here keeps the index
// true; files changed by others are picked up by rescanIfChanged().
class DataDir {
public:
    explicit DataDir(const QString& path);

    QString path() const { return path_; }

    // The name the file really has on disk, or name itself when none matches.
    QString actualName(const QString& name) const;
    QString filePath(const QString& name) const;
    bool exists(const QString& name) const;
    // Names matching a wildcard pattern ("キャスト_*.txt"), ignoring case, sorted.
    QStringList entries(const QString& pattern) const;

    void rescan();
    // Rescans when the directory changed behind our back (a file dropped in
    // by the user); cheap enough to call at the start of every user action.
    bool rescanIfChanged();

    // Whole file, or nullopt-like false with *error set. A missing file is an error.
    bool read(const QString& name, QByteArray* bytes, QString* error = nullptr) const;
    // Replaces the file in one rename, so a crash leaves the old or the new file.
    FileResult writeAtomic(const QString& name, const QByteArray& bytes);
    FileResult append(const QString& name, const QByteArray& bytes);
    // Removes the file if it exists; false only when it exists and stays.
    bool remove(const QString& name);
    FileResult copy(const QString& from, const QString& to);
    // Renames from over to in one step, replacing to (under its existing spelling).
    FileResult replace(const QString& from, const QString& to);

private:
    void noteAdded(const QString& actual);
    void noteRemoved(const QString& actual);
    QDateTime dirModified() const;
    void afterOwnChange(const QDateTime& before);

    QString path_;
    StringMap<bool> exact_;
    StringMap<QString> folded_;  // case-folded name → one actual name
    StringMap<int> spellings_;   // case-folded name → how many actual names fold to it
    QDateTime scannedModified_;
};
