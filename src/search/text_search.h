#pragma once

#include "search_criteria.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>

// The word search in the free texts. A text file is read field by field as the
// record dialect reads a field (a field ends at a comma or a line end; one that
// begins with a double quote runs to the next double quote), and a file is a
// hit when one of its fields contains the word.
namespace TextSearch {

// Tells whether the bytes of a file hold the word in one field. The file is
// judged as the card reads it (code page 932, or UTF-8 when it is UTF-8 text;
// from a damaged line on, nothing). Most files are settled on their bytes:
// the word's code page 932 bytes are looked for and a hit counts only where a
// character begins; a file is decoded only when its bytes cannot settle it.
class FieldWordMatcher {
public:
    explicit FieldWordMatcher(const QString& word);

    bool matches(const char* bytes, qsizetype size) const;
    bool matches(const QByteArray& bytes) const { return matches(bytes.constData(), bytes.size()); }

    // The same answer found by decoding the whole file: the rule itself.
    bool matchesDecoded(const char* bytes, qsizetype size) const;

private:
    bool fieldsHold(const uchar* p, qsizetype n) const;
    bool holdsAt(const uchar* p, qsizetype from, qsizetype to) const;

    QString word_;
    // The word in code page 932; empty when some character of it has no form or
    // more than one there, so that equal bytes would not mean an equal text.
    QByteArray cp932_;
    QByteArray utf8_;
};

struct Result {
    QStringList names;       // the title of each file that holds the word, in file order
    QStringList unreadable;  // files that could not be read; they were passed over
    bool cancelled = false;  // stopped early; names holds what was found until then
};

// Searches the files of kind named in files (names in the directory dirPath) for
// word. Runs on any thread; cancel, when set, stops it between two files.
Result searchFiles(const QString& dirPath, const QStringList& files, SearchCriteria::TextKind kind,
                   const QString& word, const std::atomic<bool>* cancel = nullptr);

}  // namespace TextSearch
