#pragma once

#include "shell/picture_reader.h"

#include <QCache>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QStringList>
#include <QVector>

#include <functional>
#include <memory>

class QThreadPool;

// Decodes the gallery's pictures off the window's thread, on every core, at the
// size of their boxes, and keeps the last few in a small cache, so that the
// names of a page show at once and its pictures follow as they are ready. A
// picture is read from the desktop's thumbnail cache when that holds it, and
// one decoded from its file leaves its thumbnail there once the page is shown.
// A new page drops the work of the last: results for a page no longer shown are
// cached but not delivered. Going away, it waits a moment for a picture being
// decoded but never for a read that does not end: that thread is left behind and
// its result goes nowhere.
class PictureDecoder : public QObject {
    Q_OBJECT
public:
    // Reads one file at a size. Without one, each file is read through the
    // thumbnail cache (Thumbnails::readStretched); a test's own read goes without it.
    using Read = std::function<PictureReader::Picture(const QString& path, QSize size)>;

    // One file tried for a box, and what came of it.
    struct Attempt {
        QString key;
        QImage image;     // null: the file could not be decoded
        QString refusal;  // why it was refused as too large; empty otherwise
        bool fromThumbnail = false;
    };

    explicit PictureDecoder(QObject* parent = nullptr, Read read = {});
    ~PictureDecoder() override;

    // Forgets the requests made so far; their results are no longer delivered.
    void startPage();
    // Asks for the picture of a box: the first of paths, in order, that decodes,
    // stretched to size. A cached picture is delivered before this returns.
    void request(int box, const QStringList& paths, QSize size);
    // No request since startPage is waiting or being decoded.
    bool idle() const { return pending_ == 0; }

    void clearCache();
    int cachedCount() const { return int(cache_.count()); }
    // How many files were decoded since the decoder was made; a picture in the
    // cache or read from its thumbnail is not.
    int decodedFiles() const { return decodedFiles_; }
    // How many pictures were read from their thumbnails.
    int thumbnailReads() const { return thumbnailReads_; }
    // Thumbnails made and not yet kept.
    int thumbnailsToKeep() const;

    // The cache knows a file by its path, identity on disk, size, time and the size
    // asked for, so a picture replaced under the same name is decoded afresh.
    static QString cacheKey(const QString& path, QSize size);

signals:
    // The picture of a box asked for since the last startPage; null when none of its
    // files could be decoded, and then refusal says why one was refused as too large.
    void decoded(int box, const QImage& image, const QString& refusal);
    // Every request since startPage has been answered.
    void pageDone();

private:
    struct Mailbox;
    // refusal: of a file before these that the cache knows to be too large.
    void finished(quint64 generation, int box, const QVector<Attempt>& attempts, QString refusal);
    void remember(const Attempt& a);

    Read read_;
    // Where the jobs hand in their results; it outlives the decoder, which leaves it
    // empty when it goes.
    std::shared_ptr<Mailbox> mailbox_;
    QThreadPool* pool_;  // deleted unless a job is still running when the decoder goes
    QCache<QString, Attempt> cache_;
    quint64 generation_ = 0;
    int pending_ = 0;
    int decodedFiles_ = 0;
    int thumbnailReads_ = 0;
};
