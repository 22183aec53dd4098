// The folder check and the spreadsheet export of the whole collection, which run
// without the window.
#include "baselines.h"
#include "measurements.h"

#include "check/folder_check.h"
#include "store/catalogue.h"
#include "store/csv_export.h"
#include "store/file_io.h"
#include "store/kansyou_table.h"

#include <QDir>
#include <QFile>

namespace {
const QString kCsvScratch = QStringLiteral("benchmark-export.csv");

void measureCheck(const Collection& col, Measurement* m) {
    QString* error = &m->error;
    int findings = 0;
    const Run check = [&]() -> std::optional<qint64> {
        FolderCheck::Report r;
        const qint64 ns = nsOf([&] { r = FolderCheck::check(col.dir); });
        if (r.titles != col.titles || r.viewings != col.viewings) {
            *error = QStringLiteral("the check read %1 titles and %2 viewings")
                         .arg(r.titles)
                         .arg(r.viewings);
            return std::nullopt;
        }
        findings = int(r.findings.size());
        return ns;
    };
    detail(QStringLiteral("FolderCheck::check(dir)  vs  reading and decoding the record files"));
    timeBoth(m, check, rawReadDecode(col.dir, collectionFileNames(), error));
    // The generated viewings fall on random days, many before their title's release.
    detail(QStringLiteral("%1 findings").arg(findings));
}

void measureExportCsv(const Collection& col, Measurement* m) {
    QString* error = &m->error;
    QByteArray bytes;
    const Run exportAll = [&]() -> std::optional<qint64> {
        const qint64 ns = nsOf([&] {
            const FolderCheck::Collection c = FolderCheck::read(col.dir);
            bytes = CsvExport::document(
                CsvExport::titleRows(c.titles, c.hyoukaKoumoku, c.syoyuKoumoku));
            QString why;
            if (!FileIo::replaceWhole(FileSystem::real(), QDir(col.dir).filePath(kCsvScratch),
                                      bytes, &why))
                *error = why;
        });
        if (!error->isEmpty()) return std::nullopt;
        return ns;
    };
    detail(
        QStringLiteral("read + CsvExport::document + FileIo::replaceWhole  vs  reading the same "
                       "files, then writing the same bytes durably"));
    // The baseline needs the bytes: one run first.
    if (!exportAll()) return;
    const Run read = rawReadDecode(col.dir, collectionFileNames(), error);
    const Run base = [&]() -> std::optional<qint64> {
        const auto r = read();
        QString writeError;
        const auto w = rawWrite(QDir(col.dir).filePath(kRawScratch), bytes, true, &writeError);
        if (!r || !w) {
            if (!writeError.isEmpty()) *error = writeError;
            return std::nullopt;
        }
        return *r + *w;
    };
    timeBoth(m, exportAll, base);
    detail(QStringLiteral("%1 bytes of UTF-8").arg(bytes.size()));
    QFile::remove(QDir(col.dir).filePath(kCsvScratch));
    QFile::remove(QDir(col.dir).filePath(kRawScratch));
}
}  // namespace

REELNOTE_BENCHMARK(900, "FolderCheck", (Target{Target::Kind::Time, 1e9}), measureCheck)
REELNOTE_BENCHMARK(901, "ExportCsv", (Target{Target::Kind::Time, 1e9}), measureExportCsv)
