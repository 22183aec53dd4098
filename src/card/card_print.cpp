#include "card_print.h"

#include "shell/grid_print.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>
#include <numeric>

namespace CardPrint {

namespace {
constexpr double kNamePoints = 16;
constexpr double kBodyPoints = 10;
constexpr double kLargestTextPoints = 9.5;
constexpr double kSmallestTextPoints = 6;
constexpr int kViewingColumns = 3;

QFont bold(QFont f) {
    f.setBold(true);
    return f;
}

// Paints on one page, in device units; pt converts points into them.
class PagePainter {
public:
    PagePainter(QPainter& p, QPagedPaintDevice& device)
        : p_(p), pt_(device.logicalDpiY() / 72.0), w_(device.width()), h_(device.height()) {}

    void paint(const Card& card) {
        double y = name(card.name);
        const double posterW = card.poster.isNull() ? 0 : w_ * 0.34;
        const double posterBottom = poster(card.poster, QRectF(0, y, posterW, h_ * 0.42));
        const double x = posterW > 0 ? posterW + 14 * pt_ : 0;
        double right = fields(card.fields, x, y);
        right = scores(card.scores, x, right + 8 * pt_);
        right = ownership(card.ownership, x, right + 8 * pt_);
        y = std::max(posterBottom, right) + 10 * pt_;
        y = viewings(card.viewings, y);
        texts(card.texts, y + 6 * pt_);
    }

private:
    static QFont font(double points) { return GridPrint::printFont(points); }

    double name(const QString& text) {
        const QFont f = bold(font(kNamePoints));
        const QFontMetricsF fm(f, p_.device());
        p_.setFont(f);
        p_.setPen(Qt::black);
        p_.drawText(QPointF(0, fm.ascent()), fm.elidedText(text, Qt::ElideRight, w_));
        const double y = fm.height() + 4 * pt_;
        p_.setPen(QPen(QColor(0x80, 0x80, 0x80), 0.8 * pt_));
        p_.drawLine(QPointF(0, y), QPointF(w_, y));
        return y + 10 * pt_;
    }

    double poster(const QImage& image, const QRectF& box) {
        if (image.isNull()) return box.top();
        QSizeF size = image.size();
        size.scale(box.size(), Qt::KeepAspectRatio);
        const QRectF at(box.topLeft(), size);
        p_.drawImage(at, image);
        p_.setPen(QPen(QColor(0xb0, 0xb0, 0xb0), 0.5 * pt_));
        p_.drawRect(at);
        return at.bottom();
    }

    double fields(const QVector<QPair<QString, QString>>& rows, double x, double y) {
        const QFont f = font(kBodyPoints);
        const QFontMetricsF fm(f, p_.device());
        const double line = fm.height() * 1.45;
        const double labelW = fm.horizontalAdvance(QStringLiteral("ジャンル　"));
        p_.setPen(Qt::black);
        for (const auto& [label, value] : rows) {
            p_.setFont(bold(f));
            p_.drawText(QPointF(x, y + fm.ascent()), label);
            p_.setFont(f);
            p_.drawText(QPointF(x + labelW, y + fm.ascent()),
                        fm.elidedText(value, Qt::ElideRight, w_ - x - labelW));
            y += line;
        }
        return y;
    }

    double scores(const QVector<Score>& list, double x, double y) {
        const QFont f = font(kBodyPoints);
        const QFontMetricsF fm(f, p_.device());
        const double line = fm.height() * 1.4;
        const double labelW = fm.horizontalAdvance(QStringLiteral("あいうえおか"));
        const double valueW = fm.horizontalAdvance(QStringLiteral("1000"));
        const double cell = std::min(fm.height() * 1.3, (w_ - x - labelW - valueW) / 11);
        for (const Score& s : list) {
            const QRectF label(x, y, labelW, line * 0.9);
            p_.fillRect(label, s.colour.lighter(125));
            p_.setPen(Qt::black);
            p_.setFont(f);
            p_.drawText(label, Qt::AlignCenter, fm.elidedText(s.item, Qt::ElideRight, labelW));
            p_.drawText(QRectF(x + labelW, y, valueW, line * 0.9),
                        Qt::AlignRight | Qt::AlignVCenter, QString::number(s.value));
            const double cx = x + labelW + valueW + cell * 0.5;
            p_.setPen(QPen(QColor(0x90, 0x90, 0x90), 0.5 * pt_));
            for (int c = 0; c < 10; ++c) {
                const QRectF r(cx + c * cell, y + (line * 0.9 - cell * 0.7) / 2, cell * 0.92,
                               cell * 0.7);
                p_.setBrush(c < s.lit ? QBrush(s.colour) : QBrush(Qt::white));
                p_.drawRect(r);
            }
            p_.setBrush(Qt::NoBrush);
            y += line;
        }
        return y;
    }

    double ownership(const QVector<QPair<QString, bool>>& items, double x, double y) {
        const QFont f = font(kBodyPoints);
        const QFontMetricsF fm(f, p_.device());
        p_.setFont(f);
        p_.setPen(Qt::black);
        double at = x;
        for (const auto& [item, owned] : items) {
            const QString text = (owned ? QStringLiteral("■ ") : QStringLiteral("□ ")) + item;
            const double width = fm.horizontalAdvance(text) + fm.horizontalAdvance(u'　');
            if (at > x && at + width > w_) {
                at = x;
                y += fm.height() * 1.4;
            }
            p_.drawText(QPointF(at, y + fm.ascent()), text);
            at += width;
        }
        return items.isEmpty() ? y : y + fm.height() * 1.4;
    }

    // The viewings in columns; those that would take more than a fifth of the
    // page are counted instead.
    double viewings(const QVector<QStringList>& rows, double y) {
        if (rows.isEmpty()) return y;
        const QFont f = font(kBodyPoints - 1);
        const QFontMetricsF fm(f, p_.device());
        const double line = fm.height() * 1.3;
        y = caption(QStringLiteral("鑑賞履歴"), y);
        const int lines = std::max(1, int(h_ * 0.2 / line));
        const int room = lines * kViewingColumns;
        const int shown = int(rows.size()) <= room ? int(rows.size()) : room - 1;
        const int perColumn = (shown + kViewingColumns - 1) / kViewingColumns;
        const double colW = w_ / kViewingColumns;
        p_.setFont(f);
        p_.setPen(Qt::black);
        for (int i = 0; i < shown; ++i) {
            const QStringList& r = rows[i];
            const double cx = (i / perColumn) * colW;
            const double cy = y + (i % perColumn) * line + fm.ascent();
            p_.drawText(QPointF(cx, cy), fm.elidedText(r.join(QStringLiteral("　")), Qt::ElideRight,
                                                       colW - 6 * pt_));
        }
        int used = perColumn;
        if (shown < rows.size()) {
            p_.drawText(QPointF((kViewingColumns - 1) * colW, y + (lines - 1) * line + fm.ascent()),
                        QStringLiteral("ほか %1 件").arg(rows.size() - shown));
            used = lines;
        }
        return y + used * line;
    }

    double caption(const QString& text, double y) {
        const QFont f = bold(font(kBodyPoints));
        const QFontMetricsF fm(f, p_.device());
        p_.setFont(f);
        p_.setPen(Qt::black);
        p_.drawText(QPointF(0, y + fm.ascent()), text);
        return y + fm.height() * 1.3;
    }

    // The free texts, wrapped, in the largest type in which all of them fit the
    // rest of the page; in the smallest, each keeps a share of it and is cut.
    void texts(const QVector<QPair<QString, QString>>& list, double y) {
        QVector<QPair<QString, QString>> shown;
        for (const auto& t : list)
            if (!t.second.trimmed().isEmpty()) shown << t;
        if (shown.isEmpty()) return;
        const QFontMetricsF captionFm(bold(font(kBodyPoints)), p_.device());
        const double captions = shown.size() * (captionFm.height() * 1.3 + 6 * pt_);
        const double room = h_ - y - captions;
        const int flags = Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop;
        QFont f;
        QVector<double> heights;
        for (double points = kLargestTextPoints; points >= kSmallestTextPoints; points -= 0.5) {
            f = font(points);
            const QFontMetricsF fm(f, p_.device());
            heights.clear();
            double total = 0;
            for (const auto& t : std::as_const(shown)) {
                heights << fm.boundingRect(QRectF(0, 0, w_, 1e9), flags, t.second).height();
                total += heights.last();
            }
            if (total <= room) break;
            if (points - 0.5 < kSmallestTextPoints) {
                // Shares of what is left, none less than a few lines.
                for (double& h : heights) h = std::max(room * h / total, std::min(h, room / 6));
                const double sum = std::accumulate(heights.begin(), heights.end(), 0.0);
                for (double& h : heights) h = h * room / sum;
            }
        }
        for (int i = 0; i < shown.size(); ++i) {
            y = caption(shown[i].first, y);
            p_.setFont(f);
            p_.setPen(Qt::black);
            p_.save();
            const QRectF box(0, y, w_, heights[i]);
            p_.setClipRect(box);
            p_.drawText(box, flags, shown[i].second);
            p_.restore();
            y += heights[i] + 6 * pt_;
        }
    }

    QPainter& p_;
    double pt_;
    double w_;
    double h_;
};
}  // namespace

bool paint(QPagedPaintDevice& device, const Card& card) {
    QPainter p;
    if (!p.begin(&device)) return false;
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    PagePainter(p, device).paint(card);
    return p.end();
}

QByteArray pdf(const Card& card) {
    return GridPrint::a4Pdf(card.name, false, QMarginsF(15, 15, 15, 15),
                            [&](QPagedPaintDevice& d) { return paint(d, card); });
}

}  // namespace CardPrint
