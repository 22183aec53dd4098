#include "picture_decoder.h"

#include "shell/thumbnail_cache.h"

#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QThreadPool>

#include <sys/stat.h>
#include <atomic>

namespace {
// Pictures of a few pages, counted in KiB.
constexpr int kCacheKiB = 8 * 1024;
// How long going away waits for the pictures being decoded.
constexpr int kGraceMs = 2000;
// The pictures of the page come before the thumbnails still to be kept.
constexpr int kShowPriority = 1;
constexpr int kKeepPriority = 0;

int costOf(const QImage& image) { return int(image.sizeInBytes() / 1024) + 1; }

// A thumbnail cache that cannot be written costs time on every visit, not data:
// it is said once a run.
void keepThumbnail(const Thumbnails::Shown& shown) {
    static std::atomic<bool> told{false};
    QString error;
    if (!Thumbnails::keep(shown.source, shown.side, shown.thumbnail, &error) &&
        !told.exchange(true))
        qWarning("thumbnails cannot be kept: %s", qPrintable(error));
}
}  // namespace

struct PictureDecoder::Mailbox {
    QMutex mutex;
    PictureDecoder* owner = nullptr;
    // The page being shown: jobs of an earlier one are dropped before they start.
    std::atomic<quint64> generation{0};
    std::atomic<int> toKeep{0};
};

PictureDecoder::PictureDecoder(QObject* parent, Read read)
    : QObject(parent),
      read_(std::move(read)),
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
    // Jobs not yet started are dropped when they come up, thumbnails still to be
    // kept are not; those running finish into the cache.
    mailbox_->generation = ++generation_;
    pending_ = 0;
}

int PictureDecoder::thumbnailsToKeep() const { return mailbox_->toKeep; }

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
        [mailbox = mailbox_, read = read_, pool = pool_, generation, box, files, size, todo,
         refusal]() mutable {
            if (mailbox->generation != generation) return;  // a page no longer shown
            std::vector<Thumbnails::Shown> made;
            for (int i = 0; i < todo.size(); ++i) {
                PictureReader::Picture p;
                if (read) {
                    p = read(files[i], size);
                } else {
                    Thumbnails::Shown shown = Thumbnails::readStretched(files[i], size);
                    p = std::move(shown.picture);
                    todo[i].fromThumbnail = shown.fromThumbnail;
                    if (!shown.thumbnail.isNull()) made.push_back(std::move(shown));
                }
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
            PictureDecoder* owner = mailbox->owner;
            if (!owner) return;  // going away: nothing more is started
            QMetaObject::invokeMethod(
                owner,
                [owner, generation, box, todo, refusal] {
                    owner->finished(generation, box, todo, refusal);
                },
                Qt::QueuedConnection);
            for (Thumbnails::Shown& shown : made) {
                ++mailbox->toKeep;
                pool->start(
                    [mailbox, shown = std::move(shown)] {
                        keepThumbnail(shown);
                        --mailbox->toKeep;
                    },
                    kKeepPriority);
            }
        },
        kShowPriority);
}

void PictureDecoder::remember(const Attempt& a) {
    cache_.insert(a.key, new Attempt(a), costOf(a.image));
}

void PictureDecoder::finished(quint64 generation, int box, const QVector<Attempt>& attempts,
                              QString refusal) {
    for (const Attempt& a : attempts) ++(a.fromThumbnail ? thumbnailReads_ : decodedFiles_);
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
