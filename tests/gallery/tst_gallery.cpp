#include "card/picture_import_frame.h"
#include "gallery/gallery_frame.h"
#include "gallery/gallery_widgets.h"
#include "main_fixture.h"
#include "shell/picture_reader.h"
#include "shell/thumbnail_cache.h"
#include "store/catalogue.h"
#include "test_files.h"
#include "test_registry.h"

#include <QBuffer>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDateTime>
#include <QElapsedTimer>
#include <QImageWriter>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSaveFile>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QUrl>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace TestFiles;

namespace {
const QString kHelp = QStringLiteral(
    "収集したタイトル画像を２１タイトル分ずつ一覧表示します。\r\n\r\n"
    "２２タイトル以上ある時は← →ボタンで表示を切り替えることができます。\r\n"
    "任意の画像、文字ををクリックするとそのタイトルでメイン画面を表示することができます。\r\n\r\n");

// One cyan pixel.
const QByteArray kCyanGif = QByteArray::fromHex(
    "47494638396101000100800000"
    "00ffff"
    "ff0000"
    "2c00000000010001000002024401003b");

// A GIF that claims 65535 × 65535 pixels.
const QByteArray kHugeGif = QByteArray::fromHex(
    "474946383961ffffffff800000ffffff00000021f90401000000002c00000000ffffffff0002024401003b");

QString titleName(int n) { return QStringLiteral("作品%1").arg(n); }

// A flat colour that differs for every title, exact in a BMP.
QColor colourOf(int n) { return QColor((n * 53) % 256, 255 - (n * 29) % 256, (n * 97) % 256); }

QByteArray encoded(const QImage& img, const char* format, bool progressive = false) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter w(&buffer, format);
    w.setQuality(90);
    w.setProgressiveScanWrite(progressive);
    if (!w.write(img)) qFatal("cannot encode a test picture");
    return buffer.data();
}

QImage flat(QSize size, QColor colour) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(colour);
    return img;
}

// Something with detail, so that a JPEG of it has real scan data.
QImage busy(QSize size) {
    QImage img(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            img.setPixel(x, y, qRgb((x * 7 + y * 3) % 256, (x * y) % 256, (x ^ y) % 256));
    return img;
}

// A picture divided into four flat quarters: red, green, blue, yellow.
QImage quarters(QSize size) {
    QImage img(size, QImage::Format_RGB32);
    const int w = size.width() / 2, h = size.height() / 2;
    img.fill(Qt::red);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            if (x >= w || y >= h)
                img.setPixel(x, y,
                             x >= w && y >= h ? qRgb(255, 255, 0)
                             : x >= w         ? qRgb(0, 200, 0)
                                              : qRgb(0, 0, 255));
    return img;
}

// A BMP whose header claims width × height but that holds a few bytes of pixels.
QByteArray forgedBmp(int width, int height) {
    QByteArray b;
    QDataStream s(&b, QIODevice::WriteOnly);
    s.setByteOrder(QDataStream::LittleEndian);
    s.writeRawData("BM", 2);
    s << quint32(54 + 16) << quint32(0) << quint32(54);
    s << quint32(40) << qint32(width) << qint32(height) << quint16(1) << quint16(24) << quint32(0)
      << quint32(0) << qint32(2835) << qint32(2835) << quint32(0) << quint32(0);
    s.writeRawData("0123456789abcdef", 16);
    return b;
}

// A real JPEG whose frame header is changed to claim width × height.
QByteArray forgedJpeg(int width, int height) {
    QByteArray b = encoded(flat({16, 16}, Qt::gray), "JPG");
    const qsizetype sof = b.indexOf(QByteArray("\xFF\xC0", 2));
    if (sof < 0) qFatal("no frame header");
    b[sof + 5] = char(height >> 8);
    b[sof + 6] = char(height & 0xFF);
    b[sof + 7] = char(width >> 8);
    b[sof + 8] = char(width & 0xFF);
    return b;
}

QColor centre(const QLabel* box) {
    const QImage img = box->pixmap().toImage();
    return img.pixelColor(img.width() / 2, img.height() / 2);
}

// When time runs out, opens a named pipe for writing again and again, which ends
// any read that waits on it: a program that would hang fails the test instead.
class PipeWatchdog {
public:
    ~PipeWatchdog() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    void watch(const QString& pipe, std::chrono::seconds patience) {
        thread_ = std::thread([this, name = QFile::encodeName(pipe), patience] {
            const auto until = std::chrono::steady_clock::now() + patience;
            while (!stop_ && std::chrono::steady_clock::now() < until)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            while (!stop_) {
                rescued_ = true;
                const int fd = ::open(name.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0) ::close(fd);
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        });
    }
    bool rescued() const { return rescued_; }

private:
    std::thread thread_;
    std::atomic<bool> stop_{false}, rescued_{false};
};

bool near(QColor a, QColor b, int tolerance = 12) {
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance &&
           qAbs(a.blue() - b.blue()) <= tolerance;
}
}  // namespace

class TestGallery : public QObject {
    Q_OBJECT
private:
    void start(MainFixture& f, int titles, bool helpTour = false) {
        writeFreshMasters(f.path(), helpTour);
        QString data;
        for (int n = 1; n <= titles; ++n) data += titleRecord(titleName(n));
        writeCp932(f.path(), kDataFile, data);
        if (helpTour) {  // the two boxes of the start-up
            f.prompts.planAnswer(Prompts::Answer::Ok);
            f.prompts.planAnswer(Prompts::Answer::Ok);
        }
        f.start();
        f.prompts.boxes.clear();
    }
    GalleryFrame* gallery(MainFixture& f) { return f.find<GalleryFrame>("fraPic"); }
    QLabel* box(MainFixture& f, int i) {
        return f.find<QLabel>(QStringLiteral("imgPIc_%1").arg(i));
    }
    QLabel* name(MainFixture& f, int i) {
        return f.find<QLabel>(QStringLiteral("lblName_%1").arg(i));
    }
    QString range(MainFixture& f) {
        return f.find<QLabel>("lblPicKan_0")->text() + u' ' +
               f.find<QLabel>("lblPicKan_2")->text() + u' ' + f.find<QLabel>("lblPicKan_1")->text();
    }
    void click(MainFixture& f, const QString& control) {
        QTest::mouseClick(f.find<QWidget>(control), Qt::LeftButton);
    }
    void waitForPictures(MainFixture& f) { QTRY_VERIFY(gallery(f)->decoder().idle()); }
    void writePicture(MainFixture& f, const QString& file, const QByteArray& bytes) {
        writeBytes(f.path(), file, bytes);
    }

private slots:
    void twentyOneTitlesFillOnePage() {
        MainFixture f;
        start(f, 21, true);
        f.prompts.planAnswer(Prompts::Answer::Ok);
        click(f, "cmdPic");
        QVERIFY(!gallery(f)->isHidden());
        QVERIFY(f.find<QWidget>("fraMain")->isHidden());
        QVERIFY(!f.find<QPushButton>("cmdDel")->isEnabled());
        QCOMPARE(f.prompts.boxes.size(), 1);
        QCOMPARE(f.prompts.boxes[0].title, QStringLiteral("ヘルプツアー"));
        QCOMPARE(f.prompts.boxes[0].text, kHelp);
        QCOMPARE(f.prompts.boxes[0].icon, Prompts::Icon::Information);
        QCOMPARE(range(f), QStringLiteral("1 ～ 21"));
        for (int i = 1; i <= 21; ++i) QCOMPARE(name(f, i)->text(), titleName(i));
        // Boxes of 1440 × 2040 twips, seven across and three down, names on top.
        QCOMPARE(box(f, 1)->size(), QSize(96, 136));
        QCOMPARE(name(f, 1)->width(), 96);
        QVERIFY(name(f, 1)->geometry().bottom() < box(f, 1)->geometry().top());
        QCOMPARE(box(f, 7)->y(), box(f, 1)->y());
        QVERIFY(box(f, 7)->x() > box(f, 6)->x());
        QVERIFY(box(f, 8)->y() > box(f, 1)->y());
        QCOMPARE(box(f, 8)->x(), box(f, 1)->x());
        QCOMPARE(box(f, 21)->x(), box(f, 7)->x());

        click(f, "cmdUp");  // no second page
        click(f, "cmdDown");
        QCOMPARE(range(f), QStringLiteral("1 ～ 21"));
        QCOMPARE(name(f, 21)->text(), titleName(21));
        click(f, "cmdPic");  // already showing: nothing, not even the help
        QCOMPARE(f.prompts.boxes.size(), 1);
        f.checkBoxes();
    }

    void twentyTwoTitlesMakeTwoPages() {
        MainFixture f;
        start(f, 22);
        click(f, "cmdPic");
        QCOMPARE(gallery(f)->GalleryPageCount(), 2);
        click(f, "cmdUp");
        QCOMPARE(range(f), QStringLiteral("22 ～ 42"));
        QCOMPARE(name(f, 1)->text(), titleName(22));
        for (int i = 2; i <= 21; ++i) {
            QCOMPARE(name(f, i)->text(), QString());
            QVERIFY(box(f, i)->pixmap().isNull());
        }
        click(f, "cmdUp");  // past the last page: ignored
        QCOMPARE(range(f), QStringLiteral("22 ～ 42"));
        click(f, "cmdDown");
        QCOMPARE(range(f), QStringLiteral("1 ～ 21"));
        QCOMPARE(name(f, 21)->text(), titleName(21));
        click(f, "cmdDown");  // before the first page: ignored
        QCOMPARE(range(f), QStringLiteral("1 ～ 21"));
        f.checkBoxes();
    }

    void aClickOpensTheTitleWithoutRememberingIt() {
        MainFixture f;
        start(f, 30);
        click(f, "cmdPic");
        click(f, "cmdUp");
        click(f, "lblName_1");
        QVERIFY(gallery(f)->isHidden());
        QVERIFY(!f.find<QWidget>("fraMain")->isHidden());
        QVERIFY(f.find<QPushButton>("cmdDel")->isEnabled());
        QCOMPARE(f.find<QScrollBar>("hsbData")->value(), 22);
        QCOMPARE(f.find<QComboBox>("cboName")->currentText(), titleName(22));
        QCOMPARE(f.window->LastJumpTitle, 0);

        click(f, "cmdPic");  // kept: still page 2
        QCOMPARE(range(f), QStringLiteral("22 ～ 42"));
        click(f, "imgPIc_3");
        QCOMPARE(f.find<QScrollBar>("hsbData")->value(), 24);
        click(f, "cmdPic");
        click(f, "imgPIc_10");  // no title 31: nothing happens
        click(f, "lblName_21");
        QVERIFY(!gallery(f)->isHidden());
        QCOMPARE(f.find<QScrollBar>("hsbData")->value(), 24);
        // "メイン" goes back to the title on the card, since the gallery remembers none.
        f.find<QScrollBar>("hsbData")->setValue(5);
        click(f, "cmdMain");
        QCOMPARE(f.find<QScrollBar>("hsbData")->value(), 5);
        f.checkBoxes();
    }

    void anEmptyGalleryIsBuiltAgainNextTime() {
        MainFixture f;
        start(f, 0, true);
        click(f, "cmdPic");
        QVERIFY(!gallery(f)->isHidden());
        QVERIFY(f.prompts.boxes.isEmpty());  // no help without titles
        QCOMPARE(range(f), QStringLiteral("1 ～ 21"));
        for (int i = 1; i <= 21; ++i) {
            QCOMPARE(name(f, i)->text(), QString());
            QVERIFY(box(f, i)->pixmap().isNull());
        }
        QVERIFY(!f.window->galleryReady());
        click(f, "cmdUp");
        click(f, "cmdDown");
        click(f, "imgPIc_1");
        QVERIFY(!gallery(f)->isHidden());
        QCOMPARE(range(f), QStringLiteral("1 ～ 21"));
        click(f, "cmdMain");
        click(f, "cmdPic");
        QVERIFY(!f.window->galleryReady());
        QVERIFY(f.prompts.boxes.isEmpty());
        f.checkBoxes();
    }

    void bmpWinsOverGifAndGifOverJpeg() {
        MainFixture f;
        writePicture(f, QStringLiteral("作品1.jpg"), encoded(flat({40, 60}, Qt::red), "JPG"));
        writePicture(f, QStringLiteral("作品1.bmp"), encoded(flat({40, 60}, Qt::blue), "BMP"));
        writePicture(f, QStringLiteral("作品2.jpg"), encoded(flat({40, 60}, Qt::red), "JPG"));
        writePicture(f, QStringLiteral("作品2.gif"), kCyanGif);
        writePicture(f, QStringLiteral("作品3.JPG"), encoded(flat({40, 60}, Qt::green), "JPG"));
        // A damaged BMP does not hide the JPEG beside it: the JPEG is the last that loads.
        writePicture(f, QStringLiteral("作品4.jpg"), encoded(flat({40, 60}, Qt::yellow), "JPG"));
        writePicture(f, QStringLiteral("作品4.bmp"), "BM but nothing more");
        start(f, 5);
        click(f, "cmdPic");
        waitForPictures(f);
        QVERIFY(near(centre(box(f, 1)), Qt::blue));
        QVERIFY(near(centre(box(f, 2)), Qt::cyan));
        QVERIFY(near(centre(box(f, 3)), Qt::green));
        QVERIFY(near(centre(box(f, 4)), Qt::yellow));
        QVERIFY(box(f, 5)->pixmap().isNull());
        // Each picture is stretched over its whole box, at the box's size.
        QCOMPARE(box(f, 1)->pixmap().size(), QSize(96, 136));
        QVERIFY(box(f, 1)->hasScaledContents());
        f.checkBoxes();
    }

    void thePageIsKeptUntilSomethingChanges() {
        MainFixture f;
        for (int n : {1, 43, 44})
            writePicture(f, titleName(n) + QStringLiteral(".bmp"),
                         encoded(flat({30, 40}, colourOf(n)), "BMP"));
        start(f, 50, true);
        f.prompts.planAnswer(Prompts::Answer::Ok);
        click(f, "cmdPic");
        click(f, "cmdUp");
        click(f, "cmdUp");
        QCOMPARE(range(f), QStringLiteral("43 ～ 63"));
        waitForPictures(f);
        const int decoded = gallery(f)->decoder().decodedFiles();
        click(f, "cmdMain");
        click(f, "cmdPic");
        QCOMPARE(range(f), QStringLiteral("43 ～ 63"));
        QCOMPARE(name(f, 2)->text(), titleName(44));
        QCOMPARE(centre(box(f, 2)), colourOf(44));
        QCOMPARE(gallery(f)->decoder().decodedFiles(), decoded);  // nothing read again
        QCOMPARE(f.prompts.boxes.size(), 1);                      // the help came only once

        // A change to the titles or their pictures makes the next visit build afresh.
        click(f, "cmdMain");
        QSaveFile replaced(QDir(f.path()).filePath(titleName(1) + QStringLiteral(".bmp")));
        QVERIFY(replaced.open(QIODevice::WriteOnly));
        replaced.write(encoded(flat({30, 40}, colourOf(7)), "BMP"));
        QVERIFY(replaced.commit());
        f.window->setGalleryReady(false);
        f.prompts.planAnswer(Prompts::Answer::Ok);
        click(f, "cmdPic");
        QCOMPARE(range(f), QStringLiteral("1 ～ 21"));
        QCOMPARE(name(f, 1)->text(), titleName(1));
        QCOMPARE(f.prompts.boxes.size(), 2);
        QVERIFY(f.window->galleryReady());
        waitForPictures(f);
        QCOMPARE(centre(box(f, 1)), colourOf(7));  // the new picture, not the one cached
        f.checkBoxes();
    }

    void anImportedPictureShowsOnTheNextVisit() {
        MainFixture f;
        writePicture(f, QStringLiteral("作品1.jpg"), encoded(flat({40, 60}, Qt::red), "JPG"));
        QDir(f.path()).mkdir(QStringLiteral("new"));
        writeBytes(f.path() + QStringLiteral("/new"), QStringLiteral("blue.bmp"),
                   encoded(flat({40, 60}, Qt::blue), "BMP"));
        start(f, 3);
        click(f, "cmdPic");
        waitForPictures(f);
        QVERIFY(near(centre(box(f, 1)), Qt::red));
        click(f, "lblName_1");
        click(f, "imgGazou");
        auto* import = f.find<PictureImportFrame>("fraPicget");
        QVERIFY(!import->isHidden());
        QVERIFY(import->setDirectory(f.path() + QStringLiteral("/new")));
        auto* files = f.find<QListWidget>("filZukei_Moto");
        files->item(0)->setSelected(true);
        click(f, "cmdFileCopy");
        QVERIFY(import->isHidden());
        QVERIFY(!f.window->galleryReady());
        click(f, "cmdPic");
        QVERIFY(f.window->galleryReady());
        waitForPictures(f);
        QCOMPARE(centre(box(f, 1)), QColor(Qt::blue));  // 作品1.bmp now wins over 作品1.jpg
        f.checkBoxes();
    }

    void pagingOnBeforeThePicturesArriveShowsTheNewPage() {
        MainFixture f;
        for (int n = 1; n <= 45; ++n)
            writePicture(f, titleName(n) + QStringLiteral(".bmp"),
                         encoded(flat({60, 90}, colourOf(n)), "BMP"));
        start(f, 45);
        click(f, "cmdPic");
        click(f, "cmdUp");  // at once: page 1 is still being decoded
        click(f, "cmdUp");
        click(f, "cmdDown");
        waitForPictures(f);
        QCOMPARE(range(f), QStringLiteral("22 ～ 42"));
        for (int i = 1; i <= 21; ++i) {
            QCOMPARE(name(f, i)->text(), titleName(21 + i));
            QCOMPARE(centre(box(f, i)), colourOf(21 + i));
        }
        // Results that come in late for a page left behind change nothing.
        QTest::qWait(0);
        QCOMPARE(centre(box(f, 1)), colourOf(22));
        f.checkBoxes();
    }

    void damagedAndForgedPicturesLeaveTheirBoxEmpty() {
        MainFixture f;
        const QByteArray good = encoded(busy({400, 600}), "JPG");
        writePicture(f, QStringLiteral("作品1.jpg"), "this is not a picture at all");
        // Cut short in its scan: shown as far as it goes, as libjpeg shows it.
        writePicture(f, QStringLiteral("作品2.jpg"), good.left(good.size() * 3 / 5));
        writePicture(f, QStringLiteral("作品3.jpg"), good.left(200));  // cut in its header
        writePicture(f, QStringLiteral("作品4.bmp"), forgedBmp(7500, 7000));
        writePicture(f, QStringLiteral("作品5.jpg"), forgedJpeg(60000, 60000));
        writePicture(f, QStringLiteral("作品6.gif"), kHugeGif);
        writePicture(f, QStringLiteral("作品7.jpg"), good);
        writePicture(f, QStringLiteral("作品8.bmp"), QByteArray());
        writePicture(f, QStringLiteral("作品9.bmp"), forgedBmp(30000, 30000));
        writePicture(f, QStringLiteral("作品10.bmp"), forgedBmp(100, 100));  // rows missing
        start(f, 10);
        click(f, "cmdPic");
        for (int i = 1; i <= 10; ++i) QCOMPARE(name(f, i)->text(), titleName(i));
        waitForPictures(f);
        for (int i = 1; i <= 10; ++i) QCOMPARE(box(f, i)->pixmap().isNull(), i != 2 && i != 7);
        f.checkBoxes();

        using PictureReader::Outcome;
        const auto outcome = [&](int n, const char* ext) {
            return PictureReader::readStretched(
                       QDir(f.path()).filePath(titleName(n) + QLatin1String(ext)), {96, 136})
                .outcome;
        };
        QCOMPARE(outcome(1, ".jpg"), Outcome::Unreadable);
        QCOMPARE(outcome(2, ".jpg"), Outcome::Decoded);
        QCOMPARE(outcome(3, ".jpg"), Outcome::Unreadable);
        QCOMPARE(outcome(4, ".bmp"), Outcome::TooLarge);  // refused before its pixels are read
        QCOMPARE(outcome(5, ".jpg"), Outcome::TooLarge);
        QCOMPARE(outcome(6, ".gif"), Outcome::TooLarge);
        QCOMPARE(outcome(7, ".jpg"), Outcome::Decoded);
        QCOMPARE(outcome(8, ".bmp"), Outcome::Unreadable);
        QVERIFY(outcome(9, ".bmp") != Outcome::Decoded);
        QCOMPARE(outcome(10, ".bmp"), Outcome::Unreadable);
        // The same header with every row present is a picture.
        QByteArray whole = forgedBmp(100, 100).left(54);
        whole += QByteArray(300 * 100, '\x40');
        QCOMPARE(PictureReader::readBytes(whole, {}).outcome, Outcome::Decoded);
    }

    // A named pipe under a picture's name is never opened for a read that waits,
    // and closing the window waits for no read.
    void aNamedPipeBlocksNeitherTheGalleryNorTheEnd() {
        PipeWatchdog watchdog;
        {
            MainFixture f;
            const QString pipe = QDir(f.path()).filePath(titleName(2) + QStringLiteral(".jpg"));
            QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
            writePicture(f, titleName(1) + QStringLiteral(".bmp"),
                         encoded(flat({30, 40}, Qt::blue), "BMP"));
            watchdog.watch(pipe, std::chrono::seconds(15));
            start(f, 3);
            click(f, "cmdPic");
            waitForPictures(f);
            QVERIFY(near(centre(box(f, 1)), Qt::blue));
            QVERIFY(box(f, 2)->pixmap().isNull());
            click(f, "cmdEnd");
            QVERIFY(f.window->isHidden());
            f.checkBoxes();
            f.window.reset();  // as at the end of main
        }
        QVERIFY2(!watchdog.rescued(), "a read waited on the pipe");
    }

    // A picture too large to read says so in its box, without a box to click away.
    void aPictureTooLargeSaysSoQuietlyInItsBox() {
        MainFixture f;
        QByteArray huge = encoded(busy({160, 120}), "JPG", true);
        const qsizetype sof = huge.indexOf(QByteArray("\xFF\xC2", 2));
        for (int k : {5, 7}) huge[sof + k] = char(0xFD), huge[sof + k + 1] = char(0xE8);
        writePicture(f, titleName(2) + QStringLiteral(".jpg"), huge);
        // Too large as well, but its .jpg shows: nothing is said.
        writePicture(f, titleName(23) + QStringLiteral(".gif"), kHugeGif);
        writePicture(f, titleName(23) + QStringLiteral(".jpg"),
                     encoded(flat({40, 60}, Qt::cyan), "JPG"));
        start(f, 30);
        for (int visit = 0; visit < 2; ++visit) {  // the second from the cache
            f.window->setGalleryReady(false);
            click(f, "cmdMain");
            click(f, "cmdPic");
            waitForPictures(f);
            auto* second = f.find<GalleryBox>(QStringLiteral("imgPIc_2"));
            QVERIFY(second->pixmap().isNull());
            QCOMPARE(second->refusal(),
                     QStringLiteral("「作品2.jpg」は大きすぎるため表示できません（65000 × 65000 "
                                    "ピクセル）。\r\n\r\n小さくして保存し直すと表示できます。"));
            QCOMPARE(second->toolTip(), second->refusal());
            QVERIFY(f.find<GalleryBox>(QStringLiteral("imgPIc_1"))->refusal().isEmpty());
            click(f, "cmdUp");
            waitForPictures(f);
            auto* later = f.find<GalleryBox>(QStringLiteral("imgPIc_2"));
            QVERIFY(later->refusal().isEmpty());
            QVERIFY(near(centre(later), Qt::cyan));
            click(f, "cmdDown");
        }
        QVERIFY(f.prompts.boxes.isEmpty());
        f.checkBoxes();
    }

    // A read that never ends (a file system that stopped answering) holds up the
    // end of the decoder for a moment only; its late result goes nowhere.
    void theDecoderGoesWithoutWaitingForARead() {
        struct Gate {
            std::atomic<bool> open{false}, passed{false};
        };
        const auto gate = std::make_shared<Gate>();  // shared with the thread left behind
        QTemporaryDir dir;
        const QString file = QDir(dir.path()).filePath(QStringLiteral("a.bmp"));
        writeBytes(dir.path(), QStringLiteral("a.bmp"), encoded(flat({8, 8}, Qt::red), "BMP"));
        // Should the decoder wait after all, the read ends in ten seconds and the test fails.
        std::thread rescue([gate] {
            for (int i = 0; i < 1000 && !gate->passed; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            gate->open = true;
        });
        QElapsedTimer clock;
        {
            PictureDecoder decoder(nullptr, [gate](const QString& path, QSize size) {
                while (!gate->open) std::this_thread::sleep_for(std::chrono::milliseconds(5));
                gate->passed = true;
                return PictureReader::readStretched(path, size);
            });
            decoder.request(1, {file}, {8, 8});
            clock.start();
        }
        const qint64 waited = clock.elapsed();
        const bool endedFirst = !gate->passed;
        gate->open = true;
        rescue.join();
        QVERIFY2(waited < 4000 && endedFirst, qPrintable(QString::number(waited)));
        QTRY_VERIFY(gate->passed);
        QTest::qWait(50);  // its result is handed to no one
    }

    // A picture larger than its thumbnail leaves one where the desktop keeps them,
    // named and marked as freedesktop.org's thumbnail standard says; the next visit reads
    // that instead of the file, whoever wrote it, until the file changes.
    void picturesAreKeptInTheDesktopsThumbnailCache() {
        QTemporaryDir cache;
        const QByteArray before = qgetenv("XDG_CACHE_HOME");
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
        const auto restore = qScopeGuard([&] { qputenv("XDG_CACHE_HOME", before); });
        MainFixture f;
        writePicture(f, QStringLiteral("作品1.jpg"), encoded(quarters({600, 900}), "JPG"));
        writePicture(f, QStringLiteral("作品2.bmp"), encoded(flat({30, 40}, Qt::blue), "BMP"));
        start(f, 2);
        PictureDecoder& decoder = gallery(f)->decoder();
        const auto visit = [&] {
            decoder.clearCache();
            f.window->setGalleryReady(false);
            click(f, "cmdMain");
            click(f, "cmdPic");
            waitForPictures(f);
            QTRY_COMPARE(decoder.thumbnailsToKeep(), 0);
        };
        const auto shows = [&](QColor topLeft, QColor bottomRight) {
            const QImage img = box(f, 1)->pixmap().toImage();
            return near(img.pixelColor(20, 30), topLeft, 24) &&
                   near(img.pixelColor(76, 106), bottomRight, 24);
        };
        visit();
        QVERIFY(shows(Qt::red, QColor(255, 255, 0)));
        const QString picture = QDir(f.path()).filePath(QStringLiteral("作品1.jpg"));
        const QByteArray uri = QUrl::fromLocalFile(picture).toEncoded();
        const QString large = cache.path() + QStringLiteral("/thumbnails/large");
        const QString thumbnail =
            large + u'/' +
            QString::fromLatin1(QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex()) +
            QStringLiteral(".png");
        // One thumbnail (the small picture needs none), readable by its owner alone.
        QCOMPARE(QDir(large).entryList(QDir::Files), QStringList{QFileInfo(thumbnail).fileName()});
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(thumbnail).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0600u);
        QCOMPARE(::stat(QFile::encodeName(large).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0700u);
        const auto keys = [&] {
            const QImage img(thumbnail);
            return QStringList{img.text("Thumb::URI"), img.text("Thumb::MTime"),
                               img.text("Thumb::Size")};
        };
        const auto expected = [&] {
            const QFileInfo info(picture);
            return QStringList{QString::fromLatin1(uri),
                               QString::number(info.lastModified().toSecsSinceEpoch()),
                               QString::number(info.size())};
        };
        QCOMPARE(keys(), expected());
        const QByteArray png = readBytes(large, QFileInfo(thumbnail).fileName());
        QCOMPARE(int(png[24]), 8);  // bits per channel
        QCOMPARE(int(png[25]), 6);  // with alpha
        QCOMPARE(QImage(thumbnail).size(), QSize(170, 256));

        int decoded = decoder.decodedFiles();
        visit();
        QCOMPARE(decoder.decodedFiles(), decoded + 1);  // the small picture only
        QCOMPARE(decoder.thumbnailReads(), 1);
        QVERIFY(shows(Qt::red, QColor(255, 255, 0)));

        // A thumbnail another program made is as good as one of ours.
        Thumbnails::Source source;
        QVERIFY(Thumbnails::source(picture, &source));
        QString error;
        QVERIFY2(Thumbnails::keep(source, 256, flat({171, 256}, Qt::cyan), &error),
                 qPrintable(error));
        visit();
        QVERIFY(shows(Qt::cyan, Qt::cyan));

        // The file's time moved on: its thumbnail is made again.
        QFile file(picture);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                 QFileDevice::FileModificationTime));
        file.close();
        decoded = decoder.decodedFiles();
        visit();
        QCOMPARE(decoder.decodedFiles(), decoded + 2);
        QVERIFY(shows(Qt::red, QColor(255, 255, 0)));
        QCOMPARE(keys(), expected());
        f.checkBoxes();
    }

    void aProgressivePictureIsReadFromItsFirstScans() {
        const QImage source = quarters({800, 1200});
        const QByteArray progressive = encoded(source, "JPG", true);
        const QByteArray baseline = encoded(source, "JPG", false);
        const PictureReader::JpegLayout p = PictureReader::jpegLayout(progressive);
        QVERIFY(p.jpeg && p.complete && p.progressive);
        QVERIFY(p.averagesEnd > 0 && p.averagesEnd < progressive.size() / 2);
        const PictureReader::JpegLayout b = PictureReader::jpegLayout(baseline);
        QVERIFY(b.jpeg && b.complete && !b.progressive);
        QCOMPARE(b.averagesEnd, -1);
        QVERIFY(!PictureReader::jpegLayout(progressive.left(progressive.size() - 10)).complete);
        QVERIFY(!PictureReader::jpegLayout("GIF89a").jpeg);

        // At an eighth of its size or less it looks as it does read whole.
        const auto stretched = [](QSize size) { return [size](QSize) { return size; }; };
        const QImage small = PictureReader::readBytes(progressive, stretched({96, 136})).image;
        const QImage whole = PictureReader::readBytes(progressive, {}).image;
        QCOMPARE(small.size(), QSize(96, 136));
        QCOMPARE(whole.size(), QSize(800, 1200));
        const QImage reference =
            whole.scaled(96, 136, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        for (QPoint at : {QPoint(24, 34), QPoint(72, 34), QPoint(24, 102), QPoint(72, 102)})
            QVERIFY(near(small.pixelColor(at), reference.pixelColor(at), 16));
        // Larger than an eighth, every scan is needed: the result matches the whole picture.
        const QImage half = PictureReader::readBytes(progressive, stretched({400, 600})).image;
        QCOMPARE(half.size(), QSize(400, 600));
        QVERIFY(near(half.pixelColor(300, 450), QColor(255, 255, 0), 16));
    }
};

REELNOTE_TEST(TestGallery)
#include "tst_gallery.moc"
