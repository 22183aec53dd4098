#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// Code page 932 is the only encoding of every data file. All conversion goes
// through here so that a character the code page cannot hold is caught, never
// written as "?".
namespace Cp932 {

// True when this Qt build carries a code page 932 converter (through ICU).
bool available();

// Decodes bytes. On bytes that are not code page 932, *badOffset receives the
// offset of the first bad byte (otherwise -1) and the text holds replacement
// characters from there on.
QString decode(const QByteArray& bytes, qsizetype* badOffset = nullptr);

// Encodes text. Returns false (and leaves *out undefined) when some character
// has no code page 932 form.
bool encode(QStringView text, QByteArray* out);

// The first character of text that code page 932 cannot hold, or an empty
// string when there is none (a surrogate pair is returned whole).
QString firstUnencodable(QStringView text);

// Turns ascending positions in text into offsets in its code page 932 bytes,
// in one pass: every character the code page holds is one UTF-16 unit and
// takes two bytes, except ASCII and the half-width katakana.
void toByteOffsets(QStringView text, QVector<qsizetype>* positions);

// True for bytes that are UTF-8 text with some non-ASCII character (or a
// byte-order mark): a file saved by a modern editor. Code page 932 Japanese
// text is practically never valid UTF-8.
bool looksLikeUtf8(const QByteArray& bytes);

// Maps the JIS-style code points that input methods on Linux produce to the
// code page 932 twins that look the same (〜 to ～, − to －, and so on).
QString toCp932Twins(QString text);

}  // namespace Cp932
