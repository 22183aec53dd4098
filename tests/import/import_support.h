#pragma once

#include "import/import_plan.h"
#include "store/catalogue.h"

#include <QFile>
#include <QStringEncoder>
#include <QTest>

// What the import tests share: the hand-written files of tests/import/data, and
// expected file contents encoded by Qt's own code page 932 converter, apart from
// the program's encoder.
namespace ImportTest {

inline QString dataFile(const QString& name) {
    return QStringLiteral(REELNOTE_SOURCE_DIR "/tests/import/data/") + name;
}

inline QByteArray readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) qFatal("cannot read %s", qPrintable(path));
    return f.readAll();
}

inline QByteArray sjis(const QString& text) {
    QStringEncoder encoder("windows-31j");
    if (!encoder.isValid()) qFatal("no windows-31j encoder");
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError()) qFatal("test text not code page 932");
    return bytes;
}

// Loads the folder, plans the import of bytes and writes it; the plan as it was.
inline ImportPlan importBytes(const QString& dir, const QByteArray& bytes,
                              const QString& word = kDefaultViewingWord,
                              QString* problem = nullptr) {
    Catalogue cat(dir);
    cat.LoadMainData();
    cat.LoadKansyouRireki();
    ImportColumns columns;
    const CsvFile file = ImportPlanner::readFile(bytes, &columns);
    ImportPlan plan = ImportPlanner::plan(cat.titles(), cat.kansyou(), file, columns, word);
    const QString p = cat.replaceCollection(plan.titles, plan.history);
    if (problem) *problem = p;
    return plan;
}

}  // namespace ImportTest
