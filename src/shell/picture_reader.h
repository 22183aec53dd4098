#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <functional>

// Reads title pictures without trusting them. Only regular files are opened (a
// named pipe or a device under a picture's name never blocks a read). A picture
// is decoded at the size it is shown, not the size it is stored, which for a
// JPEG skips most of the work; whatever this reader's own JPEG code refuses is
// left to Qt's reader. Needs no widget and may run on any thread.
namespace PictureReader {

enum class Outcome { Decoded, Unreadable, TooLarge };

struct Picture {
    QImage image;       // null unless decoded
    QSize naturalSize;  // as the file states it; invalid when it could not be told
    Outcome outcome = Outcome::Unreadable;
    bool ok() const { return outcome == Outcome::Decoded; }
};

// The most memory one picture may take while it is read: the file's bytes, the
// decoder's own buffers (for a JPEG with several scans every coefficient) and
// every image made on the way. It is no more than Qt's own default limit for one
// image (QImageReader::allocationLimit, 128 MB in Qt 6.4), so Qt never refuses
// what is accepted here. A large JPEG is decoded at a half, a quarter or an
// eighth of its size and stays far below it: a 10000 × 6000 photograph shown in
// a box of a few hundred pixels takes about 10 MB, 25 MB when progressive. A
// picture that cannot be read within the bound is refused as TooLarge before
// anything large is allocated; that is also the only limit on sizes.
constexpr qint64 kMaxDecodeBytes = qint64(128) << 20;

// Given the natural size, the size to decode at; an invalid size decodes it whole.
using SizeFor = std::function<QSize(QSize natural)>;

Picture read(const QString& path, const SizeFor& sizeFor);
Picture readBytes(const QByteArray& bytes, const SizeFor& sizeFor);

// Stretched to exactly `size`, as a box with stretched contents shows it.
Picture readStretched(const QString& path, QSize size);
// Shrunk to fit within `box` keeping its shape; a smaller picture keeps its size.
Picture readToFit(const QString& path, QSize box);

// The bytes of a regular file no larger than kMaxDecodeBytes, opened without
// waiting; false for anything else.
bool readRegular(const QString& path, QByteArray* bytes);

// What the user is told (once) about a picture refused as too large.
QString tooLargeText(const QString& fileName, QSize naturalSize);

// What the markers of a JPEG file tell before decoding it, found as libjpeg finds
// them (bytes before a marker are passed over).
struct JpegLayout {
    bool jpeg = false;         // starts like a JPEG
    bool complete = false;     // an end marker follows the image data
    bool progressive = false;  // coarse to fine scans
    bool huffman = false;      // Huffman coded: every block of a scan takes a bit at least
    // The decoder keeps every coefficient: the file is progressive, or its first
    // scan leaves out a channel.
    bool everyCoefficient = false;
    QSize size;              // the frame's; invalid without a frame
    int channels = 0;        // of the frame
    qint64 blocks = 0;       // 8 × 8 blocks of all channels, padded to whole units
    qint64 codedBlocks = 0;  // the blocks the scans code: without the padding
    // Progressive only: where the scans of the average colours of the 8 × 8 blocks
    // end; those bytes and an end marker decode to a picture an eighth of the size.
    qsizetype averagesEnd = -1;
};
JpegLayout jpegLayout(const QByteArray& bytes);

}  // namespace PictureReader
