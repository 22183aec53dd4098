#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

// Finding the markers of a JPEG file the way libjpeg finds them, so that a file
// it reads is walked whole here too.
namespace JpegMarkers {

// The offset of the next marker at or after i (its code is the byte after it), or
// n when none is left. Other bytes before it, fill bytes and stuffed zeros are
// passed over, as libjpeg passes over them with a warning.
qsizetype next(const uchar* b, qsizetype n, qsizetype i);
// Where the entropy-coded data that starts at i ends: the next marker that is
// neither a stuffed zero nor a restart marker, or n.
qsizetype endOfScan(const uchar* b, qsizetype n, qsizetype i);

}  // namespace JpegMarkers

// The first scans of a progressive JPEG hold the average colour of every 8 × 8
// block. Read alone they give the picture at an eighth of its size, which is
// all a box of that size or smaller needs, for a small part of the work of
// decoding every scan.
namespace JpegAverages {

// The memory read() takes, besides the file, for a picture of this size whose
// channels hold this many blocks in all.
qint64 memoryFor(QSize size, qint64 blocks);

// The picture of block averages, ceil(width / 8) × ceil(height / 8); null when
// the file is not a progressive JPEG this reader handles (arithmetic coding,
// restart intervals, other than one or three channels, RGB channels), when
// libjpeg would refuse what the first scans and the segments before them say
// (every table and index is checked as it checks them), when the first scans are
// damaged, or when reading it would take more than PictureReader::kMaxDecodeBytes.
// The full decoder then takes over.
QImage read(const QByteArray& bytes);

}  // namespace JpegAverages
