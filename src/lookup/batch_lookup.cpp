#include "batch_lookup.h"

#include "poster_client.h"

#include <QUrl>

namespace {
// A title as the batch compares it: full-width letters and digits as ASCII,
// no letter case, no spaces, no middle dots or colons of either width.
QString comparable(const QString& s) {
    QString n = s.normalized(QString::NormalizationForm_KC).toCaseFolded();
    QString out;
    out.reserve(n.size());
    for (QChar c : n)
        if (!c.isSpace() && c != u'・' && c != u':' && c != u'-' && c != u'‐' && c != u'－')
            out.append(c);
    return out;
}

bool stopsEveryTitle(LookupError::Kind kind) {
    using K = LookupError::Kind;
    return kind == K::BadKey || kind == K::Unreachable || kind == K::Tls || kind == K::Redirects;
}
}  // namespace

int sureCandidate(const QVector<Candidate>& candidates, const QString& name, int year) {
    const QString wanted = comparable(name);
    if (wanted.isEmpty()) return -1;
    int sure = -1;
    for (int i = 0; i < candidates.size(); ++i) {
        const Candidate& c = candidates[i];
        if (comparable(c.title) != wanted && comparable(c.originalTitle) != wanted) continue;
        if (year > 0 && (c.year <= 0 || std::abs(c.year - year) > 1)) continue;
        if (sure >= 0) return -1;
        sure = i;
    }
    return sure;
}

BatchLookup::BatchLookup(FilmSource& source, PosterClient* posters, QObject* parent)
    : QObject(parent), source_(source), posters_(posters) {
    pause_.setSingleShot(true);
    soon_.setSingleShot(true);
    connect(&pause_, &QTimer::timeout, this, &BatchLookup::ask);
    connect(&soon_, &QTimer::timeout, this, &BatchLookup::next);
    connect(&source_, &FilmSource::candidatesFound, this, &BatchLookup::takeCandidates);
    connect(&source_, &FilmSource::filmFetched, this, &BatchLookup::takeFilm);
    connect(&source_, &FilmSource::failed, this, &BatchLookup::takeError);
    connect(&source_, &FilmSource::waiting, this, [this](int ms) {
        if (running_) emit waiting(ms);
    });
    if (posters_) {
        connect(posters_, &PosterClient::posterFetched, this, &BatchLookup::takePoster);
        connect(posters_, &PosterClient::failed, this,
                [this](const QUrl& url, const LookupError&) { takePoster(url, {}); });
    }
}

void BatchLookup::start(QVector<BatchQuery> queries) {
    cancel();
    queries_ = std::move(queries);
    at_ = -1;
    failuresInARow_ = 0;
    running_ = true;
    emit progress(0, int(queries_.size()));
    soon_.start(0);
}

void BatchLookup::cancel() {
    source_.cancel();
    if (posters_) posters_->cancel();
    pause_.stop();
    soon_.stop();
    if (running_) end(true, {});
}

void BatchLookup::end(bool cancelled, const LookupError& stopped) {
    running_ = false;
    pause_.stop();
    soon_.stop();
    emit finished(cancelled, stopped);
}

void BatchLookup::next() {
    if (!running_) return;
    if (++at_ >= queries_.size()) {
        end(false, {});
        return;
    }
    ask();
}

void BatchLookup::ask() {
    current_ = BatchAnswer();
    const BatchQuery& q = queries_[at_];
    withoutYear_ = false;
    fetchingFilm_ = !q.chosenId.isEmpty();
    if (fetchingFilm_)
        source_.fetchFilm(q.chosenId);
    else
        source_.search(q.name, q.year);
}

void BatchLookup::takeCandidates(const QVector<Candidate>& found) {
    if (!running_ || fetchingFilm_) return;
    const BatchQuery& q = queries_[at_];
    if (found.isEmpty() && q.year > 0 && !withoutYear_) {
        // A card's year may be its viewing's or a release a year off the
        // service's: the year rule below still decides among what comes.
        withoutYear_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (running_) source_.search(queries_[at_].name, 0);
            },
            Qt::QueuedConnection);
        return;
    }
    current_.candidates = found;
    const int sure = sureCandidate(found, q.name, q.year);
    if (sure < 0) {
        current_.kind =
            found.isEmpty() ? BatchAnswer::Kind::NotFound : BatchAnswer::Kind::Uncertain;
        answer(std::move(current_));
        return;
    }
    fetchingFilm_ = true;
    // The source is still inside its own signal: ask it on the next turn.
    const QString id = found[sure].id;
    QMetaObject::invokeMethod(
        this,
        [this, id] {
            if (running_) source_.fetchFilm(id);
        },
        Qt::QueuedConnection);
}

void BatchLookup::takeFilm(const Film& film) {
    if (!running_ || !fetchingFilm_) return;
    current_.kind = BatchAnswer::Kind::Found;
    current_.film = film;
    if (posters_ && queries_[at_].wantsPoster && !film.posterUrl.isEmpty()) {
        posters_->fetch(QUrl(film.posterUrl));
        return;
    }
    answer(std::move(current_));
}

void BatchLookup::takePoster(const QUrl& url, const QByteArray& bytes) {
    if (!running_ || current_.kind != BatchAnswer::Kind::Found ||
        url != QUrl(current_.film.posterUrl))
        return;
    current_.poster = bytes;  // a poster that failed leaves the rest of the film
    answer(std::move(current_));
}

void BatchLookup::takeError(const LookupError& error) {
    if (!running_) return;
    if (error.kind == LookupError::Kind::RateLimited) {
        emit waiting(rateLimitPauseMs);
        pause_.start(rateLimitPauseMs);
        return;
    }
    BatchAnswer a;
    a.kind = BatchAnswer::Kind::Failed;
    a.error = error;
    a.candidates = current_.candidates;
    const bool stop = stopsEveryTitle(error.kind) || ++failuresInARow_ >= failuresInARowToStop;
    emit answered(at_, a);
    if (!running_) return;
    emit progress(at_ + 1, int(queries_.size()));
    if (stop)
        end(false, error);
    else
        soon_.start(0);
}

void BatchLookup::answer(BatchAnswer a) {
    failuresInARow_ = 0;
    emit answered(at_, a);
    if (!running_) return;  // cancelled by whoever took the answer
    emit progress(at_ + 1, int(queries_.size()));
    soon_.start(0);
}
