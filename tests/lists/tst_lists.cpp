#include "main_fixture.h"
#include "shell/flex_grid.h"
#include "store/catalogue.h"
#include "test_files.h"
#include "test_registry.h"

#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

using namespace TestFiles;

namespace {
const char* const kFrames[] = {nullptr, "fraIchiran", "fraIchiran2", "fraIchiran3"};
const char* const kGrids[] = {nullptr, "msgIchiran", "msgIchiran2", "msgIchiran3"};
const char* const kButtons[] = {nullptr, "cmdIchiran", "cmdIchiran2", "cmdIchiran3"};

// One title of a test collection, all fields given.
struct Rec {
    QString name, kantoku, syuen, koukai, kuni, janru, hyouka;
    QList<int> scores;
    QStringList syoyu;
    QString line() const {
        return titleRecord(name, kantoku, syuen, koukai, kuni, janru, hyouka, scores, syoyu);
    }
};

QString records(const QList<Rec>& recs) {
    QString text;
    for (const Rec& r : recs) text += r.line();
    return text;
}

const QList<Rec> kFive = {
    {"東京物語",
     "小津",
     "笠",
     "1953/11/03",
     "日本",
     "ドラマ",
     "◎",
     {92, 9, 2, 7, 0, 0, 0},
     {"", "○"}},
    {"Alpha", "阿部", "Ｂ主演", "1960", "123", "SF", "○", {80, 5, 5, 5, 5, 5, 5}, {"○"}},
    {"beta", "愛川", "あ主演", "1970/01/01", "米国", "喜劇", "△", {10, 10, 0, 0, 0, 0, 0}, {}},
    {"ＡＢＣ", "Ａ監督", "abc", "", "", "", "", {2, 2, 0, 0, 0, 0, 0}, {"", "", "", "○"}},
    {"あいう", "あ監督", "ABC", "1999/12", "日本", "ドラマ", "○", {9, 1, 1, 1, 1, 1, 1}, {}},
};

const QString kConfirmText = QStringLiteral(
    "現在表示中の順番でメインのデータも並び替えますか？\r\n\r\n良かったらＯＫボタンを押してくださ"
    "い");
}  // namespace

class TestTitleLists : public QObject {
    Q_OBJECT
private:
    // Two titles of one name, the main list sorted by director (乙 < 甲 < 丙 in
    // code page 932 order; descending) and the order applied.
    static const QList<Rec>& oneNameTwice() {
        static const QList<Rec> recs = {
            {"同名", "乙監督", "", "", "", "", "", {1}, {}},
            {"別", "丙監督", "", "", "", "", "", {2}, {}},
            {"同名", "甲監督", "", "", "", "", "", {3}, {}},
        };
        return recs;
    }
    FlexGrid* applyDirectorOrder(MainFixture& f) {
        start(f, records(oneNameTwice()));
        FlexGrid* g = open(f, 1);
        clickHeader(g, 1);
        [&] { QCOMPARE(column(g, 1), (QStringList{"丙監督", "甲監督", "乙監督"})); }();
        f.prompts.planAnswer(Prompts::Answer::Ok);
        f.prompts.planAnswer(Prompts::Answer::Ok);
        click(f, "cmdSortCng1");
        // Each row of the name stands for its own title: both are kept, neither is
        // written twice, and the file holds what the list shows.
        const QList<Rec>& recs = oneNameTwice();
        [&] {
            QCOMPARE(readBytes(f.path(), kDataFile),
                     cp932(recs[1].line() + recs[2].line() + recs[0].line()));
        }();
        return g;
    }

    void start(MainFixture& f, const QString& data, bool tour = false) {
        writeFreshMasters(f.path(), tour);
        writeCp932(f.path(), kDataFile, data);
        if (tour) {
            f.prompts.planAnswer(Prompts::Answer::Ok);
            f.prompts.planAnswer(Prompts::Answer::Ok);
        }
        f.start();
        f.prompts.reset();
    }
    void click(MainFixture& f, const char* name) {
        QTest::mouseClick(f.find<QPushButton>(QLatin1String(name)), Qt::LeftButton);
    }
    FlexGrid* open(MainFixture& f, int k) {
        click(f, kButtons[k]);
        return f.find<FlexGrid>(QLatin1String(kGrids[k]));
    }
    bool showing(MainFixture& f, const char* frame) {
        return !f.find<QWidget>(QLatin1String(frame))->isHidden();
    }
    void clickHeader(FlexGrid* g, int c) {
        QHeaderView* h = g->horizontalHeader();
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                          QPoint(h->sectionViewportPosition(c) + 5, h->height() / 2));
    }
    QPoint cellCentre(FlexGrid* g, int r, int c) {
        return g->visualRect(g->grid()->index(r - 1, c)).center();
    }
    void clickCell(FlexGrid* g, int r, int c) {
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, cellCentre(g, r, c));
    }
    // A real double-click: a click, then the double-click of the same place.
    void doubleClickCell(FlexGrid* g, int r, int c) {
        clickCell(g, r, c);
        QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, cellCentre(g, r, c));
    }
    QStringList column(FlexGrid* g, int c) {
        QStringList cells;
        for (int r = 1; r < g->Rows(); ++r) cells << g->TextMatrix(r, c);
        return cells;
    }
    QStringList names(const QList<Rec>& recs, const QList<int>& order) {
        QStringList out;
        for (int i : order) out << recs[i].name;
        return out;
    }
    QString shownTitle(MainFixture& f) { return f.find<QComboBox>("cboName")->currentText(); }
    // The column and direction the header marks; -1 for none.
    std::pair<int, Qt::SortOrder> mark(FlexGrid* g) {
        const QHeaderView* h = g->horizontalHeader();
        if (!h->isSortIndicatorShown() || h->sortIndicatorSection() < 0)
            return {-1, Qt::AscendingOrder};
        return {h->sortIndicatorSection(), h->sortIndicatorOrder()};
    }
    QImage headerSection(FlexGrid* g, int c) {
        QHeaderView* h = g->horizontalHeader();
        return h->grab(QRect(h->sectionViewportPosition(c), 0, h->sectionSize(c), h->height()))
            .toImage();
    }

private slots:
    void gridsAreLaidOutAsSpecifiedInTableOrder() {
        MainFixture f;
        start(f, records(kFive));
        struct Expect {
            QStringList headers;
            QList<int> widths;
            QList<Qt::Alignment> aligns;  // a horizontal part, or none for general
            QList<QColor> colours;
        };
        const QColor pink(255, 192, 192), orange(255, 224, 192), yellow(255, 255, 192),
            green(192, 255, 192), cyan(192, 255, 255), blue(192, 192, 255);
        const Qt::Alignment L = Qt::AlignLeft, C = Qt::AlignHCenter, R = Qt::AlignRight;
        const Expect expect[] = {
            {},
            {{"タイトル名", "監督", "主演", "公開日", "国", "ジャンル"},
             {3000, 1970, 1970, 1200, 1400, 1530},
             {L, L, L, C, {}, L},
             {pink, orange, yellow, green, cyan, blue}},
            {{"タイトル名", "評", "総合", "感動・涙", "笑い", "ほのぼの", "スリル", "恐怖戦慄",
              "セクシー", "得点"},
             {3000, 430, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 590},
             {L, C, R, R, R, R, R, R, R, R},
             {pink, orange, yellow, green, green, green, green, green, green, cyan}},
            {{"タイトル名", "DVD", "ブルーレイ", "ビデオ", "配信", "キャスト", "あらすじ",
              "感想・メモ"},
             {3000, 1150, 1150, 1150, 1150, 1150, 1140, 1140},
             {L, C, C, C, C, C, C, C},
             {pink, orange, orange, orange, orange, yellow, green, cyan}},
        };
        for (int k = 1; k <= 3; ++k) {
            FlexGrid* g = open(f, k);
            for (int other = 1; other <= 3; ++other)
                QCOMPARE(showing(f, kFrames[other]), other == k);
            QVERIFY(f.find<QWidget>("fraMain")->isHidden());
            QVERIFY(!f.find<QPushButton>("cmdDel")->isEnabled());
            const Expect& e = expect[k];
            QCOMPARE(g->Cols(), e.headers.size());
            QCOMPARE(g->Rows(), kFive.size() + 1);
            for (int c = 0; c < g->Cols(); ++c) {
                QCOMPARE(g->TextMatrix(0, c), e.headers[c]);
                QCOMPARE(g->columnWidth(c), qRound(e.widths[c] / 15.0));
                QCOMPARE(g->grid()->cellBackColor(0, c), e.colours[c]);
                const auto headerAlign =
                    g->grid()->headerData(c, Qt::Horizontal, Qt::TextAlignmentRole).toInt();
                QCOMPARE(headerAlign & Qt::AlignHorizontal_Mask, int(Qt::AlignHCenter));
                // "日本" in a general column stands left, a number right.
                const QModelIndex cell = g->grid()->index(0, c);
                const int shown = g->grid()->data(cell, Qt::TextAlignmentRole).toInt();
                QCOMPARE(shown & Qt::AlignHorizontal_Mask,
                         e.aligns[c] ? int(e.aligns[c]) : int(Qt::AlignLeft));
                if (!e.aligns[c]) {
                    const int number =
                        g->grid()->data(g->grid()->index(1, c), Qt::TextAlignmentRole).toInt();
                    QCOMPARE(number & Qt::AlignHorizontal_Mask, int(Qt::AlignRight));
                }
            }
            QCOMPARE(column(g, 0), names(kFive, {0, 1, 2, 3, 4}));
            if (k == 1) {
                QCOMPARE(g->TextMatrix(1, 1), QStringLiteral("小津"));
                QCOMPARE(g->TextMatrix(2, 3), QStringLiteral("1960"));  // as stored
                QCOMPARE(g->TextMatrix(4, 4), QString());
            } else if (k == 2) {
                QCOMPARE(g->TextMatrix(2, 1), QStringLiteral("○"));
                QCOMPARE(g->TextMatrix(1, 2), QStringLiteral("92"));
                QCOMPARE(g->TextMatrix(1, 5), QStringLiteral("7"));
                QCOMPARE(g->TextMatrix(1, 6), QStringLiteral("0"));
                QCOMPARE(column(g, 9), (QStringList{"18", "30", "10", "2", "6"}));  // items 2..7
            } else {
                QCOMPARE(g->TextMatrix(1, 2), QStringLiteral("○"));
                QCOMPARE(g->TextMatrix(4, 4), QStringLiteral("○"));
                QCOMPARE(g->TextMatrix(3, 1), QString());
            }
        }
        f.checkBoxes();
    }

    void itemNamesOfTheMastersHeadTheirColumns() {
        MainFixture f;
        start(f, records(kFive));
        writeCp932(
            f.path(), kHyoukaMasterFile,
            "\"物語\"\r\n\"\"\r\n\"音楽\"\r\n\"映像\"\r\n\"演技\"\r\n\"余韻\"\r\n\"新鮮\"\r\n");
        writeCp932(f.path(), kSyoyuMasterFile, "\"LD\"\r\n\"VHS\"\r\n\"\"\r\n\"4K\"\r\n");
        QVERIFY(f.window->catalogue().LoadMasters().isEmpty());
        FlexGrid* g = open(f, 2);
        QCOMPARE(g->TextMatrix(0, 2), QStringLiteral("物語"));
        QCOMPARE(g->TextMatrix(0, 3), QString());  // an empty name, an empty header
        QCOMPARE(g->TextMatrix(0, 8), QStringLiteral("新鮮"));
        g = open(f, 3);
        QCOMPARE(g->TextMatrix(0, 1), QStringLiteral("LD"));
        QCOMPARE(g->TextMatrix(0, 3), QString());
        QCOMPARE(g->TextMatrix(0, 4), QStringLiteral("4K"));
        f.checkBoxes();
    }

    void textFileMarksFollowTheFilesOfEachTitle() {
        MainFixture f;
        writeCp932(f.path(), "メモ_東京物語.txt", "覚え書き\r\n");
        writeCp932(f.path(), "キャスト_Alpha.txt", "");  // an empty file still exists
        writeCp932(f.path(), "あらすじ_Alpha.TXT", "筋\r\n");
        writeCp932(f.path(), "キャスト_beta .txt", "");  // not beta's: the name differs
        writeCp932(f.path(), "あらすじ_あいう.txt.bak", "");
        start(f, records(kFive));
        FlexGrid* g = open(f, 3);
        const QStringList marks[] = {column(g, 5), column(g, 6), column(g, 7)};
        QCOMPARE(marks[0], (QStringList{"", "○", "", "", ""}));
        QCOMPARE(marks[1], (QStringList{"", "○", "", "", ""}));
        QCOMPARE(marks[2], (QStringList{"○", "", "", "", ""}));

        // A text saved while the program runs, by the program or by hand, shows the
        // next time the list is opened.
        click(f, "cmdMain");
        writeCp932(f.path(), "キャスト_ＡＢＣ.txt", "出演\r\n");
        QVERIFY(f.window->catalogue().dir().remove("メモ_東京物語.txt"));
        g = open(f, 3);
        QCOMPARE(column(g, 5), (QStringList{"", "○", "", "○", ""}));
        QCOMPARE(column(g, 7), (QStringList{"", "", "", "", ""}));
        f.checkBoxes();
    }

    void clicksSortDescendingFirstWithOneToggleEachColumnAndGrid() {
        MainFixture f;
        start(f, records(kFive));
        FlexGrid* g = open(f, 1);
        // Code page 932 order: ASCII, full-width letters, hiragana, then kanji by reading
        // (阿部 before 愛川), letter case counting.
        const QStringList byDirectorDown = {"小津", "愛川", "阿部", "あ監督", "Ａ監督"};
        clickHeader(g, 1);
        QCOMPARE(column(g, 1), byDirectorDown);
        QCOMPARE(column(g, 0), names(kFive, {0, 2, 1, 4, 3}));  // whole rows move
        clickCell(g, 3, 1);  // a data cell sorts its column as well
        QCOMPARE(column(g, 1), (QStringList{"Ａ監督", "あ監督", "阿部", "愛川", "小津"}));
        clickHeader(g, 2);  // another column starts at descending
        QCOMPARE(column(g, 2), (QStringList{"笠", "あ主演", "Ｂ主演", "abc", "ABC"}));
        clickHeader(g, 1);
        QCOMPARE(column(g, 1), byDirectorDown);

        // A click in the title column sorts nothing.
        const QStringList before = column(g, 0);
        clickHeader(g, 0);
        clickCell(g, 2, 0);
        QCOMPARE(column(g, 0), before);

        // The ownership grid has toggles of its own.
        g = open(f, 3);
        clickHeader(g, 4);
        QCOMPARE(column(g, 0).first(), QStringLiteral("ＡＢＣ"));

        // Reopened, the main list is back in table order, and 監督 goes on from where
        // its toggle was: ascending next.
        g = open(f, 1);
        QCOMPARE(column(g, 0), names(kFive, {0, 1, 2, 3, 4}));
        clickHeader(g, 1);
        QCOMPARE(column(g, 1), (QStringList{"Ａ監督", "あ監督", "阿部", "愛川", "小津"}));
        f.checkBoxes();
    }

    void scoresSortAsNumbersAndTheMarkAsText() {
        MainFixture f;
        start(f, records(kFive));
        FlexGrid* g = open(f, 2);
        clickHeader(g, 2);
        QCOMPARE(column(g, 2), (QStringList{"92", "80", "10", "9", "2"}));
        clickHeader(g, 2);
        QCOMPARE(column(g, 2), (QStringList{"2", "9", "10", "80", "92"}));  // not 10, 2, 80
        clickHeader(g, 3);
        QCOMPARE(column(g, 3), (QStringList{"10", "9", "5", "2", "1"}));
        clickHeader(g, 9);
        QCOMPARE(column(g, 9), (QStringList{"30", "18", "10", "6", "2"}));
        clickHeader(g, 1);
        QCOMPARE(column(g, 1), (QStringList{"△", "◎", "○", "○", ""}));  // code page 932 order
        clickHeader(g, 0);  // the title column of the scores list does not sort
        QCOMPARE(column(g, 1), (QStringList{"△", "◎", "○", "○", ""}));
        f.checkBoxes();
    }

    void titleButtonSortsTheMainListByName() {
        MainFixture f;
        start(f, records(kFive));
        FlexGrid* g = open(f, 1);
        click(f, "cmdSort1_0");
        QCOMPARE(column(g, 0), (QStringList{"東京物語", "あいう", "ＡＢＣ", "beta", "Alpha"}));
        click(f, "cmdSort1_0");
        QCOMPARE(column(g, 0), (QStringList{"Alpha", "beta", "ＡＢＣ", "あいう", "東京物語"}));
        f.checkBoxes();
    }

    void anEmptyListHasOnlyItsHeader() {
        MainFixture f;
        start(f, QString());
        FlexGrid* g = open(f, 1);
        QCOMPARE(g->Rows(), 1);
        clickHeader(g, 1);        // sorts nothing, but the toggle flips: ascending next
        click(f, "cmdSortCng1");  // nothing to write, not even a question
        QCOMPARE(readBytes(f.path(), kDataFile), QByteArray());
        // A double-click in the title column only goes back to the card.
        QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        QVERIFY(showing(f, "fraMain"));
        QVERIFY(f.find<QPushButton>("cmdDel")->isEnabled());
        f.checkBoxes();
    }

    void doubleClickShowsTheTitleAndMainComesBackToIt() {
        MainFixture f;
        start(f, records(kFive));
        FlexGrid* g = open(f, 2);
        clickHeader(g, 2);  // 東京物語, Alpha, beta, あいう, ＡＢＣ
        // Not in the title column: the click sorts again (beta stays third), the double-click
        // does nothing.
        doubleClickCell(g, 3, 2);
        QVERIFY(showing(f, "fraIchiran2"));
        doubleClickCell(g, 3, 0);
        QVERIFY(showing(f, "fraMain"));
        QVERIFY(f.find<QPushButton>("cmdDel")->isEnabled());
        QCOMPARE(f.window->card()->current(), 3);
        QCOMPARE(shownTitle(f), QStringLiteral("beta"));

        // Paging on and visiting another screen: "メイン" brings back the title picked.
        f.window->card()->setCurrent(5);
        open(f, 1);
        click(f, "cmdMain");
        QCOMPARE(shownTitle(f), QStringLiteral("beta"));
        click(f, "cmdMain");  // already on the card: nothing changes
        QCOMPARE(f.window->card()->current(), 3);

        // The header of the title column names no title: the card comes back to the
        // title picked last, which stays the one "メイン" returns to.
        g = open(f, 3);
        f.window->card()->setCurrent(1);
        QHeaderView* h = g->horizontalHeader();
        QTest::mouseDClick(h->viewport(), Qt::LeftButton, {}, QPoint(20, h->height() / 2));
        QVERIFY(showing(f, "fraMain"));
        QCOMPARE(f.find<QScrollBar>("hsbData")->value(), 3);
        QCOMPARE(shownTitle(f), QStringLiteral("beta"));
        f.window->card()->setCurrent(1);
        open(f, 1);
        click(f, "cmdMain");
        QCOMPARE(shownTitle(f), QStringLiteral("beta"));
        f.checkBoxes();
    }

    void helpTourOncePerOpeningAndNothingWhenAlreadyShowing() {
        MainFixture f;
        start(f, records(kFive), true);
        const QString sorting = QStringLiteral(
            "各種データ毎に並び替え表示ができます。\r\n\r\n"
            "並び替えたい列をクリックする度に「昇順」「降順」で並び替えます。\r\n");
        const QString jump = QStringLiteral(
            "タイトルをダブルクリックするとそのタイトルでメイン画面を表示することができます。"
            "\r\n\r\n");
        const QString texts[] = {
            {},
            QStringLiteral("それぞれのタイトルにおける各種データを一覧表示しています。\r\n\r\n") +
                sorting +
                QStringLiteral("タイトルを並び替えたい場合は「タイトルボタン」をクリックしてくださ"
                               "い。\r\n\r\n") +
                jump +
                QStringLiteral("「メインに反映ボタン」を押すと並び替えた順番でメインの順番も入れ"
                               "替わります。\r\n\r\n"),
            QStringLiteral("それぞれのタイトルの評価を一覧表示しています。\r\n\r\n") + sorting +
                jump,
            QStringLiteral("それぞれのタイトルの所有状況とキャスト、あらすじ、メモの有無を一覧表示"
                           "しています。\r\n\r\n") +
                sorting + jump,
        };
        for (int k = 1; k <= 3; ++k) {
            f.prompts.reset();
            f.prompts.planAnswer(Prompts::Answer::Ok);
            FlexGrid* g = open(f, k);
            QCOMPARE(f.prompts.boxes.size(), 1);
            QCOMPARE(f.prompts.boxes[0].title, QStringLiteral("ヘルプツアー"));
            QCOMPARE(f.prompts.boxes[0].text, texts[k]);
            QCOMPARE(f.prompts.boxes[0].icon, Prompts::Icon::Information);
            QVERIFY(showing(f, kFrames[k]));  // shown before the box
            QCOMPARE(f.prompts.busyDepth, 0);
            clickHeader(g, 1);
            const QStringList sorted = column(g, 0);
            click(f, kButtons[k]);  // already showing: no box, the order stays
            QCOMPARE(f.prompts.boxes.size(), 1);
            QCOMPARE(column(g, 0), sorted);
            f.checkBoxes();
        }
    }

    void scrollBarReachesTheLastTitle() {
        MainFixture f;
        QList<Rec> many;
        for (int i = 1; i <= 400; ++i) {
            Rec r{};
            r.name = QStringLiteral("作品%1").arg(i, 3, 10, QLatin1Char('0'));
            many.append(r);
        }
        start(f, records(many));
        f.window->resize(1366, 768);
        FlexGrid* g = open(f, 1);
        QApplication::processEvents();
        QScrollBar* bar = g->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        bar->setValue(bar->maximum());
        const QRect last = g->visualRect(g->grid()->index(399, 0));
        QVERIFY(last.top() >= 0);
        QVERIFY2(last.bottom() <= g->viewport()->height(), "the last title stays out of reach");
        QCOMPARE(g->TextMatrix(400, 0), QStringLiteral("作品400"));
        f.checkBoxes();
    }

    void reorderWritesTheShownOrderAndTouchesNothingElse() {
        MainFixture f;
        writeCp932(f.path(), "キャスト_beta.txt", "出演者\r\n");
        writeCp932(f.path(), "メモ_Alpha.txt", "覚え書き\r\n");
        QImage picture(8, 6, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        QVERIFY(picture.save(QDir(f.path()).filePath("Alpha.jpg"), "JPG"));
        writeCp932(f.path(), "鑑賞履歴.TXT",
                   historyRecordLine("2020/01/02", "beta", "映画館") +
                       historyRecordLine("2021/03/04", "Alpha", "DVD"));
        start(f, records(kFive));
        const QStringList others = {"キャスト_beta.txt", "メモ_Alpha.txt", "Alpha.jpg",
                                    "鑑賞履歴.TXT",      "評価マスタ.txt", "所有マスタ.txt",
                                    "設定.TXT"};
        QList<QByteArray> before;
        for (const QString& n : others) before << readBytes(f.path(), n);
        f.window->GalleryReady = true;
        f.window->card()->setCurrent(4);

        FlexGrid* g = open(f, 1);
        clickHeader(g, 1);  // by director, descending: 東京物語 beta Alpha あいう ＡＢＣ
        f.prompts.planAnswer(Prompts::Answer::Ok);
        f.prompts.planAnswer(Prompts::Answer::Ok);
        click(f, "cmdSortCng1");
        const auto& b = f.prompts.boxes;
        QCOMPARE(b.size(), 2);
        QCOMPARE(b[0].title, QStringLiteral("メイン並び替え確認"));
        QCOMPARE(b[0].text, kConfirmText);
        QCOMPARE(b[0].icon, Prompts::Icon::Exclamation);
        QCOMPARE(b[0].buttons, Prompts::Buttons::OkCancel);
        QCOMPARE(b[1].title, QStringLiteral("並び替え完了"));
        QCOMPARE(b[1].text, QStringLiteral("並び替えた順番をメインの順番に反映させました。"));
        QCOMPARE(b[1].icon, Prompts::Icon::Information);
        QCOMPARE(f.prompts.busyDepth, 0);

        const QList<int> order = {0, 2, 1, 4, 3};
        QList<Rec> expected;
        for (int i : order) expected << kFive[i];
        QCOMPARE(readBytes(f.path(), kDataFile), cp932(records(expected)));
        for (int i = 0; i < others.size(); ++i) QCOMPARE(readBytes(f.path(), others[i]), before[i]);

        // The table and the card follow the file; the list stays, now in table order.
        Catalogue& cat = f.window->catalogue();
        for (int n = 1; n <= 5; ++n) QCOMPARE(cat.titles()[n].Daimei, expected[n - 1].name);
        QCOMPARE(f.window->card()->current(), 1);
        QCOMPARE(shownTitle(f), QStringLiteral("東京物語"));
        f.window->card()->setCurrent(2);
        QCOMPARE(shownTitle(f), QStringLiteral("beta"));
        QVERIFY(!f.window->GalleryReady);
        QVERIFY(showing(f, "fraIchiran"));
        QCOMPARE(column(g, 0), names(kFive, order));
        f.checkBoxes();
    }

    // "メイン" comes back to the title picked by a double-click, not to the number it
    // had before the reorder moved it.
    void mainComesBackToThePickedTitleAfterAReorder() {
        MainFixture f;
        start(f, records(kFive));
        FlexGrid* g = open(f, 1);
        const QString picked = g->TextMatrix(2, 0);
        doubleClickCell(g, 2, 0);
        QCOMPARE(shownTitle(f), picked);
        g = open(f, 1);
        click(f, "cmdSort1_0");
        f.prompts.planAnswer(Prompts::Answer::Ok);
        f.prompts.planAnswer(Prompts::Answer::Ok);
        click(f, "cmdSortCng1");
        QVERIFY(f.window->catalogue().titles().find(picked) != 2);  // it moved
        click(f, "cmdMain");
        QCOMPARE(shownTitle(f), picked);
        f.checkBoxes();
    }

    void cancelOrNoSortLeavesTheOrderAsItWas() {
        MainFixture f;
        start(f, records(kFive));
        const QByteArray data = readBytes(f.path(), kDataFile);
        FlexGrid* g = open(f, 1);
        clickHeader(g, 2);
        f.prompts.planAnswer(Prompts::Answer::Cancel);
        click(f, "cmdSortCng1");
        QCOMPARE(f.prompts.boxes.size(), 1);
        QCOMPARE(readBytes(f.path(), kDataFile), data);
        QCOMPARE(f.window->catalogue().titles()[1].Daimei, QStringLiteral("東京物語"));

        // Without a sort the file is written in the order it has.
        click(f, "cmdMain");
        open(f, 1);
        f.prompts.reset();
        f.prompts.planAnswer(Prompts::Answer::Ok);
        f.prompts.planAnswer(Prompts::Answer::Ok);
        click(f, "cmdSortCng1");
        QCOMPARE(readBytes(f.path(), kDataFile), data);
        f.checkBoxes();
    }

    void anEditMadeAfterTheListWasFilledIsKept() {
        MainFixture f;
        start(f, records(kFive));
        FlexGrid* g = open(f, 1);
        clickHeader(g, 1);  // 東京物語 beta Alpha あいう ＡＢＣ

        // The director of Alpha changes on the card while the list holds its old value.
        f.window->card()->setCurrent(2);
        auto* kantoku = f.find<QComboBox>("cboKantoku");
        kantoku->setEditText(QStringLiteral("新しい監督"));
        QTest::keyClick(kantoku->lineEdit(), Qt::Key_Return);
        QCOMPARE(f.window->catalogue().titles()[2].Kantoku, QStringLiteral("新しい監督"));
        QCOMPARE(g->TextMatrix(3, 1), QStringLiteral("阿部"));

        f.prompts.reset();
        f.prompts.planAnswer(Prompts::Answer::Ok);
        f.prompts.planAnswer(Prompts::Answer::Ok);
        click(f, "cmdSortCng1");
        QList<Rec> expected;
        for (int i : {0, 2, 1, 4, 3}) expected << kFive[i];
        expected[2].kantoku = QStringLiteral("新しい監督");
        QCOMPARE(readBytes(f.path(), kDataFile), cp932(records(expected)));
        f.checkBoxes();
    }

    void twoTitlesOfOneNameBothSurviveTheReorder() {
        MainFixture f;
        FlexGrid* g = applyDirectorOrder(f);
        // The card was on title 1 and is again, now on another title.
        QCOMPARE(shownTitle(f), QStringLiteral("別"));
        QCOMPARE(f.find<QComboBox>("cboKantoku")->currentText(), QStringLiteral("丙監督"));

        // A double-click on either row of the name shows that row's own title.
        g = open(f, 2);
        doubleClickCell(g, 3, 0);
        QCOMPARE(f.window->card()->current(), 3);
        QCOMPARE(f.find<QComboBox>("cboKantoku")->currentText(), QStringLiteral("乙監督"));
        g = open(f, 2);
        doubleClickCell(g, 2, 0);
        QCOMPARE(f.window->card()->current(), 2);
        QCOMPARE(f.find<QComboBox>("cboKantoku")->currentText(), QStringLiteral("甲監督"));
        f.checkBoxes();
    }

    void aSecondReorderFromTheSameListFollowsItsRows() {
        MainFixture f;
        const QList<Rec>& recs = oneNameTwice();
        FlexGrid* g = applyDirectorOrder(f);
        // The list is still the one on screen; turned round and applied again, the
        // file follows its rows once more.
        if (g->isHidden()) g = open(f, 1);
        clickHeader(g, 1);
        QCOMPARE(column(g, 1), (QStringList{"乙監督", "甲監督", "丙監督"}));
        f.prompts.reset();
        f.prompts.planAnswer(Prompts::Answer::Ok);
        f.prompts.planAnswer(Prompts::Answer::Ok);
        click(f, "cmdSortCng1");
        QCOMPARE(readBytes(f.path(), kDataFile),
                 cp932(recs[0].line() + recs[2].line() + recs[1].line()));
        f.checkBoxes();
    }

    // A title the list does not show (it came after the list was filled) keeps
    // its place after the titles the list orders; nothing is lost.
    void aTitleTheListMissesFollowsTheOthers() {
        MainFixture f;
        start(f, records(kFive));
        FlexGrid* g = open(f, 1);
        clickHeader(g, 1);
        QStringList shown;
        for (int r = 1; r < g->Rows(); ++r) shown << g->TextMatrix(r, 0);
        QVERIFY(f.window->catalogue().appendTitle(QStringLiteral("後から")).isEmpty());
        f.prompts.reset();
        f.prompts.planAnswer(Prompts::Answer::Ok);
        f.prompts.planAnswer(Prompts::Answer::Ok);
        click(f, "cmdSortCng1");
        QStringList stored;
        for (int n = 1; n <= f.window->catalogue().TitleCount(); ++n)
            stored << f.window->catalogue().titles()[n].Daimei;
        QCOMPARE(stored, shown + QStringList{QStringLiteral("後から")});
        Catalogue fresh(f.path());
        fresh.LoadMainData();
        QCOMPARE(fresh.titles(), f.window->catalogue().titles());
        f.checkBoxes();
    }
    // The header marks the column and direction of the order shown, however the
    // rows were sorted; a list in table order marks none.
    void theHeaderMarksTheOrderShown() {
        using Mark = std::pair<int, Qt::SortOrder>;
        const Mark none{-1, Qt::AscendingOrder};
        MainFixture f;
        start(f, records(kFive));
        FlexGrid* g = open(f, 1);
        QCOMPARE(mark(g), none);
        const QImage unmarked = headerSection(g, 1);
        clickHeader(g, 1);
        QCOMPARE(mark(g), Mark(1, Qt::DescendingOrder));
        QVERIFY(headerSection(g, 1) != unmarked);  // the coloured header draws it
        clickCell(g, 3, 1);
        QCOMPARE(mark(g), Mark(1, Qt::AscendingOrder));
        clickHeader(g, 0);  // sorts nothing, so the mark stays
        QCOMPARE(mark(g), Mark(1, Qt::AscendingOrder));
        click(f, "cmdSort1_0");
        QCOMPARE(mark(g), Mark(0, Qt::DescendingOrder));
        click(f, "cmdSort1_0");
        QCOMPARE(mark(g), Mark(0, Qt::AscendingOrder));
        clickHeader(g, 1);
        QCOMPARE(mark(g), Mark(1, Qt::DescendingOrder));

        g = open(f, 2);
        QCOMPARE(mark(g), none);
        const QImage narrow = headerSection(g, 1);
        clickHeader(g, 1);
        QCOMPARE(mark(g), Mark(1, Qt::DescendingOrder));
        QVERIFY(headerSection(g, 1) != narrow);  // a narrow column shows it too
        clickHeader(g, 9);
        QCOMPARE(mark(g), Mark(9, Qt::DescendingOrder));
        clickHeader(g, 0);
        QCOMPARE(mark(g), Mark(9, Qt::DescendingOrder));
        g = open(f, 3);
        QCOMPARE(mark(g), none);
        clickHeader(g, 4);
        QCOMPARE(mark(g), Mark(4, Qt::DescendingOrder));

        // Reopened, the list is in table order again; 監督's toggle goes on ascending.
        g = open(f, 1);
        QCOMPARE(mark(g), none);
        clickHeader(g, 1);
        QCOMPARE(mark(g), Mark(1, Qt::AscendingOrder));
        // A cancelled reorder keeps the mark; a done one makes the shown order the
        // table's order, which needs none.
        f.prompts.planAnswer(Prompts::Answer::Cancel);
        click(f, "cmdSortCng1");
        QCOMPARE(mark(g), Mark(1, Qt::AscendingOrder));
        f.prompts.planAnswer(Prompts::Answer::Ok);
        f.prompts.planAnswer(Prompts::Answer::Ok);
        click(f, "cmdSortCng1");
        QCOMPARE(mark(g), none);
        QCOMPARE(headerSection(g, 1), unmarked);
        f.checkBoxes();
    }
};

REELNOTE_TEST(TestTitleLists)
#include "tst_lists.moc"
