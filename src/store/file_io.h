#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

// The system calls through which every file of the data directory is read and
// written. The program uses the real ones; a test puts in its own to make a
// write fail after N bytes (a disk that fills up), a sync report an I/O error,
// or a read fail part way.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual ssize_t write(int fd, const void* data, size_t size);
    virtual ssize_t read(int fd, void* data, size_t size);
    virtual int sync(int fd);  // fdatasync
    virtual int close(int fd);
    virtual int rename(const char* from, const char* to);
    virtual int truncate(int fd, off_t length);
    // True when the calls may come from several threads at once.
    virtual bool concurrent() const { return true; }

    static FileSystem& real();
};

// Reading and writing whole files so that nothing is lost: a write proves that
// every byte reached the disk before it replaces anything, and a read never
// waits on a pipe or reads a device without end. Every failure comes back as a
// sentence for the user (*why).
namespace FileIo {

enum class Kind { Missing, Regular, Other };
// What is at path, following symbolic links. Other is a folder, a named pipe, a
// device or a socket: nothing the program may read or replace.
Kind kindOf(const QString& path, int* error = nullptr);

// The file that path names once every symbolic link is followed; the last one
// may not exist yet. A write through a link goes to this path and keeps the link.
QString followLinks(const QString& path);

enum class ReadResult { Ok, Missing, Unreadable };
// Reads a whole regular file.
ReadResult readWhole(FileSystem& fs, const QString& path, QByteArray* bytes, QString* why);
// The last byte of a regular file, or -1 when it is empty or cannot be read.
int lastByte(const QString& path);

// Replaces the file at path with bytes: written to a temporary file beside the
// target, synced, its size checked, then renamed over the target, whose mode it
// takes. On failure the old file is as it was and the temporary file is gone.
bool replaceWhole(FileSystem& fs, const QString& path, const QByteArray& bytes, QString* why);

// Appends bytes whole or not at all: a failed append cuts the file back to the
// length it had (and removes a file it created).
bool appendWhole(FileSystem& fs, const QString& path, const QByteArray& bytes, QString* why);

// Renames from over to in one step; a link at to keeps pointing at the new file.
// Across file systems (a link into another one) the bytes are copied instead.
bool renameOver(FileSystem& fs, const QString& from, const QString& to, QString* why);

// Why a call failed with this errno, in plain Japanese.
QString reason(int error);
// The reason given for anything that is not a regular file.
QString notRegularReason();
// A regular file at path that the user made read-only (no write permission,
// or none for this user); every write refuses it, saying so.
bool madeReadOnly(const QString& path);
QString readOnlyReason();

}  // namespace FileIo
