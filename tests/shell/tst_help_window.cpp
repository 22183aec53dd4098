#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QToolButton>

#include "shell/help_window.h"

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    f.write(bytes);
}

// A help folder of two pages, the first linking to the second.
struct HelpFolder {
    QTemporaryDir dir;
    HelpFolder() {
        writeFile(dir.filePath("index.html"),
                  "<html><head><meta charset=\"utf-8\"><title>目次</title></head><body>"
                  "<h1>テスト目次</h1><p><a href=\"page2.html\">次のページへ</a></p>"
                  "</body></html>");
        writeFile(dir.filePath("page2.html"),
                  "<html><body><p>二ページ目</p><p><a name=\"part\"></a>後半</p></body></html>");
    }
};

QTextBrowser* browserOf(HelpWindow* w) { return w->findChild<QTextBrowser*>("helpBrowser"); }

// Clicks the link whose text is linkText, as the user would.
void clickLink(QTextBrowser* b, const QString& linkText) {
    const QTextCursor found = b->document()->find(linkText);
    QVERIFY2(!found.isNull(), qPrintable(linkText));
    QTextCursor inside(b->document());
    inside.setPosition(found.selectionStart() + 2);
    QTest::mouseClick(b->viewport(), Qt::LeftButton, {}, b->cursorRect(inside).center());
}

}  // namespace

class TestHelpWindow : public QObject {
    Q_OBJECT
private slots:
    void opensTheDocumentInAWindowOwnedByTheOwner() {
        HelpFolder folder;
        auto* owner = new QWidget;
        HelpWindows help(owner, {folder.dir.path()});
        help.open();
        QPointer<HelpWindow> w = help.window();
        QVERIFY(w && w->isVisible() && w->isWindow());
        QCOMPARE(w->parentWidget(), owner);
        QCOMPARE(w->objectName(), QStringLiteral("HelpWindow"));
        QCOMPARE(w->windowTitle(), QStringLiteral("リールノート ヘルプ"));
        QVERIFY(w->width() <= 1366 && w->height() <= 700);
        QCOMPARE(browserOf(w)->source(), QUrl::fromLocalFile(folder.dir.filePath("index.html")));
        QVERIFY(browserOf(w)->toPlainText().contains(QStringLiteral("テスト目次")));

        // The window goes with its owner; the owner gone, "ヘルプ" does nothing.
        delete owner;
        QVERIFY(w.isNull());
        help.open();
        QCOMPARE(help.openCount(), 0);
    }

    void openingAgainRaisesTheOneWindowAndCloseAllClosesIt() {
        HelpFolder folder;
        QWidget owner;
        HelpWindows help(&owner, {folder.dir.path()});
        help.closeAll();  // nothing open yet
        help.open();
        QPointer<HelpWindow> first = help.window();
        first->showMinimized();
        help.open();
        QCOMPARE(help.window(), first.data());
        QVERIFY(!first->isMinimized());
        QCOMPARE(owner.findChildren<HelpWindow*>().size(), 1);
        QCOMPARE(help.openCount(), 1);

        help.closeAll();
        QCOMPARE(help.openCount(), 0);
        QTRY_VERIFY(first.isNull());  // closed windows do not pile up

        // Closed by the user instead: the next "ヘルプ" opens a fresh window.
        help.open();
        QPointer<HelpWindow> second = help.window();
        second->close();
        help.open();
        QVERIFY(help.window() != second.data());
        QVERIFY(help.window()->isVisible());
        QCOMPARE(help.openCount(), 1);
    }

    void linksStayWithinTheHelpFolder() {
        HelpFolder folder;
        QWidget owner;
        HelpWindows help(&owner, {folder.dir.path()});
        help.open();
        QVERIFY(QTest::qWaitForWindowExposed(help.window()));
        QTextBrowser* b = browserOf(help.window());
        auto back = help.window()->findChild<QToolButton*>("cmdHelpBack");
        QVERIFY(!back->isEnabled());

        clickLink(b, QStringLiteral("次のページへ"));
        QCOMPARE(b->source().fileName(), QStringLiteral("page2.html"));
        QVERIFY(back->isEnabled());
        back->click();
        QCOMPARE(b->source().fileName(), QStringLiteral("index.html"));

        // The web and missing pages must not blank the window: the page stays.
        const QUrl index = b->source();
        help.window()->openLink(QUrl(QStringLiteral("https://example.com/")));
        help.window()->openLink(QUrl(QStringLiteral("gone.html")));
        QCOMPARE(b->source(), index);
        QVERIFY(b->toPlainText().contains(QStringLiteral("テスト目次")));

        help.window()->openLink(QUrl(QStringLiteral("page2.html#part")));
        QCOMPARE(b->source().fileName(), QStringLiteral("page2.html"));
        QCOMPARE(b->source().fragment(), QStringLiteral("part"));
    }

    void missingDocumentOpensAWindowThatSaysSo() {
        QTemporaryDir root;
        const QString absent = root.filePath("a<b>&c");  // also shows the notice escapes names
        const QString empty = root.filePath("empty");
        QVERIFY(QDir(root.path()).mkdir("empty"));
        writeFile(QDir(empty).filePath("index.html"), "");
        QWidget owner;
        HelpWindows help(&owner, {absent, empty});
        help.open();
        QVERIFY(help.window()->isVisible());
        QVERIFY(help.window()->documentPath().isEmpty());
        const QString text = browserOf(help.window())->toPlainText();
        QVERIFY2(text.contains(QStringLiteral("ヘルプ文書が見つかりません。")), qPrintable(text));
        QVERIFY2(text.contains(absent + "/index.html"), qPrintable(text));
        QVERIFY2(text.contains(empty + "/index.html"), qPrintable(text));
    }

    void searchTakesTheFirstFolderHoldingTheDocument() {
        HelpFolder a, b;
        QCOMPARE(HelpWindows::helpDirectory({"/nonexistent", b.dir.path(), a.dir.path()}),
                 b.dir.path());
        QCOMPARE(HelpWindows::helpDirectory({"/nonexistent"}), QString());
        // Next to the program first (the build tree), then the installed data folder.
        const QDir app(QCoreApplication::applicationDirPath());
        QCOMPARE(HelpWindows::searchDirectories(),
                 QStringList({app.filePath("help"),
                              QDir::cleanPath(app.filePath("../share/reelnote/help"))}));
    }

    void shippedDocumentLoadsAndItsLinksLead() {
        const QString dir = QStringLiteral(REELNOTE_SOURCE_DIR "/docs/help");
        QWidget owner;
        HelpWindows help(&owner, {dir});
        help.open();
        QVERIFY2(!help.window()->documentPath().isEmpty(), qPrintable(dir));
        QTextDocument* doc = browserOf(help.window())->document();
        QCOMPARE(doc->metaInformation(QTextDocument::DocumentTitle),
                 QStringLiteral("リールノート ヘルプ"));
        for (const char* section : {"メイン画面", "新規", "ランク", "検索", "データファイル"})
            QVERIFY2(doc->toPlainText().contains(QString::fromUtf8(section)), section);

        // Every link of the contents must land on an anchor or a file of the folder.
        QStringList names, hrefs;
        for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextCharFormat f = it.fragment().charFormat();
                names += f.anchorNames();
                if (!f.anchorHref().isEmpty()) hrefs += f.anchorHref();
            }
        }
        QVERIFY2(hrefs.size() >= 15, qPrintable(hrefs.join(' ')));
        for (const QString& href : std::as_const(hrefs)) {
            const QUrl url(href);
            if (href.startsWith('#'))
                QVERIFY2(names.contains(url.fragment()), qPrintable(href));
            else
                QVERIFY2(QFileInfo::exists(QDir(dir).filePath(url.path())), qPrintable(href));
        }
    }
};

#include "test_registry.h"
REELNOTE_TEST(TestHelpWindow)

#include "tst_help_window.moc"
