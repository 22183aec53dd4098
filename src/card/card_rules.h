#pragma once

#include <QString>
#include <QStringList>

// What the title card decides, kept apart from the widgets that show it.
namespace CardRules {

// Index of the face picture for a mark: 0 ◎, 1 ○, 2 △, 3 anything else.
int faceIndex(const QString& hyouka);

// Cells lit in the bar of score item k (1..7): item 1 counts tens.
int litCells(int item, int score);

// Picture files tried for a title, in order; the last that loads wins.
QStringList pictureCandidates(const QString& daimei);

// Height in twips of the poster box for a picture of the given natural size in
// twips: landscape 3030, portrait 5685, near square as wide as the box. A
// picture no wider than 1000 twips leaves the height as it was.
int posterHeightTwips(int pictureWidth, int pictureHeight, int boxWidth, int currentHeight);

// "n / N", with n = 0 when the table is empty.
QString counterText(int n, int titleCount);

constexpr int kPosterWidthTwips = 4005;
constexpr int kPosterHeightTwips = 5685;
constexpr int kTwipsPerPixel = 15;

}  // namespace CardRules
