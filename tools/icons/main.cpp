// Writes the program's icon in the sizes desktops use, as
// DIR/<size>x<size>/apps/reelnote.png, for installation:
//   QT_QPA_PLATFORM=offscreen reelnote-icons DIR
#include "shell/artwork.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: reelnote-icons DIR\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    for (int size : Artwork::kAppIconSizes) {
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(root).arg(size);
        if (!QDir().mkpath(dir) ||
            !Artwork::appIconImage(size).save(dir + QStringLiteral("/reelnote.png"))) {
            std::fprintf(stderr, "cannot write the %dx%d icon under %s\n", size, size, argv[1]);
            return 1;
        }
    }
    return 0;
}
