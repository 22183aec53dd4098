#pragma once

#include "film_record.h"
#include "lookup_error.h"
#include "lookup_network.h"

#include <QObject>
#include <QTimer>

// One online film service. Each call starts one request chain and returns at
// once; its answer comes as exactly one signal (candidatesFound, filmFetched
// or failed) on the thread the source lives on, unless cancel() or another
// call comes first: a source asks one thing at a time, and a new call drops
// the one under way without a signal.
class FilmSource : public QObject {
    Q_OBJECT
public:
    FilmSource(LookupNetwork& network, QObject* parent);

    virtual QString sourceName() const = 0;  // "tmdb", "wikidata"
    // Films whose title matches text; year 0 when the card has none.
    virtual void search(const QString& text, int year) = 0;
    // The film of the service's own id ("550", "Q2262932").
    virtual void fetchFilm(const QString& id) = 0;

    void cancel();
    bool busy() const { return fetch_.busy() || soon_.isActive(); }

signals:
    void candidatesFound(const QVector<Candidate>& candidates);
    void filmFetched(const Film& film);
    void failed(const LookupError& error);
    // A 429 came; the request is tried again after this long.
    void waiting(int milliseconds);

protected:
    // Reports a fault found before anything was asked, after the call returns
    // so that the caller sees the signal as it would any other.
    void failSoon(const LookupError& error);

    HttpFetch fetch_;

private:
    QTimer soon_;
    LookupError soonError_;
};
