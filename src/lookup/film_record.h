#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// What the services tell about films, as plain values: the clients fill them,
// the mapping turns them into the card's words, and nothing here knows a
// widget or the network.

// One film a search found, enough to tell it from the others in a list.
struct Candidate {
    QString source;  // "tmdb" or "wikidata"
    QString id;      // the service's own: "550", "Q2262932"
    QString title;   // Japanese where the service has it
    QString originalTitle;
    int year = 0;       // 0: unknown
    QString director;   // empty where the service's search does not tell
    QString posterUrl;  // a small picture for the list; empty when none
};

// A release date as exact as the service knows it: month 0 means the year
// alone is known, day 0 the year and month.
struct ReleaseDate {
    int year = 0;  // 0: unknown
    int month = 0;
    int day = 0;

    bool known() const { return year > 0; }
    bool operator==(const ReleaseDate&) const = default;
};

struct CastMember {
    QString name;
    QString role;  // the character; empty when the service names none

    bool operator==(const CastMember&) const = default;
};

// One film in full.
struct Film {
    QString source;
    QString id;
    QString title;
    QString originalTitle;
    ReleaseDate releaseDate;
    QStringList directors;
    QVector<CastMember> cast;  // in billing order
    QStringList countries;     // Japanese names where the service has them
    QStringList genres;
    QString overview;
    QString posterUrl;  // the large picture; empty when none
    QString wikidataId;
    QString imdbId;
};
