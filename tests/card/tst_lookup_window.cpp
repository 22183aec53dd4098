#include "../lookup/fake_secret_store.h"
#include "../lookup/lookup_support.h"
#include "card/lookup_window.h"
#include "combo_gestures.h"
#include "lookup/tmdb_key.h"
#include "main_fixture.h"
#include "store/catalogue.h"
#include "test_files.h"
#include "test_registry.h"

#include <QBuffer>
#include <QContextMenuEvent>
#include <QImageWriter>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QTableWidget>
#include <QTreeWidget>

using namespace TestFiles;
using ComboGestures::snapshot;

namespace {
const QString kTitle = QStringLiteral("どこでもない港");
const QString kAttribution =
    QStringLiteral("This product uses the TMDB API but is not endorsed or certified by TMDB");

QJsonObject castMember(const QString& name, const QString& character, int order) {
    return QJsonObject{{"adult", false},
                       {"gender", 1},
                       {"id", 9000 + order},
                       {"name", name},
                       {"original_name", name},
                       {"character", character},
                       {"credit_id", "c" + QString::number(order)},
                       {"order", order},
                       {"profile_path", QJsonValue()}};
}

// movie/{id} with credits and external ids, as TMDb documents it.
QJsonObject movie() {
    return QJsonObject{
        {"id", 4242},
        {"imdb_id", "tt7654321"},
        {"title", kTitle},
        {"original_title", "Hamnen ingenstans"},
        {"overview", "港町の灯台守が、\n消えた船を探す。"},
        {"poster_path", "/harbour.jpg"},
        {"release_date", "1998-03-07"},
        {"genres", QJsonArray{QJsonObject{{"id", 18}, {"name", "ドラマ"}}}},
        {"production_countries",
         QJsonArray{QJsonObject{{"iso_3166_1", "SE"}, {"name", "Sweden"}},
                    QJsonObject{{"iso_3166_1", "US"}, {"name", "United States of America"}}}},
        {"credits", QJsonObject{{"cast", QJsonArray{castMember("Ana Lind", "灯台守", 0),
                                                    castMember("Bo Ek", "", 1)}},
                                {"crew", QJsonArray{QJsonObject{{"id", 7000},
                                                                {"name", "Dag Holm"},
                                                                {"department", "Directing"},
                                                                {"job", "Director"},
                                                                {"credit_id", "k1"},
                                                                {"profile_path", QJsonValue()}}}}}},
        {"external_ids", QJsonObject{{"imdb_id", "tt7654321"}, {"wikidata_id", QJsonValue()}}},
    };
}

QJsonObject searchPage() {
    const auto hit = [](int id, const QString& title, const QString& original,
                        const QString& date) {
        return QJsonObject{{"adult", false},
                           {"id", id},
                           {"title", title},
                           {"original_title", original},
                           {"release_date", date},
                           {"poster_path", QJsonValue()},
                           {"genre_ids", QJsonArray{18}},
                           {"overview", "…"}};
    };
    return QJsonObject{{"page", 1},
                       {"results", QJsonArray{hit(4242, kTitle, "Hamnen ingenstans", "1998-03-07"),
                                              hit(4243, kTitle + "2", "Hamnen 2", "")}},
                       {"total_pages", 1},
                       {"total_results", 2}};
}

// The search's hits with these small posters, in order.
QJsonObject withPosters(QJsonObject page, const QStringList& paths) {
    QJsonArray hits = page[QStringLiteral("results")].toArray();
    for (int i = 0; i < paths.size(); ++i) {
        QJsonObject hit = hits[i].toObject();
        hit[QStringLiteral("poster_path")] = paths[i];
        hits[i] = hit;
    }
    page[QStringLiteral("results")] = hits;
    return page;
}

// No test of this program touches the desktop's secret store: the key is kept
// in memory, from before the first window asks for it.
std::shared_ptr<FakeSecretStore::State> freshSecretStore() {
    auto state = std::make_shared<FakeSecretStore::State>();
    TmdbKey::instance().setStore(std::make_unique<FakeSecretStore>(state));
    return state;
}
[[maybe_unused]] const bool kNoDesktopStore = (freshSecretStore(), true);

// Every message the program logs while one lives.
struct CapturedLog {
    static QStringList& lines() {
        static QStringList said;
        return said;
    }
    CapturedLog() {
        lines().clear();
        old = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext&, const QString& m) { lines().append(m); });
    }
    ~CapturedLog() { qInstallMessageHandler(old); }
    QtMessageHandler old;
};

bool asked(const FakeServer& server, const QString& path) {
    for (const FakeRequest& r : server.requests())
        if (r.path == path) return true;
    return false;
}

QByteArray posterJpeg() {
    QImage img(60, 90, QImage::Format_RGB32);
    img.fill(Qt::darkCyan);
    QBuffer b;
    b.open(QIODevice::WriteOnly);
    QImageWriter(&b, "JPG").write(img);
    return b.data();
}
}  // namespace

// "ネットで調べる…" on the card: a search at a local stand-in for TMDb, a film
// picked, its checked fields written as one step and taken back by Ctrl+Z.
class TestLookupWindow : public QObject {
    Q_OBJECT
private:
    void start(MainFixture& f) {
        writeFreshMasters(f.path(), false);
        writeCp932(f.path(), kDataFile,
                   titleRecord(kTitle, "", "既存の主演", "1998") +
                       titleRecord("乙", "", "", "", "アメリカ", "ドラマ"));
        writeCp932(f.path(), QStringLiteral("あらすじ_") + kTitle + ".txt",
                   QStringLiteral("古いあらすじ\r\n"));
        f.start();
        QVERIFY(ComboGestures::activate(f.window.get()));
        f.prompts.reset();
    }
    void key(MainFixture& f, QKeyCombination k) {
        QVERIFY(ComboGestures::activate(f.window.get()));
        auto* bar = f.find<QScrollBar>("hsbData");
        bar->setFocus();
        QTest::keyClick(bar, k.key(), k.keyboardModifiers());
    }
    LookupWindow* lookup(MainFixture& f) { return f.window->findChild<LookupWindow*>(); }
    template <typename T>
    T* in(MainFixture& f, const char* name) {
        return lookup(f)->findChild<T*>(QLatin1String(name));
    }
    QString status(MainFixture& f) { return in<QLabel>(f, "lblLookupStatus")->text(); }
    Qt::CheckState checkOf(MainFixture& f, int row) {
        const QTableWidgetItem* item = in<QTableWidget>(f, "tblLookupFields")->item(row, 0);
        if (!(item->flags() & Qt::ItemIsUserCheckable) || !(item->flags() & Qt::ItemIsEnabled))
            return Qt::PartiallyChecked;  // not offered
        return item->checkState();
    }

private slots:
    void initTestCase() { qputenv("REELNOTE_TMDB_KEY", "0123456789abcdef0123456789abcdef"); }
    void cleanupTestCase() { qunsetenv("REELNOTE_TMDB_KEY"); }

    void aPickedFilmFillsTheCheckedFieldsAsOneStep() {
        FakeServer server;
        const QByteArray jpeg = posterJpeg();
        server.setHandler([&](const FakeRequest& r) {
            if (r.path == "/3/search/movie") return FakeResponse::json(bytesOf(searchPage()));
            if (r.path == "/3/movie/4242") return FakeResponse::json(bytesOf(movie()));
            if (r.path == "/3/movie/4242/credits")
                return FakeResponse::json(bytesOf(movie()["credits"].toObject()));
            if (r.path == "/t/p/w500/harbour.jpg") {
                FakeResponse p = FakeResponse::json(jpeg);
                p.contentType = "image/jpeg";
                return p;
            }
            return FakeResponse::json("{}", 404);
        });
        addressesOf(server);
        MainFixture f;
        start(f);
        const auto before = snapshot(f.path());

        key(f, Qt::ControlModifier | Qt::Key_L);
        QVERIFY(lookup(f));
        QVERIFY(!lookup(f)->isModal());
        QCOMPARE(in<QLineEdit>(f, "txtLookupText")->text(), kTitle);
        QCOMPARE(in<QLineEdit>(f, "txtLookupYear")->text(), QStringLiteral("1998"));
        QCOMPARE(in<QLabel>(f, "lblLookupAttribution")->text(), kAttribution);
        QVERIFY(!in<QLabel>(f, "lblLookupAttribution")->isHidden());

        QTest::mouseClick(in<QPushButton>(f, "cmdLookupSearch"), Qt::LeftButton);
        auto* list = in<QTreeWidget>(f, "lstLookupCandidates");
        QVERIFY(waitUntil([&] { return list->topLevelItemCount() == 2; }, 3000));
        QCOMPARE(server.requests()[0].query.queryItemValue("year"), QStringLiteral("1998"));
        const QStringList row{list->topLevelItem(0)->text(0), list->topLevelItem(0)->text(1),
                              list->topLevelItem(0)->text(2), list->topLevelItem(0)->text(4)};
        QCOMPARE(row, (QStringList{kTitle, "Hamnen ingenstans", "1998", "TMDb"}));
        // The search does not tell the directors: each is asked after the list shows.
        QVERIFY(waitUntil([&] { return list->topLevelItem(0)->text(3) == "Dag Holm"; }, 3000));
        QVERIFY(waitUntil([&] { return asked(server, "/3/movie/4243/credits"); }, 3000));
        QTest::qWait(50);
        QCOMPARE(list->topLevelItem(1)->text(3), QString());  // 404: left as it was
        QVERIFY(list->columnWidth(3) > list->fontMetrics().horizontalAdvance("Dag Holm"));

        list->setCurrentItem(list->topLevelItem(0));
        QTest::mouseClick(in<QPushButton>(f, "cmdLookupPick"), Qt::LeftButton);
        using R = LookupWindow;
        QVERIFY(waitUntil([&] { return checkOf(f, R::Poster) == Qt::Checked; }, 3000));
        // Empty fields checked, filled ones not, a field the film leaves empty not offered.
        const QList<Qt::CheckState> checks{checkOf(f, R::Kantoku), checkOf(f, R::Syuen),
                                           checkOf(f, R::Koukai),  checkOf(f, R::Kuni),
                                           checkOf(f, R::Janru),   checkOf(f, R::Cast),
                                           checkOf(f, R::Arasuji)};
        QCOMPARE(checks,
                 (QList<Qt::CheckState>{Qt::Checked, Qt::Unchecked, Qt::Unchecked, Qt::Checked,
                                        Qt::Checked, Qt::Checked, Qt::Unchecked}));
        auto* table = in<QTableWidget>(f, "tblLookupFields");
        QCOMPARE(table->item(R::Syuen, 1)->text(), QStringLiteral("既存の主演"));
        QCOMPARE(table->item(R::Syuen, 2)->text(), QStringLiteral("Ana Lind"));
        QCOMPARE(snapshot(f.path()), before);  // nothing written before 反映

        table->item(R::Arasuji, 0)->setCheckState(Qt::Checked);  // the user wants it replaced
        QTest::mouseClick(in<QPushButton>(f, "cmdLookupApply"), Qt::LeftButton);
        auto after = before;
        after[kDataFile] =
            cp932(titleRecord(kTitle, "Dag Holm", "既存の主演", "1998", "アメリカ", "ドラマ") +
                  titleRecord("乙", "", "", "", "アメリカ", "ドラマ"));
        after[QStringLiteral("キャスト_") + kTitle + ".txt"] =
            cp932(QStringLiteral("Ana Lind（灯台守）\r\nBo Ek\r\n"));
        after[QStringLiteral("あらすじ_") + kTitle + ".txt"] =
            cp932(QStringLiteral("港町の灯台守が、\r\n消えた船を探す。\r\n"));
        after[kTitle + ".jpg"] = jpeg;
        QCOMPARE(snapshot(f.path()), after);
        QCOMPARE(f.find<PickCombo>("cboKantoku")->currentText(), QStringLiteral("Dag Holm"));

        key(f, Qt::ControlModifier | Qt::Key_Z);  // one step takes all of it back
        QCOMPARE(snapshot(f.path()), before);
        key(f, Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_Z);
        QCOMPARE(snapshot(f.path()), after);
        f.checkBoxes();
    }

    void aRefusingServerIsShownAndNothingIsWritten() {
        FakeServer server;
        int code = 500;
        server.setHandler([&](const FakeRequest& r) {
            if (r.path == "/3/search/movie" && code == 200)
                return FakeResponse::json(bytesOf(searchPage()));
            return FakeResponse::json("{\"status_message\":\"no\"}", code);
        });
        addressesOf(server);
        MainFixture f;
        start(f);
        const auto before = snapshot(f.path());
        key(f, Qt::ControlModifier | Qt::Key_L);
        QVERIFY(lookup(f));

        QTest::mouseClick(in<QPushButton>(f, "cmdLookupSearch"), Qt::LeftButton);
        const QString message = LookupError::httpStatus(500).message;
        QVERIFY(waitUntil([&] { return status(f) == message; }, 3000));

        code = 200;  // found, then the film itself is refused
        QTest::mouseClick(in<QPushButton>(f, "cmdLookupSearch"), Qt::LeftButton);
        auto* list = in<QTreeWidget>(f, "lstLookupCandidates");
        QVERIFY(waitUntil([&] { return list->topLevelItemCount() == 2; }, 3000));
        code = 401;
        QTest::mouseClick(in<QPushButton>(f, "cmdLookupPick"), Qt::LeftButton);
        QVERIFY(waitUntil([&] { return status(f) == LookupError::badKey().message; }, 3000));
        QVERIFY(!in<QPushButton>(f, "cmdLookupApply")->isEnabled());
        QCOMPARE(snapshot(f.path()), before);
        f.checkBoxes();
    }
    void aFillThatCannotBeWrittenWholeWritesNothing() {
        FakeServer server;
        const QByteArray jpeg = posterJpeg();
        server.setHandler([&](const FakeRequest& r) {
            if (r.path == "/3/search/movie") return FakeResponse::json(bytesOf(searchPage()));
            if (r.path == "/3/movie/4242") return FakeResponse::json(bytesOf(movie()));
            FakeResponse p = FakeResponse::json(jpeg);
            p.contentType = "image/jpeg";
            return p;
        });
        addressesOf(server);
        MainFixture f;
        start(f);
        // The picture cannot be written: a folder stands where it would go.
        QVERIFY(QDir(f.path()).mkdir(kTitle + ".jpg"));
        const auto before = snapshot(f.path());
        key(f, Qt::ControlModifier | Qt::Key_L);
        QVERIFY(lookup(f));
        QTest::mouseClick(in<QPushButton>(f, "cmdLookupSearch"), Qt::LeftButton);
        auto* list = in<QTreeWidget>(f, "lstLookupCandidates");
        QVERIFY(waitUntil([&] { return list->topLevelItemCount() == 2; }, 3000));
        QTest::mouseClick(in<QPushButton>(f, "cmdLookupPick"), Qt::LeftButton);
        QVERIFY(waitUntil([&] { return checkOf(f, LookupWindow::Poster) != Qt::PartiallyChecked; },
                          3000));
        in<QTableWidget>(f, "tblLookupFields")
            ->item(LookupWindow::Poster, 0)
            ->setCheckState(Qt::Checked);
        QTest::mouseClick(in<QPushButton>(f, "cmdLookupApply"), Qt::LeftButton);
        QVERIFY(!status(f).isEmpty());
        QCOMPARE(in<QLabel>(f, "lblLookupStatus")->styleSheet(), QStringLiteral("color: #b00020;"));
        QCOMPARE(snapshot(f.path()), before);  // the fields and texts written first went back
        f.checkBoxes();
    }

    // The key typed in the settings is kept in the secret store, never in the
    // data folder or a log, and the next search asks TMDb with it; once it is
    // removed, Wikidata.
    void aKeySavedInTheSettingsMakesTheNextSearchAskTmdb() {
        const QByteArray secret = "fedcba9876543210fedcba9876543210";
        const QByteArray envKey = qgetenv("REELNOTE_TMDB_KEY");
        qunsetenv("REELNOTE_TMDB_KEY");
        const auto store = freshSecretStore();
        FakeServer server;
        server.setHandler([&](const FakeRequest& r) {
            if (r.path == "/3/search/movie") return FakeResponse::json(bytesOf(searchPage()));
            return FakeResponse::json(
                R"({"searchinfo":{"search":"x"},"search":[],"success":1})");  // Wikidata: none
        });
        addressesOf(server);
        const CapturedLog log;
        MainFixture f;
        start(f);
        const auto before = snapshot(f.path());
        key(f, Qt::ControlModifier | Qt::Key_L);
        QVERIFY(lookup(f));
        auto* attribution = in<QLabel>(f, "lblLookupAttribution");
        QVERIFY(attribution->isHidden());

        QTest::mouseClick(in<QPushButton>(f, "cmdLookupSettings"), Qt::LeftButton);
        auto* settings = in<QWidget>(f, "frmLookupSettings");
        QVERIFY(settings && settings->isVisible() && !settings->isModal());
        auto* status = settings->findChild<QLabel*>(QStringLiteral("lblKeyStatus"));
        QVERIFY(waitUntil(
            [&] { return status->text().contains(QStringLiteral("設定されていません")); }, 3000));
        auto* field = settings->findChild<QLineEdit*>(QStringLiteral("txtTmdbKey"));
        QCOMPARE(field->echoMode(), QLineEdit::Password);
        QTest::keyClicks(field, QString::fromLatin1(secret));
        QTest::mouseClick(settings->findChild<QPushButton*>(QStringLiteral("cmdKeySave")),
                          Qt::LeftButton);
        QVERIFY(
            waitUntil([&] { return status->text().contains(QStringLiteral("キーリング")); }, 3000));
        QCOMPARE(store->secret.toLatin1(), secret);
        QVERIFY(field->text().isEmpty());
        QVERIFY(waitUntil([&] { return !attribution->isHidden(); }, 3000));

        QTest::mouseClick(in<QPushButton>(f, "cmdLookupSearch"), Qt::LeftButton);
        auto* list = in<QTreeWidget>(f, "lstLookupCandidates");
        QVERIFY(waitUntil([&] { return list->topLevelItemCount() == 2; }, 3000));
        QCOMPARE(server.requests()[0].path, QStringLiteral("/3/search/movie"));
        QVERIFY(waitUntil([&] { return asked(server, "/3/movie/4243/credits"); }, 3000));
        for (const FakeRequest& r : server.requests()) {  // the directors' too
            QVERIFY2(r.path.startsWith("/3/"), qPrintable(r.path));
            QCOMPARE(r.query.queryItemValue("api_key").toLatin1(), secret);
        }

        QTest::mouseClick(settings->findChild<QPushButton*>(QStringLiteral("cmdKeyForget")),
                          Qt::LeftButton);
        QVERIFY(waitUntil(
            [&] { return status->text().contains(QStringLiteral("設定されていません")); }, 3000));
        QVERIFY(store->secret.isEmpty());
        const qsizetype asks = server.requests().size();
        QTest::mouseClick(in<QPushButton>(f, "cmdLookupSearch"), Qt::LeftButton);
        QVERIFY(waitUntil([&] { return server.requests().size() > asks; }, 3000));
        QCOMPARE(server.requests()[asks].path, QStringLiteral("/w/api.php"));
        QVERIFY(attribution->isHidden());

        QCOMPARE(snapshot(f.path()), before);
        for (const QByteArray& bytes : snapshot(f.path())) QVERIFY(!bytes.contains(secret));
        for (const QString& line : CapturedLog::lines())
            QVERIFY2(!line.contains(secret), qPrintable(line));
        qputenv("REELNOTE_TMDB_KEY", envKey);
        f.checkBoxes();
    }

    // Each candidate's small poster shows as it comes; one that fails leaves
    // its row as it was, and a new search drops the fetches of the old one.
    void theCandidatesShowTheirSmallPosters() {
        FakeServer server;
        const QByteArray jpeg = posterJpeg();
        QStringList posters{QStringLiteral("/a.jpg"), QStringLiteral("/gone.jpg")};
        server.setHandler([&](const FakeRequest& r) {
            if (r.path == "/3/search/movie")
                return FakeResponse::json(bytesOf(withPosters(searchPage(), posters)));
            if (r.path == "/t/p/w92/a.jpg") {
                FakeResponse p = FakeResponse::json(jpeg);
                p.contentType = "image/jpeg";
                return p;
            }
            FakeResponse silent;
            silent.mode = FakeResponse::Mode::Silent;
            return r.path == "/t/p/w92/slow.jpg" ? silent : FakeResponse::json("{}", 404);
        });
        addressesOf(server);
        MainFixture f;
        start(f);
        key(f, Qt::ControlModifier | Qt::Key_L);
        QVERIFY(lookup(f));
        const auto served = [&](const QString& path) { return asked(server, path); };

        QTest::mouseClick(in<QPushButton>(f, "cmdLookupSearch"), Qt::LeftButton);
        auto* list = in<QTreeWidget>(f, "lstLookupCandidates");
        QVERIFY(waitUntil(
            [&] {
                return list->topLevelItemCount() > 0 && !list->topLevelItem(0)->icon(0).isNull();
            },
            3000));
        const QList<QSize> sizes = list->topLevelItem(0)->icon(0).availableSizes();
        QCOMPARE(sizes.value(0).height(), 46);
        QVERIFY(waitUntil([&] { return served("/t/p/w92/gone.jpg"); }, 3000));
        QTest::qWait(50);
        QVERIFY(list->topLevelItem(1)->icon(0).isNull());
        QCOMPARE(list->topLevelItem(1)->text(0), kTitle + "2");

        posters = QStringList{QStringLiteral("/slow.jpg")};
        in<QLineEdit>(f, "txtLookupText")->setText(QStringLiteral("港"));  // not the cached answer
        QTest::mouseClick(in<QPushButton>(f, "cmdLookupSearch"), Qt::LeftButton);
        QVERIFY(waitUntil([&] { return served("/t/p/w92/slow.jpg"); }, 3000));
        QTest::mouseClick(in<QPushButton>(f, "cmdLookupSearch"), Qt::LeftButton);
        QVERIFY(waitUntil([&] { return server.droppedByClient() == 1; }, 3000));
        f.checkBoxes();
    }
};

REELNOTE_TEST(TestLookupWindow)
#include "tst_lookup_window.moc"
