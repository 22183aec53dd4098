#include "store/csv_export.h"
#include "store/kansyou_table.h"
#include "store/title_table.h"
#include "test_registry.h"

#include <QTest>

class TestCsvExport : public QObject {
    Q_OBJECT
private slots:
    void quotesOnlyWhatNeedsItWithBomAndCrLf() {
        const QByteArray csv = CsvExport::document(
            {{"a", "b,c", "say \"hi\"", "two\nlines", "cr\rhere", ""}, {"監督"}});
        QCOMPARE(csv, QByteArray("\xEF\xBB\xBF"
                                 "a,\"b,c\",\"say \"\"hi\"\"\",\"two\nlines\",\"cr\rhere\",\r\n") +
                          QStringLiteral("監督\r\n").toUtf8());
        QCOMPARE(CsvExport::document({}), QByteArray("\xEF\xBB\xBF"));
    }

    void titlesCarryEveryFieldUnderTheItemNames() {
        TitleTable t;
        Title a;
        a.Daimei = "七人の侍";
        a.Kantoku = "黒澤明";
        a.Koukai = "1954/04/26";
        a.Hyouka = "◎";
        a.HyoukaTen = {0, 95, 9, 2, 8, 3, 0, 10};
        a.Syoyu = {"", "○", "", "○", ""};
        t.append(a);
        std::array<QString, 8> hyouka;
        std::array<QString, 5> syoyu;
        for (int k = 1; k <= 7; ++k) hyouka[k] = QStringLiteral("H%1").arg(k);
        for (int k = 1; k <= 4; ++k) syoyu[k] = QStringLiteral("S%1").arg(k);
        const auto rows = CsvExport::titleRows(t, hyouka, syoyu);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].join(u','), QStringLiteral("タイトル,監督,主演,公開日,国,ジャンル,評価,"
                                                    "H1,H2,H3,H4,H5,H6,H7,S1,S2,S3,S4"));
        QCOMPARE(rows[1].join(u','),
                 QStringLiteral("七人の侍,黒澤明,,1954/04/26,,,◎,95,9,2,8,3,0,10,○,,○,"));
    }

    void historyInFileOrder() {
        KansyouTable h;
        h.append({"2003/05/10", "A", "映画館"});
        h.append({"2003/05/11", "B, the sequel", "DVD"});
        const auto rows = CsvExport::historyRows(h);
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[2], QStringList({"2003/05/11", "B, the sequel", "DVD"}));
        QVERIFY(CsvExport::document(rows).contains("\"B, the sequel\""));
    }
};

REELNOTE_TEST(TestCsvExport)
#include "tst_csv_export.moc"
