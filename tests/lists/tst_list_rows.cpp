#include "lists/title_list_rows.h"
#include "store/data_dir.h"
#include "store/title_table.h"
#include "test_files.h"
#include "test_registry.h"

#include <QTemporaryDir>
#include <QTest>

using namespace TestFiles;

class TestTitleListRows : public QObject {
    Q_OBJECT
private slots:
    void totalAddsItemsTwoToSevenWithoutWrapping() {
        Title t;
        t.HyoukaTen = {0, 80, 5, 5, 5, 5, 5, 5};
        QCOMPARE(TitleListRows::scoreTotal(t), 30);
        // Scores beyond the usual range must not wrap round in a 16-bit sum.
        t.HyoukaTen = {0, 100, 30000, 30000, 30000, 30000, 30000, 30000};
        QCOMPARE(TitleListRows::scoreTotal(t), 180000);
        TitleTable table;
        table.append(t);
        QCOMPARE(TitleListRows::scoreRows(table)[0].last(), QStringLiteral("180000"));
    }

    void ownershipRowsMarkTheTextsTheDirectoryHolds() {
        QTemporaryDir dir;
        writeCp932(dir.path(), "キャスト_甲.txt", "a\r\n");
        writeCp932(dir.path(), "メモ_乙.txt", "b\r\n");
        writeCp932(dir.path(), "あらすじ_甲乙.txt", "c\r\n");  // neither 甲's nor 乙's
        DataDir d(dir.path());
        TitleTable table;
        for (const char* name : {"甲", "乙", "丙"}) {
            Title t;
            t.Daimei = QString::fromUtf8(name);
            table.append(t);
        }
        table[3].Syoyu = {"", "○", "", "", "○"};
        const QVector<QStringList> rows = TitleListRows::ownershipRows(table, d);
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0], (QStringList{"甲", "", "", "", "", "○", "", ""}));
        QCOMPARE(rows[1], (QStringList{"乙", "", "", "", "", "", "", "○"}));
        QCOMPARE(rows[2], (QStringList{"丙", "○", "", "", "○", "", "", ""}));
    }
};

REELNOTE_TEST(TestTitleListRows)
#include "tst_list_rows.moc"
