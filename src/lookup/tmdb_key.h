#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

// Where a secret is kept between runs: the desktop's secret store. Each call
// answers exactly once, later, on the thread it was made on.
class SecretStore {
public:
    enum class Outcome {
        Done,
        NotFound,  // nothing kept under the name
        NoStore,   // no secret store answers (no session bus, no service)
        Refused,   // the store is there but said no (locked, denied)
        Failed,
    };
    struct Result {
        Outcome outcome = Outcome::Failed;
        QString secret;  // what read() found
        QString detail;  // the store's own words, for the message
    };
    using Answer = std::function<void(const Result&)>;

    virtual ~SecretStore() = default;
    virtual void read(Answer answer) = 0;
    virtual void write(const QString& secret, Answer answer) = 0;
    virtual void remove(Answer answer) = 0;
};

// The desktop's secret store through QtKeychain, under service "reelnote",
// key "tmdb". Never falls back to a plain file.
std::unique_ptr<SecretStore> makeKeychainStore();

// The TMDb key, for every part of the program: the environment's
// REELNOTE_TMDB_KEY first, else the key kept for this run, else the one in the
// secret store, which is read once. Every answer comes through the event loop;
// nothing here waits. The key is never written to a file or a log.
class TmdbKey {
public:
    enum class Origin { None, Environment, ThisRun, SecretStore };
    using Found = std::function<void(const QString& key)>;
    using Done = std::function<void(const QString& problem)>;  // empty when all went well

    static TmdbKey& instance();
    explicit TmdbKey(std::unique_ptr<SecretStore> store);

    // Tests put a store of their own here; it forgets every key known so far.
    void setStore(std::unique_ptr<SecretStore> store);

    // Answers the key (empty when there is none) unless context is gone by then.
    void fetch(QObject* context, Found found);
    // Keeps key in the secret store; where none answers, for this run only,
    // and done says so.
    void store(QObject* context, const QString& key, Done done);
    // Drops the key from the secret store and from this run.
    void forget(QObject* context, Done done);

    // Where the key of the last answer comes from, and what the secret store
    // said when it could not be read (empty when it could, or was not asked).
    Origin origin() const;
    QString storeProblem() const { return storeProblem_; }

    // Why a typed key cannot be a key; empty when it can.
    static QString keyProblem(const QString& key);

private:
    enum class State { Unread, Reading, Read };
    struct Waiter {
        QPointer<QObject> context;
        Found found;
    };

    QString current() const;
    void answerWaiters();
    static void soon(QObject* context, std::function<void()> call);

    std::unique_ptr<SecretStore> store_;
    // The store answers later: its answers check that this is still there.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    State state_ = State::Unread;
    QString stored_;
    QString runKey_;
    QString storeProblem_;
    int changes_ = 0;  // a read that began before a store() or forget() is stale
    std::vector<Waiter> waiters_;
};
