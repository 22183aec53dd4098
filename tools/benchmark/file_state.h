#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

// The collection's files as the measurements that change them check and restore them.

// "path: reason" for a file that could not be read or written.
QString fileError(const QFile& f);

// Puts a file of the collection back as it was, behind the program's back. It is
// synced so that its write-back does not land in the next run's time.
bool putBack(const QString& dir, const QString& name, const QByteArray& bytes, QString* error);

// Restores a file when the measurement that changes it ends, whichever way it ends.
class PutBackOnExit {
public:
    PutBackOnExit(const QString& dir, const QString& name, QString* error);
    ~PutBackOnExit();
    PutBackOnExit(const PutBackOnExit&) = delete;
    PutBackOnExit& operator=(const PutBackOnExit&) = delete;
    bool ok() const { return read_; }
    const QByteArray& original() const { return bytes_; }

private:
    QString dir_, name_;
    QString* error_;
    QByteArray bytes_;
    bool read_ = false;
};

// The lines of a record file whose records are one line each, without CR LF. Code page
// 932 never uses CR or LF as a trail byte, so splitting the bytes is safe.
QList<QByteArray> recordLines(const QByteArray& bytes);

// The offset of the first byte where got departs from expected.
qsizetype firstDifferingByte(const QByteArray& expected, const QByteArray& got);
// Where got first departs from expected, for the error of a failed check.
QString firstDifference(const QByteArray& expected, const QByteArray& got);
