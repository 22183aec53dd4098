#include "grid_rows.h"
#include "history/viewing_counts.h"
#include "main_fixture.h"
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
const auto rec = historyRecordLine;

const QString kHelp = QStringLiteral(
    "映画の鑑賞履歴をリスト表示します。\r\n\r\n"
    "鑑賞回数のランキングと鑑賞内容のランキングが表示できます。\r\n\r\n"
    "鑑賞年月や公開年のランキング表示もしています。\r\n"
    "鑑賞年月の見出しをクリックするごとに鑑賞年と切り替わります。\r\n\r\n");
}  // namespace

class TestViewingList : public QObject {
    Q_OBJECT
private:
    void start(MainFixture& f, const QString& history, bool helpTour = false) {
        writeFreshMasters(f.path(), helpTour);
        writeCp932(f.path(), kDataFile, titleRecord("甲") + titleRecord("乙") + titleRecord("丙"));
        if (!history.isNull()) writeCp932(f.path(), kHistoryFile, history);
        if (helpTour) {
            f.prompts.planAnswer(Prompts::Answer::Ok);  // the two start-up tour boxes
            f.prompts.planAnswer(Prompts::Answer::Ok);
        }
        f.start();
        if (helpTour) f.prompts.boxes.clear();
    }
    FlexGrid* grid(MainFixture& f, int k) {
        return f.find<FlexGrid>(QStringLiteral("msgMaster%1").arg(k));
    }
    QRadioButton* opt(MainFixture& f, int k, int i) {
        return f.find<QRadioButton>(QStringLiteral("optMaster%1%2").arg(k).arg(i));
    }
    void openList(MainFixture& f) { f.find<QPushButton>("cmdList")->click(); }

private slots:
    void countsByMonthTitleAndContent() {
        MainFixture f;
        // 消えた題 names no title any more: counted by month and content, not by title.
        const QString history = rec("2003/05/10", "甲", "DVD") +
                                rec("2003/05/20", "消えた題", "DVD") +
                                rec("2003/06/01", "乙", "映画館") + rec("2004/01/02", "甲", "DVD");
        start(f, history);
        const QByteArray before = readBytes(f.path(), kHistoryFile);
        openList(f);
        QVERIFY(!f.find<QFrame>("fraList")->isHidden());
        QVERIFY(!f.find<QPushButton>("cmdDel")->isEnabled());

        QCOMPARE(gridRows(f.find<FlexGrid>("msgHenList")),
                 (QStringList{"1|2003/05/10|甲|DVD", "2|2003/05/20|消えた題|DVD",
                              "3|2003/06/01|乙|映画館", "4|2004/01/02|甲|DVD"}));
        QCOMPARE(grid(f, 6)->TextMatrix(0, 1), QStringLiteral("鑑賞"));
        QCOMPARE(grid(f, 7)->TextMatrix(0, 1), QStringLiteral("鑑賞タイトル"));
        QCOMPARE(grid(f, 8)->TextMatrix(0, 1), QStringLiteral("鑑賞内容"));
        QCOMPARE(gridRows(grid(f, 6)),
                 (QStringList{"1|2003年05月|2", "2|2003年06月|1", "3|2004年01月|1"}));
        // Every title, the unviewed 丙 with 0.
        QCOMPARE(gridRows(grid(f, 7)), (QStringList{"1|甲|2", "2|乙|1", "3|丙|0"}));
        QCOMPARE(gridRows(grid(f, 8)), (QStringList{"1|DVD|3", "2|映画館|1"}));

        QTest::mouseClick(opt(f, 7, 2), Qt::LeftButton);
        QCOMPARE(gridRows(grid(f, 7)), (QStringList{"1|丙|0", "2|乙|1", "3|甲|2"}));
        QTest::mouseClick(opt(f, 7, 3), Qt::LeftButton);  // 乙 before 甲 before 丙 in code page 932
        QCOMPARE(gridRows(grid(f, 7)), (QStringList{"1|乙|1", "2|甲|2", "3|丙|0"}));
        QTest::mouseClick(opt(f, 8, 3), Qt::LeftButton);
        QCOMPARE(gridRows(grid(f, 8)), (QStringList{"1|DVD|3", "2|映画館|1"}));
        QTest::mouseClick(opt(f, 8, 2), Qt::LeftButton);
        QCOMPARE(gridRows(grid(f, 8)), (QStringList{"1|映画館|1", "2|DVD|3"}));
        const QStringList captions = {opt(f, 6, 1)->text(), opt(f, 6, 2)->text(),
                                      opt(f, 6, 3)->text(), opt(f, 8, 1)->text(),
                                      opt(f, 8, 2)->text(), opt(f, 8, 3)->text()};
        QCOMPARE(captions, (QStringList{"多い", "少ない", "年順", "多い順", "少ない順", "名前順"}));
        QCOMPARE(readBytes(f.path(), kHistoryFile), before);  // the screen only reads
        f.checkBoxes();
    }

    void monthsAndYearsSwitchBothWays() {
        MainFixture f;
        start(f, rec("2002/12/31", "甲", "DVD") + rec("2003/05/10", "甲", "DVD") +
                     rec("2003/05/11", "乙", "DVD") + rec("2003/11/01", "乙", "DVD") +
                     rec("2004/02/02", "丙", "DVD"));
        openList(f);
        auto* label = f.find<QLabel>("lblKansyouChg");
        FlexGrid* g = grid(f, 6);
        QCOMPARE(label->text(), QStringLiteral("鑑賞年月"));
        QCOMPARE(label->toolTip(), QStringLiteral("クリックすると年月と年を切り替えられます"));
        QTest::mouseClick(opt(f, 6, 3), Qt::LeftButton);  // 年順 is time order
        QCOMPARE(gridRows(g), (QStringList{"1|2002年12月|1", "2|2003年05月|2", "3|2003年11月|1",
                                           "4|2004年02月|1"}));

        QTest::mouseClick(label, Qt::LeftButton);
        QCOMPARE(label->text(), QStringLiteral("鑑賞年"));
        QVERIFY(opt(f, 6, 1)->isChecked());
        QCOMPARE(gridRows(g), (QStringList{"1|2003年|3", "2|2002年|1", "3|2004年|1"}));
        QTest::mouseClick(opt(f, 6, 3), Qt::LeftButton);
        QCOMPARE(gridRows(g), (QStringList{"1|2002年|1", "2|2003年|3", "3|2004年|1"}));

        QTest::mouseClick(label, Qt::LeftButton);
        QCOMPARE(label->text(), QStringLiteral("鑑賞年月"));
        QVERIFY(opt(f, 6, 1)->isChecked());
        QCOMPARE(gridRows(g), (QStringList{"1|2003年05月|2", "2|2002年12月|1", "3|2003年11月|1",
                                           "4|2004年02月|1"}));
        f.checkBoxes();
    }

    void emptyHistoryListsEveryTitleWithZero() {
        MainFixture f;
        start(f, QString());
        openList(f);
        QCOMPARE(f.find<FlexGrid>("msgHenList")->Rows(), 1);
        QCOMPARE(grid(f, 6)->Rows(), 1);
        QCOMPARE(grid(f, 8)->Rows(), 1);
        QCOMPARE(gridRows(grid(f, 7)), (QStringList{"1|乙|0", "2|甲|0", "3|丙|0"}));
        QTest::mouseClick(f.find<QLabel>("lblKansyouChg"), Qt::LeftButton);
        QCOMPARE(grid(f, 6)->Rows(), 1);
        f.checkBoxes();
    }

    void theCountsAreASnapshotTakenWhenOpened() {
        MainFixture f;
        start(f, rec("2003/05/10", "甲", "DVD"), true);
        f.prompts.planAnswer(Prompts::Answer::Ok);
        openList(f);
        QCOMPARE(f.prompts.boxes.size(), 1);
        QCOMPARE(f.prompts.boxes[0].title, QStringLiteral("ヘルプツアー"));
        QCOMPARE(f.prompts.boxes[0].text, kHelp);
        QTest::mouseClick(opt(f, 7, 3), Qt::LeftButton);
        const QStringList byName = gridRows(grid(f, 7));

        // Pressed again while showing: no recount, no reset of the order, no tour box.
        openList(f);
        QCOMPARE(gridRows(grid(f, 7)), byName);
        QVERIFY(opt(f, 7, 3)->isChecked());
        QCOMPARE(f.prompts.boxes.size(), 1);

        // A viewing saved on the card is seen once the screen is opened again.
        f.find<QPushButton>("cmdMain")->click();
        emit f.find<FlexGrid>("msgKansyou")->DblClick();
        f.find<QLineEdit>("txtKansyoubi")->setText(QStringLiteral("2003/06/01"));
        f.find<QComboBox>("cboKansyou")->setEditText(QStringLiteral("配信"));
        QTest::mouseClick(f.find<QPushButton>("cmdRirekiHozon"), Qt::LeftButton);
        f.prompts.planAnswer(Prompts::Answer::Ok);
        openList(f);
        QCOMPARE(gridRows(grid(f, 7)), (QStringList{"1|甲|2", "2|乙|0", "3|丙|0"}));
        QCOMPARE(gridRows(grid(f, 8)), (QStringList{"1|DVD|1", "2|配信|1"}));
        QCOMPARE(f.find<FlexGrid>("msgHenList")->Rows(), 3);
        QCOMPARE(f.prompts.boxes.size(), 2);
        f.checkBoxes();
    }

    void aLongHistoryOpensOnItsLatestViewings() {
        MainFixture f;
        QString history;
        for (int i = 1; i <= 60; ++i)
            history += rec(QStringLiteral("2003/%1/%2")
                               .arg(1 + (i - 1) / 28, 2, 10, QChar(u'0'))
                               .arg(1 + (i - 1) % 28, 2, 10, QChar(u'0')),
                           "甲", "DVD");
        start(f, history);
        openList(f);
        QApplication::processEvents();
        FlexGrid* list = f.find<FlexGrid>("msgHenList");
        QCOMPARE(list->Rows(), 61);
        QCOMPARE(list->TextMatrix(60, 0), QStringLiteral("60"));
        const int lastShown = list->rowAt(list->viewport()->height() - 1);
        QCOMPARE(lastShown, 59);  // body row 60, the latest viewing, is in view
        QVERIFY(list->TopRow() > 1);
        f.checkBoxes();
    }

    void monthCaptionsAndMerging() {
        QCOMPARE(yearMonthCaption(u"2003/05"), QStringLiteral("2003年05月"));
        QCOMPARE(yearMonthCaption(u"2003/5/"), QStringLiteral("2003年05月"));
        QCOMPARE(yearMonthCaption(u"2003/00"), QStringLiteral("2003/00"));
        KansyouTable t;
        for (const char* d : {"2003/05/10", "2003/5/1", "2003/06/01", ""})
            t.append({QString::fromUtf8(d), QStringLiteral("甲"), QString()});
        const ViewingTally tally(t);
        const auto months =
            viewingCounts(tally, ViewingTally::YearMonth, {"2003/05", "2003/5/", "2003/06"});
        QCOMPARE(months.size(), 2);
        QCOMPARE(months[0].value, QStringLiteral("2003年05月"));
        QCOMPARE(months[0].count, 2);
        QCOMPARE(months[1].count, 1);
        QCOMPARE(tally.count(ViewingTally::Year, u"2003年"), 3);
        QCOMPARE(tally.count(ViewingTally::Year, u"2003"), 0);
        // A title listed twice (two titles of one name) shows its count on both rows.
        const auto titles = viewingCounts(tally, ViewingTally::Title, {"甲", "甲"});
        QCOMPARE(titles.size(), 2);
        QCOMPARE(titles[1].count, 4);

        // A file written elsewhere may date a viewing 2003年12月1日: "2003年12" in the list.
        KansyouTable typed;
        for (const char* d : {"2003年12月1日", "2003/12/24", "2003年6月1日"})
            typed.append({QString::fromUtf8(d), QStringLiteral("甲"), QString()});
        const auto typedMonths = viewingCounts(ViewingTally(typed), ViewingTally::YearMonth,
                                               {"2003年12", "2003/12", "2003年6月"});
        QCOMPARE(typedMonths.size(), 2);
        QCOMPARE(typedMonths[0].value, QStringLiteral("2003年12月"));
        QCOMPARE(typedMonths[0].count, 2);
        QCOMPARE(typedMonths[1].value, QStringLiteral("2003年06月"));
    }
};

REELNOTE_TEST(TestViewingList)
#include "tst_viewing_list.moc"
