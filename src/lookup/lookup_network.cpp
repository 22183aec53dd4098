#include "lookup_network.h"

#include <QDateTime>
#include <QDir>
#include <QJsonParseError>
#include <QNetworkAccessManager>
#include <QNetworkDiskCache>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QStandardPaths>

NetworkOptions NetworkOptions::standard() {
    NetworkOptions o;
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (!base.isEmpty()) o.cacheDir = QDir(base).filePath(QStringLiteral("reelnote"));
    return o;
}

LookupNetwork::LookupNetwork(NetworkOptions options, QObject* parent)
    : QObject(parent), options_(std::move(options)), manager_(new QNetworkAccessManager(this)) {
    // The desktop's proxy (and http_proxy and its kin) reaches the services as
    // the browser does.
    QNetworkProxyFactory::setUseSystemConfiguration(true);
    if (!options_.cacheDir.isEmpty()) {
        cache_ = new QNetworkDiskCache(this);
        cache_->setCacheDirectory(options_.cacheDir);
        cache_->setMaximumCacheSize(100 * 1024 * 1024);
    }
    writer_.setMaxThreadCount(1);  // one write after another, in the order kept
}

LookupNetwork::~LookupNetwork() { settle(); }

void LookupNetwork::settle() { writer_.waitForDone(); }

std::optional<QByteArray> LookupNetwork::cached(const QUrl& key) {
    if (!cache_) return std::nullopt;
    QMutexLocker lock(&cacheLock_);
    if (const auto it = pending_.constFind(key); it != pending_.cend()) return it->body;
    const QNetworkCacheMetaData meta = cache_->metaData(key);
    if (!meta.isValid() || meta.expirationDate() <= QDateTime::currentDateTimeUtc())
        return std::nullopt;
    std::unique_ptr<QIODevice> data(cache_->data(key));
    if (!data) return std::nullopt;
    return data->readAll();
}

void LookupNetwork::forget(const QUrl& key) {
    if (!cache_) return;
    QMutexLocker lock(&cacheLock_);
    pending_.remove(key);
    cache_->remove(key);
}

void LookupNetwork::keep(const QUrl& key, const QByteArray& body) {
    if (!cache_) return;
    const quint64 generation = ++generation_;
    {
        QMutexLocker lock(&cacheLock_);
        pending_.insert(key, {body, generation});
    }
    const int seconds = options_.cacheSeconds;
    writer_.start([this, key, generation, seconds] {
        QMutexLocker lock(&cacheLock_);
        const auto it = pending_.find(key);
        if (it == pending_.end() || it->generation != generation) return;  // forgotten or newer
        QNetworkCacheMetaData meta;
        meta.setUrl(key);
        meta.setSaveToDisk(true);
        meta.setLastModified(QDateTime::currentDateTimeUtc());
        meta.setExpirationDate(QDateTime::currentDateTimeUtc().addSecs(seconds));
        if (QIODevice* out = cache_->prepare(meta)) {
            if (out->write(it->body) == it->body.size())
                cache_->insert(out);
            else
                cache_->remove(key);
        }
        pending_.erase(it);
    });
}

bool looksLikeImage(const QByteArray& b) {
    return b.startsWith("\xFF\xD8\xFF") || b.startsWith("\x89PNG\r\n\x1A\n") ||
           b.startsWith("GIF87a") || b.startsWith("GIF89a") ||
           (b.startsWith("RIFF") && b.mid(8, 4) == "WEBP");
}

HttpFetch::HttpFetch(LookupNetwork& network, QObject* parent) : QObject(parent), network_(network) {
    total_.setSingleShot(true);
    retry_.setSingleShot(true);
    cached_.setSingleShot(true);
    connect(&total_, &QTimer::timeout, this, &HttpFetch::totalTimedOut);
    connect(&retry_, &QTimer::timeout, this, &HttpFetch::send);
    connect(&cached_, &QTimer::timeout, this, [this] { finish(cachedOutcome_); });
}

HttpFetch::~HttpFetch() { dropReply(); }

void HttpFetch::get(const QNetworkRequest& request, Body body, const QUrl& cacheKey, Done done) {
    cancel();
    request_ = request;
    kind_ = body;
    cacheKey_ = cacheKey;
    done_ = std::move(done);
    tries_ = 0;
    busy_ = true;
    if (fromCache()) {
        cached_.start(0);
        return;
    }
    send();
}

void HttpFetch::cancel() {
    dropReply();
    total_.stop();
    retry_.stop();
    cached_.stop();
    done_ = nullptr;
    busy_ = false;
}

void HttpFetch::dropReply() {
    if (!reply_) return;
    QNetworkReply* r = reply_;
    reply_ = nullptr;
    r->disconnect(this);
    r->abort();
    r->deleteLater();
}

qint64 HttpFetch::limit() const {
    return kind_ == Body::Json ? network_.options().jsonLimit : network_.options().imageLimit;
}

void HttpFetch::send() {
    const NetworkOptions& o = network_.options();
    QNetworkRequest r = request_;
    r.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                   QNetworkRequest::NoLessSafeRedirectPolicy);
    r.setMaximumRedirectsAllowed(o.maxRedirects);
    r.setTransferTimeout(o.idleTimeoutMs);
    // The cache is kept by hand (see store()), under an address without the key.
    r.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    r.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    r.setHeader(QNetworkRequest::UserAgentHeader, o.userAgent);
    r.setRawHeader("Accept", kind_ == Body::Json ? "application/json" : "image/*");
    body_.clear();
    reply_ = network_.manager()->get(r);
    connect(reply_, &QNetworkReply::metaDataChanged, this, &HttpFetch::checkAnnouncedSize);
    connect(reply_, &QNetworkReply::readyRead, this, &HttpFetch::readSome);
    connect(reply_, &QNetworkReply::finished, this, &HttpFetch::replyFinished);
    total_.start(o.totalTimeoutMs);
}

void HttpFetch::checkAnnouncedSize() {
    const QVariant length = reply_->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toLongLong() > limit()) stop(LookupError::tooLarge(limit()));
}

void HttpFetch::readSome() {
    body_ += reply_->readAll();
    if (body_.size() > limit()) stop(LookupError::tooLarge(limit()));
}

void HttpFetch::totalTimedOut() {
    stop(LookupError::timeout((network_.options().totalTimeoutMs + 999) / 1000));
}

// Ends the request from this side, as a failure.
void HttpFetch::stop(const LookupError& error) {
    dropReply();
    total_.stop();
    HttpOutcome outcome;
    outcome.error = error;
    finish(outcome);
}

void HttpFetch::finish(HttpOutcome outcome) {
    total_.stop();
    busy_ = false;
    Done done = std::move(done_);
    done_ = nullptr;
    if (done) done(outcome);
}

void HttpFetch::replyFinished() {
    QNetworkReply* r = reply_;
    if (r->isOpen()) body_ += r->readAll();  // a reply the transfer timeout aborted is closed
    const int status = r->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray retryAfter = r->rawHeader("Retry-After");
    const QByteArray contentType = r->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    HttpOutcome outcome;
    outcome.error = errorOfReply();
    dropReply();
    total_.stop();
    if (status == 429 && tries_ < network_.options().maxRetries) {
        bool ok = false;
        int seconds = retryAfter.trimmed().toInt(&ok);
        if (!ok) {
            const QDateTime at =
                QDateTime::fromString(QString::fromLatin1(retryAfter).trimmed(), Qt::RFC2822Date);
            seconds = at.isValid() ? int(QDateTime::currentDateTimeUtc().secsTo(at)) : -1;
        }
        // Without a word from the server, wait longer each time.
        const qint64 unit = network_.options().retryAfterUnitMs;
        const qint64 wait = seconds >= 0 ? seconds * unit : unit << tries_;
        retryLater(int(qMin<qint64>(wait, network_.options().maxRetryWaitMs)));
        return;
    }
    if (!outcome.error.failed()) {
        outcome.body = std::move(body_);
        if (kind_ == Body::Json && contentType.contains("html"))
            outcome.error = LookupError::captivePortal();
        else
            outcome.error = checkBody(&outcome);
        if (!outcome.error.failed()) store(outcome.body);
    }
    body_.clear();
    finish(outcome);
}

void HttpFetch::retryLater(int milliseconds) {
    ++tries_;
    emit waiting(milliseconds);
    retry_.start(milliseconds);
}

LookupError HttpFetch::errorOfReply() const {
    using Kind = LookupError::Kind;
    const int status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 400) return LookupError::httpStatus(status);
    switch (reply_->error()) {
        case QNetworkReply::NoError:
            return {};
        case QNetworkReply::OperationCanceledError:  // the transfer timeout aborts so
        case QNetworkReply::TimeoutError:
        case QNetworkReply::ProxyTimeoutError:
            return LookupError::timeout((network_.options().idleTimeoutMs + 999) / 1000);
        case QNetworkReply::ConnectionRefusedError:
            return LookupError::make(
                Kind::Unreachable,
                QStringLiteral("サービスに接続できませんでした（接続を拒否されまし"
                               "た）。アドレスの設定を確かめてください。"));
        case QNetworkReply::HostNotFoundError:
        case QNetworkReply::NetworkSessionFailedError:
        case QNetworkReply::TemporaryNetworkFailureError:
            return LookupError::make(
                Kind::Unreachable,
                QStringLiteral(
                    "ネットワークにつながっていないか、サービスのアドレス（%1）が見つかりま"
                    "せん。")
                    .arg(reply_->url().host()));
        case QNetworkReply::ProxyConnectionRefusedError:
        case QNetworkReply::ProxyConnectionClosedError:
        case QNetworkReply::ProxyNotFoundError:
        case QNetworkReply::ProxyAuthenticationRequiredError:
            return LookupError::make(
                Kind::Unreachable, QStringLiteral("プロキシを通してサービスに接続できませんでした。"
                                                  "プロキシの設定を確かめてください。"));
        case QNetworkReply::SslHandshakeFailedError:
            return LookupError::make(Kind::Tls,
                                     QStringLiteral("安全な接続（HTTPS）を確立できませんでした。"));
        case QNetworkReply::TooManyRedirectsError:
        case QNetworkReply::InsecureRedirectError:
            return LookupError::make(Kind::Redirects,
                                     QStringLiteral("転送（リダイレクト）が多すぎるか、安全でない"
                                                    "アドレスへの転送のため、打ち切りました。"));
        case QNetworkReply::RemoteHostClosedError:
            return LookupError::make(Kind::Server,
                                     QStringLiteral("サービスとの接続が途中で切れました。"));
        default:
            return LookupError::make(
                Kind::Server, QStringLiteral("サービスから答えを受け取れませんでした（%1）。")
                                  .arg(reply_->errorString()));
    }
}

LookupError HttpFetch::checkBody(HttpOutcome* outcome) const {
    if (kind_ == Body::Image)
        return looksLikeImage(outcome->body) ? LookupError{} : LookupError::notImage();
    const QByteArray start = outcome->body.left(256).trimmed().toLower();
    if (start.startsWith('<')) return LookupError::captivePortal();
    QJsonParseError e;
    outcome->json = QJsonDocument::fromJson(outcome->body, &e);
    if (e.error != QJsonParseError::NoError)
        return LookupError::notJson(
            QStringLiteral("JSONとして読めません: %1").arg(e.errorString()));
    return {};
}

// An answer younger than a day is taken from the cache without asking again.
bool HttpFetch::fromCache() {
    if (cacheKey_.isEmpty()) return false;
    const std::optional<QByteArray> body = network_.cached(cacheKey_);
    if (!body) return false;
    cachedOutcome_ = {};
    cachedOutcome_.body = *body;
    cachedOutcome_.fromCache = true;
    if (checkBody(&cachedOutcome_).failed()) {
        network_.forget(cacheKey_);
        return false;
    }
    return true;
}

void HttpFetch::store(const QByteArray& body) {
    if (!cacheKey_.isEmpty()) network_.keep(cacheKey_, body);
}
