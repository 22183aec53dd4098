#include "grid_print.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>
#include <QHeaderView>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTableView>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace GridPrint {

namespace {
const QMarginsF kMarginsMm(12, 12, 12, 12);
constexpr double kBodyPoints = 9;
constexpr double kHeadingPoints = 13;
// Wider than this on screen, a list is printed across the page.
constexpr double kUprightWidthPx = 1000;

Qt::Alignment horizontal(const QVariant& v) {
    return Qt::Alignment(v.toInt()) & Qt::AlignHorizontal_Mask;
}

bool isNumber(const QString& text) {
    bool ok = false;
    text.trimmed().toDouble(&ok);
    return ok;
}
}  // namespace

Sheet sheetOf(const QTableView& view, const QString& heading) {
    Sheet s;
    s.heading = heading;
    const QAbstractItemModel* m = view.model();
    if (!m) return s;
    const QHeaderView* h = view.horizontalHeader();
    QVector<int> cols;
    for (int v = 0; v < h->count(); ++v) {
        const int c = h->logicalIndex(v);
        if (h->isSectionHidden(c) || view.columnWidth(c) <= 0) continue;
        cols << c;
        s.header << m->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        s.widths << view.columnWidth(c);
        const QVariant fill = m->headerData(c, Qt::Horizontal, Qt::BackgroundRole);
        s.headerFill << (fill.canConvert<QColor>() ? fill.value<QColor>() : QColor());
    }
    s.align.fill(Qt::AlignLeft, cols.size());
    QVector<bool> seen(cols.size(), false);
    const int rows = m->rowCount();
    s.rows.reserve(rows);
    for (int r = 0; r < rows; ++r) {
        if (view.isRowHidden(r)) continue;
        QStringList row;
        row.reserve(cols.size());
        for (int i = 0; i < cols.size(); ++i) {
            const QModelIndex at = m->index(r, cols[i]);
            row << m->data(at, Qt::DisplayRole).toString();
            // A column whose cells are placed differently is placed cell by cell.
            const Qt::Alignment a = horizontal(m->data(at, Qt::TextAlignmentRole));
            if (!seen[i]) {
                seen[i] = true;
                s.align[i] = a;
            } else if (s.align[i] != a) {
                s.align[i] = Qt::Alignment();
            }
        }
        s.rows.append(std::move(row));
    }
    return s;
}

Sheet sheetOfRows(const QVector<QStringList>& rows, const QString& heading) {
    Sheet s;
    s.heading = heading;
    if (rows.isEmpty()) return s;
    s.header = rows.first();
    s.rows = rows.mid(1);
    s.widths.fill(1, s.header.size());
    s.align.fill(Qt::AlignLeft, s.header.size());
    s.headerFill.fill(QColor(), s.header.size());
    return s;
}

Paging paging(const QVector<double>& shownWidths, double pageWidth, int rowCount, double bodyHeight,
              double rowHeight) {
    Paging p;
    p.rowsPerPage = rowHeight > 0 ? std::max(1, int(std::floor(bodyHeight / rowHeight))) : 1;
    p.pages = std::max(1, (rowCount + p.rowsPerPage - 1) / p.rowsPerPage);
    const double total = std::accumulate(shownWidths.begin(), shownWidths.end(), 0.0);
    for (double w : shownWidths)
        p.widths << (total > 0 ? w * pageWidth / total : pageWidth / shownWidths.size());
    return p;
}

QString pageNumber(int page, int pages) { return QStringLiteral("%1 / %2").arg(page).arg(pages); }

bool landscape(const Sheet& sheet) {
    // Widths of a list are in pixels; one with no widths of its own is upright.
    return std::accumulate(sheet.widths.begin(), sheet.widths.end(), 0.0) > kUprightWidthPx;
}

QFont printFont(double pointSize) {
    static const QString family = [] {
        const QStringList have = QFontDatabase::families();
        for (const char* f : {"Noto Sans CJK JP", "IPAGothic", "IPAexGothic"})
            if (have.contains(QLatin1String(f))) return QString::fromLatin1(f);
        const QStringList japanese = QFontDatabase::families(QFontDatabase::Japanese);
        return japanese.isEmpty() ? QString() : japanese.first();
    }();
    QFont font;
    if (!family.isEmpty()) font.setFamily(family);
    font.setPointSizeF(pointSize);
    return font;
}

namespace {
// A cell's text as it fits its column, and how wide that is. Lists repeat their
// values (directors, countries, scores): each is measured once.
struct Fitted {
    QString text;
    double advance = 0;
};

class CellFitter {
public:
    CellFitter(const QFontMetricsF& metrics, double width) : fm_(metrics), width_(width) {}
    const Fitted& operator()(const QString& text) {
        auto it = cache_.constFind(text);
        if (it != cache_.constEnd()) return *it;
        Fitted f{text, fm_.horizontalAdvance(text)};
        if (f.advance > width_) {
            f.text = fm_.elidedText(text, Qt::ElideRight, width_);
            f.advance = fm_.horizontalAdvance(f.text);
        }
        return *cache_.insert(text, f);
    }

private:
    const QFontMetricsF& fm_;
    double width_;
    QHash<QString, Fitted> cache_;
};
}  // namespace

bool paint(QPagedPaintDevice& device, const Sheet& sheet, const Progress& progress) {
    QPainter p;
    if (!p.begin(&device)) return false;
    const QFont body = printFont(kBodyPoints);
    QFont bold = body;
    bold.setBold(true);
    QFont title = printFont(kHeadingPoints);
    title.setBold(true);
    const QFontMetricsF fm(body, &device);
    const QFontMetricsF fmBold(bold, &device);
    const double rowH = std::ceil(fm.height() * 1.35);
    const double pad = fm.averageCharWidth() * 0.5;
    const double titleH = QFontMetricsF(title, &device).height() * 1.6;
    const double footH = fm.height() * 2;
    const double pageW = device.width();
    const double pageH = device.height();
    const int cols = int(sheet.header.size());
    const int rowCount = int(sheet.rows.size());
    const Paging pg = paging(sheet.widths, pageW, rowCount, pageH - titleH - rowH - footH, rowH);

    QVector<double> x{0};
    for (double w : pg.widths) x << x.last() + w;
    std::vector<CellFitter> fit;
    std::vector<CellFitter> fitHeader;
    fit.reserve(cols);
    fitHeader.reserve(cols);
    for (int c = 0; c < cols; ++c) {
        fit.emplace_back(fm, std::max(0.0, pg.widths[c] - 2 * pad));
        fitHeader.emplace_back(fmBold, std::max(0.0, pg.widths[c] - 2 * pad));
    }
    const QPen rule(QColor(0x8a, 0x8a, 0x8a), std::max(1.0, device.logicalDpiX() / 288.0));
    const QPen ink(Qt::black);
    const double ascent = (rowH - fm.height()) / 2 + fm.ascent();
    const double boldAscent = (rowH - fmBold.height()) / 2 + fmBold.ascent();

    const auto cellX = [&](int c, Qt::Alignment a, const QString& text, double advance) {
        if (!a) a = isNumber(text) ? Qt::AlignRight : Qt::AlignLeft;
        if (a & Qt::AlignRight) return x[c + 1] - pad - advance;
        if (a & Qt::AlignHCenter) return x[c] + (pg.widths[c] - advance) / 2;
        return x[c] + pad;
    };

    for (int page = 0; page < pg.pages; ++page) {
        if (page > 0 && !device.newPage()) return false;
        p.setPen(ink);
        p.setFont(title);
        p.drawText(QRectF(0, 0, pageW, titleH), Qt::AlignLeft | Qt::AlignVCenter, sheet.heading);

        double y = titleH;
        p.setPen(Qt::NoPen);
        for (int c = 0; c < cols; ++c) {
            const QColor fill = sheet.headerFill.value(c);
            p.fillRect(QRectF(x[c], y, pg.widths[c], rowH),
                       fill.isValid() ? fill : QColor(0xee, 0xee, 0xee));
        }
        p.setPen(ink);
        p.setFont(bold);
        for (int c = 0; c < cols; ++c) {
            const Fitted& f = fitHeader[c](sheet.header[c]);
            p.drawText(QPointF(cellX(c, Qt::AlignHCenter, f.text, f.advance), y + boldAscent),
                       f.text);
        }
        y += rowH;

        p.setFont(body);
        const int first = page * pg.rowsPerPage;
        const int last = std::min(rowCount, first + pg.rowsPerPage);
        for (int r = first; r < last; ++r, y += rowH) {
            const QStringList& row = sheet.rows[r];
            for (int c = 0; c < cols && c < row.size(); ++c) {
                if (row[c].isEmpty()) continue;
                const Fitted& f = fit[c](row[c]);
                p.drawText(QPointF(cellX(c, sheet.align.value(c), row[c], f.advance), y + ascent),
                           f.text);
            }
        }

        p.setPen(rule);
        const double top = titleH;
        for (double ly = top; ly <= y + 0.5; ly += rowH)
            p.drawLine(QPointF(0, ly), QPointF(x.last(), ly));
        for (double lx : std::as_const(x)) p.drawLine(QPointF(lx, top), QPointF(lx, y));

        p.setPen(ink);
        p.drawText(QRectF(0, pageH - footH, pageW, footH), Qt::AlignHCenter | Qt::AlignBottom,
                   pageNumber(page + 1, pg.pages));
        if (progress && !progress(page + 1, pg.pages)) {
            p.end();
            return false;
        }
    }
    return p.end();
}

QByteArray a4Pdf(const QString& title, bool across, const QMarginsF& marginsMm,
                 const std::function<bool(QPagedPaintDevice&)>& paintOn) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    bool done = false;
    {
        QPdfWriter writer(&buffer);
        writer.setCreator(QStringLiteral("リールノート"));
        writer.setTitle(title);
        writer.setResolution(600);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4),
                                         across ? QPageLayout::Landscape : QPageLayout::Portrait,
                                         marginsMm, QPageLayout::Millimeter));
        done = paintOn(writer);
    }
    return done ? buffer.data() : QByteArray();
}

QByteArray pdf(const Sheet& sheet, const Progress& progress) {
    return a4Pdf(sheet.heading, landscape(sheet), kMarginsMm,
                 [&](QPagedPaintDevice& d) { return paint(d, sheet, progress); });
}

void setUpPrinter(QPrinter& printer, bool across) {
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4),
                                      across ? QPageLayout::Landscape : QPageLayout::Portrait,
                                      kMarginsMm, QPageLayout::Millimeter));
}

QPrintPreviewDialog* openPreview(const QString& title, bool across,
                                 std::function<void(QPrinter*)> paintPages, QWidget* parent) {
    auto* dialog = new QPrintPreviewDialog(parent);
    dialog->setObjectName(QStringLiteral("dlgPrintPreview"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(title);
    setUpPrinter(*dialog->printer(), across);
    QObject::connect(dialog, &QPrintPreviewDialog::paintRequested, dialog, std::move(paintPages));
    static_cast<QDialog*>(dialog)->open();
    return dialog;
}

}  // namespace GridPrint
