#include "lookup/candidate_directors.h"
#include "lookup_support.h"
#include "test_registry.h"

#include <QDirIterator>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString kKey = QStringLiteral("0123456789abcdef0123456789abcdef");

QJsonObject crewMember(const QString& name, const QString& job) {
    return QJsonObject{{"adult", false},
                       {"id", 7000},
                       {"name", name},
                       {"original_name", name},
                       {"department", job == "Director" ? "Directing" : "Writing"},
                       {"job", job},
                       {"credit_id", "k-" + name},
                       {"profile_path", QJsonValue()}};
}

// movie/{id}/credits of a made-up TMDb.
QJsonObject credits(int id, const QJsonArray& crew) {
    return QJsonObject{{"id", id},
                       {"cast", QJsonArray{QJsonObject{{"id", 1},
                                                       {"name", "Ana Lind"},
                                                       {"character", "灯台守"},
                                                       {"credit_id", "c1"},
                                                       {"order", 0}}}},
                       {"crew", crew}};
}

// Film 11 has two directors, 12 none, 13 one.
FakeResponse films(const FakeRequest& r) {
    if (r.path == "/3/movie/11/credits")
        return FakeResponse::json(bytesOf(
            credits(11, {crewMember("Dag Holm", "Director"), crewMember("Eva Sand", "Screenplay"),
                         crewMember("Fia Dal", "Director")})));
    if (r.path == "/3/movie/12/credits")
        return FakeResponse::json(bytesOf(credits(12, {crewMember("Eva Sand", "Screenplay")})));
    if (r.path == "/3/movie/13/credits")
        return FakeResponse::json(bytesOf(credits(13, {crewMember("Gun Ek", "Director")})));
    return FakeResponse::json(R"({"status_code":34,"status_message":"not found"})", 404);
}

Candidate candidate(const QString& source, const QString& id) {
    Candidate c;
    c.source = source;
    c.id = id;
    c.title = QStringLiteral("題 ") + id;
    return c;
}

const QVector<Candidate> kCandidates{candidate("tmdb", "11"), candidate("wikidata", "Q5"),
                                     candidate("tmdb", "12"), candidate("tmdb", "13")};

struct Heard {
    QStringList found;  // "id=directors", as they came
    int finished = 0;

    void watch(CandidateDirectors& d) {
        QObject::connect(
            &d, &CandidateDirectors::directorFound, &d,
            [this](const QString& id, const QString& names) { found.append(id + u'=' + names); });
        QObject::connect(&d, &CandidateDirectors::finished, &d, [this] { ++finished; });
    }
};

QStringList pathsOf(const FakeServer& server) {
    QStringList paths;
    for (const FakeRequest& r : server.requests()) paths.append(r.path);
    return paths;
}
}  // namespace

class TestCandidateDirectors : public QObject {
    Q_OBJECT

private slots:
    // Asked in the list's order, in Japanese with the key; a second run within
    // the day comes from the cache, which never holds the key.
    void directorsArriveInOrderAndAreCachedWithoutTheKey() {
        QTemporaryDir cacheDir;
        FakeServer server;
        server.setHandler(films);
        NetworkOptions o = quickOptions();
        o.cacheDir = cacheDir.path();
        LookupNetwork net(o);
        CandidateDirectors directors(net, addressesOf(server), kKey);
        Heard heard;
        heard.watch(directors);
        const QStringList expected{QStringLiteral("11=Dag Holm、Fia Dal"),
                                   QStringLiteral("13=Gun Ek")};

        directors.start(kCandidates);
        QVERIFY(waitUntil([&] { return heard.finished > 0; }, 3000));
        QCOMPARE(heard.found, expected);
        QCOMPARE(pathsOf(server), (QStringList{"/3/movie/11/credits", "/3/movie/12/credits",
                                               "/3/movie/13/credits"}));
        for (const FakeRequest& r : server.requests()) {
            QCOMPARE(r.query.queryItemValue("api_key"), kKey);
            QCOMPARE(r.query.queryItemValue("language"), QStringLiteral("ja-JP"));
        }

        heard = {};
        directors.start(kCandidates);
        QVERIFY(waitUntil([&] { return heard.finished > 0; }, 3000));
        QCOMPARE(heard.found, expected);
        QCOMPARE(server.requests().size(), 3);
        net.settle();
        QDirIterator files(cacheDir.path(), QDir::Files, QDirIterator::Subdirectories);
        int seen = 0;
        while (files.hasNext()) {
            QFile f(files.next());
            QVERIFY(f.open(QIODevice::ReadOnly));
            QVERIFY2(!f.readAll().contains(kKey.toLatin1()), qPrintable(f.fileName()));
            ++seen;
        }
        QVERIFY(seen >= 3);

        // Only the first ones when told so.
        heard = {};
        directors.start(kCandidates, 1);
        QVERIFY(waitUntil([&] { return heard.finished > 0; }, 3000));
        QCOMPARE(heard.found, QStringList{expected[0]});
    }

    // One answer that fails is passed over and the next candidates still come;
    // a refused key ends the run, since every later request would be refused too.
    void aFailedAnswerIsPassedOver_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("found");
        QTest::addColumn<int>("asked");
        const QStringList last{"13=Gun Ek"};
        QTest::newRow("404") << 404 << QByteArray(R"({"status_code":34})") << last << 3;
        QTest::newRow("500") << 500 << QByteArray(R"({"status_code":11})") << last << 3;
        QTest::newRow("not json") << 200 << QByteArray("{\"crew\": [") << last << 3;
        QTest::newRow("crew not a list")
            << 200 << QByteArray(R"({"id":11,"crew":{}})") << last << 3;
        QTest::newRow("name missing")
            << 200 << QByteArray(R"({"id":11,"crew":[{"job":"Director"}]})") << last << 3;
        QTest::newRow("key refused") << 401 << QByteArray(R"({"status_code":7})")
                                     << QStringList{"11=Dag Holm、Fia Dal"} << 2;
    }
    void aFailedAnswerIsPassedOver() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QStringList, found);
        QFETCH(int, asked);
        FakeServer server;
        // The first or the second film fails, as the row says.
        const QString failing = status == 401 ? "/3/movie/12/credits" : "/3/movie/11/credits";
        server.setHandler([&](const FakeRequest& r) {
            return r.path == failing ? FakeResponse::json(body, status) : films(r);
        });
        LookupNetwork net(quickOptions());
        CandidateDirectors directors(net, addressesOf(server), kKey);
        Heard heard;
        heard.watch(directors);
        directors.start(kCandidates);
        QVERIFY(waitUntil([&] { return heard.finished > 0; }, 3000));
        QTest::qWait(50);
        QCOMPARE(heard.finished, 1);
        QCOMPARE(heard.found, found);
        QCOMPARE(server.requests().size(), asked);
    }

    // cancel() stops at once, whether a request is under way or a receiver asks
    // it while a director is being told.
    void nothingComesAfterCancel() {
        FakeServer server;
        server.setHandler([](const FakeRequest& r) {
            FakeResponse silent;
            silent.mode = FakeResponse::Mode::Silent;
            return r.path == "/3/movie/99/credits" ? silent : films(r);
        });
        LookupNetwork net(quickOptions());
        CandidateDirectors directors(net, addressesOf(server), kKey);
        Heard heard;
        heard.watch(directors);

        directors.start({candidate("tmdb", "99"), candidate("tmdb", "13")});
        QVERIFY(waitUntil([&] { return server.requests().size() == 1; }, 2000));
        QVERIFY(directors.busy());
        directors.cancel();
        QVERIFY(!directors.busy());
        QVERIFY(waitUntil([&] { return server.droppedByClient() == 1; }, 2000));
        QTest::qWait(quickOptions().idleTimeoutMs + 100);  // past the timeout: still nothing
        QCOMPARE(server.requests().size(), 1);
        QCOMPARE(heard.found, QStringList());
        QCOMPARE(heard.finished, 0);

        connect(&directors, &CandidateDirectors::directorFound, &directors,
                [&] { directors.cancel(); });
        directors.start(kCandidates);
        QVERIFY(waitUntil([&] { return !heard.found.isEmpty(); }, 2000));
        QTest::qWait(100);
        QCOMPARE(heard.found, QStringList{"11=Dag Holm、Fia Dal"});
        QCOMPARE(heard.finished, 0);
        QCOMPARE(server.requests().size(), 2);
    }
};

REELNOTE_TEST(TestCandidateDirectors)
#include "tst_candidate_directors.moc"
