#include "csv_export.h"

#include "kansyou_table.h"
#include "title_table.h"

namespace CsvExport {

namespace {
void appendField(QString* out, const QString& field) {
    const bool quote = field.contains(u',') || field.contains(u'"') || field.contains(u'\r') ||
                       field.contains(u'\n');
    if (!quote) {
        out->append(field);
        return;
    }
    out->append(u'"');
    for (QChar c : field) {
        if (c == u'"') out->append(u'"');
        out->append(c);
    }
    out->append(u'"');
}
}  // namespace

QByteArray document(const QVector<QStringList>& rows) {
    QString text;
    for (const QStringList& row : rows) {
        for (int i = 0; i < row.size(); ++i) {
            if (i > 0) text.append(u',');
            appendField(&text, row[i]);
        }
        text.append(QStringLiteral("\r\n"));
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

QVector<QStringList> titleRows(const TitleTable& titles, const std::array<QString, 8>& hyouka,
                               const std::array<QString, 5>& syoyu) {
    QVector<QStringList> rows;
    rows.reserve(titles.TitleCount() + 1);
    QStringList header = {QStringLiteral("タイトル"), QStringLiteral("監督"),
                          QStringLiteral("主演"),     QStringLiteral("公開日"),
                          QStringLiteral("国"),       QStringLiteral("ジャンル"),
                          QStringLiteral("評価")};
    for (int k = 1; k <= kScoreItems; ++k) header << hyouka[k];
    for (int k = 1; k <= kOwnershipItems; ++k) header << syoyu[k];
    rows.append(header);
    for (int n = 1; n <= titles.TitleCount(); ++n) {
        const Title& t = titles[n];
        QStringList row = {t.Daimei, t.Kantoku, t.Syuen, t.Koukai, t.Kuni, t.Janru, t.Hyouka};
        for (int k = 1; k <= kScoreItems; ++k) row << QString::number(t.HyoukaTen[k]);
        for (int k = 1; k <= kOwnershipItems; ++k) row << t.Syoyu[k];
        rows.append(row);
    }
    return rows;
}

QVector<QStringList> historyRows(const KansyouTable& history) {
    QVector<QStringList> rows;
    rows.reserve(history.KansyouCount() + 1);
    rows.append({QStringLiteral("鑑賞日"), QStringLiteral("タイトル"), QStringLiteral("鑑賞内容")});
    for (const Kansyou& k : history.records())
        rows.append({k.Kansyoubi, k.KansyouDaimei, k.KansyouNaiyou});
    return rows;
}

}  // namespace CsvExport
