// The main list written as PDF, as its menu's "PDFに書き出す…" does once the file is
// named: the list read as shown, painted page by page under the progress box, written.
#include "baselines.h"
#include "live_window.h"
#include "measurements.h"

#include "shell/flex_grid.h"
#include "shell/grid_export.h"
#include "shell/grid_print.h"

#include <QDir>
#include <QFile>
#include <QPushButton>

namespace {
const QString kPdfScratch = QStringLiteral("benchmark-print.pdf");

// The file dialog answered with the scratch file.
class NamedPrompts : public ScriptedPrompts {
public:
    explicit NamedPrompts(QString path) : path_(std::move(path)) {}
    QString saveFileName(const QString&, const QString&, const QString&) override { return path_; }

private:
    QString path_;
};

void measurePrintMainList(const Collection& col, Measurement* m) {
    QString* error = &m->error;
    LiveWindow w(col.dir);
    if (!w.open(error)) return;
    auto* open = w.child<QPushButton>(QStringLiteral("cmdIchiran"), error);
    auto* list = w.child<FlexGrid>(QStringLiteral("msgIchiran"), error);
    if (!open || !list) return;
    open->click();
    if (!w.boxesWere({}, error)) return;
    const QString path = QDir(col.dir).filePath(kPdfScratch);
    NamedPrompts prompts(path);
    const Run write = [&]() -> std::optional<qint64> {
        QFile::remove(path);
        bool written = false;
        const qint64 ns = nsOf([&] {
            written =
                GridExport::exportPdf(GridPrint::sheetOf(*list, QStringLiteral("主一覧")), prompts,
                                      GridExport::pdfName(QStringLiteral("主一覧.csv")), &w.window);
        });
        if (!written || !prompts.boxes.isEmpty()) {
            *error = QStringLiteral("the PDF was not written: %1").arg(prompts.boxes.join(u' '));
            return std::nullopt;
        }
        return ns;
    };
    detail(QStringLiteral("GridPrint::sheetOf(msgIchiran) + GridExport::exportPdf (%1 rows, with "
                          "its progress box)  vs  the same bytes written durably")
               .arg(list->Rows() - 1));
    // The baseline needs the bytes: one run first.
    if (!write()) return;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = f.errorString();
        return;
    }
    const QByteArray bytes = f.readAll();
    f.close();
    const GridPrint::Sheet sheet = GridPrint::sheetOf(*list, QStringLiteral("主一覧"));
    int pages = 0;
    phase(QStringLiteral("GridPrint::sheetOf alone"), [&]() -> std::optional<qint64> {
        return nsOf([&] { GridPrint::sheetOf(*list, QStringLiteral("主一覧")); });
    });
    phase(QStringLiteral("GridPrint::pdf alone (painting into memory)"),
          [&]() -> std::optional<qint64> {
              return nsOf([&] {
                  GridPrint::pdf(sheet, [&pages](int, int all) {
                      pages = all;
                      return true;
                  });
              });
          });
    timeBesideDurableWrite(m, write, col.dir, bytes);
    detail(QStringLiteral("%1 pages, %2 bytes").arg(pages).arg(bytes.size()));
    QFile::remove(path);
    w.boxesWere({}, error);
}
}  // namespace

REELNOTE_BENCHMARK(902, "PrintMainListPdf", (Target{Target::Kind::Time, 5e9}), measurePrintMainList)
