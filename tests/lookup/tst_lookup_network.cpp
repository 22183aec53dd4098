#include "lookup/poster_client.h"
#include "lookup/tmdb_client.h"
#include "lookup_support.h"
#include "test_registry.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString kKey = QStringLiteral("0123456789abcdef0123456789abcdef");

QByteArray smallFilm() {
    return bytesOf(
        QJsonObject{{"id", 7},
                    {"title", "短い映画"},
                    {"credits", QJsonObject{{"cast", QJsonArray{}}, {"crew", QJsonArray{}}}}});
}

const QByteArray kPng("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16);

FakeResponse withStatus(int status) { return FakeResponse::json(R"({"status_code":7})", status); }

FakeResponse html() {
    FakeResponse r =
        FakeResponse::json("<!DOCTYPE html><html><body>ログインしてください</body></html>");
    r.contentType = "text/html";
    return r;
}
}  // namespace

// How every request ends when the service or the network does not answer as it should.
class TestLookupNetwork : public QObject {
    Q_OBJECT

private slots:
    void failuresEndInAMessageAndNoFilm_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("says");
        using K = LookupError::Kind;
        QTest::newRow("401") << 0 << int(K::BadKey) << "APIキーが正しくありません";
        QTest::newRow("404") << 1 << int(K::NotFound) << "見つかりません";
        QTest::newRow("500") << 2 << int(K::Server) << "HTTP 500";
        QTest::newRow("429 that never ends") << 3 << int(K::RateLimited) << "混み合って";
        QTest::newRow("captive portal page") << 4 << int(K::NotJson) << "ログイン画面";
        QTest::newRow("html sent as json") << 5 << int(K::NotJson) << "ログイン画面";
        QTest::newRow("not json") << 6 << int(K::NotJson) << "JSONとして読めません";
        QTest::newRow("never answers") << 7 << int(K::Timeout) << "応答しませんでした";
        QTest::newRow("drips past the end") << 8 << int(K::Timeout) << "応答しませんでした";
        QTest::newRow("too big, announced") << 9 << int(K::TooLarge) << "5 MB";
        QTest::newRow("too big, unannounced") << 10 << int(K::TooLarge) << "5 MB";
        QTest::newRow("redirect loop") << 11 << int(K::Redirects) << "リダイレクト";
        QTest::newRow("connection refused") << 12 << int(K::Unreachable) << "接続を拒否";
        QTest::newRow("cut off mid-answer") << 13 << int(K::Server) << "切れました";
    }
    void failuresEndInAMessageAndNoFilm() {
        QFETCH(int, mode);
        QFETCH(int, kind);
        QFETCH(QString, says);
        FakeServer server;
        server.setHandler([mode](const FakeRequest& r) {
            FakeResponse big;
            if (mode == 9 || mode == 10)
                big = FakeResponse::json("{\"pad\":\"" + QByteArray(5 * 1024 * 1024, 'x') + "\"}");
            switch (mode) {
                case 0:
                    return withStatus(401);
                case 1:
                    return withStatus(404);
                case 2:
                    return withStatus(500);
                case 3: {
                    FakeResponse busy = withStatus(429);
                    busy.headers.append(std::pair<QByteArray, QByteArray>("Retry-After", "0"));
                    return busy;
                }
                case 4:
                    return html();
                case 5: {
                    FakeResponse page = html();
                    page.contentType = "application/json";
                    return page;
                }
                case 6:
                    return FakeResponse::json("status: fine");
                case 7: {
                    FakeResponse silent;
                    silent.mode = FakeResponse::Mode::Silent;
                    return silent;
                }
                case 8: {
                    FakeResponse drip = FakeResponse::json(smallFilm() + QByteArray(4000, ' '));
                    drip.mode = FakeResponse::Mode::Drip;
                    drip.dripBytes = 1;
                    drip.dripEveryMs = 5;
                    return drip;
                }
                case 9:
                    return big;
                case 10:
                    big.mode = FakeResponse::Mode::NoLength;
                    return big;
                case 11: {
                    FakeResponse again = withStatus(302);
                    again.headers.append(std::pair<QByteArray, QByteArray>(
                        "Location",
                        r.path.toUtf8() + "?again=" +
                            QByteArray::number(r.query.queryItemValue("again").toInt() + 1)));
                    return again;
                }
                default: {
                    FakeResponse cut = FakeResponse::json(smallFilm());
                    cut.headers.append(std::pair<QByteArray, QByteArray>(
                        "Content-Length", "100000"));  // a second length, larger
                    cut.mode = FakeResponse::Mode::NoLength;
                    return cut;
                }
            }
        });
        LookupNetwork net(quickOptions());
        LookupAddresses at = addressesOf(server);
        if (mode == 12)
            at.tmdbApi = QUrl(QStringLiteral("http://127.0.0.1:%1/3").arg(closedPort()));
        TmdbClient tmdb(net, at, kKey);
        Answer a;
        a.watch(tmdb);
        QElapsedTimer clock;
        clock.start();
        tmdb.fetchFilm(QStringLiteral("7"));
        QVERIFY(a.waitFor(1, 4000));
        QCOMPARE(int(a.error.kind), kind);
        QVERIFY2(a.error.message.contains(says), qPrintable(a.error.message));
        QVERIFY(a.film.title.isEmpty());
        QVERIFY(!tmdb.busy());
        QVERIFY(clock.elapsed() < 2500);
        if (mode == 3) QCOMPARE(server.requests().size(), 1 + quickOptions().maxRetries);
        // Qt may send a request again on a new connection; the loop still ends.
        if (mode == 11)
            QVERIFY(server.requests().size() >= 1 + quickOptions().maxRedirects &&
                    server.requests().size() <= 2 * (1 + quickOptions().maxRedirects));
        QTest::qWait(20);
        QCOMPARE(a.answers, 1);
    }

    // A 429 waits as long as Retry-After says, then the same request succeeds.
    void aBusyServiceIsAskedAgainAfterItsWait() {
        FakeServer server;
        server.setHandler([&server](const FakeRequest&) {
            if (server.requests().size() > 1) return FakeResponse::json(smallFilm());
            FakeResponse busy = withStatus(429);
            busy.headers.append(std::pair<QByteArray, QByteArray>("Retry-After", "3"));
            return busy;
        });
        NetworkOptions o = quickOptions();
        o.retryAfterUnitMs = 100;  // three "seconds" are 300 ms here
        LookupNetwork net(o);
        TmdbClient tmdb(net, addressesOf(server), kKey);
        Answer a;
        a.watch(tmdb);
        QElapsedTimer clock;
        clock.start();
        tmdb.fetchFilm(QStringLiteral("7"));
        QVERIFY(a.waitFor(1, 3000));
        QVERIFY2(!a.error.failed(), qPrintable(a.error.message));
        QCOMPARE(a.film.title, QStringLiteral("短い映画"));
        QCOMPARE(a.waits, QVector<int>{300});
        QVERIFY(clock.elapsed() >= 270);  // a coarse timer may fire 5 % early
        QCOMPARE(server.requests().size(), 2);
    }

    // Slow is not broken: bytes that keep coming within the limits are read whole.
    void aDrippingAnswerThatEndsInTimeIsRead() {
        FakeServer server;
        server.setHandler([](const FakeRequest&) {
            FakeResponse drip = FakeResponse::json(smallFilm());
            drip.mode = FakeResponse::Mode::Drip;
            drip.dripBytes = 8;
            drip.dripEveryMs = 10;
            return drip;
        });
        LookupNetwork net(quickOptions());
        TmdbClient tmdb(net, addressesOf(server), kKey);
        Answer a;
        a.watch(tmdb);
        tmdb.fetchFilm(QStringLiteral("7"));
        QVERIFY(a.waitFor(1, 3000));
        QVERIFY2(!a.error.failed(), qPrintable(a.error.message));
        QCOMPARE(a.film.title, QStringLiteral("短い映画"));
    }

    void cancelStopsAtOnceAndSaysNothing() {
        FakeServer server;
        server.setHandler([](const FakeRequest&) {
            FakeResponse silent;
            silent.mode = FakeResponse::Mode::Silent;
            return silent;
        });
        LookupNetwork net(quickOptions());
        TmdbClient tmdb(net, addressesOf(server), kKey);
        Answer a;
        a.watch(tmdb);
        tmdb.fetchFilm(QStringLiteral("7"));
        QVERIFY(waitUntil([&] { return server.requests().size() >= 1; }, 2000));
        QCOMPARE(server.requests().size(), 1);
        QVERIFY(tmdb.busy());
        tmdb.cancel();
        QVERIFY(!tmdb.busy());
        QVERIFY(waitUntil([&] { return server.droppedByClient() >= 1; }, 1000));
        QCOMPARE(server.droppedByClient(), 1);
        QTest::qWait(quickOptions().idleTimeoutMs + 100);  // past the timeout: still nothing
        QCOMPARE(a.answers, 0);
    }

    // A search repeated within a day costs nothing, and the key is not kept on disk.
    void aRepeatedSearchComesFromTheCache() {
        QTemporaryDir cacheDir;
        FakeServer server;
        server.setHandler([](const FakeRequest&) {
            return FakeResponse::json(bytesOf(QJsonObject{
                {"page", 1},
                {"results", QJsonArray{QJsonObject{
                                {"id", 7}, {"title", "短い映画"}, {"release_date", "2001-01-02"}}}},
                {"total_results", 1}}));
        });
        NetworkOptions o = quickOptions();
        o.cacheDir = cacheDir.path();
        LookupNetwork net(o);
        TmdbClient tmdb(net, addressesOf(server), kKey);
        Answer first, second;
        first.watch(tmdb);
        tmdb.search(QStringLiteral("短い"), 0);
        QVERIFY(first.waitFor(1, 2000));
        QObject::disconnect(&tmdb, nullptr, nullptr, nullptr);
        second.watch(tmdb);
        tmdb.search(QStringLiteral("短い"), 0);
        QCOMPARE(second.answers, 0);  // even from the cache, not inside the call
        QVERIFY(second.waitFor(1, 2000));
        QCOMPARE(server.requests().size(), 1);
        QCOMPARE(second.candidates.size(), 1);
        QCOMPARE(second.candidates[0].title, QStringLiteral("短い映画"));
        // Another search is asked.
        tmdb.search(QStringLiteral("長い"), 0);
        QVERIFY(second.waitFor(2, 2000));
        QCOMPARE(server.requests().size(), 2);
        // The next run of the program finds it on disk, too, once it is written
        // there (on a thread of its own, at the latest as the network goes).
        net.settle();
        {
            LookupNetwork nextRun(o);
            TmdbClient again(nextRun, addressesOf(server), kKey);
            Answer third;
            third.watch(again);
            again.search(QStringLiteral("短い"), 0);
            QVERIFY(third.waitFor(1, 2000));
            QCOMPARE(third.candidates.size(), 1);
            QCOMPARE(server.requests().size(), 2);
        }

        QDirIterator files(cacheDir.path(), QDir::Files, QDirIterator::Subdirectories);
        int seen = 0;
        while (files.hasNext()) {
            QFile f(files.next());
            QVERIFY(f.open(QIODevice::ReadOnly));
            QVERIFY2(!f.readAll().contains(kKey.toLatin1()), qPrintable(f.fileName()));
            ++seen;
        }
        QVERIFY(seen >= 2);
    }

    void postersAreCheckedToBePictures_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("kind");
        QTest::newRow("png") << kPng << int(LookupError::Kind::None);
        QTest::newRow("jpeg") << QByteArray("\xFF\xD8\xFF\xE0\0\x10JFIF", 10)
                              << int(LookupError::Kind::None);
        QTest::newRow("webp") << QByteArray("RIFF\x10\0\0\0WEBPVP8 ", 16)
                              << int(LookupError::Kind::None);
        QTest::newRow("gif") << QByteArray("GIF89a\1\0\1\0") << int(LookupError::Kind::None);
        QTest::newRow("an error page")
            << QByteArray("<html>404</html>") << int(LookupError::Kind::NotImage);
        QTest::newRow("json") << QByteArray("{\"status_code\":34}")
                              << int(LookupError::Kind::NotImage);
        QTest::newRow("riff but not webp")
            << QByteArray("RIFF\x10\0\0\0WAVEfmt ", 16) << int(LookupError::Kind::NotImage);
        QTest::newRow("over the limit")
            << kPng + QByteArray(3000, '\0') << int(LookupError::Kind::TooLarge);
    }
    void postersAreCheckedToBePictures() {
        QFETCH(QByteArray, body);
        QFETCH(int, kind);
        FakeServer server;
        server.setHandler([body](const FakeRequest&) {
            FakeResponse r = FakeResponse::json(body);
            r.contentType = "image/jpeg";
            return r;
        });
        NetworkOptions o = quickOptions();
        o.imageLimit = 2048;
        LookupNetwork net(o);
        PosterClient posters(net);
        QByteArray got;
        LookupError error;
        int answers = 0;
        connect(&posters, &PosterClient::posterFetched, this,
                [&](const QUrl&, const QByteArray& b) {
                    got = b;
                    ++answers;
                });
        connect(&posters, &PosterClient::failed, this, [&](const QUrl&, const LookupError& e) {
            error = e;
            ++answers;
        });
        posters.fetch(server.url(QStringLiteral("/t/p/w92/a.jpg")));
        QVERIFY(waitUntil([&] { return answers >= 1; }, 2000));
        QCOMPARE(answers, 1);
        QCOMPARE(int(error.kind), kind);
        QCOMPARE(got, kind == int(LookupError::Kind::None) ? body : QByteArray());
    }

    // Posters asked together arrive one after another, each once.
    void postersComeOneAtATime() {
        FakeServer server;
        int open = 0, most = 0;
        server.setHandler([&](const FakeRequest&) {
            most = qMax(most, ++open);
            FakeResponse r = FakeResponse::json(kPng);
            r.contentType = "image/png";
            return r;
        });
        LookupNetwork net(quickOptions());
        PosterClient posters(net);
        QList<QUrl> arrived;
        connect(&posters, &PosterClient::posterFetched, this,
                [&](const QUrl& u, const QByteArray&) {
                    --open;
                    arrived.append(u);
                });
        const QList<QUrl> asked{server.url("/t/p/w92/1.png"), server.url("/t/p/w92/2.png"),
                                server.url("/t/p/w92/3.png")};
        for (const QUrl& u : asked) posters.fetch(u);
        posters.fetch(asked[1]);
        QVERIFY(waitUntil([&] { return arrived.size() >= 3; }, 2000));
        QCOMPARE(arrived.size(), 3);
        QCOMPARE(arrived, asked);
        QCOMPARE(most, 1);
        QVERIFY(!posters.busy());
    }
};

REELNOTE_TEST(TestLookupNetwork)
#include "tst_lookup_network.moc"
