#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

// Pictures the program draws itself, so it ships no artwork files.
namespace Artwork {
// Face for a mark: 0 ◎ beaming, 1 ○ smiling, 2 △ unimpressed, 3 no mark yet.
QPixmap face(int index, int size);
// The help-tour toggle: a speech bubble with a question mark, lit when on.
QIcon helpTourIcon();
// The program's icon: a film reel, drawn at any size.
QImage appIconImage(int size);
QIcon appIcon();
// The sizes desktops ask for.
inline constexpr int kAppIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
}  // namespace Artwork
