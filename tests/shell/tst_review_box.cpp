#include "shell/prompts.h"
#include "test_registry.h"

#include <QDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

// The box an import is looked over in, built as review shows it but never
// opened modally.
class TestReviewBox : public QObject {
    Q_OBJECT
private:
    // A preview of many titles, one of them long and without spaces, as
    // Japanese titles are.
    static QString preview(const QString& word) {
        QString text = QStringLiteral("新しいタイトル（1,000件、鑑賞は「%1」）\n").arg(word);
        text += QStringLiteral("・") + QString(300, QChar(u'長')) + u'\n';
        for (int i = 1; i < 1000; ++i) text += QStringLiteral("・映画 %1 (1999)\n").arg(i);
        return text;
    }

private slots:
    void longLinesWrapInABoxThatFitsTheScreen() {
        const auto box = QtPrompts::reviewBox(QStringLiteral("取り込み"), QString(), QString(),
                                              &TestReviewBox::preview, nullptr);
        box->show();
        QCoreApplication::processEvents();
        auto* text = box->findChild<QPlainTextEdit*>(QStringLiteral("reviewText"));
        QVERIFY(text);
        QVERIFY(text->isReadOnly());
        QCOMPARE(text->toPlainText(), preview(QString()));
        // Nothing is cut at the right edge: no line reaches past it.
        QCOMPARE(text->lineWrapMode(), QPlainTextEdit::WidgetWidth);
        QCOMPARE(text->horizontalScrollBar()->maximum(), 0);
        QVERIFY(text->document()->findBlockByNumber(1).layout()->lineCount() > 1);

        // It opens as wide as the long line asks, within most of the screen, and
        // can be made larger or smaller.
        const QSize most = QGuiApplication::primaryScreen()->availableGeometry().size() * 0.8;
        QCOMPARE(box->width(), most.width());
        QVERIFY(box->height() <= most.height());
        QVERIFY(box->isSizeGripEnabled());
        QVERIFY(box->minimumWidth() < box->maximumWidth());
        QVERIFY(box->minimumHeight() < box->maximumHeight());
        box->resize(most.width() / 2, most.height() / 2);
        QCOMPARE(box->size(), QSize(most.width() / 2, most.height() / 2));
    }

    void aShortTextGetsAModestBoxAndTheLineStillSteersIt() {
        const auto textFor = [](const QString& word) {
            return QStringLiteral("鑑賞内容:「%1」").arg(word);
        };
        const auto box =
            QtPrompts::reviewBox(QStringLiteral("取り込み"), QStringLiteral("鑑賞内容:"),
                                 QStringLiteral("映画館"), textFor, nullptr);
        const QSize most = QGuiApplication::primaryScreen()->availableGeometry().size() * 0.8;
        QCOMPARE(box->size(), QSize(640, 480).boundedTo(most));
        auto* text = box->findChild<QPlainTextEdit*>(QStringLiteral("reviewText"));
        auto* line = box->findChild<QLineEdit*>(QStringLiteral("reviewValue"));
        QVERIFY(text && line);
        QCOMPARE(line->text(), QStringLiteral("映画館"));
        QCOMPARE(text->toPlainText(), QStringLiteral("鑑賞内容:「映画館」"));
        line->setText(QStringLiteral("DVD"));
        QCOMPARE(text->toPlainText(), QStringLiteral("鑑賞内容:「DVD」"));
    }
};

REELNOTE_TEST(TestReviewBox)
#include "tst_review_box.moc"
