#include "data_file.h"

#include "cp932.h"
#include "record_dialect.h"

QString decodeSoundPart(const QByteArray& bytes, ReadProblem* problem) {
    qsizetype bad = -1;
    QString text = Cp932::decode(bytes, &bad);
    if (bad < 0) return text;
    const qsizetype lineStart = bytes.lastIndexOf('\n', bad) + 1;  // 0 when on the first line
    const int line = int(bytes.left(lineStart).count('\n')) + 1;
    problem->what = QStringLiteral("%1行目にコードページ932（シフトJIS）として読めない文字があります。").arg(line);
    return Cp932::decode(bytes.left(lineStart));
}

namespace {
QString place(const RecordReader::Field& f, int record) {
    return QStringLiteral("%1行目（%2件目）").arg(f.line).arg(record);
}
}  // namespace

ReadProblem parseDataFile(QStringView text, TitleTable* table) {
    table->clear();
    RecordReader reader(text);
    ReadProblem problem;
    RecordReader::Field f;
    while (!reader.atEnd()) {
        const int record = table->TitleCount() + 1;
        if (record > kMaxRecords) {
            problem.what = QStringLiteral("タイトルが上限の%1件を超えています（%2行目以降）。")
                               .arg(kMaxRecords).arg(reader.line());
            break;
        }
        Title t;
        QString* texts[] = {&t.Daimei, &t.Kantoku, &t.Syuen, &t.Koukai,
                            &t.Kuni,   &t.Janru,   &t.Hyouka};
        int field = 0;
        for (; field < kFieldsPerTitle; ++field) {
            if (!reader.next(&f) || f.unterminated) break;
            if (field < 7) {
                *texts[field] = f.text.toString();
            } else if (field < 14) {
                const int item = field - 6;
                int v = 0;
                if (!parseNumberField(f.text, &v)) {
                    problem.what = QStringLiteral("%1の評価点%2が数値ではありません（「%3」）。")
                                       .arg(place(f, record)).arg(item).arg(f.text);
                    break;
                }
                if (v < 0 || v > maxScore(item)) {
                    problem.what = QStringLiteral("%1の評価点%2の値 %3 が範囲（0～%4）の外です。")
                                       .arg(place(f, record)).arg(item).arg(v).arg(maxScore(item));
                    break;
                }
                t.HyoukaTen[item] = qint16(v);
            } else {
                t.Syoyu[field - 13] = f.text.toString();
            }
        }
        if (problem.any()) break;
        if (field < kFieldsPerTitle) {
            problem.what = QStringLiteral("%1行目から始まる%2件目のレコードが途中で切れています。")
                               .arg(f.line).arg(record);
            break;
        }
        table->append(std::move(t));
    }
    problem.kept = table->TitleCount();
    return problem;
}

void writeTitleRecord(const Title& t, RecordWriter* w) {
    w->text(t.Daimei).text(t.Kantoku).text(t.Syuen).text(t.Koukai).text(t.Kuni).text(t.Janru).text(t.Hyouka);
    for (int k = 1; k <= kScoreItems; ++k) w->number(t.HyoukaTen[k]);
    for (int k = 1; k <= kOwnershipItems; ++k) w->text(t.Syoyu[k]);
    w->endRecord();
}

QString serializeDataFile(const TitleTable& table) {
    RecordWriter w;
    w.reserve(qsizetype(table.TitleCount()) * 96);
    for (int n = 1; n <= table.TitleCount(); ++n) writeTitleRecord(table[n], &w);
    return w.result();
}

QString newTitleRecord(const QString& name) {
    RecordWriter w;
    w.text(name);
    for (int i = 0; i < 16; ++i) w.omitted();
    w.text(QString());
    w.endRecord();
    return w.result();
}
