#include "combo_gestures.h"
#include "main_fixture.h"
#include "shell/flex_grid.h"
#include "store/catalogue.h"
#include "test_files.h"
#include "test_registry.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringListModel>

#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>

using namespace TestFiles;
using Answer = Prompts::Answer;

namespace {
const QString kTold = QStringLiteral("ほかのプログラムによる変更");

// A file rewritten as a synchronising tool does it: a new file renamed over it.
void replaceByRename(const QString& dir, const QString& name, const QByteArray& bytes) {
    writeBytes(dir, QStringLiteral(".sync.tmp"), bytes);
    QCOMPARE(std::rename(QFile::encodeName(QDir(dir).filePath(QStringLiteral(".sync.tmp"))),
                         QFile::encodeName(QDir(dir).filePath(name))),
             0);
}

// An edit of the same length written in place, the file's time then set back to
// the nanosecond, as touch -d, rsync -t and synchronising clients leave it.
void rewriteKeepingTime(const QString& dir, const QString& name, const QByteArray& bytes) {
    const QByteArray path = QFile::encodeName(QDir(dir).filePath(name));
    struct stat before;
    QCOMPARE(::stat(path.constData(), &before), 0);
    QCOMPARE(qint64(bytes.size()), qint64(before.st_size));
    writeBytes(dir, name, bytes);
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    QCOMPARE(::utimensat(AT_FDCWD, path.constData(), times, 0), 0);
    struct stat after;
    QCOMPARE(::stat(path.constData(), &after), 0);
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
}

// What another program does to a file of lines: adds one, edits another, edits
// one in place keeping the file's size and time, or writes the file anew with
// an edit and renames it into place.
QStringList changeElsewhere(const QString& dir, const QString& name, QStringList lines,
                            const QString& kind, const QString& added, int edited,
                            const QString& edit) {
    if (kind == QLatin1String("append"))
        lines << added;
    else
        lines[edited] = edit;
    const QByteArray bytes = cp932(lines.join(QString()));
    if (kind == QLatin1String("rename"))
        replaceByRename(dir, name, bytes);
    else if (kind == QLatin1String("sametime"))
        rewriteKeepingTime(dir, name, bytes);
    else
        writeBytes(dir, name, bytes);
    return lines;
}

const QStringList kTitles = {titleRecord("甲", "黒澤明"), titleRecord("乙", "小津安二郎"),
                             titleRecord("丙", "溝口健二")};
const QStringList kViewings = {historyRecordLine("2024/01/01", "甲", "映画館"),
                               historyRecordLine("2024/02/01", "乙", "DVD")};

// The data file after another program's change.
QStringList titlesElsewhere(const QString& dir, const QString& kind) {
    // The edit keeps the record's length, so that it can be made in place unseen.
    const bool second = kind == QLatin1String("edit") || kind == QLatin1String("sametime");
    return changeElsewhere(dir, kDataFile, kTitles, kind, titleRecord("丁", "外から"),
                           second ? 1 : 2,
                           second ? titleRecord("乙", "外津安二郎") : titleRecord("丙", "外口健二"));
}

QString nameOf(const QString& record) { return record.section(u'"', 1, 1); }
}  // namespace

// Another window, a synchronising tool or an editor changed a file after this
// run read it: no change of the user's is written over theirs. The file is read
// again, the user told, and the change applied to what was read; afterwards the
// file holds both changes, as another writer of the format would have it.
class TestChangesElsewhere : public QObject {
    Q_OBJECT
private:
    void start(MainFixture& f) {
        writeFreshMasters(f.path(), false);
        writeCp932(f.path(), kDataFile, kTitles.join(QString()));
        writeCp932(f.path(), kHistoryFile, kViewings.join(QString()));
        writeCp932(f.path(), QStringLiteral("メモ_甲.txt"), QStringLiteral("元の感想\r\n"));
        f.start();
    }
    // The box that told the user, naming the file.
    void told(MainFixture& f, const QString& file) {
        for (const auto& b : std::as_const(f.prompts.boxes))
            if (b.title == kTold && b.text.contains(file)) return;
        QFAIL(qPrintable(QStringLiteral("nobody told of the change of %1").arg(file)));
    }
    static void kinds() {
        QTest::addColumn<QString>("kind");
        for (const char* k : {"append", "edit", "sametime", "rename"})
            QTest::newRow(k) << QString(k);
    }

private slots:
    void cardEdit_data() { kinds(); }
    void cardEdit() {
        QFETCH(QString, kind);
        MainFixture f;
        start(f);
        QStringList expected = titlesElsewhere(f.path(), kind);
        f.prompts.planAnswer(Answer::Ok);
        auto* score = f.find<QComboBox>("cboHyouka1_2");
        QVERIFY(ComboGestures::pickWithMouse(score, score->findText("7")));
        expected[0] = titleRecord("甲", "黒澤明", {}, {}, {}, {}, {}, {0, 7});
        QCOMPARE(readCp932(f.path(), kDataFile), expected.join(QString()));
        told(f, kDataFile);
        f.checkBoxes();
    }

    void newAndDeletedTitles_data() { kinds(); }
    void newAndDeletedTitles() {
        QFETCH(QString, kind);
        MainFixture f;
        start(f);
        QStringList expected = titlesElsewhere(f.path(), kind);
        f.prompts.planInput(QStringLiteral("新作"));
        f.prompts.planAnswer(Answer::Ok);  // told
        f.click("cmdNew");
        // A new title's record as it has always been appended.
        expected << QStringLiteral("\"新作\",,,,,,,,,,,,,,,,,\"\"\r\n");
        QCOMPARE(readCp932(f.path(), kDataFile), expected.join(QString()));
        told(f, kDataFile);

        // The card shows the new title; deleting it again goes after a second change.
        expected = changeElsewhere(f.path(), kDataFile, expected, QStringLiteral("edit"), {}, 0,
                                   titleRecord("甲", "外から"));
        f.prompts.planAnswer(Answer::Ok);  // 削除確認
        f.prompts.planAnswer(Answer::Ok);  // told
        f.click("cmdDel");
        expected.removeLast();
        QCOMPARE(readCp932(f.path(), kDataFile), expected.join(QString()));
        f.checkBoxes();
    }

    void viewing_data() { kinds(); }
    void viewing() {
        QFETCH(QString, kind);
        MainFixture f;
        start(f);
        QStringList expected = changeElsewhere(
            f.path(), kHistoryFile, kViewings, kind,
            historyRecordLine("2024/03/01", "丙", "テレビ"), 1,
            historyRecordLine("2024/02/01", "乙", "VHS"));
        f.find<CardFrame>("fraMain")->msgKansyou_DblClick();
        f.find<QLineEdit>("txtKansyoubi")->setText(QStringLiteral("2024/01/15"));
        f.find<QComboBox>("cboKansyou")->setEditText(QStringLiteral("DVD"));
        f.prompts.planAnswer(Answer::Ok);
        f.click("cmdRirekiHozon");
        expected.insert(1, historyRecordLine("2024/01/15", "甲", "DVD"));
        QCOMPARE(readCp932(f.path(), kHistoryFile), expected.join(QString()));
        told(f, kHistoryFile);
        f.checkBoxes();
    }

    // Both texts stay: the other program's beside the file, the user's in it.
    void freeText_data() { kinds(); }
    void freeText() {
        QFETCH(QString, kind);
        MainFixture f;
        start(f);
        const QString memo = QStringLiteral("メモ_甲.txt");
        const QStringList theirs = changeElsewhere(f.path(), memo, {QStringLiteral("元の感想\r\n")},
                                                   kind, QStringLiteral("追記\r\n"), 0,
                                                   QStringLiteral("別の感想\r\n"));
        f.click("cmdHyouji4");
        f.find<QPlainTextEdit>("txtSubData_3")->setPlainText(QStringLiteral("私の感想"));
        f.prompts.planAnswer(Answer::Ok);
        f.click("cmdSubData3");
        QCOMPARE(readCp932(f.path(), memo), QStringLiteral("私の感想\r\n"));
        const QStringList kept = QDir(f.path()).entryList({memo + QStringLiteral(".*.bak")});
        QCOMPARE(kept.size(), 1);
        QCOMPARE(readCp932(f.path(), kept.first()), theirs.join(QString()));
        told(f, kept.first());
        f.checkBoxes();
    }

    // The list's order applies to the titles it showed; one added elsewhere after
    // the list was filled follows them.
    void reorderFromAList_data() { kinds(); }
    void reorderFromAList() {
        QFETCH(QString, kind);
        MainFixture f;
        start(f);
        f.click("cmdIchiran");
        auto* g = f.find<FlexGrid>("msgIchiran");
        QHeaderView* h = g->horizontalHeader();
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                          QPoint(h->sectionViewportPosition(1) + 5, h->height() / 2));
        QStringList shown;
        for (int r = 1; r < g->Rows(); ++r) shown << g->TextMatrix(r, 0);
        QVERIFY(shown != QStringList({"甲", "乙", "丙"}));
        const QStringList theirs = titlesElsewhere(f.path(), kind);
        for (int i = 0; i < 3; ++i) f.prompts.planAnswer(Answer::Ok);
        f.click("cmdSortCng1");
        QStringList expected;
        for (const QString& name : shown)
            for (const QString& r : theirs)
                if (nameOf(r) == name) expected << r;
        if (kind == QLatin1String("append")) expected << theirs.last();
        QCOMPARE(readCp932(f.path(), kDataFile), expected.join(QString()));
        told(f, kDataFile);
        f.checkBoxes();
    }

    void displayOrder_data() { kinds(); }
    void displayOrder() {
        QFETCH(QString, kind);
        MainFixture f;
        start(f);
        f.click("cmdMaster");
        auto* model =
            qobject_cast<QStringListModel*>(f.find<QAbstractItemView>("lstBicho")->model());
        model->setStringList({"丙", "甲", "乙"});  // as a drag leaves it
        const QStringList theirs = titlesElsewhere(f.path(), kind);
        for (int i = 0; i < 3; ++i) f.prompts.planAnswer(Answer::Ok);
        f.click("cmdSortCng2");
        QStringList expected = {theirs[2], theirs[0], theirs[1]};
        if (kind == QLatin1String("append")) expected << theirs[3];
        QCOMPARE(readCp932(f.path(), kDataFile), expected.join(QString()));
        told(f, kDataFile);
        f.checkBoxes();
    }

    // A name the user changed is stored; one changed elsewhere stays.
    void masterNames_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("edit") << QStringLiteral("edit");
        QTest::newRow("sametime") << QStringLiteral("sametime");
        QTest::newRow("rename") << QStringLiteral("rename");
    }
    void masterNames() {
        QFETCH(QString, kind);
        MainFixture f;
        start(f);
        f.click("cmdMaster");
        QStringList names;
        for (const char* n : {"総合", "感動・涙", "笑い", "ほのぼの", "スリル", "恐怖戦慄", "セクシー"})
            names << QStringLiteral("\"%1\"\r\n").arg(QString::fromUtf8(n));
        QStringList expected = changeElsewhere(f.path(), kHyoukaMasterFile, names, kind, {}, 4,
                                               QStringLiteral("\"緊張感\"\r\n"));
        f.find<QLineEdit>("txtHyouka_3")->setText(QStringLiteral("泣ける"));
        f.prompts.planAnswer(Answer::Ok);
        f.prompts.planAnswer(Answer::Ok);
        f.click("cmdHyoukaHozon");
        expected[2] = QStringLiteral("\"泣ける\"\r\n");
        QCOMPARE(readCp932(f.path(), kHyoukaMasterFile), expected.join(QString()));
        QCOMPARE(f.find<QLineEdit>("txtHyouka_5")->text(), QStringLiteral("緊張感"));
        told(f, kHyoukaMasterFile);
        f.checkBoxes();
    }

    // Coming back to the window: what changed meanwhile is read again and the
    // user told once; the title shown stays shown wherever it went.
    void comingBackReadsWhatChanged() {
        MainFixture f;
        start(f);
        f.find<CardFrame>("fraMain")->setCurrent(2);
        writeCp932(f.path(), kDataFile,
                   titleRecord("新顔") + kTitles.join(QString()) + titleRecord("丁"));
        f.prompts.planAnswer(Answer::Ok);
        // The user is in an editor, then comes back to the window.
        QWidget editor;
        QVERIFY(ComboGestures::activate(&editor));
        QVERIFY(ComboGestures::activate(f.window.get()));
        QTRY_COMPARE(f.prompts.boxes.size(), 1);
        QVERIFY(!f.window->settleChangesElsewhere());  // told once
        QCOMPARE(f.window->catalogue().TitleCount(), 5);
        QCOMPARE(f.find<CardFrame>("fraMain")->current(), 3);
        QCOMPARE(f.find<QComboBox>("cboName")->currentText(), QStringLiteral("乙"));
        told(f, kDataFile);
        f.checkBoxes();
    }
};

REELNOTE_TEST(TestChangesElsewhere)
#include "tst_changes_elsewhere.moc"
