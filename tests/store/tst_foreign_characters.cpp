#include "store/cp932.h"
#include "store/data_file.h"
#include "store/kansyou_table.h"
#include "test_files.h"
#include "test_registry.h"

#include <QTemporaryDir>
#include <QTest>

using namespace TestFiles;

namespace {
QByteArray throughDisk(const QString& name, const QByteArray& bytes) {
    QTemporaryDir dir;
    writeBytes(dir.path(), name, bytes);
    return readBytes(dir.path(), name);
}
}  // namespace

// A file saved by a modern editor can hold characters code page 932 cannot:
// they are listed with their places, and converted only when asked.
class TestForeignCharacters : public QObject {
    Q_OBJECT
private slots:
    void titlesOfAUtf8FileListWhatCodePage932CannotHold() {
        const QString text = titleRecord("東京物語", "小津安二郎") +
                             titleRecord("Amélie", "Jean-Pierre", "", "", "", "", "", {}, {"○"}) +
                             titleRecord("10〜20", "監督😀") + titleRecord("か\u3099き");
        TitleTable t;
        const ReadProblem p =
            readDataFile(throughDisk(QStringLiteral("データ.TXT"), text.toUtf8()), &t);
        QCOMPARE(int(p.encoding), int(TextEncoding::Utf8));
        QVERIFY(p.recoded());
        QVERIFY(!p.any());  // nothing is wrong with the records themselves
        QCOMPARE(t[3].Daimei, QStringLiteral("10～20"));  // the twin is taken without asking
        QCOMPARE(p.foreign.size(), 3);
        const ForeignChar& e = p.foreign[0];
        QCOMPARE(e.line, 2);
        QCOMPARE(e.record, 2);
        QCOMPARE(e.value, QStringLiteral("Amélie"));
        QCOMPARE(e.original, QStringLiteral("é"));
        QCOMPARE(e.replacement, QStringLiteral("e"));
        QCOMPARE(p.foreign[1].original, QStringLiteral("😀"));
        QCOMPARE(p.foreign[1].replacement, QStringLiteral("〓"));
        QCOMPARE(p.foreign[2].replacement, QStringLiteral("が"));
        QVERIFY(p.foreignWhat().contains(QStringLiteral("3か所")));
        QVERIFY(p.foreignWhat().contains(QStringLiteral("・2行目「Amélie」の「é」→「e」")));

        QCOMPARE(convertToCodePage932(&t), 3);
        QCOMPARE(t[2].Daimei, QStringLiteral("Amelie"));
        QCOMPARE(t[3].Kantoku, QStringLiteral("監督〓"));
        QCOMPARE(t[4].Daimei, QStringLiteral("がき"));
        QByteArray bytes;
        QVERIFY(Cp932::encode(serializeDataFile(t), &bytes));
        QVERIFY(foreignCharacters(t, p.recordLines).isEmpty());
    }

    void aCodePage932FileHasNothingToList() {
        TitleTable t;
        const ReadProblem p = readDataFile(
            throughDisk(QStringLiteral("データ.TXT"), cp932(titleRecord("東京物語"))), &t);
        QVERIFY(!p.recoded());
        QVERIFY(p.foreign.isEmpty());
        QVERIFY(p.foreignWhat().isEmpty());
    }

    void viewingsOfAUtf16FileToo() {
        QString text = historyRecordLine("2003/05/10", "Amélie", "Blu-ray") +
                       historyRecordLine("2004/01/01", "七人の侍", "映画館½");
        QByteArray bytes("\xFF\xFE");
        for (const QChar c : text) {
            bytes += char(c.unicode() & 0xFF);
            bytes += char(c.unicode() >> 8);
        }
        KansyouTable t;
        QVector<qsizetype> starts;
        const ReadProblem p =
            readHistoryFile(throughDisk(QStringLiteral("鑑賞履歴.TXT"), bytes), &t, &starts);
        QCOMPARE(int(p.encoding), int(TextEncoding::Utf16LE));
        QCOMPARE(p.foreign.size(), 2);
        QCOMPARE(p.foreign[1].line, 2);
        QCOMPARE(p.foreign[1].record, 2);
        QCOMPARE(convertToCodePage932(&t), 2);
        QCOMPARE(t[1].KansyouDaimei, QStringLiteral("Amelie"));
        QCOMPARE(t[2].KansyouNaiyou, QStringLiteral("映画館1／2"));
        QCOMPARE(t.viewingsOf(QStringLiteral("Amelie")), QVector<int>{1});  // the index follows
        QCOMPARE(t.LastKansyoubi, QStringLiteral("2004/01/01"));
    }
};

REELNOTE_TEST(TestForeignCharacters)
#include "tst_foreign_characters.moc"
