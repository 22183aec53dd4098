#pragma once

#include "lookup_error.h"

#include <QByteArray>
#include <QHash>
#include <QJsonDocument>
#include <QMutex>
#include <QNetworkRequest>
#include <QObject>
#include <QPointer>
#include <QThreadPool>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <optional>

class QNetworkAccessManager;
class QNetworkDiskCache;
class QNetworkReply;

// How every request of the lookup behaves. The defaults are the program's;
// tests shorten the waits and the limits.
struct NetworkOptions {
    QString cacheDir;            // empty: nothing cached
    int idleTimeoutMs = 10000;   // no byte for this long ends the request
    int totalTimeoutMs = 60000;  // a server that drips bytes is cut off here
    int maxRedirects = 5;
    qint64 jsonLimit = 5 * 1024 * 1024;
    qint64 imageLimit = 20 * 1024 * 1024;
    int maxRetries = 4;           // tries again after a 429 this many times
    int retryAfterUnitMs = 1000;  // one second of Retry-After
    int maxRetryWaitMs = 120000;  // a longer Retry-After is cut to this
    int cacheSeconds = 24 * 60 * 60;
    QByteArray userAgent = "reelnote/0.1 (https://github.com/reelnote/reelnote)";

    // The defaults, caching under $XDG_CACHE_HOME/reelnote.
    static NetworkOptions standard();
};

// The one access manager of the lookup, its disk cache and its options. It
// lives on the thread that makes it (the window's); nothing it does blocks.
class LookupNetwork : public QObject {
    Q_OBJECT
public:
    explicit LookupNetwork(NetworkOptions options = NetworkOptions::standard(),
                           QObject* parent = nullptr);

    QNetworkAccessManager* manager() const { return manager_; }
    // The answers kept in the disk cache. A write goes to a thread of its own,
    // so that the disk's time is not the window's; a read sees a write still
    // under way. Nothing is kept when the options name no cache.
    std::optional<QByteArray> cached(const QUrl& key);  // nothing when none is fresh
    void keep(const QUrl& key, const QByteArray& body);
    void forget(const QUrl& key);
    // Waits until every answer kept is on disk.
    void settle();
    ~LookupNetwork() override;
    const NetworkOptions& options() const { return options_; }

private:
    NetworkOptions options_;
    QNetworkAccessManager* manager_;
    QNetworkDiskCache* cache_ = nullptr;
    struct Pending {
        QByteArray body;
        quint64 generation = 0;
    };
    QMutex cacheLock_;              // the cache and pending_, between the two threads
    QHash<QUrl, Pending> pending_;  // kept, not yet on disk
    quint64 generation_ = 0;
    QThreadPool writer_;
};

// What one request gave: the body, and for JSON the document read from it.
struct HttpOutcome {
    LookupError error;
    QByteArray body;
    QJsonDocument json;
    bool fromCache = false;
};

// One GET at a time, with the timeouts, limits, redirects, retries and cache
// of LookupNetwork. The callback runs on this object's thread once per get(),
// unless cancel() or another get() comes first; it may start the next get().
class HttpFetch : public QObject {
    Q_OBJECT
public:
    enum class Body { Json, Image };
    using Done = std::function<void(const HttpOutcome&)>;

    explicit HttpFetch(LookupNetwork& network, QObject* parent = nullptr);
    ~HttpFetch() override;

    // cacheKey names the answer in the cache: the address without a key in
    // it, so that no key is written to disk. Empty: not cached.
    void get(const QNetworkRequest& request, Body body, const QUrl& cacheKey, Done done);
    // Stops at once: the request is aborted and its callback never runs.
    void cancel();
    bool busy() const { return busy_; }

signals:
    // A 429 came: the next try starts after this long.
    void waiting(int milliseconds);

private:
    void send();
    void readSome();
    void checkAnnouncedSize();
    void replyFinished();
    void totalTimedOut();
    void retryLater(int tries);
    void stop(const LookupError& error);
    void finish(HttpOutcome outcome);
    LookupError errorOfReply() const;
    LookupError checkBody(HttpOutcome* outcome) const;
    bool fromCache();
    void store(const QByteArray& body);
    qint64 limit() const;
    void dropReply();

    LookupNetwork& network_;
    QNetworkRequest request_;
    Body kind_ = Body::Json;
    QUrl cacheKey_;
    Done done_;
    QPointer<QNetworkReply> reply_;
    QByteArray body_;
    QTimer total_;
    QTimer retry_;
    QTimer cached_;  // hands a cached answer over after the call returns
    HttpOutcome cachedOutcome_;
    int tries_ = 0;
    bool busy_ = false;
};

// True when bytes begin as a JPEG, PNG, WebP or GIF file does.
bool looksLikeImage(const QByteArray& bytes);
