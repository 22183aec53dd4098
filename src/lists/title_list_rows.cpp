#include "title_list_rows.h"

#include "store/data_dir.h"
#include "store/title_table.h"

namespace TitleListRows {

namespace {
constexpr quint32 kPink = 0xFFC0C0, kOrange = 0xFFE0C0, kYellow = 0xFFFFC0, kGreen = 0xC0FFC0,
                  kCyan = 0xC0FFFF, kBlue = 0xC0C0FF;
constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;
constexpr Qt::Alignment kCentre = Qt::AlignCenter;
constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;
constexpr Qt::Alignment kGeneral{};

const QString kTitleHeader = QStringLiteral("タイトル名");

// Scores repeat a few small numbers over tens of thousands of rows: one shared
// text for each saves an allocation per cell.
QString numberText(int v) {
    static const QVector<QString> texts = [] {
        QVector<QString> t;
        for (int i = 0; i <= 100; ++i) t.append(QString::number(i));
        return t;
    }();
    return v >= 0 && v < texts.size() ? texts[v] : QString::number(v);
}
}  // namespace

QVector<Column> mainColumns() {
    return {
        {kTitleHeader, 3000, kLeft, kPink, SortKind::None},
        {QStringLiteral("監督"), 1970, kLeft, kOrange, SortKind::Text},
        {QStringLiteral("主演"), 1970, kLeft, kYellow, SortKind::Text},
        {QStringLiteral("公開日"), 1200, kCentre, kGreen, SortKind::Text},
        {QStringLiteral("国"), 1400, kGeneral, kCyan, SortKind::Text},
        {QStringLiteral("ジャンル"), 1530, kLeft, kBlue, SortKind::Text},
    };
}

QVector<Column> scoreColumns(const std::array<QString, 8>& hyoukaKoumoku) {
    QVector<Column> cols = {
        {kTitleHeader, 3000, kLeft, kPink, SortKind::None},
        {QStringLiteral("評"), 430, kCentre, kOrange, SortKind::Text},
        {hyoukaKoumoku[1], 1000, kRight, kYellow, SortKind::Number},
    };
    for (int k = 2; k <= 7; ++k)
        cols.append({hyoukaKoumoku[k], 1000, kRight, kGreen, SortKind::Number});
    cols.append({QStringLiteral("得点"), 590, kRight, kCyan, SortKind::Number});
    return cols;
}

QVector<Column> ownershipColumns(const std::array<QString, 5>& syoyuKoumoku) {
    QVector<Column> cols = {{kTitleHeader, 3000, kLeft, kPink, SortKind::None}};
    for (int k = 1; k <= 4; ++k)
        cols.append({syoyuKoumoku[k], 1150, kCentre, kOrange, SortKind::Text});
    cols.append({QStringLiteral("キャスト"), 1150, kCentre, kYellow, SortKind::Text});
    cols.append({QStringLiteral("あらすじ"), 1140, kCentre, kGreen, SortKind::Text});
    cols.append({QStringLiteral("感想・メモ"), 1140, kCentre, kCyan, SortKind::Text});
    return cols;
}

// Summed in int: a damaged file may hold scores whose 16-bit sum would wrap.
int scoreTotal(const Title& t) {
    int total = 0;
    for (int k = 2; k <= 7; ++k) total += t.HyoukaTen[k];
    return total;
}

QVector<QStringList> mainRows(const TitleTable& titles) {
    QVector<QStringList> rows;
    rows.reserve(titles.TitleCount());
    for (int i = 1; i <= titles.TitleCount(); ++i) {
        const Title& t = titles[i];
        rows.append({t.Daimei, t.Kantoku, t.Syuen, t.Koukai, t.Kuni, t.Janru});
    }
    return rows;
}

QVector<QStringList> scoreRows(const TitleTable& titles) {
    QVector<QStringList> rows;
    rows.reserve(titles.TitleCount());
    for (int i = 1; i <= titles.TitleCount(); ++i) {
        const Title& t = titles[i];
        QStringList row;
        row.reserve(10);
        row << t.Daimei << t.Hyouka;
        for (int k = 1; k <= 7; ++k) row << numberText(t.HyoukaTen[k]);
        row << numberText(scoreTotal(t));
        rows.append(std::move(row));
    }
    return rows;
}

QVector<QStringList> ownershipRows(const TitleTable& titles, const DataDir& dir) {
    const QString prefixes[] = {QStringLiteral("キャスト_"), QStringLiteral("あらすじ_"),
                                QStringLiteral("メモ_")};
    QVector<QStringList> rows;
    rows.reserve(titles.TitleCount());
    QString name;  // the free text's file name, built in one buffer for every test
    name.reserve(64);
    for (int i = 1; i <= titles.TitleCount(); ++i) {
        const Title& t = titles[i];
        QStringList row;
        row.reserve(8);
        row << t.Daimei;
        for (int k = 1; k <= 4; ++k) row << t.Syoyu[k];
        for (const QString& prefix : prefixes) {
            name.truncate(0);
            name.append(prefix).append(t.Daimei).append(u".txt");
            row << (dir.exists(name) ? kOwned : QString());
        }
        rows.append(std::move(row));
    }
    return rows;
}

}  // namespace TitleListRows
