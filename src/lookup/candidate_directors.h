#pragma once

#include "film_record.h"
#include "lookup_config.h"
#include "lookup_network.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

// The directors of TMDb's candidates, which its search does not tell: each
// candidate's movie/{id}/credits, asked one at a time after the list is shown.
// A candidate whose answer fails or names no director is passed over, so the
// list stays usable as it is; a key TMDb refuses (401) ends the run, since
// every later request would be refused as well. Candidates of other sources
// already carry theirs and are not asked for.
class CandidateDirectors : public QObject {
    Q_OBJECT
public:
    CandidateDirectors(LookupNetwork& network, const LookupAddresses& addresses, const QString& key,
                       QObject* parent = nullptr);

    // Asks for the TMDb candidates among these, in order, at most the first
    // `most` of them (all when negative); drops a run under way.
    void start(const QVector<Candidate>& candidates, int most = -1);
    // Stops at once: no signal comes after it.
    void cancel();
    bool busy() const { return !ids_.isEmpty() || fetch_.busy() || soon_.isActive(); }

signals:
    // directors: the names of the crew with the job Director, joined with "、".
    void directorFound(const QString& candidateId, const QString& directors);
    // Every candidate was asked, or the key was refused.
    void finished();

private:
    void next();

    HttpFetch fetch_;
    LookupAddresses addresses_;
    QString key_;
    QStringList ids_;  // still to be asked
    QTimer soon_;      // finished() of a run with nothing to ask, after start() returns
    quint64 run_ = 0;  // tells a run from the one that replaced it during a signal
};
