#include "grid_rows.h"
#include "main_fixture.h"
#include "shell/flex_grid.h"
#include "store/catalogue.h"
#include "test_files.h"
#include "test_registry.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

using namespace TestFiles;

namespace {
const auto rec = historyRecordLine;

}  // namespace

class TestHistoryEntry : public QObject {
    Q_OBJECT
private:
    void start(MainFixture& f, const QString& history) {
        writeFreshMasters(f.path(), false);
        writeCp932(f.path(), kDataFile, titleRecord("甲") + titleRecord("乙"));
        if (!history.isNull()) writeCp932(f.path(), kHistoryFile, history);
        f.start();
    }
    void enter(MainFixture& f, const QString& date, const QString& content) {
        emit f.find<FlexGrid>("msgKansyou")->DblClick();
        f.find<QLineEdit>("txtKansyoubi")->setText(date);
        f.find<QComboBox>("cboKansyou")->setEditText(content);
        QTest::mouseClick(f.find<QPushButton>("cmdRirekiHozon"), Qt::LeftButton);
    }

private slots:
    void cardListsTheShownTitlesViewings() {
        MainFixture f;
        start(f, rec("2003/05/10", "甲", "DVD") + rec("2003/06/01", "乙", "映画館") +
                     rec("2004/01/02", "甲", "テレビ") + rec("2004/02/02", "甲 ", "別題"));
        auto* card = f.find<FlexGrid>("msgKansyou");
        QCOMPARE(card->TextMatrix(0, 0), QStringLiteral("回"));
        QCOMPARE(card->TextMatrix(0, 1), QStringLiteral("鑑賞日"));
        QCOMPARE(card->TextMatrix(0, 2), QStringLiteral("鑑賞内容"));
        // The card numbers its own viewings; the viewing list numbers the whole file.
        QCOMPARE(gridRows(card), (QStringList{"1|03/05/10|DVD", "2|04/01/02|テレビ"}));
        // The whole history shows on the viewing list once it is opened.
        f.find<QPushButton>("cmdList")->click();
        auto* all = f.find<FlexGrid>("msgHenList");
        QCOMPARE(all->Rows(), 5);
        QCOMPARE(gridRows(all).last(), QStringLiteral("4|2004/02/02|甲 |別題"));
        f.find<QPushButton>("cmdMain")->click();
        f.find<QScrollBar>("hsbData")->setValue(2);
        QCOMPARE(gridRows(card), QStringList{"1|03/06/01|映画館"});
        QCOMPARE(f.find<QComboBox>("cboKansyou")->count(), 4);
        f.checkBoxes();
    }

    void enteringAViewingKeepsDateOrder() {
        MainFixture f;
        start(f, rec("2003/05/10", "乙", "DVD") + rec("2004/01/02", "乙", "テレビ"));
        auto* frame = f.find<QGroupBox>("fraRirekiHozon");
        QVERIFY(frame->isHidden());
        emit f.find<FlexGrid>("msgKansyou")->DblClick();
        QVERIFY(!frame->isHidden());
        QCOMPARE(f.find<QLineEdit>("txtKansyoubi")->text(), QStringLiteral("2026/12/07"));  // today

        enter(f, "2003/5/10", "映画館");  // same date as the first: after it
        QVERIFY(frame->isHidden());
        QCOMPARE(readCp932(f.path(), kHistoryFile), rec("2003/05/10", "乙", "DVD") +
                                                        rec("2003/05/10", "甲", "映画館") +
                                                        rec("2004/01/02", "乙", "テレビ"));
        QCOMPARE(gridRows(f.find<FlexGrid>("msgKansyou")), QStringList{"1|03/05/10|映画館"});
        f.find<QPushButton>("cmdList")->click();
        QCOMPARE(f.find<FlexGrid>("msgHenList")->Rows(), 4);
        f.find<QPushButton>("cmdMain")->click();
        // First-seen order follows the file, where the new record now stands before テレビ.
        QCOMPARE(f.find<QComboBox>("cboKansyou")->findText(QStringLiteral("映画館")), 1);

        enter(f, "2005/01/01", "配信");  // the latest: appended
        QVERIFY(readCp932(f.path(), kHistoryFile).endsWith(rec("2005/01/01", "甲", "配信")));
        QCOMPARE(gridRows(f.find<FlexGrid>("msgKansyou")),
                 (QStringList{"1|03/05/10|映画館", "2|05/01/01|配信"}));
        // The content typed earlier stays for the next entry; the date is today again.
        emit f.find<FlexGrid>("msgKansyou")->DblClick();
        QCOMPARE(f.find<QComboBox>("cboKansyou")->currentText(), QStringLiteral("配信"));
        QCOMPARE(f.find<QLineEdit>("txtKansyoubi")->text(), QStringLiteral("2026/12/07"));
        QTest::mouseClick(f.find<QPushButton>("cmdYame1"), Qt::LeftButton);
        QVERIFY(frame->isHidden());
        f.checkBoxes();
    }

    void missingHistoryIsEmptyAndFirstViewingCreatesIt() {
        MainFixture f;
        start(f, QString());
        auto* grid = f.find<FlexGrid>("msgKansyou");
        QCOMPARE(grid->Rows(), 1);
        // A title without viewings has no row to double-click: the empty grid opens the entry too.
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        QVERIFY(!f.find<QGroupBox>("fraRirekiHozon")->isHidden());
        QTest::mouseClick(f.find<QPushButton>("cmdYame1"), Qt::LeftButton);
        enter(f, "2003/05/10", "DVD");
        QCOMPARE(readBytes(f.path(), kHistoryFile), cp932(rec("2003/05/10", "甲", "DVD")));
        f.checkBoxes();
    }

    void headerDoubleClickOpensTheEntryAndColumnsKeepTheirWidths() {
        // The program's own font is larger than the test default; the grid keeps its widths.
        const QFont before = QApplication::font();
        QFont big = before;
        big.setPointSize(16);
        QApplication::setFont(big);
        MainFixture f;
        start(f, QString());
        QApplication::setFont(before);
        auto* grid = f.find<FlexGrid>("msgKansyou");
        QCOMPARE(grid->columnWidth(0), 27);  // 400 twips
        QCOMPARE(grid->ColWidth(0), 400);
        QCOMPARE(grid->ColWidth(1), 1130);
        QCOMPARE(grid->ColWidth(2), 2260);
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        // For a title without viewings the header is what the user sees and double-clicks.
        f.clock.day = QDate(2024, 2, 29);
        QHeaderView* h = grid->horizontalHeader();
        const QPoint at(h->sectionViewportPosition(1) + 10, h->height() / 2);
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(h->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(h->viewport(), Qt::LeftButton, {}, at);
        QVERIFY(!f.find<QGroupBox>("fraRirekiHozon")->isHidden());
        QCOMPARE(f.find<QLineEdit>("txtKansyoubi")->text(), QStringLiteral("2024/02/29"));
        QVERIFY(!QFile::exists(QDir(f.path()).filePath(kHistoryFile)));
        f.checkBoxes();
    }

    void entryChecks() {
        MainFixture f;
        start(f, rec("2003/05/10", "乙", "DVD"));
        const QByteArray before = readBytes(f.path(), kHistoryFile);
        struct Case {
            QString date, content, text, title;
        };
        const QList<Case> cases = {
            {"", "DVD", "鑑賞日が入力されていません", "入力漏れ"},
            {"2003/05/10", "", "鑑賞内容が入力されていません", "入力漏れ"},
            {"2003/02/30", "DVD", "日付の形式ではありません", "日付入力違い"},
            {"2003/05/10", "友人\"宅\"", "鑑賞内容に「\"」が含まれているため保存できません。",
             "入力制限"},
            {"2003/05/10", "café", "鑑賞内容の「é」はシフトJISで保存できない文字のため使えません。",
             "入力制限"},
        };
        for (const Case& c : cases) {
            f.prompts.reset();
            f.prompts.planAnswer(Prompts::Answer::Ok);
            enter(f, c.date, c.content);
            QCOMPARE(f.prompts.boxes.size(), 1);
            QCOMPARE(f.prompts.boxes[0].text, c.text);
            QCOMPARE(f.prompts.boxes[0].title, c.title);
            QCOMPARE(f.prompts.boxes[0].icon, Prompts::Icon::Exclamation);
            QVERIFY(!f.find<QGroupBox>("fraRirekiHozon")->isHidden());  // stays open with its texts
            QCOMPARE(f.find<QLineEdit>("txtKansyoubi")->text(), c.date);
            QCOMPARE(readBytes(f.path(), kHistoryFile), before);
        }
        // A wave dash typed the JIS way is stored as its code page 932 twin.
        f.prompts.reset();
        enter(f, "2003/05/11", "名画座〜再");
        QVERIFY(readCp932(f.path(), kHistoryFile).endsWith(rec("2003/05/11", "甲", "名画座～再")));
        f.checkBoxes();
    }
};

REELNOTE_TEST(TestHistoryEntry)
#include "tst_history_entry.moc"
