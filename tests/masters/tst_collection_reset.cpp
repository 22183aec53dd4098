#include "masters/collection_reset.h"
#include "store/catalogue.h"
#include "store/kansyou_table.h"
#include "test_files.h"
#include "test_registry.h"

#include <QDir>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

using namespace TestFiles;

namespace {
using Files = QMap<QString, QByteArray>;

const QDateTime kNow(QDate(2026, 12, 7), QTime(10, 30, 0));
const QString kStamp = QStringLiteral(".20261207-103000.bak");

Files filesIn(const QString& dir) {
    Files out;
    for (const QString& n : QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name))
        out.insert(n, readBytes(dir, n));
    return out;
}

Files without(Files files, const QStringList& names) {
    for (const QString& n : names) files.remove(n);
    return files;
}

// A lived-in data directory inside an outer one, so that a file beside it can
// show that nothing outside is touched.
struct Collection {
    QTemporaryDir outer;
    QString dir;

    Collection() {
        dir = QDir(outer.path()).filePath(QStringLiteral("data"));
        QDir().mkpath(dir);
        writeFreshMasters(dir, true);
        writeCp932(dir, kDataFile,
                   titleRecord("甲", "監督") + titleRecord("設定") + titleRecord("鑑賞履歴") +
                       titleRecord("Aa") + titleRecord("../outside") + titleRecord("曲目データ"));
        writeCp932(dir, kHistoryFile, historyRecordLine("2026/01/02", "甲", "映画館"));
        for (const char* f : {"甲.txt", "甲.jpg", "甲.bmp", "甲.gif", "設定.jpg", "Aa.txt",
                              "AA.TXT", "キャスト_甲.txt", "あらすじ_甲.txt", "メモ_甲.txt",
                              "キャスト_昔のタイトル.txt", "メモ_X.TXT"})
            writeCp932(dir, QString::fromUtf8(f), QStringLiteral("中身 ") + QString::fromUtf8(f));
        // The user's own files and the program's help file.
        for (const char* f : {"私のメモ.txt", "キャスト一覧.txt", "ReelnoteHelp.chm", "甲.png"})
            writeCp932(dir, QString::fromUtf8(f), QStringLiteral("自分の"));
        writeCp932(dir, QStringLiteral("曲目データ.TXT"), QStringLiteral("\"古い曲\"\r\n"));
        writeCp932(outer.path(), QStringLiteral("outside.txt"), QStringLiteral("外"));
    }

    ResetOutcome reset(ResetKind kind) {
        Catalogue cat(dir);
        if (!cat.LoadMainData().isEmpty()) qFatal("test data not readable");
        return CollectionReset::run(cat, kind, kNow);
    }
};

const QStringList kTitleFiles{"甲.txt",   "甲.jpg", "甲.bmp", "甲.gif",
                              "設定.jpg", "Aa.txt", "AA.TXT"};
const QStringList kTextFiles{"キャスト_甲.txt", "あらすじ_甲.txt", "メモ_甲.txt",
                             "キャスト_昔のタイトル.txt", "メモ_X.TXT"};
}  // namespace

class TestCollectionReset : public QObject {
    Q_OBJECT
private slots:
    void newStartEmptiesDataAndHistoryAndDeletesTheTitlesFiles() {
        Collection c;
        const Files before = filesIn(c.dir);
        const Files outside = filesIn(c.outer.path());
        const ResetOutcome out = c.reset(ResetKind::NewStart);
        QVERIFY2(out.done(), qPrintable(out.refused));
        QVERIFY(out.notEmptied.isEmpty());
        QVERIFY(out.notDeleted.isEmpty());

        Files expected = without(before, kTitleFiles + kTextFiles);
        expected[kDataFile] = {};
        expected[kHistoryFile] = {};
        expected[kDataFile + kStamp] = before[kDataFile];
        expected[kHistoryFile + kStamp] = before[kHistoryFile];
        QCOMPARE(filesIn(c.dir), expected);
        QCOMPARE(out.kept, QStringList({kDataFile + kStamp, kHistoryFile + kStamp}));
        // Titles named like the program's files took none of them along, and a
        // name that leads out of the directory reached nothing there.
        QCOMPARE(filesIn(c.outer.path()), outside);
    }

    void initialiseKeepsHistoryAndTextsAndEmptiesTheMusicFiles() {
        Collection c;
        const Files before = filesIn(c.dir);
        const ResetOutcome out = c.reset(ResetKind::Initialise);
        QVERIFY2(out.done(), qPrintable(out.refused));

        Files expected = without(before, kTitleFiles);
        for (const QString& f : kMusicFiles) expected[f] = {};
        expected[kDataFile] = {};
        expected[kDataFile + kStamp] = before[kDataFile];
        expected[QStringLiteral("曲目データ.TXT") + kStamp] = before["曲目データ.TXT"];
        QCOMPARE(filesIn(c.dir), expected);
        // Only files that held something are kept: the four new ones were empty.
        QCOMPARE(out.kept.size(), 2);
    }

    void anEmptyCollectionStillEmptiesItsFiles() {
        QTemporaryDir tmp;
        writeFreshMasters(tmp.path(), false);
        Catalogue cat(tmp.path());
        QVERIFY(cat.LoadMainData().isEmpty());  // creates an empty data file
        const ResetOutcome out = CollectionReset::run(cat, ResetKind::NewStart, kNow);
        QVERIFY(out.done());
        QVERIFY(out.kept.isEmpty());
        QCOMPARE(readBytes(tmp.path(), kHistoryFile), QByteArray());
        QVERIFY(QFile::exists(QDir(tmp.path()).filePath(kHistoryFile)));
        QVERIFY(!QFile::exists(QDir(tmp.path()).filePath(kDataFile + kStamp)));
    }

    void aCopyThatCannotBeKeptStopsTheResetBeforeAnythingChanges() {
        Collection c;
        // Something that is not a file stands where the copy of the history would go.
        QVERIFY(QDir(c.dir).mkdir(kHistoryFile + kStamp));
        const Files before = filesIn(c.dir);
        const ResetOutcome out = c.reset(ResetKind::NewStart);
        QVERIFY(!out.done());
        QVERIFY(out.refused.contains(kHistoryFile));
        QVERIFY(out.refused.contains(QStringLiteral("データの削除を取りやめました")));
        QCOMPARE(filesIn(c.dir), before);  // the data file's copy went again too
        QVERIFY(out.kept.isEmpty());
    }

    void aCopyNeverReplacesAnEarlierOne() {
        QTemporaryDir tmp;
        writeCp932(tmp.path(), kDataFile, titleRecord("甲"));
        writeCp932(tmp.path(), kDataFile + kStamp, QStringLiteral("earlier"));
        DataDir dir(tmp.path());
        QCOMPARE(CollectionReset::keptCopyName(dir, kDataFile, kNow),
                 kDataFile + QStringLiteral(".20261207-103000-2.bak"));
    }

    void theProgramsOwnFilesAreKnownWhateverTheirCase() {
        for (const char* f : {"設定.txt", "鑑賞履歴.txt", "データ.txt", "評価マスタ.TXT",
                              "所有マスタ.TXT", "鑑賞履歴コピー.TXT", "編曲マスタ.txt"})
            QVERIFY2(isProgramFile(QString::fromUtf8(f)), f);
        for (const char* f : {"設定.jpg", "データ2.txt", "私のメモ.txt"})
            QVERIFY2(!isProgramFile(QString::fromUtf8(f)), f);
    }
};

REELNOTE_TEST(TestCollectionReset)
#include "tst_collection_reset.moc"
