#include "picture_decoder.h"

#include "shell/picture_reader.h"

#include <QFile>

#include <sys/stat.h>

namespace {
// Thumbnails of a few pages, counted in KiB.
constexpr int kCacheKiB = 8 * 1024;

int costOf(const QImage& image) { return int(image.sizeInBytes() / 1024) + 1; }
}  // namespace

PictureDecoder::PictureDecoder(QObject* parent) : QObject(parent), cache_(kCacheKiB) {}

PictureDecoder::~PictureDecoder() {
    pool_.clear();
    pool_.waitForDone();
}

QString PictureDecoder::cacheKey(const QString& path, QSize size) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return {};
    return QStringLiteral("%1\n%2:%3:%4:%5.%6\n%7x%8")
        .arg(path)
        .arg(qulonglong(st.st_dev))
        .arg(qulonglong(st.st_ino))
        .arg(qlonglong(st.st_size))
        .arg(qlonglong(st.st_mtim.tv_sec))
        .arg(qlonglong(st.st_mtim.tv_nsec))
        .arg(size.width())
        .arg(size.height());
}

void PictureDecoder::startPage() {
    pool_.clear();  // jobs not yet started; those running finish into the cache
    ++generation_;
    pending_ = 0;
}

void PictureDecoder::request(int box, const QStringList& paths, QSize size) {
    QVector<Attempt> todo;
    QStringList files;
    for (const QString& path : paths) {
        const QString key = cacheKey(path, size);
        if (key.isEmpty()) continue;  // gone since it was listed
        if (todo.isEmpty()) {
            if (const QImage* hit = cache_.object(key)) {
                if (hit->isNull()) continue;  // known not to decode
                emit decoded(box, *hit);
                return;
            }
        }
        todo.append({key, QImage()});
        files << path;
    }
    if (todo.isEmpty()) {
        emit decoded(box, QImage());
        return;
    }
    ++pending_;
    const quint64 generation = generation_;
    pool_.start([this, generation, box, files, size, todo]() mutable {
        for (int i = 0; i < todo.size(); ++i) {
            todo[i].image = PictureReader::readStretched(files[i], size).image;
            if (!todo[i].image.isNull()) {
                todo.resize(i + 1);
                break;
            }
        }
        QMetaObject::invokeMethod(
            this, [this, generation, box, todo] { finished(generation, box, todo); },
            Qt::QueuedConnection);
    });
}

void PictureDecoder::remember(const Attempt& a) {
    cache_.insert(a.key, new QImage(a.image), costOf(a.image));
}

void PictureDecoder::finished(quint64 generation, int box, const QVector<Attempt>& attempts) {
    decodedFiles_ += int(attempts.size());
    for (const Attempt& a : attempts) remember(a);
    if (generation != generation_) return;
    const QImage shown = attempts.isEmpty() ? QImage() : attempts.last().image;
    emit decoded(box, shown);
    if (--pending_ == 0) emit pageDone();
}

void PictureDecoder::clearCache() { cache_.clear(); }
