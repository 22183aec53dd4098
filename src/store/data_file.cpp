#include "data_file.h"

#include "cp932.h"
#include "record_dialect.h"
#include "string_hash.h"
#include "text_encoding.h"

#include <algorithm>
#include <array>

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
QString place(const RecordReader::Field& f, int record) {
    return QStringLiteral("%1行目（%2件目）").arg(f.line).arg(record);
}
}  // namespace

ReadProblem parseDataFile(QStringView text, TitleTable* table, const FieldInterner& interner) {
    table->clear();
    // Directors, actors, countries, genres and marks repeat across titles; one
    // small pool per column stays in cache, where one big pool did not.
    StringPool pools[kFieldsPerTitle];
    const FieldInterner intern =
        interner ? interner : [&pools](int field, QStringView v) { return pools[field].get(v); };
    RecordReader reader(text);
    ReadProblem problem;
    RecordReader::Field f;
    while (!reader.atEnd()) {
        const int record = table->TitleCount() + 1;
        if (record > kMaxRecords) {
            problem.what = QStringLiteral("タイトルが上限の%1件を超えています（%2行目以降）。")
                               .arg(kMaxRecords)
                               .arg(reader.line());
            break;
        }
        Title t;
        QString* texts[] = {&t.Daimei, &t.Kantoku, &t.Syuen, &t.Koukai,
                            &t.Kuni,   &t.Janru,   &t.Hyouka};
        int field = 0;
        for (; field < kFieldsPerTitle; ++field) {
            if (!reader.next(&f) || f.unterminated) break;
            if (field == 0 || field == 3) {  // title names and release dates hardly repeat
                *texts[field] = f.text.toString();
            } else if (field < 7) {
                *texts[field] = intern(field, f.text);
            } else if (field < 14) {
                const int item = field - 6;
                int v = 0;
                if (!parseNumberField(f.text, &v)) {
                    problem.what = QStringLiteral("%1の評価点%2が数値ではありません（「%3」）。")
                                       .arg(place(f, record))
                                       .arg(item)
                                       .arg(f.text);
                    break;
                }
                if (v < 0 || v > maxScore(item)) {
                    problem.what = QStringLiteral("%1の評価点%2の値 %3 が範囲（0～%4）の外です。")
                                       .arg(place(f, record))
                                       .arg(item)
                                       .arg(v)
                                       .arg(maxScore(item));
                    break;
                }
                t.HyoukaTen[item] = qint16(v);
            } else {
                t.Syoyu[field - 13] = intern(field, f.text);
            }
        }
        if (problem.any()) break;
        if (field < kFieldsPerTitle) {
            problem.what = QStringLiteral("%1行目から始まる%2件目のレコードが途中で切れています。")
                               .arg(f.line)
                               .arg(record);
            break;
        }
        table->append(std::move(t));
    }
    problem.kept = table->TitleCount();
    return problem;
}

namespace {
// The whole file is written into one buffer of its exact size: a rewrite of
// 32,766 titles happens on every edit, and a million small appends showed.
int digits(int v) {
    int d = v < 0 ? 2 : 1;
    for (v = v < 0 ? -v : v; v >= 10; v /= 10) ++d;
    return d;
}

QChar* putText(QChar* p, const QString& s) {
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

std::array<const QString*, 11> texts(const Title& t) {
    return {&t.Daimei, &t.Kantoku,  &t.Syuen,    &t.Koukai,   &t.Kuni,    &t.Janru,
            &t.Hyouka, &t.Syoyu[1], &t.Syoyu[2], &t.Syoyu[3], &t.Syoyu[4]};
}
}  // namespace

QString serializeDataFile(const TitleTable& table, int skip, QVector<qsizetype>* starts) {
    constexpr int kFixed = 11 * 2 + (kFieldsPerTitle - 1) + 2;  // quotes, commas, CR LF
    qsizetype size = 0;
    for (int n = 1; n <= table.TitleCount(); ++n) {
        if (n == skip) continue;
        const Title& t = table[n];
        size += kFixed;
        for (const QString* s : texts(t)) size += s->size();
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
            p = putText(p, *fields[i]);
            *p++ = u',';
        }
        for (int k = 1; k <= kScoreItems; ++k) {
            p = putNumber(p, t.HyoukaTen[k]);
            *p++ = u',';
        }
        for (int i = 7; i < 11; ++i) {
            p = putText(p, *fields[i]);
            *p++ = i < 10 ? QChar(u',') : QChar(u'\r');
        }
        *p++ = u'\n';
    }
    Q_ASSERT(p == out.constData() + out.size());
    return out;
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
