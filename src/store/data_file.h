#pragma once

#include "read_problem.h"
#include "text_encoding.h"
#include "title_table.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <functional>
#include <vector>

// Decodes a record file as decodeTextFile does (text_encoding.h). Bytes from
// the line with the first bad byte on are left out and reported. A file in
// UTF-8 or UTF-16 is read as such and *wasUtf8 set, so that it can be written
// back in code page 932.
QString decodeSoundPart(const QByteArray& bytes, ReadProblem* problem, bool* wasUtf8 = nullptr);

// Reads "データ.TXT" text: 18 fields a record. Every sound record is read; an
// unsound one (cut, a score that is not a 16-bit number, bytes that could not
// be decoded: lines listed in badLines) is left out and named, and so are
// sound records past the record limit. Records the program would not have
// written are read as the dialect reads them and named as irregular; scores
// outside their range are kept and named. problem.what is filled.
//
// The program writes each record on one line, while the dialect lets a record
// run over several. A record is taken where its 18 fields end with a line;
// one that runs into the next line without ending with one is short of fields
// and costs only its first line, so the records after it stay intact. A line
// with more than 18 fields gives a record of its first 18 (irregular), unless
// the rest is a whole record of its own.
ReadProblem parseDataFile(QStringView text, TitleTable* table, const QVector<int>& badLines = {});

// A data file decoded and parsed as far as any thread may: the titles' fields as
// views into the decoded text, the shared ones as numbers of distinct texts, not
// yet the shared texts a table holds. problem.what is filled.
struct DataText {
    DecodedText decoded;
    std::vector<QStringView> texts;  // each distinct text of the shared fields once
    struct Record {
        QString daimei, koukai;  // made here, so that the window's thread only takes them
        std::array<quint32, 9> shared;  // Kantoku, Syuen, Kuni, Janru, Hyouka, Syoyu[1..4]
        std::array<qint16, 8> scores;   // HyoukaTen[1..7]
    };
    std::vector<Record> records;
    ReadProblem problem;
};
DataText readDataText(const QByteArray& bytes);
// Puts the titles into table; on the thread that owns the shared texts. For a
// file in another encoding, problem.foreign lists what code page 932 cannot hold.
ReadProblem takeTitles(DataText d, TitleTable* table);

// Decodes (decodeTextFile) and parses a data file: takeTitles(readDataText(bytes)).
ReadProblem readDataFile(const QByteArray& bytes, TitleTable* table);

// Each character of the titles' texts that code page 932 cannot hold, in
// title and field order. recordLines gives each title's line (ReadProblem).
QVector<ForeignChar> foreignCharacters(const TitleTable& table, const QVector<int>& recordLines);
// Converts every text of the titles that code page 932 cannot hold
// (Cp932::toCodePage932). Returns the number of fields changed.
int convertToCodePage932(TitleTable* table);

// The whole data file text for titles 1..TitleCount but title skip (0: none).
// *starts, when given, receives the position where each written record begins.
QString serializeDataFile(const TitleTable& table, int skip = 0,
                          QVector<qsizetype>* starts = nullptr);
// The same, straight to code page 932 bytes; *starts receives byte offsets.
// False when some text has no code page 932 form (*out is then undefined).
bool encodeDataFile(const TitleTable& table, int skip, QByteArray* out,
                    QVector<qsizetype>* starts = nullptr);
// The text of one record, as the whole file would hold it.
QString serializeTitle(const Title& t);
// The record of a newly added title: its name, sixteen omitted fields, "".
QString newTitleRecord(const QString& name);
