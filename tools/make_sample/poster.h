#pragma once

#include "films.h"

#include <QImage>
#include <QString>

// Draws an original poster for a title: background, a geometric motif, the
// title in large type and the release year and director in small type.
QImage drawPoster(const PosterRow& row, const QString& daimei, const QString& kantoku,
                  const QString& koukai);

// An 8-bit copy of a poster drawn in a few flat colours. The palette holds
// blends between those colours, so the anti-aliased edges keep their shades
// and the BMP stays a third of the size of a 24-bit one.
QImage toFlatIndexed(const QImage& poster, const PosterRow& row);

// The family drawn with, so that the caller can refuse to write posters whose
// Japanese would come out as empty boxes.
QString posterFontFamily(bool serif);
