#include "../store/disk_faults.h"
#include "card/sub_texts.h"
#include "main_fixture.h"
#include "store/catalogue.h"
#include "test_files.h"
#include "test_registry.h"

#include <QElapsedTimer>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

#include <unistd.h>

using namespace TestFiles;

namespace {
const QString kMemo = QStringLiteral("メモ_甲.txt");
const QString kNotRegular =
    QStringLiteral("通常のファイルではありません（フォルダー、名前付きパイプ、装置などです）。");

// A test that would wait for ever on a pipe ends in a failure instead.
struct Watchdog {
    explicit Watchdog(unsigned seconds) { ::alarm(seconds); }
    ~Watchdog() { ::alarm(0); }
};

QStringList backups(const QString& dir) {
    return QDir(dir).entryList({QStringLiteral("*.bak")}, QDir::Files);
}
}  // namespace

// Free texts as other editors and other mishaps leave them: what can be read is
// shown, the user is told once what was wrong, and no save loses the original.
class TestSubTextReading : public QObject {
    Q_OBJECT
private:
    FailingDisk disk_;

    void start(MainFixture& f) {
        writeFreshMasters(f.path(), false);
        writeCp932(f.path(), kDataFile, titleRecord("甲") + titleRecord("乙"));
        f.start();
    }
    QPlainTextEdit* memo(MainFixture& f) { return f.find<QPlainTextEdit>("txtSubData_3"); }
    void saveMemo(MainFixture& f, const QString& text) {
        memo(f)->setPlainText(text);
        QTest::mouseClick(f.find<QPushButton>("cmdSubData3"), Qt::LeftButton);
    }
    void turnTo(MainFixture& f, int n) { f.find<QScrollBar>("hsbData")->setValue(n); }
    void toldOnce(MainFixture& f, const QString& title, const QString& text) {
        QCOMPARE(f.prompts.boxes.size(), 1);
        QCOMPARE(f.prompts.boxes[0].title, title);
        QCOMPARE(f.prompts.boxes[0].icon, Prompts::Icon::Exclamation);
        QCOMPARE(f.prompts.boxes[0].text, text);
        f.checkBoxes();
        f.prompts.reset();
    }

private slots:
    void cleanup() { disk_.heal(); }

    void memoWithABadByteShowsWhatCouldBeRead() {
        MainFixture f;
        const QByteArray original = cp932(QStringLiteral("良い映画")) + "\xFF" +
                                    cp932(QStringLiteral("だった\r\n二行目\r\n"));
        writeBytes(f.path(), kMemo, original);
        f.prompts.planAnswer(Prompts::Answer::Ok);
        start(f);
        toldOnce(
            f, QStringLiteral("感想・メモの読み込み"),
            QStringLiteral("「メモ_甲.txt」を最後まで正しく読み込めませんでした。\r\n"
                           "1行目にコードページ932（シフトJIS）として読めない文字があります。"
                           "\r\n\r\n読めなかった部分は「〓」で表示しています。保存するときは、"
                           "その前に元のファイルを同じフォルダーへ「メモ_甲.txt.日時.bak」"
                           "として残します。空にして保存しても、このファイルは削除しません。"));
        QCOMPARE(memo(f)->toPlainText(), QStringLiteral("良い映画〓だった\n二行目"));
        // Told once: paging away and back shows the text again without a box.
        turnTo(f, 2);
        turnTo(f, 1);
        QCOMPARE(f.prompts.boxes.size(), 0);
        QCOMPARE(memo(f)->toPlainText(), QStringLiteral("良い映画〓だった\n二行目"));

        // Saved empty, a file not read whole is not deleted.
        auto expected = snapshot(f.path());
        f.prompts.planAnswer(Prompts::Answer::Ok);
        saveMemo(f, QString());
        QCOMPARE(f.prompts.boxes.size(), 1);
        QCOMPARE(f.prompts.boxes[0].title, QStringLiteral("保存できません"));
        QCOMPARE(f.prompts.boxes[0].text,
                 QStringLiteral("「メモ_甲.txt」は最後まで読み込めなかったため、空にして保存しても"
                                "削除しません。\r\nファイルはそのまま残っています。"));
        f.checkBoxes();
        f.prompts.reset();
        QCOMPARE(snapshot(f.path()), expected);

        // A save keeps the original beside the new text first.
        saveMemo(f, QStringLiteral("良い映画だった\n二行目"));
        QCOMPARE(f.prompts.boxes.size(), 0);
        const QStringList kept = backups(f.path());
        QCOMPARE(kept.size(), 1);
        QVERIFY(kept[0].startsWith(kMemo + u'.'));
        expected[kMemo] = cp932(QStringLiteral("良い映画だった\r\n二行目\r\n"));
        expected[kept[0]] = original;
        QCOMPARE(snapshot(f.path()), expected);
        // Written whole by us, it may now be deleted by an empty save.
        saveMemo(f, QString());
        QVERIFY(!QFile::exists(QDir(f.path()).filePath(kMemo)));
        QCOMPARE(f.find<QListView>("filMemo")->model()->rowCount(), 0);
        f.checkBoxes();
    }

    void utf16AndBinaryTexts() {
        MainFixture f;
        QByteArray utf16("\xFF\xFE");
        const QString cast = QStringLiteral("三船敏郎\r\n志村喬\r\n");
        utf16.append(reinterpret_cast<const char*>(cast.utf16()), cast.size() * 2);
        writeBytes(f.path(), QStringLiteral("キャスト_甲.txt"), utf16);
        const QByteArray binary("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16);
        writeBytes(f.path(), QStringLiteral("あらすじ_甲.txt"), binary);
        f.prompts.planAnswer(Prompts::Answer::Ok);
        start(f);
        // UTF-16 is read whole; only the binary file is reported.
        toldOnce(
            f, QStringLiteral("あらすじの読み込み"),
            QStringLiteral("「あらすじ_甲.txt」を最後まで正しく読み込めませんでした。\r\n"
                           "3行目から、文字ではないデータ（バイナリ）が含まれています。"
                           "\r\n\r\n読めなかった部分は「〓」で表示しています。保存するときは、"
                           "その前に元のファイルを同じフォルダーへ「あらすじ_甲.txt.日時.bak」"
                           "として残します。空にして保存しても、このファイルは削除しません。"));
        QCOMPARE(f.find<QPlainTextEdit>("txtSubData_1")->toPlainText(),
                 QStringLiteral("三船敏郎\n志村喬"));
        QVERIFY(f.find<QPlainTextEdit>("txtSubData_2")->toPlainText().contains(QChar(0x3013)));
        // Saved, the cast is code page 932 and the UTF-16 original is kept.
        QTest::mouseClick(f.find<QPushButton>("cmdSubData1"), Qt::LeftButton);
        QCOMPARE(readBytes(f.path(), QStringLiteral("キャスト_甲.txt")), cp932(cast));
        QCOMPARE(backups(f.path()).size(), 1);
        QCOMPARE(readBytes(f.path(), backups(f.path())[0]), utf16);
        f.checkBoxes();
    }

    // Half-width katakana in code page 932 can be valid UTF-8 by chance (ﾎｱ is CE B1,
    // α in UTF-8); such a memo is still code page 932, shown and kept as it is.
    void halfWidthKatakanaMemoStaysCodePage932() {
        MainFixture f;
        const QByteArray original = cp932(QStringLiteral("ﾎｱ\r\n"));
        QCOMPARE(original, QByteArray("\xCE\xB1\r\n"));
        writeBytes(f.path(), kMemo, original);
        start(f);
        QCOMPARE(f.prompts.boxes.size(), 0);
        QCOMPARE(memo(f)->toPlainText(), QStringLiteral("ﾎｱ"));
        const auto before = snapshot(f.path());
        saveMemo(f, memo(f)->toPlainText());
        QCOMPARE(snapshot(f.path()), before);  // the same bytes, and no copy kept
        f.checkBoxes();
    }

    // A pipe under a memo's or a poster's name: the card never waits on it, and
    // a memo that could not be read is neither replaced nor removed.
    void pipesAreNeverWaitedOn() {
        MainFixture f;
        for (const QString& name : {kMemo, QStringLiteral("甲.jpg")})
            QVERIFY(::mkfifo(QFile::encodeName(QDir(f.path()).filePath(name)).constData(), 0644) ==
                    0);
        f.prompts.planAnswer(Prompts::Answer::Ok);
        f.prompts.planAnswer(Prompts::Answer::Ok);
        {
            const Watchdog watchdog(20);
            start(f);
            turnTo(f, 2);
            turnTo(f, 1);
        }
        // Each is told about once, however often the title is shown.
        QCOMPARE(f.prompts.boxes.size(), 2);
        const int poster = f.prompts.boxes[0].title == QStringLiteral("画像の読み込み") ? 0 : 1;
        QCOMPARE(f.prompts.boxes[poster].title, QStringLiteral("画像の読み込み"));
        QCOMPARE(
            f.prompts.boxes[poster].text,
            QStringLiteral("「甲.jpg」は通常のファイルではないため、画像として表示しません。"));
        f.prompts.boxes.removeAt(poster);
        toldOnce(f, QStringLiteral("感想・メモの読み込み"),
                 QStringLiteral("「メモ_甲.txt」を読み込めませんでした。\r\n") + kNotRegular +
                     QStringLiteral("\r\n\r\nこのファイルは上書きも削除もしません。"));
        QCOMPARE(memo(f)->toPlainText(), QString());
        const auto before = snapshot(f.path());
        const QString refused =
            QStringLiteral("「メモ_甲.txt」は読み込めなかったため、上書きも削除もしません。\r\n") +
            kNotRegular +
            QStringLiteral("\r\nファイルを確かめてから、タイトルを表示し直してください。");
        for (const QString& text : {QStringLiteral("新しい感想"), QString()}) {
            f.prompts.planAnswer(Prompts::Answer::Ok);
            saveMemo(f, text);
            QCOMPARE(f.prompts.boxes.size(), 1);
            QCOMPARE(f.prompts.boxes[0].title, QStringLiteral("保存できません"));
            QCOMPARE(f.prompts.boxes[0].text, refused);
            f.checkBoxes();
            f.prompts.reset();
            QCOMPARE(snapshot(f.path()), before);
        }
    }

    // A memo that cannot be read for now (no permission) is told about when its
    // title is shown and is writable again once it has been read.
    void memoWithoutPermission() {
        MainFixture f;
        writeCp932(f.path(), QStringLiteral("メモ_乙.txt"), QStringLiteral("大事な感想\r\n"));
        start(f);
        f.window->catalogue().dir().setFileSystem(&disk_);
        disk_.readError = EACCES;
        f.prompts.planAnswer(Prompts::Answer::Ok);
        turnTo(f, 2);
        toldOnce(f, QStringLiteral("感想・メモの読み込み"),
                 QStringLiteral("「メモ_乙.txt」を読み込めませんでした。\r\n"
                                "ファイルまたはフォルダーにアクセスする権限がありません。\r\n\r\n"
                                "このファイルは上書きも削除もしません。"));
        const auto before = snapshot(f.path());
        f.prompts.planAnswer(Prompts::Answer::Ok);
        saveMemo(f, QString());
        QCOMPARE(f.prompts.boxes.size(), 1);
        f.prompts.reset();
        QCOMPARE(snapshot(f.path()), before);

        disk_.readError = 0;
        turnTo(f, 1);
        turnTo(f, 2);
        QCOMPARE(memo(f)->toPlainText(), QStringLiteral("大事な感想"));
        saveMemo(f, QStringLiteral("大事な感想\n追記"));
        QCOMPARE(f.prompts.boxes.size(), 0);
        QCOMPARE(readCp932(f.path(), QStringLiteral("メモ_乙.txt")),
                 QStringLiteral("大事な感想\r\n追記\r\n"));
        f.checkBoxes();
    }

    // A megabyte on one line opens in about a second and leaves other titles' page
    // turns alone; laying such a line out word-wrapped took half a minute.
    void oneMegabyteOnOneLine() {
        MainFixture f;
        QByteArray line;
        for (int i = 0; i < 100000; ++i) line += "abcdefghij";
        writeBytes(f.path(), kMemo, line);
        QElapsedTimer t;
        t.start();
        start(f);
        QTest::mouseClick(f.find<QPushButton>("cmdHyouji4"), Qt::LeftButton);
        memo(f)->grab();  // laid out and drawn, as on the screen
        const qint64 open = t.restart();
        QCOMPARE(memo(f)->toPlainText().size(), line.size());
        QCOMPARE(memo(f)->wordWrapMode(), QTextOption::WrapAnywhere);
        turnTo(f, 2);
        memo(f)->grab();
        const qint64 turn = t.restart();
        QCOMPARE(memo(f)->wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
        qInfo("opening: %lld ms, turning to another title: %lld ms", open, turn);
        // Bounds with room for a busy machine, far below what the square cost took.
        QVERIFY2(open < 6000, qPrintable(QString::number(open)));
        QVERIFY2(turn < 500, qPrintable(QString::number(turn)));
        f.checkBoxes();
    }

    void conversionsAreOnePass() {
        using namespace SubTexts;
        // The rules of line ends, at the edges.
        QCOMPARE(fromFile(u"a\rb\nc\r\n"), QStringLiteral("a\r\nb\r\nc"));
        QCOMPARE(fromFile(u"\r\n\r\n"), QStringLiteral("\r\n"));
        QCOMPARE(fromFile(u"a\r"), QStringLiteral("a"));
        QCOMPARE(toCrLf(QStringLiteral("a\nb") + QChar::LineSeparator + u'c' +
                        QChar::ParagraphSeparator),
                 QStringLiteral("a\r\nb\r\nc\r\n"));
        QCOMPARE(toCrLf(QStringLiteral("a\rb")), QStringLiteral("a\rb"));  // a lone CR stays
        QCOMPARE(fromCrLf(QStringLiteral("a\r\nb\rc\r\n")), QStringLiteral("a\nb\rc\n"));
        QCOMPARE(longestLine(u"ab\r\nabcd\rabc"), qsizetype(4));
        QCOMPARE(longestLine(u""), qsizetype(0));
        // Two million line ends convert in a blink, not in time growing with their square.
        QString many;
        for (int i = 0; i < 1000000; ++i) many += QStringLiteral("a\n");
        QElapsedTimer t;
        t.start();
        const QString crlf = toCrLf(many);
        const QString back = fromCrLf(fromFile(crlf));
        QVERIFY2(t.elapsed() < 2000, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(crlf.size(), many.size() * 3 / 2);
        QCOMPARE(back, many.chopped(1));
    }
};

REELNOTE_TEST(TestSubTextReading)
#include "tst_sub_text_reading.moc"
