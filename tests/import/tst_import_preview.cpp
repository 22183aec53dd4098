#include "import/import_preview.h"
#include "import_support.h"
#include "test_registry.h"

#include <QTest>

// The preview shows what a file holds, but a huge value only by its start: it
// must stay quick to draw and read. What is imported is never cut.
class TestImportPreview : public QObject {
    Q_OBJECT
private slots:
    void longValuesAreShownByTheirStart() {
        const QString huge(1'000'000, u'長');
        const QString director = huge + QStringLiteral("\"監督\"");
        QString csv = QStringLiteral("タイトル,監督\r\n");
        csv += QStringLiteral("甲,\"%1\"\r\n").arg(QString(director).replace(u'"', QStringLiteral("\"\"")));
        csv += huge + QStringLiteral(",誰か\r\n");
        ImportColumns columns;
        const CsvFile file = ImportPlanner::readFile(csv.toUtf8(), &columns);
        const ImportPlan plan = ImportPlanner::plan(TitleTable(), KansyouTable(), file, columns);
        const QString text = ImportPreview::text(plan, QStringLiteral("big.csv"));
        QVERIFY2(text.size() < 5000, qPrintable(QString::number(text.size())));
        QVERIFY(text.contains(QStringLiteral("…（全1000004文字）")));  // the changed director
        QVERIFY(text.contains(QStringLiteral("…（全1000000文字）」が長すぎて")));  // the title
        // The director goes in whole, its quotes made full-width.
        QCOMPARE(plan.titles.TitleCount(), 1);
        QCOMPARE(QString(plan.titles[1].Kantoku), huge + QStringLiteral("＂監督＂"));
    }
};

REELNOTE_TEST(TestImportPreview)
#include "tst_import_preview.moc"
