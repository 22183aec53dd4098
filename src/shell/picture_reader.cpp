#include "picture_reader.h"

#include "shell/jpeg_averages.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <cstring>

namespace PictureReader {
namespace {

bool tooLarge(QSize s) {
    return s.width() > kMaxSide || s.height() > kMaxSide ||
           qint64(s.width()) * s.height() > kMaxPixels;
}

bool isSofMarker(uchar m) {
    // SOF0..SOF15 without DHT (C4), JPG (C8) and DAC (CC).
    return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

bool isProgressiveSof(uchar m) { return m == 0xC2 || m == 0xC6 || m == 0xCA || m == 0xCE; }

// The offset of the marker that ends the entropy-coded data starting at i: a 0xFF
// that is neither a stuffed zero nor a restart marker.
qsizetype endOfScanData(const uchar* b, qsizetype n, qsizetype i) {
    while (i < n) {
        const void* ff = std::memchr(b + i, 0xFF, size_t(n - i));
        if (!ff) return n;
        i = static_cast<const uchar*>(ff) - b;
        if (i + 1 >= n) return n;
        const uchar next = b[i + 1];
        if (next == 0x00 || (next >= 0xD0 && next <= 0xD7) || next == 0xFF) {
            i += next == 0xFF ? 1 : 2;  // 0xFF 0xFF is fill before a marker
            continue;
        }
        return i;
    }
    return n;
}

quint32 little(const QByteArray& b, qsizetype at, int bytes) {
    quint32 v = 0;
    for (int k = bytes - 1; k >= 0; --k) v = (v << 8) | uchar(b[at + k]);
    return v;
}

// An uncompressed BMP must hold every row its header promises; Qt would fill the
// missing ones with whatever it finds.
bool bmpCutShort(const QByteArray& b) {
    if (b.size() < 26 || !b.startsWith("BM")) return false;
    const qint64 offset = little(b, 10, 4);
    const quint32 header = little(b, 14, 4);
    qint64 width = 0, height = 0, bits = 0, compression = 0;
    if (header == 12) {
        width = little(b, 18, 2);
        height = little(b, 20, 2);
        bits = little(b, 24, 2);
    } else if (header >= 40 && b.size() >= 34) {
        width = qint32(little(b, 18, 4));
        height = qAbs(qint64(qint32(little(b, 22, 4))));
        bits = little(b, 28, 2);
        compression = little(b, 30, 4);
    } else {
        return false;
    }
    if (compression != 0 && compression != 3) return false;  // run-length data has no fixed size
    const qint64 stride = (width * bits + 31) / 32 * 4;
    return b.size() < offset + stride * height;
}

Picture decodeBuffer(const QByteArray& bytes, const SizeFor& sizeFor) {
    Picture p;
    QByteArray format;
    {
        QByteArray probed = bytes;
        QBuffer buffer(&probed);
        buffer.open(QIODevice::ReadOnly);
        QImageReader probe(&buffer);
        probe.setDecideFormatFromContent(true);
        if (!probe.canRead()) return p;
        p.naturalSize = probe.size();
        format = probe.format();
    }
    if (!p.naturalSize.isValid() || p.naturalSize.isEmpty()) return p;
    if (tooLarge(p.naturalSize)) {
        p.outcome = Outcome::TooLarge;
        return p;
    }
    QSize want = sizeFor ? sizeFor(p.naturalSize) : QSize();
    if (want == p.naturalSize) want = QSize();

    QByteArray data = bytes;
    if (format == "bmp" && bmpCutShort(bytes)) return p;
    if (format == "jpeg") {
        const JpegLayout layout = jpegLayout(bytes);
        if (!layout.complete) return p;  // cut short: only a grey remainder would show
        // Shown at an eighth of its size or less, a progressive picture needs only its
        // first scans, the averages of its 8 × 8 blocks; decoding them all costs many
        // times as much.
        if (layout.progressive && want.isValid() && want.width() * 8 <= p.naturalSize.width() &&
            want.height() * 8 <= p.naturalSize.height()) {
            const QImage averages = JpegAverages::read(bytes);
            if (!averages.isNull()) {
                p.image = averages.scaled(want, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
                p.outcome = Outcome::Decoded;
                return p;
            }
            // Something the averages reader leaves alone: the full decoder, given the
            // first scans only, still skips most of the work.
            if (layout.averagesEnd > 0)
                data = bytes.left(layout.averagesEnd) + QByteArray("\xFF\xD9", 2);
        }
    }
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    if (want.isValid()) reader.setScaledSize(want);
    QImage image = reader.read();
    if (image.isNull()) return p;
    p.image = std::move(image);
    p.outcome = Outcome::Decoded;
    return p;
}

}  // namespace

JpegLayout jpegLayout(const QByteArray& bytes) {
    JpegLayout l;
    const auto* b = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype n = bytes.size();
    if (n < 4 || b[0] != 0xFF || b[1] != 0xD8) return l;
    l.jpeg = true;
    bool averagesOnly = true;  // every scan so far carried only block averages
    qsizetype i = 2;
    while (i + 1 < n) {
        if (b[i] != 0xFF) return l;  // not a marker where one must stand
        const uchar m = b[i + 1];
        if (m == 0xFF) {  // fill byte
            ++i;
            continue;
        }
        if (m == 0xD9) {
            l.complete = true;
            return l;
        }
        if (m == 0x01 || (m >= 0xD0 && m <= 0xD7)) {  // markers without a length
            i += 2;
            continue;
        }
        if (i + 3 >= n) return l;
        const qsizetype length = (qsizetype(b[i + 2]) << 8) | b[i + 3];
        const qsizetype next = i + 2 + length;
        if (length < 2 || next > n) return l;
        if (isSofMarker(m)) l.progressive = isProgressiveSof(m);
        if (m == 0xDA) {
            const int components = length >= 3 ? b[i + 4] : 0;
            const qsizetype spectral = i + 5 + 2 * qsizetype(components);
            if (spectral + 1 >= next) return l;
            const bool averages = b[spectral] == 0 && b[spectral + 1] == 0;
            if (l.progressive && averagesOnly && !averages) {
                averagesOnly = false;
                l.averagesEnd = i;
            }
            i = endOfScanData(b, n, next);
            continue;
        }
        i = next;
    }
    return l;
}

Picture readBytes(const QByteArray& bytes, const SizeFor& sizeFor) {
    return decodeBuffer(bytes, sizeFor);
}

Picture read(const QString& path, const SizeFor& sizeFor) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    if (f.size() > kMaxFileBytes) return {QImage(), QSize(), Outcome::TooLarge};
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) return {};
    return decodeBuffer(bytes, sizeFor);
}

Picture readStretched(const QString& path, QSize size) {
    return read(path, [size](QSize) { return size; });
}

Picture readToFit(const QString& path, QSize box) {
    return read(path, [box](QSize natural) {
        if (natural.width() <= box.width() && natural.height() <= box.height()) return natural;
        return natural.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    });
}

}  // namespace PictureReader
