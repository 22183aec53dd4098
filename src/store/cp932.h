#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// Code page 932 is the only encoding of every data file. All conversion goes
// through here so that a character the code page cannot hold is caught, never
// written as "?".
//
// The mapping is Microsoft's code page 932 exactly, both ways: bytes 00-7F are
// ASCII, A1-DF the half-width katakana, and the double-byte codes include the
// NEC row 13, the NEC-selected IBM rows ED/EE, the IBM rows FA-FC and the
// user-defined rows F0-F9 (decoded to U+E000-E757). A character with two or
// three codes encodes to the one Windows writes. Bytes 80, A0 and FD-FF are
// not code page 932.
namespace Cp932 {

// True when this Qt build carries a code page 932 converter (through ICU),
// from which the tables are built.
bool available();

// Decodes bytes. Each byte that is not code page 932 (a lone or unpaired lead
// byte, or both bytes of an unassigned pair) becomes U+FFFD, so the bytes
// around it read as they are. *badOffset receives the offset of the first
// such byte, or -1; *badOffsets, when given, receives every one.
QString decode(const QByteArray& bytes, qsizetype* badOffset = nullptr,
               QVector<qsizetype>* badOffsets = nullptr);

// True when every byte of bytes is code page 932.
bool isValid(const QByteArray& bytes);

// The character of one code: a single byte (below 0x100) or a pair, lead byte
// first. False when the code is not code page 932.
bool decodeCode(quint16 code, char16_t* c);

// Encodes text. Returns false (and leaves *out undefined) when some character
// has no code page 932 form.
bool encode(QStringView text, QByteArray* out);
// Encodes text into out, which has room for two bytes a UTF-16 unit. Returns
// the end of what was written, or nullptr when some character has no code
// page 932 form.
char* encodeInto(QStringView text, char* out);
// The same with the table at hand (encodeTable), for encoders of many short
// texts in a row.
inline char* encodeInto(QStringView text, char* o, const quint16* table) {
    const char16_t* p = text.utf16();
    for (const char16_t* end = p + text.size(); p != end; ++p) {
        const char16_t u = *p;
        if (u < 0x80) {
            *o++ = char(u);
            continue;
        }
        const quint16 code = table[u];
        if (code == 0) return nullptr;
        if (code > 0xFF) *o++ = char(code >> 8);
        *o++ = char(code);
    }
    return o;
}
// The code of every UTF-16 unit from 0x80 on: 0 none, below 0x100 one byte,
// else lead byte << 8 | trail byte.
const quint16* encodeTable();

// True when code page 932 holds the character (a code point, not a surrogate).
bool canEncode(char32_t c);

// The first character of text that code page 932 cannot hold, or an empty
// string when there is none (a surrogate pair is returned whole).
QString firstUnencodable(QStringView text);

// Turns ascending positions in text into offsets in its code page 932 bytes,
// in one pass: every character the code page holds is one UTF-16 unit and
// takes two bytes, except ASCII and the half-width katakana.
void toByteOffsets(QStringView text, QVector<qsizetype>* positions);

// True for valid UTF-8 with at least one non-ASCII character.
bool isUtf8(const QByteArray& bytes);

// True for bytes to be read as UTF-8: they begin with the UTF-8 byte-order
// mark, or they are not code page 932 but are UTF-8. Code page 932 text that
// happens to be valid UTF-8 (half-width katakana such as "ﾎｱ", CE B1) stays
// code page 932.
bool looksLikeUtf8(const QByteArray& bytes);

// Maps the JIS-style code points that input methods on Linux produce to the
// code page 932 twins that look the same (〜 to ～, − to －, and so on).
QString toCp932Twins(QString text);

// What a character code page 932 cannot hold becomes when a file is
// converted: its twin; else its nearest form from a table (– to －, — to ―,
// · to ・, ß to ss, Æ to AE, Ø to O, „ to “, « to 《; any space to a space;
// invisible format characters and ¡ ¿ to nothing); else its decomposition
// without the combining marks, canonical (é to e, ō to o) or else of
// compatibility (³ to 3, ½ to 1／2, ﬁ to fi, 𝐀 to A); else the geta mark 〓.
// A replacement never holds \ / : , ; * ? " < > | (a title is a file name):
// those take their full-width forms. A character the code page holds is
// returned as it is.
QString replacementFor(char32_t c);

// One place in a text where a character code page 932 cannot hold stands, and
// what converting the text puts there.
struct Replacement {
    qsizetype position = 0;
    qsizetype length = 0;  // UTF-16 units
    QString original;
    QString replacement;
};

// Every character of text that code page 932 cannot hold, in order, with its
// replacement as replacementFor gives it (which may be longer or empty). A
// separate combining mark is joined to the letter before it where the code
// page holds the pair as one character (か and U+3099 as が); otherwise it is
// dropped, its letter kept, and so is every further mark of the letter. A fraction after a digit is
// set apart ("8½" to "8 1／2"), and a text never converts to nothing (one geta mark is left).
QVector<Replacement> unencodableParts(QStringView text);

// text with every part unencodableParts finds replaced.
QString toCodePage932(QStringView text);

}  // namespace Cp932
