// Times loading and saving the data file, the start-up to the first card, storing a viewing,
// showing a full card and the edits of the window on a generated collection of the largest
// size, each beside the raw cost of the same I/O. A report, not a test.
// After scripts/build.sh:  build/reelnote-benchmark [--only NAME,...] [DIR]
// DIR (empty, or from an earlier run) keeps the collection; otherwise a temporary one is used.
// --only runs just the named operations, for a profile of one of them.
#include "collection.h"

#include "card/card_frame.h"
#include "card/sub_texts.h"
#include "shell/flex_grid.h"
#include "shell/frm_main.h"
#include "shell/prompts.h"
#include "store/catalogue.h"
#include "store/cp932.h"
#include "store/data_file.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QStorageInfo>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
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
const QString kRenamedScratch = QStringLiteral("benchmark-renamed.tmp");
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
        if (kind == Kind::Ratio) return QStringLiteral("<%1x").arg(limit);
        return limit < 1e9 ? QStringLiteral("<%1ms").arg(limit / 1e6)
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

// What a safe save of these bytes costs at least: the program's own atomic write
// (synced, then renamed; with a second rename when `replace`, as the history's save
// does), and the same done raw. Printed as parts.
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

// Puts a file of the collection back as it was, behind the program's back. It is
// synced so that its write-back does not land in the next run's time.
bool putBack(const QString& dir, const QString& name, const QByteArray& bytes, QString* error) {
    QFile f(QDir(dir).filePath(name));
    const bool ok = f.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                    f.write(bytes) == bytes.size() && f.flush() && ::fdatasync(f.handle()) == 0;
    if (!ok && error->isEmpty()) *error = f.fileName() + QStringLiteral(": ") + f.errorString();
    return ok;
}

// Restores a file when the measurement that changes it ends, whichever way it ends.
class PutBackOnExit {
public:
    PutBackOnExit(const QString& dir, const QString& name, QString* error)
        : dir_(dir), name_(name), error_(error) {
        QFile f(QDir(dir).filePath(name));
        if (f.open(QIODevice::ReadOnly)) {
            bytes_ = f.readAll();
            read_ = true;
        } else {
            *error = f.fileName() + QStringLiteral(": ") + f.errorString();
        }
    }
    ~PutBackOnExit() {
        if (read_) putBack(dir_, name_, bytes_, error_);
    }
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
QList<QByteArray> recordLines(const QByteArray& bytes) {
    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    for (QByteArray& l : lines)
        if (l.endsWith('\r')) l.chop(1);
    return lines;
}

QString firstDifference(const QByteArray& expected, const QByteArray& got) {
    const auto diff = std::mismatch(expected.begin(), expected.end(), got.begin(), got.end());
    return QStringLiteral("%1 bytes where %2 were expected, differing from byte %3 on")
        .arg(got.size())
        .arg(expected.size())
        .arg(diff.first - expected.begin());
}

QString oneLine(QString text) {
    return text.replace(QStringLiteral("\r\n"), QStringLiteral(" / "));
}

// The median of per-run values, leaving out the warm-up run that repeat() starts with.
qint64 medianAfterWarmUp(std::vector<qint64> v) {
    if (v.size() < 2) return -1;
    v.erase(v.begin());
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
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

// Answers the window's boxes as the scripted operations need and keeps every one, so that an
// operation can tell the boxes it expects from any other: a message is answered OK, an input
// box with the planned name, once.
class ScriptedPrompts : public Prompts {
public:
    Answer message(const QString& text, const QString& title, Icon, Buttons, Answer) override {
        boxes << title + QStringLiteral(": ") + oneLine(text);
        return Answer::Ok;
    }
    QString input(const QString& prompt, const QString& title, const QString&) override {
        boxes << title + QStringLiteral(" (input): ") + prompt;
        return std::exchange(plannedName, QString());  // asked again, the box is cancelled
    }
    void beep() override { ++beeps; }
    void setBusy(bool) override {}

    QString plannedName;
    QStringList boxes;
    int beeps = 0;
};

// The font the program's main() sets.
void useProgramFont() {
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPointSize(10);
    QApplication::setFont(font);
}

// One start-up in a fresh process, so that every run pays what a user's first
// window pays (fonts, style, converter). Prints one line of key=value pairs.
int runStartupChild(int argc, char** argv, const QString& dir) {
    QElapsedTimer t;
    t.start();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    useProgramFont();
    const qint64 appNs = t.nsecsElapsed();

    ScriptedPrompts prompts;
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

// --- storing a viewing -------------------------------------------------------------

// What the history must hold after the viewing was stored: the original lines with the
// new one before the first record of a later date. Worked out on the bytes, apart from
// the program's own code. *position receives the record's number.
QByteArray historyWithInsertion(const QByteArray& original, const Kansyou& k, int* position,
                                QString* error) {
    const QList<QByteArray> lines = recordLines(original);
    const QByteArray date = k.Kansyoubi.toLatin1();
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

void measureAddKansyou(const Collection& col, Measurement* m) {
    QString* error = &m->error;
    const PutBackOnExit history(col.dir, kHistoryFile, error);
    if (!history.ok()) return;
    const QByteArray& original = history.original();

    // Dated like the middle record, the new viewing goes in after every record of that date:
    // an insertion, which rewrites the file, not an append.
    Catalogue probe(col.dir);
    if (const QString p = probe.LoadKansyouRireki(); !p.isEmpty()) {
        *error = QStringLiteral("LoadKansyouRireki: ") + oneLine(p);
        return;
    }
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
        if (const QString p = c.LoadKansyouRireki(); !p.isEmpty()) {
            *error = QStringLiteral("LoadKansyouRireki: ") + oneLine(p);
            return std::nullopt;
        }
        QString problem;
        const qint64 ns = nsOf([&] { problem = c.AddKansyou(added); });
        if (!problem.isEmpty()) {
            *error = QStringLiteral("AddKansyou: ") + oneLine(problem);
            return std::nullopt;
        }
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
    const QString rawPath = QDir(col.dir).filePath(kRawScratch);
    const Run base = [&] { return rawWrite(rawPath, expected, false, error); };
    detail(QStringLiteral("Catalogue::AddKansyou of a viewing dated %1, after LoadKansyouRireki  "
                          "vs  QFile::write + close of the resulting %2 bytes (no sync)")
               .arg(added.Kansyoubi)
               .arg(expected.size()));
    const bool timed = timeBoth(m, add, base);
    QFile::remove(rawPath);
    if (!timed) return;
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

// --- the window -------------------------------------------------------------------

// The program's window on the collection, in this process, with scripted boxes.
class LiveWindow {
public:
    explicit LiveWindow(const QString& dir) : window(dir, prompts, clock) {}

    // The start-up as the program's main() does it; false when it showed a box.
    bool open(QString* error) {
        window.Form_Load();
        if (window.isHidden()) {
            *error = QStringLiteral("the window did not open");
            return false;
        }
        return boxesWere({}, error);
    }

    template <typename T>
    T* child(const QString& name, QString* error) {
        T* found = window.findChild<T*>(name);
        if (!found) *error = QStringLiteral("the window has no %1").arg(name);
        return found;
    }

    // The boxes shown since the last call must be exactly these, in this order, each
    // given as the start of "title: text"; any other box fails the operation.
    bool boxesWere(const QStringList& expected, QString* error) {
        const QStringList shown = std::exchange(prompts.boxes, {});
        bool same = shown.size() == expected.size();
        for (qsizetype i = 0; same && i < shown.size(); ++i)
            same = shown[i].startsWith(expected[i]);
        if (same) return true;
        *error = QStringLiteral("%1 box(es) appeared where %2 were expected: %3")
                     .arg(shown.size())
                     .arg(expected.size())
                     .arg(shown.join(QStringLiteral(" | ")));
        return false;
    }

    ScriptedPrompts prompts;
    Clock clock;
    frmMain window;
};

// --- showing a card ---------------------------------------------------------------

// The card must show what the collection wrote for the title: its three texts, its
// picture at full size and its viewings.
QString checkCard(LiveWindow& w, const Collection& col) {
    QString error;
    auto* name = w.child<QComboBox>(QStringLiteral("cboName"), &error);
    auto* picture = w.child<QLabel>(QStringLiteral("imgGazou"), &error);
    auto* grid = w.child<FlexGrid>(QStringLiteral("msgKansyou"), &error);
    if (!error.isEmpty()) return error;
    if (name->currentText() != col.cardName)
        return QStringLiteral("the card shows \"%1\"").arg(name->currentText());
    for (int k = 1; k <= 3; ++k) {
        auto* box = w.child<QPlainTextEdit>(QStringLiteral("txtSubData_%1").arg(k), &error);
        if (!box) return error;
        if (box->toPlainText() != col.cardTexts[k - 1].join(u'\n'))
            return QStringLiteral("text box %1 does not hold the file's text").arg(k);
    }
    if (picture->pixmap().size() != col.pictureSize)
        return QStringLiteral("the picture shown is %1x%2")
            .arg(picture->pixmap().width())
            .arg(picture->pixmap().height());
    if (grid->Rows() != col.cardViewings + 1)
        return QStringLiteral("the viewing grid has %1 rows for %2 viewings")
            .arg(grid->Rows() - 1)
            .arg(col.cardViewings);
    return {};
}

void measureShowTitle(const Collection& col, Measurement* m) {
    QString* error = &m->error;
    LiveWindow w(col.dir);
    if (!w.open(error)) return;
    CardFrame* card = w.window.card();
    const int n = col.cardTitle;
    const int other = n == 1 ? 2 : n - 1;

    // Moving to another title first makes every box really change; that move and the
    // layout and paint it leaves pending lie outside the time. setCurrent(n) then runs
    // ShowTitle once, through the scroll bar's change, as moving to a title does.
    const Run show = [&]() -> std::optional<qint64> {
        card->setCurrent(other);
        QApplication::processEvents();
        const qint64 ns = nsOf([&] { card->setCurrent(n); });
        if (card->current() != n) {
            *error = QStringLiteral("the card is on title %1, not %2").arg(card->current()).arg(n);
            return std::nullopt;
        }
        if (!w.boxesWere({}, error)) return std::nullopt;
        return ns;
    };
    QStringList texts;
    for (int k : {SubTexts::kCast, SubTexts::kArasuji, SubTexts::kMemo})
        texts << SubTexts::fileName(k, col.cardName);
    const Run readTexts = rawReadDecode(col.dir, texts, error);
    const Run base = [&]() -> std::optional<qint64> {
        const auto textNs = readTexts();
        if (!textNs) return std::nullopt;
        QImage img;
        const qint64 ns = nsOf([&] { img.load(QDir(col.dir).filePath(col.pictureFile)); });
        if (img.isNull()) {
            *error = col.pictureFile + QStringLiteral(": cannot be decoded");
            return std::nullopt;
        }
        return *textNs + ns;
    };
    detail(QStringLiteral("title %1 \"%2\": 3 texts, a %3x%4 JPEG of %5 bytes, %6 viewings; "
                          "%7 text files in the directory")
               .arg(n)
               .arg(col.cardName)
               .arg(col.pictureSize.width())
               .arg(col.pictureSize.height())
               .arg(col.pictureBytes)
               .arg(col.cardViewings)
               .arg(col.textFiles));
    detail(QStringLiteral("setCurrent(%1) from title %2, running ShowTitle once  vs  readAll + "
                          "decode of the 3 texts + QImage::load of the picture")
               .arg(n)
               .arg(other));
    if (!timeBoth(m, show, base)) return;
    if (const QString wrong = checkCard(w, col); !wrong.isEmpty()) {
        *error = wrong;
        return;
    }
    detail(QStringLiteral("card shows the title's texts, picture and viewings: yes"));

    detail(QStringLiteral("parts, on the card as it stands:"));
    Catalogue& cat = w.window.catalogue();
    phase(QStringLiteral("DataDir::rescanIfChanged"),
          [&] { return nsOf([&] { cat.dir().rescanIfChanged(); }); });
    phase(QStringLiteral("LoadSubTexts"), [&] { return nsOf([&] { card->LoadSubTexts(); }); });
    phase(QStringLiteral("ShowKansyouRireki"),
          [&] { return nsOf([&] { card->ShowKansyouRireki(); }); });
    phase(QStringLiteral("QImageReader::read + QPixmap::fromImage, as showPicture does"), [&] {
        return nsOf([&] {
            QImageReader reader(cat.dir().filePath(col.pictureFile));
            reader.setDecideFormatFromContent(true);
            const QPixmap shown = QPixmap::fromImage(reader.read());
        });
    });
    phase(QStringLiteral("processEvents after the move (layout, paint; not counted)"), [&] {
        card->setCurrent(other);
        QApplication::processEvents();
        card->setCurrent(n);
        return nsOf([] { QApplication::processEvents(); });
    });
    if (!w.boxesWere({}, error)) return;
}

// --- editing an attribute ---------------------------------------------------------

void measureEditKantoku(const Collection& col, Measurement* m) {
    QString* error = &m->error;
    const PutBackOnExit data(col.dir, kDataFile, error);
    if (!data.ok()) return;
    const QByteArray& original = data.original();
    LiveWindow w(col.dir);
    if (!w.open(error)) return;
    CardFrame* card = w.window.card();
    auto* combo = w.child<QComboBox>(QStringLiteral("cboKantoku"), error);
    if (!combo) return;
    const int n = col.cardTitle;
    card->setCurrent(n);

    // Two new directors in turn, so that every run really changes the file.
    const QString names[] = {QStringLiteral("測定用監督　甲"), QStringLiteral("測定用監督　乙")};
    int edits = 0;
    QString last;
    const Run edit = [&]() -> std::optional<qint64> {
        last = names[edits++ % 2];
        combo->setEditText(last);  // the typing; the time starts with Enter
        QApplication::processEvents();
        const int beeps = w.prompts.beeps;
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        const qint64 ns = nsOf([&] { QCoreApplication::sendEvent(combo->lineEdit(), &enter); });
        if (!w.boxesWere({}, error)) return std::nullopt;
        if (w.prompts.beeps != beeps + 1) {
            *error = QStringLiteral("Enter gave %1 beeps, not one").arg(w.prompts.beeps - beeps);
            return std::nullopt;
        }
        if (w.window.catalogue().titles()[n].Kantoku != last) {
            *error = QStringLiteral("the title's director did not change");
            return std::nullopt;
        }
        return ns;
    };
    const QString rawPath = QDir(col.dir).filePath(kRawScratch);
    const Run base = [&] { return rawWrite(rawPath, original, false, error); };
    detail(QStringLiteral("title %1: setEditText (not timed), then a Return key press on the "
                          "lineEdit of cboKantoku  vs  QFile::write + close of データ.TXT "
                          "(no sync)")
               .arg(n));
    const bool timed = timeBoth(m, edit, base);
    QFile::remove(rawPath);
    if (!timed) return;

    // Only the director of that title may have changed, on disk.
    QByteArray saved;
    if (!w.window.catalogue().dir().read(kDataFile, &saved, error)) return;
    const QList<QByteArray> before = recordLines(original), after = recordLines(saved);
    QString wrong = before.size() == after.size() ? QString() : QStringLiteral("line count");
    for (qsizetype i = 0; wrong.isEmpty() && i < before.size(); ++i) {
        if (i + 1 == n) {
            QStringList fields = Cp932::decode(before[i]).split(u',');
            fields[1] = u'"' + last + u'"';
            QByteArray line;
            if (!Cp932::encode(fields.join(u','), &line) || line != after[i])
                wrong = QStringLiteral("line %1").arg(i + 1);
        } else if (before[i] != after[i]) {
            wrong = QStringLiteral("line %1").arg(i + 1);
        }
    }
    if (!wrong.isEmpty()) {
        *error =
            QStringLiteral("the saved data file differs from the expected one in the ") + wrong;
        return;
    }
    detail(QStringLiteral("saved file differs from the original in title %1's director only, "
                          "%2 beeps, no box: yes")
               .arg(n)
               .arg(w.prompts.beeps));

    detail(QStringLiteral("parts:"));
    phase(QStringLiteral("Catalogue::storeTitle (the save of the whole file)"),
          [&]() -> std::optional<qint64> {
              Title t = w.window.catalogue().titles()[n];
              t.Kantoku = names[edits++ % 2];
              QString problem;
              const qint64 ns = nsOf([&] { problem = w.window.catalogue().storeTitle(n, t); });
              if (!problem.isEmpty()) {
                  *error = oneLine(problem);
                  return std::nullopt;
              }
              return ns;
          });
    saveFloors(col.dir, original, false, error);
}

// --- adding and deleting titles ---------------------------------------------------

// Adds a title through 新規 and deletes it again through 削除, checking each step.
// The program refuses a 32,767th title, so the collection's last title is set aside
// while the window is open: each added title is then the 32,766th, and each deletion
// goes back to 32,765 titles and to the very bytes the data file had before.
class TitleCycle {
public:
    TitleCycle(const Collection& col, QString* error)
        : col_(col), error_(error), data_(col.dir, kDataFile, error) {}

    bool open() {
        if (!data_.ok()) return false;
        const QByteArray& original = data_.original();
        // The original ends in CR LF; the last record is the last line.
        base_ = original.left(original.lastIndexOf('\n', original.size() - 2) + 1);
        if (!putBack(col_.dir, kDataFile, base_, error_)) return false;
        window_.emplace(col_.dir);
        if (!window_->open(error_)) return false;
        cmdNew_ = window_->child<QPushButton>(QStringLiteral("cmdNew"), error_);
        cmdDel_ = window_->child<QPushButton>(QStringLiteral("cmdDel"), error_);
        return cmdNew_ && cmdDel_ && counts(col_.titles - 1);
    }

    LiveWindow& window() { return *window_; }
    QString nextName() { return QStringLiteral("測定で足したタイトル %1").arg(++added_); }

    std::optional<qint64> add() {
        const QString name = nextName();
        window_->prompts.plannedName = name;
        QApplication::processEvents();
        const qint64 ns = nsOf([&] { cmdNew_->click(); });
        if (!window_->boxesWere({QStringLiteral("タイトル名入力 (input): ")}, error_) ||
            !added(name))
            return std::nullopt;
        return ns;
    }

    std::optional<qint64> remove() {
        const QString name = window_->window.catalogue().titles()[col_.titles].Daimei;
        QApplication::processEvents();
        const qint64 ns = nsOf([&] { cmdDel_->click(); });
        const QString confirm = QStringLiteral("削除確認: ") + name;
        if (!window_->boxesWere({confirm}, error_) || !removed()) return std::nullopt;
        return ns;
    }

    // After an addition: the table, the card and the file hold the new title last.
    bool added(const QString& name) {
        if (!counts(col_.titles)) return false;
        Catalogue& cat = window_->window.catalogue();
        if (cat.titles()[col_.titles].Daimei != name ||
            window_->window.card()->current() != col_.titles)
            return fail(QStringLiteral("the card does not show the new title last"));
        QByteArray saved;
        if (!cat.dir().read(kDataFile, &saved, error_)) return false;
        const QString tail = Cp932::decode(saved.mid(base_.size()));
        if (!saved.startsWith(base_) || !tail.startsWith(u'"' + name + QStringLiteral("\",")) ||
            !tail.endsWith(QStringLiteral("\r\n")) || tail.count(u'\n') != 1)
            return fail(QStringLiteral("the data file is not the old one and one new record"));
        return true;
    }

    // After a deletion: back to the bytes the data file had before the addition.
    bool removed() {
        if (!counts(col_.titles - 1)) return false;
        QByteArray saved;
        if (!window_->window.catalogue().dir().read(kDataFile, &saved, error_)) return false;
        if (saved != base_)
            return fail(QStringLiteral("after the deletion the data file has ") +
                        firstDifference(base_, saved));
        return true;
    }

    qint64 fileSize() const { return base_.size(); }
    const QByteArray& bytes() const { return base_; }

private:
    bool counts(int titles) {
        const int count = window_->window.catalogue().TitleCount();
        return count == titles ||
               fail(QStringLiteral("the window holds %1 titles, not %2").arg(count).arg(titles));
    }
    bool fail(const QString& what) {
        *error_ = what;
        return false;
    }

    const Collection& col_;
    QString* error_;
    PutBackOnExit data_;  // declared before the window, so the window closes first
    QByteArray base_;     // the data file without its last title
    std::optional<LiveWindow> window_;
    QPushButton* cmdNew_ = nullptr;
    QPushButton* cmdDel_ = nullptr;
    int added_ = 0;
};

// Times of the steps that 新規 or 削除 takes, run one by one through the public pieces.
struct Steps {
    std::array<std::vector<qint64>, 3> ns;
    void print(const std::array<QString, 3>& labels) const {
        for (std::size_t i = 0; i < labels.size(); ++i)
            detail(QStringLiteral("  %1: median %2").arg(labels[i], ms(medianAfterWarmUp(ns[i]))));
    }
};

void measureAddTitle(const Collection& col, Measurement* m) {
    QString* error = &m->error;
    TitleCycle cycle(col, error);
    if (!cycle.open()) return;
    const QString rawPath = QDir(col.dir).filePath(kRawScratch);
    detail(QStringLiteral("新規 (cmdNew) answered with a new name, at %1 titles, the deletion "
                          "after it not timed  vs  QFile::write + close of データ.TXT (no sync)")
               .arg(col.titles - 1));
    const Run add = [&]() -> std::optional<qint64> {
        const auto ns = cycle.add();
        if (!ns || !cycle.remove()) return std::nullopt;
        return ns;
    };
    const bool timed =
        timeBoth(m, add, [&] { return rawWrite(rawPath, cycle.bytes(), false, error); });
    QFile::remove(rawPath);
    if (!timed) return;
    detail(
        QStringLiteral("data file after each addition: the old bytes and one new record; card "
                       "on the new title; one input box: yes"));

    detail(QStringLiteral("parts (the steps of cmdNew_Click, run one by one):"));
    Steps steps;
    LiveWindow& w = cycle.window();
    Catalogue& cat = w.window.catalogue();
    const bool stepped = repeat([&]() -> std::optional<qint64> {
                             const QString name = cycle.nextName();
                             QString problem;
                             steps.ns[0].push_back(nsOf([&] { problem = cat.appendTitle(name); }));
                             if (!problem.isEmpty()) {
                                 *error = oneLine(problem);
                                 return std::nullopt;
                             }
                             steps.ns[1].push_back(nsOf([&] { w.window.LoadMainData(); }));
                             steps.ns[2].push_back(
                                 nsOf([&] { w.window.card()->showTitleNumber(cat.TitleCount()); }));
                             if (!cycle.added(name) || !cycle.remove()) return std::nullopt;
                             return 0;
                         }).has_value();
    if (stepped)
        steps.print({QStringLiteral("Catalogue::appendTitle"),
                     QStringLiteral("frmMain::LoadMainData"),
                     QStringLiteral("CardFrame::showTitleNumber")});
}

void measureDeleteTitle(const Collection& col, Measurement* m) {
    QString* error = &m->error;
    TitleCycle cycle(col, error);
    if (!cycle.open()) return;
    const QString rawPath = QDir(col.dir).filePath(kRawScratch);
    detail(
        QStringLiteral("削除 (cmdDel) of the title just added (not timed), at %1 titles, "
                       "confirmation answered OK  vs  QFile::write + close of データ.TXT (no sync)")
            .arg(col.titles));
    const Run remove = [&]() -> std::optional<qint64> {
        if (!cycle.add()) return std::nullopt;
        return cycle.remove();
    };
    const bool timed =
        timeBoth(m, remove, [&] { return rawWrite(rawPath, cycle.bytes(), false, error); });
    QFile::remove(rawPath);
    if (!timed) return;
    detail(
        QStringLiteral("data file after each deletion: the bytes it had before the addition; "
                       "one confirmation box: yes"));

    detail(QStringLiteral("parts (the steps of cmdDel_Click, run one by one):"));
    Steps steps;
    LiveWindow& w = cycle.window();
    Catalogue& cat = w.window.catalogue();
    const bool stepped =
        repeat([&]() -> std::optional<qint64> {
            if (!cycle.add()) return std::nullopt;
            const int k = cat.TitleCount();
            QString problem;
            steps.ns[0].push_back(nsOf([&] { problem = cat.removeTitle(k); }));
            if (!problem.isEmpty()) {
                *error = oneLine(problem);
                return std::nullopt;
            }
            steps.ns[1].push_back(nsOf([&] { w.window.LoadMainData(); }));
            steps.ns[2].push_back(nsOf([&] { w.window.card()->showTitleNumber(k - 1); }));
            if (!cycle.removed()) return std::nullopt;
            return 0;
        }).has_value();
    if (stepped)
        steps.print({QStringLiteral("Catalogue::removeTitle"),
                     QStringLiteral("frmMain::LoadMainData"),
                     QStringLiteral("CardFrame::showTitleNumber")});
    saveFloors(col.dir, cycle.bytes(), false, error);
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
    {"AddKansyou", {Target::Kind::Ratio, 3}, measureAddKansyou},
    {"ShowTitle", {Target::Kind::Time, 20e6}, measureShowTitle},
    {"EditKantoku", {Target::Kind::Ratio, 3}, measureEditKantoku},
    {"AddTitle", {Target::Kind::Ratio, 5}, measureAddTitle},
    {"DeleteTitle", {Target::Kind::Ratio, 5}, measureDeleteTitle},
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
    const QStringList scratch = {kRawScratch, kAtomicScratch, kRenamedScratch, kHistoryCopyFile};
    for (const QString& name :
         QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        if (!isCollectionFileName(name) && !scratch.contains(name))
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
    detail(QStringLiteral("%1 free-text files, %2 bytes; picture %3 %4 bytes")
               .arg(col.textFiles)
               .arg(col.textBytes)
               .arg(col.pictureFile)
               .arg(col.pictureBytes));
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
    // The window measurements open the program's window in this process, off screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    useProgramFont();
    QStringList args = app.arguments();
    QStringList only;
    if (args.size() >= 3 && args[1] == QStringLiteral("--only")) {
        only = args[2].split(u',', Qt::SkipEmptyParts);
        args.remove(1, 2);
    }
    const bool known = std::all_of(only.begin(), only.end(), [](const QString& name) {
        return std::any_of(std::begin(kOperations), std::end(kOperations),
                           [&](const Operation& op) { return name == QLatin1String(op.name); });
    });
    if (args.size() > 2 || (args.size() == 2 && args[1].startsWith(u'-')) || !known) {
        QTextStream(stderr) << "usage: reelnote-benchmark [--only NAME,...] [DIR]\n";
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
        if (!only.isEmpty() && !only.contains(QLatin1String(op.name))) continue;
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
