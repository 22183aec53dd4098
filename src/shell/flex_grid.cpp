#include "flex_grid.h"

#include "store/text_order.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QStyleOptionHeader>
#include <algorithm>
#include <cmath>
#include <numeric>
#include <string_view>
#include <vector>

namespace {

constexpr int kTwipsPerPixel = 15;

quint64 cellKey(int r, int c) { return (quint64(quint32(r)) << 32) | quint32(c); }
int keyRow(quint64 key) { return int(key >> 32); }
int keyCol(quint64 key) { return int(key & 0xffffffffu); }

// "inf" and "nan" parse as doubles but are not numbers a user typed, and NaN
// would break the ordering the sort relies on.
bool parseNumber(const QString& text, double* value) {
    bool ok = false;
    const double v = QStringView(text).trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v)) return false;
    *value = v;
    return true;
}

// Many styles paint the header bevel from their own colours and ignore the
// model's background, so a coloured header cell is painted flat here with the
// style's label on top; uncoloured cells keep the style's look.
class FlexGridHeader : public QHeaderView {
public:
    explicit FlexGridHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {}

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
        const QVariant back =
            model() ? model()->headerData(logicalIndex, orientation(), Qt::BackgroundRole)
                    : QVariant();
        if (!back.canConvert<QColor>()) {
            QHeaderView::paintSection(painter, rect, logicalIndex);
            return;
        }
        const QColor color = back.value<QColor>();
        QStyleOptionHeader opt;
        initStyleOption(&opt);
        initStyleOptionForIndex(&opt, logicalIndex);
        opt.rect = rect;
        opt.palette.setColor(QPalette::Button, color);
        opt.palette.setColor(QPalette::Window, color);
        painter->save();
        painter->fillRect(rect, color);
        painter->setPen(palette().color(QPalette::Mid));
        painter->drawLine(rect.topRight(), rect.bottomRight());
        painter->drawLine(rect.bottomLeft(), rect.bottomRight());
        if (opt.sortIndicator != QStyleOptionHeader::None) {
            QStyleOptionHeader arrow = opt;
            arrow.rect = style()->subElementRect(QStyle::SE_HeaderArrow, &opt, this);
            // A section too narrow for the mark beside its text takes it above the text.
            if (fontMetrics().horizontalAdvance(opt.text) + 2 * arrow.rect.width() > rect.width())
                arrow.rect = QRect(rect.center().x() - 5, rect.top(), 11, 6);
            style()->drawPrimitive(QStyle::PE_IndicatorHeaderArrow, &arrow, painter, this);
        }
        style()->drawControl(QStyle::CE_HeaderLabel, &opt, painter, this);
        painter->restore();
    }
};

}  // namespace

// ---- Model ----

int FlexGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(cells_.size());
}

int FlexGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : cols_;
}

Qt::Alignment FlexGridModel::shownAlignment(Qt::Alignment a, const QString& text) {
    Qt::Alignment h = a & Qt::AlignHorizontal_Mask;
    if (!h) {
        double ignored;
        h = parseNumber(text, &ignored) ? Qt::AlignRight : Qt::AlignLeft;
    }
    return h | Qt::AlignVCenter;
}

QVariant FlexGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(cells_.size()) || index.column() >= cols_) {
        return {};
    }
    const int c = index.column();
    const QString& text = cells_[index.row()][c];
    const bool fixed = c < fixedCols_;
    switch (role) {
        case Qt::DisplayRole:
            return text;
        case Qt::TextAlignmentRole:
            return int(shownAlignment(fixed ? fixedAlign_[c] : colAlign_[c], text));
        case Qt::BackgroundRole: {
            const auto it = backColors_.constFind(cellKey(index.row() + 1, c));
            if (it != backColors_.constEnd()) return *it;
            if (fixed) return QGuiApplication::palette().color(QPalette::Button);
            return {};
        }
        case Qt::ForegroundRole:
            if (fixed) return QGuiApplication::palette().color(QPalette::ButtonText);
            return {};
        default:
            return {};
    }
}

QVariant FlexGridModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o != Qt::Horizontal || section < 0 || section >= cols_) return {};
    switch (role) {
        case Qt::DisplayRole:
            return header_[section];
        case Qt::TextAlignmentRole:
            return int(shownAlignment(fixedAlign_[section], header_[section]));
        case Qt::BackgroundRole: {
            const auto it = backColors_.constFind(cellKey(0, section));
            if (it != backColors_.constEnd()) return *it;
            return {};
        }
        default:
            return {};
    }
}

Qt::ItemFlags FlexGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    // Fixed cells still take clicks but never join the row selection.
    if (index.column() < fixedCols_) return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void FlexGridModel::dropColorsOutside(int rows, int cols) {
    backColors_.removeIf([rows, cols](const QHash<quint64, QColor>::iterator& it) {
        return keyRow(it.key()) >= rows || keyCol(it.key()) >= cols;
    });
}

void FlexGridModel::setRows(int rows) {
    const int body = std::max(rows, 1) - 1;
    const int old = int(cells_.size());
    if (body > old) {
        beginInsertRows({}, old, body - 1);
        cells_.reserve(body);
        while (int(cells_.size()) < body) cells_.append(QStringList(cols_, QString()));
        rowData_.resize(body, 0);
        endInsertRows();
    } else if (body < old) {
        beginRemoveRows({}, body, old - 1);
        cells_.resize(body);
        rowData_.resize(body);
        dropColorsOutside(body + 1, cols_);
        endRemoveRows();
    }
}

void FlexGridModel::setCols(int cols) {
    cols = std::max(cols, 0);
    if (cols == cols_) return;
    if (cols > cols_) {
        beginInsertColumns({}, cols_, cols - 1);
    } else {
        beginRemoveColumns({}, cols, cols_ - 1);
    }
    for (QStringList& row : cells_) row.resize(cols);
    header_.resize(cols);
    colAlign_.resize(cols, AlignGeneral);
    fixedAlign_.resize(cols, AlignGeneral);
    const bool growing = cols > cols_;
    cols_ = cols;
    if (growing) {
        endInsertColumns();
    } else {
        dropColorsOutside(Rows(), cols_);
        endRemoveColumns();
    }
}

QString FlexGridModel::TextMatrix(int r, int c) const {
    if (r < 0 || r >= Rows() || c < 0 || c >= cols_) return {};
    return r == 0 ? header_[c] : cells_[r - 1][c];
}

void FlexGridModel::setTextMatrix(int r, int c, const QString& text) {
    if (r < 0 || r >= Rows() || c < 0 || c >= cols_) return;
    if (r == 0) {
        header_[c] = text;
        emit headerDataChanged(Qt::Horizontal, c, c);
    } else {
        cells_[r - 1][c] = text;
        const QModelIndex i = index(r - 1, c);
        emit dataChanged(i, i, {Qt::DisplayRole, Qt::TextAlignmentRole});
    }
}

qint64 FlexGridModel::RowData(int r) const {
    return r >= 1 && r < Rows() ? rowData_[r - 1] : 0;
}

void FlexGridModel::setRowData(int r, qint64 value) {
    if (r >= 1 && r < Rows()) rowData_[r - 1] = value;
}

void FlexGridModel::setBody(QVector<QStringList> rows, QVector<qint64> rowData) {
    beginResetModel();
    for (QStringList& row : rows) row.resize(cols_);
    rowData.resize(rows.size(), 0);
    cells_ = std::move(rows);
    rowData_ = std::move(rowData);
    dropColorsOutside(Rows(), cols_);
    endResetModel();
}

void FlexGridModel::Clear() {
    for (QString& h : header_) h.clear();
    for (QStringList& row : cells_) {
        for (QString& cell : row) cell.clear();
    }
    if (cols_ == 0) return;
    emit headerDataChanged(Qt::Horizontal, 0, cols_ - 1);
    if (!cells_.isEmpty()) {
        emit dataChanged(index(0, 0), index(int(cells_.size()) - 1, cols_ - 1),
                         {Qt::DisplayRole, Qt::TextAlignmentRole});
    }
}

void FlexGridModel::setFixedCols(int n) {
    n = std::clamp(n, 0, 1);
    if (n == fixedCols_) return;
    fixedCols_ = n;
    if (cols_ > 0 && !cells_.isEmpty()) {
        emit dataChanged(index(0, 0), index(int(cells_.size()) - 1, 0));
    }
}

void FlexGridModel::setColAlignment(int c, Qt::Alignment a) {
    if (c < 0 || c >= cols_) return;
    colAlign_[c] = a;
    if (!cells_.isEmpty()) {
        emit dataChanged(index(0, c), index(int(cells_.size()) - 1, c), {Qt::TextAlignmentRole});
    }
}

void FlexGridModel::setFixedAlignment(int c, Qt::Alignment a) {
    if (c < 0 || c >= cols_) return;
    fixedAlign_[c] = a;
    emit headerDataChanged(Qt::Horizontal, c, c);
    if (c < fixedCols_ && !cells_.isEmpty()) {
        emit dataChanged(index(0, c), index(int(cells_.size()) - 1, c), {Qt::TextAlignmentRole});
    }
}

void FlexGridModel::setCellBackColor(int r, int c, const QColor& color) {
    if (r < 0 || r >= Rows() || c < 0 || c >= cols_) return;
    // An invalid colour returns the cell to its default look.
    if (color.isValid()) {
        backColors_.insert(cellKey(r, c), color);
    } else {
        backColors_.remove(cellKey(r, c));
    }
    if (r == 0) {
        emit headerDataChanged(Qt::Horizontal, c, c);
    } else {
        const QModelIndex i = index(r - 1, c);
        emit dataChanged(i, i, {Qt::BackgroundRole});
    }
}

QColor FlexGridModel::cellBackColor(int r, int c) const { return backColors_.value(cellKey(r, c)); }

void FlexGridModel::sortRows(int c, SortOrder order) {
    const int n = int(cells_.size());
    if (c < 0 || c >= cols_ || n < 2) return;

    // order[i] = old body row that ends up at body row i. Keys are prepared
    // once so each comparison is only a few machine operations.
    std::vector<int> perm(n);
    std::iota(perm.begin(), perm.end(), 0);
    if (order == SortOrder::NumericAscending || order == SortOrder::NumericDescending) {
        std::vector<double> value(n);
        std::vector<char> isNumber(n);
        for (int i = 0; i < n; ++i) isNumber[i] = parseNumber(cells_[i][c], &value[i]);
        auto less = [&](int a, int b) {
            if (isNumber[a] != isNumber[b]) return !isNumber[a];
            return isNumber[a] && value[a] < value[b];
        };
        if (order == SortOrder::NumericAscending) {
            std::stable_sort(perm.begin(), perm.end(), less);
        } else {
            std::stable_sort(perm.begin(), perm.end(), [&](int a, int b) { return less(b, a); });
        }
    } else {
        // Code page 932 order, as the files hold the text; letter case counts.
        std::vector<QByteArray> text(n);
        for (int i = 0; i < n; ++i) text[i] = TextOrder::key(cells_[i][c]);
        if (order == SortOrder::TextAscending) {
            std::stable_sort(perm.begin(), perm.end(),
                             [&](int a, int b) { return text[a] < text[b]; });
        } else {
            std::stable_sort(perm.begin(), perm.end(),
                             [&](int a, int b) { return text[b] < text[a]; });
        }
    }
    if (std::is_sorted(perm.begin(), perm.end())) return;  // nothing moves

    std::vector<int> newRowOf(n);
    for (int i = 0; i < n; ++i) newRowOf[perm[i]] = i;

    emit layoutAboutToBeChanged({}, VerticalSortHint);
    QVector<QStringList> sorted;
    sorted.reserve(n);
    for (int i = 0; i < n; ++i) sorted.append(std::move(cells_[perm[i]]));
    cells_ = std::move(sorted);
    QVector<qint64> data(n);
    for (int i = 0; i < n; ++i) data[i] = rowData_[perm[i]];
    rowData_ = std::move(data);

    QHash<quint64, QColor> colors;
    colors.reserve(backColors_.size());
    for (auto it = backColors_.cbegin(); it != backColors_.cend(); ++it) {
        const int r = keyRow(it.key());
        colors.insert(r == 0 ? it.key() : cellKey(newRowOf[r - 1] + 1, keyCol(it.key())), *it);
    }
    backColors_ = std::move(colors);

    // Selection and the view's current cell stay with the row that moved.
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& i : from) to.append(index(newRowOf[i.row()], i.column()));
    changePersistentIndexList(from, to);
    emit layoutChanged({}, VerticalSortHint);
}

// ---- View ----

FlexGrid::FlexGrid(QWidget* parent) : QTableView(parent), model_(new FlexGridModel(this)) {
    setHorizontalHeader(new FlexGridHeader(this));
    setModel(model_);

    setEditTriggers(NoEditTriggers);
    setSelectionBehavior(SelectRows);
    setSelectionMode(SingleSelection);
    setAlternatingRowColors(false);
    setSortingEnabled(false);
    setWordWrap(false);

    QHeaderView* top = horizontalHeader();
    top->setSortIndicatorShown(false);
    top->setSectionsClickable(true);  // a replaced header starts unclickable
    top->setHighlightSections(false);
    top->setStretchLastSection(false);
    top->setSectionResizeMode(QHeaderView::Interactive);
    // The style's minimum follows the font and would widen narrow columns: a
    // grid's columns are as wide as the screen sets them, however narrow.
    top->setMinimumSectionSize(0);

    // One fixed height for every row keeps tens of thousands of rows cheap
    // to lay out and scroll.
    QHeaderView* side = verticalHeader();
    side->hide();
    const int rowHeight = fontMetrics().height() + 6;
    side->setMinimumSectionSize(rowHeight);
    side->setDefaultSectionSize(rowHeight);
    side->setSectionResizeMode(QHeaderView::Fixed);

    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& i) {
        row_ = i.row() + 1;
        col_ = i.column();
        emit Click();
    });
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& i) {
        row_ = i.row() + 1;
        col_ = i.column();
        emit DblClick();
    });
    connect(top, &QHeaderView::sectionClicked, this, [this](int section) {
        row_ = 0;
        col_ = section;
        emit Click();
    });
    // The header is row 0 of the grid: a double click there is one on the grid too.
    connect(top, &QHeaderView::sectionDoubleClicked, this, [this](int section) {
        row_ = 0;
        col_ = qMax(0, section);
        emit DblClick();
    });
    connect(top, &QHeaderView::sectionHandleDoubleClicked, this, [this](int section) {
        row_ = 0;
        col_ = qMax(0, section);
        emit DblClick();
    });
    // The header moves its indicator to a clicked section by itself; where the
    // grid shows marks, only setSortMark moves it.
    connect(top, &QHeaderView::sortIndicatorChanged, this, [this, top](int c, Qt::SortOrder o) {
        if (top->isSortIndicatorShown() && (c != markCol_ || o != markOrder_))
            top->setSortIndicator(markCol_, markOrder_);
    });
}

void FlexGrid::setSortMark(int c, Qt::SortOrder order) {
    markCol_ = c < 0 ? -1 : c;
    markOrder_ = order;
    QHeaderView* top = horizontalHeader();
    top->setSortIndicatorShown(true);
    top->setSortIndicator(markCol_, markOrder_);
}

// A double click below the last row (or on a grid with no rows yet) is still
// a double click on the grid; no data row is current then.
void FlexGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton || indexAt(event->position().toPoint()).isValid()) return;
    row_ = 0;
    col_ = qMax(0, columnAt(event->position().toPoint().x()));
    emit DblClick();
}

void FlexGrid::setCols(int c) {
    model_->setCols(c);
    if (widthsTwips_.size() > Cols()) widthsTwips_.resize(Cols());
}

void FlexGrid::setColWidth(int c, int twips) {
    if (c < 0 || c >= Cols()) return;
    twips = std::max(twips, 0);
    if (widthsTwips_.size() < Cols()) widthsTwips_.resize(Cols(), -1);
    widthsTwips_[c] = twips;
    setColumnWidth(c, pixelsOf(twips));
}

int FlexGrid::ColWidth(int c) const {
    if (c < 0 || c >= Cols()) return 0;
    // The width given, unless the column was resized since.
    const int given = widthsTwips_.value(c, -1);
    if (given >= 0 && pixelsOf(given) == columnWidth(c)) return given;
    return columnWidth(c) * kTwipsPerPixel;
}

int FlexGrid::pixelsOf(int twips) { return qRound(twips / double(kTwipsPerPixel)); }

void FlexGrid::setTopRow(int r) {
    if (r < 1 || r >= Rows() || Cols() == 0) return;
    // Right after a fill the scroll range may still describe the old rows.
    updateGeometries();
    scrollTo(model_->index(r - 1, std::max(columnAt(0), 0)), PositionAtTop);
}

int FlexGrid::TopRow() const {
    const int r = rowAt(0);
    return r < 0 ? 1 : r + 1;
}

void FlexGrid::setUpHeader(const QStringList& headers, const QList<int>& widthsTwips) {
    setCols(int(headers.size()));
    setRows(1);
    for (int c = 0; c < headers.size(); ++c) {
        setColWidth(c, widthsTwips.value(c));
        setTextMatrix(0, c, headers[c]);
        setFixedAlignment(c, Qt::AlignCenter);
    }
}
