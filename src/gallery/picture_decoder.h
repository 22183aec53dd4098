#pragma once

#include <QCache>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QStringList>
#include <QThreadPool>
#include <QVector>

// Decodes the gallery's pictures off the window's thread, on every core, at the
// size of their boxes, and keeps the last few in a small cache, so that the
// names of a page show at once and its pictures follow as they are ready. A new
// page drops the work of the last: results for a page no longer shown are cached
// but not delivered.
class PictureDecoder : public QObject {
    Q_OBJECT
public:
    // One file tried for a box, and what came of it.
    struct Attempt {
        QString key;
        QImage image;  // null: the file could not be decoded
    };

    explicit PictureDecoder(QObject* parent = nullptr);
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
    // How many files were decoded since the decoder was made; a cached picture is not.
    int decodedFiles() const { return decodedFiles_; }

    // The cache knows a file by its path, identity on disk, size, time and the size
    // asked for, so a picture replaced under the same name is decoded afresh.
    static QString cacheKey(const QString& path, QSize size);

signals:
    // The picture of a box asked for since the last startPage; null when none of its
    // files could be decoded.
    void decoded(int box, const QImage& image);
    // Every request since startPage has been answered.
    void pageDone();

private:
    void finished(quint64 generation, int box, const QVector<Attempt>& attempts);
    void remember(const Attempt& a);

    QThreadPool pool_;
    QCache<QString, QImage> cache_;
    quint64 generation_ = 0;
    int pending_ = 0;
    int decodedFiles_ = 0;
};
