#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <functional>

// Reads title pictures without trusting them. A file that is not a picture, is
// cut short, or whose header claims an enormous size is refused before anything
// large is allocated; a picture is decoded at the size it is shown, not the size
// it is stored, which for a JPEG skips most of the work. Needs no widget and may
// run on any thread.
namespace PictureReader {

enum class Outcome { Decoded, Unreadable, TooLarge };

struct Picture {
    QImage image;       // null unless decoded
    QSize naturalSize;  // as the file states it; invalid when it could not be told
    Outcome outcome = Outcome::Unreadable;
    bool ok() const { return outcome == Outcome::Decoded; }
};

// The largest picture accepted: a camera's full frame passes, a forged header does not.
constexpr qint64 kMaxPixels = 50'000'000;
constexpr int kMaxSide = 20'000;
constexpr qint64 kMaxFileBytes = qint64(256) << 20;

// Given the natural size, the size to decode at; an invalid size decodes it whole.
using SizeFor = std::function<QSize(QSize natural)>;

Picture read(const QString& path, const SizeFor& sizeFor);
Picture readBytes(const QByteArray& bytes, const SizeFor& sizeFor);

// Stretched to exactly `size`, as a box with stretched contents shows it.
Picture readStretched(const QString& path, QSize size);
// Shrunk to fit within `box` keeping its shape; a smaller picture keeps its size.
Picture readToFit(const QString& path, QSize box);

// What the markers of a JPEG file tell before decoding it.
struct JpegLayout {
    bool jpeg = false;         // starts like a JPEG
    bool complete = false;     // the image data runs to the end marker
    bool progressive = false;  // coarse to fine scans
    // Progressive only: where the scans of the average colours of the 8 × 8 blocks
    // end; those bytes and an end marker decode to a picture an eighth of the size.
    qsizetype averagesEnd = -1;
};
JpegLayout jpegLayout(const QByteArray& bytes);

}  // namespace PictureReader
