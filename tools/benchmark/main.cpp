// Times loading and saving the data file, the start-up to the first card, storing a viewing,
// showing a full card and the edits of the window on a generated collection of the largest
// size, each beside the raw cost of the same I/O. A report, not a test.
// After scripts/build.sh:  build/reelnote-benchmark [--only NAME,...] [DIR]
// DIR (empty, or from an earlier run) keeps the collection; otherwise a temporary one is used.
// --only NAME,... runs just the named operations, for a profile of one of them.
#include "baselines.h"
#include "collection.h"
#include "measurements.h"

#include "store/backups.h"
#include "store/cp932.h"
#include "store/kansyou_table.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStorageInfo>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <optional>
#include <vector>

namespace {
constexpr quint32 kSeed = 20260607;

using Operation = BenchmarkOperation;

// The card's measurements; the other screens register theirs (measurements.h). Each one
// runs on the same generated collection.
const Operation kCardOperations[] = {
    {"LoadMainData", {Target::Kind::Ratio, 3}, measureLoadMainData},
    {"SaveMainData", {Target::Kind::Ratio, 1.5}, measureSaveMainData},
    {"StartupToCard", {Target::Kind::Time, 100e6}, measureStartup},
    {"AddKansyou", {Target::Kind::Ratio, 3}, measureAddKansyou},
    {"ShowTitle", {Target::Kind::Time, 20e6}, measureShowTitle},
    {"EditKantoku", {Target::Kind::Ratio, 3}, measureEditKantoku},
    {"EditKantokuCheckHashed", {Target::Kind::Ratio, 3}, measureEditKantokuTouched},
    {"AddTitle", {Target::Kind::Ratio, 5}, measureAddTitle},
    {"DeleteTitle", {Target::Kind::Ratio, 5}, measureDeleteTitle},
};

std::vector<Operation> allOperations() {
    std::vector<Operation> ops(std::begin(kCardOperations), std::end(kCardOperations));
    std::vector<Operation> more = registeredBenchmarks();
    std::stable_sort(more.begin(), more.end(),
                     [](const Operation& a, const Operation& b) { return a.order < b.order; });
    ops.insert(ops.end(), more.begin(), more.end());
    return ops;
}

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
    // The lock a window holds on the folder may be left by a run that was killed.
    const QStringList scratch = {kRawScratch, kAtomicScratch, kRenamedScratch, kHistoryCopyFile,
                                 QStringLiteral(".reelnote.lock")};
    for (const QString& name :
         QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        if (!isCollectionFileName(name) && !scratch.contains(name) && name != Backups::kFolder)
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

// The command line: the operations to run (every one when `only` is empty) and the
// directory to keep the collection in, if one was given.
struct Arguments {
    QStringList only;
    std::optional<QString> keptDir;
};

bool isOperation(const QString& name) {
    const std::vector<Operation> ops = allOperations();
    return std::any_of(ops.begin(), ops.end(),
                       [&](const Operation& op) { return name == QLatin1String(op.name); });
}

std::optional<Arguments> parseArguments(QStringList args) {
    Arguments a;
    if (args.size() >= 3 && args[1] == QStringLiteral("--only")) {
        a.only = args[2].split(u',', Qt::SkipEmptyParts);
        args.remove(1, 2);
    }
    if (args.size() > 2 || (args.size() == 2 && args[1].startsWith(u'-')) ||
        !std::all_of(a.only.begin(), a.only.end(), isOperation))
        return std::nullopt;
    if (args.size() == 2) a.keptDir = args[1];
    return a;
}

// The directory to build the collection in: the kept one, checked, or without one a
// temporary directory removed at exit. Returns what went wrong, or an empty string.
QString prepareDirectory(const std::optional<QString>& keptDir,
                         std::optional<QTemporaryDir>* temporary, QString* dir) {
    if (keptDir) {
        *dir = QDir(*keptDir).absolutePath();
        return checkKeptDir(*dir);
    }
    temporary->emplace();
    *dir = (*temporary)->path();
    return (*temporary)->isValid() ? QString() : (*temporary)->errorString();
}

std::vector<Measurement> runOperations(const Collection& col, const QStringList& only) {
    std::vector<Measurement> results;
    for (const Operation& op : allOperations()) {
        if (!only.isEmpty() && !only.contains(QLatin1String(op.name))) continue;
        Measurement m{QLatin1String(op.name), op.target, 0, 0, {}};
        line(QString());
        line(m.name);
        op.measure(col, &m);
        if (!m.error.isEmpty()) detail(QStringLiteral("FAILED: ") + m.error);
        results.push_back(m);
    }
    return results;
}

// Prints one line for each operation; the exit code is 1 when one of them failed.
int printSummary(const std::vector<Measurement>& results) {
    line(QString());
    line(QStringLiteral("summary: name time baseline ratio target"));
    bool failed = false;
    for (const Measurement& m : results) {
        line(m.summary());
        failed = failed || !m.error.isEmpty();
    }
    return failed ? 1 : 0;
}
}  // namespace

std::vector<BenchmarkOperation>& registeredBenchmarks() {
    static std::vector<BenchmarkOperation> ops;
    return ops;
}

int main(int argc, char** argv) {
    if (argc == 3 && QLatin1String(argv[1]) == kChildFlag)
        return runStartupChild(argc, argv, QString::fromLocal8Bit(argv[2]));
    // The window measurements open the program's window in this process, off screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // A deleted title's files go to the desktop's trash: the benchmark's to one of its own.
    QTemporaryDir dataHome;
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));
    // The gallery's thumbnails of the generated pictures go to a cache of the run's own.
    const QTemporaryDir thumbnailCache;
    if (thumbnailCache.isValid())
        qputenv("XDG_CACHE_HOME", QFile::encodeName(thumbnailCache.path()));
    QApplication app(argc, argv);
    useProgramFont();
    const std::optional<Arguments> args = parseArguments(app.arguments());
    if (!args) {
        QTextStream(stderr) << "usage: reelnote-benchmark [--only NAME,...] [DIR]\n";
        return 2;
    }
    if (!Cp932::available()) {
        QTextStream(stderr) << "this Qt has no code page 932 converter\n";
        return 1;
    }

    std::optional<QTemporaryDir> temporary;
    QString dir;
    QString problem = prepareDirectory(args->keptDir, &temporary, &dir);
    Collection col;
    if (problem.isEmpty()) problem = buildCollection(dir, kSeed, &col);
    if (!problem.isEmpty()) {
        QTextStream(stderr) << "cannot build the collection: " << problem << '\n';
        return 1;
    }
    printHeader(col, args->keptDir.has_value());
    warmFileCache(col);
    return printSummary(runOperations(col, args->only));
}
