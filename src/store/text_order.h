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
// The same with the Latin letters A–Z folded to a–z, for lists that ignore case.
QByteArray foldedKey(QStringView text);

// Sorts list by key (ignoreCase: by foldedKey, ties by key), stably.
void sort(QStringList* list, bool ignoreCase);

}  // namespace TextOrder
