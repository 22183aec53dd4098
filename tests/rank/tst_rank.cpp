#include "main_fixture.h"
#include "rank/rank_counts.h"
#include "shell/flex_grid.h"
#include "store/catalogue.h"
#include "test_files.h"
#include "test_registry.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace TestFiles;

namespace {
// Body rows as "rank|value|count".
QStringList rows(FlexGrid* g) {
    QStringList out;
    for (int r = 1; r < g->Rows(); ++r)
        out << g->TextMatrix(r, 0) + u'|' + g->TextMatrix(r, 1) + u'|' + g->TextMatrix(r, 2);
    return out;
}

QString title(int n, const QString& kantoku, const QString& koukai = {},
              const QString& syuen = {}) {
    return titleRecord(QStringLiteral("作品%1").arg(n), kantoku, syuen, koukai,
                       QStringLiteral("日本"), QStringLiteral("ドラマ"));
}

const QString kHelp = QStringLiteral(
    "監督や主演、国やジャンルなど作品数が多い順にランキング表示します。\r\n"
    "表示順は多い順、少ない順に並び替えることができます。\r\n\r\n"
    "※公開年月は見出しをクリックする毎に公開年としての表示に切り替えできます。\r\n");
}  // namespace

class TestRank : public QObject {
    Q_OBJECT
private:
    void start(MainFixture& f, const QString& data, bool helpTour = false) {
        writeFreshMasters(f.path(), helpTour);
        writeCp932(f.path(), kDataFile, data);
        if (helpTour) {
            f.prompts.planAnswer(Prompts::Answer::Ok);  // the two start-up tour boxes
            f.prompts.planAnswer(Prompts::Answer::Ok);
        }
        f.start();
        if (helpTour) f.prompts.boxes.clear();  // the start-up boxes
    }
    FlexGrid* grid(MainFixture& f, int k) {
        return f.find<FlexGrid>(QStringLiteral("msgMaster%1").arg(k));
    }
    QRadioButton* opt(MainFixture& f, int k, int i) {
        return f.find<QRadioButton>(QStringLiteral("optMaster%1%2").arg(k).arg(i));
    }
    void openRank(MainFixture& f) { f.find<QPushButton>("cmdRank")->click(); }

private slots:
    void tiesTakeConsecutiveRanksAndEveryOrderRenumbers() {
        MainFixture f;
        QString data;
        int n = 0;
        for (int i = 0; i < 5; ++i) data += title(++n, "黒澤明");
        for (int i = 0; i < 2; ++i) data += title(++n, "小津安二郎");
        for (int i = 0; i < 5; ++i) data += title(++n, "成瀬巳喜男");
        start(f, data);
        openRank(f);
        QVERIFY(!f.find<QFrame>("fraRank")->isHidden());
        FlexGrid* g = grid(f, 1);
        QCOMPARE(g->TextMatrix(0, 0), QStringLiteral("順"));
        QCOMPARE(g->TextMatrix(0, 1), QStringLiteral("監督名"));
        QCOMPARE(g->TextMatrix(0, 2), QStringLiteral("数"));
        QCOMPARE(g->ColWidth(1) / 15, 2585 / 15);
        // Equal counts stand in name order (黒 before 成 in code page 932) with ranks 1 and 2.
        QCOMPARE(rows(g), (QStringList{"1|黒澤明|5", "2|成瀬巳喜男|5", "3|小津安二郎|2"}));
        QVERIFY(opt(f, 1, 1)->isChecked());

        QTest::mouseClick(opt(f, 1, 2), Qt::LeftButton);
        QCOMPARE(rows(g), (QStringList{"1|小津安二郎|2", "2|黒澤明|5", "3|成瀬巳喜男|5"}));
        QVERIFY(!opt(f, 1, 1)->isChecked());
        // By name the ranks are row positions, no longer counts.
        QTest::mouseClick(opt(f, 1, 3), Qt::LeftButton);
        QCOMPARE(rows(g), (QStringList{"1|黒澤明|5", "2|小津安二郎|2", "3|成瀬巳喜男|5"}));
        QTest::mouseClick(opt(f, 1, 1), Qt::LeftButton);
        QCOMPARE(rows(g), (QStringList{"1|黒澤明|5", "2|成瀬巳喜男|5", "3|小津安二郎|2"}));
        // Opened again with most first still chosen, the fresh tables are ordered all the same.
        f.find<QPushButton>("cmdMain")->click();
        openRank(f);
        QCOMPARE(rows(g), (QStringList{"1|黒澤明|5", "2|成瀬巳喜男|5", "3|小津安二郎|2"}));

        // The other tables count their own fields from the same titles.
        QCOMPARE(rows(grid(f, 4)), QStringList{"1|日本|12"});
        QCOMPARE(rows(grid(f, 5)), QStringList{"1|ドラマ|12"});
        QCOMPARE(grid(f, 2)->Rows(), 1);  // no lead actor entered
        const QStringList captions = {opt(f, 3, 1)->text(), opt(f, 3, 2)->text(),
                                      opt(f, 3, 3)->text(), opt(f, 5, 1)->text(),
                                      opt(f, 5, 2)->text(), opt(f, 5, 3)->text()};
        QCOMPARE(captions, (QStringList{"多い", "少ない", "年順", "多い順", "少ない順", "名前順"}));
        f.checkBoxes();
    }

    void nameOrderIsCodePage932Order() {
        MainFixture f;
        // UTF-16 order would put the full-width Ｚ last and 山 before 愛.
        const QStringList names = {"山田", "Ｚ組", "あべ", "愛川", "アベ", "b", "B"};
        QString data;
        for (int i = 0; i < names.size(); ++i) data += title(i + 1, names[i]);
        start(f, data);
        openRank(f);
        QTest::mouseClick(opt(f, 1, 3), Qt::LeftButton);
        QCOMPARE(rows(grid(f, 1)), (QStringList{"1|B|1", "2|b|1", "3|Ｚ組|1", "4|あべ|1",
                                                "5|アベ|1", "6|愛川|1", "7|山田|1"}));
        f.checkBoxes();
    }

    void releaseSwitchesBetweenMonthsAndYears() {
        MainFixture f;
        start(f, title(1, "甲", "2003/05/10") + title(2, "甲", "2003/05/28") +
                     title(3, "甲", "2003/11") + title(4, "甲", "1999/12/01") +
                     title(5, "甲", "2004/01/02") + title(6, "甲", "2004/01/30"));
        openRank(f);
        auto* label = f.find<QLabel>("lblKoukaiChg");
        FlexGrid* g = grid(f, 3);
        QCOMPARE(label->text(), QStringLiteral("公開年月"));
        QCOMPARE(g->TextMatrix(0, 1), QStringLiteral("公開"));
        QCOMPARE(rows(g), (QStringList{"1|2003年05月|2", "2|2004年01月|2", "3|1999年12月|1",
                                       "4|2003年11月|1"}));
        QTest::mouseClick(opt(f, 3, 3), Qt::LeftButton);  // 年順: date order
        QCOMPARE(rows(g), (QStringList{"1|1999年12月|1", "2|2003年05月|2", "3|2003年11月|1",
                                       "4|2004年01月|2"}));

        QTest::mouseClick(label, Qt::LeftButton);
        QCOMPARE(label->text(), QStringLiteral("公開年"));
        QVERIFY(opt(f, 3, 1)->isChecked());
        QCOMPARE(rows(g), (QStringList{"1|2003年|3", "2|2004年|2", "3|1999年|1"}));
        QTest::mouseClick(opt(f, 3, 2), Qt::LeftButton);
        QCOMPARE(rows(g), (QStringList{"1|1999年|1", "2|2004年|2", "3|2003年|3"}));

        // Back to months, most first, whatever order was chosen.
        QTest::mouseClick(label, Qt::LeftButton);
        QCOMPARE(label->text(), QStringLiteral("公開年月"));
        QVERIFY(opt(f, 3, 1)->isChecked());
        QCOMPARE(rows(g).first(), QStringLiteral("1|2003年05月|2"));
        QCOMPARE(g->Rows(), 5);
        f.checkBoxes();
    }

    void oneMonthTypedTwoWaysIsOneRow() {
        MainFixture f;
        // 2003/5/3 lists "2003/5/" beside "2003/05"; both are May 2003.
        start(f, title(1, "甲", "2003/05/10") + title(2, "甲", "2003/5/3") +
                     title(3, "甲", "2003/5") + title(4, "甲", "2003/06/01"));
        openRank(f);
        QCOMPARE(rows(grid(f, 3)), (QStringList{"1|2003年05月|3", "2|2003年06月|1"}));
        QTest::mouseClick(f.find<QLabel>("lblKoukaiChg"), Qt::LeftButton);
        QCOMPARE(rows(grid(f, 3)), QStringList{"1|2003年|4"});
        f.checkBoxes();
    }

    void aValueNoTitleHoldsStaysWithZeroUntilReload() {
        MainFixture f;
        start(f, title(1, "甲") + title(2, "乙"));
        // The card's director of title 1 becomes a new one.
        auto* kantoku = f.find<QComboBox>("cboKantoku");
        kantoku->setEditText(QStringLiteral("丙"));
        QTest::keyClick(kantoku->lineEdit(), Qt::Key_Return);
        QCOMPARE(f.window->catalogue().titles()[1].Kantoku, QStringLiteral("丙"));
        f.prompts.beeps = 0;

        const QByteArray before = readBytes(f.path(), kDataFile);
        openRank(f);
        QCOMPARE(rows(grid(f, 1)), (QStringList{"1|乙|1", "2|丙|1", "3|甲|0"}));
        QTest::mouseClick(opt(f, 1, 2), Qt::LeftButton);
        QCOMPARE(rows(grid(f, 1)).first(), QStringLiteral("1|甲|0"));
        QTest::mouseClick(f.find<QLabel>("lblKoukaiChg"), Qt::LeftButton);
        // The screen only reads.
        QCOMPARE(readBytes(f.path(), kDataFile), before);
        QCOMPARE(f.prompts.beeps, 0);

        // A reload drops the value nobody holds.
        f.window->reloadTitles();
        f.find<QPushButton>("cmdMain")->click();
        openRank(f);
        QCOMPARE(rows(grid(f, 1)), (QStringList{"1|乙|1", "2|丙|1"}));
        f.checkBoxes();
    }

    void theScreenIsASnapshotTakenWhenOpened() {
        MainFixture f;
        start(f, title(1, "甲") + title(2, "甲") + title(3, "乙"), true);
        f.prompts.planAnswer(Prompts::Answer::Ok);
        openRank(f);
        QCOMPARE(f.prompts.boxes.size(), 1);
        QCOMPARE(f.prompts.boxes[0].title, QStringLiteral("ヘルプツアー"));
        QCOMPARE(f.prompts.boxes[0].text, kHelp);
        QTest::mouseClick(opt(f, 1, 3), Qt::LeftButton);
        QTest::mouseClick(f.find<QLabel>("lblKoukaiChg"), Qt::LeftButton);

        // The titles change behind the screen: pressing ランク again changes nothing.
        Catalogue& cat = f.window->catalogue();
        cat.titles()[3].Kantoku = QStringLiteral("甲");
        openRank(f);
        QCOMPARE(rows(grid(f, 1)), (QStringList{"1|乙|1", "2|甲|2"}));
        QVERIFY(opt(f, 1, 3)->isChecked());
        QCOMPARE(f.find<QLabel>("lblKoukaiChg")->text(), QStringLiteral("公開年"));
        QCOMPARE(f.prompts.boxes.size(), 1);  // no second tour box

        // Coming back from another screen builds everything afresh, by count.
        f.find<QPushButton>("cmdMain")->click();
        QVERIFY(f.find<QFrame>("fraRank")->isHidden());
        f.prompts.planAnswer(Prompts::Answer::Ok);
        openRank(f);
        QCOMPARE(rows(grid(f, 1)), (QStringList{"1|甲|3", "2|乙|0"}));
        QVERIFY(opt(f, 1, 1)->isChecked());
        QCOMPARE(f.find<QLabel>("lblKoukaiChg")->text(), QStringLiteral("公開年月"));
        QCOMPARE(f.prompts.boxes.size(), 2);
        QVERIFY(!f.find<QPushButton>("cmdDel")->isEnabled());
        f.checkBoxes();
    }

    void aCountOfThousandsIsShownWhole() {
        MainFixture f;
        QString data;
        for (int n = 1; n <= 1100; ++n) data += title(n, QStringLiteral("監督%1").arg(n % 400));
        start(f, data);
        openRank(f);
        FlexGrid* countries = grid(f, 4);
        QCOMPARE(rows(countries), QStringList{"1|日本|1100"});
        // The count column takes its room from the name column; the table keeps its width.
        const int needed = countries->fontMetrics().horizontalAdvance(QStringLiteral("1100"));
        QVERIFY(countries->columnWidth(2) > needed);
        QVERIFY(countries->ColWidth(2) > 450);
        QCOMPARE(countries->columnWidth(1) + countries->columnWidth(2), (2585 + 450) / 15);
        QCOMPARE(grid(f, 1)->ColWidth(2), 450);  // counts of one digit fit as they are
        f.checkBoxes();
    }

    void withNoTitlesEveryTableHasItsHeaderOnly() {
        MainFixture f;
        start(f, QString());
        openRank(f);
        for (int k = 1; k <= 5; ++k) {
            QCOMPARE(grid(f, k)->Rows(), 1);
            QCOMPARE(grid(f, k)->Cols(), 3);
        }
        QTest::mouseClick(f.find<QLabel>("lblKoukaiChg"), Qt::LeftButton);
        QTest::mouseClick(opt(f, 2, 3), Qt::LeftButton);
        QCOMPARE(grid(f, 3)->Rows(), 1);
        QCOMPARE(grid(f, 2)->Rows(), 1);
        f.checkBoxes();
    }

    void countingRulesAndCaptions() {
        TitleTable t;
        for (const char* k : {"2003/05/10", "2003/05", "2003", "99", ""}) {
            Title x;
            x.Koukai = QString::fromUtf8(k);
            t.append(x);
        }
        const TitleTally tally(t);
        QCOMPARE(tally.count(TitleTally::YearMonth, u"2003/05"), 2);
        QCOMPARE(tally.count(TitleTally::YearMonth, u"2003/05/xx"), 2);  // first seven count
        QCOMPARE(tally.count(TitleTally::Year, u"2003年"), 3);
        QCOMPARE(tally.count(TitleTally::Year, u"2003"), 0);  // a year item ends in 年
        QCOMPARE(tally.count(TitleTally::Year, u"99年"), 1);
        QCOMPARE(tally.count(TitleTally::Kantoku, u""), 0);

        QCOMPARE(yearMonthCaption(u"2003/05"), QStringLiteral("2003年05月"));
        QCOMPARE(yearMonthCaption(u"2003/5/"), QStringLiteral("2003年05月"));
        QCOMPARE(yearMonthCaption(u"2003-11"), QStringLiteral("2003年11月"));
        QCOMPARE(yearMonthCaption(u"2003年5月"), QStringLiteral("2003年05月"));
        // Not a year and month: shown as stored.
        QCOMPARE(yearMonthCaption(u"2003/13"), QStringLiteral("2003/13"));
        QCOMPARE(yearMonthCaption(u"abc"), QStringLiteral("abc"));
        QCOMPARE(yearMonthCaption(u"99"), QStringLiteral("99"));
    }

    // However the release date was typed, a month is one row (the pick list holds
    // each date's first seven characters: 2003年12 of 2003年12月1日).
    void oneRowPerMonthWhateverTheDateForm() {
        TitleTable t;
        for (const char* k : {"2003年12月1日", "2003/12", "2003年5月", "2003/05/10"}) {
            Title x;
            x.Koukai = QString::fromUtf8(k);
            t.append(x);
        }
        const QVector<RankRow> rows = rankRows(TitleTally(t), TitleTally::YearMonth,
                                               {"2003年12", "2003/12", "2003年5月", "2003/05"});
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].value, QStringLiteral("2003年12月"));
        QCOMPARE(rows[0].count, 2);
        QCOMPARE(rows[1].value, QStringLiteral("2003年05月"));
        QCOMPARE(rows[1].count, 2);
    }

    void orderingTiesAndTextTheCodePageLacks() {
        // é has no code page 932 form: it sorts after every text that has one.
        RankTable t({{"é", 2, {}}, {"い", 1, {}}, {"山", 2, {}}, {"あ", 1, {}}, {"B", 2, {}}});
        const auto values = [&t] {
            QStringList v;
            for (int i = 0; i < t.size(); ++i) v << t.row(i).value;
            return v;
        };
        t.sort(RankTable::Order::ByName);
        QCOMPARE(values(), (QStringList{"B", "あ", "い", "山", "é"}));
        t.sort(RankTable::Order::FewestFirst);
        QCOMPARE(values(), (QStringList{"あ", "い", "B", "山", "é"}));
        t.sort(RankTable::Order::MostFirst);
        QCOMPARE(values(), (QStringList{"B", "山", "é", "あ", "い"}));
        QCOMPARE(t.gridRows().last(), (QStringList{"5", "い", "1"}));
    }
};

REELNOTE_TEST(TestRank)
#include "tst_rank.moc"
