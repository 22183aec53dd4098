#include "combo_gestures.h"
#include "grid_rows.h"
#include "main_fixture.h"
#include "shell/flex_grid.h"
#include "store/catalogue.h"
#include "test_files.h"
#include "test_registry.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

using namespace TestFiles;

namespace {
QStringList backups(const QString& dir) {
    return QDir(dir).entryList({QStringLiteral("*.bak")}, QDir::Files);
}

}  // namespace

// Files written by other programs, opened in the real window: the box names what
// was wrong, the card shows what could be read, and the first edit writes the
// table in full with the original kept beside it.
class TestForeignFileScreens : public QObject {
    Q_OBJECT
private:
    void turnTo(MainFixture& f, int n) { f.find<QScrollBar>("hsbData")->setValue(n); }
    void enterViewing(MainFixture& f, const QString& date, const QString& content) {
        emit f.find<FlexGrid>("msgKansyou")->DblClick();
        f.find<QLineEdit>("txtKansyoubi")->setText(date);
        f.find<QComboBox>("cboKansyou")->setEditText(content);
        QTest::mouseClick(f.find<QPushButton>("cmdRirekiHozon"), Qt::LeftButton);
    }

private slots:
    void damagedRecordsCostOnlyThemselves() {
        MainFixture f;
        writeFreshMasters(f.path(), false);
        QString irregular = titleRecord("四", "監督B");
        irregular.replace(QStringLiteral("\"四\""), QStringLiteral("\"四\"\"五\""));
        const QByteArray original = cp932(
            titleRecord("一", "監督A") + QStringLiteral("\"二\",,,,,,,abc,0,0,0,0,0,0,,,,\r\n") +
            titleRecord("三", "", "", "", "", "", "", {50, 11}) + irregular + titleRecord("六"));
        writeBytes(f.path(), kDataFile, original);
        f.prompts.planAnswer(Prompts::Answer::Ok);
        f.start();

        QCOMPARE(f.prompts.boxes.size(), 1);
        const auto& box = f.prompts.boxes[0];
        QCOMPARE(box.title, QStringLiteral("データの読み込み"));
        QCOMPARE(box.icon, Prompts::Icon::Exclamation);
        for (const QString& part :
             {QStringLiteral("2行目（2件目）：「二」の評価点1"), QStringLiteral("4行目（4件目）"),
              QStringLiteral("評価点2の値 11"),
              QStringLiteral("タイトル4件を読み込み、読み込めなかった1件を飛ばしました。"),
              QStringLiteral("「データ.TXT.日時.bak」として残します。")})
            QVERIFY2(box.text.contains(part), qPrintable(box.text + u'\n' + part));
        QCOMPARE(readBytes(f.path(), kDataFile), original);  // untouched until an edit
        f.checkBoxes();
        f.prompts.reset();

        QCOMPARE(f.find<QLabel>("lblKensu")->text(), QStringLiteral("1 / 4"));
        turnTo(f, 2);
        QCOMPARE(f.find<QComboBox>("cboName")->currentText(), QStringLiteral("三"));
        auto* score2 = f.find<QComboBox>("cboHyouka1_2");
        QCOMPARE(score2->currentIndex(), -1);  // 11 is not on the list of 0 to 10
        QCOMPARE(score2->placeholderText(), QStringLiteral("11"));
        turnTo(f, 3);
        QCOMPARE(f.find<QComboBox>("cboName")->currentText(), QStringLiteral("四"));
        QCOMPARE(f.find<QComboBox>("cboKantoku")->currentText(), QStringLiteral("監督B"));
        QCOMPARE(f.find<QComboBox>("cboHyouka1_2")->placeholderText(), QString());

        // One edit: the file holds the four titles as read, 11 written back as it was.
        turnTo(f, 1);
        QVERIFY(ComboGestures::pickWithMouse(f.find<QComboBox>("cboHyouka1_1"), 40));
        QCOMPARE(f.prompts.boxes.size(), 0);
        QCOMPARE(readBytes(f.path(), kDataFile),
                 cp932(titleRecord("一", "監督A", "", "", "", "", "", {40}) +
                       titleRecord("三", "", "", "", "", "", "", {50, 11}) +
                       titleRecord("四", "監督B") + titleRecord("六")));
        const QStringList kept = backups(f.path());
        QCOMPARE(kept.size(), 1);
        QCOMPARE(readBytes(f.path(), kept[0]), original);
        f.checkBoxes();
    }

    // A history line of four fields is irregular on its own line: the records
    // after it keep their places, and the card shows all three viewings.
    void historyLineOfFourFieldsShiftsNothing() {
        MainFixture f;
        writeFreshMasters(f.path(), false);
        writeCp932(f.path(), kDataFile, titleRecord("一"));
        const QByteArray original =
            cp932(historyRecordLine("2003/01/01", "一", "DVD") +
                  QStringLiteral("\"2003/02/01\",\"一\",\"映画館\",\"余分\"\r\n") +
                  historyRecordLine("2003/03/01", "一", "テレビ"));
        writeBytes(f.path(), kHistoryFile, original);
        f.prompts.planAnswer(Prompts::Answer::Ok);
        f.start();
        QCOMPARE(f.prompts.boxes.size(), 1);
        QCOMPARE(f.prompts.boxes[0].title, QStringLiteral("鑑賞履歴の読み込み"));
        QVERIFY2(f.prompts.boxes[0].text.contains(QStringLiteral("2行目（2件目）")),
                 qPrintable(f.prompts.boxes[0].text));
        f.prompts.reset();
        QCOMPARE(gridRows(f.find<FlexGrid>("msgKansyou")),
                 (QStringList{"1|03/01/01|DVD", "2|03/02/01|映画館", "3|03/03/01|テレビ"}));

        enterViewing(f, QStringLiteral("2003/04/01"), QStringLiteral("配信"));
        QCOMPARE(f.prompts.boxes.size(), 0);
        QCOMPARE(readBytes(f.path(), kHistoryFile),
                 cp932(historyRecordLine("2003/01/01", "一", "DVD") +
                       historyRecordLine("2003/02/01", "一", "映画館") +
                       historyRecordLine("2003/03/01", "一", "テレビ") +
                       historyRecordLine("2003/04/01", "一", "配信")));
        const QStringList kept = backups(f.path());
        QCOMPARE(kept.size(), 1);
        QCOMPARE(readBytes(f.path(), kept[0]), original);
        f.checkBoxes();
    }

    // Characters code page 932 cannot hold in a UTF-8 data file: listed at load,
    // asked about once before the first rewrite.
    void conversionDeclinedThenAccepted() {
        MainFixture f;
        writeFreshMasters(f.path(), false);
        const QByteArray original =
            (titleRecord("Amélie", "Jeunet") + titleRecord("七人の侍", "黒澤明")).toUtf8();
        writeBytes(f.path(), kDataFile, original);
        f.prompts.planAnswer(Prompts::Answer::Ok);
        f.start();
        QCOMPARE(f.prompts.boxes.size(), 1);
        QVERIFY(f.prompts.boxes[0].text.contains(QStringLiteral("UTF-8")));
        QVERIFY2(f.prompts.boxes[0].text.contains(QStringLiteral("1行目「Amélie」の「é」→「e」")),
                 qPrintable(f.prompts.boxes[0].text));
        f.prompts.reset();
        QCOMPARE(f.find<QComboBox>("cboName")->currentText(), QStringLiteral("Amélie"));

        // No: nothing is written, and the box says why.
        f.prompts.planAnswer(Prompts::Answer::No);
        f.prompts.planAnswer(Prompts::Answer::Ok);
        QVERIFY(ComboGestures::pickWithMouse(f.find<QComboBox>("cboHyouka1_1"), 40));
        QCOMPARE(f.prompts.boxes.size(), 2);
        QCOMPARE(f.prompts.boxes[0].title, QStringLiteral("文字の変換"));
        QCOMPARE(f.prompts.boxes[0].buttons, Prompts::Buttons::YesNo);
        QCOMPARE(f.prompts.boxes[0].defaultButton, Prompts::Answer::No);
        QVERIFY(f.prompts.boxes[1].text.contains(
            QStringLiteral("変換しないことを選んだため、このファイルは書き換えません")));
        QCOMPARE(readBytes(f.path(), kDataFile), original);
        QVERIFY(backups(f.path()).isEmpty());
        QCOMPARE(f.window->catalogue().titles()[1].HyoukaTen[1], qint16(0));
        f.checkBoxes();
        f.prompts.reset();

        // Asked once: the next edit is refused without the question.
        f.prompts.planAnswer(Prompts::Answer::Ok);
        QVERIFY(ComboGestures::pickWithMouse(f.find<QComboBox>("cboHyouka1_1"), 50));
        QCOMPARE(f.prompts.boxes.size(), 1);
        QCOMPARE(readBytes(f.path(), kDataFile), original);
        f.checkBoxes();
        f.prompts.reset();

        // After a restart, yes: converted, the card shows the new name, the original kept.
        f.prompts.planAnswer(Prompts::Answer::Ok);
        f.start();
        f.prompts.reset();
        f.prompts.planAnswer(Prompts::Answer::Yes);
        QVERIFY(ComboGestures::pickWithMouse(f.find<QComboBox>("cboHyouka1_1"), 40));
        QCOMPARE(f.prompts.boxes.size(), 1);
        QCOMPARE(readBytes(f.path(), kDataFile),
                 cp932(titleRecord("Amelie", "Jeunet", "", "", "", "", "", {40}) +
                       titleRecord("七人の侍", "黒澤明")));
        const QStringList kept = backups(f.path());
        QCOMPARE(kept.size(), 1);
        QCOMPARE(readBytes(f.path(), kept[0]), original);
        QTRY_COMPARE(f.find<QComboBox>("cboName")->currentText(), QStringLiteral("Amelie"));
        f.checkBoxes();
    }
};

REELNOTE_TEST(TestForeignFileScreens)
#include "tst_foreign_file_screens.moc"
