#include "import_preview.h"

#include "store/title_table.h"

namespace ImportPreview {

namespace {
const QString kCrLf = QStringLiteral("\r\n");
const QString kIndent = QStringLiteral("　");
constexpr int kNamesListed = 10;
constexpr int kSkipsListed = 10;

// A long value is shown by its start: the preview must stay quick to read and
// to draw whatever a file holds. Only what is shown is cut, never what is imported.
constexpr qsizetype kShownLength = 200;
QString cut(const QString& value) {
    if (value.size() <= kShownLength) return value;
    return value.left(kShownLength) + QStringLiteral("…（全%1文字）").arg(value.size());
}

// A value as one line: its line breaks shown as ↵.
QString shown(const QString& whole) {
    QString value = cut(whole);
    value.replace(QStringLiteral("\r\n"), QStringLiteral("↵"));
    value.replace(u'\n', u'↵');
    value.replace(u'\r', u'↵');
    return value;
}

QString names(const QStringList& list) {
    QStringList quoted;
    for (const QString& n : list.mid(0, kNamesListed))
        quoted << QStringLiteral("「%1」").arg(shown(n));
    QString out = kIndent + quoted.join(QStringLiteral("、"));
    if (list.size() > kNamesListed)
        out += QStringLiteral("、ほか%1件").arg(list.size() - kNamesListed);
    return out;
}

QString where(int line) { return line > 0 ? QStringLiteral("%1行目　").arg(line) : QString(); }

QString change(const ImportChange& c) {
    const QString after = c.after.isEmpty() ? QStringLiteral("（取り込みません）")
                                            : QStringLiteral("「%1」").arg(shown(c.after));
    return kIndent + where(c.line) +
           QStringLiteral("%1：「%2」→%3").arg(c.field, shown(c.before), after);
}
}  // namespace

QString text(const ImportPlan& plan, const QString& fileName) {
    QStringList lines;
    lines << QStringLiteral("取り込むファイル：「%1」").arg(fileName)
          << QStringLiteral("形式：%1").arg(ImportFormats::name(plan.columns.format))
          << QStringLiteral("文字コード：%1").arg(encodingName(plan.encoding)) << QString();
    lines << QStringLiteral("新しいタイトル：%1件").arg(plan.newTitles.size());
    if (!plan.newTitles.isEmpty()) lines << names(plan.newTitles);
    lines << QStringLiteral("情報を補うタイトル：%1件").arg(plan.filledTitles.size());
    if (!plan.filledTitles.isEmpty()) lines << names(plan.filledTitles);
    lines << QStringLiteral("追加する鑑賞履歴：%1件").arg(plan.viewingsAdded);
    if (plan.usesWord)
        lines << kIndent + QStringLiteral("タグのない鑑賞の鑑賞内容：「%1」").arg(plan.word);
    if (plan.viewingsThere > 0)
        lines << QStringLiteral("すでにある鑑賞履歴（追加しません）：%1件").arg(plan.viewingsThere);
    if (plan.unchangedRows > 0)
        lines << QStringLiteral("登録済みで変わらない行：%1件").arg(plan.unchangedRows);
    if (!plan.skipped.isEmpty()) {
        lines << QStringLiteral("取り込まない行：%1件").arg(plan.skipped.size());
        for (const ImportSkip& s : plan.skipped.mid(0, kSkipsListed))
            lines << kIndent + where(s.line) + cut(s.reason);
        if (plan.skipped.size() > kSkipsListed)
            lines << kIndent + QStringLiteral("ほか%1件").arg(plan.skipped.size() - kSkipsListed);
    }
    if (plan.titlesOverLimit > 0)
        lines << QStringLiteral("タイトルが%1件を超えるため取り込まない行：%2件")
                     .arg(kMaxRecords)
                     .arg(plan.titlesOverLimit);
    if (plan.viewingsOverLimit > 0)
        lines << QStringLiteral("鑑賞履歴が%1件を超えるため加えない鑑賞：%2件")
                     .arg(kMaxRecords)
                     .arg(plan.viewingsOverLimit);
    if (!plan.columns.ignored.isEmpty())
        lines << QStringLiteral("使わない列：%1")
                     .arg(plan.columns.ignored.join(QStringLiteral("、")));
    if (!plan.changes.isEmpty()) {
        lines << QString() << QStringLiteral("文字の変更：%1件").arg(plan.changes.size());
        for (const ImportChange& c : plan.changes) lines << change(c);
        if (plan.titlesMarked > 0)
            lines << kIndent + QStringLiteral(
                                   "〓を含むタイトルには、別の映画と一つにならないよう、"
                                   "もとの名前から作った「#」と4桁の印を付けます。");
    }
    if (plan.changesNothing()) lines << QString() << QStringLiteral("取り込むものはありません。");
    return lines.join(kCrLf) + kCrLf;
}

QString unknownFormat(const QString& fileName, const CsvFile& file) {
    if (file.header.isEmpty())
        return QStringLiteral("「%1」には、取り込める行がありません。").arg(fileName);
    return QStringLiteral(
               "「%1」の見出しの行（%2行目）から、取り込める形式がわかりませんでした。\r\n"
               "タイトルの列（「タイトル名」「タイトル」「Title」「Name」のどれか）が必要です。")
        .arg(fileName)
        .arg(file.headerLine);
}

QString done(const ImportPlan& plan, const QStringList& kept) {
    QString out = QStringLiteral(
                      "取り込みました。\r\n\r\n新しいタイトル：%1件\r\n情報を補ったタイトル：%2件"
                      "\r\n追加した鑑賞履歴：%3件")
                      .arg(plan.newTitles.size())
                      .arg(plan.filledTitles.size())
                      .arg(plan.viewingsAdded);
    if (!kept.isEmpty())
        out +=
            QStringLiteral("\r\n\r\n取り込む前のファイルを、同じフォルダーに%1として残しました。")
                .arg(QStringLiteral("「") + kept.join(QStringLiteral("」「")) +
                     QStringLiteral("」"));
    return out;
}

}  // namespace ImportPreview
