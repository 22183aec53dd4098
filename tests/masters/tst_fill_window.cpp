#include "../lookup/fake_secret_store.h"
#include "../lookup/lookup_support.h"
#include "combo_gestures.h"
#include "lookup/tmdb_key.h"
#include "main_fixture.h"
#include "masters/fill_window.h"
#include "shell/pick_combo.h"
#include "store/catalogue.h"
#include "test_files.h"
#include "test_registry.h"

#include <QBuffer>
#include <QImageWriter>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QScrollBar>
#include <QTableWidget>

using namespace TestFiles;
using ComboGestures::snapshot;
using namespace Qt::StringLiterals;

namespace {
const QString kAttribution =
    QStringLiteral("This product uses the TMDB API but is not endorsed or certified by TMDB");

QJsonObject hit(int id, const QString& title, const QString& date) {
    return QJsonObject{{"adult", false},
                       {"id", id},
                       {"title", title},
                       {"original_title", title},
                       {"release_date", date},
                       {"poster_path", QJsonValue()},
                       {"genre_ids", QJsonArray{18}},
                       {"overview", "…"}};
}

QByteArray searchPage(const QJsonArray& hits) {
    return bytesOf(QJsonObject{
        {"page", 1}, {"results", hits}, {"total_pages", 1}, {"total_results", hits.size()}});
}

struct Person {
    QString name, character;
};

// movie/{id} with credits and external ids, as TMDb documents it.
QByteArray movie(int id, const QString& title, const QString& date, const QString& director,
                 const QList<Person>& cast, const QString& country, const QString& genre,
                 const QString& overview, const QString& poster) {
    QJsonArray people;
    for (int i = 0; i < cast.size(); ++i)
        people.append(QJsonObject{{"adult", false},
                                  {"id", id * 10 + i},
                                  {"name", cast[i].name},
                                  {"original_name", cast[i].name},
                                  {"character", cast[i].character},
                                  {"credit_id", QStringLiteral("c%1").arg(i)},
                                  {"order", i},
                                  {"profile_path", QJsonValue()}});
    const QJsonObject crew{{"id", id * 10 + 9},         {"name", director},
                           {"department", "Directing"}, {"job", "Director"},
                           {"credit_id", "k1"},         {"profile_path", QJsonValue()}};
    return bytesOf(QJsonObject{
        {"id", id},
        {"imdb_id", QJsonValue()},
        {"title", title},
        {"original_title", title},
        {"overview", overview},
        {"poster_path", poster.isEmpty() ? QJsonValue() : QJsonValue(poster)},
        {"release_date", date},
        {"genres", QJsonArray{QJsonObject{{"id", 18}, {"name", genre}}}},
        {"production_countries", QJsonArray{QJsonObject{{"iso_3166_1", "XX"}, {"name", country}}}},
        {"credits", QJsonObject{{"cast", people}, {"crew", QJsonArray{crew}}}},
        {"external_ids", QJsonObject{{"imdb_id", QJsonValue()}, {"wikidata_id", QJsonValue()}}},
    });
}

QByteArray posterJpeg() {
    QImage img(60, 90, QImage::Format_RGB32);
    img.fill(Qt::darkCyan);
    QBuffer b;
    b.open(QIODevice::WriteOnly);
    QImageWriter(&b, "JPG").write(img);
    return b.data();
}

FakeResponse image(const QByteArray& bytes) {
    FakeResponse p = FakeResponse::json(bytes);
    p.contentType = "image/jpeg";
    return p;
}

const QByteArray kNoWikidataHits = R"({"searchinfo":{"search":"x"},"search":[],"success":1})";

// No test of this program touches the desktop's secret store.
[[maybe_unused]] const bool kNoDesktopStore =
    (TmdbKey::instance().setStore(
         std::make_unique<FakeSecretStore>(std::make_shared<FakeSecretStore::State>())),
     true);
}  // namespace

// "ネットから情報を補う…" on the master screen: every title with empty fields
// looked up at a local stand-in for the services, previewed, and written as one step.
class TestFillWindow : public QObject {
    Q_OBJECT
private:
    FillWindow* open(MainFixture& f) {
        f.click("cmdMaster");
        f.click("cmdFillFromNet");
        return f.window->findChild<FillWindow*>(QStringLiteral("frmFill"));
    }
    template <typename T>
    static T* in(FillWindow* w, const char* name) {
        return w->findChild<T*>(QLatin1String(name));
    }
    static void click(FillWindow* w, const char* name) {
        QTest::mouseClick(in<QPushButton>(w, name), Qt::LeftButton);
    }
    static QStringList column(FillWindow* w, int c) {
        auto* table = in<QTableWidget>(w, "tblFill");
        QStringList out;
        for (int r = 0; r < table->rowCount(); ++r) out << table->item(r, c)->text();
        return out;
    }
    static bool idle(FillWindow* w) { return !in<QPushButton>(w, "cmdFillCancel")->isEnabled(); }
    static QString status(FillWindow* w) { return in<QLabel>(w, "lblFillStatus")->text(); }
    static bool asked(const FakeServer& s, const QString& param, const QString& text) {
        for (const FakeRequest& r : s.requests())
            if (r.query.queryItemValue(param, QUrl::FullyDecoded) == text) return true;
        return false;
    }
    static bool servedPath(const FakeServer& s, const QString& path) {
        for (const FakeRequest& r : s.requests())
            if (r.path == path) return true;
        return false;
    }
    static void undoKey(MainFixture& f, QKeyCombination k) {
        QVERIFY(ComboGestures::activate(f.window.get()));
        auto* bar = f.find<QScrollBar>("hsbData");
        bar->setFocus();
        QTest::keyClick(bar, k.key(), k.keyboardModifiers());
    }

private slots:
    void initTestCase() { qputenv("REELNOTE_TMDB_KEY", "0123456789abcdef0123456789abcdef"); }
    void cleanupTestCase() { qunsetenv("REELNOTE_TMDB_KEY"); }

    // A sure match (its year one off), two films of the same name picked from,
    // none found, a failure, a title that only some fields are missing, one the
    // user leaves out, and a full title that is not even asked: 反映 writes
    // exactly the empty fields of the checked rows, and Ctrl+Z takes it all back.
    void theCheckedProposalsFillTheEmptyFieldsAsOneStep() {
        FakeServer server;
        const QByteArray jpeg = posterJpeg();
        server.setHandler([&](const FakeRequest& r) {
            const QString q = r.query.queryItemValue(QStringLiteral("query"), QUrl::FullyDecoded);
            if (r.path == "/3/search/movie") {
                if (q == u"灯台の港")
                    return FakeResponse::json(searchPage({hit(101, q, "1999-05-01")}));
                if (q == u"双子の峠")
                    return FakeResponse::json(
                        searchPage({hit(201, q, "1960-01-01"), hit(202, q, "1985-07-20")}));
                if (q == u"一部の題")
                    return FakeResponse::json(searchPage({hit(601, q, "2001-02-03")}));
                if (q == u"外す題") return FakeResponse::json(searchPage({hit(701, q, "")}));
                if (q == u"壊れた題") return FakeResponse::json("{}", 500);
                return FakeResponse::json(searchPage({}));
            }
            if (r.path == "/3/movie/101")
                return FakeResponse::json(movie(101, u"灯台の港"_s, "1999-05-01", "Dag Holm",
                                                {{"Ana Lind", u"灯台守"_s}, {"Bo Ek", ""}}, "Japan",
                                                u"ドラマ"_s, u"港町の話。"_s, "/p101.jpg"));
            if (r.path == "/3/movie/202")
                return FakeResponse::json(movie(202, u"双子の峠"_s, "1985-07-20", "Eva Berg",
                                                {{"Carl Ny", u"案内人"_s}}, "France", "Romance", "",
                                                "/p202.jpg"));
            if (r.path == "/3/movie/601")
                return FakeResponse::json(movie(601, u"一部の題"_s, "2001-02-03", "Zed Holm",
                                                {{"Fumi Oka", ""}}, "Japan", u"ドラマ"_s,
                                                u"二行の\nあらすじ。"_s, "/p601.jpg"));
            if (r.path == "/3/movie/701")
                return FakeResponse::json(
                    movie(701, u"外す題"_s, "", "Ola Berg", {}, "Japan", u"ドラマ"_s, "", ""));
            if (r.path == "/t/p/w500/p101.jpg") return image(jpeg);
            return FakeResponse::json("{}", 404);
        });
        addressesOf(server);
        MainFixture f;
        writeFreshMasters(f.path(), false);
        const QString full = u"満ちた器"_s;
        writeCp932(f.path(), kDataFile,
                   titleRecord(u"灯台の港"_s, "", "", "1998") + titleRecord(u"双子の峠"_s) +
                       titleRecord(u"幻の題"_s) +
                       titleRecord(full, u"監督甲"_s, u"主演乙"_s, "2000", u"日本"_s, u"ドラマ"_s) +
                       titleRecord(u"壊れた題"_s) +
                       titleRecord(u"一部の題"_s, u"既存の監督"_s, "", "2001") +
                       titleRecord(u"外す題"_s));
        for (const QString& name : {full, u"幻の題"_s, u"壊れた題"_s, u"一部の題"_s})
            writeCp932(f.path(), u"キャスト_"_s + name + ".txt", u"既存のキャスト\r\n"_s);
        for (const QString& name : {full, u"幻の題"_s, u"壊れた題"_s})
            writeCp932(f.path(), u"あらすじ_"_s + name + ".txt", u"既存のあらすじ\r\n"_s);
        for (const QString& name :
             {full, u"双子の峠"_s, u"一部の題"_s, u"幻の題"_s, u"壊れた題"_s, u"外す題"_s})
            writeBytes(f.path(), name + ".jpg", jpeg);
        f.start();
        f.prompts.reset();
        const auto before = snapshot(f.path());

        FillWindow* w = open(f);
        QVERIFY(w && w->isVisible() && !w->isModal());
        QVERIFY(in<QLabel>(w, "lblFillCount")->text().contains(u"6件"));
        QCOMPARE(in<QLabel>(w, "lblFillAttribution")->text(), kAttribution);
        QVERIFY(!in<QLabel>(w, "lblFillAttribution")->isHidden());
        QVERIFY(!in<QPushButton>(w, "cmdFillApply")->isEnabled());

        click(w, "cmdFillStart");
        QVERIFY(waitUntil([&] { return idle(w); }, 5000));
        QCOMPARE(in<QProgressBar>(w, "prgFill")->text(), u"6 / 6"_s);
        QCOMPARE(column(w, FillWindow::ColTitle),
                 (QStringList{u"灯台の港"_s, u"双子の峠"_s, u"幻の題"_s, u"壊れた題"_s,
                              u"一部の題"_s, u"外す題"_s}));
        QCOMPARE(column(w, FillWindow::ColState),
                 (QStringList{u"補える"_s, u"要確認"_s, u"見つからず"_s,
                              u"失敗: "_s + LookupError::httpStatus(500).message, u"補える"_s,
                              u"補える"_s}));
        const QStringList writes = column(w, FillWindow::ColWrites);
        QCOMPARE(writes[0],
                 u"監督 Dag Holm／主演 Ana Lind／国 日本／ジャンル ドラマ／キャスト／"
                 u"あらすじ／ポスター"_s);
        QCOMPARE(writes[4], u"主演 Fumi Oka／国 日本／ジャンル ドラマ／あらすじ"_s);
        QVERIFY(!asked(server, "query", full));
        QVERIFY(status(w).contains(u"要確認 1件"));
        QCOMPARE(snapshot(f.path()), before);  // nothing written before 反映

        auto* table = in<QTableWidget>(w, "tblFill");
        auto* pick = qobject_cast<PickCombo*>(table->cellWidget(1, FillWindow::ColCandidates));
        QVERIFY(pick);
        QCOMPARE(pick->count(), 3);
        QCOMPARE(pick->itemText(0), QString());
        QCOMPARE(pick->itemText(2), u"双子の峠 ／ 1985年"_s);
        QVERIFY(!in<QPushButton>(w, "cmdFillResolve")->isEnabled());
        QVERIFY(ComboGestures::pickWithMouse(pick, 2));
        click(w, "cmdFillResolve");
        QVERIFY(waitUntil([&] { return table->item(1, FillWindow::ColState)->text() == u"補える"; },
                          5000));
        QVERIFY(waitUntil([&] { return idle(w); }, 5000));
        QCOMPARE(table->item(1, FillWindow::ColWrites)->text(),
                 u"監督 Eva Berg／主演 Carl Ny／公開日 1985/07/20／国 フランス／ジャンル 恋愛／"
                 u"キャスト"_s);
        QVERIFY(servedPath(server, "/3/movie/202") && !servedPath(server, "/3/movie/201"));
        QVERIFY(!servedPath(server, "/t/p/w500/p202.jpg"));  // its picture is there already

        table->item(5, FillWindow::ColTitle)->setCheckState(Qt::Unchecked);
        click(w, "cmdFillApply");
        auto after = before;
        after[kDataFile] = cp932(
            titleRecord(u"灯台の港"_s, "Dag Holm", "Ana Lind", "1998", u"日本"_s, u"ドラマ"_s) +
            titleRecord(u"双子の峠"_s, "Eva Berg", "Carl Ny", "1985/07/20", u"フランス"_s,
                        u"恋愛"_s) +
            titleRecord(u"幻の題"_s) +
            titleRecord(full, u"監督甲"_s, u"主演乙"_s, "2000", u"日本"_s, u"ドラマ"_s) +
            titleRecord(u"壊れた題"_s) +
            titleRecord(u"一部の題"_s, u"既存の監督"_s, "Fumi Oka", "2001", u"日本"_s,
                        u"ドラマ"_s) +
            titleRecord(u"外す題"_s));
        after[u"キャスト_灯台の港.txt"_s] = cp932(u"Ana Lind（灯台守）\r\nBo Ek\r\n"_s);
        after[u"あらすじ_灯台の港.txt"_s] = cp932(u"港町の話。\r\n"_s);
        after[u"灯台の港.jpg"_s] = jpeg;
        after[u"キャスト_双子の峠.txt"_s] = cp932(u"Carl Ny（案内人）\r\n"_s);
        after[u"あらすじ_一部の題.txt"_s] = cp932(u"二行の\r\nあらすじ。\r\n"_s);
        QCOMPARE(snapshot(f.path()), after);
        QCOMPARE(table->item(0, FillWindow::ColState)->text(), u"反映済み"_s);
        // The card shows the new values, and the pick lists know them.
        QCOMPARE(f.find<PickCombo>("cboKantoku")->currentText(), u"Dag Holm"_s);
        QVERIFY(f.find<PickCombo>("cboKantoku")->findText(u"Eva Berg"_s) >= 0);

        undoKey(f, Qt::ControlModifier | Qt::Key_Z);  // one step takes all of it back
        QCOMPARE(snapshot(f.path()), before);
        QCOMPARE(f.find<PickCombo>("cboKantoku")->currentText(), QString());
        undoKey(f, Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_Z);
        QCOMPARE(snapshot(f.path()), after);
        f.checkBoxes();
    }

    // Without a key the batch asks Wikidata. A 429 is told as a wait; 中止 ends
    // the batch at once, keeps the rows found so far and asks nothing more, and
    // so does closing the window. Nothing is written either way.
    void cancellingOrClosingStopsTheRequestsAndWritesNothing() {
        const struct NoKey {
            QByteArray key = qgetenv("REELNOTE_TMDB_KEY");
            NoKey() { qunsetenv("REELNOTE_TMDB_KEY"); }
            ~NoKey() { qputenv("REELNOTE_TMDB_KEY", key); }
        } noKey;
        FakeServer server;
        server.setHandler([&](const FakeRequest& r) {
            if (r.query.queryItemValue(QStringLiteral("search"), QUrl::FullyDecoded) == u"乙") {
                FakeResponse busy = FakeResponse::json("{}", 429);
                busy.headers.append({QByteArray("Retry-After"), QByteArray("1")});
                return busy;
            }
            return FakeResponse::json(kNoWikidataHits);
        });
        addressesOf(server);
        MainFixture f;
        writeFreshMasters(f.path(), false);
        writeCp932(f.path(), kDataFile,
                   titleRecord(u"甲"_s) + titleRecord(u"乙"_s) + titleRecord(u"丙"_s));
        f.start();
        f.prompts.reset();
        const auto before = snapshot(f.path());

        QPointer<FillWindow> w = open(f);
        QVERIFY(w);
        QVERIFY(in<QLabel>(w, "lblFillAttribution")->isHidden());
        click(w, "cmdFillStart");
        QVERIFY(waitUntil([&] { return status(w).contains(u"待って"); }, 3000));
        QVERIFY(servedPath(server, "/w/api.php"));
        click(w, "cmdFillCancel");
        QVERIFY(idle(w));  // at once
        QVERIFY(status(w).startsWith(u"中止しました"));
        QCOMPARE(column(w, FillWindow::ColState), QStringList{u"見つからず"_s});
        QCOMPARE(in<QProgressBar>(w, "prgFill")->text(), u"1 / 3"_s);
        const qsizetype before429 = server.requests().size();
        QTest::qWait(1300);  // past the wait the service asked for
        QCOMPARE(server.requests().size(), before429);

        click(w, "cmdFillStart");
        QVERIFY(waitUntil([&] { return server.requests().size() > before429; }, 3000));
        QVERIFY(waitUntil([&] { return status(w).contains(u"待って"); }, 3000));
        const qsizetype again = server.requests().size();
        w->close();
        QTRY_VERIFY(w.isNull());
        QTest::qWait(1300);
        QCOMPARE(server.requests().size(), again);
        QVERIFY(!asked(server, "search", u"丙"_s));
        QCOMPARE(snapshot(f.path()), before);
        f.checkBoxes();
    }

    // A fault that every title would meet (here a key the service refuses)
    // stops the batch after the title that met it, saying what happened.
    void aFaultOfEveryTitleStopsTheBatchAndSaysWhy() {
        FakeServer server;
        server.setHandler([](const FakeRequest&) {
            return FakeResponse::json(R"({"status_code":7,"status_message":"Invalid API key"})",
                                      401);
        });
        addressesOf(server);
        MainFixture f;
        writeFreshMasters(f.path(), false);
        writeCp932(f.path(), kDataFile,
                   titleRecord(u"甲"_s) + titleRecord(u"乙"_s) + titleRecord(u"丙"_s));
        f.start();
        f.prompts.reset();
        FillWindow* w = open(f);
        QVERIFY(w);
        click(w, "cmdFillStart");
        QVERIFY(waitUntil([&] { return idle(w); }, 5000));
        QCOMPARE(status(w), u"途中で止まりました。"_s + LookupError::badKey().message);
        QCOMPARE(column(w, FillWindow::ColState),
                 QStringList{u"失敗: "_s + LookupError::badKey().message});
        QCOMPARE(in<QProgressBar>(w, "prgFill")->text(), u"1 / 3"_s);
        QCOMPARE(server.requests().size(), 1);
        f.checkBoxes();
    }

    // A window that may not write refuses 反映, and the button, before anything is done.
    void aReadOnlyWindowRefuses() {
        FakeServer server;
        server.setHandler([&](const FakeRequest& r) {
            if (r.path == "/3/search/movie")
                return FakeResponse::json(searchPage({hit(101, u"甲"_s, "1999-05-01")}));
            return FakeResponse::json(
                movie(101, u"甲"_s, "1999-05-01", "Dag Holm", {}, "Japan", u"ドラマ"_s, "", ""));
        });
        addressesOf(server);
        MainFixture f;
        writeFreshMasters(f.path(), false);
        writeCp932(f.path(), kDataFile, titleRecord(u"甲"_s));
        f.start();
        f.prompts.reset();
        const auto before = snapshot(f.path());
        FillWindow* w = open(f);
        QVERIFY(w);
        click(w, "cmdFillStart");
        QVERIFY(waitUntil([&] { return in<QPushButton>(w, "cmdFillApply")->isEnabled(); }, 5000));

        const QString refusal = u"読み取り専用で開いています。"_s;
        f.window->catalogue().setReadOnly(refusal);
        f.prompts.planAnswer(Prompts::Answer::Ok);
        f.prompts.planAnswer(Prompts::Answer::Ok);
        click(w, "cmdFillApply");
        f.click("cmdFillFromNet");
        f.checkBoxes();
        QCOMPARE(f.prompts.boxes.size(), 2);
        for (const ScriptedPrompts::Box& box : std::as_const(f.prompts.boxes)) {
            QCOMPARE(box.title, u"読み取り専用"_s);
            QCOMPARE(box.text, refusal);
        }
        QCOMPARE(snapshot(f.path()), before);
        QCOMPARE(f.window->findChildren<FillWindow*>().size(), 1);
    }

    // The key can be saved from the fill window too: the next 開始 asks TMDb
    // with it, the round before stays Wikidata's.
    void aKeySavedInItsSettingsAsksTmdbAtTheNextStart() {
        const struct NoKey {
            QByteArray key = qgetenv("REELNOTE_TMDB_KEY");
            NoKey() { qunsetenv("REELNOTE_TMDB_KEY"); }
            ~NoKey() { qputenv("REELNOTE_TMDB_KEY", key); }
        } noKey;
        const QString secret = QStringLiteral("fedcba9876543210fedcba9876543210");
        FakeServer server;
        server.setHandler([&](const FakeRequest& r) {
            if (r.path == QLatin1String("/3/search/movie"))
                return FakeResponse::json(
                    R"({"page":1,"results":[],"total_pages":0,"total_results":0})");
            return FakeResponse::json(kNoWikidataHits);
        });
        addressesOf(server);
        MainFixture f;
        writeFreshMasters(f.path(), false);
        writeCp932(f.path(), kDataFile, titleRecord(u"甲"_s));
        f.start();
        f.prompts.reset();
        QPointer<FillWindow> w = open(f);
        QVERIFY(w);
        click(w, "cmdFillStart");
        QVERIFY(
            waitUntil([&] { return idle(w) && !column(w, FillWindow::ColState).isEmpty(); }, 3000));
        QVERIFY(servedPath(server, "/w/api.php") && !servedPath(server, "/3/search/movie"));

        click(w, "cmdFillSettings");
        auto* settings = w->findChild<QWidget*>(QStringLiteral("frmLookupSettings"));
        QVERIFY(settings && settings->isVisible());
        QTest::keyClicks(settings->findChild<QLineEdit*>(QStringLiteral("txtTmdbKey")), secret);
        QTest::mouseClick(settings->findChild<QPushButton*>(QStringLiteral("cmdKeySave")),
                          Qt::LeftButton);
        auto* keyStatus = settings->findChild<QLabel*>(QStringLiteral("lblKeyStatus"));
        QVERIFY(waitUntil([&] { return keyStatus->text().contains(u"TMDb で調べます"); }, 3000));
        QTest::qWait(50);  // the window hears of the key on the event loop's turn
        QVERIFY(in<QLabel>(w, "lblFillAttribution")->isHidden());  // the round shown is Wikidata's

        click(w, "cmdFillStart");
        QVERIFY(waitUntil([&] { return servedPath(server, "/3/search/movie"); }, 3000));
        QVERIFY(waitUntil([&] { return idle(w); }, 3000));
        QVERIFY(!in<QLabel>(w, "lblFillAttribution")->isHidden());
        for (const FakeRequest& r : server.requests())
            if (r.path.startsWith(QLatin1String("/3/")))
                QCOMPARE(r.query.queryItemValue("api_key"), secret);

        // The key goes again, so that the tests after this one have none.
        QTest::mouseClick(settings->findChild<QPushButton*>(QStringLiteral("cmdKeyForget")),
                          Qt::LeftButton);
        QVERIFY(waitUntil([&] { return keyStatus->text().contains(u"設定されていません"); }, 3000));
        w->close();
    }
};

REELNOTE_TEST(TestFillWindow)
#include "tst_fill_window.moc"
