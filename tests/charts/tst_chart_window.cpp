#include "charts/chart_window.h"
#include "combo_gestures.h"
#include "main_fixture.h"
#include "shell/flex_grid.h"
#include "shell/grid_export.h"
#include "store/catalogue.h"
#include "store/title_table.h"
#include "test_files.h"
#include "test_registry.h"

#include <QAction>
#include <QBuffer>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSvgRenderer>
#include <QTextDocument>
#include <QToolTip>

using namespace TestFiles;

namespace {
// Right-clicks the grid and takes the menu's action of that text; false when it has none.
bool takeFromMenu(FlexGrid* g, const QString& text) {
    emit g->customContextMenuRequested(QPoint(5, 5));
    bool found = false;
    for (QMenu* menu : g->findChildren<QMenu*>()) {
        for (QAction* a : menu->actions()) {
            if (a->text() != text || found) continue;
            a->trigger();
            found = true;
        }
        menu->close();
    }
    return found;
}

ChartWindow* chartOf(MainFixture& f, FlexGrid* g) {
    if (!takeFromMenu(g, GridExport::kChartText)) return nullptr;
    auto* w = f.window->findChild<ChartWindow*>(QStringLiteral("chart_") + g->objectName());
    return w && QTest::qWaitForWindowExposed(w) ? w : nullptr;
}

QStringList bars(const ChartWindow* w, int panel = 0) {
    QStringList out;
    for (const Charts::Bar& b : w->view()->chart().panels[panel].bars)
        out << b.label + u'=' + QString::number(b.value);
    return out;
}

QByteArray pngOf(const QImage& image) {
    QBuffer b;
    b.open(QIODevice::WriteOnly);
    image.save(&b, "PNG");
    return b.data();
}

// With REELNOTE_CHART_PICTURES set, the pictures a test makes are kept there to be looked at.
void keep(const QString& name, const QByteArray& bytes) {
    const QString dir = qEnvironmentVariable("REELNOTE_CHART_PICTURES");
    if (!dir.isEmpty()) writeBytes(dir, name, bytes);
}

// The text a tool-tip shows, read as its label reads it (rich text or plain).
QString shownTip() {
    const QString tip = QToolTip::text();
    if (!Qt::mightBeRichText(tip)) return tip;
    QTextDocument doc;
    doc.setHtml(tip);
    return doc.toPlainText();
}

// Two labels of the picture that overlap, named, or "" when none does.
QString overlapping(const ChartPainter& painter, const QSize& size) {
    const auto& labels = painter.labels();
    for (int i = 0; i < labels.size(); ++i) {
        if (!QRectF(QPointF(0, 0), QSizeF(size)).contains(labels[i].rect))
            return labels[i].text + QStringLiteral(" outside");
        for (int j = i + 1; j < labels.size(); ++j)
            if (labels[i].rect.intersects(labels[j].rect))
                return labels[i].text + QStringLiteral(" / ") + labels[j].text;
    }
    return {};
}

QString titleWithScores(int n, const QList<int>& scores) {
    return titleRecord(QStringLiteral("作品%1").arg(n), {}, {}, {}, {}, {}, {}, scores);
}
}  // namespace

class TestChartWindow : public QObject {
    Q_OBJECT
private slots:
    void aRankingsChartFollowsItsTable() {
        MainFixture f;
        writeFreshMasters(f.path(), false);
        QString data;
        const QList<std::pair<const char*, int>> directors = {
            {"黒澤明", 3}, {"小津安二郎", 1}, {"成瀬巳喜男", 2}};
        int n = 0;
        for (const auto& [name, titles] : directors)
            for (int i = 0; i < titles; ++i, ++n)
                data += titleRecord(QStringLiteral("作品%1").arg(n), name, {},
                                    n % 2 ? "2003/05/10" : "2004/11/02");
        writeCp932(f.path(), kDataFile, data);
        f.start();
        const auto files = ComboGestures::snapshot(f.path());
        f.find<QPushButton>("cmdRank")->click();
        auto* directorsGrid = f.find<FlexGrid>("msgMaster1");

        ChartWindow* w = chartOf(f, directorsGrid);
        QVERIFY(w);
        QVERIFY(w->isVisible());
        QCOMPARE(w->windowTitle(), QStringLiteral("グラフ — 監督　ランキング"));
        QCOMPARE(bars(w), (QStringList{"黒澤明=3", "成瀬巳喜男=2", "小津安二郎=1"}));
        ChartView* v = w->view();
        QCOMPARE(v->tipAt(v->barRect(0, 1).center().toPoint()),
                 QStringLiteral("成瀬巳喜男：2作品"));
        QCOMPARE(v->tipAt(QPoint(1, 1)), QString());
        QHelpEvent hover(QEvent::ToolTip, v->barRect(0, 0).center().toPoint(),
                         v->mapToGlobal(v->barRect(0, 0).center().toPoint()));
        QApplication::sendEvent(v, &hover);
        QCOMPARE(shownTip(), QStringLiteral("黒澤明：3作品"));

        // Opened again after the order changed, the same window shows the new order.
        QTest::mouseClick(f.find<QRadioButton>("optMaster12"), Qt::LeftButton);
        QCOMPARE(chartOf(f, directorsGrid), w);
        QCOMPARE(bars(w), (QStringList{"小津安二郎=1", "成瀬巳喜男=2", "黒澤明=3"}));

        // The release table in years has its own window under its own heading.
        QTest::mouseClick(f.find<QLabel>("lblKoukaiChg"), Qt::LeftButton);
        ChartWindow* release = chartOf(f, f.find<FlexGrid>("msgMaster3"));
        QVERIFY(release && release != w);
        QCOMPARE(release->windowTitle(), QStringLiteral("グラフ — 公開年"));
        QCOMPARE(bars(release), (QStringList{"2003年=3", "2004年=3"}));
        // Its picture is offered under its CSV file's name.
        f.prompts.planInput(QString());
        QVERIFY(!release->savePng());
        QCOMPARE(QFileInfo(f.prompts.boxes.last().defaultText).fileName(),
                 QStringLiteral("公開ランキング.png"));
        keep("ranking.png", pngOf(v->toImage()));
        QCOMPARE(ComboGestures::snapshot(f.path()), files);
        f.checkBoxes();
    }

    void viewingsPerPeriodAndOnlyWhereOffered() {
        MainFixture f;
        writeFreshMasters(f.path(), false);
        writeCp932(f.path(), kDataFile, titleRecord("甲") + titleRecord("乙"));
        writeCp932(f.path(), kHistoryFile,
                   historyRecordLine("2003/11/10", "甲", "DVD") +
                       historyRecordLine("2003/11/20", "乙", "DVD") +
                       historyRecordLine("2004/02/01", "甲", "映画館"));
        f.start();
        f.find<QPushButton>("cmdList")->click();
        auto* periods = f.find<FlexGrid>("msgMaster6");
        ChartWindow* w = chartOf(f, periods);
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), QStringLiteral("グラフ — 鑑賞年月"));
        QCOMPARE(bars(w),
                 (QStringList{"2003年11月=2", "2003年12月=0", "2004年01月=0", "2004年02月=1"}));
        QTest::mouseClick(f.find<QLabel>("lblKansyouChg"), Qt::LeftButton);
        QCOMPARE(chartOf(f, periods), w);
        QCOMPARE(w->windowTitle(), QStringLiteral("グラフ — 鑑賞年"));
        f.prompts.planInput(QString());
        QVERIFY(!w->savePng());
        QCOMPARE(QFileInfo(f.prompts.boxes.last().defaultText).fileName(),
                 QStringLiteral("鑑賞年月ランキング.png"));
        QCOMPARE(bars(w), (QStringList{"2003年=2", "2004年=1"}));
        // The title and content counts offer the file, not a chart.
        QVERIFY(!takeFromMenu(f.find<FlexGrid>("msgMaster7"), GridExport::kChartText));
        QVERIFY(!takeFromMenu(f.find<FlexGrid>("msgIchiran"), GridExport::kChartText));
        f.checkBoxes();
    }

    void theScoresChartIsSavedAsPngAndSvg() {
        MainFixture f;
        writeFreshMasters(f.path(), false);
        writeCp932(f.path(), kDataFile,
                   titleWithScores(1, {80, 5, 10, 1, 1, 1, 1}) +
                       titleWithScores(2, {85, 5, 3, 1, 1, 1, 10}) +
                       titleWithScores(3, {40, 9, 3, 1, 1, 1, 10}));
        f.start();
        f.find<QPushButton>("cmdIchiran2")->click();
        auto* list = f.find<FlexGrid>("msgIchiran2");
        ChartWindow* w = chartOf(f, list);
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), QStringLiteral("グラフ — 評価"));
        const Charts::Chart& chart = w->view()->chart();
        QCOMPARE(chart.panels.size(), 7);
        QCOMPARE(chart.panels[0].caption, f.window->catalogue().HyoukaKoumoku[1]);
        QCOMPARE(bars(w, 0).mid(4, 5), (QStringList{"40〜49点=1", "50〜59点=0", "60〜69点=0",
                                                    "70〜79点=0", "80〜89点=2"}));
        QCOMPARE(bars(w, 2).at(2), QStringLiteral("3点=2"));

        // Saved, the picture shows each score's bars in the card's colour of that score.
        const auto files = ComboGestures::snapshot(f.path());
        QTemporaryDir out;
        const QString png = QDir(out.path()).filePath("評価.png");
        f.prompts.planInput(png);
        f.find<QPushButton>("savePng")->click();
        QCOMPARE(f.prompts.boxes.last().kind, QStringLiteral("save"));
        QCOMPARE(f.prompts.boxes.last().title, QStringLiteral("PNGで保存"));
        QVERIFY(f.prompts.boxes.last().defaultText.endsWith(QStringLiteral("/評価.png")));
        const QImage image(png);
        QCOMPARE(image.size(), w->view()->size());
        ChartView* v = w->view();
        const QPoint total = v->barRect(0, 8).center().toPoint();   // 総合 80〜89: 2
        const QPoint laughs = v->barRect(2, 2).center().toPoint();  // item 3, 3: 2
        QCOMPARE(image.pixelColor(total), QColor(0xFF, 0x80, 0x80));
        QCOMPARE(image.pixelColor(laughs), QColor(0xFF, 0xFF, 0x80));
        keep("scores.png", readBytes(out.path(), "評価.png"));

        const QString svg = QDir(out.path()).filePath("評価.svg");
        f.prompts.planInput(svg);
        f.find<QPushButton>("saveSvg")->click();
        keep("scores.svg", readBytes(out.path(), "評価.svg"));
        QSvgRenderer renderer(svg);
        QVERIFY(renderer.isValid());
        QCOMPARE(renderer.viewBox(), QRect(QPoint(0, 0), v->size()));
        QImage drawn(v->size(), QImage::Format_RGB32);
        drawn.fill(Qt::black);
        QPainter painter(&drawn);
        renderer.render(&painter);
        painter.end();  // drawn over the view box, which is the whole image
        QCOMPARE(drawn.pixelColor(total), QColor(0xFF, 0x80, 0x80));
        QCOMPARE(drawn.pixelColor(laughs), QColor(0xFF, 0xFF, 0x80));
        QCOMPARE(drawn.pixelColor(2, 2), QColor(Qt::white));
        QVERIFY(readBytes(out.path(), "評価.svg").contains(chart.panels[0].caption.toUtf8()));
        keep("scores-from-svg.png", pngOf(drawn));

        f.prompts.planInput(QDir(out.path()).filePath("no/such/folder/x.svg"));
        f.prompts.planAnswer(Prompts::Answer::Ok);
        f.find<QPushButton>("saveSvg")->click();
        QCOMPARE(f.prompts.boxes.last().title, QStringLiteral("書き出せません"));
        QCOMPARE(ComboGestures::snapshot(f.path()), files);

        // A score changed on the card is in the chart once the list is opened again.
        f.find<QPushButton>("cmdMain")->click();
        QVERIFY(ComboGestures::pickWithMouse(f.find<QComboBox>("cboHyouka1_1"), 95));
        QCOMPARE(f.window->catalogue().titles()[1].HyoukaTen[1], qint16(95));
        f.find<QPushButton>("cmdIchiran2")->click();
        QCOMPARE(chartOf(f, list), w);
        QCOMPARE(bars(w, 0).mid(8), (QStringList{"80〜89点=1", "90〜99点=1", "100点=0"}));
        f.checkBoxes();
    }

    // A name shows as written, markup and all, and the file offered is named by
    // the same rule as the table's CSV file.
    void namesShowAsWrittenAndTheFileAsTheTablesCsv() {
        ScriptedPrompts prompts;
        ChartWindow w(prompts, nullptr);
        const QString name = QStringLiteral("<b>監督</b> &amp; 共同");
        w.showChart(QStringLiteral("監督　ランキング"),
                    Charts::ranking(QStringLiteral("監督名"), {{name, 2}}),
                    QStringLiteral("監督　ランキング"));
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        ChartView* v = w.view();
        const QPoint at = v->barRect(0, 0).center().toPoint();
        QHelpEvent hover(QEvent::ToolTip, at, v->mapToGlobal(at));
        QApplication::sendEvent(v, &hover);
        QCOMPARE(shownTip(), name + QStringLiteral("：2作品"));
        prompts.planInput(QString());
        QVERIFY(!w.savePng());
        QCOMPARE(QFileInfo(prompts.boxes.last().defaultText).fileName(),
                 QStringLiteral("監督ランキング.png"));
    }

    // However small the window, no two texts of a chart overlap.
    void labelsNeverOverlap() {
        Charts::Counts directors, months;
        for (int i = 0; i < 30; ++i)
            directors.append({QStringLiteral("とても長い名前の映画監督その%1").arg(i), 95 - 3 * i});
        for (int m = 0; m < 240; ++m)
            months.append({QStringLiteral("%1年%2月")
                               .arg(2000 + m / 12)
                               .arg(m % 12 + 1, 2, 10, QLatin1Char('0')),
                           (m * 7) % 23});
        TitleTable titles;
        for (int n = 0; n < 40; ++n) {
            Title t;
            t.HyoukaTen = {0, qint16(n * 37 % 101), qint16(n % 11), qint16(n * 3 % 11), 5, 5, 5,
                           10};
            titles.append(t);
        }
        std::array<QString, 8> items;
        for (int k = 1; k <= 7; ++k) items[k] = QStringLiteral("評価項目その%1").arg(k);
        const Charts::Chart charts[] = {Charts::ranking(QStringLiteral("監督名"), directors),
                                        Charts::viewingPeriods(months, false),
                                        Charts::scoreDistributions(titles, items)};
        QFont font = QApplication::font();
        font.setPixelSize(13);
        for (const Charts::Chart& chart : charts) {
            ChartPainter painter(chart, font);
            for (const QSize size : {QSize(160, 120), QSize(320, 220), QSize(480, 300),
                                     QSize(1040, 660), painter.preferredSize()}) {
                painter.layout(size);
                QImage picture(size, QImage::Format_RGB32);
                QPainter p(&picture);
                painter.paint(p);
                keep(QStringLiteral("labels-%1-%2x%3.png")
                         .arg(&chart - charts)
                         .arg(size.width())
                         .arg(size.height()),
                     pngOf(picture));
                QVERIFY2(overlapping(painter, size).isEmpty(),
                         qPrintable(QStringLiteral("%1×%2: ").arg(size.width()).arg(size.height()) +
                                    overlapping(painter, size)));
            }
            // Room enough, every bar keeps its name.
            painter.layout(painter.preferredSize());
            int names = 0;
            for (const auto& l : painter.labels()) names += l.text == chart.panels[0].bars[0].label;
            if (chart.panels[0].orientation == Charts::Orientation::Horizontal) QCOMPARE(names, 1);
        }
    }
};

REELNOTE_TEST(TestChartWindow)
#include "tst_chart_window.moc"
