// Times loading and saving the data file and the start-up to the first card on a generated
// collection of the largest size, each beside the raw cost of the same I/O. A report, not a test.
// After scripts/build.sh:  build/reelnote-benchmark [DIR]
// DIR (empty, or from an earlier run) keeps the collection; otherwise a temporary one is used.
#include "collection.h"

#include "card/card_frame.h"
#include "shell/frm_main.h"
#include "shell/prompts.h"
#include "store/catalogue.h"
#include "store/cp932.h"
#include "store/data_file.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFont>
#include <QHash>
#include <QProcess>
#include <QStorageInfo>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <unistd.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

namespace {
constexpr quint32 kSeed = 20260607;
constexpr int kRuns = 5;
const QString kChildFlag = QStringLiteral("--startup-child");
// Scratch files the baselines write beside the data file; removed again.
const QString kRawScratch = QStringLiteral("benchmark-raw.tmp");
const QString kAtomicScratch = QStringLiteral("benchmark-atomic.tmp");
// What Form_Load reads besides the viewings, which count only once the start-up loaded them.
const QStringList kStartupFiles = {kDataFile, kSettingsFile, kHyoukaMasterFile, kSyoyuMasterFile};

QTextStream& out() {
    static QTextStream s(stdout);
    return s;
}

void line(const QString& text) { out() << text << Qt::endl; }
void detail(const QString& text) { line(QStringLiteral("  ") + text); }

QString ms(qint64 ns) {
    const double v = double(ns) / 1e6;
    return QString::number(v, 'f', v < 1 ? 3 : v < 10 ? 2 : 1) + QStringLiteral("ms");
}

// --- timing -----------------------------------------------------------------

// A run returns its own time in nanoseconds, so that it can leave its set-up
// and clean-up out, or nullopt after recording what failed.
using Run = std::function<std::optional<qint64>()>;

struct Timing {
    qint64 warmUp = 0;  // the discarded first run
    qint64 best = 0;
    qint64 median = 0;
    qint64 worst = 0;
    QString text() const {
        return QStringLiteral("median %1 (best %2, worst %3, warm-up %4)")
            .arg(ms(median), ms(best), ms(worst), ms(warmUp));
    }
};

// One warm-up run that is thrown away, then kRuns timed ones.
std::optional<Timing> repeat(const Run& run) {
    Timing t;
    const auto first = run();
    if (!first) return std::nullopt;
    t.warmUp = *first;
    std::vector<qint64> ns;
    for (int i = 0; i < kRuns; ++i) {
        const auto v = run();
        if (!v) return std::nullopt;
        ns.push_back(*v);
    }
    std::sort(ns.begin(), ns.end());
    t.best = ns.front();
    t.median = ns[ns.size() / 2];
    t.worst = ns.back();
    return t;
}

// --- measurements -------------------------------------------------------------

struct Target {
    enum class Kind { Ratio, Time } kind;
    double limit;  // times the baseline, or nanoseconds
    QString text() const {
        return kind == Kind::Ratio ? QStringLiteral("<%1x").arg(limit)
                                   : QStringLiteral("<%1s").arg(limit / 1e9);
    }
};

struct Measurement {
    QString name;
    Target target;
    qint64 time = 0;      // median, ns
    qint64 baseline = 0;  // median, ns
    QString error;        // the operation failed; the numbers mean nothing

    double ratio() const { return baseline > 0 ? double(time) / double(baseline) : 0; }
    bool met() const {
        return target.kind == Target::Kind::Ratio ? ratio() < target.limit
                                                  : double(time) < target.limit;
    }
    QString summary() const {
        if (!error.isEmpty()) return name + QStringLiteral(" FAILED: ") + error;
        return QStringLiteral("%1 %2 %3 %4x target %5: %6")
            .arg(name, ms(time), ms(baseline), QString::number(ratio(), 'f', 2), target.text(),
                 met() ? QStringLiteral("ok") : QStringLiteral("OVER"));
    }
};

// Times run as the operation and base as its baseline, printing both.
bool timeBoth(Measurement* m, const Run& run, const Run& base) {
    const auto t = repeat(run);
    if (!t) return false;
    const auto b = repeat(base);
    if (!b) return false;
    m->time = t->median;
    m->baseline = b->median;
    detail(QStringLiteral("operation: ") + t->text());
    detail(QStringLiteral("baseline:  ") + b->text());
    return true;
}

// Times a part of an operation and prints it; returns the median, or -1.
qint64 phase(const QString& label, const Run& run) {
    const auto t = repeat(run);
    if (!t) return -1;
    detail(QStringLiteral("  %1: %2").arg(label, t->text()));
    return t->median;
}

template <typename F>
qint64 nsOf(F&& f) {
    QElapsedTimer t;
    t.start();
    f();
    return t.nsecsElapsed();
}

// The physical floor of reading: whole files into memory and decoded, nothing more.
Run rawReadDecode(const QString& dir, const QStringList& names, QString* error) {
    return [=]() -> std::optional<qint64> {
        QElapsedTimer t;
        t.start();
        for (const QString& name : names) {
            QFile f(QDir(dir).filePath(name));
            if (!f.open(QIODevice::ReadOnly)) {
                *error = f.fileName() + QStringLiteral(": ") + f.errorString();
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

// Writes bytes to a fresh file the plain way: the floor of any save.
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
        *error = path + QStringLiteral(": ") + f.errorString();
        return std::nullopt;
    }
    return ns;
}

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
    QByteArray before;
    if (!c.dir().read(kDataFile, &before, error)) return;
    const QString rawPath = QDir(col.dir).filePath(kRawScratch);

    const Run save = [&]() -> std::optional<qint64> {
        QString problem;
        const qint64 ns = nsOf([&] { problem = c.SaveMainData(); });
        if (!problem.isEmpty()) {
            *error = QStringLiteral("SaveMainData: ") + problem;
            return std::nullopt;
        }
        return ns;
    };
    const Run base = [&] { return rawWrite(rawPath, before, false, error); };
    detail(
        QStringLiteral("c.SaveMainData()  vs  QFile::write + close of the same bytes (no sync)"));
    const bool timed = timeBoth(m, save, base);
    QFile::remove(rawPath);
    if (!timed) return;

    // Loading and saving unchanged titles must give back the very same bytes.
    QByteArray after;
    if (!c.dir().read(kDataFile, &after, error)) return;
    if (after != before) {
        const auto diff = std::mismatch(before.begin(), before.end(), after.begin(), after.end());
        *error = QStringLiteral("the saved file differs from the loaded one from byte %1 on")
                     .arg(diff.first - before.begin());
        return;
    }
    detail(QStringLiteral("saved file identical to the loaded one: yes"));

    detail(QStringLiteral("parts:"));
    QString text;
    QByteArray bytes;
    phase(QStringLiteral("serializeDataFile"),
          [&] { return nsOf([&] { text = serializeDataFile(c.titles()); }); });
    const qint64 encode = phase(QStringLiteral("Cp932::encode"),
                                [&] { return nsOf([&] { Cp932::encode(text, &bytes); }); });
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
    phase(QStringLiteral("raw write + fdatasync, for comparison"),
          [&] { return rawWrite(rawPath, before, true, error); });
    QFile::remove(rawPath);
    // The load's baseline includes decoding; the same view of the save, for comparison.
    if (encode > 0)
        detail(QStringLiteral("against raw write + encode (%1): %2x")
                   .arg(ms(m->baseline + encode))
                   .arg(double(m->time) / double(m->baseline + encode), 0, 'f', 2));
}

// --- start-up -------------------------------------------------------------------

// Answers every box with its default and remembers it: a start-up on a sound
// collection with the tour off must show none.
class CountingPrompts : public Prompts {
public:
    Answer message(const QString& text, const QString& title, Icon, Buttons,
                   Answer defaultButton) override {
        boxes << title + QStringLiteral(": ") +
                     QString(text).replace(QStringLiteral("\r\n"), QStringLiteral(" / "));
        return defaultButton;
    }
    QString input(const QString& prompt, const QString& title,
                  const QString& defaultText) override {
        boxes << title + QStringLiteral(" (input): ") + prompt;
        return defaultText;
    }
    void beep() override {}
    void setBusy(bool) override {}

    QStringList boxes;
};

// One start-up in a fresh process, so that every run pays what a user's first
// window pays (fonts, style, converter). Prints one line of key=value pairs.
int runStartupChild(int argc, char** argv, const QString& dir) {
    QElapsedTimer t;
    t.start();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QFont font(QStringLiteral("Noto Sans CJK JP"));  // as the program's main() does
    font.setPointSize(10);
    QApplication::setFont(font);
    const qint64 appNs = t.nsecsElapsed();

    CountingPrompts prompts;
    Clock clock;
    t.restart();
    frmMain window(dir, prompts, clock);
    const qint64 windowNs = t.nsecsElapsed();
    t.restart();
    window.Form_Load();
    const qint64 loadNs = t.nsecsElapsed();
    t.restart();
    QApplication::processEvents();
    const qint64 eventsNs = t.nsecsElapsed();

    const bool shown =
        window.isVisible() && window.card()->isVisible() && window.card()->current() == 1;
    out() << "app=" << appNs << " window=" << windowNs << " load=" << loadNs
          << " events=" << eventsNs << " titles=" << window.catalogue().TitleCount()
          << " viewings=" << window.catalogue().kansyou().KansyouCount() << " shown=" << int(shown)
          << " boxes=" << prompts.boxes.size() << Qt::endl;
    for (const QString& b : std::as_const(prompts.boxes)) out() << "box " << b << Qt::endl;
    return 0;
}

struct StartupRun {
    QHash<QString, qint64> values;  // the child's key=value pairs
    qint64 wall = 0;                // the whole process, as seen from here
    QStringList boxes;
    QStringList warnings;  // what Qt printed on the child's standard error
};

std::optional<StartupRun> startOnce(const QString& dir, QString* error) {
    QProcess p;
    p.setProcessChannelMode(QProcess::SeparateChannels);
    StartupRun r;
    QElapsedTimer wall;
    wall.start();
    p.start(QCoreApplication::applicationFilePath(), {kChildFlag, dir});
    const bool finished = p.waitForFinished(120'000);
    r.wall = wall.nsecsElapsed();
    r.warnings = QString::fromLocal8Bit(p.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts);
    if (!finished || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        *error = QStringLiteral("the start-up process failed: %1 %2")
                     .arg(p.errorString(), r.warnings.join(QStringLiteral(" / ")));
        return std::nullopt;
    }
    const QStringList lines =
        QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    for (const QString& l : lines) {
        if (l.startsWith(QStringLiteral("box "))) {
            r.boxes << l.mid(4);
            continue;
        }
        for (const QString& pair : l.split(u' ', Qt::SkipEmptyParts)) {
            const qsizetype eq = pair.indexOf(u'=');
            if (eq > 0) r.values.insert(pair.left(eq), pair.mid(eq + 1).toLongLong());
        }
    }
    if (!r.values.contains(QStringLiteral("events"))) {
        *error = QStringLiteral("the start-up process printed no times");
        return std::nullopt;
    }
    return r;
}

void measureStartup(const Collection& col, Measurement* m) {
    QString* error = &m->error;
    std::vector<StartupRun> runs;  // [0] is the warm-up
    QStringList files = kStartupFiles;
    const Run start = [&]() -> std::optional<qint64> {
        const auto r = startOnce(col.dir, error);
        if (!r) return std::nullopt;
        runs.push_back(*r);
        const auto& v = r->values;
        if (v.value(QStringLiteral("titles")) != col.titles ||
            v.value(QStringLiteral("shown")) != 1) {
            *error = QStringLiteral("the card was not shown on title 1 of %1 (titles=%2 shown=%3)")
                         .arg(col.titles)
                         .arg(v.value(QStringLiteral("titles")))
                         .arg(v.value(QStringLiteral("shown")));
            return std::nullopt;
        }
        // The history is either not read at start-up or read whole.
        const qint64 viewings = v.value(QStringLiteral("viewings"));
        if (viewings != 0 && viewings != col.viewings) {
            *error = QStringLiteral("the start-up read %1 viewings of %2")
                         .arg(viewings)
                         .arg(col.viewings);
            return std::nullopt;
        }
        if (viewings != 0 && !files.contains(kHistoryFile)) files << kHistoryFile;
        return v.value(QStringLiteral("window")) + v.value(QStringLiteral("load")) +
               v.value(QStringLiteral("events"));
    };
    detail(
        QStringLiteral("new process each run; frmMain(dir) + Form_Load() + processEvents()  vs  "
                       "readAll + decode of the files it read"));
    // The operation runs first, so the baseline knows by then which files that were.
    if (!timeBoth(m, start, [&] { return rawReadDecode(col.dir, files, error)(); })) return;
    detail(QStringLiteral("files read: ") + files.join(QStringLiteral(", ")));

    auto median = [&](auto value) {
        std::vector<qint64> v;
        for (std::size_t i = 1; i < runs.size(); ++i) v.push_back(value(runs[i]));
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    detail(QStringLiteral("parts (median):"));
    const std::pair<const char*, const char*> parts[] = {
        {"window", "frmMain constructor"},
        {"load", "Form_Load"},
        {"events", "processEvents (layout, first paint)"}};
    for (auto [key, label] : parts) {
        const qint64 ns =
            median([&](const StartupRun& r) { return r.values.value(QLatin1String(key)); });
        detail(QStringLiteral("  %1: %2").arg(QLatin1String(label), ms(ns)));
    }
    detail(
        QStringLiteral("not counted: QApplication and font set-up %1; whole process as seen from "
                       "outside (loading, start-up, exit) %2")
            .arg(ms(median(
                     [](const StartupRun& r) { return r.values.value(QStringLiteral("app")); })),
                 ms(median([](const StartupRun& r) { return r.wall; }))));

    QStringList boxes, warnings;
    for (const StartupRun& r : runs) {
        boxes += r.boxes;
        for (const QString& w : r.warnings)
            if (!warnings.contains(w)) warnings << w;
    }
    for (const QString& w : std::as_const(warnings)) detail(QStringLiteral("Qt said: ") + w);
    if (!boxes.isEmpty()) {
        *error = QStringLiteral("%1 box(es) appeared during start-up: %2")
                     .arg(boxes.size())
                     .arg(boxes.first());
        return;
    }
    detail(QStringLiteral("boxes shown: none"));
}

// --- the list -------------------------------------------------------------------

struct Operation {
    const char* name;
    Target target;
    void (*measure)(const Collection&, Measurement*);
};

// New measurements go here; each one runs on the same generated collection.
const Operation kOperations[] = {
    {"LoadMainData", {Target::Kind::Ratio, 3}, measureLoadMainData},
    {"SaveMainData", {Target::Kind::Ratio, 3}, measureSaveMainData},
    {"StartupToCard", {Target::Kind::Time, 1e9}, measureStartup},
};

// --- set-up ---------------------------------------------------------------------

// Other work on the machine shows up as noise in the times, so the report says how busy it was.
QString loadAverage() {
    QFile f(QStringLiteral("/proc/loadavg"));
    if (!f.open(QIODevice::ReadOnly)) return QStringLiteral("unknown");
    return QString::fromLatin1(f.readAll()).section(u' ', 0, 2);
}

QString cpuModel() {
    QFile f(QStringLiteral("/proc/cpuinfo"));
    if (!f.open(QIODevice::ReadOnly)) return QStringLiteral("unknown CPU");
    for (const QByteArray& l : f.readAll().split('\n'))
        if (l.startsWith("model name"))
            return QString::fromUtf8(l.mid(l.indexOf(':') + 1)).trimmed();
    return QStringLiteral("unknown CPU");
}

// A kept directory is rewritten, so it must not be somebody's real collection.
QString checkKeptDir(const QString& dir) {
    if (!QDir().mkpath(dir)) return QStringLiteral("cannot create %1").arg(dir);
    QStringList ours = collectionFileNames();
    ours << kRawScratch << kAtomicScratch;
    for (const QString& name :
         QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        if (!ours.contains(name))
            return QStringLiteral("%1 holds \"%2\"; give an empty directory or one this tool wrote")
                .arg(dir, name);
    return {};
}

void warmFileCache(const Collection& col) {
    for (const auto& file : col.files) {
        QFile f(QDir(col.dir).filePath(file.first));
        if (f.open(QIODevice::ReadOnly)) f.readAll();
    }
}

void printHeader(const Collection& col, bool kept) {
    line(
        QStringLiteral("reelnote-benchmark: each time is the median of %1 runs after one discarded "
                       "warm-up run")
            .arg(kRuns));
    line(QStringLiteral("machine: %1 CPUs (%2), %3 %4, load average %5; Qt %6 (built with %7); "
                        "%8 build")
             .arg(QThread::idealThreadCount())
             .arg(cpuModel(), QSysInfo::kernelType(), QSysInfo::kernelVersion(), loadAverage(),
                  QLatin1String(qVersion()), QLatin1String(QT_VERSION_STR),
                  QLatin1String(REELNOTE_BUILD_TYPE)));
    line(QStringLiteral("data: %1 (%2, %3 file system), seed %4")
             .arg(col.dir,
                  kept ? QStringLiteral("kept") : QStringLiteral("temporary, removed at exit"),
                  QString::fromUtf8(QStorageInfo(col.dir).fileSystemType()))
             .arg(kSeed));
    for (const auto& [name, size] : col.files)
        detail(QStringLiteral("%1 %2 bytes").arg(name).arg(size));
    line(QStringLiteral("counts: %1 titles, %2 viewings; distinct: %3 directors, %4 lead actors, "
                        "%5 countries, %6 genres, %7 release months, %8 release years")
             .arg(col.titles)
             .arg(col.viewings)
             .arg(col.directors)
             .arg(col.actors)
             .arg(col.countries)
             .arg(col.genres)
             .arg(col.releaseMonths)
             .arg(col.releaseYears));
}
}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && QLatin1String(argv[1]) == kChildFlag)
        return runStartupChild(argc, argv, QString::fromLocal8Bit(argv[2]));
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() > 2 || (args.size() == 2 && args[1].startsWith(u'-'))) {
        QTextStream(stderr) << "usage: reelnote-benchmark [DIR]\n";
        return 2;
    }
    if (!Cp932::available()) {
        QTextStream(stderr) << "this Qt has no code page 932 converter\n";
        return 1;
    }

    // Without DIR the collection lives in a temporary directory removed at exit.
    std::optional<QTemporaryDir> temporary;
    const bool kept = args.size() == 2;
    QString dir;
    QString problem;
    if (kept) {
        dir = QDir(args[1]).absolutePath();
        problem = checkKeptDir(dir);
    } else {
        temporary.emplace();
        dir = temporary->path();
        if (!temporary->isValid()) problem = temporary->errorString();
    }
    if (!problem.isEmpty()) {
        QTextStream(stderr) << "cannot build the collection: " << problem << '\n';
        return 1;
    }
    Collection col;
    if (problem = buildCollection(dir, kSeed, &col); !problem.isEmpty()) {
        QTextStream(stderr) << "cannot build the collection: " << problem << '\n';
        return 1;
    }
    printHeader(col, kept);
    warmFileCache(col);

    std::vector<Measurement> results;
    for (const Operation& op : kOperations) {
        Measurement m{QLatin1String(op.name), op.target, 0, 0, {}};
        line(QString());
        line(m.name);
        op.measure(col, &m);
        if (!m.error.isEmpty()) detail(QStringLiteral("FAILED: ") + m.error);
        results.push_back(m);
    }

    line(QString());
    line(QStringLiteral("summary: name time baseline ratio target"));
    bool failed = false;
    for (const Measurement& m : results) {
        line(m.summary());
        failed = failed || !m.error.isEmpty();
    }
    return failed ? 1 : 0;
}
