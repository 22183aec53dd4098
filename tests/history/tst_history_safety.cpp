#include "../store/disk_faults.h"
#include "main_fixture.h"
#include "shell/flex_grid.h"
#include "store/catalogue.h"
#include "test_files.h"
#include "test_registry.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

using namespace TestFiles;

namespace {
const auto rec = historyRecordLine;
const QString kNotSaved = QStringLiteral("\r\n\r\n鑑賞履歴は保存されていません。");
const QString kFullDisk = QStringLiteral(
    "ディスクの空き容量が足りません。空きを作ってから、もう一度やり直してください。");
}  // namespace

// Storing a viewing when the history cannot take it: the box says why, the entry
// stays open, and every file of the data directory is as it was.
class TestHistorySafety : public QObject {
    Q_OBJECT
private:
    FailingDisk disk_;

    void start(MainFixture& f, const QByteArray& history) {
        writeFreshMasters(f.path(), false);
        writeCp932(f.path(), kDataFile, titleRecord("甲") + titleRecord("乙"));
        if (!history.isNull()) writeBytes(f.path(), kHistoryFile, history);
        f.start();
    }
    void enter(MainFixture& f, const QString& date, const QString& content) {
        emit f.find<FlexGrid>("msgKansyou")->DblClick();
        f.find<QLineEdit>("txtKansyoubi")->setText(date);
        f.find<QComboBox>("cboKansyou")->setEditText(content);
        QTest::mouseClick(f.find<QPushButton>("cmdRirekiHozon"), Qt::LeftButton);
    }
    void refusedWith(MainFixture& f, const QString& text) {
        QCOMPARE(f.prompts.boxes.size(), 1);
        QCOMPARE(f.prompts.boxes[0].title, QStringLiteral("保存できません"));
        QCOMPARE(f.prompts.boxes[0].icon, Prompts::Icon::Critical);
        QCOMPARE(f.prompts.boxes[0].text, text);
        QVERIFY(!f.find<QGroupBox>("fraRirekiHozon")->isHidden());
        f.checkBoxes();
        f.prompts.reset();
    }

private slots:
    void cleanup() { disk_.heal(); }

    void viewingOnAFullDisk_data() {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("told");
        QTest::newRow("inserted") << "2003/06/01"
                                  << "「鑑賞履歴.TXT」を保存できませんでした。\r\n" + kFullDisk +
                                         "\r\n元のファイルはそのまま残っています。";
        QTest::newRow("appended") << "2005/01/01"
                                  << "「鑑賞履歴.TXT」に追記できませんでした。\r\n" + kFullDisk +
                                         "\r\nファイルは追記する前のまま残っています。";
    }
    void viewingOnAFullDisk() {
        QFETCH(QString, date);
        QFETCH(QString, told);
        MainFixture f;
        start(f, cp932(rec("2003/05/10", "甲", "DVD") + rec("2004/01/02", "乙", "映画館")));
        f.window->catalogue().dir().setFileSystem(&disk_);
        const auto before = snapshot(f.path());
        const auto records = f.window->catalogue().kansyou().records();
        for (qint64 n : {0, 7, 20}) {  // the record takes 28 bytes
            disk_.writeBudget = n;
            f.prompts.planAnswer(Prompts::Answer::Ok);
            enter(f, date, QStringLiteral("テレビ"));
            refusedWith(f, told + kNotSaved);
            QCOMPARE(snapshot(f.path()), before);
            QCOMPARE(f.window->catalogue().kansyou().records(), records);
            QCOMPARE(f.find<FlexGrid>("msgKansyou")->Rows(), 2);
        }
        disk_.heal();
        enter(f, date, QStringLiteral("テレビ"));
        QCOMPARE(f.prompts.boxes.size(), 0);
        QCOMPARE(f.find<FlexGrid>("msgKansyou")->Rows(), 3);
        f.checkBoxes();
    }

    void unreadableHistoryIsReportedAndKept() {
        MainFixture f;
        writeFreshMasters(f.path(), false);
        writeCp932(f.path(), kDataFile, titleRecord("甲"));
        QDir(f.path()).mkdir(kHistoryFile);
        const auto before = snapshot(f.path());
        f.prompts.planAnswer(Prompts::Answer::Ok);
        f.start();
        QCOMPARE(f.prompts.boxes.size(), 1);
        QCOMPARE(f.prompts.boxes[0].title, QStringLiteral("鑑賞履歴の読み込み"));
        const QString reason = QStringLiteral(
            "通常のファイルではありません（フォルダー、名前付きパイプ、装置などです）。");
        QCOMPARE(f.prompts.boxes[0].text,
                 QStringLiteral("「鑑賞履歴.TXT」を読み込めませんでした。\r\n") + reason +
                     QStringLiteral("\r\n\r\nこのファイルを失わないよう、プログラムを起動し直すまで"
                                    "鑑賞履歴の変更は保存しません。ファイルを確かめてから、"
                                    "プログラムを起動し直してください。"));
        f.prompts.reset();
        f.prompts.planAnswer(Prompts::Answer::Ok);
        enter(f, QStringLiteral("2003/06/01"), QStringLiteral("DVD"));
        refusedWith(f, QStringLiteral("「鑑賞履歴.TXT」は起動時に読み込めなかったため、書き換えも"
                                      "追記もしません。\r\n") +
                           reason +
                           QStringLiteral("\r\nファイルを確かめてから、プログラムを起動し直して"
                                          "ください。") +
                           kNotSaved);
        QCOMPARE(snapshot(f.path()), before);
    }

    // A history linked into a synchronised folder keeps receiving the viewings.
    void linkedHistoryKeepsItsLink() {
        MainFixture f;
        QTemporaryDir elsewhere;
        writeCp932(elsewhere.path(), kHistoryFile,
                   rec("2003/05/10", "甲", "DVD") + rec("2004/01/02", "乙", "映画館"));
        QVERIFY(QFile::link(QDir(elsewhere.path()).filePath(kHistoryFile),
                            QDir(f.path()).filePath(kHistoryFile)));
        start(f, QByteArray());
        auto expected = snapshot(f.path());
        enter(f, QStringLiteral("2003/06/01"), QStringLiteral("テレビ"));
        enter(f, QStringLiteral("2005/06/01"), QStringLiteral("テレビ"));
        QCOMPARE(f.prompts.boxes.size(), 0);
        QCOMPARE(snapshot(f.path()), expected);  // the link, unchanged, and nothing beside it
        QCOMPARE(readCp932(elsewhere.path(), kHistoryFile),
                 rec("2003/05/10", "甲", "DVD") + rec("2003/06/01", "甲", "テレビ") +
                     rec("2004/01/02", "乙", "映画館") + rec("2005/06/01", "甲", "テレビ"));
        f.checkBoxes();
    }

    // A history read from UTF-8 holding a character code page 932 lacks: the save is
    // refused with the character and the record named, and nothing is written.
    // A UTF-8 history with a character code page 932 cannot hold: declining the
    // conversion leaves the file as it is and the viewing unsaved.
    void unencodableHistoryRefusesTheSave() {
        MainFixture f;
        f.prompts.planAnswer(Prompts::Answer::Ok);  // the start-up note on UTF-8
        start(f, (rec("2003/05/10", "Amélie", "DVD") + rec("2004/01/02", "乙", "映画館")).toUtf8());
        f.prompts.reset();
        const auto before = snapshot(f.path());
        f.prompts.planAnswer(Prompts::Answer::No);
        f.prompts.planAnswer(Prompts::Answer::Ok);
        enter(f, QStringLiteral("2003/06/01"), QStringLiteral("テレビ"));
        QCOMPARE(f.prompts.boxes.size(), 2);
        QCOMPARE(f.prompts.boxes[0].title, QStringLiteral("文字の変換"));
        QVERIFY(f.prompts.boxes[0].text.contains(QStringLiteral("1行目「Amélie」の「é」→「e」")));
        f.prompts.boxes.removeFirst();
        refusedWith(f, QStringLiteral("「鑑賞履歴.TXT」には、シフトJIS（コードページ932）で書けない"
                                      "文字があります。変換しないことを選んだため、このファイルは"
                                      "書き換えません。\r\n変換するには、"
                                      "プログラムを起動し直して、変換するかどうかの問いに「はい」と"
                                      "答えてください。") +
                           kNotSaved);
        QCOMPARE(snapshot(f.path()), before);
        QCOMPARE(f.window->catalogue().kansyou().KansyouCount(), 2);
    }
};

REELNOTE_TEST(TestHistorySafety)
#include "tst_history_safety.moc"
