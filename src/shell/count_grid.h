#pragma once

#include "store/count_table.h"
#include "store/value_counts.h"

#include <QObject>
#include <QPair>
#include <QString>
#include <QVector>

#include <array>

class FlexGrid;
class QButtonGroup;
class QLabel;
class QRadioButton;
class QVBoxLayout;
class QWidget;

// A table of counts as the rankings and the viewing list show it: position,
// value and count in a grid (msgMaster<n>) under a caption, and three options
// below it (optMaster<n>1..3) that order it most first, fewest first, or by name
// (by date for months and years), numbering the positions anew. The rows are
// kept apart from the grid, so that every order is a sort of numbers.
class CountGrid : public QObject {
    Q_OBJECT
public:
    struct Layout {
        int number;                             // n of msgMaster<n> and optMaster<n><i>
        QString valueHeader;                    // over the value column
        int rankWidth, valueWidth, countWidth;  // twips
        bool periods;  // months or years: values centred, the third option "年順"
    };

    CountGrid(const Layout& layout, QWidget* parent);

    // The bold caption over a table.
    static QLabel* caption(const QString& text, QWidget* parent);
    // The caption over a table of months or years that a click switches between the
    // two; the screen that shows it handles the click.
    static QLabel* periodSwitch(const QString& name, const QString& text, QWidget* parent);

    FlexGrid* grid() const { return grid_; }
    QRadioButton* option(int i) const { return opt_[i]; }
    // The caption, the grid and its options, one above the other. Centred, the grid
    // and the options stand in the middle of the column; otherwise the grid fills it
    // and the options start at its left.
    QVBoxLayout* column(QWidget* caption, bool centred);

    // Empties the grid to its header row, laid out anew.
    void setUp();
    // The rows, in list order, become the table; most first is chosen anew, which
    // orders them and numbers the positions.
    void fill(const QVector<CountRow>& rows);
    template <typename Row>
    void fill(const QVector<Row>& rows) {
        QVector<CountRow> plain;
        plain.reserve(rows.size());
        for (const Row& r : rows) plain.append({r.value, r.count});
        fill(plain);
    }

    int size() const { return counts_.size(); }
    // Row i in the order shown, and where it stood in the rows given to fill.
    const CountRow& row(int i) const { return counts_.row(i); }
    int source(int i) const { return counts_.source(i); }
    // Value and count of every row in the order shown, as a chart draws them.
    QVector<QPair<QString, int>> shownRows() const;

private:
    // The option handlers (optMaster11_Click …): option i of this table.
    void optMaster_Click(int i);
    void selectMostFirst();
    void fitCountColumn();

    Layout layout_;
    FlexGrid* grid_;
    std::array<QRadioButton*, 4> opt_{};  // [1] most, [2] fewest, [3] by name or date
    QButtonGroup* group_;
    CountTable<CountRow> counts_;
};
