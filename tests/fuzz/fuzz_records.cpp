// libFuzzer target: any bytes as a data file and as a history file, through
// the code page 932 layer, the choice of encoding, the record reader and the
// date test. Besides crashes and sanitizer reports it checks what must hold
// for every input: decoding and encoding agree, the report matches the lists,
// and what the tables hold is written and read back unchanged.
#include "store/cp932.h"
#include "store/data_file.h"
#include "store/date_text.h"
#include "store/kansyou_table.h"
#include "store/text_encoding.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {
void require(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();
}
#define REQUIRE(condition) require((condition), #condition)

void checkDate(QStringView text) {
    const std::optional<DateText> d = parseDateText(text);
    if (!d) return;
    REQUIRE(d->month >= 1 && d->month <= 12 && d->year >= 1 && d->year <= 9999);
    const std::optional<DateText> again = parseDateText(d->full());
    REQUIRE(again && again->year == d->year && again->month == d->month);
    REQUIRE(again->day == (d->day == 0 ? 1 : d->day));
    REQUIRE(parseDateText(d->yearMonth()).has_value());
}

void checkCodePage(const QByteArray& bytes) {
    QVector<qsizetype> bad;
    qsizetype first = -2;
    const QString text = Cp932::decode(bytes, &first, &bad);
    REQUIRE(first == (bad.isEmpty() ? -1 : bad.first()));
    REQUIRE(Cp932::isValid(bytes) == bad.isEmpty());
    REQUIRE(text.size() <= bytes.size());
    if (bad.isEmpty()) {
        // A character with two codes encodes to the standard one, which decodes
        // to the same character.
        QByteArray back;
        REQUIRE(Cp932::encode(text, &back));
        REQUIRE(back.size() == bytes.size());
        REQUIRE(Cp932::decode(back) == text);
        QVector<qsizetype> end{text.size()};
        Cp932::toByteOffsets(text, &end);
        REQUIRE(end.first() == bytes.size());
    }
    // Converting any text gives text the code page holds (a short piece: each
    // character it cannot hold costs a replacement).
    const QString utf8 = QString::fromUtf8(bytes.left(256));
    QByteArray encoded;
    REQUIRE(Cp932::encode(Cp932::toCodePage932(utf8), &encoded));
    qsizetype last = -1;
    for (const Cp932::Replacement& r : Cp932::unencodableParts(utf8)) {
        REQUIRE(r.position > last && r.position + r.length <= utf8.size());
        last = r.position + r.length - 1;
    }
}

void checkProblem(const ReadProblem& p, int kept) {
    REQUIRE(p.kept == kept && kept <= kMaxRecords);
    REQUIRE(p.recordLines.size() == kept);
    for (qsizetype i = 1; i < p.recordLines.size(); ++i)
        REQUIRE(p.recordLines[i] >= p.recordLines[i - 1]);
    REQUIRE(p.any() == (!p.skipped.isEmpty() || !p.irregular.isEmpty() || !p.outOfRange.isEmpty() ||
                        p.overLimit > 0));
    REQUIRE(p.recoded() || p.foreign.isEmpty());
    p.keptSentence(QStringLiteral("タイトル"));
    p.foreignWhat();
}

bool writable(const QString& s) { return !s.contains(u'"'); }

void checkDataFile(const QByteArray& bytes) {
    TitleTable table;
    const ReadProblem p = readDataFile(bytes, &table);
    checkProblem(p, table.TitleCount());
    for (int n = 1; n <= table.TitleCount() && n <= 50; ++n) checkDate(table[n].Koukai);
    if (p.recoded()) {
        convertToCodePage932(&table);
        REQUIRE(foreignCharacters(table, p.recordLines).isEmpty());
    }
    // What was read is written and read back unchanged, as long as no text
    // holds a quote, which the dialect cannot write.
    for (int n = 1; n <= table.TitleCount(); ++n) {
        const Title& t = table[n];
        if (!writable(t.Daimei) || !writable(t.Koukai)) return;
        for (const SharedText* s : {&t.Kantoku, &t.Syuen, &t.Kuni, &t.Janru, &t.Hyouka, &t.Syoyu[1],
                                    &t.Syoyu[2], &t.Syoyu[3], &t.Syoyu[4]})
            if (!writable(*s)) return;
    }
    QByteArray written;
    const QString text = serializeDataFile(table);
    REQUIRE(Cp932::encode(text, &written));
    // Writing straight to bytes gives the same bytes and the same record starts.
    QByteArray direct;
    QVector<qsizetype> starts, byteStarts;
    REQUIRE(encodeDataFile(table, 0, &direct, &starts));
    REQUIRE(direct == written);
    serializeDataFile(table, 0, &byteStarts);
    Cp932::toByteOffsets(text, &byteStarts);
    REQUIRE(starts == byteStarts);
    TitleTable again;
    const ReadProblem q = readDataFile(written, &again);
    REQUIRE(q.skipped.isEmpty() && q.irregular.isEmpty() && q.overLimit == 0);
    REQUIRE(again == table);
}

void checkHistoryFile(const QByteArray& bytes) {
    KansyouTable table;
    QVector<qsizetype> starts;
    const ReadProblem p = readHistoryFile(bytes, &table, &starts);
    checkProblem(p, table.KansyouCount());
    REQUIRE(starts.size() == table.KansyouCount());
    if (!p.any() && !p.recoded()) {
        for (qsizetype i = 0; i < starts.size(); ++i) {
            REQUIRE(starts[i] >= 0 && starts[i] < bytes.size());
            REQUIRE(i == 0 || starts[i] > starts[i - 1]);
        }
    }
    for (int i = 1; i <= table.KansyouCount() && i <= 50; ++i) checkDate(table[i].Kansyoubi.text());
    if (p.recoded()) convertToCodePage932(&table);
    QString text;
    for (const Kansyou& k : table.records()) {
        for (const QString* s :
             {&k.Kansyoubi.text(), &k.KansyouDaimei.text(), &k.KansyouNaiyou.text()})
            if (!writable(*s) || s->contains(u'\r') || s->contains(u'\n')) return;
        text += historyRecord(k);
    }
    QByteArray written;
    REQUIRE(Cp932::encode(text, &written));
    KansyouTable again;
    const ReadProblem q = readHistoryFile(written, &again, &starts);
    REQUIRE(q.skipped.isEmpty() && q.overLimit == 0);
    REQUIRE(again.records() == table.records());
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    checkCodePage(bytes);
    const DecodedText d = decodeTextFile(bytes);
    for (qsizetype i = 1; i < d.badLines.size(); ++i) REQUIRE(d.badLines[i] > d.badLines[i - 1]);
    if (size <= 40) checkDate(d.text);
    checkDataFile(bytes);
    checkHistoryFile(bytes);
    return 0;
}
