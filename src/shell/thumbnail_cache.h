#pragma once

#include "shell/picture_reader.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

// The desktop's shared cache of picture thumbnails, kept as freedesktop.org's
// thumbnail standard keeps it, so that file managers and this program use
// each other's: $XDG_CACHE_HOME/thumbnails/large/ (or x-large, xx-large for larger
// boxes) holds a PNG named by the MD5 of the picture's file URI, carrying that URI
// and the time and size the picture had when it was made. A thumbnail whose time
// or size no longer matches its file is made again. Needs no widget and may run on
// any thread.
namespace Thumbnails {

// A picture file as its thumbnail names it.
struct Source {
    QString path;
    QByteArray uri;  // file:///..., percent-encoded
    qint64 size = 0;
    qint64 mtime = 0;      // seconds
    qint64 mtimeNsec = 0;  // the rest: a file replaced within the second is told apart
};

// The file at path, when it is a regular file.
bool source(const QString& path, Source* out);

// The longest side of the thumbnails kept for a box of this size (256, 512 or
// 1024: the smallest that needs no enlarging); 0 when no thumbnail is that large.
int sideFor(QSize box);

// Where the thumbnails live: $XDG_CACHE_HOME/thumbnails.
QString root();
// The thumbnail file of a URI at a side.
QString fileFor(const QByteArray& uri, int side);

// The thumbnail kept for source at side, when there is one still true to it; null
// otherwise.
QImage load(const Source& source, int side);
// Keeps image as the thumbnail of source; false with what went wrong. Written to a
// file of its own beside it and renamed, so that a reader never sees half of one.
bool keep(const Source& source, int side, const QImage& image, QString* error);

// A picture read for a box, stretched to it, through the cache.
struct Shown {
    PictureReader::Picture picture;
    bool fromThumbnail = false;
    // Made from the file and still to be kept (keep()), off the way of the pictures
    // still to be shown; null when there is nothing to keep.
    QImage thumbnail;
    Source source;
    int side = 0;
};
// A picture no larger than its thumbnail would be is read as it is, every time.
Shown readStretched(const QString& path, QSize box);

}  // namespace Thumbnails
