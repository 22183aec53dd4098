// Peak resident memory after start-up: the program on the full collection beside the
// same program on an empty folder, and beside a bare window of the same toolkit and
// font, each in a process of its own (this program started again with kChildFlag, as
// the start-up measurement does).
#include "measurements.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMainWindow>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <optional>
#include <vector>

// The directory argument that makes the child an empty window instead of the program.
extern const QString kEmptyWindowChild;
const QString kEmptyWindowChild = QStringLiteral("--empty-window");

// VmHWM and VmRSS of this process from /proc, in bytes, as the key=value pairs the
// children print; with a suffix, as VmHWM_suffix and VmRSS_suffix.
QString memoryPairs(const QString& suffix = {});
QString memoryPairs(const QString& suffix) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return {};
    QString pairs;
    for (const QByteArray& l : f.readAll().split('\n')) {
        for (const char* key : {"VmHWM:", "VmRSS:"}) {
            if (!l.startsWith(key)) continue;
            const qint64 kb = l.mid(qstrlen(key)).trimmed().split(' ').value(0).toLongLong();
            QString name = QLatin1String(key).chopped(1);
            if (!suffix.isEmpty()) name += u'_' + suffix;
            pairs += QStringLiteral(" %1=%2").arg(name).arg(kb * 1024);
        }
    }
    return pairs;
}

// A main window of the same size with nothing in it, shown and painted once. Prints
// the times the start-up measurement compares with (window: building it, events:
// showing and painting it) beside the memory.
int runEmptyWindowChild(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    useProgramFont();
    const QString afterApp = memoryPairs(QStringLiteral("app"));
    QElapsedTimer t;
    t.start();
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("リールノート"));
    window.resize(1240, 700);
    const qint64 windowNs = t.nsecsElapsed();
    t.restart();
    window.show();
    QApplication::processEvents();
    const qint64 eventsNs = t.nsecsElapsed();
    out() << "shown=" << int(window.isVisible()) << " window=" << windowNs
          << " events=" << eventsNs << afterApp << memoryPairs() << Qt::endl;
    return 0;
}

namespace {
struct Peak {
    qint64 hwm = 0;
    qint64 rss = 0;
    qint64 app = 0;     // resident after QApplication and the font
    qint64 window = 0;  // resident after the program's window was built (the program only)
};

std::optional<Peak> peakOnce(const QString& dirOrEmpty, QString* error) {
    QProcess p;
    p.setProcessChannelMode(QProcess::SeparateChannels);
    p.start(QCoreApplication::applicationFilePath(), {kChildFlag, dirOrEmpty});
    if (!p.waitForFinished(120'000) || p.exitStatus() != QProcess::NormalExit ||
        p.exitCode() != 0) {
        *error = QStringLiteral("the child process failed: %1 %2")
                     .arg(p.errorString(), QString::fromLocal8Bit(p.readAllStandardError()));
        return std::nullopt;
    }
    Peak peak;
    bool shown = false;
    for (const QString& pair :
         QString::fromUtf8(p.readAllStandardOutput())
             .split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)) {
        const qsizetype eq = pair.indexOf(u'=');
        if (eq < 0) continue;
        const QString key = pair.left(eq);
        const qint64 value = pair.mid(eq + 1).toLongLong();
        if (key == QStringLiteral("VmHWM")) peak.hwm = value;
        if (key == QStringLiteral("VmRSS")) peak.rss = value;
        if (key == QStringLiteral("VmRSS_app")) peak.app = value;
        if (key == QStringLiteral("VmRSS_window")) peak.window = value;
        if (key == QStringLiteral("shown")) shown = value == 1;
    }
    if (!shown || peak.hwm <= 0) {
        *error = QStringLiteral("the child process showed no window or printed no memory");
        return std::nullopt;
    }
    return peak;
}

QString mb(qint64 bytes) {
    return QString::number(double(bytes) / 1e6, 'f', 1) + QStringLiteral(" MB");
}

qint64 median(std::vector<qint64> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
}  // namespace

void measurePeakMemory(const Collection& col, Measurement* m) {
    QString* error = &m->error;
    // The same program on a folder with nothing in it: the same window, toolkit
    // and font, drawn the same way, so that the difference is the collection alone.
    QTemporaryDir emptyFolder;
    if (!emptyFolder.isValid()) {
        *error = QStringLiteral("no temporary folder for the empty program");
        return;
    }
    constexpr int kProcesses = 3;
    std::vector<qint64> program, programRss, programApp, programWindow;
    std::vector<qint64> emptyProgram, bare, bareApp;
    for (int i = 0; i < kProcesses; ++i) {
        const auto withData = peakOnce(col.dir, error);
        if (!withData) return;
        const auto withoutData = peakOnce(emptyFolder.path(), error);
        if (!withoutData) return;
        const auto bareWindow = peakOnce(kEmptyWindowChild, error);
        if (!bareWindow) return;
        program.push_back(withData->hwm);
        programRss.push_back(withData->rss);
        programApp.push_back(withData->app);
        programWindow.push_back(withData->window);
        emptyProgram.push_back(withoutData->hwm);
        bare.push_back(bareWindow->hwm);
        bareApp.push_back(bareWindow->app);
    }
    detail(QStringLiteral("peak resident memory (VmHWM) after start-up, %1 processes each: the "
                          "program on %2 titles and %3 viewings  vs  the same program on an empty "
                          "folder (same window, toolkit and font)")
               .arg(kProcesses)
               .arg(col.titles)
               .arg(col.viewings));
    const qint64 withData = median(program), empty = median(emptyProgram),
                 bareWindow = median(bare);
    detail(QStringLiteral("program on the collection: median %1 (resident at the end %2)")
               .arg(mb(withData), mb(median(programRss))));
    detail(QStringLiteral("program on an empty folder: median %1").arg(mb(empty)));
    detail(QStringLiteral("a bare QMainWindow of the same size and font, drawing no text: median "
                          "%1; the program's own window and its glyphs take %2 over it, the "
                          "program on the collection %3")
               .arg(mb(bareWindow), mb(empty - bareWindow), mb(withData - bareWindow)));
    detail(QStringLiteral("resident after QApplication and the font: program %1, bare window %2; "
                          "after the program's window was built, before Form_Load: %3")
               .arg(mb(median(programApp)), mb(median(bareApp)), mb(median(programWindow))));
    detail(QStringLiteral("the collection adds %1; in the summary line of this row the figures "
                          "are megabytes (printed with the unit ms): added, program on an empty "
                          "folder")
               .arg(mb(withData - empty)));
    // The summary compares the memory the collection adds with its limit.
    m->time = withData - empty;
    m->baseline = empty;
}

REELNOTE_BENCHMARK(1, "PeakMemory", (Target{Target::Kind::Time, 25e6}), measurePeakMemory)
