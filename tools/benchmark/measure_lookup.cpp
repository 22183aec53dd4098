// The online lookup against a server in this process that answers at once: the
// candidates of a search painted in the lookup window, from the moment the
// server wrote its answer; the master screen's batch over 1,000 titles, its own
// cost beside the same requests made bare, and the longest the window's event
// loop waits for a turn meanwhile.
#include "fake_server.h"
#include "live_window.h"
#include "measurements.h"
#include "tmdb_documents.h"

#include "lookup/batch_lookup.h"
#include "store/cp932.h"
#include "store/data_file.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <optional>

namespace {
constexpr int kCandidates = 20;  // one page of a search, as TMDb gives it

QByteArray searchAnswer(const QString& text) {
    QJsonArray results;
    for (int i = 0; i < kCandidates; ++i)
        results.append(QJsonObject{{"id", 1000 + i},
                                   {"title", QStringLiteral("%1 %2").arg(text).arg(i)},
                                   {"original_title", QStringLiteral("Original %1").arg(i)},
                                   {"release_date", QStringLiteral("19%1-04-01").arg(50 + i)},
                                   {"poster_path", QJsonValue()},
                                   {"overview", QStringLiteral("…")}});
    return QJsonDocument(QJsonObject{{"page", 1},
                                     {"results", results},
                                     {"total_pages", 1},
                                     {"total_results", kCandidates}})
        .toJson(QJsonDocument::Compact);
}

// The services of the lookup at the server, the cache somewhere of its own, a key.
struct LookupEnvironment {
    QTemporaryDir cache;
    explicit LookupEnvironment(const FakeServer& server) {
        qputenv("REELNOTE_TMDB_API", server.url(QStringLiteral("/3")).toEncoded());
        qputenv("REELNOTE_TMDB_IMAGES", server.url(QStringLiteral("/t/p")).toEncoded());
        qputenv("REELNOTE_WIKIDATA_API", server.url(QStringLiteral("/w/api.php")).toEncoded());
        qputenv("REELNOTE_TMDB_KEY", "0123456789abcdef0123456789abcdef");
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    }
    ~LookupEnvironment() {
        for (const char* v : {"REELNOTE_TMDB_API", "REELNOTE_TMDB_IMAGES", "REELNOTE_WIKIDATA_API",
                              "REELNOTE_TMDB_KEY"})
            qunsetenv(v);
    }
};

// Runs the event loop until done() or ms pass; false when they passed.
template <typename F>
bool spinUntil(F done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

// The time at which a view had painted with rows in it: taken on the event
// loop's next turn after the paint, so that the paint itself is inside.
class PaintWatch : public QObject {
public:
    QElapsedTimer* clock;
    std::function<bool()> filled;
    qint64 paintedAt = -1;
    PaintWatch(QElapsedTimer* c, std::function<bool()> f) : clock(c), filled(std::move(f)) {}
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint && paintedAt < 0 && filled())
            QTimer::singleShot(0, this, [this] {
                if (paintedAt < 0) paintedAt = clock->nsecsElapsed();
            });
        return false;
    }
};
}  // namespace

void measureLookupCandidates(const Collection& col, Measurement* m) {
    QString* error = &m->error;
    FakeServer server;
    LookupEnvironment environment(server);
    QElapsedTimer clock;
    clock.start();
    qint64 answeredAt = -1;
    server.setHandler([&](const FakeRequest& r) {
        // The candidates' directors, asked after the list is shown, are not timed.
        if (!r.path.endsWith(QLatin1String("/search/movie")))
            return FakeResponse::json(R"({"status_code":34})", 404);
        answeredAt = clock.nsecsElapsed();
        return FakeResponse::json(searchAnswer(r.query.queryItemValue("query")));
    });
    LiveWindow w(col.dir);
    if (!w.open(error)) return;
    auto* key = w.child<QShortcut>(QStringLiteral("shortcutLookup"), error);
    if (!key) return;
    emit key->activated();
    QApplication::processEvents();
    auto* text = w.child<QLineEdit>(QStringLiteral("txtLookupText"), error);
    auto* year = w.child<QLineEdit>(QStringLiteral("txtLookupYear"), error);
    auto* search = w.child<QPushButton>(QStringLiteral("cmdLookupSearch"), error);
    auto* list = w.child<QTreeWidget>(QStringLiteral("lstLookupCandidates"), error);
    if (!text || !year || !search || !list) return;
    list->window()->show();
    // The window takes the saved key on the event loop's turn.
    spinUntil([] { return false; }, 200);
    year->clear();

    int run = 0;
    const Run lookup = [&]() -> std::optional<qint64> {
        // A new text each run: the cache would answer a repeated one.
        text->setText(QStringLiteral("測定の映画%1").arg(++run));
        PaintWatch watch(&clock, [&] { return list->topLevelItemCount() == kCandidates; });
        list->viewport()->installEventFilter(&watch);
        answeredAt = -1;
        search->click();
        const bool painted = spinUntil([&] { return watch.paintedAt >= 0; }, 5000);
        list->viewport()->removeEventFilter(&watch);
        if (!painted || answeredAt < 0) {
            *error = QStringLiteral("the candidates were not painted within 5 s");
            return std::nullopt;
        }
        return watch.paintedAt - answeredAt;
    };
    // The floor: a bare tree given the same rows and painted.
    const Run bare = [&]() -> std::optional<qint64> {
        QTreeWidget tree;
        tree.setColumnCount(5);
        tree.resize(list->size());
        tree.show();
        QApplication::processEvents();
        return nsOf([&] {
            for (int i = 0; i < kCandidates; ++i)
                new QTreeWidgetItem(
                    &tree,
                    {QStringLiteral("測定の映画 %1").arg(i), QStringLiteral("Original %1").arg(i),
                     QString::number(1950 + i), QString(), QStringLiteral("TMDb")});
            tree.repaint();
        });
    };
    detail(QStringLiteral("検索 in the lookup window (TMDb), %1 candidates: from the server's "
                          "answer until the list has painted them  vs  a bare QTreeWidget given "
                          "the same rows and painted")
               .arg(kCandidates));
    timeBoth(m, lookup, bare);
    if (server.requests().size() < kRuns + 1)  // the searches at least
        *error =
            QStringLiteral("only %1 searches reached the server").arg(server.requests().size());
}

REELNOTE_BENCHMARK(1200, "LookupCandidates", (Target{Target::Kind::Time, 50e6}),
                   measureLookupCandidates)

// ---- the master screen's batch over a collection of names and years ----

namespace {
constexpr int kBatchTitles = 1000;

QString batchTitle(int i) { return QStringLiteral("測定映画%1").arg(i, 4, 10, QLatin1Char('0')); }

// 1,000 titles with a name and a year only, as a film diary's export leaves them.
bool writeDiaryCollection(const QString& dir, QString* error) {
    TitleTable table;
    for (int i = 1; i <= kBatchTitles; ++i) {
        Title t;
        t.Daimei = batchTitle(i);
        t.Koukai = QString::number(1950 + i % 70);
        table.append(t);
    }
    QByteArray bytes;
    QFile f(QDir(dir).filePath(kDataFile));
    if (!Cp932::encode(serializeDataFile(table), &bytes) || !f.open(QIODevice::WriteOnly) ||
        f.write(bytes) != bytes.size()) {
        *error = QStringLiteral("cannot write the diary collection");
        return false;
    }
    return true;
}

// TMDb as the batch meets it: each title found once under its own name and
// year, its film with a director, three players, a synopsis, no poster.
FakeResponse tmdbAnswer(const FakeRequest& r) {
    using namespace TmdbDocuments;
    if (r.path.endsWith(QLatin1String("/search/movie"))) {
        const QString name = r.query.queryItemValue("query", QUrl::FullyDecoded);
        const int id = name.right(4).toInt();
        const QString year = r.query.queryItemValue("year");
        return FakeResponse::json(
            QJsonDocument(
                page(QJsonArray{hit(id, name, name, year + QStringLiteral("-05-01")),
                                hit(id + 5000, name + QStringLiteral("２"),
                                    QStringLiteral("Sequel"), QStringLiteral("2001-01-01"))}))
                .toJson(QJsonDocument::Compact));
    }
    const int id = r.path.section(u'/', -1).toInt();
    Movie m;
    m.id = id;
    m.title = m.original = batchTitle(id);
    m.date = QStringLiteral("%1-05-01").arg(1950 + id % 70);
    m.director = QStringLiteral("監督%1").arg(id % 300);
    m.cast = {QStringLiteral("俳優%1|役A").arg(id % 500),
              QStringLiteral("俳優%1|役B").arg(id % 700), QStringLiteral("俳優%1").arg(id % 900)};
    m.overview = QStringLiteral("ある町の物語。\n二行目。");
    return FakeResponse::json(QJsonDocument(movie(m)).toJson(QJsonDocument::Compact));
}

struct BatchRun {
    qint64 ns = 0;
    qint64 longestStall = 0;  // the longest the event loop went without a turn
};

// The longest the event loop goes without a turn while the watch runs: a
// timer due every millisecond, and the longest gap between its calls.
class StallWatch {
public:
    StallWatch() {
        ticks_.setInterval(1);
        QObject::connect(&ticks_, &QTimer::timeout, [this] {
            const qint64 now = clock_.nsecsElapsed();
            longest_ = std::max(longest_, now - last_);
            last_ = now;
        });
        clock_.start();
        ticks_.start();
    }
    qint64 longest() const { return longest_; }

private:
    QElapsedTimer clock_;
    QTimer ticks_;
    qint64 last_ = 0, longest_ = 0;
};

// 開始 in the fill window until its batch finished, every title found; with
// applied, 反映 afterwards, its time there.
std::optional<BatchRun> runFillWindow(LiveWindow& w, QString* error, qint64* applied = nullptr) {
    // A fresh cache: every request reaches the server. The caches of earlier
    // runs stay until the measurement ends, as a user's stay on the disk:
    // thousands of files deleted just before would slow the file system's
    // making of new ones, which no user meets.
    static std::vector<std::unique_ptr<QTemporaryDir>> caches;
    caches.push_back(std::make_unique<QTemporaryDir>());
    qputenv("XDG_CACHE_HOME", QFile::encodeName(caches.back()->path()));
    auto* open = w.child<QPushButton>(QStringLiteral("cmdFillFromNet"), error);
    if (!open) return std::nullopt;
    open->click();
    QWidget* fill = w.window.findChild<QWidget*>(QStringLiteral("frmFill"));
    auto* start = fill ? fill->findChild<QPushButton*>(QStringLiteral("cmdFillStart")) : nullptr;
    auto* table = fill ? fill->findChild<QTableWidget*>(QStringLiteral("tblFill")) : nullptr;
    auto* batch = fill ? fill->findChild<BatchLookup*>() : nullptr;
    if (!start || !table || !batch) {
        *error = QStringLiteral("the fill window or its parts are missing");
        return std::nullopt;
    }
    spinUntil([&] { return start->isEnabled(); }, 2000);  // the key comes on a later turn
    bool done = false;
    QObject::connect(batch, &BatchLookup::finished, fill, [&] { done = true; });
    QElapsedTimer clock;
    BatchRun run;
    std::optional<StallWatch> stalls;
    stalls.emplace();
    clock.start();
    start->click();
    const bool finished = spinUntil([&] { return done; }, 600000);
    run.ns = clock.nsecsElapsed();
    run.longestStall = stalls->longest();
    stalls.reset();
    int found = 0;
    for (int r = 0; r < table->rowCount(); ++r)
        if (table->item(r, 1) && table->item(r, 1)->text() == QStringLiteral("補える")) ++found;
    if (applied && found == kBatchTitles) {
        auto* apply = fill->findChild<QPushButton*>(QStringLiteral("cmdFillApply"));
        *applied = nsOf([&] {
            apply->click();
            QApplication::processEvents();
        });
    }
    fill->close();
    QApplication::processEvents();
    if (!finished || found != kBatchTitles) {
        *error = QStringLiteral("the batch found %1 of %2 titles").arg(found).arg(kBatchTitles);
        return std::nullopt;
    }
    return run;
}

// The floor: the same requests, one after another, each answer read and parsed.
Run bareRequests(const FakeServer& server, qint64* longestStall = nullptr) {
    return [&server, longestStall]() -> std::optional<qint64> {
        StallWatch stalls;
        QNetworkAccessManager manager;
        int left = 0;
        QElapsedTimer clock;
        clock.start();
        std::function<void(int, bool)> ask = [&](int i, bool film) {
            if (i > kBatchTitles) return;
            QUrl url = server.url(film ? QStringLiteral("/3/movie/%1").arg(i)
                                       : QStringLiteral("/3/search/movie"));
            if (!film) {
                QUrlQuery q;
                q.addQueryItem(QStringLiteral("query"), batchTitle(i));
                q.addQueryItem(QStringLiteral("year"), QString::number(1950 + i % 70));
                url.setQuery(q);
            }
            ++left;
            QNetworkReply* reply = manager.get(QNetworkRequest(url));
            QObject::connect(reply, &QNetworkReply::finished, [&, reply, i, film] {
                QJsonDocument::fromJson(reply->readAll());
                reply->deleteLater();
                --left;
                if (film)
                    ask(i + 1, false);
                else
                    ask(i, true);
            });
        };
        ask(1, false);
        spinUntil([&] { return left == 0; }, 600000);
        if (longestStall) *longestStall = std::max(*longestStall, stalls.longest());
        return clock.nsecsElapsed();
    };
}

struct BatchBench {
    FakeServer server;
    LookupEnvironment environment{server};
    QTemporaryDir dir;
    std::unique_ptr<LiveWindow> w;

    bool open(const Collection& col, QString* error) {
        server.setHandler(tmdbAnswer);
        if (!writeDiaryCollection(dir.path(), error)) return false;
        // The big collection's settings: no help tour at start.
        const QString settings = QStringLiteral("設定.TXT");
        QFile::copy(QDir(col.dir).filePath(settings), QDir(dir.path()).filePath(settings));
        w = std::make_unique<LiveWindow>(dir.path());
        if (!w->open(error)) return false;
        auto* master = w->child<QPushButton>(QStringLiteral("cmdMaster"), error);
        if (!master) return false;
        master->click();
        QApplication::processEvents();
        return true;
    }
};
}  // namespace

void measureFillBatch(const Collection& col, Measurement* m) {
    QString* error = &m->error;
    BatchBench b;
    if (!b.open(col, error)) return;
    const Run fill = [&]() -> std::optional<qint64> {
        const auto r = runFillWindow(*b.w, error);
        return r ? std::optional<qint64>(r->ns) : std::nullopt;
    };
    detail(
        QStringLiteral("「開始」 in the fill window over %1 titles with a name and a year, TMDb at "
                       "a local server answering at once (a search and a film each), until "
                       "the batch finished with every title 補える  vs  the same requests made "
                       "one after another by a bare QNetworkAccessManager, each answer parsed")
            .arg(kBatchTitles));
    if (!timeBoth(m, fill, bareRequests(b.server))) return;
    // The row stands for one title: the batch's own cost beside the requests'.
    const qint64 own = (m->time - m->baseline) / kBatchTitles;
    detail(QStringLiteral("the batch's own cost: (%1 - %2) / %3 titles = %4 a title, beside %5 a "
                          "title of requests")
               .arg(ms(m->time), ms(m->baseline))
               .arg(kBatchTitles)
               .arg(ms(own), ms(m->baseline / kBatchTitles)));
    m->time = own;
    m->baseline /= kBatchTitles;
    // Last, as it fills the collection: 反映 of every proposal, as one step.
    qint64 applied = 0;
    if (!runFillWindow(*b.w, error, &applied)) return;
    detail(
        QStringLiteral("反映 of the %1 proposals (監督, 主演, 国, ジャンル in one rewrite of the "
                       "data file; a キャスト and an あらすじ file each, written durably): %2")
            .arg(kBatchTitles)
            .arg(ms(applied)));
}

void measureFillStall(const Collection& col, Measurement* m) {
    QString* error = &m->error;
    BatchBench b;
    if (!b.open(col, error)) return;
    qint64 bareStall = 0;
    std::vector<qint64> stalls;
    for (int run = 0; run < 3; ++run) {
        const auto r = runFillWindow(*b.w, error);
        if (!r) return;
        stalls.push_back(r->longestStall);
        bareRequests(b.server, &bareStall)();
    }
    m->time = *std::max_element(stalls.begin(), stalls.end());
    m->baseline = bareStall;
    detail(QStringLiteral("the longest the window's event loop went without a turn (a timer due "
                          "every 1ms) over three batches of %1 titles: %2  vs  the same over the "
                          "bare requests: %3")
               .arg(kBatchTitles)
               .arg(ms(m->time), ms(m->baseline)));
}

REELNOTE_BENCHMARK(1201, "FillBatchPerTitle", (Target{Target::Kind::Time, 2e6}), measureFillBatch)
REELNOTE_BENCHMARK(1202, "FillBatchStall", (Target{Target::Kind::Time, 50e6}), measureFillStall)
