#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

#include <array>

class DataDir;
class TitleTable;
struct Title;

// What the three title lists show: the columns of each grid and one row of
// text per title, in table order. Column 0 is always the title name, the only
// link from a row back to its title.
namespace TitleListRows {

enum class List { Main = 1, Scores = 2, Ownership = 3 };
enum class SortKind { None, Text, Number };

struct Column {
    QString header;
    int widthTwips;
    Qt::Alignment alignment;  // of the body cells; no horizontal part means "general"
    quint32 headerRgb;        // 0xRRGGBB
    SortKind sort;            // what a click in the column does
};

// The columns of each grid; the item names of the masters head the score and
// ownership columns.
QVector<Column> mainColumns();
QVector<Column> scoreColumns(const std::array<QString, 8>& hyoukaKoumoku);
QVector<Column> ownershipColumns(const std::array<QString, 5>& syoyuKoumoku);

// The sum of the scores of items 2 to 7; item 1 is on another scale.
int scoreTotal(const Title& t);

QVector<QStringList> mainRows(const TitleTable& titles);
QVector<QStringList> scoreRows(const TitleTable& titles);
// The "○" marks of the free texts follow the data directory's index.
QVector<QStringList> ownershipRows(const TitleTable& titles, const DataDir& dir);

}  // namespace TitleListRows
