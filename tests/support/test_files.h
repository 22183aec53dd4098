#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Real code page 932 files in a test's data directory.
namespace TestFiles {
QByteArray cp932(const QString& text);
void writeBytes(const QString& dir, const QString& name, const QByteArray& bytes);
void writeCp932(const QString& dir, const QString& name, const QString& text);
QByteArray readBytes(const QString& dir, const QString& name);
QString readCp932(const QString& dir, const QString& name);
// A data file record line in the dialect, for titles with only some fields set.
QString titleRecord(const QString& daimei, const QString& kantoku = {}, const QString& syuen = {},
                    const QString& koukai = {}, const QString& kuni = {}, const QString& janru = {},
                    const QString& hyouka = {}, const QList<int>& scores = {},
                    const QStringList& syoyu = {});
// A viewing-history record line: date, title, content.
QString historyRecordLine(const QString& date, const QString& title, const QString& content);
// Fresh masters and a settings file with the help tour as given.
void writeFreshMasters(const QString& dir, bool helpTour);
}  // namespace TestFiles
