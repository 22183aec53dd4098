#pragma once

#include "collection.h"
#include "timing.h"

#include <QString>

#include <vector>

// An operation timed on the collection. The operations of the card are listed in
// main.cpp; the other screens register theirs from their own measure_*.cpp with
// REELNOTE_BENCHMARK, and run after those, in the order of their order keys.
struct BenchmarkOperation {
    const char* name;
    Target target;
    void (*measure)(const Collection&, Measurement*);
    int order = 0;
};
std::vector<BenchmarkOperation>& registeredBenchmarks();
struct BenchmarkRegistration {
    explicit BenchmarkRegistration(BenchmarkOperation op) {
        registeredBenchmarks().push_back(op);
    }
};
#define REELNOTE_BENCHMARK(order, name, target, measure)                           \
    static BenchmarkRegistration benchmarkRegistered##measure(BenchmarkOperation{ \
        name, target, measure, order});

// Each measurement times one operation of the program on the collection against its
// baseline, prints the details and leaves the medians, or what failed, in *m.

// Loading, saving and storing a viewing, on the catalogue alone (measure_store.cpp).
void measureLoadMainData(const Collection& col, Measurement* m);
void measureSaveMainData(const Collection& col, Measurement* m);
void measureAddKansyou(const Collection& col, Measurement* m);

// The start-up to the first card, each run in a process of its own (measure_startup.cpp).
void measureStartup(const Collection& col, Measurement* m);
// The benchmark started with this flag and a directory is that process.
inline const QString kChildFlag = QStringLiteral("--startup-child");
int runStartupChild(int argc, char** argv, const QString& dir);
// The font the program's main() sets.
void useProgramFont();

// The window's own operations, in this process (measure_window.cpp, measure_titles.cpp).
void measureShowTitle(const Collection& col, Measurement* m);
void measureEditKantoku(const Collection& col, Measurement* m);
// The same edit when the data file's time moved before it, so that the check for a
// change made elsewhere reads and hashes the file (finding the same bytes).
void measureEditKantokuTouched(const Collection& col, Measurement* m);
void measureAddTitle(const Collection& col, Measurement* m);
void measureDeleteTitle(const Collection& col, Measurement* m);
