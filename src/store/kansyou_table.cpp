#include "kansyou_table.h"

#include "data_file.h"
#include "record_dialect.h"
#include "title_table.h"

#include <algorithm>

void KansyouTable::clear() {
    records_.clear();
    byTitle_.clear();
    LastKansyoubi.clear();
}

void KansyouTable::append(Kansyou k) {
    byTitle_[k.KansyouDaimei].append(int(records_.size()) + 1);
    records_.append(std::move(k));
}

void KansyouTable::insert(int i, Kansyou k) {
    // Numbers from i on move up by one; only the title's own list gains an entry.
    for (auto& [title, numbers] : byTitle_)
        for (int& n : numbers)
            if (n >= i) ++n;
    QVector<int>& own = byTitle_[k.KansyouDaimei];
    own.insert(std::lower_bound(own.begin(), own.end(), i), i);
    records_.insert(i - 1, std::move(k));
}

QVector<int> KansyouTable::viewingsOf(const QString& daimei) const {
    const auto it = byTitle_.find(daimei);
    return it == byTitle_.end() ? QVector<int>() : it->second;
}

int KansyouTable::insertPosition(const QString& d) const {
    for (int i = 0; i < records_.size(); ++i)
        if (records_[i].Kansyoubi > d) return i + 1;
    return int(records_.size()) + 1;
}

ReadProblem parseHistoryFile(QStringView text, KansyouTable* table, QVector<qsizetype>* starts) {
    table->clear();
    starts->clear();
    RecordReader reader(text);
    RecordReader::Field f;
    ReadProblem problem;
    while (!reader.atEnd()) {
        if (table->KansyouCount() >= kMaxRecords) {
            problem.what = QStringLiteral("鑑賞履歴が上限の%1件を超えています（%2行目以降）。")
                               .arg(kMaxRecords)
                               .arg(reader.line());
            break;
        }
        const qsizetype start = reader.position();
        QString fields[3];
        int n = 0;
        for (; n < 3; ++n) {
            if (!reader.next(&f) || f.unterminated) break;
            fields[n] = f.text.toString();
        }
        if (n < 3) {
            problem.what = QStringLiteral("%1行目から始まる%2件目のレコードが途中で切れています。")
                               .arg(f.line)
                               .arg(table->KansyouCount() + 1);
            break;
        }
        starts->append(start);
        table->append({fields[0], fields[1], fields[2]});
    }
    if (table->KansyouCount() > 0) table->LastKansyoubi = (*table)[table->KansyouCount()].Kansyoubi;
    problem.kept = table->KansyouCount();
    return problem;
}

QString historyRecord(const Kansyou& k) {
    RecordWriter w;
    w.text(k.Kansyoubi).text(k.KansyouDaimei).text(k.KansyouNaiyou);
    w.endRecord();
    return w.result();
}
