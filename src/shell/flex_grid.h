#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QTableView>
#include <QVector>

// The one grid of the program, in the terms the screens use: Rows × Cols
// cells of text, row 0 the fixed header row, optionally column 0 fixed too.
// Model column c is grid column c; model row r − 1 is grid row r; row 0 is
// the horizontal header. The model holds plain strings so that 30,000 rows
// fill in milliseconds.
class FlexGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // An alignment with no horizontal part is "general": text left, numbers
    // right. Vertical placement is always centred.
    static constexpr Qt::Alignment AlignGeneral{};

    // Grid coordinates (row 0 = header).
    int Rows() const { return int(cells_.size()) + 1; }
    int Cols() const { return cols_; }
    void setRows(int rows);
    void setCols(int cols);
    QString TextMatrix(int r, int c) const;
    void setTextMatrix(int r, int c, const QString& text);
    // Replaces every body row at once (each inner list is padded or cut to Cols).
    // rowData, when given, holds one number per row (see RowData).
    void setBody(QVector<QStringList> rows, QVector<qint64> rowData = {});
    // A number the screen keeps with each body row (0 unless set); it moves with
    // its row when the rows are sorted. Row 0 has none.
    qint64 RowData(int r) const;
    void setRowData(int r, qint64 value);
    void Clear();

    void setFixedCols(int n);  // 0 or 1
    int fixedCols() const { return fixedCols_; }
    void setColAlignment(int c, Qt::Alignment a);
    void setFixedAlignment(int c, Qt::Alignment a);
    void setCellBackColor(int r, int c, const QColor& color);
    QColor cellBackColor(int r, int c) const;

    enum class SortOrder { NumericAscending, NumericDescending, TextAscending, TextDescending };
    // Reorders every body row by column c, moving whole rows (with their cell
    // colours); stable. Numeric orders put cells that hold no number below
    // every number. Text orders compare code page 932 bytes (TextOrder).
    void sortRows(int c, SortOrder order);

private:
    static Qt::Alignment shownAlignment(Qt::Alignment a, const QString& text);
    void dropColorsOutside(int rows, int cols);

    QVector<QStringList> cells_;  // body rows only
    QVector<qint64> rowData_;     // one per body row
    QStringList header_;
    int cols_ = 0;
    int fixedCols_ = 0;
    QVector<Qt::Alignment> colAlign_;
    QVector<Qt::Alignment> fixedAlign_;
    QHash<quint64, QColor> backColors_;
};

// The view: the current cell, column widths in twips, the first visible row,
// and the Click and DblClick events with the clicked cell made current. A
// click on a header cell is a click on row 0.
class FlexGrid : public QTableView {
    Q_OBJECT
public:
    explicit FlexGrid(QWidget* parent = nullptr);

    FlexGridModel* grid() const { return model_; }

    int Rows() const { return model_->Rows(); }
    int Cols() const { return model_->Cols(); }
    void setRows(int r) { model_->setRows(r); }
    void setCols(int c);
    QString TextMatrix(int r, int c) const { return model_->TextMatrix(r, c); }
    void setTextMatrix(int r, int c, const QString& t) { model_->setTextMatrix(r, c, t); }
    void Clear() { model_->Clear(); }
    qint64 RowData(int r) const { return model_->RowData(r); }
    void setRowData(int r, qint64 v) { model_->setRowData(r, v); }

    int Row() const { return row_; }
    int Col() const { return col_; }
    void setRow(int r) { row_ = r; }
    void setCol(int c) { col_ = c; }
    QString Text() const { return model_->TextMatrix(row_, col_); }
    void setText(const QString& t) { model_->setTextMatrix(row_, col_, t); }

    void setColWidth(int c, int twips);
    int ColWidth(int c) const;
    void setColAlignment(int c, Qt::Alignment a) { model_->setColAlignment(c, a); }
    void setFixedAlignment(int c, Qt::Alignment a) { model_->setFixedAlignment(c, a); }
    void setFixedCols(int n) { model_->setFixedCols(n); }
    void setCellBackColor(const QColor& color) { model_->setCellBackColor(row_, col_, color); }
    void setTopRow(int r);
    // The usual set-up: header row only, these header texts and widths in
    // twips, fixed cells centred.
    void setUpHeader(const QStringList& headers, const QList<int>& widthsTwips);
    int TopRow() const;
    // Sorts by the current column (Col).
    void sort(FlexGridModel::SortOrder order) { model_->sortRows(col_, order); }
    // Marks column c in the header as the order shown (Qt's sort indicator); c < 0
    // marks none. Only a mark: the grid still sorts through sort() alone, and a
    // header click that sorts nothing leaves the mark where it was.
    void setSortMark(int c, Qt::SortOrder order = Qt::AscendingOrder);

signals:
    void Click();
    void DblClick();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    static int pixelsOf(int twips);

    FlexGridModel* model_;
    int row_ = 0;
    int col_ = 0;
    QVector<int> widthsTwips_;  // as given to setColWidth, -1 for none
    int markCol_ = -1;
    Qt::SortOrder markOrder_ = Qt::AscendingOrder;
};
