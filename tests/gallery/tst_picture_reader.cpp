#include "shell/jpeg_averages.h"
#include "shell/picture_reader.h"
#include "test_registry.h"

#include <QBuffer>
#include <QImageWriter>
#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QTest>

#include <functional>

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

// The offset of the nth segment with this marker, found by walking the segments.
qsizetype segment(const QByteArray& b, uchar marker, int nth = 0) {
    qsizetype i = 2;
    while (i + 3 < b.size()) {
        const uchar m = uchar(b[i + 1]);
        if (m == marker && nth-- == 0) return i;
        i += 2 + ((uchar(b[i + 2]) << 8) | uchar(b[i + 3]));
        if (m == 0xDA)  // past the scan's data, to the next marker
            while (i + 1 < b.size() &&
                   !(uchar(b[i]) == 0xFF && b[i + 1] != 0 && (uchar(b[i + 1]) & 0xF8) != 0xD0))
                ++i;
    }
    qFatal("no such segment");
}

int segmentLength(const QByteArray& b, qsizetype at) {
    return (uchar(b[at + 2]) << 8) | uchar(b[at + 3]);
}

// A grey picture, dark at the left edge and light at the right.
QImage ramp(QSize size) {
    QImage img(size, QImage::Format_Grayscale8);
    for (int y = 0; y < size.height(); ++y) {
        uchar* line = img.scanLine(y);
        for (int x = 0; x < size.width(); ++x) line[x] = uchar(qint64(x) * 255 / size.width());
    }
    return img;
}

PictureReader::SizeFor stretched(QSize size) {
    return [size](QSize) { return size; };
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
    void initTestCase() {
        // libjpeg's complaints about the damaged files below are expected.
        QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio.jpeg.warning=false"));
    }

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

    // Every table and index the averages trust is checked as libjpeg checks it: a
    // file libjpeg refuses is refused here too, and nothing is read or written
    // past a table.
    void tablesAreCheckedAsStrictlyAsLibjpeg() {
        const QByteArray good = jpeg(photo({160, 120}), true);
        QVERIFY(!JpegAverages::read(good).isNull());
        const qsizetype dht = segment(good, 0xC4), sof = segment(good, 0xC2);
        const qsizetype sos = segment(good, 0xDA);
        QCOMPARE(int(good[dht + 4]), 0);  // the first scan's table of differences
        QCOMPARE(int(good[sof + 9]), 3);  // three channels, the first at twice the others
        QCOMPARE(int(good[sof + 11]), 0x22);
        const qsizetype counts = dht + 5;
        int total = 0;
        for (int k = 0; k < 16; ++k) total += uchar(good[counts + k]);
        QVERIFY(total >= 3);
        // `first` codes of length 1, the others of length 16.
        const auto lengthOne = [&](QByteArray& b, int first) {
            for (int k = 0; k < 16; ++k) b[counts + k] = 0;
            b[counts] = char(first);
            b[counts + 15] = char(total - first);
        };
        const auto longer = [](QByteArray& b, qsizetype at) {
            const int length = segmentLength(b, at) + 1;
            b[at + 2] = char(length >> 8);
            b[at + 3] = char(length & 0xFF);
            b.insert(at + 1 + length, '\0');
        };
        const std::vector<std::pair<const char*, std::function<void(QByteArray&)>>> cases = {
            {"three codes of length 1", [&](QByteArray& b) { lengthOne(b, 3); }},
            {"two codes of length 1, the second all ones", [&](QByteArray& b) { lengthOne(b, 2); }},
            {"a difference of 16 bits", [&](QByteArray& b) { b[counts + 16] = 16; }},
            {"a table segment longer than its table", [&](QByteArray& b) { longer(b, dht); }},
            {"a frame header longer than its channels", [&](QByteArray& b) { longer(b, sof); }},
            {"table number 4", [&](QByteArray& b) { b[dht + 4] = 4; }},
            {"quantisation table 4", [&](QByteArray& b) { b[sof + 12] = 4; }},
            {"a scan asking for table 4", [&](QByteArray& b) { b[sos + 6] = 0x40; }},
            {"sampling factor 0", [&](QByteArray& b) { b[sof + 11] = 0x02; }},
            {"sampling factor 5", [&](QByteArray& b) { b[sof + 11] = 0x52; }},
            {"twelve blocks to a unit", [&](QByteArray& b) { b[sof + 14] = b[sof + 17] = 0x22; }},
            {"a channel at two thirds of another",
             [&](QByteArray& b) { b[sof + 11] = 0x32, b[sof + 14] = 0x21; }},
            {"one channel twice in a scan", [&](QByteArray& b) { b[sos + 7] = b[sos + 5]; }},
            {"a point transform of 14",
             [&](QByteArray& b) { b[sos + 1 + segmentLength(b, sos)] = 0x0E; }},
        };
        for (const auto& [name, patch] : cases) {
            QByteArray bad = good;
            patch(bad);
            QVERIFY2(JpegAverages::read(bad).isNull(), name);
            QImage whole;
            QVERIFY2(!whole.loadFromData(bad), name);  // libjpeg refuses it as well
            QVERIFY2(PictureReader::readBytes(bad, stretched({20, 15})).outcome ==
                         PictureReader::Outcome::Unreadable,
                     name);
        }
    }

    // A file that libjpeg reads whole although the marker walk finds fault with it.
    void whatLibjpegReadsWholeIsShown() {
        for (const bool progressive : {false, true}) {
            const QByteArray good = jpeg(photo({160, 120}), progressive);
            const std::vector<std::pair<const char*, std::function<void(QByteArray&)>>> cases = {
                {"no end marker", [](QByteArray& b) { b.chop(2); }},
                {"two bytes before the quantisation tables",
                 [](QByteArray& b) { b.insert(segment(b, 0xDB), "\x12\x34"); }},
                {"two bytes before the frame header",
                 [&](QByteArray& b) {
                     b.insert(segment(b, progressive ? 0xC2 : 0xC0), QByteArray("\0\x01", 2));
                 }},
            };
            for (const auto& [name, patch] : cases) {
                QByteArray odd = good;
                patch(odd);
                for (const QSize size : {QSize(20, 15), QSize(160, 120)}) {
                    const auto p = PictureReader::readBytes(odd, stretched(size));
                    const QString what = QStringLiteral("%1, %2 at %3 wide")
                                             .arg(QLatin1String(name))
                                             .arg(progressive ? "progressive" : "baseline")
                                             .arg(size.width());
                    QVERIFY2(p.ok(), qPrintable(what));
                    const QImage reference = PictureReader::readBytes(good, stretched(size)).image;
                    QCOMPARE(p.image.size(), size);
                    QVERIFY2(difference(p.image, reference).first < 1.0, qPrintable(what));
                }
            }
        }
    }

    // Past 20,000 pixels a side or 50 megapixels a JPEG is read at an eighth of its
    // size; what would take more memory than the bound is refused as too large.
    void largePicturesAreReadAtAnEighth() {
        const auto fit = [](QSize natural) {
            return natural.scaled(300, 400, Qt::KeepAspectRatio);
        };
        const QImage wide = ramp({20001, 1000}), big = ramp({10000, 6000});
        for (const auto& [source, progressive] :
             {std::pair(wide, false), std::pair(big, false), std::pair(big, true)}) {
            const auto p = PictureReader::readBytes(jpeg(source, progressive), fit);
            QVERIFY(p.ok());
            QCOMPARE(p.naturalSize, source.size());
            QCOMPARE(p.image.size(), fit(source.size()));
            const QColor middle = p.image.pixelColor(p.image.width() / 2, p.image.height() / 2);
            QVERIFY2(qAbs(middle.red() - 128) < 8, qPrintable(QString::number(middle.red())));
        }
        // A progressive frame of 65,000 × 65,000 needs gigabytes either way.
        QByteArray huge = jpeg(photo({160, 120}), true);
        const qsizetype sof = segment(huge, 0xC2);
        for (int k : {5, 7}) huge[sof + k] = char(0xFD), huge[sof + k + 1] = char(0xE8);
        QCOMPARE(PictureReader::readBytes(huge, fit).outcome, PictureReader::Outcome::TooLarge);
        QVERIFY(JpegAverages::read(huge).isNull());
    }
};

REELNOTE_TEST(TestPictureReader)
#include "tst_picture_reader.moc"
