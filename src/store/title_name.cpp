#include "title_name.h"

namespace TitleName {

bool hasForbiddenCharacter(QStringView name) {
    static const QString forbidden = QStringLiteral("\\/:,;*?\"<>|");
    for (QChar c : name)
        if (forbidden.contains(c)) return true;
    return false;
}

bool hasControlCharacter(QStringView name) {
    for (QChar c : name)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) return true;
    return false;
}

bool tooLongForFileNames(QStringView name) {
    const QString longest = QStringLiteral("あらすじ_") + name.toString() + QStringLiteral(".txt");
    return longest.toUtf8().size() > 255;
}

}  // namespace TitleName
