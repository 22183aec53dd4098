#include "combo_gestures.h"
#include "main_fixture.h"
#include "shell/flex_grid.h"
#include "test_files.h"
#include "test_registry.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>

using namespace TestFiles;

namespace {
const QString kPrint = QStringLiteral("このタイトルを印刷…");
const QString kPdf = QStringLiteral("このタイトルをPDFに書き出す…");

// A right-click on w at (3, 3), as the user gives it; the card's menu it opened, or none.
QMenu* rightClick(MainFixture& f, QWidget* w) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // menus closed before
    QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(3, 3), w->mapToGlobal(QPoint(3, 3)));
    QApplication::sendEvent(w, &e);
    return f.window->findChild<QMenu*>(QStringLiteral("mnuCard"));
}

// The menu's items, each "text" or "text (off)" when disabled; the menu is closed.
QStringList items(QMenu* menu) {
    QStringList texts;
    for (QAction* a : menu->actions())
        if (!a->isSeparator()) texts << a->text() + (a->isEnabled() ? "" : " (off)");
    return texts;
}

QAction* action(QMenu* menu, int i) {
    QList<QAction*> actions = menu->actions();
    actions.removeIf([](QAction* a) { return a->isSeparator(); });
    return actions.value(i);
}

int pageCount(const QByteArray& pdf) {
    return int(pdf.count("/Type /Page") - pdf.count("/Type /Pages"));
}
}  // namespace

class TestCardMenu : public QObject {
    Q_OBJECT
private slots:
    // The card's menu names the next steps back and forward and takes them as
    // Ctrl+Z and Ctrl+Shift+Z do; the viewing grid keeps its own menu.
    void undoAndRedoByName() {
        MainFixture f;
        writeFreshMasters(f.path(), false);
        writeCp932(f.path(), kDataFile, titleRecord("甲", "黒澤明") + titleRecord("乙"));
        f.start();
        QVERIFY(ComboGestures::activate(f.window.get()));
        QMenu* menu = rightClick(f, f.find<QLabel>("imgGazou"));
        QVERIFY(menu);
        QCOMPARE(items(menu), (QStringList{"元に戻す（Ctrl+Z） (off)", "やり直す（Ctrl+Shift+Z） (off)",
                                           kPrint, kPdf, "ネットで調べる…"}));
        // The lookup opens on the card's title, as Ctrl+L opens it.
        action(menu, 4)->trigger();
        QWidget* lookup = f.window->findChild<QWidget*>(QStringLiteral("frmLookup"));
        QVERIFY(lookup && lookup->isVisible());
        QCOMPARE(lookup->findChild<QLineEdit*>(QStringLiteral("txtLookupText"))->text(),
                 QStringLiteral("甲"));
        lookup->close();
        menu->close();

        const QByteArray before = readBytes(f.path(), kDataFile);
        QTest::mouseClick(f.find<QCheckBox>("chkSyoyu_2"), Qt::LeftButton);
        const QByteArray after = readBytes(f.path(), kDataFile);
        QVERIFY(after != before);
        const QString step = QStringLiteral("所有「ブルーレイ」の変更 「甲」");
        menu = rightClick(f, f.find<QLabel>("lblKensu"));  // the title area
        QVERIFY(menu);
        QCOMPARE(items(menu).mid(0, 2),
                 (QStringList{"元に戻す：" + step + "（Ctrl+Z）", "やり直す（Ctrl+Shift+Z） (off)"}));
        action(menu, 0)->trigger();
        menu->close();
        QCOMPARE(readBytes(f.path(), kDataFile), before);
        QCOMPARE(f.window->noticeText(), "元に戻しました: " + step);

        menu = rightClick(f, f.window->card());  // the card's own margin
        QVERIFY(menu);
        QCOMPARE(items(menu).mid(0, 2), (QStringList{"元に戻す（Ctrl+Z） (off)",
                                                     "やり直す：" + step + "（Ctrl+Shift+Z）"}));
        action(menu, 1)->trigger();
        menu->close();
        QCOMPARE(readBytes(f.path(), kDataFile), after);
        QCOMPARE(f.window->noticeText(), "やり直しました: " + step);

        QVERIFY(!rightClick(f, f.find<FlexGrid>("msgKansyou")->viewport()));
        f.checkBoxes();
    }

    // The title on one page, poster and all, offered under its name; the preview
    // shows the same page.
    void theTitleIsPrintedOnOnePage() {
        MainFixture f;
        writeFreshMasters(f.path(), false);
        writeCp932(f.path(), kDataFile,
                   titleRecord("七人の侍", "黒澤明", "三船敏郎", "1954/04/26", "日本", "時代劇",
                               "◎", {90, 9, 8, 7, 6, 5, 4}, {"○", "", "○", ""}));
        writeCp932(f.path(), kHistoryFile,
                   historyRecordLine("2024/01/01", "七人の侍", "映画館") +
                       historyRecordLine("2024/02/01", "七人の侍", "DVD"));
        QImage poster(300, 450, QImage::Format_RGB32);
        poster.fill(QColor(0x40, 0x60, 0x90));
        QVERIFY(poster.save(QDir(f.path()).filePath("七人の侍.jpg"), "JPG"));
        // More than a page holds: the text is cut, the page stays one.
        writeCp932(f.path(), "あらすじ_七人の侍.txt",
                   QStringLiteral("野武士の襲撃に備え、農民たちは侍を雇う。\r\n").repeated(400));
        f.start();
        const QString out = QDir(f.path()).filePath("card.pdf");
        f.prompts.planInput(out);
        QMenu* menu = rightClick(f, f.find<QLabel>("imgGazou"));
        QVERIFY(menu);
        action(menu, 3)->trigger();
        menu->close();
        QCOMPARE(f.prompts.boxes.size(), 1);
        QVERIFY(f.prompts.boxes[0].defaultText.endsWith(QStringLiteral("/七人の侍.pdf")));
        const QByteArray pdf = readBytes(f.path(), "card.pdf");
        QVERIFY(pdf.startsWith("%PDF-"));
        QCOMPARE(pageCount(pdf), 1);
        QVERIFY(pdf.contains("/Subtype /Image"));

        menu = rightClick(f, f.find<QLabel>("imgGazou"));
        action(menu, 2)->trigger();
        menu->close();
        QPrintPreviewDialog* preview = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QStringLiteral("dlgPrintPreview") && w->isVisible())
                preview = qobject_cast<QPrintPreviewDialog*>(w);
        QVERIFY(preview);
        QCOMPARE(preview->findChild<QPrintPreviewWidget*>()->pageCount(), 1);
        preview->close();
        f.checkBoxes();
    }
};

REELNOTE_TEST(TestCardMenu)
#include "tst_card_menu.moc"
