// Loading and saving the data file and storing a viewing, on the catalogue alone.
#include "baselines.h"
#include "file_state.h"
#include "measurements.h"

#include "store/catalogue.h"
#include "store/cp932.h"
#include "store/data_file.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace {
// What the load must have produced: every title, and each pick list as long as
// the distinct values the collection was written with.
QString checkLoaded(Catalogue& c, const Collection& col) {
    struct Expected {
        PickList list;
        const char* what;
        int count;
    };
    const Expected expected[] = {{PickList::Name, "titles", col.titles},
                                 {PickList::Kantoku, "directors", col.directors},
                                 {PickList::Syuen, "lead actors", col.actors},
                                 {PickList::Kuni, "countries", col.countries},
                                 {PickList::Janru, "genres", col.genres},
                                 {PickList::Koukai, "release months", col.releaseMonths},
                                 {PickList::Koukai3, "release years", col.releaseYears}};
    if (c.TitleCount() != col.titles)
        return QStringLiteral("loaded %1 titles of %2").arg(c.TitleCount()).arg(col.titles);
    for (const Expected& e : expected)
        if (c.pickList(e.list)->rowCount() != e.count)
            return QStringLiteral("the pick list of %1 holds %2 entries, the collection has %3")
                .arg(QLatin1String(e.what))
                .arg(c.pickList(e.list)->rowCount())
                .arg(e.count);
    return {};
}

// What the history must hold after the viewing was stored: the original lines with the
// new one before the first record of a later date. Worked out on the bytes, apart from
// the program's own code. *position receives the record's number.
QByteArray historyWithInsertion(const QByteArray& original, const Kansyou& k, int* position,
                                QString* error) {
    const QList<QByteArray> lines = recordLines(original);
    const QByteArray date = k.Kansyoubi.text().toLatin1();
    qsizetype at = 0;
    while (at < lines.size() && lines[at].mid(1, 10) <= date) ++at;  // "YYYY/MM/DD",...
    QByteArray record;
    if (!Cp932::encode(QStringLiteral("\"%1\",\"%2\",\"%3\"")
                           .arg(k.Kansyoubi, k.KansyouDaimei, k.KansyouNaiyou),
                       &record)) {
        *error = QStringLiteral("the new viewing cannot be written in code page 932");
        return {};
    }
    QByteArray out;
    out.reserve(original.size() + record.size() + 2);
    for (qsizetype i = 0; i <= lines.size(); ++i) {
        if (i == at) out += record + "\r\n";
        if (i < lines.size()) out += lines[i] + "\r\n";
    }
    *position = int(at) + 1;
    return out;
}

// Reads the history into c; its message fails the measurement.
bool loadHistory(Catalogue& c, QString* error) {
    const QString problem = c.LoadKansyouRireki();
    if (problem.isEmpty()) return true;
    *error = QStringLiteral("LoadKansyouRireki: ") + oneLine(problem);
    return false;
}
}  // namespace

void measureLoadMainData(const Collection& col, Measurement* m) {
    QString* error = &m->error;
    const Run load = [&]() -> std::optional<qint64> {
        QElapsedTimer t;
        t.start();
        Catalogue c(col.dir);
        const QString problem = c.LoadMainData();
        const qint64 ns = t.nsecsElapsed();  // the catalogue's destruction is not part of it
        if (!problem.isEmpty())
            *error = QStringLiteral("LoadMainData: ") + problem;
        else
            *error = checkLoaded(c, col);
        if (!error->isEmpty()) return std::nullopt;
        return ns;
    };
    detail(
        QStringLiteral("Catalogue c(dir); c.LoadMainData()  vs  QFile::readAll + Cp932::decode"));
    if (!timeBoth(m, load, rawReadDecode(col.dir, {kDataFile}, error))) return;

    // The same steps one by one through the public pieces; what remains is
    // mostly the pick lists (rebuildPickLists is private).
    detail(QStringLiteral("parts:"));
    QByteArray bytes;
    QString text;
    const qint64 construct = phase(QStringLiteral("Catalogue(dir)"),
                                   [&] { return nsOf([&] { Catalogue c(col.dir); }); });
    const qint64 read = phase(QStringLiteral("DataDir::read"), [&] {
        DataDir d(col.dir);
        return nsOf([&] { d.read(kDataFile, &bytes); });
    });
    const qint64 decode = phase(QStringLiteral("decodeSoundPart"), [&] {
        ReadProblem problem;
        return nsOf([&] { text = decodeSoundPart(bytes, &problem); });
    });
    const qint64 parse = phase(QStringLiteral("parseDataFile"), [&]() -> std::optional<qint64> {
        TitleTable table;
        const qint64 ns = nsOf([&] { parseDataFile(text, &table); });
        if (table.TitleCount() != col.titles) {
            *error = QStringLiteral("parseDataFile read %1 titles").arg(table.TitleCount());
            return std::nullopt;
        }
        return ns;
    });
    if (!error->isEmpty()) return;
    detail(QStringLiteral("  pick lists and the rest (by difference): %1")
               .arg(ms(m->time - construct - read - decode - parse)));
}

void measureSaveMainData(const Collection& col, Measurement* m) {
    QString* error = &m->error;
    Catalogue c(col.dir);
    if (const QString problem = c.LoadMainData(); !problem.isEmpty()) {
        *error = QStringLiteral("LoadMainData: ") + problem;
        return;
    }
    c.dir().waitForListing();
    QByteArray before;
    if (!c.dir().read(kDataFile, &before, error)) return;

    const Run save = [&]() -> std::optional<qint64> {
        QString problem;
        const qint64 ns = nsOf([&] { problem = c.SaveMainData(); });
        if (!problem.isEmpty()) {
            *error = QStringLiteral("SaveMainData: ") + problem;
            return std::nullopt;
        }
        return ns;
    };
    detail(QStringLiteral(
        "c.SaveMainData()  vs  write + fdatasync + rename of the same bytes (a durable write)"));
    if (!timeBesideDurableWrite(m, save, col.dir, before)) return;

    // Loading and saving unchanged titles must give back the very same bytes.
    QByteArray after;
    if (!c.dir().read(kDataFile, &after, error)) return;
    if (after != before) {
        *error = QStringLiteral("the saved file differs from the loaded one from byte %1 on")
                     .arg(firstDifferingByte(before, after));
        return;
    }
    detail(QStringLiteral("saved file identical to the loaded one: yes"));

    detail(QStringLiteral("parts:"));
    QByteArray bytes;
    QVector<qsizetype> starts;
    const qint64 encode = phase(QStringLiteral("encodeDataFile (the records as bytes)"), [&] {
        return nsOf([&] { encodeDataFile(c.titles(), 0, &bytes, &starts); });
    });
    phase(QStringLiteral("DataDir::writeAtomic"), [&]() -> std::optional<qint64> {
        FileResult r;
        const qint64 ns = nsOf([&] { r = c.dir().writeAtomic(kAtomicScratch, bytes); });
        if (!r.ok()) {
            *error = r.error;
            return std::nullopt;
        }
        return ns;
    });
    c.dir().remove(kAtomicScratch);
    const QString rawPath = QDir(col.dir).filePath(kRawScratch);
    phase(QStringLiteral("raw write + fdatasync, for comparison"),
          [&] { return rawWrite(rawPath, before, true, error); });
    QFile::remove(rawPath);
    // The load's baseline includes decoding; the same view of the save, for comparison.
    if (encode > 0)
        detail(QStringLiteral("against raw write + encode (%1): %2x")
                   .arg(ms(m->baseline + encode))
                   .arg(double(m->time) / double(m->baseline + encode), 0, 'f', 2));
}

void measureAddKansyou(const Collection& col, Measurement* m) {
    QString* error = &m->error;
    const PutBackOnExit history(col.dir, kHistoryFile, error);
    if (!history.ok()) return;
    const QByteArray& original = history.original();

    // Dated like the middle record, the new viewing goes in after every record of that date:
    // an insertion, which rewrites the file, not an append.
    Catalogue probe(col.dir);
    if (!loadHistory(probe, error)) return;
    const Kansyou& middle = probe.kansyou()[probe.kansyou().KansyouCount() / 2];
    const Kansyou added{middle.Kansyoubi, col.cardName, QStringLiteral("名画座")};
    int position = 0;
    const QByteArray expected = historyWithInsertion(original, added, &position, error);
    if (!error->isEmpty()) return;
    if (position > probe.kansyou().KansyouCount()) {
        *error = QStringLiteral("the new viewing would be appended, not inserted");
        return;
    }

    // Every run starts from the original history and a catalogue that has just read it;
    // both, and the check of the result, lie outside the time.
    const Run add = [&]() -> std::optional<qint64> {
        if (!putBack(col.dir, kHistoryFile, original, error)) return std::nullopt;
        Catalogue c(col.dir);
        if (!loadHistory(c, error)) return std::nullopt;
        c.dir().waitForListing();  // done long before a user has typed a viewing
        const auto ns =
            timedCall([&] { return c.AddKansyou(added); }, QStringLiteral("AddKansyou: "), error);
        if (!ns) return std::nullopt;
        QByteArray saved;
        if (!c.dir().read(kHistoryFile, &saved, error)) return std::nullopt;
        if (saved != expected) {
            *error = QStringLiteral("the saved history has ") + firstDifference(expected, saved);
            return std::nullopt;
        }
        if (c.kansyou().KansyouCount() != col.viewings + 1 || !(c.kansyou()[position] == added)) {
            *error = QStringLiteral("the table does not hold the new viewing as record %1")
                         .arg(position);
            return std::nullopt;
        }
        if (c.dir().exists(kHistoryCopyFile)) {
            *error = kHistoryCopyFile + QStringLiteral(" was left behind");
            return std::nullopt;
        }
        return ns;
    };
    detail(QStringLiteral("Catalogue::AddKansyou of a viewing dated %1, after LoadKansyouRireki  "
                          "vs  write + fdatasync + rename of the resulting %2 bytes")
               .arg(added.Kansyoubi)
               .arg(expected.size()));
    if (!timeBesideDurableWrite(m, add, col.dir, expected)) return;
    detail(QStringLiteral("saved file is the original with the record inserted as number %1 of %2 "
                          "(after every record dated %3): yes, in every run")
               .arg(position)
               .arg(col.viewings + 1)
               .arg(added.Kansyoubi));

    // The file as the next start-up finds it.
    Catalogue reread(col.dir);
    const QString problem = reread.LoadKansyouRireki();
    detail(problem.isEmpty()
               ? QStringLiteral("read back by a fresh catalogue: %1 viewings, no message")
                     .arg(reread.kansyou().KansyouCount())
               : QStringLiteral("WARNING read back by a fresh catalogue: %1 viewings; it says: %2")
                     .arg(reread.kansyou().KansyouCount())
                     .arg(oneLine(problem)));

    detail(QStringLiteral("parts:"));
    phase(QStringLiteral("DataDir::read of the history (the check for changes by others)"), [&] {
        QByteArray bytes;
        return nsOf([&] { probe.dir().read(kHistoryFile, &bytes); });
    });
    phase(QStringLiteral("KansyouTable::insert into a table like the catalogue's"), [&] {
        // Built record by record: a plain copy would share its lists, and insert would
        // then pay for copying every one of them, which the catalogue's own table does not.
        KansyouTable table;
        for (const Kansyou& k : probe.kansyou().records()) table.append(k);
        return nsOf([&] { table.insert(position, added); });
    });
    phase(QStringLiteral("LoadKansyouRireki (for scale: the whole read)"), [&] {
        Catalogue c(col.dir);
        return nsOf([&] { c.LoadKansyouRireki(); });
    });
    saveFloors(col.dir, expected, true, error);
}

namespace {
// The bare durable write: bytes to a fresh file, fdatasync (when sync), rename over target.
std::optional<qint64> bareReplace(const QString& dir, const QByteArray& bytes, bool sync) {
    const QByteArray from = QFile::encodeName(QDir(dir).filePath(kAtomicScratch));
    const QByteArray to = QFile::encodeName(QDir(dir).filePath(kRenamedScratch));
    QElapsedTimer t;
    t.start();
    const int fd = ::open(from.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    const bool ok = fd >= 0 &&
                    ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size() &&
                    (!sync || ::fdatasync(fd) == 0);
    if (fd >= 0) ::close(fd);
    if (!ok || std::rename(from.constData(), to.constData()) != 0) return std::nullopt;
    return t.nsecsElapsed();
}

// The real calls, but no sync: what is left is the cost of the checks themselves.
class NoSync : public FileSystem {
public:
    int sync(int) override { return 0; }
};

// Alternate runs of the two, so that whatever else the machine does falls on both alike.
std::optional<std::pair<qint64, qint64>> alternating(const Run& a, const Run& b, int runs) {
    std::vector<qint64> ta, tb;
    for (int i = 0; i < runs; ++i) {
        const auto x = a();
        const auto y = b();
        if (!x || !y) return std::nullopt;
        ta.push_back(*x);
        tb.push_back(*y);
    }
    std::sort(ta.begin(), ta.end());
    std::sort(tb.begin(), tb.end());
    return std::pair{ta[ta.size() / 2], tb[tb.size() / 2]};
}
}  // namespace

// The checks every write makes (each write, the sync, the size, the link and the mode of
// the old file) against the bare durable write of the same bytes.
void measureCheckedWrite(const Collection& col, Measurement* m) {
    QString* error = &m->error;
    DataDir d(col.dir);
    QByteArray bytes;
    if (!d.read(kDataFile, &bytes, error)) return;
    const Run write = [&]() -> std::optional<qint64> {
        FileResult r;
        const qint64 ns = nsOf([&] { r = d.writeAtomic(kRenamedScratch, bytes); });
        if (!r.ok()) {
            *error = oneLine(r.error);
            return std::nullopt;
        }
        return ns;
    };
    detail(QStringLiteral("DataDir::writeAtomic of the %1 bytes of the data file over an existing "
                          "file  vs  write + fdatasync + rename of the same bytes")
               .arg(bytes.size()));
    if (!timeBesideDurableWrite(m, write, col.dir, bytes)) return;
    detail(QStringLiteral("checks over the bare durable write: %1 %")
               .arg((m->ratio() - 1) * 100, 0, 'f', 1));

    // The sync's time varies run by run by more than the checks cost; alternating the
    // two, and leaving the sync out of both, shows the checks' own share.
    constexpr int kPairs = 21;
    const Run bare = [&] { return bareReplace(col.dir, bytes, true); };
    if (const auto both = alternating(write, bare, kPairs))
        detail(QStringLiteral("alternating %1 pairs: checked %2, bare %3 (%4 %)")
                   .arg(kPairs)
                   .arg(ms(both->first), ms(both->second))
                   .arg((double(both->first) / double(both->second) - 1) * 100, 0, 'f', 1));
    NoSync noSync;
    d.setFileSystem(&noSync);
    if (const auto both = alternating(
            write, [&] { return bareReplace(col.dir, bytes, false); }, kPairs))
        detail(QStringLiteral("without the sync on either side: checked %1, bare %2 "
                              "(the checks cost %3)")
                   .arg(ms(both->first), ms(both->second), ms(both->first - both->second)));
    d.setFileSystem(nullptr);
    d.remove(kRenamedScratch);
    QFile::remove(QDir(col.dir).filePath(kAtomicScratch));

    // The whole save for scale: encoding the table and the same checked write.
    Catalogue c(col.dir);
    if (const QString problem = c.LoadMainData(); !problem.isEmpty()) {
        *error = QStringLiteral("LoadMainData: ") + oneLine(problem);
        return;
    }
    c.dir().waitForListing();
    phase(QStringLiteral("Catalogue::SaveMainData (the whole save with these checks)"), [&] {
        return timedCall([&] { return c.SaveMainData(); }, QStringLiteral("SaveMainData: "), error);
    });
}

REELNOTE_BENCHMARK(10, "CheckedWrite", (Target{Target::Kind::Ratio, 1.1}), measureCheckedWrite)
