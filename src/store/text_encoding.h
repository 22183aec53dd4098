#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// The encodings a record file can come in. The program writes only code page
// 932; the others are read so that a file saved by a modern editor is not
// lost, and written back in code page 932. Windows-1252 and plain ASCII are
// told apart only for files being imported.
enum class TextEncoding { Cp932, Utf8, Utf16LE, Utf16BE, Windows1252, Ascii };

// "UTF-8", "UTF-16", "Windows-1252（西欧）", "ASCII", or "シフトJIS（コードページ932）",
// for messages.
QString encodingName(TextEncoding encoding);

struct DecodedText {
    QString text;
    TextEncoding encoding = TextEncoding::Cp932;
    // Lines (1-based, ascending, each once) holding bytes that are not text in
    // the encoding; each such byte is U+FFFD in text.
    QVector<int> badLines;
    bool recoded() const { return encoding != TextEncoding::Cp932; }
};

// Decodes a record file. A UTF-16 byte-order mark (either order) or the UTF-8
// one decides; otherwise the file is code page 932 when it reads as such, and
// UTF-8 only when it does not but is valid UTF-8. Text from another encoding
// has the JIS-style characters mapped to their code page 932 twins.
DecodedText decodeTextFile(const QByteArray& bytes);

// The number of line feed bytes: about the lines of a record file, to make room
// for its records before reading them.
qsizetype lineFeeds(const QByteArray& bytes);

// The 1-based line of each of the ascending byte offsets, each line once. Line
// ends are CR LF, a lone CR or a lone LF, as the record reader counts them.
QVector<int> linesOfOffsets(const QByteArray& bytes, const QVector<qsizetype>& offsets);
