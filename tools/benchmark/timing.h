#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QTextStream>

#include <functional>
#include <optional>
#include <vector>

// How the benchmark times an operation and prints what it found.

constexpr int kRuns = 5;  // timed runs after the warm-up

QTextStream& out();
void line(const QString& text);
void detail(const QString& text);  // a line under the operation's name
QString ms(qint64 ns);
// The program's messages break lines with CR LF; the report keeps one to a line.
QString oneLine(QString text);

// A run returns its own time in nanoseconds, so that it can leave its set-up
// and clean-up out, or nullopt after recording what failed.
using Run = std::function<std::optional<qint64>()>;

struct Timing {
    qint64 warmUp = 0;  // the discarded first run
    qint64 best = 0;
    qint64 median = 0;
    qint64 worst = 0;
    QString text() const;
};

// One warm-up run that is thrown away, then kRuns timed ones.
std::optional<Timing> repeat(const Run& run);

// The median of per-run values, leaving out the warm-up run that repeat() starts with.
qint64 medianAfterWarmUp(std::vector<qint64> v);

template <typename F>
qint64 nsOf(F&& f) {
    QElapsedTimer t;
    t.start();
    f();
    return t.nsecsElapsed();
}

// Times one call of the program that answers with a message when it fails; that
// message, made one line and put after `what`, becomes the error.
template <typename F>
std::optional<qint64> timedCall(F&& call, const QString& what, QString* error) {
    QString problem;
    const qint64 ns = nsOf([&] { problem = call(); });
    if (problem.isEmpty()) return ns;
    *error = what + oneLine(problem);
    return std::nullopt;
}

struct Target {
    enum class Kind { Ratio, Time } kind;
    double limit;  // times the baseline, or nanoseconds
    QString text() const;
};

struct Measurement {
    QString name;
    Target target;
    qint64 time = 0;      // median, ns
    qint64 baseline = 0;  // median, ns
    QString error;        // the operation failed; the numbers mean nothing

    double ratio() const { return baseline > 0 ? double(time) / double(baseline) : 0; }
    bool met() const;
    QString summary() const;  // the operation's line in the summary
};

// Times run as the operation and base as its baseline, printing both.
bool timeBoth(Measurement* m, const Run& run, const Run& base);

// Times a part of an operation and prints it; returns the median, or -1.
qint64 phase(const QString& label, const Run& run);
