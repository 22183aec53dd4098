#include "data_file.h"

#include "cp932.h"
#include "record_dialect.h"
#include "string_hash.h"
#include "text_encoding.h"

#include <QStringList>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <thread>

namespace {
qsizetype startOfLine(QStringView text, int line) {
    qsizetype i = 0;
    for (int l = 1; l < line && i < text.size(); ++i) {
        if (text[i] == u'\n' ||
            (text[i] == u'\r' && (i + 1 >= text.size() || text[i + 1] != u'\n')))
            ++l;
    }
    return i;
}
}  // namespace

QString decodeSoundPart(const QByteArray& bytes, ReadProblem* problem, bool* wasUtf8) {
    DecodedText d = decodeTextFile(bytes);
    if (wasUtf8) *wasUtf8 = d.recoded();
    if (d.badLines.isEmpty()) return std::move(d.text);
    const int line = d.badLines.first();
    problem->what =
        QStringLiteral("%1行目に%2として読めない文字があります。")
            .arg(line)
            .arg(d.encoding == TextEncoding::Cp932 ? QStringLiteral("コードページ932（シフトJIS）")
                                                   : encodingName(d.encoding));
    return d.text.left(startOfLine(d.text, line));
}

namespace {
// The name of field i (0-based) of a title in notes for the user.
QString fieldName(int i) {
    static const std::array<QString, 7> texts{
        QStringLiteral("タイトル"), QStringLiteral("監督"), QStringLiteral("主演"),
        QStringLiteral("公開日"),   QStringLiteral("国"),   QStringLiteral("ジャンル"),
        QStringLiteral("評価")};
    if (i < 7) return texts[i];
    if (i < 14) return QStringLiteral("評価点%1").arg(i - 6);
    return QStringLiteral("所有%1").arg(i - 13);
}

// "「七人の侍」の", to name a title in a note.
QString named(QStringView daimei) {
    return daimei.isEmpty() ? QString() : QStringLiteral("「%1」の").arg(daimei);
}

enum class ScoreText { Number, NotNumber, TooLarge };

// A score as the file holds it: a 16-bit number, spaces around it allowed.
ScoreText readScore(QStringView text, int* value) {
    if (!text.isEmpty() && (text.front().isSpace() || text.back().isSpace())) text = text.trimmed();
    if (parseNumberField(text, value))
        return *value < -32768 || *value > 32767 ? ScoreText::TooLarge : ScoreText::Number;
    qsizetype i = text.startsWith(u'-') || text.startsWith(u'+') ? 1 : 0;
    if (i >= text.size()) return ScoreText::NotNumber;
    for (; i < text.size(); ++i)
        if (text[i] < u'0' || text[i] > u'9') return ScoreText::NotNumber;
    return ScoreText::TooLarge;  // digits, but too many for any score
}

// Up to 18 fields read with the dialect from where a record should begin.
struct RawRecord {
    std::array<RecordReader::Field, kFieldsPerTitle> fields;
    int count = 0;
    bool unterminated = false;
    bool spansLines = false;  // a line end came before its last field ended

    void read(RecordReader& reader) {
        count = 0;
        unterminated = spansLines = false;
        while (count < kFieldsPerTitle && reader.next(&fields[count])) {
            const RecordReader::Field& f = fields[count++];
            if (f.unterminated) {
                unterminated = true;
                return;
            }
            if (f.lastLine != f.line || (f.endsLine && count < kFieldsPerTitle)) spansLines = true;
        }
    }
    bool quoteOverLineEnd() const {
        for (int i = 0; i < count; ++i)
            if (fields[i].lastLine != fields[i].line) return true;
        return false;
    }
    bool complete() const { return count == kFieldsPerTitle && !unterminated; }
    bool endsLine() const { return complete() && fields[count - 1].endsLine; }
    int firstLine() const { return fields[0].line; }
    int lastLine() const { return fields[count - 1].lastLine; }
    // What keeps the scores from being read, or an empty text.
    QString scoreProblem(std::array<int, 8>* scores) const {
        for (int item = 1; item <= kScoreItems; ++item) {
            const QStringView text = fields[6 + item].text;
            switch (readScore(text, &(*scores)[item])) {
                case ScoreText::Number:
                    break;
                case ScoreText::NotNumber:
                    return QStringLiteral("%1評価点%2が数値ではありません（「%3」）。")
                        .arg(named(fields[0].text))
                        .arg(item)
                        .arg(text);
                case ScoreText::TooLarge:
                    return QStringLiteral("%1評価点%2の値 %3 が大きすぎます。")
                        .arg(named(fields[0].text))
                        .arg(item)
                        .arg(text);
            }
        }
        return {};
    }
    QString irregularity(bool extraFields) const {
        if (!extraFields && std::none_of(fields.begin(), fields.begin() + count,
                                         [](const auto& f) { return f.irregular(); }))
            return {};
        QStringList what;
        for (int i = 0; i < count; ++i) {
            const RecordReader::Field& f = fields[i];
            if (f.irregular())
                what << irregularField(fieldName(i), f.textAfterQuote, f.quoteInside);
        }
        if (extraFields)
            what << QStringLiteral("項目が18個より多く、19項目めから後を読み捨てました");
        return what.isEmpty() ? QString() : what.join(QStringLiteral("。")) + QStringLiteral("。");
    }
};

bool anyBadLine(const QVector<int>& badLines, int from, int to) {
    const auto it = std::lower_bound(badLines.begin(), badLines.end(), from);
    return it != badLines.end() && *it <= to;
}

}  // namespace

namespace {
// Reads the records of a data file text and hands each title kept to keep(fields,
// scores); problem.what is filled.
template <typename Keep>
ReadProblem parseRecords(QStringView text, const QVector<int>& badLines, Keep keep) {
    RecordReader reader(text);
    ReadProblem problem;
    RawRecord raw, following;
    int record = 0;  // place in the file, records left out counted
    while (!reader.atEnd()) {
        ++record;
        const RecordReader::Mark start = reader.mark();
        raw.read(reader);
        const auto skip = [&](const QString& why) {
            problem.skipped.append({start.line, record, why});
        };
        // Unsound in its shape: only its first line is given up, and reading
        // starts again on the next, so a short line does not take the next
        // record's fields.
        const auto skipFirstLine = [&](const QString& why) {
            skip(why);
            reader.reset(start);
            reader.skipLine();
        };
        if (raw.unterminated) {
            skipFirstLine(QStringLiteral("引用符が閉じないまま、ファイルが終わっています。"));
            continue;
        }
        if (!raw.complete()) {
            skipFirstLine(
                QStringLiteral("途中で切れています（項目が%1個しかありません）。").arg(raw.count));
            continue;
        }
        bool extraFields = false;
        if (!raw.endsLine()) {
            if (raw.spansLines) {
                skipFirstLine(raw.quoteOverLineEnd()
                                  ? QStringLiteral("引用符が行の終わりまでに閉じていません。")
                                  : QStringLiteral("項目が18個に足りないまま行が終わっています。"));
                continue;
            }
            // More fields on its line: a second record, or fields to be dropped.
            const RecordReader::Mark after = reader.mark();
            following.read(reader);
            std::array<int, 8> unused{};
            const bool another = following.endsLine() && !following.spansLines &&
                                 following.scoreProblem(&unused).isEmpty();
            reader.reset(after);
            if (!another) {
                extraFields = true;
                reader.skipLine();
            }
        }
        if (anyBadLine(badLines, raw.firstLine(), raw.lastLine())) {
            skip(QStringLiteral("読めない文字（コードページ932にないバイト）があります。"));
            continue;
        }
        std::array<int, 8> scores{};
        if (const QString bad = raw.scoreProblem(&scores); !bad.isEmpty()) {
            skip(bad);
            continue;
        }
        if (problem.kept >= kMaxRecords) {
            if (problem.overLimit++ == 0) problem.overLimitLine = start.line;
            continue;
        }
        if (const QString odd = raw.irregularity(extraFields); !odd.isEmpty())
            problem.irregular.append({start.line, record, odd});
        for (int item = 1; item <= kScoreItems; ++item) {
            const int v = scores[item];
            if (v < 0 || v > maxScore(item))
                problem.outOfRange.append(
                    {start.line, record,
                     QStringLiteral("%1評価点%2の値 %3 が範囲（0～%4）の外です。")
                         .arg(named(raw.fields[0].text))
                         .arg(item)
                         .arg(v)
                         .arg(maxScore(item))});
        }
        problem.recordLines.append(start.line);
        ++problem.kept;
        keep(raw.fields, scores);
    }
    problem.describe(QStringLiteral("タイトル"));
    return problem;
}

using Fields = std::array<RecordReader::Field, kFieldsPerTitle>;
// The fields of a title that the table holds as shared texts, in the order of
// DataText::Record::shared.
constexpr int kSharedFields[] = {1, 2, 4, 5, 6, 14, 15, 16, 17};
}  // namespace

ReadProblem parseDataFile(QStringView text, TitleTable* table, const QVector<int>& badLines) {
    table->clear();
    return parseRecords(text, badLines, [&](const Fields& f, const std::array<int, 8>& scores) {
        Title t;
        t.Daimei = f[0].text.toString();  // title names do not repeat
        t.Kantoku = f[1].text;
        t.Syuen = f[2].text;
        t.Koukai = f[3].text.toString();
        t.Kuni = f[4].text;
        t.Janru = f[5].text;
        t.Hyouka = f[6].text;
        for (int item = 1; item <= kScoreItems; ++item) t.HyoukaTen[item] = qint16(scores[item]);
        for (int k = 1; k <= kOwnershipItems; ++k) t.Syoyu[k] = f[13 + k].text;
        table->append(std::move(t));
    });
}

DataText readDataText(const QByteArray& bytes) {
    DataText d;
    d.decoded = decodeTextFile(bytes);
    const auto lines = std::size_t(std::min<qsizetype>(lineFeeds(bytes) + 1, kMaxRecords));
    d.records.reserve(lines);
    TextNumbers numbers(&d.texts, 256);
    d.problem = parseRecords(d.decoded.text, d.decoded.badLines,
                             [&](const Fields& f, const std::array<int, 8>& scores) {
                                 DataText::Record r;
                                 r.daimei = f[0].text.toString();
                                 r.koukai = f[3].text.toString();
                                 for (int i = 0; i < 9; ++i)
                                     r.shared[i] = numbers.number(f[kSharedFields[i]].text);
                                 for (int item = 1; item <= kScoreItems; ++item)
                                     r.scores[item] = qint16(scores[item]);
                                 d.records.push_back(r);
                             });
    d.problem.encoding = d.decoded.encoding;
    return d;
}

ReadProblem takeTitles(DataText d, TitleTable* table) {
    table->clear();
    table->reserve(int(d.records.size()));
    std::vector<SharedText> shared;
    shared.reserve(d.texts.size());
    for (QStringView text : d.texts) shared.emplace_back(text);
    for (DataText::Record& r : d.records) {
        Title t;
        t.Daimei = std::move(r.daimei);
        t.Kantoku = shared[r.shared[0]];
        t.Syuen = shared[r.shared[1]];
        t.Koukai = std::move(r.koukai);
        t.Kuni = shared[r.shared[2]];
        t.Janru = shared[r.shared[3]];
        t.Hyouka = shared[r.shared[4]];
        for (int item = 1; item <= kScoreItems; ++item) t.HyoukaTen[item] = r.scores[item];
        for (int k = 1; k <= kOwnershipItems; ++k) t.Syoyu[k] = shared[r.shared[4 + k]];
        table->append(std::move(t));
    }
    if (d.decoded.recoded()) d.problem.foreign = foreignCharacters(*table, d.problem.recordLines);
    return std::move(d.problem);
}

ReadProblem readDataFile(const QByteArray& bytes, TitleTable* table) {
    return takeTitles(readDataText(bytes), table);
}

namespace {
constexpr int kFixedChars = 11 * 2 + (kFieldsPerTitle - 1) + 2;  // quotes, commas, CR LF

// Every text field of a title, in file order, each read once: a shared text
// lies in a pool away from the title, and reading it is most of the cost of a
// short field.
inline std::array<QStringView, 11> texts(const Title& t) {
    return {t.Daimei,          t.Kantoku.text(),  t.Syuen.text(),   t.Koukai,
            t.Kuni.text(),     t.Janru.text(),    t.Hyouka.text(),  t.Syoyu[1].text(),
            t.Syoyu[2].text(), t.Syoyu[3].text(), t.Syoyu[4].text()};
}
}  // namespace

QVector<ForeignChar> foreignCharacters(const TitleTable& table, const QVector<int>& recordLines) {
    QVector<ForeignChar> found;
    for (int n = 1; n <= table.TitleCount(); ++n) {
        for (QStringView value : texts(table[n])) {
            for (const Cp932::Replacement& r : Cp932::unencodableParts(value))
                found.append({n <= recordLines.size() ? recordLines[n - 1] : 0, n, value.toString(),
                              r.original, r.replacement});
        }
    }
    return found;
}

int convertToCodePage932(TitleTable* table) {
    int changed = 0;
    const auto convert = [&changed](auto& value) {
        const QString& text = value;
        if (Cp932::firstUnencodable(text).isEmpty()) return;
        value = Cp932::toCodePage932(text);
        ++changed;
    };
    for (int n = 1; n <= table->TitleCount(); ++n) {
        Title& t = (*table)[n];
        convert(t.Daimei);
        convert(t.Koukai);
        for (SharedText* value : {&t.Kantoku, &t.Syuen, &t.Kuni, &t.Janru, &t.Hyouka, &t.Syoyu[1],
                                  &t.Syoyu[2], &t.Syoyu[3], &t.Syoyu[4]})
            convert(*value);
    }
    return changed;
}

namespace {
// The whole file is written into one buffer of its exact size: a rewrite of
// 32,766 titles happens on every edit, and a million small appends showed.
int digits(int v) {
    int d = v < 0 ? 2 : 1;
    for (v = v < 0 ? -v : v; v >= 10; v /= 10) ++d;
    return d;
}

QChar* putText(QChar* p, QStringView s) {
    *p++ = u'"';
    std::copy(s.constData(), s.constData() + s.size(), p);
    p += s.size();
    *p++ = u'"';
    return p;
}

QChar* putNumber(QChar* p, int v) {
    if (v < 0) *p++ = u'-';
    unsigned u = v < 0 ? unsigned(-v) : unsigned(v);
    QChar* end = p + digits(int(u));
    for (QChar* q = end; q != p;) {
        *--q = QChar(u'0' + u % 10);
        u /= 10;
    }
    return end;
}

}  // namespace

QString serializeDataFile(const TitleTable& table, int skip, QVector<qsizetype>* starts) {
    qsizetype size = 0;
    for (int n = 1; n <= table.TitleCount(); ++n) {
        if (n == skip) continue;
        const Title& t = table[n];
        size += kFixedChars;
        for (QStringView s : texts(t)) size += s.size();
        for (int k = 1; k <= kScoreItems; ++k) size += digits(t.HyoukaTen[k]);
    }
    QString out(size, Qt::Uninitialized);
    QChar* p = out.data();
    if (starts) starts->clear();
    for (int n = 1; n <= table.TitleCount(); ++n) {
        if (n == skip) continue;
        if (starts) starts->append(p - out.constData());
        const Title& t = table[n];
        const auto fields = texts(t);
        for (int i = 0; i < 7; ++i) {
            p = putText(p, fields[i]);
            *p++ = u',';
        }
        for (int k = 1; k <= kScoreItems; ++k) {
            p = putNumber(p, t.HyoukaTen[k]);
            *p++ = u',';
        }
        for (int i = 7; i < 11; ++i) {
            p = putText(p, fields[i]);
            *p++ = i < 10 ? QChar(u',') : QChar(u'\r');
        }
        *p++ = u'\n';
    }
    Q_ASSERT(p == out.constData() + out.size());
    return out;
}

namespace {
// The most bytes a title with these texts can take: two a text unit, six a score.
inline qsizetype titleRoom(const std::array<QStringView, 11>& fields) {
    qsizetype room = kFixedChars + kScoreItems * 6;
    for (QStringView s : fields) room += 2 * s.size();
    return room;
}

qsizetype titleRoom(const Title& t) { return titleRoom(texts(t)); }

// Titles from..to (but skip) as code page 932 records appended to out, which
// grows as needed; starts of the records relative to out. False when a text has
// no code page 932 form. Each title's room is reckoned as it is written, so the
// titles are read once.
bool encodeRecords(const TitleTable& table, int from, int to, int skip, QByteArray* out,
                   QVector<qsizetype>* starts) {
    qsizetype used = out->size();
    out->resize(std::max(out->capacity(), used + 1));  // write into the room reserved
    char* p = out->data() + used;
    char* limit = out->data() + out->size();
    const quint16* const encode = Cp932::encodeTable();
    const auto putText = [&p, encode](QStringView s) {
        *p++ = '"';
        if (!s.isEmpty()) {
            p = Cp932::encodeInto(s, p, encode);
            if (!p) return false;
        }
        *p++ = '"';
        return true;
    };
    // The starts are written straight into their room: an append a title showed.
    const qsizetype firstStart = starts->size();
    starts->resize(firstStart + (to - from + 1) - (skip >= from && skip <= to ? 1 : 0));
    qsizetype* start = starts->data() + firstStart;
    for (int n = from; n <= to; ++n) {
        if (n == skip) continue;
        const Title& t = table[n];
        const auto fields = texts(t);
        if (const qsizetype room = titleRoom(fields); limit - p < room) {
            used = p - out->constData();
            out->resize(std::max(used + room, out->size() + out->size() / 2));
            p = out->data() + used;
            limit = out->data() + out->size();
        }
        *start++ = p - out->constData();
        for (int i = 0; i < 7; ++i) {
            if (!putText(fields[i])) return false;
            *p++ = ',';
        }
        for (int k = 1; k <= kScoreItems; ++k) {
            const int v = t.HyoukaTen[k];
            if (v >= 0 && v < 100) {  // nearly every score
                if (v >= 10) *p++ = char('0' + v / 10);
                *p++ = char('0' + v % 10);
                *p++ = ',';
                continue;
            }
            if (v < 0) *p++ = '-';
            unsigned u = v < 0 ? unsigned(-v) : unsigned(v);
            char* const digitsEnd = p + digits(int(u));
            for (char* q = digitsEnd; q != p;) {
                *--q = char('0' + u % 10);
                u /= 10;
            }
            p = digitsEnd;
            *p++ = ',';
        }
        for (int i = 7; i < 11; ++i) {
            if (!putText(fields[i])) return false;
            *p++ = i < 10 ? ',' : '\r';
        }
        *p++ = '\n';
    }
    out->truncate(p - out->constData());
    return true;
}

// Asks the system for the memory of b's unused room in one call rather than
// one fault a page as the encoder first touches it; a system without the
// request just faults as usual.
void prefault(QByteArray* b) {
#ifdef MADV_POPULATE_WRITE
    const auto page = quintptr(::sysconf(_SC_PAGESIZE));
    const auto from = (quintptr(b->data() + b->size()) + page - 1) & ~(page - 1);
    const auto to = quintptr(b->data() + b->capacity()) & ~(page - 1);
    if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
#else
    Q_UNUSED(b);
#endif
}

// A first size for the bytes of titles from..to: the room of a sample of them.
qsizetype roomGuess(const TitleTable& table, int from, int to) {
    if (to < from) return 0;
    const int step = std::max(1, (to - from + 1) / 128);
    qsizetype room = 0;
    int sampled = 0;
    for (int n = from; n <= to; n += step, ++sampled) room += titleRoom(table[n]);
    return room / sampled * (to - from + 1);
}
}  // namespace

bool encodeDataFile(const TitleTable& table, int skip, QByteArray* out,
                    QVector<qsizetype>* starts) {
    const int count = table.TitleCount();
    QVector<qsizetype> at;
    at.reserve(count);
    // A large table is encoded in two halves at once, the second into a buffer
    // of its own that then follows the first: the work is reading every title
    // and looking up every character, and a second core halves it.
    constexpr int kTitlesWorthAThread = 4000;
    const int half =
        count >= kTitlesWorthAThread && std::thread::hardware_concurrency() > 1 ? count / 2 : count;
    QByteArray second;
    QVector<qsizetype> secondAt;
    bool secondOk = true;
    std::thread helper;
    if (half < count) {
        helper = std::thread([&] {
            second.reserve(roomGuess(table, half + 1, count));
            prefault(&second);
            secondAt.reserve(count - half);
            secondOk = encodeRecords(table, half + 1, count, skip, &second, &secondAt);
        });
    }
    // Room for both halves, so that the second needs no move of the first; a
    // buffer the caller hands in is reused, its memory already in place.
    out->truncate(0);
    out->reserve(roomGuess(table, 1, count));
    prefault(out);
    const bool firstOk = encodeRecords(table, 1, half, skip, out, &at);
    if (helper.joinable()) helper.join();
    if (!firstOk || !secondOk) return false;
    if (half < count) {
        const qsizetype size = out->size();
        out->append(second);
        for (qsizetype a : std::as_const(secondAt)) at.append(size + a);
    }
    if (starts) *starts = std::move(at);
    return true;
}

QString serializeTitle(const Title& t) {
    TitleTable one;
    one.append(t);
    return serializeDataFile(one);
}

QString newTitleRecord(const QString& name) {
    RecordWriter w;
    w.text(name);
    for (int i = 0; i < 16; ++i) w.omitted();
    w.text(QString());
    w.endRecord();
    return w.result();
}
