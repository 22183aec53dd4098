#include "fake_secret_store.h"
#include "lookup/tmdb_key.h"
#include "lookup_support.h"
#include "test_registry.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString kRunOnly = QStringLiteral(
    "キーを保存する場所（キーリング）が見つからないため、このキーは、プログラムを閉じるまでの間だけ"
    "使います。");

// Sets a variable for one test and puts the old value back after it.
struct Variable {
    Variable(const char* name, const QByteArray& value) : name_(name), old_(qgetenv(name)) {
        had_ = qEnvironmentVariableIsSet(name);
        qputenv(name, value);
    }
    ~Variable() {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }
    const char* name_;
    QByteArray old_;
    bool had_ = false;
};

// What fetch, store or forget answered, once it did.
struct Heard {
    bool came = false;
    QString text;
    bool wait() {
        return waitUntil([this] { return came; }, 5000);
    }
};
}  // namespace

class TestTmdbKey : public QObject {
    Q_OBJECT
private:
    QObject context_;

    QString fetched(TmdbKey& key) {
        Heard h;
        key.fetch(&context_, [&h](const QString& k) { h = {true, k}; });
        if (h.came) return QStringLiteral("answered before the event loop ran");
        if (!h.wait()) return QStringLiteral("no answer");
        return h.text;
    }
    QString stored(TmdbKey& key, const QString& text) {
        Heard h;
        key.store(&context_, text, [&h](const QString& p) { h = {true, p}; });
        return h.wait() ? h.text : QStringLiteral("no answer");
    }
    QString forgotten(TmdbKey& key) {
        Heard h;
        key.forget(&context_, [&h](const QString& p) { h = {true, p}; });
        return h.wait() ? h.text : QStringLiteral("no answer");
    }

private slots:
    void init() { qunsetenv("REELNOTE_TMDB_KEY"); }
    void cleanup() { qunsetenv("REELNOTE_TMDB_KEY"); }

    void theEnvironmentComesFirstThenThisRunThenTheStoreReadOnce() {
        auto state = std::make_shared<FakeSecretStore::State>();
        state->secret = QStringLiteral("stored-key");
        TmdbKey key(std::make_unique<FakeSecretStore>(state));

        QCOMPARE(fetched(key), QStringLiteral("stored-key"));
        QCOMPARE(key.origin(), TmdbKey::Origin::SecretStore);
        QCOMPARE(fetched(key), QStringLiteral("stored-key"));
        QCOMPARE(state->reads, 1);

        qputenv("REELNOTE_TMDB_KEY", "  env-key \n");
        QCOMPARE(fetched(key), QStringLiteral("env-key"));
        QCOMPARE(key.origin(), TmdbKey::Origin::Environment);

        state->outcome = SecretStore::Outcome::NoStore;  // the store went away
        QCOMPARE(stored(key, QStringLiteral("run-key")), kRunOnly);
        QCOMPARE(fetched(key), QStringLiteral("env-key"));
        qunsetenv("REELNOTE_TMDB_KEY");
        QCOMPARE(fetched(key), QStringLiteral("run-key"));
        QCOMPARE(key.origin(), TmdbKey::Origin::ThisRun);
        QCOMPARE(state->secret, QStringLiteral("stored-key"));

        // Without the environment's key nor one in the store, none; the
        // environment's key alone does not ask the store.
        auto empty = std::make_shared<FakeSecretStore::State>();
        TmdbKey none(std::make_unique<FakeSecretStore>(empty));
        QCOMPARE(fetched(none), QString());
        QCOMPARE(none.origin(), TmdbKey::Origin::None);
        qputenv("REELNOTE_TMDB_KEY", "env-key");
        TmdbKey fromEnvironment(std::make_unique<FakeSecretStore>(empty));
        QCOMPARE(fetched(fromEnvironment), QStringLiteral("env-key"));
        QCOMPARE(empty->reads, 1);
    }

    void aStoreThatFailsKeepsTheKeyForThisRunAndSaysSo() {
        auto state = std::make_shared<FakeSecretStore::State>();
        state->outcome = SecretStore::Outcome::NoStore;
        TmdbKey key(std::make_unique<FakeSecretStore>(state));
        QCOMPARE(fetched(key), QString());
        QVERIFY(key.storeProblem().startsWith(QStringLiteral("キーを保存する場所")));

        QCOMPARE(stored(key, QStringLiteral(" abc123 ")), kRunOnly);
        QCOMPARE(fetched(key), QStringLiteral("abc123"));
        QCOMPARE(key.origin(), TmdbKey::Origin::ThisRun);

        state->outcome = SecretStore::Outcome::Refused;  // locked
        const QString refused = stored(key, QStringLiteral("def456"));
        QVERIFY2(refused.startsWith(QStringLiteral("キーリングが応じなかったため")) &&
                     refused.endsWith(QStringLiteral("プログラムを閉じるまでの間だけ使います。")),
                 qPrintable(refused));
        QCOMPARE(fetched(key), QStringLiteral("def456"));

        // A key that cannot be one changes nothing.
        for (const QString& bad :
             {QString(), QStringLiteral("ab cd"), QStringLiteral("ab\ncd"), QStringLiteral("キー")})
            QCOMPARE(stored(key, bad), TmdbKey::keyProblem(bad));
        QCOMPARE(fetched(key), QStringLiteral("def456"));

        state->outcome = SecretStore::Outcome::Done;  // the store is back
        QCOMPARE(stored(key, QStringLiteral("ghi789")), QString());
        QCOMPARE(state->secret, QStringLiteral("ghi789"));
        QCOMPARE(key.origin(), TmdbKey::Origin::SecretStore);
        QCOMPARE(forgotten(key), QString());
        QCOMPARE(state->secret, QString());
        QCOMPARE(fetched(key), QString());
        QCOMPARE(key.origin(), TmdbKey::Origin::None);
    }

    // QtKeychain itself, where no session bus answers: it must say so at once,
    // and the key is then kept for the run, nowhere on disk.
    void theDesktopStoreWithoutASessionBusFailsFast() {
        const QTemporaryDir home;
        QVERIFY(home.isValid());
        const Variable bus("DBUS_SESSION_BUS_ADDRESS",
                           "unix:path=" + QFile::encodeName(home.path()) + "/no-such-bus");
        const Variable config("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
        TmdbKey key(makeKeychainStore());
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(fetched(key), QString());
        const QString secret = QStringLiteral("0123456789abcdef0123456789abcdef");
        const QString problem = stored(key, secret);
        QCOMPARE(problem, kRunOnly);
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(fetched(key), secret);
        QCOMPARE(key.origin(), TmdbKey::Origin::ThisRun);
        QDirIterator files(home.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            QFile f(files.next());
            QVERIFY(f.open(QIODevice::ReadOnly));
            QVERIFY2(!f.readAll().contains(secret.toLatin1()), qPrintable(f.fileName()));
        }
    }
};

REELNOTE_TEST(TestTmdbKey)
#include "tst_tmdb_key.moc"
