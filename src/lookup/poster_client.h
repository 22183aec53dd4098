#pragma once

#include "lookup_error.h"
#include "lookup_network.h"

#include <QObject>
#include <QQueue>
#include <QUrl>

// Fetches posters one after another: a list of candidates asks for all its
// small posters at once and each arrives as it comes. The bytes are checked to
// be a picture (JPEG, PNG, WebP or GIF) and kept under the poster size limit;
// decoding them is the reader's job.
class PosterClient : public QObject {
    Q_OBJECT
public:
    explicit PosterClient(LookupNetwork& network, QObject* parent = nullptr);

    // Queues url; an empty or already queued one is ignored.
    void fetch(const QUrl& url);
    // Drops the poster under way and every queued one, without a signal.
    void cancel();
    bool busy() const { return fetch_.busy() || !queue_.isEmpty(); }

signals:
    void posterFetched(const QUrl& url, const QByteArray& bytes);
    void failed(const QUrl& url, const LookupError& error);

private:
    void next();

    HttpFetch fetch_;
    QQueue<QUrl> queue_;
};
