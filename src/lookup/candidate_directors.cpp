#include "candidate_directors.h"

#include "json_shape.h"
#include "tmdb_client.h"

CandidateDirectors::CandidateDirectors(LookupNetwork& network, const LookupAddresses& addresses,
                                       const QString& key, QObject* parent)
    : QObject(parent), fetch_(network, this), addresses_(addresses), key_(key.trimmed()) {
    soon_.setSingleShot(true);
    connect(&soon_, &QTimer::timeout, this, &CandidateDirectors::finished);
}

void CandidateDirectors::start(const QVector<Candidate>& candidates, int most) {
    cancel();
    if (!key_.isEmpty()) {
        for (const Candidate& c : candidates) {
            if (most >= 0 && ids_.size() >= most) break;
            if (c.source == QLatin1String("tmdb")) ids_.append(c.id);
        }
    }
    if (ids_.isEmpty()) {
        soon_.start(0);
        return;
    }
    next();
}

void CandidateDirectors::cancel() {
    ++run_;
    ids_.clear();
    fetch_.cancel();
    soon_.stop();
}

void CandidateDirectors::next() {
    if (ids_.isEmpty()) {
        emit finished();
        return;
    }
    const QString id = ids_.takeFirst();
    QUrlQuery q;
    q.addQueryItem(QStringLiteral("language"), QStringLiteral("ja-JP"));
    QUrl cacheKey;
    const QNetworkRequest r = TmdbClient::apiRequest(
        addresses_.tmdbApi, key_, QStringLiteral("/movie/%1/credits").arg(id), q, &cacheKey);
    fetch_.get(r, HttpFetch::Body::Json, cacheKey, [this, id](const HttpOutcome& o) {
        if (o.error.kind == LookupError::Kind::BadKey) {
            ids_.clear();
            emit finished();
            return;
        }
        if (!o.error.failed()) {
            JsonShape shape;
            if (!o.json.isObject()) shape.fault(QStringLiteral("応答がオブジェクトではありません"));
            const QStringList names = TmdbClient::readDirectors(
                shape.array(o.json.object(), QStringLiteral("crew"), QString()),
                QStringLiteral("crew"), shape);
            if (shape.ok() && !names.isEmpty()) {
                const quint64 run = run_;
                emit directorFound(id, names.join(QStringLiteral("、")));
                if (run != run_) return;  // a receiver cancelled or started anew
            }
        }
        next();
    });
}
