#include "card/sub_texts.h"
#include "main_fixture.h"
#include "store/catalogue.h"
#include "test_files.h"
#include "test_registry.h"

#include <QComboBox>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

using namespace TestFiles;

class TestSubTexts : public QObject {
    Q_OBJECT
private:
    void start(MainFixture& f) {
        writeFreshMasters(f.path(), false);
        writeCp932(f.path(), kDataFile, titleRecord("甲") + titleRecord("乙"));
        f.start();
    }
    QPlainTextEdit* box(MainFixture& f, int k) {
        return f.find<QPlainTextEdit>(QStringLiteral("txtSubData_%1").arg(k));
    }

private slots:
    void fileTextRules() {
        using namespace SubTexts;
        QCOMPARE(fromFile(u"a\r\nb\r\n"), QStringLiteral("a\r\nb"));
        QCOMPARE(fromFile(u"a\r\nb"), QStringLiteral("a\r\nb"));
        QCOMPARE(fromFile(u"a\rb\r\n"), QStringLiteral("a\r\nb"));  // a lone CR ends a line
        QCOMPARE(fromFile(u"a\r\n\r\n"), QStringLiteral("a\r\n"));
        QCOMPARE(fromFile(u""), QString());
        for (const QString& typed :
             {QStringLiteral("一\r\n二\r\n三"), QStringLiteral("末尾\r\n\r\n"),
              QStringLiteral("\r\n"), QStringLiteral("x")})
            QCOMPARE(fromFile(toFile(typed)), typed);
    }

    void viewButtonsOpenOnePanelAtATime() {
        MainFixture f;
        start(f);
        const QColor open(0xFF, 0xE0, 0xC0);
        auto colour = [&](int k) {
            return f.find<QPushButton>(QStringLiteral("cmdHyouji%1").arg(k))
                ->palette()
                .color(QPalette::Button);
        };
        QCOMPARE(colour(1), open);  // start-up selects "メイン"
        QTest::mouseClick(f.find<QPushButton>("cmdHyouji3"), Qt::LeftButton);
        QVERIFY(!f.find<QWidget>("fraSubGamen_2")->isHidden());
        QVERIFY(f.find<QWidget>("fraSubGamen_1")->isHidden());
        QCOMPARE(colour(3), open);
        QVERIFY(colour(1) != open);
        QTest::mouseClick(f.find<QPushButton>("cmdHyouji1"), Qt::LeftButton);
        for (int k = 1; k <= 3; ++k)
            QVERIFY(f.find<QWidget>(QStringLiteral("fraSubGamen_%1").arg(k))->isHidden());
        QCOMPARE(f.find<QPushButton>("cmdHyouji4")->text(), QStringLiteral("感想　・　メモ"));
        QCOMPARE(f.find<QPushButton>("cmdSubData1")->text(), QStringLiteral("キャスト　保存"));
        f.checkBoxes();
    }

    void saveAndReloadGiveBackTheTypedText() {
        MainFixture f;
        start(f);
        QTest::mouseClick(f.find<QPushButton>("cmdHyouji4"), Qt::LeftButton);
        box(f, 3)->setPlainText(QStringLiteral("一行目～①\n\n三行目\n"));
        QTest::mouseClick(f.find<QPushButton>("cmdSubData3"), Qt::LeftButton);
        QCOMPARE(readBytes(f.path(), QStringLiteral("メモ_甲.txt")),
                 cp932(QStringLiteral("一行目～①\r\n\r\n三行目\r\n\r\n")));
        QCOMPARE(f.find<QListView>("filMemo")->model()->rowCount(), 1);

        // Another title in the open panel shows its own (empty) memo; back again, the text returns.
        auto* hsb = f.find<QScrollBar>("hsbData");
        hsb->setValue(2);
        QVERIFY(!f.find<QWidget>("fraSubGamen_3")->isHidden());
        QCOMPARE(box(f, 3)->toPlainText(), QString());
        hsb->setValue(1);
        QCOMPARE(box(f, 3)->toPlainText(), QStringLiteral("一行目～①\n\n三行目\n"));

        // Saving an empty text deletes the file.
        box(f, 3)->clear();
        QTest::mouseClick(f.find<QPushButton>("cmdSubData3"), Qt::LeftButton);
        QVERIFY(!QFile::exists(QDir(f.path()).filePath(QStringLiteral("メモ_甲.txt"))));
        QCOMPARE(f.find<QListView>("filMemo")->model()->rowCount(), 0);
        f.checkBoxes();
    }

    void saveGoesToTheTypedTitleAndRefusesUnsafeNames() {
        MainFixture f;
        start(f);
        auto* name = f.find<QComboBox>("cboName");
        name->setEditText(QStringLiteral("別名"));
        box(f, 1)->setPlainText(QStringLiteral("出演者"));
        QTest::mouseClick(f.find<QPushButton>("cmdSubData1"), Qt::LeftButton);
        QVERIFY(QFile::exists(QDir(f.path()).filePath(QStringLiteral("キャスト_別名.txt"))));

        // Each refusal says what is wrong with the name.
        const QList<QPair<QString, QString>> bad = {
            {QStringLiteral("../外"), QStringLiteral("の文字は使えません")},
            {QStringLiteral("a:b"), QStringLiteral("の文字は使えません")},
            {QString(), QStringLiteral("タイトル名が空です")},
            {QString(300, u'長'), QStringLiteral("長すぎて")}};
        for (const auto& [typed, told] : bad) {
            f.prompts.planAnswer(Prompts::Answer::Ok);
            name->setEditText(typed);
            QTest::mouseClick(f.find<QPushButton>("cmdSubData1"), Qt::LeftButton);
            QCOMPARE(f.prompts.boxes.last().title, QStringLiteral("入力制限"));
            QVERIFY2(f.prompts.boxes.last().text.contains(told),
                     qPrintable(f.prompts.boxes.last().text));
        }
        QVERIFY(!QFile::exists(QDir(f.path()).filePath(QStringLiteral("../キャスト_../外.txt"))));

        name->setEditText(QStringLiteral("甲"));
        box(f, 2)->setPlainText(QStringLiteral("Amélie"));
        f.prompts.planAnswer(Prompts::Answer::Ok);
        QTest::mouseClick(f.find<QPushButton>("cmdSubData2"), Qt::LeftButton);
        QVERIFY(f.prompts.boxes.last().text.contains(QStringLiteral("「é」")));
        QVERIFY(!QFile::exists(QDir(f.path()).filePath(QStringLiteral("あらすじ_甲.txt"))));
        f.checkBoxes();
    }

    void existingTextsLoadWithTheTitle() {
        MainFixture f;
        writeCp932(f.path(), QStringLiteral("キャスト_甲.TXT"),
                   QStringLiteral("三船敏郎\r\n志村喬\r\n"));
        start(f);
        QCOMPARE(box(f, 1)->toPlainText(), QStringLiteral("三船敏郎\n志村喬"));
        QCOMPARE(f.find<QListView>("filCast")->model()->rowCount(), 1);
        // The lists follow the texts the card writes.
        QAbstractItemModel* synopses = f.find<QListView>("filArasuji")->model();
        QCOMPARE(synopses->rowCount(), 0);
        box(f, 2)->setPlainText(QStringLiteral("あらすじの一行"));
        QTest::mouseClick(f.find<QPushButton>("cmdSubData2"), Qt::LeftButton);
        QCOMPARE(synopses->rowCount(), 1);
        QCOMPARE(synopses->index(0, 0).data().toString(), QStringLiteral("あらすじ_甲.txt"));
        f.checkBoxes();
    }
};

REELNOTE_TEST(TestSubTexts)
#include "tst_sub_texts.moc"
