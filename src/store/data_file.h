#pragma once

#include "title_table.h"

#include <QByteArray>
#include <QString>

#include <functional>

// What was wrong with a file that could not be read whole. Empty when the
// file was sound.
struct ReadProblem {
    QString what;  // for the user, names the place (line, record, title)
    int kept = 0;  // records taken before the problem
    bool any() const { return !what.isEmpty(); }
};

// Decodes a record file as decodeTextFile does (text_encoding.h). Bytes from
// the line with the first bad byte on are left out and reported. A file in
// UTF-8 or UTF-16 is read as such and *wasUtf8 set, so that it can be written
// back in code page 932.
QString decodeSoundPart(const QByteArray& bytes, ReadProblem* problem, bool* wasUtf8 = nullptr);

// Turns the text of a field into the stored value. Given the field's number
// (0-based), it may hand back a shared copy of an equal value seen before.
using FieldInterner = std::function<QString(int field, QStringView text)>;

// Reads "データ.TXT" text: 18 fields a record, stopping before the first record
// that is cut, holds a bad score, or would pass the record limit. Without an
// interner, the columns whose values repeat are shared through pools of its own.
ReadProblem parseDataFile(QStringView text, TitleTable* table, const FieldInterner& intern = {});

// The whole data file text for titles 1..TitleCount but title skip (0: none).
// *starts, when given, receives the position where each written record begins.
QString serializeDataFile(const TitleTable& table, int skip = 0,
                          QVector<qsizetype>* starts = nullptr);
// The text of one record, as the whole file would hold it.
QString serializeTitle(const Title& t);
// The record of a newly added title: its name, sixteen omitted fields, "".
QString newTitleRecord(const QString& name);
