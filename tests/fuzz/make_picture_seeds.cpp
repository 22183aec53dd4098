// Writes the seed corpus of the picture fuzz target into the folder it is given:
// small real pictures of each kind a title's picture may be, made here with Qt,
// and a GIF written by hand, since Qt writes none.
#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>

#include <cstdio>

namespace {

// Smooth colour with some detail, as a poster has.
QImage poster(QSize size) {
    QImage img(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            img.setPixel(x, y, qRgb(x * 255 / size.width(), y * 255 / size.height(), (x ^ y) * 9));
    return img;
}

QByteArray encoded(const QImage& img, const char* format, bool progressive = false) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter w(&buffer, format);
    w.setQuality(85);
    w.setProgressiveScanWrite(progressive);
    if (!w.write(img)) qFatal("cannot write a %s seed", format);
    return buffer.data();
}

void little16(QByteArray& b, int v) {
    b.append(char(v & 0xFF));
    b.append(char(v >> 8));
}

// A GIF of four colours in stripes. Its codes stay three bits wide: a clear code
// follows every two pixels, so the code table never grows.
QByteArray gif(int width, int height) {
    QByteArray b("GIF89a");
    little16(b, width);
    little16(b, height);
    b.append(char(0x91));  // a global table of four colours, two bits each
    b.append('\0');
    b.append('\0');
    b.append(QByteArray::fromHex("20406080c0a0e0e0200000ff"));
    b.append(',');
    little16(b, 0);
    little16(b, 0);
    little16(b, width);
    little16(b, height);
    b.append('\0');
    b.append(char(2));  // smallest code size: 4 is clear, 5 the end
    QByteArray codes;
    quint32 bits = 0;
    int count = 0;
    const auto put = [&](int code) {
        bits |= quint32(code) << count;
        count += 3;
        while (count >= 8) {
            codes.append(char(bits & 0xFF));
            bits >>= 8;
            count -= 8;
        }
    };
    for (int i = 0; i < width * height; ++i) {
        if (i % 2 == 0) put(4);
        put((i % width) * 4 / width);
    }
    put(5);
    if (count > 0) codes.append(char(bits & 0xFF));
    for (qsizetype at = 0; at < codes.size(); at += 255) {
        const QByteArray block = codes.mid(at, 255);
        b.append(char(block.size()));
        b.append(block);
    }
    b.append('\0');
    b.append(';');
    return b;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(dir.path())) return 1;
    const QImage colour = poster({40, 24});
    const QImage grey = poster({24, 17}).convertToFormat(QImage::Format_Grayscale8);
    const std::pair<const char*, QByteArray> seeds[] = {
        {"baseline.jpg", encoded(colour, "jpeg")},
        {"progressive.jpg", encoded(colour, "jpeg", true)},
        {"grey-progressive.jpg", encoded(grey, "jpeg", true)},
        {"colour.bmp", encoded(poster({20, 13}), "bmp")},
        {"indexed.bmp", encoded(colour.convertToFormat(QImage::Format_Indexed8), "bmp")},
        {"stripes.gif", gif(16, 10)},
    };
    for (const auto& [name, bytes] : seeds) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) return 1;
    }
    // Every seed must be a picture, or the fuzzer starts from nothing.
    for (const auto& [name, bytes] : seeds)
        if (QImage::fromData(bytes).isNull()) {
            std::fprintf(stderr, "seed %s does not read back\n", name);
            return 1;
        }
    return 0;
}
