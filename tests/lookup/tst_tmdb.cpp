#include "lookup/tmdb_client.h"
#include "lookup_support.h"
#include "test_registry.h"

#include <QTest>

namespace {
const QString kKey = QStringLiteral("0123456789abcdef0123456789abcdef");

QJsonObject person(const QString& name, const QString& character, int order) {
    return QJsonObject{{"adult", false},
                       {"gender", 1},
                       {"id", 9000 + order},
                       {"known_for_department", "Acting"},
                       {"name", name},
                       {"original_name", name},
                       {"popularity", 3.5},
                       {"profile_path", QJsonValue()},
                       {"cast_id", 10 + order},
                       {"character", character},
                       {"credit_id", "c" + QString::number(order)},
                       {"order", order}};
}

QJsonObject crew(const QString& name, const QString& job) {
    return QJsonObject{{"id", 7000}, {"name", name},      {"department", "Directing"},
                       {"job", job}, {"credit_id", "k1"}, {"profile_path", QJsonValue()}};
}

// A film of our own making, with the fields movie/{id} documents.
QJsonObject movie() {
    return QJsonObject{
        {"adult", false},
        {"backdrop_path", "/bd.jpg"},
        {"budget", 1000000},
        {"genres", QJsonArray{QJsonObject{{"id", 18}, {"name", "ドラマ"}},
                              QJsonObject{{"id", 10749}, {"name", "ロマンス"}}}},
        {"id", 4242},
        {"imdb_id", "tt7654321"},
        {"original_language", "sv"},
        {"original_title", "Hamnen ingenstans"},
        {"overview", "港町の灯台守が、\n消えた船を探す。"},
        {"popularity", 12.5},
        {"poster_path", "/harbour.jpg"},
        {"production_countries",
         QJsonArray{QJsonObject{{"iso_3166_1", "SE"}, {"name", "Sweden"}},
                    QJsonObject{{"iso_3166_1", "US"}, {"name", "United States of America"}}}},
        {"release_date", "1998-03-07"},
        {"runtime", 101},
        {"status", "Released"},
        {"title", "どこでもない港"},
        {"video", false},
        {"vote_average", 7.1},
        {"vote_count", 311},
        {"credits", QJsonObject{{"cast", QJsonArray{person("Bo Ek", "Harbour master", 1),
                                                    person("Ana Lind", "Lighthouse keeper", 0),
                                                    person("Cai Berg", "", 2)}},
                                {"crew", QJsonArray{crew("Dag Holm", "Director"),
                                                    crew("Eva Sand", "Screenplay"),
                                                    crew("Fia Dal", "Director")}}}},
        {"external_ids", QJsonObject{{"imdb_id", "tt7654321"},
                                     {"wikidata_id", "Q98765432"},
                                     {"facebook_id", QJsonValue()},
                                     {"instagram_id", QJsonValue()},
                                     {"twitter_id", QJsonValue()}}},
    };
}

QJsonObject hit(int id, const QString& title, const QString& original, const QString& date,
                const QJsonValue& poster) {
    return QJsonObject{{"adult", false},
                       {"genre_ids", QJsonArray{18}},
                       {"id", id},
                       {"original_language", "sv"},
                       {"original_title", original},
                       {"overview", "…"},
                       {"popularity", 1.0},
                       {"poster_path", poster},
                       {"release_date", date},
                       {"title", title},
                       {"video", false},
                       {"vote_average", 6.0},
                       {"vote_count", 10}};
}

QJsonObject searchPage() {
    return QJsonObject{
        {"page", 1},
        {"results",
         QJsonArray{hit(4242, "どこでもない港", "Hamnen ingenstans", "1998-03-07", "/harbour.jpg"),
                    hit(4243, "どこでもない港2", "Hamnen 2", "", QJsonValue())}},
        {"total_pages", 1},
        {"total_results", 2}};
}
}  // namespace

class TestTmdbClient : public QObject {
    Q_OBJECT

private slots:
    void searchAsksInJapaneseWithTheYearAndTheKey() {
        FakeServer server;
        server.setHandler(
            [](const FakeRequest&) { return FakeResponse::json(bytesOf(searchPage())); });
        LookupNetwork net(quickOptions());
        TmdbClient tmdb(net, addressesOf(server), kKey);
        Answer a;
        a.watch(tmdb);
        tmdb.search(QStringLiteral("どこでもない港"), 1998);
        QVERIFY(a.waitFor(1, 2000));

        QCOMPARE(server.requests().size(), 1);
        const FakeRequest& r = server.requests()[0];
        QCOMPARE(r.path, QStringLiteral("/3/search/movie"));
        QCOMPARE(r.query.queryItemValue("query", QUrl::FullyDecoded),
                 QStringLiteral("どこでもない港"));
        QCOMPARE(r.query.queryItemValue("language"), QStringLiteral("ja-JP"));
        QCOMPARE(r.query.queryItemValue("year"), QStringLiteral("1998"));
        QCOMPARE(r.query.queryItemValue("api_key"), kKey);
        QVERIFY(!r.headers.contains("authorization"));
        QVERIFY(r.headers.value("user-agent").contains("reelnote/"));
        QVERIFY(r.headers.value("user-agent").contains("https://"));

        QCOMPARE(a.candidates.size(), 2);
        const Candidate& c = a.candidates[0];
        QCOMPARE(c.source, QStringLiteral("tmdb"));
        QCOMPARE(c.id, QStringLiteral("4242"));
        QCOMPARE(c.title, QStringLiteral("どこでもない港"));
        QCOMPARE(c.originalTitle, QStringLiteral("Hamnen ingenstans"));
        QCOMPARE(c.year, 1998);
        QCOMPARE(c.posterUrl, server.url(QStringLiteral("/t/p/w92/harbour.jpg")).toString());
        // Not released yet, no poster: nothing made up.
        QCOMPARE(a.candidates[1].year, 0);
        QVERIFY(a.candidates[1].posterUrl.isEmpty());
    }

    void theServicesAreWhereTheVariablesSay() {
        const QByteArray saved = qgetenv("REELNOTE_TMDB_API");
        qunsetenv("REELNOTE_TMDB_API");
        qputenv("REELNOTE_WIKIDATA_API", "  ");
        const LookupAddresses a = LookupAddresses::fromEnvironment();
        QCOMPARE(a.tmdbApi, QUrl("https://api.themoviedb.org/3"));
        QCOMPARE(a.wikidataApi, QUrl("https://www.wikidata.org/w/api.php"));
        qputenv("REELNOTE_TMDB_API", "http://mirror.example/tmdb/3//");
        QCOMPARE(LookupAddresses::fromEnvironment().tmdbApi, QUrl("http://mirror.example/tmdb/3"));
        qputenv("REELNOTE_TMDB_API", saved);
        qputenv("REELNOTE_TMDB_KEY", " abc \n");
        QCOMPARE(tmdbKeyFromEnvironment(), QStringLiteral("abc"));
        qunsetenv("REELNOTE_TMDB_KEY");
    }

    // A v4 read access token goes in a header, never in the address.
    void aReadAccessTokenIsSentAsBearer() {
        FakeServer server;
        server.setHandler(
            [](const FakeRequest&) { return FakeResponse::json(bytesOf(searchPage())); });
        LookupNetwork net(quickOptions());
        const QString token = QStringLiteral("eyJhbGciOiJIUzI1NiJ9.") + QString(120, u'x') +
                              QStringLiteral(".sig_nature-part");
        QVERIFY(TmdbClient::isReadAccessToken(token));
        QVERIFY(!TmdbClient::isReadAccessToken(kKey));
        TmdbClient tmdb(net, addressesOf(server), token);
        Answer a;
        a.watch(tmdb);
        tmdb.search(QStringLiteral("港"), 0);
        QVERIFY(a.waitFor(1, 2000));
        const FakeRequest& r = server.requests()[0];
        QCOMPARE(r.headers.value("authorization"), "Bearer " + token.toUtf8());
        QVERIFY(!r.query.hasQueryItem("api_key"));
        QVERIFY(!r.query.hasQueryItem("year"));
        QCOMPARE(a.candidates.size(), 2);
    }

    void aFilmHasEveryFieldInBillingOrder() {
        FakeServer server;
        server.setHandler([](const FakeRequest&) { return FakeResponse::json(bytesOf(movie())); });
        LookupNetwork net(quickOptions());
        TmdbClient tmdb(net, addressesOf(server), kKey);
        Answer a;
        a.watch(tmdb);
        tmdb.fetchFilm(QStringLiteral("4242"));
        QVERIFY(a.waitFor(1, 2000));
        QVERIFY2(!a.error.failed(), qPrintable(a.error.message));

        const FakeRequest& r = server.requests()[0];
        QCOMPARE(r.path, QStringLiteral("/3/movie/4242"));
        QCOMPARE(r.query.queryItemValue("append_to_response", QUrl::FullyDecoded),
                 QStringLiteral("credits,external_ids"));
        QCOMPARE(r.query.queryItemValue("language"), QStringLiteral("ja-JP"));

        const Film& f = a.film;
        QCOMPARE(f.id, QStringLiteral("4242"));
        QCOMPARE(f.title, QStringLiteral("どこでもない港"));
        QCOMPARE(f.originalTitle, QStringLiteral("Hamnen ingenstans"));
        QCOMPARE(f.releaseDate, (ReleaseDate{1998, 3, 7}));
        QCOMPARE(f.directors, (QStringList{"Dag Holm", "Fia Dal"}));
        QCOMPARE(f.cast, (QVector<CastMember>{{"Ana Lind", "Lighthouse keeper"},
                                              {"Bo Ek", "Harbour master"},
                                              {"Cai Berg", ""}}));
        QCOMPARE(f.countries, (QStringList{"Sweden", "United States of America"}));
        QCOMPARE(f.genres, (QStringList{"ドラマ", "ロマンス"}));
        QCOMPARE(f.overview, QStringLiteral("港町の灯台守が、\n消えた船を探す。"));
        QCOMPARE(f.posterUrl, server.url(QStringLiteral("/t/p/w500/harbour.jpg")).toString());
        QCOMPARE(f.wikidataId, QStringLiteral("Q98765432"));
        QCOMPARE(f.imdbId, QStringLiteral("tt7654321"));
    }

    void anImdbIdIsFoundThroughFind() {
        FakeServer server;
        server.setHandler([](const FakeRequest&) {
            return FakeResponse::json(bytesOf(QJsonObject{
                {"movie_results", QJsonArray{hit(4242, "どこでもない港", "Hamnen ingenstans",
                                                 "1998-03-07", "/harbour.jpg")}},
                {"person_results", QJsonArray{}},
                {"tv_results", QJsonArray{}}}));
        });
        LookupNetwork net(quickOptions());
        TmdbClient tmdb(net, addressesOf(server), kKey);
        Answer a;
        a.watch(tmdb);
        tmdb.findByImdb(QStringLiteral("tt7654321"));
        QVERIFY(a.waitFor(1, 2000));
        QCOMPARE(server.requests()[0].path, QStringLiteral("/3/find/tt7654321"));
        QCOMPARE(server.requests()[0].query.queryItemValue("external_source"),
                 QStringLiteral("imdb_id"));
        QCOMPARE(a.candidates.size(), 1);
        QCOMPARE(a.candidates[0].id, QStringLiteral("4242"));
    }

    // Asked nothing: no key, or an id that would change the address's meaning.
    void whatCannotBeAskedFailsWithoutARequest_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("argument");
        QTest::addColumn<int>("kind");
        QTest::newRow("no key") << QString() << "search"
                                << "港" << int(LookupError::Kind::BadKey);
        QTest::newRow("id with a path")
            << kKey << "film"
            << "550/../../account" << int(LookupError::Kind::BadRequest);
        QTest::newRow("not an imdb id") << kKey << "find"
                                        << "nm0000001" << int(LookupError::Kind::BadRequest);
    }
    void whatCannotBeAskedFailsWithoutARequest() {
        QFETCH(QString, key);
        QFETCH(QString, call);
        QFETCH(QString, argument);
        QFETCH(int, kind);
        FakeServer server;
        LookupNetwork net(quickOptions());
        TmdbClient tmdb(net, addressesOf(server), key);
        Answer a;
        a.watch(tmdb);
        if (call == QLatin1String("search")) tmdb.search(argument, 0);
        if (call == QLatin1String("film")) tmdb.fetchFilm(argument);
        if (call == QLatin1String("find")) tmdb.findByImdb(argument);
        QCOMPARE(a.answers, 0);  // never from inside the call
        QVERIFY(a.waitFor(1, 1000));
        QCOMPARE(int(a.error.kind), kind);
        QVERIFY(!a.error.message.isEmpty());
        QVERIFY(server.requests().isEmpty());
    }

    // Fields missing, null or of another type: a message, no film.
    void anUnexpectedShapeIsRefused_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("where");
        QJsonObject m = movie();
        m.remove("title");
        QTest::newRow("title missing") << bytesOf(m) << "title がありません";
        m = movie();
        m["title"] = QJsonValue();
        QTest::newRow("title null") << bytesOf(m) << "title が null です";
        m = movie();
        m["credits"] = QJsonObject{{"cast", "many"}, {"crew", QJsonArray{}}};
        QTest::newRow("cast a text") << bytesOf(m) << "credits.cast が配列ではありません";
        m = movie();
        m["credits"] =
            QJsonObject{{"cast", QJsonArray{QJsonObject{{"name", 5}}}}, {"crew", QJsonArray{}}};
        QTest::newRow("a name a number")
            << bytesOf(m) << "credits.cast[0].name が文字列ではありません";
        m = movie();
        m["release_date"] = "7 March 1998";
        QTest::newRow("a date of another form")
            << bytesOf(m) << "release_date が日付ではありません";
        m = movie();
        m.remove("credits");
        QTest::newRow("credits missing") << bytesOf(m) << "credits がありません";
        QTest::newRow("an array at the top") << QByteArray("[1,2]") << "オブジェクトではありません";
    }
    void anUnexpectedShapeIsRefused() {
        QFETCH(QByteArray, body);
        QFETCH(QString, where);
        FakeServer server;
        server.setHandler([body](const FakeRequest&) { return FakeResponse::json(body); });
        LookupNetwork net(quickOptions());
        TmdbClient tmdb(net, addressesOf(server), kKey);
        Answer a;
        a.watch(tmdb);
        tmdb.fetchFilm(QStringLiteral("4242"));
        QVERIFY(a.waitFor(1, 2000));
        QCOMPARE(a.error.kind, LookupError::Kind::BadShape);
        QVERIFY2(a.error.message.contains(where), qPrintable(a.error.message));
        QVERIFY(a.film.title.isEmpty());
    }

    // Null where TMDb documents null (no poster, no Wikidata id) is no fault.
    void documentedNullsAreEmpty() {
        QJsonObject m = movie();
        m["poster_path"] = QJsonValue();
        m["overview"] = QJsonValue();
        m["external_ids"] = QJsonObject{{"imdb_id", QJsonValue()}, {"wikidata_id", QJsonValue()}};
        m["imdb_id"] = QJsonValue();
        FakeServer server;
        server.setHandler([m](const FakeRequest&) { return FakeResponse::json(bytesOf(m)); });
        LookupNetwork net(quickOptions());
        TmdbClient tmdb(net, addressesOf(server), kKey);
        Answer a;
        a.watch(tmdb);
        tmdb.fetchFilm(QStringLiteral("4242"));
        QVERIFY(a.waitFor(1, 2000));
        QVERIFY2(!a.error.failed(), qPrintable(a.error.message));
        QVERIFY(a.film.posterUrl.isEmpty());
        QVERIFY(a.film.wikidataId.isEmpty());
        QVERIFY(a.film.overview.isEmpty());
    }
};

REELNOTE_TEST(TestTmdbClient)
#include "tst_tmdb.moc"
