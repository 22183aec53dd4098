#include "lookup/wikidata_client.h"
#include "lookup_support.h"
#include "test_registry.h"

#include <QTest>

Q_DECLARE_METATYPE(ReleaseDate)

namespace {
// Items and searches of a small made-up Wikidata, answered in the shapes of
// wbsearchentities and wbgetentities (format=json).
struct FakeWikidata {
    QHash<QString, QJsonObject> items;
    QHash<QString, QStringList> searches;  // "ja:text" -> ids found

    FakeResponse operator()(const FakeRequest& r) const {
        const QString action = r.query.queryItemValue("action");
        if (action == QLatin1String("wbsearchentities")) {
            QJsonArray hits;
            const QString key = r.query.queryItemValue("language") + u':' +
                                r.query.queryItemValue("search", QUrl::FullyDecoded);
            for (const QString& id : searches.value(key))
                hits.append(QJsonObject{{"id", id}, {"title", id}, {"pageid", 1}, {"label", id}});
            return FakeResponse::json(bytesOf(QJsonObject{
                {"searchinfo", QJsonObject{{"search", key}}}, {"search", hits}, {"success", 1}}));
        }
        const QStringList props = r.query.queryItemValue("props", QUrl::FullyDecoded).split(u'|');
        QJsonObject entities;
        for (const QString& id : r.query.queryItemValue("ids", QUrl::FullyDecoded).split(u'|')) {
            if (!items.contains(id)) {
                entities[id] = QJsonObject{{"id", id}, {"missing", ""}};
                continue;
            }
            QJsonObject e = items[id];
            if (!props.contains(QStringLiteral("claims"))) e.remove("claims");
            entities[id] = e;
        }
        return FakeResponse::json(bytesOf(QJsonObject{{"entities", entities}, {"success", 1}}));
    }
};

QJsonObject labels(const QString& ja, const QString& en = {}) {
    QJsonObject l;
    if (!ja.isEmpty()) l["ja"] = QJsonObject{{"language", "ja"}, {"value", ja}};
    if (!en.isEmpty()) l["en"] = QJsonObject{{"language", "en"}, {"value", en}};
    return l;
}

QJsonObject itemSnak(const QString& property, const QString& id) {
    return QJsonObject{
        {"snaktype", "value"},
        {"property", property},
        {"datavalue", QJsonObject{{"value", QJsonObject{{"entity-type", "item"},
                                                        {"numeric-id", id.mid(1).toInt()},
                                                        {"id", id}}},
                                  {"type", "wikibase-entityid"}}},
        {"datatype", "wikibase-item"}};
}

QJsonObject timeSnak(const QString& time, int precision) {
    return QJsonObject{
        {"snaktype", "value"},
        {"property", "P577"},
        {"datavalue",
         QJsonObject{
             {"value", QJsonObject{{"time", time},
                                   {"timezone", 0},
                                   {"before", 0},
                                   {"after", 0},
                                   {"precision", precision},
                                   {"calendarmodel", "http://www.wikidata.org/entity/Q1985727"}}},
             {"type", "time"}}},
        {"datatype", "time"}};
}

QJsonObject stringSnak(const QString& property, const QString& value) {
    return QJsonObject{{"snaktype", "value"},
                       {"property", property},
                       {"datavalue", QJsonObject{{"value", value}, {"type", "string"}}},
                       {"datatype", "external-id"}};
}

QJsonObject statement(const QJsonObject& snak, const QString& rank = "normal",
                      const QJsonObject& qualifiers = {}) {
    QJsonObject s{{"mainsnak", snak}, {"type", "statement"}, {"rank", rank}, {"id", "x$1"}};
    if (!qualifiers.isEmpty()) s["qualifiers"] = qualifiers;
    return s;
}

QJsonArray items(const QString& property, const QStringList& ids) {
    QJsonArray a;
    for (const QString& id : ids) a.append(statement(itemSnak(property, id)));
    return a;
}

QJsonObject item(const QString& id, const QJsonObject& labels, const QJsonObject& claims = {}) {
    return QJsonObject{{"type", "item"}, {"id", id}, {"labels", labels}, {"claims", claims}};
}

// A film with a director, three actors (one with a named role, one with a role
// item, one struck out as deprecated), two countries, a genre and dates.
FakeWikidata filmWorld() {
    FakeWikidata w;
    QJsonArray cast;
    cast.append(statement(itemSnak("P161", "Q201"), "normal",
                          QJsonObject{{"P4633", QJsonArray{stringSnak("P4633", "灯台守")}}}));
    cast.append(statement(itemSnak("P161", "Q202"), "deprecated"));
    cast.append(statement(itemSnak("P161", "Q203"), "normal",
                          QJsonObject{{"P453", QJsonArray{itemSnak("P453", "Q301")}}}));
    cast.append(statement(itemSnak("P161", "Q204")));
    w.items["Q100"] =
        item("Q100", labels("どこでもない港", "The Harbour of Nowhere"),
             QJsonObject{
                 {"P31", items("P31", {"Q11424"})},
                 {"P57", items("P57", {"Q200"})},
                 {"P161", cast},
                 {"P577", QJsonArray{statement(timeSnak("+1999-05-01T00:00:00Z", 11)),
                                     statement(timeSnak("+1998-03-07T00:00:00Z", 11))}},
                 {"P495", items("P495", {"Q34", "Q30"})},
                 {"P136", items("P136", {"Q130232"})},
                 {"P345", QJsonArray{statement(stringSnak("P345", "tt7654321"))}},
                 {"P1476",
                  QJsonArray{statement(QJsonObject{
                      {"snaktype", "value"},
                      {"property", "P1476"},
                      {"datavalue", QJsonObject{{"value", QJsonObject{{"text", "Hamnen ingenstans"},
                                                                      {"language", "sv"}}},
                                                {"type", "monolingualtext"}}}})}}});
    w.items["Q200"] = item("Q200", labels("ダグ・ホルム", "Dag Holm"));
    w.items["Q201"] = item("Q201", labels("アナ・リンド", "Ana Lind"));
    w.items["Q202"] = item("Q202", labels("誤った俳優"));
    w.items["Q203"] = item("Q203", labels(QString(), "Bo Ek"));  // no Japanese label
    w.items["Q204"] = item("Q204", labels("カイ・ベリ"));
    w.items["Q301"] = item("Q301", labels("港長"));
    w.items["Q34"] = item("Q34", labels("スウェーデン", "Sweden"));
    w.items["Q30"] = item("Q30", labels("アメリカ合衆国", "United States of America"));
    w.items["Q130232"] = item("Q130232", labels("ドラマ映画", "drama film"));
    // Found by the same search: a novel of the same name, and a later remake.
    w.items["Q101"] =
        item("Q101", labels("どこでもない港"), QJsonObject{{"P31", items("P31", {"Q7725634"})}});
    w.items["Q102"] =
        item("Q102", labels("どこでもない港 (2019年の映画)"),
             QJsonObject{{"P31", items("P31", {"Q24869"})},
                         {"P57", items("P57", {"Q203"})},
                         {"P577", QJsonArray{statement(timeSnak("+2019-00-00T00:00:00Z", 9))}}});
    w.searches["ja:どこでもない港"] = {"Q101", "Q100", "Q102"};
    w.searches["en:Harbour of Nowhere"] = {"Q100"};
    return w;
}

struct Setup {
    FakeServer server;
    LookupNetwork net{quickOptions()};
    WikidataClient wikidata{net, addressesOf(server)};
    Answer a;
    explicit Setup(const FakeWikidata& w) {
        server.setHandler(w);
        a.watch(wikidata);
    }
};
}  // namespace

class TestWikidataClient : public QObject {
    Q_OBJECT

private slots:
    void aSearchOffersFilmsWithTheirDirectors() {
        Setup s(filmWorld());
        s.wikidata.search(QStringLiteral("どこでもない港"), 0);
        QVERIFY(s.a.waitFor(1, 2000));
        QVERIFY2(!s.a.error.failed(), qPrintable(s.a.error.message));
        QCOMPARE(s.a.candidates.size(), 2);  // the novel is no film
        const Candidate& c = s.a.candidates[0];
        QCOMPARE(c.source, QStringLiteral("wikidata"));
        QCOMPARE(c.id, QStringLiteral("Q100"));
        QCOMPARE(c.title, QStringLiteral("どこでもない港"));
        QCOMPARE(c.originalTitle, QStringLiteral("Hamnen ingenstans"));
        QCOMPARE(c.year, 1998);  // the first release
        QCOMPARE(c.director, QStringLiteral("ダグ・ホルム"));
        QCOMPARE(s.a.candidates[1].id, QStringLiteral("Q102"));
        QCOMPARE(s.a.candidates[1].director, QStringLiteral("Bo Ek"));  // English where no Japanese
        QCOMPARE(s.a.candidates[1].originalTitle, QString());

        const QVector<FakeRequest>& r = s.server.requests();
        QCOMPARE(r.size(), 3);  // search, the candidates, their directors' labels
        QCOMPARE(r[0].path, QStringLiteral("/w/api.php"));
        QCOMPARE(r[0].query.queryItemValue("language"), QStringLiteral("ja"));
        QCOMPARE(r[0].query.queryItemValue("type"), QStringLiteral("item"));
        QVERIFY(r[0].headers.value("user-agent").contains("reelnote/"));
        QCOMPARE(r[2].query.queryItemValue("props"), QStringLiteral("labels"));
    }

    void aYearKeepsFilmsAtMostOneYearApart() {
        Setup s(filmWorld());
        s.wikidata.search(QStringLiteral("どこでもない港"), 2020);
        QVERIFY(s.a.waitFor(1, 2000));
        QCOMPARE(s.a.candidates.size(), 1);
        QCOMPARE(s.a.candidates[0].id, QStringLiteral("Q102"));
        QCOMPARE(s.a.candidates[0].year, 2019);
    }

    void aTitleJapaneseDoesNotFindIsSearchedInEnglish() {
        Setup s(filmWorld());
        s.wikidata.search(QStringLiteral("Harbour of Nowhere"), 0);
        QVERIFY(s.a.waitFor(1, 2000));
        QCOMPARE(s.a.candidates.size(), 1);
        QCOMPARE(s.a.candidates[0].id, QStringLiteral("Q100"));
        QCOMPARE(s.server.requests()[1].query.queryItemValue("language"), QStringLiteral("en"));
        // And nothing at all in either language is an empty list, no error.
        s.wikidata.search(QStringLiteral("存在しない"), 0);
        QVERIFY(s.a.waitFor(2, 2000));
        QVERIFY(!s.a.error.failed());
        QVERIFY(s.a.candidates.isEmpty());
    }

    void aFilmHasItsPeopleCountriesAndGenresInJapanese() {
        Setup s(filmWorld());
        s.wikidata.fetchFilm(QStringLiteral("Q100"));
        QVERIFY(s.a.waitFor(1, 2000));
        QVERIFY2(!s.a.error.failed(), qPrintable(s.a.error.message));
        const Film& f = s.a.film;
        QCOMPARE(f.title, QStringLiteral("どこでもない港"));
        QCOMPARE(f.originalTitle, QStringLiteral("Hamnen ingenstans"));
        QCOMPARE(f.releaseDate, (ReleaseDate{1998, 3, 7}));
        QCOMPARE(f.directors, QStringList{"ダグ・ホルム"});
        QCOMPARE(f.cast, (QVector<CastMember>{
                             {"アナ・リンド", "灯台守"}, {"Bo Ek", "港長"}, {"カイ・ベリ", ""}}));
        QCOMPARE(f.countries, (QStringList{"スウェーデン", "アメリカ合衆国"}));
        QCOMPARE(f.genres, QStringList{"ドラマ映画"});
        QCOMPARE(f.imdbId, QStringLiteral("tt7654321"));
        QCOMPARE(f.wikidataId, QStringLiteral("Q100"));
        QCOMPARE(s.server.requests().size(), 2);  // the film, then every label at once
    }

    void aDateKeepsItsPrecision_data() {
        QTest::addColumn<QString>("time");
        QTest::addColumn<int>("precision");
        QTest::addColumn<ReleaseDate>("date");
        QTest::newRow("year") << "+1953-00-00T00:00:00Z" << 9 << ReleaseDate{1953, 0, 0};
        QTest::newRow("year, month and day given")
            << "+1953-01-01T00:00:00Z" << 9 << ReleaseDate{1953, 0, 0};
        QTest::newRow("month") << "+1953-08-00T00:00:00Z" << 10 << ReleaseDate{1953, 8, 0};
        QTest::newRow("day") << "+1953-08-27T00:00:00Z" << 11 << ReleaseDate{1953, 8, 27};
        QTest::newRow("decade") << "+1950-00-00T00:00:00Z" << 8 << ReleaseDate{};
    }
    void aDateKeepsItsPrecision() {
        QFETCH(QString, time);
        QFETCH(int, precision);
        QFETCH(ReleaseDate, date);
        FakeWikidata w;
        w.items["Q5"] =
            item("Q5", labels("日付の映画"),
                 QJsonObject{{"P577", QJsonArray{statement(timeSnak(time, precision))}}});
        Setup s(w);
        s.wikidata.fetchFilm(QStringLiteral("Q5"));
        QVERIFY(s.a.waitFor(1, 2000));
        QVERIFY2(!s.a.error.failed(), qPrintable(s.a.error.message));
        QCOMPARE(s.a.film.releaseDate, date);
    }

    void labelsAreAskedFiftyAtATime() {
        FakeWikidata w;
        QStringList actors;
        for (int i = 0; i < 60; ++i) {
            const QString id = QStringLiteral("Q%1").arg(1000 + i);
            actors.append(id);
            w.items[id] = item(id, labels(QStringLiteral("俳優%1").arg(i)));
        }
        w.items["Q6"] =
            item("Q6", labels("大勢の映画"), QJsonObject{{"P161", items("P161", actors)}});
        Setup s(w);
        s.wikidata.fetchFilm(QStringLiteral("Q6"));
        QVERIFY(s.a.waitFor(1, 2000));
        QCOMPARE(s.a.film.cast.size(), 60);
        QCOMPARE(s.a.film.cast[59].name, QStringLiteral("俳優59"));
        const QVector<FakeRequest>& r = s.server.requests();
        QCOMPARE(r.size(), 3);
        QCOMPARE(r[1].query.queryItemValue("ids", QUrl::FullyDecoded).split(u'|').size(), 50);
        QCOMPARE(r[2].query.queryItemValue("ids", QUrl::FullyDecoded).split(u'|').size(), 10);
    }

    void whatWikidataDoesNotHoldOrCannotBeReadFails_data() {
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("says");
        QTest::newRow("missing item")
            << "Q404" << int(LookupError::Kind::NotFound) << "見つかりません";
        QTest::newRow("claims a text") << "Q7" << int(LookupError::Kind::BadShape) << "claims が";
        QTest::newRow("a director without a value")
            << "Q8" << int(LookupError::Kind::BadShape) << "datavalue がありません";
        QTest::newRow("not an id")
            << "Q1|Q2" << int(LookupError::Kind::BadRequest) << "WikidataのID";
    }
    void whatWikidataDoesNotHoldOrCannotBeReadFails() {
        QFETCH(QString, id);
        QFETCH(int, kind);
        QFETCH(QString, says);
        FakeWikidata w;
        w.items["Q7"] = QJsonObject{{"id", "Q7"}, {"labels", labels("壊れた")}, {"claims", "none"}};
        QJsonObject broken = itemSnak("P57", "Q200");
        broken.remove("datavalue");
        w.items["Q8"] =
            item("Q8", labels("壊れた"), QJsonObject{{"P57", QJsonArray{statement(broken)}}});
        Setup s(w);
        s.wikidata.fetchFilm(id);
        QVERIFY(s.a.waitFor(1, 2000));
        QCOMPARE(int(s.a.error.kind), kind);
        QVERIFY2(s.a.error.message.contains(says), qPrintable(s.a.error.message));
    }

    void anApiErrorIsAMessage() {
        FakeServer server;
        server.setHandler([](const FakeRequest&) {
            return FakeResponse::json(
                bytesOf(QJsonObject{{"error", QJsonObject{{"code", "no-such-entity"},
                                                          {"info", "Could not find an entity"}}}}));
        });
        LookupNetwork net(quickOptions());
        WikidataClient wikidata(net, addressesOf(server));
        Answer a;
        a.watch(wikidata);
        wikidata.fetchFilm(QStringLiteral("Q9"));
        QVERIFY(a.waitFor(1, 2000));
        QCOMPARE(a.error.kind, LookupError::Kind::NotFound);
    }
};

REELNOTE_TEST(TestWikidataClient)
#include "tst_wikidata.moc"
