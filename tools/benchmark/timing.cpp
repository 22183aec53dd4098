#include "timing.h"

#include <algorithm>

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

QString oneLine(QString text) {
    return text.replace(QStringLiteral("\r\n"), QStringLiteral(" / "));
}

QString Timing::text() const {
    return QStringLiteral("median %1 (best %2, worst %3, warm-up %4)")
        .arg(ms(median), ms(best), ms(worst), ms(warmUp));
}

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

qint64 medianAfterWarmUp(std::vector<qint64> v) {
    if (v.size() < 2) return -1;
    v.erase(v.begin());
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

QString Target::text() const {
    if (kind == Kind::Ratio) return QStringLiteral("<%1x").arg(limit);
    return limit < 1e9 ? QStringLiteral("<%1ms").arg(limit / 1e6)
                       : QStringLiteral("<%1s").arg(limit / 1e9);
}

bool Measurement::met() const {
    return target.kind == Target::Kind::Ratio ? ratio() < target.limit
                                              : double(time) < target.limit;
}

QString Measurement::summary() const {
    if (!error.isEmpty()) return name + QStringLiteral(" FAILED: ") + error;
    return QStringLiteral("%1 %2 %3 %4x target %5: %6")
        .arg(name, ms(time), ms(baseline), QString::number(ratio(), 'f', 2), target.text(),
             met() ? QStringLiteral("ok") : QStringLiteral("OVER"));
}

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

qint64 phase(const QString& label, const Run& run) {
    const auto t = repeat(run);
    if (!t) return -1;
    detail(QStringLiteral("  %1: %2").arg(label, t->text()));
    return t->median;
}
