#pragma once

#include "timing.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// The raw cost of the I/O an operation does, the floor it is compared with.

// Scratch files the baselines write beside the data file; removed again.
inline const QString kRawScratch = QStringLiteral("benchmark-raw.tmp");
inline const QString kAtomicScratch = QStringLiteral("benchmark-atomic.tmp");
inline const QString kRenamedScratch = QStringLiteral("benchmark-renamed.tmp");

// The physical floor of reading: whole files into memory and decoded, nothing more.
Run rawReadDecode(const QString& dir, const QStringList& names, QString* error);

// Writes bytes to a fresh file the plain way: the floor of any save.
std::optional<qint64> rawWrite(const QString& path, const QByteArray& bytes, bool sync,
                               QString* error);

// Times run as the operation against a plain write of bytes to a scratch file in dir
// (no sync), the baseline of every save; the scratch file is removed again.
bool timeBesideRawWrite(Measurement* m, const Run& run, const QString& dir,
                        const QByteArray& bytes);

// Times run against the physical limit of a save that survives a power cut: the same
// bytes written to a scratch file, flushed with fdatasync and renamed over another.
// The plain write of the same bytes is printed beside it.
bool timeBesideDurableWrite(Measurement* m, const Run& run, const QString& dir,
                            const QByteArray& bytes);

// What a safe save of these bytes costs at least: the program's own atomic write
// (synced, then renamed; with a second rename when `replace`, as the history's save
// does), and the same done raw. Printed as parts.
void saveFloors(const QString& dir, const QByteArray& bytes, bool replace, QString* error);
