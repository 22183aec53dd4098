#include "tmdb_key.h"

#include "lookup_config.h"

#include <qt6keychain/keychain.h>
#include <QDBusConnection>
#include <QTimer>

namespace {
const QString kService = QStringLiteral("reelnote");
const QString kName = QStringLiteral("tmdb");
const QString kRunOnly = QStringLiteral("このキーは、プログラムを閉じるまでの間だけ使います。");

class KeychainStore : public SecretStore {
public:
    void read(Answer answer) override {
        auto* job = new QKeychain::ReadPasswordJob(kService);
        run(job, [job, answer] {
            Result r = resultOf(job);
            if (r.outcome == Outcome::Done) r.secret = job->textData();
            answer(r);
        });
    }
    void write(const QString& secret, Answer answer) override {
        auto* job = new QKeychain::WritePasswordJob(kService);
        job->setTextData(secret);
        run(job, [job, answer] { answer(resultOf(job)); });
    }
    void remove(Answer answer) override {
        auto* job = new QKeychain::DeletePasswordJob(kService);
        run(job, [job, answer] { answer(resultOf(job)); });
    }

private:
    static void run(QKeychain::Job* job, std::function<void()> finished) {
        job->setKey(kName);
        job->setAutoDelete(true);
        // A secret the desktop cannot keep is not written to a plain file instead.
        job->setInsecureFallback(false);
        QObject::connect(job, &QKeychain::Job::finished, job, [finished] { finished(); });
        job->start();
    }
    static Result resultOf(const QKeychain::Job* job) {
        Result r;
        r.detail = job->errorString();
        switch (job->error()) {
            case QKeychain::NoError:
                r.outcome = Outcome::Done;
                break;
            case QKeychain::EntryNotFound:
                r.outcome = Outcome::NotFound;
                break;
            case QKeychain::NoBackendAvailable:
            case QKeychain::NotImplemented:
                r.outcome = Outcome::NoStore;
                break;
            case QKeychain::AccessDenied:
            case QKeychain::AccessDeniedByUser:
                r.outcome = Outcome::Refused;
                break;
            default:
                r.outcome = Outcome::Failed;
                break;
        }
        // Without a session bus QtKeychain says only "Unknown error": there is
        // no store to ask.
        if (r.outcome == Outcome::Failed && !QDBusConnection::sessionBus().isConnected())
            r.outcome = Outcome::NoStore;
        return r;
    }
};

// What the user is told when the store did not do its part.
QString whyNot(const SecretStore::Result& r) {
    using O = SecretStore::Outcome;
    switch (r.outcome) {
        case O::NoStore:
            return QStringLiteral("キーを保存する場所（キーリング）が見つからないため、");
        case O::Refused:
            return QStringLiteral(
                "キーリングが応じなかったため（ロックされているか、許可されていません）、");
        default:
            return QStringLiteral("キーリングでエラーが起きたため（%1）、")
                .arg(r.detail.isEmpty() ? QStringLiteral("理由不明") : r.detail);
    }
}
}  // namespace

std::unique_ptr<SecretStore> makeKeychainStore() { return std::make_unique<KeychainStore>(); }

TmdbKey& TmdbKey::instance() {
    static TmdbKey key(makeKeychainStore());
    return key;
}

TmdbKey::TmdbKey(std::unique_ptr<SecretStore> store) : store_(std::move(store)) {}

void TmdbKey::setStore(std::unique_ptr<SecretStore> store) {
    store_ = std::move(store);
    alive_ = std::make_shared<int>(0);  // answers of the old store are dropped
    state_ = State::Unread;
    stored_.clear();
    runKey_.clear();
    storeProblem_.clear();
    if (!waiters_.empty()) fetch(nullptr, {});
}

void TmdbKey::soon(QObject* context, std::function<void()> call) {
    if (context) QTimer::singleShot(0, context, std::move(call));
}

QString TmdbKey::current() const {
    if (const QString env = tmdbKeyFromEnvironment(); !env.isEmpty()) return env;
    return runKey_.isEmpty() ? stored_ : runKey_;
}

TmdbKey::Origin TmdbKey::origin() const {
    if (!tmdbKeyFromEnvironment().isEmpty()) return Origin::Environment;
    if (!runKey_.isEmpty()) return Origin::ThisRun;
    return stored_.isEmpty() ? Origin::None : Origin::SecretStore;
}

QString TmdbKey::keyProblem(const QString& key) {
    const QString k = key.trimmed();
    if (k.isEmpty()) return QStringLiteral("キーを入力してください。");
    for (const QChar c : k)
        if (c.unicode() < 0x21 || c.unicode() > 0x7E)
            return QStringLiteral(
                "キーに使えるのは半角の英数字と記号だけです（空白や改行は含められません）。");
    return {};
}

void TmdbKey::fetch(QObject* context, Found found) {
    if (context) waiters_.push_back({context, std::move(found)});
    // The environment's key needs no store: the desktop is not asked for one.
    if (state_ == State::Unread && tmdbKeyFromEnvironment().isEmpty() && runKey_.isEmpty()) {
        state_ = State::Reading;
        const int changes = changes_;
        std::weak_ptr<int> alive = alive_;
        store_->read([this, alive, changes](const SecretStore::Result& r) {
            if (alive.expired()) return;
            state_ = State::Read;
            if (changes == changes_) {
                stored_ = r.outcome == SecretStore::Outcome::Done ? r.secret.trimmed() : QString();
                storeProblem_ = r.outcome == SecretStore::Outcome::Done ||
                                        r.outcome == SecretStore::Outcome::NotFound
                                    ? QString()
                                    : whyNot(r) + QStringLiteral("保存したキーを読めません。");
            }
            answerWaiters();
        });
        return;
    }
    if (state_ != State::Reading) answerWaiters();
}

void TmdbKey::answerWaiters() {
    const QString key = current();
    for (Waiter& w : waiters_)
        if (w.context) soon(w.context, [key, found = std::move(w.found)] { found(key); });
    waiters_.clear();
}

void TmdbKey::store(QObject* context, const QString& key, Done done) {
    const QString k = key.trimmed();
    if (const QString problem = keyProblem(k); !problem.isEmpty()) {
        soon(context, [done, problem] { done(problem); });
        return;
    }
    ++changes_;
    std::weak_ptr<int> alive = alive_;
    QPointer<QObject> asker = context;
    store_->write(k, [this, alive, asker, k, done](const SecretStore::Result& r) {
        if (alive.expired()) return;
        QString problem;
        if (r.outcome == SecretStore::Outcome::Done) {
            stored_ = k;
            runKey_.clear();
            storeProblem_.clear();
        } else {
            runKey_ = k;
            problem = whyNot(r) + kRunOnly;
        }
        if (state_ == State::Unread) state_ = State::Read;  // nothing older to read
        if (asker) soon(asker, [done, problem] { done(problem); });
    });
}

void TmdbKey::forget(QObject* context, Done done) {
    ++changes_;
    runKey_.clear();
    std::weak_ptr<int> alive = alive_;
    QPointer<QObject> asker = context;
    store_->remove([this, alive, asker, done](const SecretStore::Result& r) {
        if (alive.expired()) return;
        using O = SecretStore::Outcome;
        QString problem;
        // Where no store answers and none was read, no key is left either.
        if (r.outcome == O::Done || r.outcome == O::NotFound ||
            (r.outcome == O::NoStore && stored_.isEmpty())) {
            stored_.clear();
            if (state_ == State::Unread) state_ = State::Read;
        } else {
            problem = whyNot(r) + QStringLiteral("キーリングのキーを削除できませんでした。");
        }
        if (asker) soon(asker, [done, problem] { done(problem); });
    });
}
