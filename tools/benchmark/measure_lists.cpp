// Opening the three title lists, sorting one and writing the main list's order back to the
// data file, in the program's window in this process, with three free texts for every title.
#include "baselines.h"
#include "file_state.h"
#include "live_window.h"
#include "measurements.h"

#include "card/card_frame.h"
#include "lists/title_list_rows.h"
#include "shell/flex_grid.h"
#include "store/catalogue.h"
#include "store/cp932.h"
#include "store/text_order.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QHeaderView>
#include <QPushButton>
#include <QTemporaryDir>

#include <algorithm>
#include <ctime>
#include <memory>
#include <optional>
#include <vector>

namespace {
const QString kTextPrefixes[] = {QStringLiteral("キャスト_"), QStringLiteral("あらすじ_"),
                                 QStringLiteral("メモ_")};

// The generated collection gives free texts to about a thousand titles; the lists are
// measured with all three texts for every title. They go into a directory of their own,
// beside copies of the record files, so the other measurements keep the collection as it is.
struct FullTexts {
    QTemporaryDir dir;
    int titles = 0;
    int files = 0;
    qint64 buildNs = 0;
    QString error;
};

// The time this thread spent on the processor: the machine the benchmark shares may be
// busy, and the wall time then tells more about the others than about the program.
qint64 threadCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

QString textFileName(int kind, const QString& daimei) {
    return kTextPrefixes[kind] + daimei + QStringLiteral(".txt");
}

const FullTexts& fullTexts(const Collection& col) {
    static std::unique_ptr<FullTexts> built;
    if (built) return *built;
    built = std::make_unique<FullTexts>();
    FullTexts& t = *built;
    QElapsedTimer timer;
    timer.start();
    if (!t.dir.isValid()) {
        t.error = t.dir.errorString();
        return t;
    }
    for (const QString& name : collectionFileNames()) {
        const QString from = QDir(col.dir).filePath(name);
        if (QFileInfo::exists(from) && !QFile::copy(from, QDir(t.dir.path()).filePath(name))) {
            t.error = QStringLiteral("cannot copy %1").arg(name);
            return t;
        }
    }
    Catalogue cat(t.dir.path());
    if (const QString problem = cat.LoadMainData(); !problem.isEmpty()) {
        t.error = QStringLiteral("LoadMainData: ") + oneLine(problem);
        return t;
    }
    t.titles = cat.TitleCount();
    QByteArray body;
    Cp932::encode(QStringLiteral("測定用の本文です。\r\n"), &body);
    for (int n = 1; n <= t.titles; ++n) {
        for (int kind = 0; kind < 3; ++kind) {
            QFile f(QDir(t.dir.path()).filePath(textFileName(kind, cat.titles()[n].Daimei)));
            if (!f.open(QIODevice::WriteOnly) || f.write(body) != body.size()) {
                t.error = fileError(f);
                return t;
            }
            ++t.files;
        }
    }
    t.buildNs = timer.nsecsElapsed();
    return t;
}

// The window on that directory, on the card, with the three list buttons.
class ListsWindow {
public:
    ListsWindow(const Collection& col, QString* error) : error_(error), texts_(fullTexts(col)) {}

    bool open() {
        if (!texts_.error.isEmpty()) return fail(texts_.error);
        window_.emplace(texts_.dir.path());
        if (!window_->open(error_)) return false;
        for (int k = 1; k <= 3; ++k) {
            button_[k] = window_->child<QPushButton>(kButtons[k], error_);
            grid_[k] = window_->child<FlexGrid>(kGrids[k], error_);
            if (!button_[k] || !grid_[k]) return false;
        }
        cmdMain_ = window_->child<QPushButton>(QStringLiteral("cmdMain"), error_);
        cmdSortCng1_ = window_->child<QPushButton>(QStringLiteral("cmdSortCng1"), error_);
        return cmdMain_ && cmdSortCng1_;
    }

    const FullTexts& texts() const { return texts_; }
    LiveWindow& live() { return *window_; }
    FlexGrid* grid(int k) const { return grid_[k]; }
    QString dir() const { return texts_.dir.path(); }

    // Back to the card, painted, outside the time.
    void toCard() {
        cmdMain_->click();
        QApplication::processEvents();
    }

    std::optional<qint64> openList(int k) {
        toCard();
        const qint64 ns = timed([&] { button_[k]->click(); });
        if (!window_->boxesWere({}, error_) || !listed(k)) return std::nullopt;
        return ns;
    }

    // A click on the header of column c, as the header reports it.
    qint64 clickHeader(int k, int c) {
        QHeaderView* h = grid_[k]->horizontalHeader();
        return timed([&] { emit h->sectionClicked(c); });
    }

    std::optional<qint64> applyOrder() {
        const qint64 ns = timed([&] { cmdSortCng1_->click(); });
        if (!window_->boxesWere(
                {QStringLiteral("メイン並び替え確認: "), QStringLiteral("並び替え完了: ")}, error_))
            return std::nullopt;
        return ns;
    }

    // Every title has a row; in the ownership list every text is marked.
    bool listed(int k) {
        FlexGrid* g = grid_[k];
        if (g->Rows() != texts_.titles + 1)
            return fail(QStringLiteral("%1 has %2 rows for %3 titles")
                            .arg(kGrids[k])
                            .arg(g->Rows() - 1)
                            .arg(texts_.titles));
        if (k != 3) return true;
        for (int r = 1; r < g->Rows(); ++r)
            for (int c = 5; c <= 7; ++c)
                if (g->TextMatrix(r, c) != kOwned)
                    return fail(QStringLiteral("row %1 lacks the mark of column %2").arg(r).arg(c));
        return true;
    }

    bool fail(const QString& what) {
        *error_ = what;
        return false;
    }

    // Prints the median processor time of the operations timed since the last call.
    void printCpu() {
        detail(QStringLiteral("processor time of the operation (this thread): median %1; load "
                              "average now %2")
                   .arg(ms(medianAfterWarmUp(std::exchange(cpu_, {}))), loadAverage()));
    }
    void forgetCpu() { cpu_.clear(); }

private:
    template <typename F>
    qint64 timed(F&& f) {
        const qint64 cpu = threadCpuNs();
        const qint64 ns = nsOf(std::forward<F>(f));
        cpu_.push_back(threadCpuNs() - cpu);
        return ns;
    }
    static QString loadAverage() {
        QFile f(QStringLiteral("/proc/loadavg"));
        return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()).section(u' ', 0, 2)
                                           : QStringLiteral("unknown");
    }

    std::vector<qint64> cpu_;
    static inline const QString kButtons[] = {{},
                                              QStringLiteral("cmdIchiran"),
                                              QStringLiteral("cmdIchiran2"),
                                              QStringLiteral("cmdIchiran3")};
    static inline const QString kGrids[] = {{},
                                            QStringLiteral("msgIchiran"),
                                            QStringLiteral("msgIchiran2"),
                                            QStringLiteral("msgIchiran3")};
    QString* error_;
    const FullTexts& texts_;
    std::optional<LiveWindow> window_;
    QPushButton* button_[4] = {};
    FlexGrid* grid_[4] = {};
    QPushButton* cmdMain_ = nullptr;
    QPushButton* cmdSortCng1_ = nullptr;
};

void describeTexts(const FullTexts& t) {
    detail(QStringLiteral("%1 titles, %2 free-text files (three for every title) written in %3 "
                          "beside copies of the record files")
               .arg(t.titles)
               .arg(t.files)
               .arg(ms(t.buildNs)));
}

void measureOpen(const Collection& col, Measurement* m, int k, const QString& button) {
    ListsWindow w(col, &m->error);
    if (!w.open()) return;
    describeTexts(w.texts());
    detail(QStringLiteral("%1 clicked from the card (the way back not timed)  vs  readAll + decode "
                          "of データ.TXT")
               .arg(button));
    const Run base = rawReadDecode(w.dir(), {kDataFile}, &m->error);
    w.forgetCpu();
    if (!timeBoth(
            m, [&] { return w.openList(k); }, base))
        return;
    w.printCpu();
    detail(QStringLiteral("rows: one per title%1: yes")
               .arg(k == 3 ? QStringLiteral(", every text marked") : QString()));
    phase(QStringLiteral("processEvents after the opening (layout, paint; not counted)"),
          [&]() -> std::optional<qint64> {
              if (!w.openList(k)) return std::nullopt;
              return nsOf([] { QApplication::processEvents(); });
          });
    detail(QStringLiteral("parts, run one by one:"));
    Catalogue& cat = w.live().window.catalogue();
    QVector<QStringList> rows;
    phase(QStringLiteral("the rows from the table (TitleListRows)"), [&] {
        return nsOf([&] {
            rows = k == 1   ? TitleListRows::mainRows(cat.titles())
                   : k == 2 ? TitleListRows::scoreRows(cat.titles())
                            : TitleListRows::ownershipRows(cat.titles(), cat.dir());
        });
    });
    phase(QStringLiteral("FlexGridModel::setBody"),
          [&] { return nsOf([&] { w.grid(k)->grid()->setBody(rows); }); });
    phase(QStringLiteral("DataDir::rescanIfChanged"),
          [&] { return nsOf([&] { cat.dir().rescanIfChanged(); }); });
    if (k == 3) {
        // What the directory index saves: one file-system look-up per text instead.
        phase(QStringLiteral("for comparison: QFileInfo::exists of the %1 text files")
                  .arg(w.texts().files),
              [&] {
                  return nsOf([&] {
                      for (int n = 1; n <= cat.TitleCount(); ++n)
                          for (int kind = 0; kind < 3; ++kind)
                              QFileInfo::exists(QDir(w.dir()).filePath(
                                  textFileName(kind, cat.titles()[n].Daimei)));
                  });
              });
    }
}

void measureOpenMainList(const Collection& col, Measurement* m) {
    measureOpen(col, m, 1, QStringLiteral("主一覧 (cmdIchiran)"));
}
void measureOpenScoreList(const Collection& col, Measurement* m) {
    measureOpen(col, m, 2, QStringLiteral("評価 (cmdIchiran2)"));
}
void measureOpenOwnershipList(const Collection& col, Measurement* m) {
    measureOpen(col, m, 3, QStringLiteral("所有 (cmdIchiran3)"));
}

// Column c of grid k in order by code page 932 bytes (descending when down).
bool sortedByText(FlexGrid* g, int c, bool down) {
    QByteArray previous;
    for (int r = 1; r < g->Rows(); ++r) {
        const QByteArray key = TextOrder::key(g->TextMatrix(r, c));
        if (r > 1 && (down ? previous < key : key < previous)) return false;
        previous = key;
    }
    return true;
}

void measureSortList(const Collection& col, Measurement* m) {
    ListsWindow w(col, &m->error);
    if (!w.open() || !w.openList(1)) return;
    describeTexts(w.texts());
    FlexGrid* g = w.grid(1);
    // Each click turns the order round, so every run really moves the rows.
    int clicks = 0;
    const Run sort = [&]() -> std::optional<qint64> {
        const qint64 ns = w.clickHeader(1, 1);
        if (!sortedByText(g, 1, clicks++ % 2 == 0)) {
            w.fail(QStringLiteral("the main list is not in director order after a click"));
            return std::nullopt;
        }
        return ns;
    };
    // A plain sort of the same strings, compared as UTF-16, without moving any rows.
    QStringList directors;
    for (int r = 1; r < g->Rows(); ++r) directors << g->TextMatrix(r, 1);
    const Run base = [&]() -> std::optional<qint64> {
        QStringList copy = directors;
        return nsOf([&] { std::stable_sort(copy.begin(), copy.end()); });
    };
    detail(QStringLiteral("a click on the header 監督 of msgIchiran, %1 rows, each click turning "
                          "the order round  vs  std::stable_sort of the same strings as UTF-16")
               .arg(g->Rows() - 1));
    w.forgetCpu();
    if (!timeBoth(m, sort, base)) return;
    w.printCpu();
    detail(QStringLiteral("rows in code page 932 order of the director after each click: yes"));
    detail(QStringLiteral("other sorts, each click timed:"));
    phase(QStringLiteral("タイトル (cmdSort1_0), title names as text"), [&] {
        QPushButton* b = w.live().child<QPushButton>(QStringLiteral("cmdSort1_0"), &m->error);
        return b ? std::optional<qint64>(nsOf([&] { b->click(); })) : std::nullopt;
    });
    if (!w.openList(2)) return;
    phase(QStringLiteral("得点 of msgIchiran2, as numbers"),
          [&] { return std::optional<qint64>(w.clickHeader(2, 9)); });
    if (!w.openList(3)) return;
    phase(QStringLiteral("キャスト of msgIchiran3, all marked"),
          [&] { return std::optional<qint64>(w.clickHeader(3, 5)); });
}

// The records of a data file keyed by title name: each line is one record and begins with
// the quoted name.
QHash<QString, QByteArray> recordsByName(const QByteArray& data) {
    QHash<QString, QByteArray> records;
    for (const QByteArray& line : recordLines(data)) {
        const qsizetype end = line.indexOf("\",");
        records.insert(Cp932::decode(line.mid(1, end - 1)), line + "\r\n");
    }
    return records;
}

void measureApplyOrder(const Collection& col, Measurement* m) {
    QString* error = &m->error;
    ListsWindow w(col, error);
    if (!w.open()) return;
    const PutBackOnExit data(w.dir(), kDataFile, error);
    if (!data.ok() || !w.openList(1)) return;
    describeTexts(w.texts());
    const QHash<QString, QByteArray> records = recordsByName(data.original());
    if (records.size() != w.texts().titles) {
        *error = QStringLiteral("the data file holds %1 distinct names for %2 titles")
                     .arg(records.size())
                     .arg(w.texts().titles);
        return;
    }
    FlexGrid* g = w.grid(1);
    Catalogue& cat = w.live().window.catalogue();

    // Before each run (not timed) a click on 監督 turns the order round, so every run
    // writes a new order; after it the file must hold the very records in the list's order.
    const Run apply = [&]() -> std::optional<qint64> {
        w.clickHeader(1, 1);
        QApplication::processEvents();
        const auto ns = w.applyOrder();
        if (!ns) return std::nullopt;
        QByteArray expected;
        expected.reserve(data.original().size());
        for (int r = 1; r < g->Rows(); ++r) expected += records.value(g->TextMatrix(r, 0));
        QByteArray saved;
        if (!cat.dir().read(kDataFile, &saved, error)) return std::nullopt;
        if (saved != expected) {
            w.fail(QStringLiteral("the data file is not the records in the list's order: ") +
                   firstDifference(expected, saved));
            return std::nullopt;
        }
        if (cat.titles()[1].Daimei != g->TextMatrix(1, 0) ||
            w.live().window.card()->current() != 1) {
            w.fail(QStringLiteral("the table and the card do not start at the list's first row"));
            return std::nullopt;
        }
        return ns;
    };
    detail(QStringLiteral("メインに反映 (cmdSortCng1) after a sort by 監督 (not timed), both boxes "
                          "answered OK, at %1 titles  vs  write + fdatasync + rename of the same "
                          "bytes")
               .arg(w.texts().titles));
    w.forgetCpu();
    if (!timeBesideDurableWrite(m, apply, w.dir(), data.original())) return;
    w.printCpu();
    detail(
        QStringLiteral("data file after each run: the same records in the list's order; table "
                       "and card on its first row: yes"));

    // The reload after the rewrite; the target allows for it. Timed after a rewrite
    // of its own (not timed), as the button meets it: the lists in first-seen order
    // then change.
    QVector<int> reversed;
    for (int n = cat.TitleCount(); n >= 1; --n) reversed << n;
    const qint64 reload =
        phase(QStringLiteral("the reload after a rewrite (frmMain::reloadTitles)"),
              [&]() -> std::optional<qint64> {
                  if (!timedCall([&] { return cat.rewriteInNumberOrder(reversed); },
                                 QStringLiteral("rewriteInNumberOrder: "), error))
                      return std::nullopt;
                  return nsOf([&] { w.live().window.reloadTitles(); });
              });
    phase(QStringLiteral("the reload again, nothing changed since"),
          [&] { return std::optional<qint64>(nsOf([&] { w.live().window.reloadTitles(); })); });
    phase(QStringLiteral("Catalogue::rewriteInNumberOrder alone (the list's own way)"),
          [&]() -> std::optional<qint64> {
              return timedCall([&] { return cat.rewriteInNumberOrder(reversed); },
                               QStringLiteral("rewriteInNumberOrder: "), error);
          });
    phase(QStringLiteral("Catalogue::rewriteInOrder alone (by names)"),
          [&]() -> std::optional<qint64> {
              QStringList names;
              for (int r = 1; r < g->Rows(); ++r) names << g->TextMatrix(r, 0);
              return timedCall([&] { return cat.rewriteInOrder(names); },
                               QStringLiteral("rewriteInOrder: "), error);
          });
    phase(QStringLiteral("the card shown anew: setCurrentTitle(last), then (1)"),
          [&]() -> std::optional<qint64> {
              return nsOf([&] {
                  w.live().window.setCurrentTitle(cat.TitleCount());
                  w.live().window.setCurrentTitle(1);
              });
          });
    phase(QStringLiteral("the rows renumbered (FlexGrid::setRowData for every row)"),
          [&]() -> std::optional<qint64> {
              return nsOf([&] {
                  for (int r = 1; r < g->Rows(); ++r) g->setRowData(r, r);
              });
          });
    if (reload < 0) return;
    m->target = {Target::Kind::Time, 2.0 * double(m->baseline) + double(reload)};
    detail(QStringLiteral("target: under 2 x the durable write (%1) + the reload (%2) = %3")
               .arg(ms(m->baseline), ms(reload), ms(qint64(m->target.limit))));
}
}  // namespace

REELNOTE_BENCHMARK(100, "OpenMainList", (Target{Target::Kind::Time, 100e6}), measureOpenMainList)
REELNOTE_BENCHMARK(101, "OpenScoreList", (Target{Target::Kind::Time, 100e6}), measureOpenScoreList)
REELNOTE_BENCHMARK(102, "OpenOwnershipList", (Target{Target::Kind::Time, 100e6}),
                   measureOpenOwnershipList)
REELNOTE_BENCHMARK(103, "SortList", (Target{Target::Kind::Time, 50e6}), measureSortList)
REELNOTE_BENCHMARK(104, "ApplyListOrder", (Target{Target::Kind::Ratio, 3}), measureApplyOrder)
