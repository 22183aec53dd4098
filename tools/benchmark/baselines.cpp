#include "baselines.h"

#include "file_state.h"
#include "store/cp932.h"
#include "store/data_dir.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

#include <cstdio>

Run rawReadDecode(const QString& dir, const QStringList& names, QString* error) {
    return [=]() -> std::optional<qint64> {
        QElapsedTimer t;
        t.start();
        for (const QString& name : names) {
            QFile f(QDir(dir).filePath(name));
            if (!f.open(QIODevice::ReadOnly)) {
                *error = fileError(f);
                return std::nullopt;
            }
            qsizetype bad = -1;
            const QString text = Cp932::decode(f.readAll(), &bad);
            if (bad >= 0) {
                *error = QStringLiteral("%1 is not code page 932 at byte %2").arg(name).arg(bad);
                return std::nullopt;
            }
        }
        return t.nsecsElapsed();
    };
}

std::optional<qint64> rawWrite(const QString& path, const QByteArray& bytes, bool sync,
                               QString* error) {
    QFile::remove(path);
    QFile f(path);
    QElapsedTimer t;
    t.start();
    const bool ok = f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush() &&
                    (!sync || ::fdatasync(f.handle()) == 0);
    f.close();
    const qint64 ns = t.nsecsElapsed();
    if (!ok) {
        *error = fileError(f);
        return std::nullopt;
    }
    return ns;
}

bool timeBesideRawWrite(Measurement* m, const Run& run, const QString& dir,
                        const QByteArray& bytes) {
    const QString path = QDir(dir).filePath(kRawScratch);
    const bool timed = timeBoth(m, run, [&] { return rawWrite(path, bytes, false, &m->error); });
    QFile::remove(path);
    return timed;
}

namespace {
// The floor of a safe save: a fresh file written, synced and renamed over another.
std::optional<qint64> rawReplace(const QString& dir, const QByteArray& bytes, QString* error) {
    const QString from = QDir(dir).filePath(kAtomicScratch);
    const QString to = QDir(dir).filePath(kRenamedScratch);
    QElapsedTimer t;
    t.start();
    if (!rawWrite(from, bytes, true, error)) return std::nullopt;
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0) {
        *error = to + QStringLiteral(": cannot rename");
        return std::nullopt;
    }
    return t.nsecsElapsed();
}
}  // namespace

bool timeBesideDurableWrite(Measurement* m, const Run& run, const QString& dir,
                            const QByteArray& bytes) {
    const QString plain = QDir(dir).filePath(kRawScratch);
    phase(QStringLiteral("plain write of the same bytes, no sync"),
          [&] { return rawWrite(plain, bytes, false, &m->error); });
    QFile::remove(plain);
    const bool timed = timeBoth(m, run, [&] { return rawReplace(dir, bytes, &m->error); });
    QFile::remove(QDir(dir).filePath(kAtomicScratch));
    QFile::remove(QDir(dir).filePath(kRenamedScratch));
    return timed;
}

void saveFloors(const QString& dir, const QByteArray& bytes, bool replace, QString* error) {
    phase(replace ? QStringLiteral("DataDir::writeAtomic + DataDir::replace of the same bytes")
                  : QStringLiteral("DataDir::writeAtomic of the same bytes"),
          [&]() -> std::optional<qint64> {
              DataDir d(dir);
              FileResult w, r;
              const qint64 ns = nsOf([&] {
                  w = d.writeAtomic(kAtomicScratch, bytes);
                  if (w.ok() && replace) r = d.replace(kAtomicScratch, kRenamedScratch);
              });
              if (!w.ok() || !r.ok()) {
                  *error = w.ok() ? r.error : w.error;
                  return std::nullopt;
              }
              return ns;
          });
    phase(QStringLiteral("raw write + fdatasync + rename, for comparison"),
          [&] { return rawReplace(dir, bytes, error); });
    QFile::remove(QDir(dir).filePath(kAtomicScratch));
    QFile::remove(QDir(dir).filePath(kRenamedScratch));
}
