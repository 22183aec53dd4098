#include "film_source.h"

FilmSource::FilmSource(LookupNetwork& network, QObject* parent)
    : QObject(parent), fetch_(network, this) {
    connect(&fetch_, &HttpFetch::waiting, this, &FilmSource::waiting);
    soon_.setSingleShot(true);
    connect(&soon_, &QTimer::timeout, this, [this] { emit failed(soonError_); });
}

void FilmSource::cancel() {
    fetch_.cancel();
    soon_.stop();
}

void FilmSource::failSoon(const LookupError& error) {
    cancel();
    soonError_ = error;
    soon_.start(0);
}
