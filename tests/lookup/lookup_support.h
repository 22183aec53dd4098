#pragma once

#include "fake_server.h"
#include "lookup/film_source.h"
#include "lookup/lookup_config.h"
#include "lookup/lookup_network.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QTimer>

#include <functional>

// The program's network rules with short waits, so that a timeout or a retry
// costs the tests a fraction of a second; nothing cached unless a test asks.
inline NetworkOptions quickOptions() {
    NetworkOptions o;
    o.idleTimeoutMs = 300;
    o.totalTimeoutMs = 800;
    o.maxRetries = 2;
    o.retryAfterUnitMs = 20;
    return o;
}

// Every service at the fake server, under the paths the real ones use, set
// through the variables as a user would set them.
inline LookupAddresses addressesOf(const FakeServer& server) {
    qputenv("REELNOTE_TMDB_API", server.url(QStringLiteral("/3/")).toEncoded());
    qputenv("REELNOTE_TMDB_IMAGES", server.url(QStringLiteral("/t/p")).toEncoded());
    qputenv("REELNOTE_WIKIDATA_API", server.url(QStringLiteral("/w/api.php")).toEncoded());
    return LookupAddresses::fromEnvironment();
}

// Runs the event loop until done() holds or ms pass. Unlike QTest::qWaitFor it
// does not sleep between rounds, and a request to the server in this process
// takes several rounds.
inline bool waitUntil(const std::function<bool()>& done, int ms) {
    QEventLoop loop;
    QTimer poll, deadline;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    poll.start(1);
    deadline.start(ms);
    if (!done()) loop.exec();
    return done();
}

// What a source answered, the one signal it gave.
struct Answer {
    int answers = 0;
    QVector<Candidate> candidates;
    Film film;
    LookupError error;
    QVector<int> waits;

    // Waits until n signals came, handling events as they come rather than
    // in the coarse steps of QTRY_*.
    bool waitFor(int n, int ms) {
        return waitUntil([&] { return answers >= n; }, ms) && answers == n;
    }

    void watch(FilmSource& s) {
        QObject::connect(&s, &FilmSource::candidatesFound, &s, [this](const QVector<Candidate>& c) {
            ++answers;
            candidates = c;
        });
        QObject::connect(&s, &FilmSource::filmFetched, &s, [this](const Film& f) {
            ++answers;
            film = f;
        });
        QObject::connect(&s, &FilmSource::failed, &s, [this](const LookupError& e) {
            ++answers;
            error = e;
        });
        QObject::connect(&s, &FilmSource::waiting, &s, [this](int ms) { waits.append(ms); });
    }
};

inline QByteArray bytesOf(const QJsonObject& o) {
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}
