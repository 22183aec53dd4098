#pragma once

#include <QString>
#include <QStringView>

// The comma-separated, double-quoted record dialect shared by every record
// file. Writing: texts in double quotes with nothing escaped, numbers bare,
// omitted fields as nothing between commas, CR LF after each record.
// Reading: fields one after another; a line end separates fields just as a
// comma does, so a record may spread over several lines. A field that starts
// with a quote runs to the next quote, and whatever follows up to the next
// separator is skipped; any other field runs to the next separator.
// The end-of-file mark ^Z that older programs leave at the end is ignored, as
// is a line that holds nothing else.
class RecordReader {
public:
    struct Field {
        QStringView text;
        bool quoted = false;
        bool unterminated = false;  // opening quote without a closing one
        bool textAfterQuote =
            false;                 // more than spaces between the closing quote and the separator
        bool quoteInside = false;  // an unquoted field holding a quote, as in 黒澤"明 or ^Z"乙"
        bool endsLine = false;     // ended by a line end or the end of the text, not a comma
        int line = 0;              // 1-based line where the field starts
        int lastLine = 0;          // line where it ends: a quoted field may hold line ends
        // Read otherwise than it stands: the program never writes such a field.
        bool irregular() const { return textAfterQuote || quoteInside; }
    };

    explicit RecordReader(QStringView text);

    // True when only blank lines, spaces or end-of-file marks remain. Blank
    // lines between records are skipped, so they never make an empty record.
    bool atEnd();
    // False when nothing at all is left to read (a record cut short).
    bool next(Field* field);
    // Moves to the start of the next line, whatever quotes say: where reading
    // starts again after a record that could not be read.
    void skipLine();

    struct Mark {
        qsizetype position = 0;
        int line = 1;
    };
    Mark mark() const { return {pos_, line_}; }
    void reset(Mark m) {
        pos_ = m.position;
        line_ = m.line;
    }

    int line() const { return line_; }
    qsizetype position() const { return pos_; }

    // text without the end-of-file marks (and the spaces and line ends among
    // them) at its end.
    static QStringView withoutEndMark(QStringView text);

private:
    void skipSpaces();
    void consumeLineEnd();
    bool atLineEnd() const;

    QStringView text_;
    qsizetype pos_ = 0;
    int line_ = 1;
};

// Parses a number field the way the files hold them: plain decimal with an
// optional minus sign. Empty reads as 0. False for anything else.
bool parseNumberField(QStringView text, int* value);

// Builds record lines in the dialect.
class RecordWriter {
public:
    RecordWriter& text(QStringView value);
    RecordWriter& number(int value);
    RecordWriter& omitted();
    void endRecord();

    const QString& result() const { return out_; }
    void reserve(qsizetype n) { out_.reserve(n); }

private:
    void separate();
    QString out_;
    bool fieldOpen_ = false;
};
