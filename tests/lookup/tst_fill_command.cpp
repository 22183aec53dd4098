#include "app/command_line.h"
#include "app/fill_command.h"
#include "fake_secret_store.h"
#include "lookup/lookup_error.h"
#include "lookup_support.h"
#include "store/catalogue.h"
#include "store/folder_lock.h"
#include "test_files.h"
#include "test_registry.h"
#include "tmdb_documents.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTextStream>

#include <csignal>

using namespace TestFiles;
namespace Tmdb = TmdbDocuments;

namespace {
// No test here reaches the desktop's secret store: the key, if any, is kept in
// memory, from before the first command asks for it.
std::shared_ptr<FakeSecretStore::State> freshSecretStore() {
    auto state = std::make_shared<FakeSecretStore::State>();
    TmdbKey::instance().setStore(std::make_unique<FakeSecretStore>(state));
    return state;
}
[[maybe_unused]] const bool kNoDesktopStore = (freshSecretStore(), true);

struct KeyVariable {
    explicit KeyVariable(bool set) {
        if (set)
            qputenv("REELNOTE_TMDB_KEY", "0123456789abcdef0123456789abcdef");
        else
            qunsetenv("REELNOTE_TMDB_KEY");
    }
    ~KeyVariable() { qunsetenv("REELNOTE_TMDB_KEY"); }
};

const QString kOverview =
    QStringLiteral("桟橋の灯りが消えた夜、\n二人は出会う。そして港町の長い冬が始まる。");

QByteArray posterJpeg() {
    QImage img(20, 30, QImage::Format_RGB32);
    img.fill(Qt::darkCyan);
    QBuffer b;
    b.open(QIODevice::WriteOnly);
    img.save(&b, "JPG");
    return b.data();
}

// A made-up TMDb: 静かな桟橋 is found once, 二つの港 twice, nothing else at all.
FakeResponse services(const FakeRequest& r) {
    if (r.path == QLatin1String("/3/search/movie")) {
        const QString q = r.query.queryItemValue("query", QUrl::FullyDecoded);
        QJsonArray hits;
        if (q == QStringLiteral("静かな桟橋"))
            hits.append(Tmdb::hit(550, q, "The Quiet Pier", "1999-10-15"));
        if (q == QStringLiteral("二つの港")) {
            hits.append(Tmdb::hit(601, q, "Two Harbours", "2001-03-01"));
            hits.append(Tmdb::hit(602, q, "Deux ports", "2001-09-01"));
        }
        return FakeResponse::json(bytesOf(Tmdb::page(hits)));
    }
    if (r.path == QLatin1String("/3/movie/550")) {
        Tmdb::Movie m;
        m.id = 550;
        m.title = QStringLiteral("静かな桟橋");
        m.original = QStringLiteral("The Quiet Pier");
        m.date = QStringLiteral("1999-10-15");
        m.director = QStringLiteral("Ray Dunn");
        m.cast = QStringList{"Ed Nolan|Tom", "Iris Vale"};
        m.overview = kOverview;
        m.posterPath = QStringLiteral("/pier.jpg");
        return FakeResponse::json(bytesOf(Tmdb::movie(m)));
    }
    if (r.path == QLatin1String("/t/p/w500/pier.jpg")) {
        FakeResponse p = FakeResponse::json(posterJpeg());
        p.contentType = "image/jpeg";
        return p;
    }
    return FakeResponse::json("{}", 404);
}

// Wikidata's items as wbgetentities gives them: a Japanese label, and claims
// naming other items or a year.
QJsonObject wikidataItem(const QString& id, const QString& ja, const QJsonObject& claims = {}) {
    const QJsonObject label{{"language", "ja"}, {"value", ja}};
    return QJsonObject{
        {"type", "item"}, {"id", id}, {"labels", QJsonObject{{"ja", label}}}, {"claims", claims}};
}

QJsonArray wikidataStatement(const QString& property, const QJsonObject& value) {
    const QJsonObject snak{{"snaktype", "value"}, {"property", property}, {"datavalue", value}};
    return QJsonArray{QJsonObject{{"type", "statement"}, {"rank", "normal"}, {"mainsnak", snak}}};
}

QJsonArray wikidataClaim(const QString& property, const QString& id) {
    const QJsonObject value{{"entity-type", "item"}, {"id", id}};
    return wikidataStatement(property,
                             QJsonObject{{"type", "wikibase-entityid"}, {"value", value}});
}

QJsonArray wikidataYear(int year) {
    const QJsonObject value{{"time", QStringLiteral("+%1-00-00T00:00:00Z").arg(year)},
                            {"precision", 9}};
    return wikidataStatement("P577", QJsonObject{{"type", "time"}, {"value", value}});
}

struct Folder {
    QTemporaryDir dir;
    Folder() {
        writeCp932(dir.path(), kDataFile,
                   titleRecord("静かな桟橋", "", "", "1999") +
                       titleRecord("二つの港", "", "", "2001") +
                       titleRecord("誰も知らない", "誰か", "誰か", "1970", "日本", "ドラマ"));
    }
    QString path() const { return dir.path(); }
    QMap<QString, QByteArray> files() const {
        QMap<QString, QByteArray> all;
        for (const QString& name : QDir(path()).entryList(QDir::Files | QDir::Hidden))
            all[name] = readBytes(path(), name);
        return all;
    }
};

struct Printed {
    int status = -1;
    QString out, err;
};

Printed fill(const QStringList& args, QString answer = {}) {
    QString out, err;
    QTextStream in(&answer), o(&out), e(&err);
    Printed p;
    p.status = fillCommand(QStringList{"reelnote", "--fill"} + args, in, o, e, quickOptions());
    o.flush();
    e.flush();
    p.out = out;
    p.err = err;
    return p;
}
}  // namespace

class TestFillCommand : public QObject {
    Q_OBJECT
private slots:
    // The preview: one line a title found surely, 要確認 with its candidates,
    // what was not found, and the counts; --dry-run asks nothing and writes nothing.
    void aDryRunPrintsThePreviewOnly() {
        FakeServer server;
        server.setHandler(services);
        addressesOf(server);
        KeyVariable key(true);
        Folder folder;
        const auto before = folder.files();
        const Printed p = fill({folder.path(), "--dry-run"});
        QCOMPARE(p.status, 0);
        const QStringList lines = p.out.split(u'\n');
        QVERIFY2(lines.contains(QStringLiteral(
                     "静かな桟橋\t監督=Ray Dunn\t主演=Ed Nolan\t国=日本\tジャンル=ドラマ\t"
                     "キャスト=Ed Nolan（Tom）／Iris Vale\t"
                     "あらすじ=桟橋の灯りが消えた夜、／二人は出会う。そして港町の長い冬が始…\t"
                     "ポスター=あり\ttmdb:550")),
                 qPrintable(p.out));
        const qsizetype uncertain = lines.indexOf(QStringLiteral("二つの港"));
        QVERIFY2(uncertain > 0 && lines[uncertain - 1].startsWith(QStringLiteral("要確認（1件）")),
                 qPrintable(p.out));
        QCOMPARE(lines.mid(uncertain + 1, 2),
                 (QStringList{"  tmdb:601  二つの港 / Two Harbours / 2001 / ",
                              "  tmdb:602  二つの港 / Deux ports / 2001 / "}));
        QVERIFY(lines.contains(QStringLiteral("  誰も知らない")));
        QVERIFY2(
            p.out.contains(QStringLiteral("空欄のあるタイトル3件: 補う1件、要確認1件、"
                                          "見つからない1件、調べられない0件、補える項目なし0件")),
            qPrintable(p.out));
        QVERIFY(!p.out.contains(QStringLiteral("（はい／いいえ）")));
        QCOMPARE(folder.files(), before);
    }

    // いいえ writes nothing; はい writes what the window's fill writes, byte for byte.
    void theAnswerDecidesTheWrite() {
        FakeServer server;
        server.setHandler(services);
        addressesOf(server);
        KeyVariable key(true);
        for (const QString& answer : {QStringLiteral("いいえ"), QStringLiteral("はい")}) {
            Folder folder;
            const auto before = folder.files();
            const Printed p = fill({folder.path()}, answer + u'\n');
            QVERIFY2(
                p.out.contains(QStringLiteral("これらの情報を書き込みますか？（はい／いいえ）: ")),
                qPrintable(p.out));
            if (answer == QStringLiteral("いいえ")) {
                QCOMPARE(p.status, 1);
                QCOMPARE(folder.files(), before);
                continue;
            }
            QCOMPARE(p.status, 0);
            auto after = before;
            after[kDataFile] =
                cp932(titleRecord("静かな桟橋", "Ray Dunn", "Ed Nolan", "1999", "日本", "ドラマ") +
                      titleRecord("二つの港", "", "", "2001") +
                      titleRecord("誰も知らない", "誰か", "誰か", "1970", "日本", "ドラマ"));
            after[QStringLiteral("キャスト_静かな桟橋.txt")] =
                cp932(QStringLiteral("Ed Nolan（Tom）\r\nIris Vale\r\n"));
            after[QStringLiteral("あらすじ_静かな桟橋.txt")] =
                cp932(QString(kOverview).replace(u'\n', QStringLiteral("\r\n")) + "\r\n");
            after[QStringLiteral("静かな桟橋.jpg")] = posterJpeg();
            QCOMPARE(folder.files(), after);  // the folder let go again, too
        }
    }

    // Without a key the collection is filled from Wikidata alone: its Japanese
    // labels, spelt as the folder's pick lists spell them.
    void withoutAKeyWikidataFills() {
        const QHash<QString, QJsonObject> items{
            {"Q100", wikidataItem("Q100", "静かな桟橋",
                                  QJsonObject{{"P31", wikidataClaim("P31", "Q11424")},
                                              {"P57", wikidataClaim("P57", "Q200")},
                                              {"P577", wikidataYear(1999)},
                                              {"P495", wikidataClaim("P495", "Q17")},
                                              {"P136", wikidataClaim("P136", "Q130232")}})},
            {"Q200", wikidataItem("Q200", "港野灯")},
            {"Q17", wikidataItem("Q17", "日本")},
            {"Q130232", wikidataItem("Q130232", "ドラマ映画")}};
        FakeServer server;
        server.setHandler([&](const FakeRequest& r) {
            if (r.query.queryItemValue("action") == QLatin1String("wbsearchentities")) {
                QJsonArray hits;
                if (r.query.queryItemValue("search", QUrl::FullyDecoded) == "静かな桟橋")
                    hits.append(QJsonObject{{"id", "Q100"}, {"label", "静かな桟橋"}});
                return FakeResponse::json(bytesOf(QJsonObject{{"search", hits}, {"success", 1}}));
            }
            QJsonObject entities;
            for (const QString& id : r.query.queryItemValue("ids", QUrl::FullyDecoded).split(u'|'))
                entities[id] = items.value(id, QJsonObject{{"id", id}, {"missing", ""}});
            return FakeResponse::json(bytesOf(QJsonObject{{"entities", entities}, {"success", 1}}));
        });
        addressesOf(server);
        KeyVariable key(false);
        Folder folder;
        auto after = folder.files();
        const Printed p = fill({folder.path()}, QStringLiteral("はい\n"));
        QVERIFY2(p.status == 0, qPrintable(p.err));
        QVERIFY(server.requests().size() > 0);
        for (const FakeRequest& r : server.requests())
            QCOMPARE(r.path, QStringLiteral("/w/api.php"));
        after[kDataFile] =
            cp932(titleRecord("静かな桟橋", "港野灯", "", "1999", "日本", "ドラマ") +
                  titleRecord("二つの港", "", "", "2001") +
                  titleRecord("誰も知らない", "誰か", "誰か", "1970", "日本", "ドラマ"));
        QCOMPARE(folder.files(), after);
    }

    // A folder a window holds is refused before anything is asked online;
    // --dry-run only reads and is not refused.
    void aFolderHeldByAWindowIsRefused() {
        FakeServer server;
        server.setHandler(services);
        addressesOf(server);
        KeyVariable key(true);
        Folder folder;
        FolderLock window(folder.path());
        QCOMPARE(window.take(), FolderLock::Outcome::Held);
        const auto before = folder.files();
        const Printed p = fill({folder.path()}, QStringLiteral("はい\n"));
        QCOMPARE(p.status, 1);
        QVERIFY2(p.err.contains(QStringLiteral("ウィンドウが開いているため")), qPrintable(p.err));
        QCOMPARE(server.requests().size(), 0);
        QCOMPARE(folder.files(), before);
        QCOMPARE(fill({"--dry-run", folder.path()}).status, 0);
        QCOMPARE(folder.files(), before);
    }

    void badArgumentsAreTwo_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("key");
        QTest::newRow("tmdb without key") << QStringList{"--source", "tmdb"} << false;
        QTest::newRow("unknown source") << QStringList{"--source", "imdb"} << true;
        QTest::newRow("source without value") << QStringList{"--source"} << true;
        QTest::newRow("unknown option") << QStringList{"--fast"} << true;
        QTest::newRow("two folders") << QStringList{".", "."} << true;
        QTest::newRow("no such folder") << QStringList{"/nonexistent/reelnote"} << true;
    }
    void badArgumentsAreTwo() {
        QFETCH(QStringList, args);
        QFETCH(bool, key);
        FakeServer server;
        server.setHandler(services);
        addressesOf(server);
        KeyVariable variable(key);
        Folder folder;
        const auto before = folder.files();
        const QString cwd = QDir::currentPath();
        QDir::setCurrent(folder.path());
        const Printed p = fill(args, QStringLiteral("はい\n"));
        QDir::setCurrent(cwd);
        QCOMPARE(p.status, 2);
        QVERIFY(p.err.contains(QStringLiteral("使い方: reelnote --fill")));
        if (!key) QVERIFY2(p.err.contains("REELNOTE_TMDB_KEY"), qPrintable(p.err));
        QCOMPARE(server.requests().size(), 0);
        QCOMPARE(folder.files(), before);
        if (args.value(0) == QLatin1String("--fast"))  // the program's command line hands it over
            QCOMPARE(runCommandLine({"reelnote", "--fill", "--fast"}), std::optional(2));
    }

    // A service that refuses every title (a wrong key) ends the run with its reason.
    void aRefusingServiceIsThreeAndWritesNothing() {
        FakeServer server;
        server.setHandler([](const FakeRequest&) {
            return FakeResponse::json(R"({"status_code":7,"success":false})", 401);
        });
        addressesOf(server);
        KeyVariable key(true);
        Folder folder;
        const auto before = folder.files();
        const Printed p = fill({folder.path()}, QStringLiteral("はい\n"));
        QCOMPARE(p.status, 3);
        QVERIFY2(p.err.contains(LookupError::badKey().message), qPrintable(p.err));
        QCOMPARE(server.requests().size(), 1);
        QCOMPARE(folder.files(), before);
    }

    // Ctrl+C while the titles are looked up: the batch stops, nothing more is
    // asked, nothing is written and the folder is let go.
    void ctrlCWritesNothing() {
        FakeServer server;
        int requestsAtSignal = -1;
        server.setHandler([&](const FakeRequest& r) {
            if (r.query.queryItemValue("query", QUrl::FullyDecoded) == QStringLiteral("二つの港")) {
                requestsAtSignal = int(server.requests().size());
                std::raise(SIGINT);
            }
            return services(r);
        });
        addressesOf(server);
        KeyVariable key(true);
        Folder folder;
        const auto before = folder.files();
        const Printed p = fill({folder.path()}, QStringLiteral("はい\n"));
        QCOMPARE(p.status, 130);
        QVERIFY2(p.err.contains(QStringLiteral("中断しました")), qPrintable(p.err));
        QVERIFY(!p.out.contains(QStringLiteral("書き込みますか")));
        QTest::qWait(200);
        QCOMPARE(server.requests().size(), requestsAtSignal);
        QCOMPARE(folder.files(), before);
    }
};

REELNOTE_TEST(TestFillCommand)
#include "tst_fill_command.moc"
