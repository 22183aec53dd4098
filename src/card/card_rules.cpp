#include "card_rules.h"

namespace CardRules {

int faceIndex(const QString& hyouka) {
    if (hyouka == QStringLiteral("◎")) return 0;
    if (hyouka == QStringLiteral("○")) return 1;
    if (hyouka == QStringLiteral("△")) return 2;
    return 3;
}

int litCells(int item, int score) {
    const int cells = item == 1 ? score / 10 : score;
    return qBound(0, cells, 10);
}

QStringList pictureCandidates(const QString& daimei) {
    return {daimei + QStringLiteral(".jpg"), daimei + QStringLiteral(".gif"),
            daimei + QStringLiteral(".bmp")};
}

int posterHeightTwips(int pictureWidth, int pictureHeight, int boxWidth, int currentHeight) {
    if (pictureWidth <= 1000 || pictureHeight <= 0) return currentHeight;
    const float r = float(pictureWidth) / float(pictureHeight);
    if (r > 1.3f) return 3030;
    if (r < 0.9f) return 5685;
    return boxWidth;
}

QString counterText(int n, int titleCount) {
    return QStringLiteral("%1 / %2").arg(titleCount == 0 ? 0 : n).arg(titleCount);
}

}  // namespace CardRules
