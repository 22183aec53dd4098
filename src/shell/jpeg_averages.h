#pragma once

#include <QByteArray>
#include <QImage>

// The first scans of a progressive JPEG hold the average colour of every 8 × 8
// block. Read alone they give the picture at an eighth of its size, which is
// all a box of that size or smaller needs, for a small part of the work of
// decoding every scan.
namespace JpegAverages {

// The picture of block averages, ceil(width / 8) × ceil(height / 8); null when
// the file is not a progressive JPEG this reader handles (arithmetic coding,
// restart intervals, other than one or three channels, samples of more than 8
// bits, RGB channels) or its first scans are damaged. The full decoder then takes over.
QImage read(const QByteArray& bytes);

}  // namespace JpegAverages
