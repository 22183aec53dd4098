#include "kansyou_table.h"

#include "cp932.h"
#include "data_file.h"
#include "record_dialect.h"
#include "string_hash.h"
#include "text_encoding.h"
#include "title_table.h"

#include <QStringList>

#include <algorithm>

void KansyouTable::clear() {
    records_.clear();
    ends_.clear();
    next_.clear();
    LastKansyoubi.clear();
}

void KansyouTable::append(Kansyou k) {
    records_.append(std::move(k));
    next_.push_back(0);
    link(int(records_.size()));
}

void KansyouTable::insert(int i, Kansyou k) {
    // Numbers from i on move up by one, then record i joins its title's chain.
    for (Ends& e : ends_) {
        if (e.first >= i) ++e.first;
        if (e.last >= i) ++e.last;
    }
    for (int& n : next_)
        if (n >= i) ++n;
    records_.insert(i - 1, std::move(k));
    next_.insert(next_.begin() + (i - 1), 0);
    link(i);
}

// Puts record i into its title's chain, after the records before it.
void KansyouTable::link(int i) {
    const quint32 id = records_[i - 1].KansyouDaimei.id();
    if (id >= ends_.size()) ends_.resize(std::max<size_t>(id + 1, SharedText::count()));
    Ends& e = ends_[id];
    int before = 0;
    int after = e.first;
    if (e.last != 0 && e.last < i) {  // the usual case: a viewing behind all others
        before = e.last;
        after = 0;
    }
    while (after != 0 && after < i) {
        before = after;
        after = next_[after - 1];
    }
    next_[i - 1] = after;
    (before != 0 ? next_[before - 1] : e.first) = i;
    if (after == 0) e.last = i;
}

QVector<int> KansyouTable::viewingsOf(const QString& daimei) const {
    QVector<int> numbers;
    const std::optional<SharedText> name = SharedText::find(daimei);
    if (!name || name->id() >= ends_.size()) return numbers;
    for (int n = ends_[name->id()].first; n != 0; n = next_[n - 1]) numbers.append(n);
    return numbers;
}

void KansyouTable::remove(int i) {
    QVector<Kansyou> rest = std::move(records_);
    rest.remove(i - 1);
    clear();
    reserve(int(rest.size()));
    for (Kansyou& k : rest) append(std::move(k));
    LastKansyoubi = records_.isEmpty() ? QString() : records_.last().Kansyoubi.text();
}

int KansyouTable::locate(const Kansyou& k, int hint) const {
    const int count = KansyouCount();
    for (int d = 0; d < count + hint; ++d) {
        for (int i : {hint - d, hint + d})
            if (i >= 1 && i <= count && records_[i - 1] == k) return i;
        if (hint - d < 1 && hint + d > count) break;
    }
    return 0;
}

int KansyouTable::insertPosition(const QString& d) const {
    for (int i = 0; i < records_.size(); ++i)
        if (records_[i].Kansyoubi.text() > d) return i + 1;
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

namespace {
// Reads the history text line by line and hands each record kept to keep(date,
// title, content), views into text. problem.what is filled.
template <typename Keep>
ReadProblem parseHistoryLines(QStringView text, QVector<qsizetype>* starts,
                              const QVector<int>& badLines, Keep keep) {
    starts->clear();
    text = RecordReader::withoutEndMark(text);
    ReadProblem problem;
    int record = 0;
    int line = 1;
    auto bad = badLines.begin();
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
        if (problem.kept >= kMaxRecords) {
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
        ++problem.kept;
        keep(fields[0], fields[1], fields[2]);
    }
    problem.describe(QStringLiteral("鑑賞履歴"));
    return problem;
}

void noteLast(KansyouTable* table) {
    if (table->KansyouCount() > 0) table->LastKansyoubi = (*table)[table->KansyouCount()].Kansyoubi;
}
}  // namespace

ReadProblem parseHistoryFile(QStringView text, KansyouTable* table, QVector<qsizetype>* starts,
                             const QVector<int>& badLines) {
    table->clear();
    table->reserve(int(std::min<qsizetype>(text.count(u'\n') + 1, kMaxRecords)));
    ReadProblem problem = parseHistoryLines(
        text, starts, badLines, [&](QStringView date, QStringView title, QStringView content) {
            table->append({date, title, content});
        });
    noteLast(table);
    return problem;
}

HistoryText readHistoryText(const QByteArray& bytes) {
    HistoryText h;
    h.decoded = decodeTextFile(bytes);
    const auto lines = std::size_t(std::min<qsizetype>(lineFeeds(bytes) + 1, kMaxRecords));
    h.records.reserve(lines);
    TextNumbers numbers(&h.texts, lines);
    h.problem =
        parseHistoryLines(h.decoded.text, &h.starts, h.decoded.badLines,
                          [&](QStringView date, QStringView title, QStringView content) {
                              h.records.push_back({numbers.number(date), numbers.number(title),
                                                   numbers.number(content)});
                          });
    h.copies.reserve(h.texts.size());
    for (QStringView text : h.texts) h.copies.push_back(text.toString());
    h.problem.encoding = h.decoded.encoding;
    if (!h.decoded.recoded()) Cp932::toByteOffsets(h.decoded.text, &h.starts);
    return h;
}

ReadProblem takeHistory(HistoryText h, KansyouTable* table, QVector<qsizetype>* byteStarts) {
    table->clear();
    table->reserve(int(h.records.size()));
    std::vector<SharedText> shared;
    shared.reserve(h.texts.size());
    for (const QString& text : h.copies) shared.emplace_back(text);
    for (const auto& [date, title, content] : h.records)
        table->append({shared[date], shared[title], shared[content]});
    noteLast(table);
    *byteStarts = std::move(h.starts);
    if (h.decoded.recoded()) h.problem.foreign = foreignCharacters(*table, h.problem.recordLines);
    return std::move(h.problem);
}

ReadProblem readHistoryFile(const QByteArray& bytes, KansyouTable* table,
                            QVector<qsizetype>* byteStarts) {
    return takeHistory(readHistoryText(bytes), table, byteStarts);
}

QVector<ForeignChar> foreignCharacters(const KansyouTable& table, const QVector<int>& recordLines) {
    QVector<ForeignChar> found;
    for (int i = 1; i <= table.KansyouCount(); ++i) {
        const Kansyou& k = table[i];
        for (const QString* value :
             {&k.Kansyoubi.text(), &k.KansyouDaimei.text(), &k.KansyouNaiyou.text()}) {
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
        for (SharedText* value : {&k.Kansyoubi, &k.KansyouDaimei, &k.KansyouNaiyou}) {
            if (Cp932::firstUnencodable(value->text()).isEmpty()) continue;
            *value = Cp932::toCodePage932(value->text());
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
    w.text(k.Kansyoubi.text()).text(k.KansyouDaimei.text()).text(k.KansyouNaiyou.text());
    w.endRecord();
    return w.result();
}
