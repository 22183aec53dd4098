// libFuzzer target: any bytes as a title picture, through the JPEG marker walk,
// the block-average reader and the choice between it and Qt's reader, at the
// sizes the screens ask for. Besides crashes and sanitizer reports it checks
// what every answer must hold.
#include "shell/jpeg_averages.h"
#include "shell/picture_reader.h"

#include <QImageReader>
#include <QLoggingCategory>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {
void require(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();
}
#define REQUIRE(condition) require((condition), #condition)

QSize eighth(QSize s) { return {(s.width() + 7) / 8, (s.height() + 7) / 8}; }
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Qt's decoders complain about every damaged file; that is not a finding.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio*=false"));
    // Without Qt's plugins every JPEG and GIF would only be refused.
    const QList<QByteArray> formats = QImageReader::supportedImageFormats();
    require(formats.contains("jpeg") && formats.contains("gif") && formats.contains("bmp"),
            "Qt reads JPEG, GIF and BMP here");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const PictureReader::JpegLayout layout = PictureReader::jpegLayout(bytes);
    REQUIRE(layout.jpeg || (!layout.complete && !layout.size.isValid()));
    REQUIRE(layout.averagesEnd == -1 ||
            (layout.progressive && layout.averagesEnd > 0 && layout.averagesEnd < bytes.size()));
    REQUIRE(layout.codedBlocks <= layout.blocks);

    const QImage averages = JpegAverages::read(bytes);
    if (!averages.isNull()) {
        REQUIRE(layout.progressive && layout.size.isValid());
        REQUIRE(averages.size() == eighth(layout.size));
    }

    const PictureReader::SizeFor sizes[] = {
        {},                                             // whole
        [](QSize natural) { return eighth(natural); },  // the block averages
        [](QSize) { return QSize(96, 136); },           // a gallery box
        [](QSize natural) {                             // the card's box
            return natural.scaled(60, 80, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
        },
    };
    for (const PictureReader::SizeFor& sizeFor : sizes) {
        const PictureReader::Picture p = PictureReader::readBytes(bytes, sizeFor);
        REQUIRE(p.ok() == !p.image.isNull());
        if (!p.ok()) continue;
        REQUIRE(p.naturalSize.isValid() && !p.naturalSize.isEmpty());
        const QSize want = sizeFor ? sizeFor(p.naturalSize) : QSize();
        if (want.isValid() && !want.isEmpty() && want != p.naturalSize)
            REQUIRE(p.image.size() == want);
    }
    return 0;
}
