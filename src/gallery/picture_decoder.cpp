#include "picture_decoder.h"

#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QThreadPool>

#include <sys/stat.h>

namespace {
// Thumbnails of a few pages, counted in KiB.
constexpr int kCacheKiB = 8 * 1024;
// How long going away waits for the pictures being decoded.
constexpr int kGraceMs = 2000;

int costOf(const QImage& image) { return int(image.sizeInBytes() / 1024) + 1; }
}  // namespace

struct PictureDecoder::Mailbox {
    QMutex mutex;
    PictureDecoder* owner = nullptr;
};

PictureDecoder::PictureDecoder(QObject* parent, Read read)
    : QObject(parent),
      read_(read ? std::move(read) : Read(&PictureReader::readStretched)),
      mailbox_(std::make_shared<Mailbox>()),
      pool_(new QThreadPool),
      cache_(kCacheKiB) {
    mailbox_->owner = this;
}

PictureDecoder::~PictureDecoder() {
    {
        QMutexLocker lock(&mailbox_->mutex);
        mailbox_->owner = nullptr;
    }
    pool_->clear();
    if (pool_->waitForDone(kGraceMs)) delete pool_;  // otherwise left to its threads
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
    pool_->clear();  // jobs not yet started; those running finish into the cache
    ++generation_;
    pending_ = 0;
}

void PictureDecoder::request(int box, const QStringList& paths, QSize size) {
    QVector<Attempt> todo;
    QStringList files;
    QString refusal;  // of a file known from the cache to be too large
    for (const QString& path : paths) {
        const QString key = cacheKey(path, size);
        if (key.isEmpty()) continue;  // gone since it was listed
        if (todo.isEmpty()) {
            if (const Attempt* hit = cache_.object(key)) {
                if (hit->image.isNull()) {  // known not to decode
                    if (refusal.isEmpty()) refusal = hit->refusal;
                    continue;
                }
                emit decoded(box, hit->image, QString());
                return;
            }
        }
        todo.append({key, QImage(), QString()});
        files << path;
    }
    if (todo.isEmpty()) {
        emit decoded(box, QImage(), refusal);
        return;
    }
    ++pending_;
    const quint64 generation = generation_;
    pool_->start(
        [mailbox = mailbox_, read = read_, generation, box, files, size, todo, refusal]() mutable {
            for (int i = 0; i < todo.size(); ++i) {
                const PictureReader::Picture p = read(files[i], size);
                todo[i].image = p.image;
                if (p.outcome == PictureReader::Outcome::TooLarge)
                    todo[i].refusal =
                        PictureReader::tooLargeText(QFileInfo(files[i]).fileName(), p.naturalSize);
                if (!todo[i].image.isNull()) {
                    todo.resize(i + 1);
                    break;
                }
            }
            QMutexLocker lock(&mailbox->mutex);
            if (PictureDecoder* owner = mailbox->owner)
                QMetaObject::invokeMethod(
                    owner,
                    [owner, generation, box, todo, refusal] {
                        owner->finished(generation, box, todo, refusal);
                    },
                    Qt::QueuedConnection);
        });
}

void PictureDecoder::remember(const Attempt& a) {
    cache_.insert(a.key, new Attempt(a), costOf(a.image));
}

void PictureDecoder::finished(quint64 generation, int box, const QVector<Attempt>& attempts,
                              QString refusal) {
    decodedFiles_ += int(attempts.size());
    for (const Attempt& a : attempts) {
        remember(a);
        if (refusal.isEmpty()) refusal = a.refusal;
    }
    if (generation != generation_) return;
    const QImage shown = attempts.isEmpty() ? QImage() : attempts.last().image;
    emit decoded(box, shown, shown.isNull() ? refusal : QString());
    if (--pending_ == 0) emit pageDone();
}

void PictureDecoder::clearCache() { cache_.clear(); }
