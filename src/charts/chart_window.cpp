#include "chart_window.h"

#include "shell/grid_export.h"
#include "shell/prompts.h"

#include <QBuffer>
#include <QDir>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSvgGenerator>
#include <QTextDocument>
#include <QToolTip>
#include <QVBoxLayout>

ChartView::ChartView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("chartView"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);  // the painter fills every pixel
    setMinimumSize(320, 220);
}

void ChartView::setChart(const Charts::Chart& chart) {
    chart_ = chart;
    painter_.reset();
    hovered_ = {};
    updateGeometry();
    update();
}

ChartPainter& ChartView::painter() const {
    if (!painter_) {
        painter_.emplace(chart_, font());
        painter_->layout(size());
    }
    return *painter_;
}

QSize ChartView::sizeHint() const { return ChartPainter(chart_, font()).preferredSize(); }

void ChartView::resizeEvent(QResizeEvent* event) {
    painter_.reset();
    QWidget::resizeEvent(event);
}

void ChartView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    painter().paint(p, hovered_);
}

QString ChartView::tipAt(const QPoint& pos) const {
    const ChartPainter::Hit hit = painter().barAt(pos);
    return hit.panel < 0 ? QString() : chart_.tip(hit.panel, hit.bar);
}

QRectF ChartView::barRect(int p, int b) const { return painter().barRect(p, b); }

void ChartView::mouseMoveEvent(QMouseEvent* event) {
    const ChartPainter::Hit hit = painter().barAt(event->position());
    if (!(hit == hovered_)) {
        hovered_ = hit;
        update();
    }
    QWidget::mouseMoveEvent(event);
}

void ChartView::mouseDoubleClickEvent(QMouseEvent* event) {
    const ChartPainter::Hit hit = painter().barAt(event->position());
    if (event->button() == Qt::LeftButton && hit.panel >= 0 &&
        !chart_.panels[hit.panel].bars[hit.bar].gap) {
        emit barActivated(hit.panel, hit.bar);
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

void ChartView::leaveEvent(QEvent* event) {
    hovered_ = {};
    update();
    QWidget::leaveEvent(event);
}

bool ChartView::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QString tip = tipAt(help->pos());
    if (tip.isEmpty())
        QToolTip::hideText();
    else  // names are shown as written: "<b>" in a name is no markup
        QToolTip::showText(help->globalPos(), Qt::convertFromPlainText(tip, Qt::WhiteSpaceNoWrap),
                           this);
    return true;
}

QImage ChartView::toImage() const {
    QImage image(size(), QImage::Format_RGB32);
    QPainter p(&image);
    painter().paint(p);
    return image;
}

QByteArray ChartView::toSvg(const QString& title) const {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(size());
    svg.setResolution(96);  // the pixels of CSS, so that a browser shows it at this size
    svg.setViewBox(QRect(QPoint(0, 0), size()));
    svg.setTitle(title);
    QPainter p(&svg);
    painter().paint(p);
    p.end();
    return buffer.data();
}

ChartWindow::ChartWindow(Prompts& prompts, QWidget* parent)
    : QWidget(parent, Qt::Window), prompts_(prompts), view_(new ChartView(this)) {
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 8);
    v->setSpacing(8);
    v->addWidget(view_, 1);
    connect(view_, &ChartView::barActivated, this, &ChartWindow::barActivated);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(12, 0, 12, 0);
    buttons->addStretch(1);
    const auto button = [this, buttons](const QString& caption, const char* name) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setMinimumHeight(28);
        buttons->addWidget(b);
        return b;
    };
    connect(button(QStringLiteral("PNGで保存…"), "savePng"), &QPushButton::clicked, this,
            &ChartWindow::savePng);
    connect(button(QStringLiteral("SVGで保存…"), "saveSvg"), &QPushButton::clicked, this,
            &ChartWindow::saveSvg);
    connect(button(QStringLiteral("閉じる"), "closeChart"), &QPushButton::clicked, this,
            &QWidget::close);
    v->addLayout(buttons);
}

void ChartWindow::showChart(const QString& heading, const Charts::Chart& chart,
                            const QString& fileStem) {
    setWindowTitle(QStringLiteral("グラフ — ") + heading);
    // Named as the tables' CSV files are: the heading without its spaces, the
    // ideographic ones ("監督　ランキング") included.
    fileStem_.clear();
    for (const QChar c : fileStem)
        if (!c.isSpace()) fileStem_ += c;
    view_->setChart(chart);
    // A window the user closed comes back at the size its new chart wants; an
    // open one keeps the size the user gave it.
    if (isHidden()) {
        QSize want = sizeHint();
        if (const QScreen* s = screen()) want = want.boundedTo(s->availableSize() * 0.9);
        resize(want);
    }
    show();
    raise();
    activateWindow();
}

bool ChartWindow::savePng() {
    return save(QStringLiteral("PNG"), QStringLiteral("png"), [this] {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        view_->toImage().save(&buffer, "PNG");
        return buffer.data();
    });
}

bool ChartWindow::saveSvg() {
    return save(QStringLiteral("SVG"), QStringLiteral("svg"),
                [this] { return view_->toSvg(windowTitle()); });
}

bool ChartWindow::save(const QString& kind, const QString& extension,
                       const std::function<QByteArray()>& bytes) {
    const QString path = prompts_.saveFileName(kind + QStringLiteral("で保存"),
                                               QDir::home().filePath(fileStem_ + u'.' + extension),
                                               QStringLiteral("%1 (*.%2)").arg(kind, extension));
    if (path.isEmpty()) return false;
    return GridExport::writeFile(prompts_, path, bytes());
}
