#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

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
};

// Names of every file buildCollection writes.
QStringList collectionFileNames();

// Writes a collection of the largest size the files allow (32,766 titles and as
// many viewings) into dir, in code page 932 with CR LF. The same seed always
// gives the same bytes. Returns what went wrong, or an empty string.
QString buildCollection(const QString& dir, quint32 seed, Collection* out);
