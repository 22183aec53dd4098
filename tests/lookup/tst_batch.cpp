#include "lookup/batch_lookup.h"
#include "lookup/fill_plan.h"
#include "lookup/tmdb_client.h"
#include "lookup_support.h"
#include "store/catalogue.h"
#include "store/changes.h"
#include "test_files.h"
#include "test_registry.h"
#include "tmdb_documents.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>

using namespace TestFiles;
namespace Tmdb = TmdbDocuments;

namespace {
const QString kKey = QStringLiteral("0123456789abcdef0123456789abcdef");

QString titleNo(int i) { return QStringLiteral("映画%1").arg(i, 3, 10, QLatin1Char('0')); }

// "title|original|year" each.
QVector<Candidate> candidates(const QStringList& specs) {
    QVector<Candidate> out;
    for (const QString& s : specs) {
        const QStringList p = s.split(u'|');
        Candidate c;
        c.source = QStringLiteral("tmdb");
        c.id = QString::number(out.size() + 1);
        c.title = p[0];
        c.originalTitle = p[1];
        c.year = p[2].toInt();
        out.append(c);
    }
    return out;
}

// A TMDb where every title 映画NNN is found once, as film 1000 + NNN of 2000.
FakeResponse oneFilmEach(const FakeRequest& r) {
    if (r.path == QLatin1String("/3/search/movie")) {
        const QString q = r.query.queryItemValue("query", QUrl::FullyDecoded);
        const int i = q.mid(2).toInt();
        return FakeResponse::json(
            bytesOf(Tmdb::page(QJsonArray{Tmdb::hit(1000 + i, q, {}, "2000-05-01")})));
    }
    const int id = r.path.section(u'/', -1).toInt();
    if (r.path.startsWith(QLatin1String("/3/movie/")) && id >= 1000) {
        Tmdb::Movie m;
        m.id = id;
        m.title = titleNo(id - 1000);
        m.date = QStringLiteral("2000-05-01");
        m.director = QStringLiteral("監督%1").arg(id - 1000);
        return FakeResponse::json(bytesOf(Tmdb::movie(m)));
    }
    return FakeResponse::json("{}", 404);
}

QVector<BatchQuery> queriesOf(int count) {
    QVector<BatchQuery> q;
    for (int i = 0; i < count; ++i) q.append({titleNo(i), 2000, false, {}});
    return q;
}

// A batch at the fake server and everything it signalled.
struct Run {
    LookupNetwork network{quickOptions()};
    TmdbClient source;
    BatchLookup batch{source, nullptr};
    QVector<int> indices;
    QVector<BatchAnswer> answers;
    QVector<int> waits;
    int finishedCount = 0;
    bool cancelled = false;
    LookupError stopped;

    explicit Run(const LookupAddresses& at) : source(network, at, kKey) {
        batch.rateLimitPauseMs = 50;
        QObject::connect(&batch, &BatchLookup::answered, &batch,
                         [this](int i, const BatchAnswer& a) {
                             indices.append(i);
                             answers.append(a);
                         });
        QObject::connect(&batch, &BatchLookup::waiting, &batch,
                         [this](int ms) { waits.append(ms); });
        QObject::connect(&batch, &BatchLookup::finished, &batch,
                         [this](bool c, const LookupError& e) {
                             ++finishedCount;
                             cancelled = c;
                             stopped = e;
                         });
    }
    bool runs(int count, int ms) {
        batch.start(queriesOf(count));
        return waitUntil([&] { return finishedCount > 0; }, ms);
    }
};

QVector<int> upTo(int n) {
    QVector<int> v;
    for (int i = 0; i < n; ++i) v.append(i);
    return v;
}

QByteArray jpegOf(Qt::GlobalColor colour) {
    QImage img(8, 12, QImage::Format_RGB32);
    img.fill(colour);
    QBuffer b;
    b.open(QIODevice::WriteOnly);
    img.save(&b, "JPG");
    return b.data();
}

QMap<QString, QByteArray> filesOf(const QString& dir) {
    QMap<QString, QByteArray> files;
    for (const QString& name : QDir(dir).entryList(QDir::Files)) files[name] = readBytes(dir, name);
    return files;
}
}  // namespace

class TestBatch : public QObject {
    Q_OBJECT
private slots:
    void sureCandidateIsTheOneWithTheNameAndTheYear_data() {
        QTest::addColumn<QStringList>("found");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("sure");
        QTest::newRow("same title")
            << QStringList{"七人の侍|Seven|1954"} << "七人の侍" << 1954 << 0;
        QTest::newRow("same original title")
            << QStringList{"別の題|The Quiet Pier|1999"} << "The Quiet Pier" << 1999 << 0;
        QTest::newRow("full width and case")
            << QStringList{"ＡＫＩＲＡ||1988"} << "Akira" << 1988 << 0;
        QTest::newRow("only like the name")
            << QStringList{"七人の侍 完全版||1954"} << "七人の侍" << 1954 << -1;
        QTest::newRow("a year apart") << QStringList{"港||1955"} << "港" << 1954 << 0;
        QTest::newRow("two years apart") << QStringList{"港||1956"} << "港" << 1954 << -1;
        QTest::newRow("card without year") << QStringList{"港||1990"} << "港" << 0 << 0;
        QTest::newRow("candidate without year") << QStringList{"港||0"} << "港" << 1954 << -1;
        QTest::newRow("two of the name")
            << QStringList{"港||1954", "港||1955"} << "港" << 1954 << -1;
        QTest::newRow("two of the name, one far off")
            << QStringList{"港||1980", "港||1954"} << "港" << 1954 << 1;
        QTest::newRow("nothing found") << QStringList{} << "港" << 1954 << -1;
    }
    void sureCandidateIsTheOneWithTheNameAndTheYear() {
        QFETCH(QStringList, found);
        QFETCH(QString, name);
        QFETCH(int, year);
        QFETCH(int, sure);
        QCOMPARE(sureCandidate(candidates(found), name, year), sure);
    }

    // A 429 slows the batch down: the source waits as told, then the batch
    // pauses and asks the same title again; every title is answered, in order.
    void aRateLimitInTheMiddleSlowsTheBatchWithoutFailingIt() {
        FakeServer server;
        const QString throttled = titleNo(100);
        int refusals = 0;
        server.setHandler([&](const FakeRequest& r) {
            if (r.query.queryItemValue("query", QUrl::FullyDecoded) == throttled &&
                refusals < quickOptions().maxRetries + 1) {
                ++refusals;
                FakeResponse busy = FakeResponse::json(R"({"status_code":25})", 429);
                busy.headers.append({QByteArray("Retry-After"), QByteArray("1")});
                return busy;
            }
            return oneFilmEach(r);
        });
        Run run(addressesOf(server));
        QVERIFY(run.runs(200, 60000));
        QCOMPARE(run.finishedCount, 1);
        QVERIFY(!run.cancelled);
        QVERIFY(!run.stopped.failed());
        QCOMPARE(run.indices, upTo(200));
        for (int i = 0; i < 200; ++i) {
            QCOMPARE(run.answers[i].kind, BatchAnswer::Kind::Found);
            QCOMPARE(run.answers[i].film.id, QString::number(1000 + i));
        }
        // The source's own waits (Retry-After), then the batch's pause.
        QVERIFY2(run.waits.contains(quickOptions().retryAfterUnitMs) && run.waits.contains(50),
                 qPrintable(QString::number(run.waits.size())));
        int asked = 0;
        for (const FakeRequest& r : server.requests())
            if (r.query.queryItemValue("query", QUrl::FullyDecoded) == throttled) ++asked;
        QCOMPARE(asked, refusals + 1);
    }

    // A server that drips its answer past the total timeout fails that title
    // alone; the next titles are looked up as usual.
    void aDrippingServerFailsOneTitleAndTheBatchGoesOn() {
        FakeServer server;
        server.setHandler([&](const FakeRequest& r) {
            if (r.query.queryItemValue("query", QUrl::FullyDecoded) != titleNo(1))
                return oneFilmEach(r);
            FakeResponse slow = FakeResponse::json(
                bytesOf(Tmdb::page(QJsonArray{Tmdb::hit(1001, titleNo(1), {}, "2000-05-01")})));
            slow.mode = FakeResponse::Mode::Drip;
            slow.dripEveryMs = 50;  // never idle long, but far beyond the total timeout
            return slow;
        });
        Run run(addressesOf(server));
        QVERIFY(run.runs(3, 10000));
        QCOMPARE(run.indices, upTo(3));
        QCOMPARE(run.answers[0].kind, BatchAnswer::Kind::Found);
        QCOMPARE(run.answers[1].kind, BatchAnswer::Kind::Failed);
        QCOMPARE(run.answers[1].error.kind, LookupError::Kind::Timeout);
        QCOMPARE(run.answers[1].error.message,
                 LookupError::timeout((quickOptions().totalTimeoutMs + 999) / 1000).message);
        QCOMPARE(run.answers[2].kind, BatchAnswer::Kind::Found);
        QVERIFY(!run.stopped.failed());
    }

    // A search with the card's year that finds nothing is asked again without
    // it: a film the service dates a year off is still found, and the year rule
    // still decides.
    void aTitleNotFoundInItsYearIsAskedWithoutIt() {
        FakeServer server;
        server.setHandler([&](const FakeRequest& r) {
            if (r.path == QLatin1String("/3/search/movie") && r.query.hasQueryItem("year"))
                return FakeResponse::json(bytesOf(Tmdb::page(QJsonArray{})));
            return oneFilmEach(r);  // dated 2000
        });
        Run run(addressesOf(server));
        run.batch.start({{titleNo(1), 2001, false, {}}, {titleNo(2), 2003, false, {}}});
        QVERIFY(waitUntil([&] { return run.finishedCount > 0; }, 5000));
        QCOMPARE(run.answers.size(), 2);
        QCOMPARE(run.answers[0].kind, BatchAnswer::Kind::Found);
        QCOMPARE(run.answers[1].kind, BatchAnswer::Kind::Uncertain);  // three years off
        int searches = 0;
        for (const FakeRequest& r : server.requests())
            searches += r.path == QLatin1String("/3/search/movie");
        QCOMPARE(searches, 4);
    }

    // A wrong key or a service nobody answers for would fail every title:
    // the batch stops at the first with its message.
    void aFaultOfEveryTitleStopsTheBatch() {
        for (const bool refused : {false, true}) {
            FakeServer server;
            server.setHandler([](const FakeRequest&) {
                return FakeResponse::json(R"({"status_code":7,"success":false})", 401);
            });
            LookupAddresses at = addressesOf(server);
            if (refused) at.tmdbApi.setPort(closedPort());
            Run run(at);
            QVERIFY(run.runs(5, 5000));
            const LookupError expected =
                refused ? LookupError{LookupError::Kind::Unreachable, {}} : LookupError::badKey();
            QCOMPARE(run.indices, QVector<int>{0});
            QCOMPARE(run.answers[0].kind, BatchAnswer::Kind::Failed);
            QCOMPARE(run.stopped.kind, expected.kind);
            QVERIFY(!run.stopped.message.isEmpty());
            if (!refused) QCOMPARE(run.stopped.message, expected.message);
            QVERIFY(!run.cancelled);
            QCOMPARE(server.requests().size(), refused ? 0 : 1);
        }
    }

    // Cancelled while a title's request is under way: nothing more is answered
    // and no further request reaches the server.
    void aCancelledBatchAsksNothingMore() {
        FakeServer server;
        BatchLookup* batch = nullptr;
        int requestsAtCancel = -1;
        server.setHandler([&](const FakeRequest& r) {
            if (r.path == QLatin1String("/3/movie/1004")) {
                requestsAtCancel = int(server.requests().size());
                batch->cancel();
            }
            return oneFilmEach(r);
        });
        Run run(addressesOf(server));
        batch = &run.batch;
        QVERIFY(run.runs(10, 5000));
        QCOMPARE(run.finishedCount, 1);
        QVERIFY(run.cancelled);
        QCOMPARE(run.indices, upTo(4));
        QTest::qWait(300);
        QCOMPARE(run.indices, upTo(4));
        QCOMPARE(server.requests().size(), requestsAtCancel);
    }

    // The step writes only fields that are empty when it is made, free texts
    // and pictures the title lacks, and is taken back byte for byte.
    void aFillWritesOnlyWhatIsEmptyAndIsTakenBackWhole() {
        QTemporaryDir dir;
        const QString path = dir.path();
        writeCp932(path, kDataFile,
                   titleRecord("甲", "既存の監督") + titleRecord("乙") + titleRecord("丙") +
                       titleRecord("丁"));
        writeCp932(path, QStringLiteral("キャスト_甲.txt"), QStringLiteral("既存の俳優\r\n"));
        writeCp932(path, QStringLiteral("あらすじ_乙.txt"), QStringLiteral("  \r\n"));  // blank
        const QByteArray oldPicture = jpegOf(Qt::red), poster = jpegOf(Qt::blue);
        writeBytes(path, QStringLiteral("甲.jpg"), oldPicture);
        Catalogue cat(path);
        QCOMPARE(cat.LoadMainData(), QString());

        Film film;
        film.source = QStringLiteral("tmdb");
        film.id = QStringLiteral("1");
        film.releaseDate = {2001, 7, 20};
        film.directors = QStringList{QStringLiteral("新しい監督")};
        film.cast = {{QStringLiteral("俳優一"), QStringLiteral("役")},
                     {QStringLiteral("俳優二"), {}}};
        film.countries = QStringList{QStringLiteral("日本")};
        film.genres = QStringList{QStringLiteral("ドラマ")};
        film.overview = QStringLiteral("一行目\n二行目");
        const QVector<FillNeed> needs = titlesToFill(cat);
        QCOMPARE(needs.size(), 4);
        QVERIFY(!needs[0].Kantoku && !needs[0].Cast && !needs[0].Poster && needs[0].Arasuji);
        QVERIFY(needs[1].Arasuji);  // blanks are no text
        QVector<FillProposal> proposals;
        for (const FillNeed& need : needs)
            proposals.append(proposeFill(need, film, pickListsOf(cat), poster));

        // Between the lookup and the step, 丙 is renamed and 丁 deleted.
        Title renamed = cat.titles()[3];
        renamed.Daimei = QStringLiteral("丙二");
        QCOMPARE(cat.storeTitle(3, renamed), QString());
        QCOMPARE(cat.removeTitle(4), QString());
        const auto before = filesOf(path);

        QString problem;
        std::unique_ptr<Change> step = fillStep(cat, proposals, &problem);
        QVERIFY(step);
        QCOMPARE(step->apply(cat), QString());
        auto after = before;
        const QString cast = QStringLiteral("俳優一（役）\r\n俳優二\r\n");
        const QString synopsis = QStringLiteral("一行目\r\n二行目\r\n");
        after[kDataFile] =
            cp932(titleRecord("甲", "既存の監督", "俳優一", "2001/07/20", "日本", "ドラマ") +
                  titleRecord("乙", "新しい監督", "俳優一", "2001/07/20", "日本", "ドラマ") +
                  titleRecord("丙二"));
        after[QStringLiteral("あらすじ_甲.txt")] = cp932(synopsis);
        after[QStringLiteral("キャスト_乙.txt")] = cp932(cast);
        after[QStringLiteral("あらすじ_乙.txt")] = cp932(synopsis);
        after[QStringLiteral("乙.jpg")] = poster;
        QCOMPARE(filesOf(path), after);

        QCOMPARE(step->revert(cat), QString());
        QCOMPARE(filesOf(path), before);  // あらすじ_甲.txt and 乙.jpg gone again
        QCOMPARE(step->apply(cat), QString());
        QCOMPARE(filesOf(path), after);
    }
};

REELNOTE_TEST(TestBatch)
#include "tst_batch.moc"
