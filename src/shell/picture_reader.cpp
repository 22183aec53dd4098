#include "picture_reader.h"

#include "shell/jpeg_averages.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QtMath>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

namespace PictureReader {
namespace {

qint64 imageBytes(QSize s, int bytesPerPixel = 4) {
    return s.isValid() ? qint64(s.width()) * s.height() * bytesPerPixel : 0;
}

bool isSofMarker(uchar m) {
    // SOF0..SOF15 without DHT (C4), JPG (C8) and DAC (CC).
    return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

bool isProgressiveSof(uchar m) { return m == 0xC2 || m == 0xC6 || m == 0xCA || m == 0xCE; }

// What a frame header says about the size and the blocks of the picture.
void readFrame(JpegLayout& l, uchar marker, const uchar* s, int length) {
    if (length < 6) return;
    const int height = (s[1] << 8) | s[2], width = (s[3] << 8) | s[4], count = s[5];
    if (width == 0 || height == 0 || count == 0 || length < 6 + 3 * count) return;
    l.size = QSize(width, height);
    l.channels = count;
    l.progressive = isProgressiveSof(marker);
    l.huffman = marker == 0xC0 || marker == 0xC1 || marker == 0xC2;
    l.everyCoefficient = l.progressive;
    // Factors outside 1..4 are refused by libjpeg; bounded here only to count safely.
    const auto h = [s](int i) { return qBound(1, s[7 + 3 * i] >> 4, 4); };
    const auto v = [s](int i) { return qBound(1, s[7 + 3 * i] & 15, 4); };
    int hMax = 1, vMax = 1;
    for (int i = 0; i < count; ++i) hMax = qMax(hMax, h(i)), vMax = qMax(vMax, v(i));
    const qint64 unitsWide = (width + 8 * hMax - 1) / (8 * hMax);
    const qint64 unitsHigh = (height + 8 * vMax - 1) / (8 * vMax);
    for (int i = 0; i < count; ++i) {
        l.blocks += unitsWide * h(i) * unitsHigh * v(i);
        l.codedBlocks += ((qint64(width) * h(i) + 8 * hMax - 1) / (8 * hMax)) *
                         ((qint64(height) * v(i) + 8 * vMax - 1) / (8 * vMax));
    }
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

// What libjpeg and Qt's reader take for a JPEG decoded at want (invalid: whole):
// the picture at the scale libjpeg is asked for (Qt picks the nearest eighths at
// or above want), rows for every channel, every coefficient when the file keeps
// them, and the picture scaled to want.
qint64 libjpegMemory(const JpegLayout& l, QSize want) {
    const QSize natural = l.size;
    int eighths = 8;
    if (want.isValid()) {
        const double f =
            qMin(double(natural.width()) / want.width(), double(natural.height()) / want.height());
        eighths = qBound(1, qCeil(8 / f), 8);
    }
    const QSize decoded((natural.width() * eighths + 7) / 8, (natural.height() * eighths + 7) / 8);
    qint64 total = imageBytes(decoded, l.channels == 1 ? 1 : 4);
    total += qint64(decoded.width() + 64) * l.channels * 64;
    if (l.everyCoefficient) total += l.blocks * 64 * qint64(sizeof(qint16));
    if (want.isValid() && want != decoded) total += imageBytes(want);
    return total;
}

Picture decoded(Picture p, QImage image) {
    if (image.isNull()) return p;
    p.image = std::move(image);
    p.outcome = Outcome::Decoded;
    return p;
}

Picture tooLarge(Picture p) {
    p.outcome = Outcome::TooLarge;
    return p;
}

Picture throughQt(QByteArray data, QSize want, Picture p) {
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    if (want.isValid()) reader.setScaledSize(want);
    return decoded(std::move(p), reader.read());
}

Picture decodeJpeg(const QByteArray& bytes, QSize want, Picture p) {
    JpegLayout layout = jpegLayout(bytes);
    if (!layout.size.isValid()) {  // libjpeg found a frame the walk did not: assume the worst
        layout.size = p.naturalSize;
        layout.channels = 4;
        layout.everyCoefficient = true;
        layout.huffman = false;
        layout.blocks = imageBytes(p.naturalSize, 4) / 64 + 4;
    }
    const QSize natural = layout.size;
    // Every block of a Huffman-coded scan takes a bit at least, two in a sequential
    // file (its average and the end of its block). A file shorter than that is cut
    // short or its frame header is forged: libjpeg would make up most of the picture.
    const bool sparse = layout.huffman && qint64(bytes.size()) * 8 <
                                              layout.codedBlocks * (layout.progressive ? 1 : 2);
    QByteArray data = bytes;
    // Shown at an eighth of its size or less, a progressive picture needs only its
    // first scans, the averages of its 8 × 8 blocks; decoding them all costs many
    // times as much.
    if (layout.progressive && want.isValid() && want.width() * 8 <= natural.width() &&
        want.height() * 8 <= natural.height()) {
        if (bytes.size() + JpegAverages::memoryFor(natural, layout.blocks) + imageBytes(want) <=
            kMaxDecodeBytes) {
            if (sparse) return p;
            const QImage averages = JpegAverages::read(bytes);
            if (!averages.isNull())
                return decoded(std::move(p), averages.scaled(want, Qt::IgnoreAspectRatio,
                                                             Qt::SmoothTransformation));
        }
        // Something the averages reader leaves alone: the full decoder, given the
        // first scans only, still skips most of the work.
        if (layout.averagesEnd > 0)
            data = bytes.left(layout.averagesEnd) + QByteArray("\xFF\xD9", 2);
    }
    const qint64 copy = data.constData() == bytes.constData() ? 0 : data.size();
    if (bytes.size() + copy + libjpegMemory(layout, want) > kMaxDecodeBytes)
        return tooLarge(std::move(p));
    if (sparse) return p;
    return throughQt(std::move(data), want, std::move(p));
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
    QSize want = sizeFor ? sizeFor(p.naturalSize) : QSize();
    if (want == p.naturalSize || want.isEmpty()) want = QSize();
    if (format == "jpeg") return decodeJpeg(bytes, want, std::move(p));
    // Other formats are decoded whole and then scaled; a GIF keeps a second frame.
    const qint64 whole = imageBytes(p.naturalSize) * (format == "bmp" ? 1 : 2);
    if (bytes.size() + whole + imageBytes(want) > kMaxDecodeBytes) return tooLarge(std::move(p));
    if (format == "bmp" && bmpCutShort(bytes)) return p;
    return throughQt(bytes, want, std::move(p));
}

enum class FileRead { Ok, Unreadable, TooLarge };

// Reads a regular file whole. Opened without waiting (a named pipe would wait
// for a writer) and looked at once open, so nothing swapped in after a look is read.
FileRead readRegularFile(const QString& path, QByteArray* bytes) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return FileRead::Unreadable;
    struct stat st {};
    FileRead result = FileRead::Unreadable;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        if (st.st_size > kMaxDecodeBytes) {
            result = FileRead::TooLarge;
        } else {
            QByteArray buffer(qsizetype(st.st_size) + 1, Qt::Uninitialized);  // +1 sees the end
            qsizetype used = 0;
            for (;;) {
                if (used == buffer.size()) {  // grew since the look
                    if (buffer.size() > kMaxDecodeBytes) {
                        used = -1;
                        result = FileRead::TooLarge;
                        break;
                    }
                    buffer.resize(buffer.size() * 2);
                }
                const ssize_t n = ::read(fd, buffer.data() + used, size_t(buffer.size() - used));
                if (n < 0 && errno == EINTR) continue;
                if (n < 0) {
                    used = -1;
                    break;
                }
                if (n == 0) break;
                used += n;
            }
            if (used >= 0) {
                buffer.truncate(used);
                *bytes = std::move(buffer);
                result = FileRead::Ok;
            }
        }
    }
    ::close(fd);
    return result;
}

}  // namespace

JpegLayout jpegLayout(const QByteArray& bytes) {
    JpegLayout l;
    const auto* b = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype n = bytes.size();
    if (n < 4 || b[0] != 0xFF || b[1] != 0xD8) return l;
    l.jpeg = true;
    bool averagesOnly = true;  // every scan so far carried only block averages
    bool firstScan = true;
    qsizetype i = 2;
    for (;;) {
        i = JpegMarkers::next(b, n, i);
        if (i + 1 >= n) return l;
        const uchar m = b[i + 1];
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
        if (isSofMarker(m) && !l.size.isValid()) readFrame(l, m, b + i + 4, int(length - 2));
        if (m == 0xDA) {
            const int components = length >= 3 ? b[i + 4] : 0;
            if (firstScan && components < l.channels) l.everyCoefficient = true;
            firstScan = false;
            const qsizetype spectral = i + 5 + 2 * qsizetype(components);
            if (spectral + 2 >= next) return l;
            const bool averages =
                b[spectral] == 0 && b[spectral + 1] == 0 && b[spectral + 2] < 0x10;
            if (l.progressive && averagesOnly && !averages) {
                averagesOnly = false;
                l.averagesEnd = i;
            }
            i = JpegMarkers::endOfScan(b, n, next);
            continue;
        }
        i = next;
    }
}

Picture readBytes(const QByteArray& bytes, const SizeFor& sizeFor) {
    return decodeBuffer(bytes, sizeFor);
}

Picture read(const QString& path, const SizeFor& sizeFor) {
    QByteArray bytes;
    switch (readRegularFile(path, &bytes)) {
        case FileRead::Ok:
            return decodeBuffer(bytes, sizeFor);
        case FileRead::TooLarge:
            return {QImage(), QSize(), Outcome::TooLarge};
        case FileRead::Unreadable:
            break;
    }
    return {};
}

bool readRegular(const QString& path, QByteArray* bytes) {
    return readRegularFile(path, bytes) == FileRead::Ok;
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

QString tooLargeText(const QString& fileName, QSize naturalSize) {
    const QString size = naturalSize.isValid() ? QStringLiteral("（%1 × %2 ピクセル）")
                                                     .arg(naturalSize.width())
                                                     .arg(naturalSize.height())
                                               : QString();
    return QStringLiteral(
               "「%1」は大きすぎるため表示できません%2。\r\n\r\n"
               "小さくして保存し直すと表示できます。")
        .arg(fileName, size);
}

}  // namespace PictureReader
