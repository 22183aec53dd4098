#include "read_problem.h"

#include "title_table.h"

#include <QStringList>

namespace {
const QString kNewLine = QStringLiteral("\r\n");

QString listed(const QVector<LineNote>& notes, const QString& head) {
    QStringList lines{head.arg(notes.size())};
    for (qsizetype i = 0; i < qMin(notes.size(), qsizetype(kNotesListed)); ++i)
        lines << QStringLiteral("・%1行目（%2件目）：%3")
                     .arg(notes[i].line)
                     .arg(notes[i].record)
                     .arg(notes[i].text);
    if (notes.size() > kNotesListed)
        lines << QStringLiteral("・ほか%1件").arg(notes.size() - kNotesListed);
    return lines.join(kNewLine);
}
}  // namespace

QString irregularField(const QString& name, bool textAfterQuote, bool quoteInside) {
    QStringList what;
    if (textAfterQuote)
        what << QStringLiteral("%1の閉じる引用符の後の文字を読み捨てました").arg(name);
    if (quoteInside) what << QStringLiteral("%1が引用符で始まらず、中に引用符があります").arg(name);
    return what.join(QStringLiteral("。"));
}

void ReadProblem::describe(const QString& noun) {
    QStringList parts;
    if (!skipped.isEmpty())
        parts << listed(skipped,
                        QStringLiteral("読み込めないレコードが%1件あり、読まずに飛ばしました。"));
    if (!irregular.isEmpty())
        parts << listed(irregular, QStringLiteral("このプログラムが書かない形のレコードが%1件あり、"
                                                  "読める範囲で読み込みました。"));
    if (!outOfRange.isEmpty())
        parts << listed(outOfRange,
                        QStringLiteral("範囲の外の値が%1件あり、読んだとおりに残しました。"));
    if (overLimit > 0)
        parts << QStringLiteral(
                     "%1が上限の%2件を超えるため、%3行目から後の%4件は"
                     "読み込みませんでした。")
                     .arg(noun)
                     .arg(kMaxRecords)
                     .arg(overLimitLine)
                     .arg(overLimit);
    what = parts.join(kNewLine + kNewLine);
}

QString ReadProblem::keptSentence(const QString& noun) const {
    const int left = int(skipped.size()) + overLimit;
    if (left == 0) return QStringLiteral("%1%2件を読み込みました。").arg(noun).arg(kept);
    return QStringLiteral("%1%2件を読み込み、読み込めなかった%3件を飛ばしました。")
        .arg(noun)
        .arg(kept)
        .arg(left);
}

QString ReadProblem::foreignWhat() const {
    if (foreign.isEmpty()) return {};
    QStringList lines{QStringLiteral("シフトJIS（コードページ932）で書けない文字が%1か所あります。")
                          .arg(foreign.size())};
    for (qsizetype i = 0; i < qMin(foreign.size(), qsizetype(kNotesListed)); ++i) {
        const ForeignChar& f = foreign[i];
        lines << QStringLiteral("・%1行目「%2」の「%3」→%4")
                     .arg(f.line)
                     .arg(f.value, f.original,
                          f.replacement.isEmpty() ? QStringLiteral("（消す）")
                                                  : QStringLiteral("「%1」").arg(f.replacement));
    }
    if (foreign.size() > kNotesListed)
        lines << QStringLiteral("・ほか%1か所").arg(foreign.size() - kNotesListed);
    return lines.join(kNewLine);
}
