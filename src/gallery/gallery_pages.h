#pragma once

#include <QString>
#include <QStringList>

// How the gallery lays the titles out: 21 to a page, seven across and three down,
// in the order of the title table.
namespace GalleryPages {

constexpr int kPerPage = 21;
constexpr int kColumns = 7;
constexpr int kRows = 3;
// A box is 1440 × 2040 twips, upright.
constexpr int kBoxWidthTwips = 1440;
constexpr int kBoxHeightTwips = 2040;

// Pages needed for titleCount titles; 0 for none.
int pageCount(int titleCount);
// Title number shown in box (1..21) of page (1-based).
int titleNumber(int page, int box);
// The range shown at the bottom: the first and the last number a page can hold.
// The last is a whole page's worth, also on a last page with fewer titles.
int firstOfPage(int page);
int lastOfPage(int page);

// Picture files of a title, in the order they are tried: the first that decodes
// is shown, so ".bmp" wins over ".gif" and ".gif" over ".jpg", as on the card.
QStringList pictureCandidates(const QString& daimei);

}  // namespace GalleryPages
