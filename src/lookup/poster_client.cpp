#include "poster_client.h"

PosterClient::PosterClient(LookupNetwork& network, QObject* parent)
    : QObject(parent), fetch_(network, this) {}

void PosterClient::fetch(const QUrl& url) {
    if (url.isEmpty() || queue_.contains(url)) return;
    queue_.enqueue(url);
    if (!fetch_.busy()) next();
}

void PosterClient::cancel() {
    queue_.clear();
    fetch_.cancel();
}

void PosterClient::next() {
    if (queue_.isEmpty()) return;
    const QUrl url = queue_.head();
    fetch_.get(QNetworkRequest(url), HttpFetch::Body::Image, url,
               [this, url](const HttpOutcome& o) {
                   queue_.dequeue();
                   if (o.error.failed())
                       emit failed(url, o.error);
                   else
                       emit posterFetched(url, o.body);
                   // A slot above may have cancelled or queued more.
                   if (!fetch_.busy()) next();
               });
}
