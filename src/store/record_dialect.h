#pragma once

#include <QString>
#include <QStringView>

// The comma-separated, double-quoted record dialect shared by every record
// file. Writing: texts in double quotes with nothing escaped, numbers bare,
// omitted fields as nothing between commas, CR LF after each record.
// Reading: fields one after another; a line end separates fields just as a
// comma does, so a record may spread over several lines.
class RecordReader {
public:
    struct Field {
        QStringView text;
        bool quoted = false;
        bool unterminated = false;  // opening quote without a closing one
        int line = 0;               // 1-based line where the field starts
    };

    explicit RecordReader(QStringView text) : text_(text) {}

    // True when only blank lines, spaces or an end-of-file mark remain. Blank
    // lines between records are skipped, so they never make an empty record.
    bool atEnd();
    // False when nothing at all is left to read (a record cut short).
    bool next(Field* field);

    int line() const { return line_; }
    qsizetype position() const { return pos_; }

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
