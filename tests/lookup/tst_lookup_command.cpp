#include "app/command_line.h"
#include "app/lookup_command.h"
#include "lookup/lookup_error.h"
#include "lookup_support.h"
#include "store/catalogue.h"
#include "test_files.h"
#include "test_registry.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

namespace {
const QByteArray kKey = "0123456789abcdef0123456789abcdef";

// The key as the user sets it, for one test; the variable is gone after it.
struct KeyVariable {
    explicit KeyVariable(bool set) {
        if (set)
            qputenv("REELNOTE_TMDB_KEY", kKey);
        else
            qunsetenv("REELNOTE_TMDB_KEY");
    }
    ~KeyVariable() { qunsetenv("REELNOTE_TMDB_KEY"); }
};

struct Printed {
    int status = -1;
    QStringList out;  // the lines of standard output
    QString err;
};

Printed lookup(const QStringList& arguments) {
    QString out, err;
    QTextStream o(&out), e(&err);
    Printed p;
    p.status = lookupCommand(QStringList{"reelnote", "--lookup"} + arguments, o, e, quickOptions());
    o.flush();
    p.out = out.split(u'\n', Qt::SkipEmptyParts);
    p.err = err;
    return p;
}

QJsonObject searchHit(int id, const QString& title, const QString& original, const QString& date) {
    return QJsonObject{{"adult", false},
                       {"backdrop_path", QJsonValue()},
                       {"genre_ids", QJsonArray{10749}},
                       {"id", id},
                       {"original_language", "en"},
                       {"original_title", original},
                       {"overview", "…"},
                       {"popularity", 2.5},
                       {"poster_path", "/p.jpg"},
                       {"release_date", date},
                       {"title", title},
                       {"video", false},
                       {"vote_average", 6.5},
                       {"vote_count", 40}};
}

// movie/550 of a made-up TMDb: an American romance with two actors.
QJsonObject movie550() {
    const auto actor = [](const QString& name, const QString& character, int order) {
        return QJsonObject{{"adult", false},
                           {"gender", 2},
                           {"id", 100 + order},
                           {"known_for_department", "Acting"},
                           {"name", name},
                           {"original_name", name},
                           {"popularity", 1.5},
                           {"profile_path", QJsonValue()},
                           {"cast_id", order},
                           {"character", character},
                           {"credit_id", "c" + QString::number(order)},
                           {"order", order}};
    };
    return QJsonObject{
        {"adult", false},
        {"backdrop_path", QJsonValue()},
        {"budget", 0},
        {"genres", QJsonArray{QJsonObject{{"id", 10749}, {"name", "ロマンス"}}}},
        {"id", 550},
        {"imdb_id", "tt0137523"},
        {"original_language", "en"},
        {"original_title", "The Quiet Pier"},
        {"overview", "桟橋の灯りが消えた夜、\n二人は出会う。"},
        {"popularity", 8.0},
        {"poster_path", "/pier.jpg"},
        {"production_countries",
         QJsonArray{QJsonObject{{"iso_3166_1", "US"}, {"name", "United States of America"}}}},
        {"release_date", "1999-10-15"},
        {"runtime", 98},
        {"status", "Released"},
        {"title", "静かな桟橋"},
        {"video", false},
        {"vote_average", 7.0},
        {"vote_count", 120},
        {"credits",
         QJsonObject{{"cast", QJsonArray{actor("Ed Nolan", "Tom", 0), actor("Iris Vale", "", 1)}},
                     {"crew", QJsonArray{QJsonObject{{"id", 7},
                                                     {"name", "Ray Dunn"},
                                                     {"department", "Directing"},
                                                     {"job", "Director"},
                                                     {"credit_id", "k"},
                                                     {"profile_path", QJsonValue()}}}}}},
        {"external_ids", QJsonObject{{"imdb_id", "tt0137523"},
                                     {"wikidata_id", QJsonValue()},
                                     {"facebook_id", QJsonValue()},
                                     {"instagram_id", QJsonValue()},
                                     {"twitter_id", QJsonValue()}}}};
}

QJsonObject wikidataItem(const QString& id, const QString& ja, const QJsonObject& claims = {},
                         const QString& en = {}) {
    QJsonObject labels{{"ja", QJsonObject{{"language", "ja"}, {"value", ja}}}};
    if (!en.isEmpty()) labels["en"] = QJsonObject{{"language", "en"}, {"value", en}};
    return QJsonObject{{"type", "item"}, {"id", id}, {"labels", labels}, {"claims", claims}};
}

QJsonArray itemClaim(const QString& property, const QString& id) {
    const QJsonObject value{{"entity-type", "item"}, {"numeric-id", id.mid(1).toInt()}, {"id", id}};
    return QJsonArray{QJsonObject{
        {"mainsnak",
         QJsonObject{{"snaktype", "value"},
                     {"property", property},
                     {"datavalue", QJsonObject{{"value", value}, {"type", "wikibase-entityid"}}},
                     {"datatype", "wikibase-item"}}},
        {"type", "statement"},
        {"rank", "normal"},
        {"id", id + "$1"}}};
}

// A made-up TMDb and Wikidata on one server: "静かな桟橋" is found on both,
// every other search finds nothing.
FakeResponse services(const FakeRequest& r) {
    if (r.path == QLatin1String("/3/search/movie")) {
        QJsonArray results;
        if (r.query.queryItemValue("query", QUrl::FullyDecoded) == QStringLiteral("静かな桟橋"))
            results.append(searchHit(550, "静かな桟橋", "The Quiet Pier", "1999-10-15"));
        return FakeResponse::json(bytesOf(QJsonObject{{"page", 1},
                                                      {"results", results},
                                                      {"total_pages", 1},
                                                      {"total_results", results.size()}}));
    }
    if (r.path == QLatin1String("/3/movie/550")) return FakeResponse::json(bytesOf(movie550()));
    if (r.path == QLatin1String("/3/movie/550/credits")) {
        QJsonObject credits = movie550()[QStringLiteral("credits")].toObject();
        credits[QStringLiteral("id")] = 550;
        return FakeResponse::json(bytesOf(credits));
    }
    if (r.path == QLatin1String("/3/movie/551")) {  // the same film, with its Wikidata item
        QJsonObject m = movie550();
        m["id"] = 551;
        m["external_ids"] = QJsonObject{{"imdb_id", "tt0137523"}, {"wikidata_id", "Q500"}};
        return FakeResponse::json(bytesOf(m));
    }
    if (r.path.startsWith(QLatin1String("/3/find/"))) {
        QJsonArray found;
        if (r.path.endsWith(QLatin1String("/tt0137523")))
            found.append(searchHit(550, "静かな桟橋", "The Quiet Pier", "1999-10-15"));
        return FakeResponse::json(bytesOf(QJsonObject{{"movie_results", found},
                                                      {"person_results", QJsonArray{}},
                                                      {"tv_results", QJsonArray{}}}));
    }
    if (r.query.queryItemValue("action") == QLatin1String("wbsearchentities")) {
        QJsonArray hits;
        if (r.query.queryItemValue("search", QUrl::FullyDecoded) == QStringLiteral("静かな桟橋"))
            hits.append(QJsonObject{{"id", "Q500"}, {"title", "Q500"}, {"pageid", 5}});
        return FakeResponse::json(bytesOf(QJsonObject{{"search", hits}, {"success", 1}}));
    }
    const QHash<QString, QJsonObject> items{
        {"Q500", wikidataItem("Q500", "静かな桟橋",
                              QJsonObject{{"P31", itemClaim("P31", "Q11424")},
                                          {"P57", itemClaim("P57", "Q501")},
                                          {"P495", itemClaim("P495", "Q30")}})},
        {"Q501", wikidataItem("Q501", "レイ・ダン", {}, "Ray Dunn")},
        {"Q30", wikidataItem("Q30", "アメリカ合衆国")}};
    QJsonObject entities;
    for (const QString& id : r.query.queryItemValue("ids", QUrl::FullyDecoded).split(u'|'))
        entities[id] = items.value(id, QJsonObject{{"id", id}, {"missing", ""}});
    return FakeResponse::json(bytesOf(QJsonObject{{"entities", entities}, {"success", 1}}));
}

// A data folder whose titles already spell the United States and romance their own way.
struct Folder {
    QTemporaryDir dir;
    Folder() {
        TestFiles::writeCp932(dir.path(), kDataFile,
                              TestFiles::titleRecord("既存", "", "", "1990", "米国", "恋愛"));
    }
    QString path() const { return dir.path(); }
};
}  // namespace

class TestLookupCommand : public QObject {
    Q_OBJECT

private slots:
    // TMDb with a key (asked for the year given), Wikidata without one.
    void candidatesComeFromTheSourceOfTheKey() {
        FakeServer server;
        server.setHandler(services);
        addressesOf(server);
        Folder folder;
        {
            KeyVariable key(true);
            const Printed p = lookup({"静かな桟橋", "--year", "1999", folder.path()});
            QCOMPARE(p.status, 0);
            QCOMPARE(p.out, QStringList{"tmdb\t550\t静かな桟橋\tThe Quiet Pier\t1999\tRay Dunn"});
            QCOMPARE(server.requests().size(), 2);
            QCOMPARE(server.requests()[0].query.queryItemValue("year"), QStringLiteral("1999"));
            QCOMPARE(server.requests()[1].path, QStringLiteral("/3/movie/550/credits"));
        }
        for (const bool withKey : {false, true}) {
            KeyVariable key(withKey);
            const QStringList forced =
                withKey ? QStringList{"--source", "wikidata"} : QStringList();
            const Printed p = lookup(QStringList{"静かな桟橋"} + forced);
            QCOMPARE(p.status, 0);
            QCOMPARE(p.out, QStringList{"wikidata\tQ500\t静かな桟橋\t\t\tレイ・ダン"});
            QCOMPARE(server.requests().last().path, QStringLiteral("/w/api.php"));
        }
    }

    // TMDb's search does not tell the directors: those of the first ten are
    // asked before printing. One that cannot be had leaves its column empty,
    // and a TMDb that refuses or stays silent still gives the list.
    void tmdbCandidatesCarryTheirDirectors() {
        FakeServer server;
        int creditsStatus = 200;  // 0: no answer at all
        server.setHandler([&](const FakeRequest& r) {
            if (r.path == QLatin1String("/3/search/movie")) {
                QJsonArray hits;
                for (int id = 600; id < 612; ++id)
                    hits.append(searchHit(id, "映画" + QString::number(id), "", "2001-01-01"));
                return FakeResponse::json(bytesOf(QJsonObject{
                    {"page", 1}, {"results", hits}, {"total_pages", 1}, {"total_results", 12}}));
            }
            const int id = r.path.section(u'/', 3, 3).toInt();
            if (creditsStatus == 0) {
                FakeResponse silent;
                silent.mode = FakeResponse::Mode::Silent;
                return silent;
            }
            if (creditsStatus != 200 || id == 601)
                return FakeResponse::json(R"({"status_code":7})", id == 601 ? 500 : creditsStatus);
            const QJsonObject director{{"id", 7},
                                       {"name", "監督" + QString::number(id)},
                                       {"department", "Directing"},
                                       {"job", "Director"},
                                       {"credit_id", "k"}};
            return FakeResponse::json(bytesOf(
                QJsonObject{{"id", id}, {"cast", QJsonArray{}}, {"crew", QJsonArray{director}}}));
        });
        addressesOf(server);
        KeyVariable key(true);

        const Printed p = lookup({"映画"});
        QCOMPARE(p.status, 0);
        QCOMPARE(p.out.size(), 12);
        for (int i = 0; i < 12; ++i) {
            const int id = 600 + i;
            const QString director = i < 10 && id != 601 ? "監督" + QString::number(id) : QString();
            QCOMPARE(p.out[i],
                     QStringLiteral("tmdb\t%1\t映画%1\t\t2001\t%2").arg(id).arg(director));
        }
        QCOMPARE(server.requests().size(), 11);
        QCOMPARE(server.requests()[10].path, QStringLiteral("/3/movie/609/credits"));

        for (const int status : {401, 0}) {
            creditsStatus = status;
            const int before = server.requests().size();
            QElapsedTimer took;
            took.start();
            const Printed q = lookup({"映画", "--year", "2001"});  // not the cached answers
            QCOMPARE(q.status, 0);
            QCOMPARE(q.out.size(), 12);
            QCOMPARE(q.out[0], QStringLiteral("tmdb\t600\t映画600\t\t2001\t"));
            QVERIFY2(q.err.isEmpty(), qPrintable(q.err));
            // A refused key ends the asking; silence is cut off after one request's time.
            if (status == 401) QCOMPARE(server.requests().size(), before + 2);
            if (status == 0) QVERIFY(took.elapsed() < quickOptions().totalTimeoutMs + 1000);
        }
    }

    void nothingFoundIsOne() {
        FakeServer server;
        server.setHandler(services);
        addressesOf(server);
        for (const QStringList& args :
             {QStringList{"誰も知らない", "--source", "tmdb"},
              QStringList{"誰も知らない", "--source", "wikidata"}, QStringList{"tt9999999"}}) {
            KeyVariable key(true);
            const Printed p = lookup(args);
            QCOMPARE(p.status, 1);
            QCOMPARE(p.out, QStringList());
            QVERIFY2(p.err.contains(u"見つかりません"), qPrintable(p.err));
        }
    }

    // Nothing is asked of a service when the arguments cannot be used.
    void badArgumentsAreTwo_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("key");
        QTest::newRow("no text") << QStringList{} << true;
        QTest::newRow("blank text") << QStringList{"  "} << true;
        QTest::newRow("year not a year") << QStringList{"x", "--year", "99"} << true;
        QTest::newRow("year twice") << QStringList{"x", "--year", "1999", "--year", "2000"} << true;
        QTest::newRow("year without value") << QStringList{"x", "--year"} << true;
        QTest::newRow("unknown source") << QStringList{"x", "--source", "imdb"} << true;
        QTest::newRow("unknown option") << QStringList{"x", "--fast"} << true;
        QTest::newRow("two folders") << QStringList{"x", ".", "."} << true;
        QTest::newRow("no such folder") << QStringList{"x", "/nonexistent/reelnote"} << true;
        QTest::newRow("tmdb id not a number") << QStringList{"tmdb:abc"} << true;
        QTest::newRow("page of another site")
            << QStringList{"https://example.com/movie/550"} << true;
        QTest::newRow("id of the other source")
            << QStringList{"wikidata:Q500", "--source", "tmdb"} << true;
        QTest::newRow("tmdb forced without key") << QStringList{"x", "--source", "tmdb"} << false;
        QTest::newRow("tmdb id without key") << QStringList{"tmdb:550"} << false;
        QTest::newRow("imdb id without key") << QStringList{"tt0137523"} << false;
    }
    void badArgumentsAreTwo() {
        QFETCH(QStringList, args);
        QFETCH(bool, key);
        FakeServer server;
        server.setHandler(services);
        addressesOf(server);
        KeyVariable variable(key);
        const Printed p = lookup(args);
        QCOMPARE(p.status, 2);
        QCOMPARE(p.out, QStringList());
        QVERIFY(!p.err.isEmpty());
        if (!key) QVERIFY2(p.err.contains("REELNOTE_TMDB_KEY"), qPrintable(p.err));
        QCOMPARE(server.requests().size(), 0);
        // The program's command line hands the option over.
        if (args.isEmpty()) QCOMPARE(runCommandLine({"reelnote", "--lookup"}), std::optional(2));
    }

    // The reason is the service's failure as the lookup words it.
    void aServiceThatRefusesIsThree_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("message");
        QTest::newRow("tmdb 500") << 500 << "tmdb" << LookupError::httpStatus(500).message;
        QTest::newRow("tmdb 401") << 401 << "tmdb" << LookupError::badKey().message;
        QTest::newRow("wikidata 503") << 503 << "wikidata" << LookupError::httpStatus(503).message;
        QTest::newRow("nobody listening") << 0 << "tmdb" << QString();
    }
    void aServiceThatRefusesIsThree() {
        QFETCH(int, status);
        QFETCH(QString, source);
        QFETCH(QString, message);
        FakeServer server;
        server.setHandler([status](const FakeRequest&) {
            return FakeResponse::json(R"({"status_message":"no","success":false})", status);
        });
        addressesOf(server);
        if (status == 0) {
            QUrl closed = server.url(QStringLiteral("/3"));
            closed.setPort(closedPort());
            qputenv("REELNOTE_TMDB_API", closed.toEncoded());
        }
        KeyVariable key(true);
        const Printed p = lookup({"静かな桟橋", "--source", source});
        QCOMPARE(p.status, 3);
        QCOMPARE(p.out, QStringList());
        QVERIFY(!p.err.trimmed().isEmpty());
        if (!message.isEmpty()) QCOMPARE(p.err.trimmed(), message);
    }

    // Each text naming the one film prints its fields, in the folder's own words.
    void anIdPrintsTheFilmsFields() {
        FakeServer server;
        server.setHandler(services);
        addressesOf(server);
        Folder folder;
        KeyVariable key(true);
        const QStringList expected{
            "タイトル\t静かな桟橋",
            "監督\tRay Dunn",
            "主演\tEd Nolan",
            "公開日\t1999/10/15",
            "国\t米国",
            "ジャンル\t恋愛",
            "キャスト\tEd Nolan（Tom）\\nIris Vale",
            "あらすじ\t桟橋の灯りが消えた夜、\\n二人は出会う。",
            "ポスター\t" + server.url(QStringLiteral("/t/p/w500/pier.jpg")).toString()};
        for (const QString& text :
             {QStringLiteral("tmdb:550"),
              QStringLiteral("https://www.themoviedb.org/movie/550-the-quiet-pier")}) {
            const Printed p = lookup({text, folder.path()});
            QCOMPARE(p.status, 0);
            QCOMPARE(p.out, expected);
            QCOMPARE(server.requests().last().path, QStringLiteral("/3/movie/550"));
        }
        const Printed w = lookup({"https://www.wikidata.org/wiki/Q500", folder.path()});
        QCOMPARE(w.status, 0);
        QVERIFY2(w.out.contains("監督\tレイ・ダン"), qPrintable(w.out.join(u'|')));
        QVERIFY2(w.out.contains("国\t米国"), qPrintable(w.out.join(u'|')));
    }

    // With a key, a name TMDb has only in its original spelling is Wikidata's Japanese one.
    void aTmdbFilmTakesWikidatasJapaneseNames() {
        FakeServer server;
        server.setHandler(services);
        addressesOf(server);
        Folder folder;
        KeyVariable key(true);
        const Printed p = lookup({"tmdb:551", folder.path()});
        QCOMPARE(p.status, 0);
        QCOMPARE(p.out.value(0), QStringLiteral("タイトル\t静かな桟橋"));
        QCOMPARE(p.out.value(1), QStringLiteral("監督\tレイ・ダン"));
        QCOMPARE(p.out.value(2), QStringLiteral("主演\tEd Nolan"));  // Wikidata does not name him
        QCOMPARE(server.requests().size(), 3);
        QCOMPARE(server.requests().last().path, QStringLiteral("/w/api.php"));
    }

    void anImdbIdIsFoundThroughTmdb() {
        FakeServer server;
        server.setHandler(services);
        addressesOf(server);
        KeyVariable key(true);
        for (const QString& text : {QStringLiteral("tt0137523"),
                                    QStringLiteral("https://www.imdb.com/title/tt0137523/")}) {
            const int before = server.requests().size();
            const Printed p = lookup({text});
            QCOMPARE(p.status, 0);
            QCOMPARE(p.out.value(0), QStringLiteral("タイトル\t静かな桟橋"));
            QCOMPARE(server.requests().size(), before + 2);
            QCOMPARE(server.requests()[before].path, QStringLiteral("/3/find/tt0137523"));
            QCOMPARE(server.requests()[before + 1].path, QStringLiteral("/3/movie/550"));
        }
    }
};

REELNOTE_TEST(TestLookupCommand)
#include "tst_lookup_command.moc"
