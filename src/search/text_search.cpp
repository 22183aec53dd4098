#include "text_search.h"

#include "store/cp932.h"
#include "store/record_dialect.h"
#include "store/text_encoding.h"

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace TextSearch {

namespace {
bool isLead(uchar b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool isTrail(uchar b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

// What the code page 932 decoder makes of every byte and byte pair, asked once:
// which characters are sound, and how many byte forms each code unit has (code
// page 932 spells some characters twice, as in its NEC and IBM rows).
struct Cp932Tables {
    bool single[256] = {};
    std::vector<bool> pair = std::vector<bool>(65536);
    std::vector<quint8> forms = std::vector<quint8>(65536);
    // The bytes of the characters that separate fields, taken from the table
    // rather than assumed.
    uchar space = 0, tab = 0, cr = 0, lf = 0, quote = 0, comma = 0, eofMark = 0;
    bool separatorsKnown = false;  // each has one single-byte form and is never part of a pair

    QChar decoded[256];

    Cp932Tables() {
        const auto decodes = [](quint16 code, QChar* c) {
            char16_t u;
            if (!Cp932::decodeCode(code, &u)) return false;
            *c = QChar(u);
            return true;
        };
        QChar c;
        for (int b = 0; b < 256; ++b) {
            if (isLead(uchar(b))) {
                for (int t = 0x40; t <= 0xFC; ++t) {
                    if (!decodes(quint16(b << 8 | t), &c)) continue;
                    pair[b << 8 | t] = true;
                    if (forms[c.unicode()] < 255) ++forms[c.unicode()];
                }
            } else {
                if (!decodes(quint16(b), &c)) continue;
                single[b] = true;
                if (forms[c.unicode()] < 255) ++forms[c.unicode()];
                decoded[b] = c;
            }
        }
        separatorsKnown = findSeparators();
    }

    bool findSeparators() {
        const std::pair<uchar*, char16_t> wanted[] = {
            {&space, u' '}, {&tab, u'\t'},  {&cr, u'\r'},    {&lf, u'\n'},
            {&quote, u'"'}, {&comma, u','}, {&eofMark, 0x1A}};
        for (const auto& [byte, c] : wanted) {
            if (forms[c] != 1) return false;
            int found = -1;
            for (int b = 0; b < 256; ++b)
                if (single[b] && decoded[b] == QChar(c)) found = b;
            if (found < 0) return false;
            for (int lead = 0; lead < 256; ++lead)
                if (pair[lead << 8 | found]) return false;  // it would also end a character
            *byte = uchar(found);
        }
        return true;
    }

    // True when every character of the bytes decodes.
    bool sound(const uchar* p, qsizetype n) const {
        for (qsizetype i = 0; i < n;) {
            const uchar b = p[i];
            if (isLead(b)) {
                if (i + 1 >= n || !pair[b << 8 | p[i + 1]]) return false;
                i += 2;
            } else {
                if (!single[b]) return false;
                ++i;
            }
        }
        return true;
    }
};

const Cp932Tables& tables() {
    static const Cp932Tables t;
    return t;
}

// The length of the bytes without the end-of-file marks (and the spaces and line
// ends among them) at their end, which the record reader leaves out. None of
// these bytes can end a double-byte character, so reading backwards is safe.
qsizetype withoutEndMark(const uchar* p, qsizetype n) {
    const Cp932Tables& t = tables();
    qsizetype end = n, mark = -1;
    while (end > 0) {
        const uchar b = p[end - 1];
        if (b == t.eofMark)
            mark = end - 1;
        else if (b != t.space && b != t.tab && b != t.cr && b != t.lf)
            break;
        --end;
    }
    return mark < 0 ? n : mark;
}

// Reads a whole file into buf through an open directory; false when it cannot be read.
bool readFile(int dirFd, const QString& name, std::vector<char>* buf, qsizetype* size) {
    // Non-blocking, so that a pipe that someone named like a text file cannot hang the search.
    const int fd = ::openat(dirFd, QFile::encodeName(name).constData(),
                            O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return false;
    qsizetype len = 0;
    bool ok = true;
    for (;;) {
        if (std::size_t(len) == buf->size()) buf->resize(buf->size() * 2);
        const ssize_t got = ::read(fd, buf->data() + len, buf->size() - std::size_t(len));
        if (got > 0) {
            len += got;
        } else if (got == 0) {
            break;
        } else if (errno != EINTR) {
            ok = false;
            break;
        }
    }
    ::close(fd);
    *size = len;
    return ok;
}
}  // namespace

FieldWordMatcher::FieldWordMatcher(const QString& word) : word_(word), utf8_(word.toUtf8()) {
    if (word.isEmpty()) return;
    const Cp932Tables& t = tables();
    for (const QChar c : word)
        if (c.isSurrogate() || t.forms[c.unicode()] != 1) return;
    if (!Cp932::encode(word, &cp932_)) cp932_.clear();
}

bool FieldWordMatcher::matches(const char* bytes, qsizetype size) const {
    if (word_.isEmpty()) return false;
    if (cp932_.isEmpty()) return matchesDecoded(bytes, size);
    const auto* p = reinterpret_cast<const uchar*>(bytes);
    const QByteArray raw = QByteArray::fromRawData(bytes, size);
    if (holdsAt(p, 0, withoutEndMark(p, size))) {
        const Cp932Tables& t = tables();
        if (!t.separatorsKnown || Cp932::looksLikeUtf8(raw) || !t.sound(p, size))
            return matchesDecoded(bytes, size);
        return fieldsHold(p, withoutEndMark(p, size));
    }
    // Without the code page 932 bytes only a UTF-8 file can still hold the word.
    if (!Cp932::looksLikeUtf8(raw)) return false;
    if (!::memmem(bytes, std::size_t(size), utf8_.constData(), std::size_t(utf8_.size())))
        return false;
    return matchesDecoded(bytes, size);
}

// The word's bytes between from and to, beginning where a character begins;
// from must be such a place.
bool FieldWordMatcher::holdsAt(const uchar* p, qsizetype from, qsizetype to) const {
    const qsizetype len = cp932_.size();
    qsizetype boundary = from;  // walks from character to character
    qsizetype at = from;
    while (to - at >= len) {
        const void* hit =
            ::memmem(p + at, std::size_t(to - at), cp932_.constData(), std::size_t(len));
        if (!hit) return false;
        const qsizetype h = static_cast<const uchar*>(hit) - p;
        // As the decoder steps: a lead byte takes the next byte only when that can end a pair.
        while (boundary < h)
            boundary +=
                isLead(p[boundary]) && boundary + 1 < to && isTrail(p[boundary + 1]) ? 2 : 1;
        if (boundary == h) return true;
        at = h + 1;
    }
    return false;
}

// The fields as the record dialect reads them, on the bytes of sound code page
// 932 text: its separators are ASCII bytes, which never occur inside a character.
bool FieldWordMatcher::fieldsHold(const uchar* p, qsizetype n) const {
    const Cp932Tables& t = tables();
    const auto isSpace = [&t](uchar c) { return c == t.space || c == t.tab; };
    const auto isLineEnd = [&t](uchar c) { return c == t.cr || c == t.lf; };
    qsizetype pos = 0;
    const auto atLineEnd = [&] { return pos < n && isLineEnd(p[pos]); };
    const auto consumeLineEnd = [&] {
        if (pos < n && p[pos] == t.cr) ++pos;
        if (pos < n && p[pos] == t.lf) ++pos;
    };
    for (;;) {
        // Blank lines, spaces and a closing end-of-file mark hold no field.
        for (;;) {
            while (pos < n && isSpace(p[pos])) ++pos;
            if (pos >= n) return false;
            if (atLineEnd()) {
                consumeLineEnd();
                continue;
            }
            if (p[pos] == t.eofMark) {
                // A line of end-of-file marks alone holds no field, as the reader reads it.
                qsizetype q = pos + 1;
                while (q < n && (isSpace(p[q]) || p[q] == t.eofMark)) ++q;
                if (q >= n) return false;
                if (isLineEnd(p[q])) {
                    pos = q;
                    continue;
                }
            }
            break;
        }
        qsizetype start, end;
        if (p[pos] == t.quote) {
            start = pos + 1;
            const void* close = std::memchr(p + start, t.quote, std::size_t(n - start));
            if (!close) {
                end = pos = n;
            } else {
                end = static_cast<const uchar*>(close) - p;
                pos = end + 1;
                while (pos < n && p[pos] != t.comma && !atLineEnd()) ++pos;
            }
        } else {
            start = pos;
            while (pos < n && p[pos] != t.comma && !atLineEnd()) ++pos;
            end = pos;
            while (end > start && isSpace(p[end - 1])) --end;
        }
        if (holdsAt(p, start, end)) return true;
        if (pos < n) {
            if (p[pos] == t.comma)
                ++pos;
            else
                consumeLineEnd();
        }
    }
}

bool FieldWordMatcher::matchesDecoded(const char* bytes, qsizetype size) const {
    if (word_.isEmpty()) return false;
    // Read whole, as the card shows it: bytes that are no text stand for
    // themselves and match no word.
    const QString text = decodeTextFile(QByteArray::fromRawData(bytes, size)).text;
    RecordReader reader(text);
    RecordReader::Field field;
    while (!reader.atEnd() && reader.next(&field))
        if (field.text.contains(word_)) return true;
    return false;
}

Result searchFiles(const QString& dirPath, const QStringList& files, SearchCriteria::TextKind kind,
                   const QString& word, const std::atomic<bool>* cancel) {
    Result result;
    if (word.isEmpty()) return result;
    const FieldWordMatcher matcher(word);
    const int dirFd =
        ::open(QFile::encodeName(dirPath).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) {
        result.unreadable = files;
        return result;
    }
    std::vector<char> buf(64 * 1024);
    for (const QString& name : files) {
        if (cancel && cancel->load(std::memory_order_relaxed)) {
            result.cancelled = true;
            break;
        }
        qsizetype size = 0;
        if (!readFile(dirFd, name, &buf, &size)) {
            result.unreadable << name;
            continue;
        }
        if (matcher.matches(buf.data(), size))
            result.names << SearchCriteria::titleOfTextFile(kind, name);
    }
    ::close(dirFd);
    return result;
}

}  // namespace TextSearch
