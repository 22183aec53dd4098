#pragma once

#include "film_record.h"
#include "film_source.h"
#include "lookup_error.h"

#include <QObject>
#include <QTimer>
#include <QVector>

class PosterClient;

// One title the batch looks up: its name and year (0: the card has none), and
// whether its poster is wanted. chosenId, when set, is a film the user picked
// from the candidates: it is fetched without a search.
struct BatchQuery {
    QString name;
    int year = 0;
    bool wantsPoster = false;
    QString chosenId;
};

// What the batch found for one title.
struct BatchAnswer {
    enum class Kind {
        Found,      // exactly one candidate is the title: film holds it
        Uncertain,  // candidates, but not exactly one sure one: the user picks
        NotFound,   // no candidate at all
        Failed,     // this title's request failed (error)
    };
    Kind kind = Kind::NotFound;
    QVector<Candidate> candidates;
    Film film;
    QByteArray poster;  // the poster's bytes as they came; empty when none
    LookupError error;
};

// The candidate that surely is the title: the one whose name or original
// name is the title's (letter case, widths and spaces aside) and whose year is
// at most one from the title's (any year when the title has none). -1 when
// no candidate or more than one is.
int sureCandidate(const QVector<Candidate>& candidates, const QString& name, int year);

// Looks titles up one after another on one source, in the background of the
// event loop: every step answers through signals, nothing waits. A search with
// the title's year that finds nothing is asked once more without it. A 429 slows
// the batch down (the source waits as the service says, and a title still
// refused is asked again after a pause), never fails it. A fault that every
// further title would meet too (a wrong key, no network, a broken secure
// connection, or several titles failing in a row) stops the batch.
class BatchLookup : public QObject {
    Q_OBJECT
public:
    // posters may be null: then no poster is fetched.
    BatchLookup(FilmSource& source, PosterClient* posters, QObject* parent = nullptr);

    void start(QVector<BatchQuery> queries);
    // Stops at once, without another answered(); finished(true, …) follows.
    void cancel();
    bool running() const { return running_; }

    int rateLimitPauseMs = 30000;  // after a 429 that kept coming
    int failuresInARowToStop = 5;

signals:
    void answered(int index, const BatchAnswer& answer);
    void progress(int done, int total);
    // The service asked to wait this long; the batch goes on after it.
    void waiting(int milliseconds);
    // stopped: why the batch ended before the last title; none when it did not.
    void finished(bool cancelled, const LookupError& stopped);

private:
    void next();
    void ask();
    void takeCandidates(const QVector<Candidate>& found);
    void takeFilm(const Film& film);
    void takePoster(const QUrl& url, const QByteArray& bytes);
    void takeError(const LookupError& error);
    void answer(BatchAnswer a);
    void end(bool cancelled, const LookupError& stopped);

    FilmSource& source_;
    PosterClient* posters_;
    QVector<BatchQuery> queries_;
    int at_ = -1;
    BatchAnswer current_;
    bool running_ = false;
    bool fetchingFilm_ = false;
    bool withoutYear_ = false;  // the search with the year found nothing; asked again without
    int failuresInARow_ = 0;
    QTimer pause_;
    QTimer soon_;  // the next title after the event loop had its turn
};
