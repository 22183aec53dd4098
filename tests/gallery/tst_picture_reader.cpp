#include "shell/jpeg_averages.h"
#include "shell/picture_reader.h"
#include "test_registry.h"

#include <QBuffer>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QTest>

namespace {
QByteArray jpeg(const QImage& img, bool progressive) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter w(&buffer, "jpeg");
    w.setQuality(90);
    w.setProgressiveScanWrite(progressive);
    if (!w.write(img)) qFatal("cannot encode a test picture");
    return buffer.data();
}

// Smooth colour with some detail, as a photograph has.
QImage photo(QSize size, QImage::Format format = QImage::Format_RGB32) {
    QImage img(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            img.setPixel(x, y,
                         qRgb((x * 255) / size.width(), (y * 255) / size.height(),
                              128 + int(100 * std::sin(x / 23.0) * std::cos(y / 31.0))));
    return img.convertToFormat(format);
}

// The mean of every 8 × 8 block of a picture: what the first scans describe.
QImage blockMeans(const QImage& whole) {
    const int w = (whole.width() + 7) / 8, h = (whole.height() + 7) / 8;
    QImage out(w, h, QImage::Format_RGB32);
    for (int by = 0; by < h; ++by)
        for (int bx = 0; bx < w; ++bx) {
            int r = 0, g = 0, b = 0, n = 0;
            for (int y = by * 8; y < qMin(by * 8 + 8, whole.height()); ++y)
                for (int x = bx * 8; x < qMin(bx * 8 + 8, whole.width()); ++x, ++n) {
                    const QRgb c = whole.pixel(x, y);
                    r += qRed(c), g += qGreen(c), b += qBlue(c);
                }
            out.setPixel(bx, by, qRgb(r / n, g / n, b / n));
        }
    return out;
}

// Mean and largest difference of two pictures of one size, over every channel.
std::pair<double, int> difference(const QImage& a, const QImage& b) {
    qint64 sum = 0;
    int most = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            for (int d : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)}) {
                sum += qAbs(d);
                most = qMax(most, qAbs(d));
            }
        }
    return {double(sum) / (3.0 * a.width() * a.height()), most};
}
}  // namespace

class TestPictureReader : public QObject {
    Q_OBJECT
private slots:
    void blockAveragesMatchTheWholePicture_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("grey");
        QTest::newRow("colour, halved colour resolution") << QSize(800, 1200) << false;
        QTest::newRow("colour, sizes not a multiple of 16") << QSize(803, 1197) << false;
        QTest::newRow("grey, one channel per scan") << QSize(650, 410) << true;
    }
    void blockAveragesMatchTheWholePicture() {
        QFETCH(QSize, size);
        QFETCH(bool, grey);
        const QImage source = photo(size, grey ? QImage::Format_Grayscale8 : QImage::Format_RGB32);
        const QByteArray bytes = jpeg(source, true);
        const QImage averages = JpegAverages::read(bytes);
        QCOMPARE(averages.size(), QSize((size.width() + 7) / 8, (size.height() + 7) / 8));
        QImage whole;
        QVERIFY(whole.loadFromData(bytes));
        const auto [mean, most] = difference(averages, blockMeans(whole));
        QVERIFY2(mean < 2.0 && most < 20,
                 qPrintable(QStringLiteral("mean %1, largest %2").arg(mean).arg(most)));
        // Through the reader, at the size of a gallery box.
        const auto p = PictureReader::readBytes(bytes, [](QSize) { return QSize(60, 40); });
        QVERIFY(p.ok());
        QCOMPARE(p.image.size(), QSize(60, 40));
        QCOMPARE(p.naturalSize, size);
    }

    void onlyProgressiveFilesAreReadThisWay() {
        const QImage source = photo({160, 160});
        QVERIFY(JpegAverages::read(jpeg(source, false)).isNull());
        QVERIFY(JpegAverages::read(QByteArray()).isNull());
        QVERIFY(JpegAverages::read("\xFF\xD8\xFF\xD9").isNull());
        const QByteArray progressive = jpeg(source, true);
        const auto layout = PictureReader::jpegLayout(progressive);
        QVERIFY(layout.averagesEnd > 0);
        // Without its first scans there is nothing to read.
        QVERIFY(JpegAverages::read(progressive.left(layout.averagesEnd - 40)).isNull());
        // A frame that claims 60000 × 60000 is refused before anything is allocated for it.
        QByteArray forged = progressive;
        const qsizetype sof = forged.indexOf(QByteArray("\xFF\xC2", 2));
        QVERIFY(sof > 0);
        for (int k : {5, 6, 7, 8}) forged[sof + k] = char(k % 2 ? 0xEA : 0x60);
        QVERIFY(JpegAverages::read(forged).isNull());
        QCOMPARE(PictureReader::readBytes(forged, {}).outcome, PictureReader::Outcome::TooLarge);
    }

    void damagedScansNeverCrash() {
        const QByteArray good = jpeg(photo({320, 480}), true);
        const qsizetype end = PictureReader::jpegLayout(good).averagesEnd;
        QRandomGenerator dice(2026);
        int read = 0;
        for (int round = 0; round < 300; ++round) {
            QByteArray bad = good;
            for (int k = 0; k < 4; ++k) bad[dice.bounded(int(end))] = char(dice.bounded(256));
            const QImage img = JpegAverages::read(bad);
            if (!img.isNull()) {
                QCOMPARE(img.size(), QSize(40, 60));
                ++read;
            }
            PictureReader::readBytes(bad, [](QSize) { return QSize(30, 40); });
        }
        QVERIFY(read < 300);  // some damage is noticed, none is fatal
    }
};

REELNOTE_TEST(TestPictureReader)
#include "tst_picture_reader.moc"
