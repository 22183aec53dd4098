#include "kansyou_table.h"

#include "cp932.h"
#include "data_file.h"
#include "record_dialect.h"
#include "text_encoding.h"
#include "title_table.h"

#include <QStringList>

#include <algorithm>

void KansyouTable::clear() {
    records_.clear();
    byTitle_.clear();
    LastKansyoubi.clear();
}

void KansyouTable::append(Kansyou k) {
    const auto it = byTitle_.try_emplace(k.KansyouDaimei).first;
    it->second.append(int(records_.size()) + 1);
    k.KansyouDaimei = it->first;  // one copy of the name for all its viewings
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

namespace {
bool isBlank(QStringView line) {
    for (const QChar c : line)
        if (c != u' ' && c != u'\t' && c != QChar(0x1A)) return false;
    return true;
}

QString named(QStringView daimei) {
    return daimei.isEmpty() ? QString() : QStringLiteral("（「%1」）").arg(daimei);
}
}  // namespace

ReadProblem parseHistoryFile(QStringView text, KansyouTable* table, QVector<qsizetype>* starts,
                             const QVector<int>& badLines) {
    table->clear();
    starts->clear();
    text = RecordReader::withoutEndMark(text);
    ReadProblem problem;
    int record = 0;
    int line = 1;
    auto bad = badLines.begin();
    // Dates and kinds of viewing repeat: one copy of each.
    StringPool dates, contents;
    for (qsizetype at = 0; at < text.size(); ++line) {
        qsizetype end = at;
        while (end < text.size() && text[end] != u'\r' && text[end] != u'\n') ++end;
        const QStringView content = text.sliced(at, end - at);
        const qsizetype start = at;
        at = end < text.size() && text[end] == u'\r' && end + 1 < text.size() &&
                     text[end + 1] == u'\n'
                 ? end + 2
                 : end + 1;
        if (isBlank(content)) continue;
        ++record;

        RecordReader reader(content);
        RecordReader::Field f;
        QStringView fields[3];
        int count = 0;
        bool unterminated = false;
        QStringList odd;
        while (reader.next(&f)) {
            if (f.unterminated) unterminated = true;
            if (count < 3) fields[count] = f.text;
            ++count;
            if (f.irregular()) {
                static const QString names[3] = {QStringLiteral("鑑賞日"),
                                                 QStringLiteral("タイトル"),
                                                 QStringLiteral("鑑賞内容")};
                odd << irregularField(
                    count <= 3 ? names[count - 1] : QStringLiteral("%1項目め").arg(count),
                    f.textAfterQuote, f.quoteInside);
            }
        }
        while (bad != badLines.end() && *bad < line) ++bad;
        if (bad != badLines.end() && *bad == line) {
            problem.skipped.append(
                {line, record,
                 QStringLiteral("読めない文字（コードページ932にないバイト）があります。")});
            continue;
        }
        if (unterminated) {
            problem.skipped.append(
                {line, record, QStringLiteral("引用符が閉じないまま、行が終わっています。")});
            continue;
        }
        if (table->KansyouCount() >= kMaxRecords) {
            if (problem.overLimit++ == 0) problem.overLimitLine = line;
            continue;
        }
        if (count != 3) odd << QStringLiteral("項目が%1個あります（3個のはずです）").arg(count);
        if (!odd.isEmpty())
            problem.irregular.append(
                {line, record,
                 odd.join(QStringLiteral("。")) + QStringLiteral("。") + named(fields[1])});
        starts->append(start);
        problem.recordLines.append(line);
        table->append({dates.get(fields[0]), fields[1].toString(), contents.get(fields[2])});
    }
    if (table->KansyouCount() > 0) table->LastKansyoubi = (*table)[table->KansyouCount()].Kansyoubi;
    problem.kept = table->KansyouCount();
    problem.describe(QStringLiteral("鑑賞履歴"));
    return problem;
}

ReadProblem readHistoryFile(const QByteArray& bytes, KansyouTable* table,
                            QVector<qsizetype>* byteStarts) {
    const DecodedText decoded = decodeTextFile(bytes);
    ReadProblem problem = parseHistoryFile(decoded.text, table, byteStarts, decoded.badLines);
    problem.encoding = decoded.encoding;
    if (decoded.recoded())
        problem.foreign = foreignCharacters(*table, problem.recordLines);
    else
        Cp932::toByteOffsets(decoded.text, byteStarts);
    return problem;
}

QVector<ForeignChar> foreignCharacters(const KansyouTable& table, const QVector<int>& recordLines) {
    QVector<ForeignChar> found;
    for (int i = 1; i <= table.KansyouCount(); ++i) {
        const Kansyou& k = table[i];
        for (const QString* value : {&k.Kansyoubi, &k.KansyouDaimei, &k.KansyouNaiyou}) {
            for (const Cp932::Replacement& r : Cp932::unencodableParts(*value))
                found.append({i <= recordLines.size() ? recordLines[i - 1] : 0, i, *value,
                              r.original, r.replacement});
        }
    }
    return found;
}

int convertToCodePage932(KansyouTable* table) {
    QVector<Kansyou> records = table->records();
    int changed = 0;
    for (Kansyou& k : records) {
        for (QString* value : {&k.Kansyoubi, &k.KansyouDaimei, &k.KansyouNaiyou}) {
            if (Cp932::firstUnencodable(*value).isEmpty()) continue;
            *value = Cp932::toCodePage932(*value);
            ++changed;
        }
    }
    if (changed == 0) return 0;
    table->clear();
    for (Kansyou& k : records) table->append(std::move(k));
    if (table->KansyouCount() > 0) table->LastKansyoubi = (*table)[table->KansyouCount()].Kansyoubi;
    return changed;
}

QString historyRecord(const Kansyou& k) {
    RecordWriter w;
    w.text(k.Kansyoubi).text(k.KansyouDaimei).text(k.KansyouNaiyou);
    w.endRecord();
    return w.result();
}
