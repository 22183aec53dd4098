// The start-up to the first card, each run in a process of its own: this program
// started again with kChildFlag.
#include "baselines.h"
#include "measurements.h"
#include "scripted_prompts.h"

#include "app/frm_main.h"
#include "card/card_frame.h"
#include "store/catalogue.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFont>
#include <QHash>
#include <QProcess>

#include <utility>
#include <vector>

// The empty window the memory measurement compares with (measure_memory.cpp).
extern const QString kEmptyWindowChild;
int runEmptyWindowChild(int argc, char** argv);
QString memoryPairs(const QString& suffix = {});

namespace {
// What Form_Load reads besides the viewings, which count only once the start-up loaded them.
const QStringList kStartupFiles = {kDataFile, kSettingsFile, kHyoukaMasterFile, kSyoyuMasterFile};

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
}  // namespace

// The font the program's main() sets.
void useProgramFont() {
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPointSize(10);
    QApplication::setFont(font);
}

namespace {
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
};
}  // namespace

// One start-up in a fresh process, so that every run pays what a user's first
// window pays (fonts, style, converter). Prints one line of key=value pairs, the
// peak and present resident memory among them.
int runStartupChild(int argc, char** argv, const QString& dir) {
    if (dir == kEmptyWindowChild) return runEmptyWindowChild(argc, argv);
    QElapsedTimer t;
    t.start();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    useProgramFont();
    const qint64 appNs = t.nsecsElapsed();
    const QString afterApp = memoryPairs(QStringLiteral("app"));

    ScriptedPrompts prompts;
    Clock clock;
    t.restart();
    frmMain window(dir, prompts, clock);
    const qint64 windowNs = t.nsecsElapsed();
    const QString afterWindow = memoryPairs(QStringLiteral("window"));
    // The clock stops when Form_Load says the card is painted; what it builds
    // after that is shown apart. The card must have been painted by then.
    PaintCounter painted;
    window.card()->installEventFilter(&painted);
    qint64 loadNs = -1;
    int paintsByThen = 0;
    QObject::connect(&window, &frmMain::cardShown, [&] {
        loadNs = t.nsecsElapsed();
        paintsByThen = painted.paints;
    });
    t.restart();
    window.Form_Load();
    const qint64 formLoadNs = t.nsecsElapsed();
    t.restart();
    QApplication::processEvents();
    const qint64 eventsNs = t.nsecsElapsed();

    const bool shown = loadNs >= 0 && paintsByThen > 0 && window.isVisible() &&
                       window.card()->isVisible() && window.card()->current() == 1;
    out() << "app=" << appNs << " window=" << windowNs << " load=" << loadNs
          << " after=" << formLoadNs - loadNs << " events=" << eventsNs
          << " titles=" << window.catalogue().TitleCount()
          << " viewings=" << window.catalogue().kansyou().KansyouCount() << " shown=" << int(shown)
          << " boxes=" << prompts.boxes.size() << afterApp << afterWindow << memoryPairs()
          << Qt::endl;
    for (const QString& b : std::as_const(prompts.boxes)) out() << "box " << b << Qt::endl;
    return 0;
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
        return v.value(QStringLiteral("window")) + v.value(QStringLiteral("load"));
    };
    // The limit: what any program of this toolkit and font pays for its first window,
    // and what reading and decoding the files it shows costs; each run in a process
    // of its own too.
    std::vector<qint64> emptyWindows, reads;
    const Run limit = [&]() -> std::optional<qint64> {
        const auto r = startOnce(kEmptyWindowChild, error);
        if (!r) return std::nullopt;
        const auto read = rawReadDecode(col.dir, files, error)();
        if (!read) return std::nullopt;
        const qint64 window =
            r->values.value(QStringLiteral("window")) + r->values.value(QStringLiteral("events"));
        emptyWindows.push_back(window);
        reads.push_back(*read);
        return window + *read;
    };
    detail(
        QStringLiteral("new process each run; frmMain(dir) + Form_Load() until the card is "
                       "painted (cardShown)  vs  "
                       "an empty QMainWindow of the same size, toolkit and font, shown and "
                       "painted in a new process, + readAll + decode of the files the start-up "
                       "read"));
    // The operation runs first, so the limit knows by then which files that were.
    if (!timeBoth(m, start, limit)) return;
    detail(QStringLiteral("limit's parts (median): empty window %1, reading and decoding %2")
               .arg(ms(medianAfterWarmUp(emptyWindows)), ms(medianAfterWarmUp(reads))));
    detail(QStringLiteral("files read: ") + files.join(QStringLiteral(", ")));

    auto median = [&](auto value) {
        std::vector<qint64> v;
        for (const StartupRun& r : runs) v.push_back(value(r));
        return medianAfterWarmUp(v);
    };
    const auto medianOf = [&](const char* key) {
        return median([key](const StartupRun& r) { return r.values.value(QLatin1String(key)); });
    };
    detail(QStringLiteral("parts (median):"));
    const std::pair<const char*, const char*> parts[] = {
        {"window", "frmMain constructor"},
        {"load", "Form_Load until the card is painted"}};
    for (auto [key, label] : parts)
        detail(QStringLiteral("  %1: %2").arg(QLatin1String(label), ms(medianOf(key))));
    detail(
        QStringLiteral("not counted: QApplication and font set-up %1; the rest of Form_Load after "
                       "the card is painted (the other screens built) %2; processEvents after "
                       "it %3; whole process as seen from outside (loading, start-up, exit) %4")
            .arg(ms(medianOf("app")), ms(medianOf("after")), ms(medianOf("events")),
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
