#include "folder_check.h"

#include "card/card_rules.h"
#include "card/sub_texts.h"
#include "store/catalogue.h"
#include "store/data_dir.h"
#include "store/data_file.h"
#include "store/date_text.h"
#include "store/kansyou_table.h"
#include "store/record_dialect.h"
#include "store/string_hash.h"
#include "store/text_encoding.h"

#include <QFileInfo>

namespace FolderCheck {

namespace {
// The bytes of a file; false, with the reason noted, when it could not be read.
bool readBytes(const DataDir& dir, const QString& name, QByteArray* bytes, QStringList* problems) {
    QString error;
    if (dir.read(name, bytes, &error)) return true;
    *problems << QStringLiteral("「%1」を読み込めません：%2").arg(name, error);
    return false;
}

// What the program's loader would report about a record file, line by line.
void noteReading(const QString& name, const ReadProblem& p, QStringList* problems) {
    if (p.any()) *problems << QStringLiteral("「%1」：%2").arg(name, p.what);
    if (p.recoded())
        *problems << QStringLiteral(
                         "「%1」は %2 で保存されています（次の変更でシフトJISに書き直されます）。")
                         .arg(name, encodingName(p.encoding));
    if (!p.foreign.isEmpty()) *problems << QStringLiteral("「%1」：%2").arg(name, p.foreignWhat());
}

// The text of a master as the program would read it; false when it could not be read.
bool readText(const DataDir& dir, const QString& name, QString* text, QStringList* problems) {
    QByteArray bytes;
    if (!readBytes(dir, name, &bytes, problems)) return false;
    DecodedText d = decodeTextFile(bytes);
    if (!d.badLines.isEmpty())
        *problems << QStringLiteral("「%1」：%2行目に%3として読めない文字があります。")
                         .arg(name)
                         .arg(d.badLines.first())
                         .arg(encodingName(d.encoding));
    *text = std::move(d.text);
    return true;
}

void readMaster(const DataDir& dir, const QString& name, QString* names, int count,
                const QString* defaults, QStringList* problems) {
    for (int k = 1; k <= count; ++k) names[k] = defaults[k];
    QString text;
    if (!dir.exists(name) || !readText(dir, name, &text, problems)) return;
    for (int k = 1; k <= count; ++k) names[k].clear();
    RecordReader reader(text);
    RecordReader::Field f;
    for (int k = 1; k <= count && !reader.atEnd() && reader.next(&f); ++k)
        names[k] = f.text.toString();
}

void checkDuplicates(const TitleTable& titles, Report* report) {
    StringMap<QList<int>> numbers;
    for (int n = 1; n <= titles.TitleCount(); ++n) numbers[titles[n].Daimei].append(n);
    for (int n = 1; n <= titles.TitleCount(); ++n) {
        const QList<int>& same = numbers[titles[n].Daimei];
        if (same.size() < 2 || same.first() != n) continue;
        QStringList where;
        for (int k : same) where << QStringLiteral("%1件目").arg(k);
        report->findings << QStringLiteral("タイトル名「%1」が%2件あります（%3）。")
                                .arg(titles[n].Daimei)
                                .arg(same.size())
                                .arg(where.join(QStringLiteral("、")));
    }
}

// Every file name the card would find for a title, in the folded form the data
// directory matches names by ("ALIEN.jpg" is the picture of "Alien").
StringSet titleFileNames(const TitleTable& titles) {
    StringSet names;
    for (int n = 1; n <= titles.TitleCount(); ++n) {
        const QString& daimei = titles[n].Daimei;
        for (int k = SubTexts::kCast; k <= SubTexts::kMemo; ++k)
            names.insert(SubTexts::fileName(k, daimei).toCaseFolded());
        for (const QString& picture : CardRules::pictureCandidates(daimei))
            names.insert(picture.toCaseFolded());
    }
    return names;
}

void checkTitleFiles(const DataDir& dir, const TitleTable& titles, Report* report) {
    const StringSet names = titleFileNames(titles);
    const auto ofTitle = [&](const QString& file) { return names.contains(file.toCaseFolded()); };
    const QString kinds[] = {QString(), QStringLiteral("キャスト"), QStringLiteral("あらすじ"),
                             QStringLiteral("感想・メモ")};
    for (int k = 1; k <= 3; ++k) {
        const QString prefix = SubTexts::fileName(k, QString()).chopped(4);
        for (const QString& file : dir.entries(SubTexts::filePattern(k))) {
            if (ofTitle(file)) continue;
            report->findings << QStringLiteral("%1の文章「%2」のタイトル「%3」がありません。")
                                    .arg(kinds[k], file, file.mid(prefix.size()).chopped(4));
        }
    }
    for (const QString& pattern :
         {QStringLiteral("*.jpg"), QStringLiteral("*.gif"), QStringLiteral("*.bmp")}) {
        for (const QString& file : dir.entries(pattern)) {
            if (ofTitle(file)) continue;
            report->findings << QStringLiteral("画像「%1」のタイトル「%2」がありません。")
                                    .arg(file, QFileInfo(file).completeBaseName());
        }
    }
}

// A release given as year and month counts from the end of that month, so a
// viewing in the month of release is never early.
QString releaseBound(const QString& koukai) {
    const auto d = parseDateText(koukai);
    if (!d) return {};
    if (d->day != 0) return d->full();
    return d->yearMonth() + QStringLiteral("/99");
}

void checkViewings(const KansyouTable& history, const TitleTable& titles, Report* report) {
    StringMap<int> numberOf;
    for (int n = titles.TitleCount(); n >= 1; --n) numberOf[titles[n].Daimei] = n;
    for (int i = 1; i <= history.KansyouCount(); ++i) {
        const Kansyou& k = history[i];
        const auto it = numberOf.find(k.KansyouDaimei.text());
        if (it == numberOf.end()) {
            report->findings << QStringLiteral("鑑賞履歴%1件目（%2）のタイトル「%3」がありません。")
                                    .arg(i)
                                    .arg(k.Kansyoubi, k.KansyouDaimei);
            continue;
        }
        const QString released = releaseBound(titles[it->second].Koukai);
        if (!released.isEmpty() && k.Kansyoubi < released.left(10) &&
            !(released.endsWith(QStringLiteral("/99")) &&
              k.Kansyoubi.text().left(7) == released.left(7)))
            report->findings << QStringLiteral(
                                    "鑑賞履歴%1件目：「%2」を公開日（%3）より前の%4に観ています。")
                                    .arg(i)
                                    .arg(k.KansyouDaimei, titles[it->second].Koukai, k.Kansyoubi);
    }
}
}  // namespace

Collection read(const QString& dataDir) {
    Collection c;
    const DataDir dir(dataDir);
    if (!dir.exists(kDataFile)) {
        c.problems << QStringLiteral("「%1」がありません。").arg(kDataFile);
    } else if (QByteArray bytes; readBytes(dir, kDataFile, &bytes, &c.problems)) {
        noteReading(kDataFile, readDataFile(bytes, &c.titles), &c.problems);
    }
    if (dir.exists(kHistoryFile)) {
        if (QByteArray bytes; readBytes(dir, kHistoryFile, &bytes, &c.problems)) {
            QVector<qsizetype> starts;
            noteReading(kHistoryFile, readHistoryFile(bytes, &c.history, &starts), &c.problems);
        }
    }
    readMaster(dir, kHyoukaMasterFile, c.hyoukaKoumoku.data(), kScoreItems,
               kDefaultHyoukaKoumoku.data(), &c.problems);
    readMaster(dir, kSyoyuMasterFile, c.syoyuKoumoku.data(), kOwnershipItems,
               kDefaultSyoyuKoumoku.data(), &c.problems);
    return c;
}

Report check(const QString& dataDir) {
    Report report;
    const Collection c = read(dataDir);
    const TitleTable& titles = c.titles;
    const KansyouTable& history = c.history;
    report.findings = c.problems;
    report.titles = titles.TitleCount();
    report.viewings = history.KansyouCount();
    const DataDir dir(dataDir);

    checkDuplicates(titles, &report);
    checkTitleFiles(dir, titles, &report);
    checkViewings(history, titles, &report);
    return report;
}

}  // namespace FolderCheck
