#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class DataDir;
class QLockFile;

// One run's hold on a data folder: a hidden lock file that tells every other
// start of the program (a window, an import from the command line) that the
// folder is in use. Held until release or the end of the object; a run that
// ended without releasing it (a crash, a power cut) leaves a lock that the next
// start takes over.
class FolderLock {
public:
    static const QString kFileName;

    enum class Outcome {
        Held,           // this run holds the folder
        HeldElsewhere,  // another running program holds it
        Unwritable,     // no lock can be made there (a full disk, no permission)
    };

    explicit FolderLock(const QString& folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Takes the folder. A lock left by a program no longer running is taken
    // over, an empty or unreadable one too unless a running program still has it
    // open (one that is writing it at this moment).
    Outcome take();
    bool held() const;
    void release();

    // After HeldElsewhere: the computer the other program runs on, when the lock
    // names one; empty when it does not.
    QString otherHost() const { return otherHost_; }
    // After Unwritable: why, in a sentence for the user.
    QString whyUnwritable() const { return why_; }

    // The temporary files that a save of a program no longer running left in
    // the folder (".<file>.<pid>-<n>.tmp"): removed, with the folder's index kept
    // true. Those of a running program are kept. The names removed, for a test.
    static QStringList removeDeadTemporaries(DataDir& dir);
    // True when pid names no running process; false also when unsure.
    static bool processGone(qint64 pid);

private:
    // An existing lock without a readable owner, removed when no running program
    // has it open; false when it stays.
    bool removeOwnerless();
    // Why the lock file cannot be made, found by trying to make one.
    QString probeWhy() const;

    QString path_;
    std::unique_ptr<QLockFile> lock_;
    QString otherHost_, why_;
};
