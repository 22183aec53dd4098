// Importing a spreadsheet of 10,000 rows into the full collection.
#include "baselines.h"
#include "file_state.h"
#include "measurements.h"

#include "import/import_plan.h"
#include "import/import_preview.h"
#include "store/catalogue.h"

#include <QDate>
#include <QDir>
#include <QFile>

#include <cstdio>

namespace {
constexpr int kRows = 10000;

// A spreadsheet as a collector keeps one: seven rows in ten name a title of the
// collection with its release date, a mark (which fills the titles without one)
// and a viewing; the rest name films the collection has no room for, some with a
// "/" that a title cannot hold.
QByteArray spreadsheet(const Catalogue& c) {
    QString text = QStringLiteral("タイトル,公開日,評価,主演,鑑賞日,メモ\r\n");
    const QDate firstViewing(2027, 1, 1);
    for (int i = 0; i < kRows; ++i) {
        const QString seen = firstViewing.addDays(i % 365).toString(Qt::ISODate);
        if (i % 10 < 7) {
            const Title& t = c.titles()[(i * 37) % c.TitleCount() + 1];
            text += QStringLiteral("%1,%2,○,,%3,二回目\r\n").arg(t.Daimei, t.Koukai, seen);
        } else {
            text += QStringLiteral("新作/%1,1999,△,新人,%2,\r\n").arg(i).arg(seen);
        }
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

// The two files as they were, and a catalogue that has just read them.
struct Start {
    const Collection& col;
    QString* error;
    PutBackOnExit data{col.dir, kDataFile, error};
    PutBackOnExit history{col.dir, kHistoryFile, error};

    bool reset(Catalogue* c) {
        for (const QString& bak : QDir(col.dir).entryList({QStringLiteral("*.bak")}, QDir::Files))
            QFile::remove(QDir(col.dir).filePath(bak));
        if (!putBack(col.dir, kDataFile, data.original(), error) ||
            !putBack(col.dir, kHistoryFile, history.original(), error))
            return false;
        c->dir().rescan();
        for (const QString& m : {c->LoadMainData(), c->LoadKansyouRireki()}) {
            if (m.isEmpty()) continue;
            *error = QStringLiteral("loading: ") + oneLine(m);
            return false;
        }
        c->dir().waitForListing();  // done long before a user's import
        return true;
    }
};

// What the import must have left: every title and viewing the files allow, the
// marks filled, and the old files kept aside byte for byte.
bool checkImported(const Collection& col, const ImportPlan& plan, const Start& start,
                   QString* error) {
    Catalogue fresh(col.dir);
    fresh.LoadMainData();
    fresh.LoadKansyouRireki();
    if (fresh.TitleCount() != kMaxRecords || fresh.kansyou().KansyouCount() != kMaxRecords ||
        !(fresh.titles() == plan.titles)) {
        *error = QStringLiteral("the files hold %1 titles and %2 viewings, not the plan's")
                     .arg(fresh.TitleCount())
                     .arg(fresh.kansyou().KansyouCount());
        return false;
    }
    const QStringList kept = QDir(col.dir).entryList({QStringLiteral("*.bak")}, QDir::Files);
    QByteArray keptData, keptHistory;
    for (const QString& k : kept) {
        QFile f(QDir(col.dir).filePath(k));
        if (!f.open(QIODevice::ReadOnly)) continue;
        (k.startsWith(kDataFile) ? keptData : keptHistory) = f.readAll();
    }
    if (kept.size() != 2 || keptData != start.data.original() ||
        keptHistory != start.history.original()) {
        *error = QStringLiteral("the copies kept aside are not the old files (%1)")
                     .arg(kept.join(QStringLiteral(", ")));
        return false;
    }
    return true;
}

// The floor: both files written, synced and renamed over others, one after the other.
std::optional<qint64> durableWrites(const QString& dir, const QByteArray& data,
                                    const QByteArray& history, QString* error) {
    qint64 total = 0;
    for (const QByteArray* bytes : {&data, &history}) {
        const QString from = QDir(dir).filePath(kAtomicScratch);
        const QString to = QDir(dir).filePath(kRenamedScratch);
        QElapsedTimer t;
        t.start();
        if (!rawWrite(from, *bytes, true, error)) return std::nullopt;
        if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) !=
            0) {
            *error = to + QStringLiteral(": cannot rename");
            return std::nullopt;
        }
        total += t.nsecsElapsed();
    }
    return total;
}

struct Written {
    QByteArray data, history;
};

// The import once, to learn the bytes it writes (the baseline writes the same).
bool firstImport(const Collection& col, Start& start, const QByteArray& csv, Written* out,
                 ImportPlan* plan) {
    Catalogue c(col.dir);
    if (!start.reset(&c)) return false;
    ImportColumns columns;
    const CsvFile file = ImportPlanner::readFile(csv, &columns);
    *plan = ImportPlanner::plan(c.titles(), c.kansyou(), file, columns);
    if (const QString p = c.replaceCollection(plan->titles, plan->history); !p.isEmpty()) {
        *start.error = QStringLiteral("replaceCollection: ") + oneLine(p);
        return false;
    }
    return checkImported(col, *plan, start, start.error) &&
           c.dir().read(kDataFile, &out->data, start.error) &&
           c.dir().read(kHistoryFile, &out->history, start.error);
}

void measureImportCsv(const Collection& col, Measurement* m) {
    QString* error = &m->error;
    Start start{col, error};
    if (!error->isEmpty()) return;
    Catalogue probe(col.dir);
    probe.LoadMainData();
    const QByteArray csv = spreadsheet(probe);
    Written written;
    ImportPlan plan;
    if (!firstImport(col, start, csv, &written, &plan)) return;
    detail(QStringLiteral(
               "%1 rows (%2 bytes of UTF-8): %3 titles filled, %4 viewing added, %5 rows over the "
               "title limit, %6 viewings over the history's limit, %7 changes of text")
               .arg(kRows)
               .arg(csv.size())
               .arg(plan.filledTitles.size())
               .arg(plan.viewingsAdded)
               .arg(plan.titlesOverLimit)
               .arg(plan.viewingsOverLimit)
               .arg(plan.changes.size()));

    const Run import = [&]() -> std::optional<qint64> {
        Catalogue c(col.dir);
        if (!start.reset(&c)) return std::nullopt;
        QString problem;
        ImportPlan p;
        const qint64 ns = nsOf([&] {
            ImportColumns columns;
            const CsvFile file = ImportPlanner::readFile(csv, &columns);
            p = ImportPlanner::plan(c.titles(), c.kansyou(), file, columns);
            problem = c.replaceCollection(std::move(p.titles), p.history);
        });
        if (!problem.isEmpty()) {
            *error = QStringLiteral("replaceCollection: ") + oneLine(problem);
            return std::nullopt;
        }
        if (!checkImported(col, plan, start, error)) return std::nullopt;
        return ns;
    };
    detail(QStringLiteral(
        "read + plan + Catalogue::replaceCollection of the rows, after a load  vs  write + "
        "fdatasync + rename of the two files it writes"));
    if (!timeBoth(m, import,
                  [&] { return durableWrites(col.dir, written.data, written.history, error); }))
        return;

    detail(QStringLiteral("parts:"));
    Catalogue c(col.dir);
    if (!start.reset(&c)) return;
    CsvFile file;
    ImportColumns columns;
    phase(QStringLiteral("ImportPlanner::readFile (decoding, rows, format)"),
          [&] { return nsOf([&] { file = ImportPlanner::readFile(csv, &columns); }); });
    phase(QStringLiteral("ImportPlanner::plan"), [&] {
        return nsOf([&] { plan = ImportPlanner::plan(c.titles(), c.kansyou(), file, columns); });
    });
    phase(QStringLiteral("ImportPreview::text"),
          [&] { return nsOf([&] { ImportPreview::text(plan, QStringLiteral("films.csv")); }); });
    QFile::remove(QDir(col.dir).filePath(kAtomicScratch));
    QFile::remove(QDir(col.dir).filePath(kRenamedScratch));
    start.reset(&c);
}

void measureImportWrite(const Collection& col, Measurement* m) {
    QString* error = &m->error;
    Start start{col, error};
    if (!error->isEmpty()) return;
    Catalogue probe(col.dir);
    probe.LoadMainData();
    const QByteArray csv = spreadsheet(probe);
    Written written;
    ImportPlan plan;
    if (!firstImport(col, start, csv, &written, &plan)) return;
    std::vector<qint64> takeNs;

    const Run write = [&]() -> std::optional<qint64> {
        Catalogue c(col.dir);
        if (!start.reset(&c)) return std::nullopt;
        TitleTable titles = plan.titles;  // handed over, as the screen hands over its plan's
        Catalogue::WrittenCollection w;
        const auto ns = timedCall(
            [&] { return c.writeCollection(std::move(titles), plan.history, nullptr, &w); },
            QStringLiteral("writeCollection: "), error);
        if (!ns) return std::nullopt;
        takeNs.push_back(nsOf([&] { c.takeCollection(std::move(w)); }));
        if (!checkImported(col, plan, start, error)) return std::nullopt;
        return ns;
    };
    detail(QStringLiteral(
               "Catalogue::writeCollection of the planned tables (encoded, both files kept "
               "aside, then written: %1 + %2 bytes)  vs  write + fdatasync + rename of the same "
               "two files; the catalogue taking the tables afterwards is shown apart")
               .arg(written.data.size())
               .arg(written.history.size()));
    timeBoth(m, write,
             [&] { return durableWrites(col.dir, written.data, written.history, error); });
    if (!takeNs.empty())
        detail(QStringLiteral("  then Catalogue::takeCollection (tables swapped, pick lists "
                              "and viewing lists rebuilt): median %1")
                   .arg(ms(medianAfterWarmUp(takeNs))));
    QFile::remove(QDir(col.dir).filePath(kAtomicScratch));
    QFile::remove(QDir(col.dir).filePath(kRenamedScratch));
    start.reset(&probe);
}
}  // namespace

REELNOTE_BENCHMARK(950, "ImportCsv", (Target{Target::Kind::Time, 1e9}), measureImportCsv)
REELNOTE_BENCHMARK(951, "ImportWrite", (Target{Target::Kind::Ratio, 2.0}), measureImportWrite)
