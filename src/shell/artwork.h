#pragma once

#include <QIcon>
#include <QPixmap>

// Pictures the program draws itself, so it ships no artwork files.
namespace Artwork {
// Face for a mark: 0 ◎ beaming, 1 ○ smiling, 2 △ unimpressed, 3 no mark yet.
QPixmap face(int index, int size);
// The help-tour toggle: a speech bubble with a question mark, lit when on.
QIcon helpTourIcon();
QIcon appIcon();
}  // namespace Artwork
