#include "gallery_pages.h"

namespace GalleryPages {

int pageCount(int titleCount) {
    return titleCount <= 0 ? 0 : (titleCount + kPerPage - 1) / kPerPage;
}

int titleNumber(int page, int box) { return (page - 1) * kPerPage + box; }

int firstOfPage(int page) { return (page - 1) * kPerPage + 1; }

int lastOfPage(int page) { return page * kPerPage; }

QStringList pictureCandidates(const QString& daimei) {
    return {daimei + QStringLiteral(".bmp"), daimei + QStringLiteral(".gif"),
            daimei + QStringLiteral(".jpg")};
}

}  // namespace GalleryPages
