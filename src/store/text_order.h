#pragma once

#include <QByteArray>
#include <QStringList>
#include <QStringView>

// The order of text wherever the program sorts it: by the text's code page 932
// bytes, the order of the files themselves. Japanese users expect it: full-width
// letters, hiragana, katakana, then the common kanji in reading order, as in a
// dictionary (UTF-16 order would put kanji by radical). Compute a value's key
// once and compare keys, not texts.
namespace TextOrder {

// The code page 932 bytes of text. A character the code page cannot hold sorts
// after every one it can, by its code point.
QByteArray key(QStringView text);
// The same with the Latin letters folded to lower case (A–Z to a–z, Ａ–Ｚ to
// ａ–ｚ), for lists that ignore case.
QByteArray foldedKey(QStringView text);
// A key with its Latin letters folded.
QByteArray folded(QByteArray key);

// What a sort compares: the folded key first when case is ignored, then the
// exact key, so that the order is total.
struct Key {
    QByteArray folded;  // empty when case counts
    QByteArray exact;
    bool operator<(const Key& other) const;
};
Key sortKey(QStringView text, bool ignoreCase);

// Sorts list by key (ignoreCase: by foldedKey, ties by key).
void sort(QStringList* list, bool ignoreCase);

}  // namespace TextOrder
