#include "record_dialect.h"

#include <cstdio>

namespace {
constexpr QChar kQuote = u'"';
constexpr QChar kComma = u',';
constexpr QChar kCR = u'\r';
constexpr QChar kLF = u'\n';
constexpr QChar kEofMark = QChar(0x1A);  // old editors end text files with ^Z

bool isSpace(QChar c) { return c == u' ' || c == u'\t'; }
}  // namespace

RecordReader::RecordReader(QStringView text) : text_(withoutEndMark(text)) {}

QStringView RecordReader::withoutEndMark(QStringView text) {
    qsizetype end = text.size();
    qsizetype mark = -1;
    while (end > 0) {
        const QChar c = text[end - 1];
        if (c == kEofMark)
            mark = end - 1;
        else if (!isSpace(c) && c != kCR && c != kLF)
            break;
        --end;
    }
    return mark < 0 ? text : text.first(mark);
}

bool RecordReader::atLineEnd() const {
    return pos_ < text_.size() && (text_[pos_] == kCR || text_[pos_] == kLF);
}

void RecordReader::skipSpaces() {
    while (pos_ < text_.size() && isSpace(text_[pos_])) ++pos_;
}

void RecordReader::consumeLineEnd() {
    if (pos_ < text_.size() && text_[pos_] == kCR) ++pos_;
    if (pos_ < text_.size() && text_[pos_] == kLF) ++pos_;
    ++line_;
}

void RecordReader::skipLine() {
    while (pos_ < text_.size() && !atLineEnd()) ++pos_;
    if (pos_ < text_.size()) consumeLineEnd();
}

bool RecordReader::atEnd() {
    for (;;) {
        skipSpaces();
        if (pos_ >= text_.size()) return true;
        if (atLineEnd()) {
            consumeLineEnd();
            continue;
        }
        if (text_[pos_] != kEofMark) return false;
        // A line of end-of-file marks alone, left where a file was appended to.
        qsizetype p = pos_;
        while (p < text_.size() && (text_[p] == kEofMark || isSpace(text_[p]))) ++p;
        if (p < text_.size() && text_[p] != kCR && text_[p] != kLF) return false;
        pos_ = p;
    }
}

bool RecordReader::next(Field* field) {
    skipSpaces();
    *field = Field{};
    field->line = line_;
    if (pos_ >= text_.size()) return false;

    if (text_[pos_] == kQuote) {
        field->quoted = true;
        const qsizetype start = pos_ + 1;
        // One pass to the closing quote, counting the line ends on the way: most
        // fields are a few characters, where a call to a search costs more.
        const QChar* const d = text_.data();
        const qsizetype n = text_.size();
        qsizetype close = start;
        for (; close < n && d[close] != kQuote; ++close)
            if (d[close] == kLF || (d[close] == kCR && (close + 1 >= n || d[close + 1] != kLF)))
                ++line_;
        field->text = text_.sliced(start, close - start);
        if (close >= text_.size()) {
            field->unterminated = true;
            field->endsLine = true;
            field->lastLine = line_;
            pos_ = text_.size();
            return true;
        }
        pos_ = close + 1;
        // Whatever follows the closing quote up to the separator is not part of the value.
        while (pos_ < text_.size() && text_[pos_] != kComma && !atLineEnd()) {
            if (!isSpace(text_[pos_])) field->textAfterQuote = true;
            ++pos_;
        }
    } else {
        const qsizetype start = pos_;
        for (; pos_ < text_.size(); ++pos_) {
            const QChar c = text_[pos_];
            if (c == kComma || c == kCR || c == kLF) break;
            if (c == kQuote) field->quoteInside = true;
        }
        qsizetype end = pos_;
        while (end > start && isSpace(text_[end - 1])) --end;
        field->text = text_.sliced(start, end - start);
    }
    field->lastLine = line_;
    if (pos_ < text_.size() && text_[pos_] == kComma) {
        ++pos_;
    } else {
        field->endsLine = true;
        if (pos_ < text_.size()) consumeLineEnd();
    }
    return true;
}

bool parseNumberField(QStringView text, int* value) {
    if (text.isEmpty()) {
        *value = 0;
        return true;
    }
    qsizetype i = 0;
    bool negative = false;
    if (text[0] == u'-' || text[0] == u'+') {
        negative = text[0] == u'-';
        i = 1;
    }
    if (i >= text.size() || text.size() - i > 6) return false;
    int v = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9') return false;
        v = v * 10 + (c - u'0');
    }
    *value = negative ? -v : v;
    return true;
}

void RecordWriter::separate() {
    if (fieldOpen_) out_ += kComma;
    fieldOpen_ = true;
}

RecordWriter& RecordWriter::text(QStringView value) {
    separate();
    out_ += kQuote;
    out_ += value;
    out_ += kQuote;
    return *this;
}

RecordWriter& RecordWriter::number(int value) {
    separate();
    char digits[12];
    const int n = std::snprintf(digits, sizeof digits, "%d", value);
    out_ += QLatin1String(digits, n);
    return *this;
}

RecordWriter& RecordWriter::omitted() {
    separate();
    return *this;
}

void RecordWriter::endRecord() {
    out_ += QLatin1String("\r\n");
    fieldOpen_ = false;
}
