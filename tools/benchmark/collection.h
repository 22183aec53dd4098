#pragma once

#include <QList>
#include <QPair>
#include <QSize>
#include <QString>
#include <QStringList>

#include <array>

// What buildCollection wrote, so that the measurements can check that the
// program read back exactly that.
struct Collection {
    QString dir;
    int titles = 0;
    int viewings = 0;
    // Distinct values among the titles: what each pick list must hold after a load.
    int directors = 0;
    int actors = 0;
    int countries = 0;
    int genres = 0;
    int releaseMonths = 0;  // "YYYY/MM"
    int releaseYears = 0;
    QList<QPair<QString, qint64>> files;  // name and size in bytes, in the order written

    // The title with the most viewings carries a full card: its three free texts
    // (cast, synopsis, memo, kept here line by line) and a picture.
    int cardTitle = 0;
    QString cardName;
    int cardViewings = 0;
    std::array<QStringList, 3> cardTexts;
    QString pictureFile;
    QSize pictureSize;
    qint64 pictureBytes = 0;
    // Every title has its three free texts, as in a collector's folder.
    int textFiles = 0;  // the card's three included
    qint64 textBytes = 0;
};

// Names of the record files buildCollection writes.
QStringList collectionFileNames();
// True for every name buildCollection may write: the record files, and the free
// texts and picture of titles named the way it names them.
bool isCollectionFileName(const QString& name);

// Writes a collection of the largest size the files allow (32,766 titles and as
// many viewings) into dir, in code page 932 with CR LF, with the free texts and
// the picture described above. The same seed always gives the same record and
// text files (the picture's pixels depend on the fonts installed). Needs a
// QGuiApplication for the picture. Returns what went wrong, or an empty string.
QString buildCollection(const QString& dir, quint32 seed, Collection* out);
