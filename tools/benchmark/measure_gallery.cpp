// A gallery page of large pictures and the card's picture of the same size, in the
// program's window in this process, beside decoding the same pictures whole.
#include "live_window.h"
#include "measurements.h"

#include "card/card_frame.h"
#include "gallery/gallery_frame.h"
#include "shell/picture_reader.h"
#include "shell/thumbnail_cache.h"
#include "store/catalogue.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>
#include <QThread>
#include <QThreadPool>
#include <QTimer>

#include <ctime>
#include <map>

namespace {
const QSize kPictureSize(3000, 4500);
constexpr int kDistinct = 3;  // pictures drawn; the 21 files repeat them
constexpr int kGrain = 5;     // ± per channel: the grain of a scanned print

// A poster as a scanner gives it: a gradient, soft shapes, a title and a fine grain,
// so that it compresses like one (a flat drawing would shrink to a fraction).
QImage poster(int seed) {
    QRandomGenerator dice(quint32(seed) * 7919u + 17u);
    QImage img(kPictureSize, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient sky(0, 0, 0, img.height());
    sky.setColorAt(0, QColor::fromHsv(dice.bounded(360), 140, 90));
    sky.setColorAt(1, QColor::fromHsv(dice.bounded(360), 200, 230));
    p.fillRect(img.rect(), sky);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 240; ++i) {
        p.setBrush(QColor::fromHsv(dice.bounded(360), 160, 240, 70));
        const int r = dice.bounded(40, 700);
        p.drawEllipse(QPoint(dice.bounded(img.width()), dice.bounded(img.height())), r, r);
    }
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPixelSize(300);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(img.rect().adjusted(150, 0, -150, -500), Qt::AlignHCenter | Qt::AlignBottom,
               QStringLiteral("測定用\nポスター %1").arg(seed));
    p.end();
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const int n = int(dice.bounded(2 * kGrain + 1)) - kGrain;
            const QRgb c = line[x];
            line[x] = qRgb(qBound(0, qRed(c) + n, 255), qBound(0, qGreen(c) + n, 255),
                           qBound(0, qBlue(c) + n, 255));
        }
    }
    return img;
}

// The encoded pictures, made once per run for both kinds of JPEG.
const std::vector<QByteArray>& pictures(bool progressive) {
    static std::map<bool, std::vector<QByteArray>> made;
    std::vector<QByteArray>& list = made[progressive];
    if (list.empty()) {
        for (int i = 0; i < kDistinct; ++i) {
            QBuffer buffer;
            buffer.open(QIODevice::WriteOnly);
            QImageWriter w(&buffer, "jpeg");
            w.setQuality(90);
            w.setProgressiveScanWrite(progressive);
            w.write(poster(i + 1));
            list.push_back(buffer.data());
        }
    }
    return list;
}

// Puts a large picture beside titles of the collection for the life of the object; a
// picture a title had is put back afterwards, the others are removed.
class LargePictures {
public:
    LargePictures(const QString& dir, const QStringList& names, bool progressive, QString* error)
        : dir_(dir) {
        const std::vector<QByteArray>& list = pictures(progressive);
        for (int i = 0; i < names.size(); ++i) {
            const QString path = QDir(dir).filePath(names[i] + QStringLiteral(".jpg"));
            QFile f(path);
            if (f.exists() && f.open(QIODevice::ReadOnly)) kept_[path] = f.readAll();
            f.close();
            if (!f.open(QIODevice::WriteOnly) || f.write(list[size_t(i) % list.size()]) < 0) {
                *error = path + QStringLiteral(": cannot be written");
                return;
            }
            paths_ << path;
            bytes_ += f.size();
        }
    }
    ~LargePictures() {
        for (const QString& path : std::as_const(paths_)) {
            if (kept_.count(path)) {
                QFile f(path);
                if (f.open(QIODevice::WriteOnly)) f.write(kept_[path]);
            } else {
                QFile::remove(path);
            }
        }
    }
    const QStringList& paths() const { return paths_; }
    qint64 bytes() const { return bytes_; }

private:
    QString dir_;
    QStringList paths_;
    std::map<QString, QByteArray> kept_;
    qint64 bytes_ = 0;
};

qint64 processCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

QString loadAverage() {
    QFile f(QStringLiteral("/proc/loadavg"));
    if (!f.open(QIODevice::ReadOnly)) return QStringLiteral("unknown");
    return QString::fromLatin1(f.readAll()).section(u' ', 0, 2);
}

QStringList firstTitles(LiveWindow& w, int count) {
    QStringList names;
    const Catalogue& cat = w.window.catalogue();
    for (int n = 1; n <= count && n <= cat.TitleCount(); ++n) names << cat.titles()[n].Daimei;
    return names;
}

// Waits, without spinning, until the decoder has answered the page.
bool waitForPage(PictureDecoder& decoder) {
    if (decoder.idle()) return true;
    QEventLoop loop;
    QObject::connect(&decoder, &PictureDecoder::pageDone, &loop, &QEventLoop::quit);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
    return decoder.idle();
}

// Waits until the thumbnails made for a page are kept; they are written after it.
bool waitForThumbnails(PictureDecoder& decoder) {
    QElapsedTimer t;
    t.start();
    while (decoder.thumbnailsToKeep() > 0 && t.elapsed() < 60000) QThread::msleep(1);
    return decoder.thumbnailsToKeep() == 0;
}

// Decoding each file whole, one after the other, as a plain viewer would.
Run wholeDecode(const QStringList& paths, QString* error, QSize size = kPictureSize) {
    return [paths, error, size]() -> std::optional<qint64> {
        qint64 ns = 0;
        for (const QString& path : paths) {
            QImage img;
            ns += nsOf([&] { img = QImageReader(path).read(); });
            if (img.size() != size) {
                *error = path + QStringLiteral(": cannot be decoded");
                return std::nullopt;
            }
        }
        return ns;
    };
}

// The gallery of the window over titles 1-21, each with a large picture.
class GalleryWindow {
public:
    GalleryWindow(const Collection& col, bool progressive, QString* error) : error_(error) {
        {
            LiveWindow names(col.dir);  // only to learn the names of the first page
            if (!names.open(error)) return;
            large_.emplace(col.dir, firstTitles(names, 21), progressive, error);
        }
        if (!error->isEmpty()) return;
        w_.emplace(col.dir);
        if (!w_->open(error)) return;
        gallery_ = w_->child<GalleryFrame>(QStringLiteral("fraPic"), error);
    }
    bool ok() const { return gallery_ != nullptr && error_->isEmpty(); }
    LiveWindow& live() { return *w_; }
    GalleryFrame* gallery() { return gallery_; }
    PictureDecoder& decoder() { return gallery_->decoder(); }
    const LargePictures& large() const { return *large_; }

    // Back on the card, the gallery out of date and nothing in the decoder's memory;
    // without thumbnails, the desktop's cache is emptied too.
    void stale(bool thumbnails) {
        waitForThumbnails(decoder());
        w_->window.showMainCard();
        w_->window.setGalleryReady(false);
        decoder().clearCache();
        if (!thumbnails) QDir(Thumbnails::root()).removeRecursively();
        QApplication::processEvents();
    }

    // The click on 画像 until the last of the 21 pictures is in its box and the
    // frame is painted.
    std::optional<qint64> open() {
        const qint64 ns = nsOf([&] {
            gallery_->cmdPic_Click();
            waitForPage(decoder());
            gallery_->repaint();
        });
        if (!w_->boxesWere({}, error_)) return std::nullopt;
        for (int i = 1; i <= 21; ++i) {
            auto* box = w_->child<QLabel>(QStringLiteral("imgPIc_%1").arg(i), error_);
            if (!box) return std::nullopt;
            if (box->pixmap().isNull()) {
                *error_ = QStringLiteral("box %1 shows no picture").arg(i);
                return std::nullopt;
            }
        }
        return ns;
    }

    // The thumbnail files of the 21 pictures.
    QStringList thumbnails() const {
        QStringList files;
        for (const QString& path : large_->paths()) {
            Thumbnails::Source source;
            if (Thumbnails::source(path, &source)) files << Thumbnails::fileFor(source.uri, 256);
        }
        return files;
    }

private:
    QString* error_;
    std::optional<LargePictures> large_;
    std::optional<LiveWindow> w_;
    GalleryFrame* gallery_ = nullptr;
};

void measureGallery(const Collection& col, Measurement* m, bool progressive) {
    QString* error = &m->error;
    GalleryWindow g(col, progressive, error);
    if (!g.ok()) return;
    PictureDecoder& decoder = g.decoder();
    std::vector<qint64> cpu;

    // From the card, with the gallery out of date, nothing in memory and no thumbnails.
    const Run cold = [&]() -> std::optional<qint64> {
        g.stale(false);
        const int before = decoder.decodedFiles();
        const qint64 cpuBefore = processCpuNs();
        const auto ns = g.open();
        cpu.push_back(processCpuNs() - cpuBefore);
        if (!ns) return std::nullopt;
        if (decoder.decodedFiles() - before != 21) {
            *error =
                QStringLiteral("%1 files decoded, not 21").arg(decoder.decodedFiles() - before);
            return std::nullopt;
        }
        return ns;
    };
    detail(QStringLiteral("titles 1-21 each with a %1x%2 %3 JPEG (%4 drawn, repeated), %5 bytes "
                          "in all; decoding on %6 threads")
               .arg(kPictureSize.width())
               .arg(kPictureSize.height())
               .arg(progressive ? QStringLiteral("progressive") : QStringLiteral("baseline"))
               .arg(kDistinct)
               .arg(g.large().bytes())
               .arg(QThread::idealThreadCount()));
    detail(QStringLiteral(
        "cmdPic_Click from the card, gallery stale, nothing in memory and no thumbnails, until "
        "all 21 boxes show their picture and the frame is painted  vs  QImageReader::read of "
        "the 21 files whole, one after the other"));
    if (!timeBoth(m, cold, wholeDecode(g.large().paths(), error))) return;
    // On a busy machine the page waits for the processor; what it asks of it is steadier.
    const qint64 cpuMedian = medianAfterWarmUp(cpu);
    detail(QStringLiteral("processor time of the page, all threads: median %1, that is %2 on each "
                          "of %3 cores; load average now %4")
               .arg(ms(cpuMedian), ms(cpuMedian / QThread::idealThreadCount()))
               .arg(QThread::idealThreadCount())
               .arg(loadAverage()));

    detail(QStringLiteral("parts:"));
    phase(QStringLiteral("cmdPic_Click alone: names and empty boxes on view"),
          [&]() -> std::optional<qint64> {
              g.stale(false);
              const qint64 ns = nsOf([&] { g.gallery()->cmdPic_Click(); });
              waitForPage(decoder);
              return ns;
          });
    phase(QStringLiteral("the 21 thumbnails kept after the page is shown (not counted)"),
          [&]() -> std::optional<qint64> {
              g.stale(false);
              if (!g.open()) return std::nullopt;
              return nsOf([&] { waitForThumbnails(decoder); });
          });
    const QString first = g.large().paths().first();
    phase(QStringLiteral("one picture for a box, its thumbnail made (Thumbnails::readStretched "
                         "96x136)"),
          [&]() -> std::optional<qint64> {
              QDir(Thumbnails::root()).removeRecursively();
              return nsOf([&] { Thumbnails::readStretched(first, {96, 136}); });
          });
    phase(QStringLiteral("one picture at box size (PictureReader::readStretched 96x136)"),
          [&]() -> std::optional<qint64> {
              return nsOf([&] { PictureReader::readStretched(first, {96, 136}); });
          });
    phase(QStringLiteral("one picture at box size, Qt alone (QImageReader::setScaledSize)"),
          [&]() -> std::optional<qint64> {
              return nsOf([&] {
                  QImageReader r(first);
                  r.setScaledSize({96, 136});
                  r.read();
              });
          });
    phase(QStringLiteral("the page rebuilt after a change, pictures in memory"),
          [&]() -> std::optional<qint64> {
              waitForThumbnails(decoder);
              g.live().window.showMainCard();
              g.live().window.setGalleryReady(false);
              QApplication::processEvents();
              return g.open();
          });
    phase(QStringLiteral("the page kept: 画像 again after the card"),
          [&]() -> std::optional<qint64> {
              g.live().window.showMainCard();
              QApplication::processEvents();
              return nsOf([&] { g.gallery()->cmdPic_Click(); });
          });
    waitForThumbnails(decoder);
}

// A page seen before, in an earlier run of the program: its 21 thumbnails are read.
void measureGallerySeen(const Collection& col, Measurement* m) {
    QString* error = &m->error;
    GalleryWindow g(col, false, error);
    if (!g.ok()) return;
    PictureDecoder& decoder = g.decoder();
    g.stale(false);
    if (!g.open() || !waitForThumbnails(decoder)) {
        if (error->isEmpty()) *error = QStringLiteral("the thumbnails were not kept");
        return;
    }
    const QStringList thumbnails = g.thumbnails();
    const Run seen = [&]() -> std::optional<qint64> {
        g.stale(true);
        const int decoded = decoder.decodedFiles(), read = decoder.thumbnailReads();
        const auto ns = g.open();
        if (!ns) return std::nullopt;
        if (decoder.decodedFiles() != decoded || decoder.thumbnailReads() != read + 21) {
            *error = QStringLiteral("%1 files decoded and %2 thumbnails read, not 0 and 21")
                         .arg(decoder.decodedFiles() - decoded)
                         .arg(decoder.thumbnailReads() - read);
            return std::nullopt;
        }
        return ns;
    };
    const QSize thumbnailSize = QImage(thumbnails.value(0)).size();
    detail(QStringLiteral("titles 1-21 each with a %1x%2 baseline JPEG, their %3x%4 thumbnails "
                          "kept by an earlier visit")
               .arg(kPictureSize.width())
               .arg(kPictureSize.height())
               .arg(thumbnailSize.width())
               .arg(thumbnailSize.height()));
    detail(QStringLiteral(
        "cmdPic_Click from the card, gallery stale and nothing in memory, until all 21 boxes "
        "show their picture and the frame is painted  vs  QImageReader::read of the 21 "
        "thumbnails, one after the other"));
    if (!timeBoth(m, seen, wholeDecode(thumbnails, error, thumbnailSize))) return;
    detail(QStringLiteral("parts:"));
    phase(QStringLiteral("the 21 pictures read through their thumbnails on %1 threads, without "
                         "the window (Thumbnails::readStretched 96x136)")
              .arg(QThread::idealThreadCount()),
          [&]() -> std::optional<qint64> {
              QThreadPool pool;
              return nsOf([&] {
                  for (const QString& path : g.large().paths())
                      pool.start([path] { Thumbnails::readStretched(path, {96, 136}); });
                  pool.waitForDone();
              });
          });
    phase(QStringLiteral("cmdPic_Click alone: names and empty boxes on view"),
          [&]() -> std::optional<qint64> {
              g.stale(true);
              const qint64 ns = nsOf([&] { g.gallery()->cmdPic_Click(); });
              waitForPage(decoder);
              return ns;
          });
    phase(QStringLiteral("the click until the last picture is in its box, without the paint"),
          [&]() -> std::optional<qint64> {
              g.stale(true);
              return nsOf([&] {
                  g.gallery()->cmdPic_Click();
                  waitForPage(decoder);
              });
          });
    phase(QStringLiteral("the paint of the frame with its 21 pictures"),
          [&]() -> std::optional<qint64> { return nsOf([&] { g.gallery()->repaint(); }); });
}

void measureGalleryBaseline(const Collection& col, Measurement* m) {
    measureGallery(col, m, false);
}
void measureGalleryProgressive(const Collection& col, Measurement* m) {
    measureGallery(col, m, true);
}

void measureCardPicture(const Collection& col, Measurement* m, bool progressive) {
    QString* error = &m->error;
    std::optional<LargePictures> large;
    {
        LiveWindow names(col.dir);
        if (!names.open(error)) return;
        large.emplace(col.dir, firstTitles(names, 1), progressive, error);
    }
    if (!error->isEmpty()) return;
    LiveWindow w(col.dir);
    if (!w.open(error)) return;
    CardFrame* card = w.window.card();
    auto* poster = w.child<QLabel>(QStringLiteral("imgGazou"), error);
    if (!poster) return;
    const QString path = large->paths().first();
    std::vector<qint64> cpu;

    const Run show = [&]() -> std::optional<qint64> {
        card->setCurrent(2);
        QApplication::processEvents();
        const qint64 cpuBefore = processCpuNs();
        const qint64 ns = nsOf([&] { card->setCurrent(1); });
        cpu.push_back(processCpuNs() - cpuBefore);
        if (poster->pixmap().isNull()) {
            *error = QStringLiteral("the card shows no picture");
            return std::nullopt;
        }
        if (!w.boxesWere({}, error)) return std::nullopt;
        return ns;
    };
    detail(QStringLiteral("title 1 with a %1x%2 %3 JPEG of %4 bytes, shown in a box %5 pixels wide")
               .arg(kPictureSize.width())
               .arg(kPictureSize.height())
               .arg(progressive ? QStringLiteral("progressive") : QStringLiteral("baseline"))
               .arg(large->bytes())
               .arg(poster->width()));
    detail(
        QStringLiteral("setCurrent(1) from title 2, running ShowTitle once  vs  "
                       "QImageReader::read of the picture whole"));
    if (!timeBoth(m, show, wholeDecode({path}, error))) return;
    detail(QStringLiteral("processor time of ShowTitle: median %1; load average now %2")
               .arg(ms(medianAfterWarmUp(cpu)), loadAverage()));
    detail(QStringLiteral("the card holds a %1x%2 pixmap")
               .arg(poster->pixmap().width())
               .arg(poster->pixmap().height()));

    detail(QStringLiteral("parts:"));
    QImage whole;
    phase(QStringLiteral("QImageReader::read whole, as the card does"),
          [&]() -> std::optional<qint64> {
              return nsOf([&] { whole = QImageReader(path).read(); });
          });
    phase(QStringLiteral("QPixmap::fromImage of it"),
          [&]() -> std::optional<qint64> { return nsOf([&] { QPixmap::fromImage(whole); }); });
    const QSize box(poster->width(), 5685 / 15);
    phase(QStringLiteral("PictureReader::readToFit %1x%2, shape kept")
              .arg(box.width())
              .arg(box.height()),
          [&]() -> std::optional<qint64> {
              return nsOf([&] {
                  const auto p = PictureReader::readToFit(path, box);
                  QPixmap::fromImage(p.image);
              });
          });
}

void measureCardPictureBaseline(const Collection& col, Measurement* m) {
    measureCardPicture(col, m, false);
}
void measureCardPictureProgressive(const Collection& col, Measurement* m) {
    measureCardPicture(col, m, true);
}
}  // namespace

REELNOTE_BENCHMARK(80, "GalleryPage", (Target{Target::Kind::Time, 300e6}), measureGalleryBaseline)
REELNOTE_BENCHMARK(81, "GalleryPageProgressive", (Target{Target::Kind::Time, 300e6}),
                   measureGalleryProgressive)
REELNOTE_BENCHMARK(84, "GalleryPageSeen", (Target{Target::Kind::Time, 50e6}), measureGallerySeen)
REELNOTE_BENCHMARK(82, "CardPicture", (Target{Target::Kind::Time, 50e6}),
                   measureCardPictureBaseline)
REELNOTE_BENCHMARK(83, "CardPictureProgressive", (Target{Target::Kind::Time, 50e6}),
                   measureCardPictureProgressive)
