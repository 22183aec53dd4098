// The online lookup against a server in this process that answers at once: the
// candidates of a search painted in the lookup window, from the moment the
// server wrote its answer.
#include "fake_server.h"
#include "live_window.h"
#include "measurements.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
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
                new QTreeWidgetItem(&tree, {QStringLiteral("測定の映画 %1").arg(i),
                                            QStringLiteral("Original %1").arg(i),
                                            QString::number(1950 + i), QString(),
                                            QStringLiteral("TMDb")});
            tree.repaint();
        });
    };
    detail(QStringLiteral("検索 in the lookup window (TMDb), %1 candidates: from the server's "
                          "answer until the list has painted them  vs  a bare QTreeWidget given "
                          "the same rows and painted")
               .arg(kCandidates));
    timeBoth(m, lookup, bare);
    if (server.requests().size() < kRuns + 1)
        *error = QStringLiteral("only %1 searches reached the server").arg(server.requests().size());
}

REELNOTE_BENCHMARK(1200, "LookupCandidates", (Target{Target::Kind::Time, 50e6}),
                   measureLookupCandidates)
