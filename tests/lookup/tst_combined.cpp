#include "lookup/combined_source.h"
#include "lookup/film_mapping.h"
#include "lookup/source_choice.h"
#include "lookup_support.h"
#include "test_registry.h"

#include <QTest>

namespace {
const QString kKey = QStringLiteral("0123456789abcdef0123456789abcdef");

QJsonObject actor(const QString& name, const QString& character, int order) {
    return QJsonObject{{"adult", false},
                       {"gender", 0},
                       {"id", 300 + order},
                       {"known_for_department", "Acting"},
                       {"name", name},
                       {"original_name", name},
                       {"popularity", 2.0},
                       {"profile_path", QJsonValue()},
                       {"cast_id", order},
                       {"character", character},
                       {"credit_id", "c" + QString::number(order)},
                       {"order", order}};
}

// movie/{id} of a made-up TMDb in ja-JP: the director, two actors and the
// country only in their original spelling, one actor and one genre already
// in Japanese, one genre TMDb has not translated.
QJsonObject movie(const QJsonValue& wikidataId) {
    return QJsonObject{
        {"adult", false},
        {"genres", QJsonArray{QJsonObject{{"id", 12}, {"name", "Adventure"}},
                              QJsonObject{{"id", 18}, {"name", "ドラマ"}}}},
        {"id", 777},
        {"imdb_id", "tt0000777"},
        {"original_language", "en"},
        {"original_title", "The Far Lantern"},
        {"overview", "遠い灯を追う。"},
        {"poster_path", "/lantern.jpg"},
        {"production_countries",
         QJsonArray{QJsonObject{{"iso_3166_1", "US"}, {"name", "United States of America"}}}},
        {"release_date", "1985-06-01"},
        {"title", "遠い灯"},
        {"credits",
         QJsonObject{{"cast", QJsonArray{actor("Ana Lind", "Captain", 0),
                                         actor("山田 花子", "Pilot", 1), actor("Bo Ek", "", 2)}},
                     {"crew", QJsonArray{QJsonObject{{"id", 1},
                                                     {"name", "Steven Spielberg"},
                                                     {"department", "Directing"},
                                                     {"job", "Director"},
                                                     {"credit_id", "k"},
                                                     {"profile_path", QJsonValue()}}}}}},
        {"external_ids", QJsonObject{{"imdb_id", "tt0000777"}, {"wikidata_id", wikidataId}}}};
}

QJsonObject named(const QString& id, const QString& ja, const QString& en,
                  const QStringList& aliases = {}) {
    QJsonObject labels;
    if (!ja.isEmpty()) labels["ja"] = QJsonObject{{"language", "ja"}, {"value", ja}};
    if (!en.isEmpty()) labels["en"] = QJsonObject{{"language", "en"}, {"value", en}};
    QJsonArray en_aliases;
    for (const QString& a : aliases)
        en_aliases.append(QJsonObject{{"language", "en"}, {"value", a}});
    QJsonObject e{{"type", "item"}, {"id", id}, {"labels", labels}};
    if (!aliases.isEmpty()) e["aliases"] = QJsonObject{{"en", en_aliases}};
    return e;
}

QJsonArray claim(const QString& property, const QStringList& ids) {
    QJsonArray a;
    for (const QString& id : ids)
        a.append(QJsonObject{
            {"mainsnak",
             QJsonObject{
                 {"snaktype", "value"},
                 {"property", property},
                 {"datavalue", QJsonObject{{"value", QJsonObject{{"entity-type", "item"},
                                                                 {"numeric-id", id.mid(1).toInt()},
                                                                 {"id", id}}},
                                           {"type", "wikibase-entityid"}}},
                 {"datatype", "wikibase-item"}}},
            {"type", "statement"},
            {"rank", "normal"},
            {"id", id + "$1"}});
    return a;
}

// The film's item and what it names, in wbgetentities' shape. The Japanese
// actor's ja label differs from TMDb's spelling: TMDb's stays.
QHash<QString, QJsonObject> wikidataItems() {
    QJsonObject film = named("Q7700", "遠い灯", "The Far Lantern");
    film["claims"] = QJsonObject{{"P31", claim("P31", {"Q11424"})},
                                 {"P57", claim("P57", {"Q8877"})},
                                 {"P161", claim("P161", {"Q501", "Q502", "Q503"})},
                                 {"P495", claim("P495", {"Q30"})},
                                 {"P136", claim("P136", {"Q319221", "Q130232"})}};
    return {{"Q7700", film},
            {"Q8877", named("Q8877", "スティーヴン・スピルバーグ", "Steven Spielberg")},
            {"Q501", named("Q501", "アナ・リンド", "Ana Lind")},
            {"Q502", named("Q502", "山田花子", "Hanako Yamada")},
            {"Q503", named("Q503", QString(), "Bo Ek")},  // no Japanese label
            {"Q30",
             named("Q30", "アメリカ合衆国", "United States", {"USA", "United States of America"})},
            {"Q319221", named("Q319221", "冒険映画", "adventure film")},
            {"Q130232", named("Q130232", "ドラマ映画", "drama film")}};
}

FakeResponse wikidata(const FakeRequest& r) {
    const QHash<QString, QJsonObject> items = wikidataItems();
    const bool claims = r.query.queryItemValue("props", QUrl::FullyDecoded).contains("claims");
    QJsonObject entities;
    for (const QString& id : r.query.queryItemValue("ids", QUrl::FullyDecoded).split(u'|')) {
        QJsonObject e = items.value(id, QJsonObject{{"id", id}, {"missing", ""}});
        if (!claims) e.remove("claims");
        entities[id] = e;
    }
    return FakeResponse::json(bytesOf(QJsonObject{{"entities", entities}, {"success", 1}}));
}

// TMDb and Wikidata on one server; wikidataAnswer stands in for Wikidata's.
struct Services {
    FakeServer server;
    LookupNetwork net{quickOptions()};
    CombinedSource source{net, addressesOf(server), kKey};
    Answer a;

    explicit Services(QJsonValue wikidataId = QStringLiteral("Q7700"),
                      std::function<FakeResponse(const FakeRequest&)> wikidataAnswer = wikidata,
                      int tmdbStatus = 200) {
        server.setHandler([=](const FakeRequest& r) {
            if (r.path.startsWith(QLatin1String("/3/")))
                return tmdbStatus == 200 ? FakeResponse::json(bytesOf(movie(wikidataId)))
                                         : FakeResponse::json(R"({"success":false})", tmdbStatus);
            return wikidataAnswer(r);
        });
        a.watch(source);
    }
    QStringList paths() const {
        QStringList p;
        for (const FakeRequest& r : server.requests()) p.append(r.path);
        return p;
    }
};

const QStringList kTmdbDirectors{"Steven Spielberg"};
}  // namespace

class TestCombinedSource : public QObject {
    Q_OBJECT

private slots:
    void aKeyMeansTmdbWithWikidatasNames() {
        LookupNetwork net(quickOptions());
        const LookupAddresses at;
        for (const QString& wanted : {QString(), QStringLiteral("tmdb")}) {
            const auto s = makeFilmSource(net, at, kKey, wanted);
            QVERIFY(qobject_cast<CombinedSource*>(s.get()));
            QCOMPARE(s->sourceName(), QStringLiteral("tmdb"));
        }
        QVERIFY(qobject_cast<WikidataClient*>(makeFilmSource(net, at, kKey, "wikidata").get()));
        QVERIFY(qobject_cast<WikidataClient*>(makeFilmSource(net, at, QString()).get()));
    }

    void originalSpellingsTakeWikidatasJapaneseNames() {
        Services s;
        s.source.fetchFilm(QStringLiteral("777"));
        QVERIFY(s.a.waitFor(1, 3000));
        QVERIFY2(!s.a.error.failed(), qPrintable(s.a.error.message));
        const Film& f = s.a.film;
        QCOMPARE(f.title, QStringLiteral("遠い灯"));
        QCOMPARE(f.directors, QStringList{"スティーヴン・スピルバーグ"});
        QCOMPARE(f.cast, (QVector<CastMember>{{"アナ・リンド", "Captain"},
                                              {"山田 花子", "Pilot"},  // TMDb's Japanese kept
                                              {"Bo Ek", ""}}));        // no ja label
        QCOMPARE(f.countries, QStringList{"アメリカ合衆国"});          // through an English alias
        QCOMPARE(f.genres, (QStringList{"冒険映画", "ドラマ"}));
        QCOMPARE(f.posterUrl, s.server.url("/t/p/w500/lantern.jpg").toString());

        // The film's statements, then its items' labels and aliases: one request at a time.
        const QVector<FakeRequest>& r = s.server.requests();
        QCOMPARE(s.paths(), (QStringList{"/3/movie/777", "/w/api.php", "/w/api.php"}));
        QCOMPARE(r[1].query.queryItemValue("ids"), QStringLiteral("Q7700"));
        QCOMPARE(r[2].query.queryItemValue("props", QUrl::FullyDecoded),
                 QStringLiteral("labels|aliases"));
        QCOMPARE(r[2].query.queryItemValue("languages", QUrl::FullyDecoded),
                 QStringLiteral("ja|en"));

        // The pick lists' spellings still win.
        const FilmProposal p = proposeFields(f, PickLists{{"日本", "アメリカ"}, {"冒険"}});
        QCOMPARE(p.Kuni, QStringLiteral("アメリカ"));
        QCOMPARE(p.Janru, QStringLiteral("冒険"));
        QCOMPARE(p.Kantoku, QStringLiteral("スティーヴン・スピルバーグ"));
        QCOMPARE(p.Syuen, QStringLiteral("アナ・リンド"));
    }

    void whereWikidataCannotHelpTmdbsFilmComesAsItIs_data() {
        QTest::addColumn<QJsonValue>("wikidataId");
        QTest::addColumn<int>("wikidataStatus");
        QTest::addColumn<QByteArray>("wikidataBody");
        QTest::addColumn<int>("requests");
        const QByteArray none;
        QTest::newRow("no wikidata_id") << QJsonValue() << 200 << none << 1;
        QTest::newRow("not an item id") << QJsonValue("garbage") << 200 << none << 1;
        QTest::newRow("500") << QJsonValue("Q7700") << 500 << QByteArray("{}") << 2;
        QTest::newRow("garbage JSON") << QJsonValue("Q7700") << 200 << QByteArray("{\"ent") << 2;
        QTest::newRow("captive portal")
            << QJsonValue("Q7700") << 200 << QByteArray("<html>login</html>") << 2;
        QTest::newRow("no such item") << QJsonValue("Q999") << 200 << none << 2;
        QTest::newRow("API error")
            << QJsonValue("Q7700") << 200
            << QByteArray(R"({"error":{"code":"maxlag","info":"busy"}})") << 2;
        QTest::newRow("claims of another shape")
            << QJsonValue("Q7700") << 200
            << QByteArray(R"({"entities":{"Q7700":{"id":"Q7700","claims":{"P57":"x"}}}})") << 2;
    }
    void whereWikidataCannotHelpTmdbsFilmComesAsItIs() {
        QFETCH(QJsonValue, wikidataId);
        QFETCH(int, wikidataStatus);
        QFETCH(QByteArray, wikidataBody);
        QFETCH(int, requests);
        const auto answer = [=](const FakeRequest& r) {
            if (wikidataBody.isEmpty()) return wikidata(r);
            FakeResponse f = FakeResponse::json(wikidataBody, wikidataStatus);
            if (wikidataBody.startsWith('<')) f.contentType = "text/html";
            return f;
        };
        Services s(wikidataId, answer);
        s.source.fetchFilm(QStringLiteral("777"));
        QVERIFY(s.a.waitFor(1, 3000));
        QVERIFY2(!s.a.error.failed(), qPrintable(s.a.error.message));
        QCOMPARE(s.a.film.directors, kTmdbDirectors);
        QCOMPARE(s.a.film.countries, QStringList{"United States of America"});
        QCOMPARE(s.a.film.cast.value(0).name, QStringLiteral("Ana Lind"));
        QCOMPARE(s.server.requests().size(), requests);
    }

    // Wikidata only adds to TMDb: TMDb's own failure is still the lookup's.
    void aBadTmdbAnswerStillFails() {
        Services s(QStringLiteral("Q7700"), wikidata, 500);
        s.source.fetchFilm(QStringLiteral("777"));
        QVERIFY(s.a.waitFor(1, 3000));
        QCOMPARE(s.a.error.kind, LookupError::Kind::Server);
        QCOMPARE(s.paths(), QStringList{"/3/movie/777"});
    }

    // While Wikidata is asked, cancel() and a new call end it without a word.
    void cancelAndANewCallStopTheWikidataPart() {
        const auto silent = [](const FakeRequest&) {
            FakeResponse r;
            r.mode = FakeResponse::Mode::Silent;
            return r;
        };
        for (const bool newCall : {false, true}) {
            Services s(QStringLiteral("Q7700"), silent);
            s.source.fetchFilm(QStringLiteral("777"));
            QVERIFY(waitUntil([&] { return s.server.requests().size() == 2; }, 3000));
            QVERIFY(s.source.busy());
            if (newCall) {
                s.source.fetchFilm(QStringLiteral("abc"));  // refused before anything is asked
                QVERIFY(s.a.waitFor(1, 1000));
                QCOMPARE(s.a.error.kind, LookupError::Kind::BadRequest);
            } else {
                s.source.cancel();
                QVERIFY(!s.source.busy());
            }
            // Past Wikidata's timeout, no late film comes.
            QTest::qWait(quickOptions().idleTimeoutMs + 200);
            QCOMPARE(s.a.answers, newCall ? 1 : 0);
        }
    }
};

REELNOTE_TEST(TestCombinedSource)
#include "tst_combined.moc"
