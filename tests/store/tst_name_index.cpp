#include "store/name_index.h"
#include "test_registry.h"

#include <QRandomGenerator>
#include <QTest>

#include <map>
#include <set>

namespace {
// What the index must answer, kept the plain way: every name, and by folded form.
struct Model {
    std::set<QString> names;
    bool add(const QString& n) { return names.insert(n).second; }
    void remove(const QString& n) { names.erase(n); }
    QString first(const QString& folded) const {
        for (const QString& n : names)
            if (n.toCaseFolded() == folded) return n;  // the set is in name order
        return {};
    }
};

QStringList inOrder(const NameIndex& index) {
    QStringList out;
    index.forEachInOrder([&](QStringView actual, QStringView folded) {
        QCOMPARE(folded.toString(), actual.toString().toCaseFolded());
        out << actual.toString();
    });
    return out;
}
}  // namespace

class TestNameIndex : public QObject {
    Q_OBJECT
private slots:
    void spellingsOfOneName() {
        NameIndex index;
        QVERIFY(index.add(u"x.JPG"));
        QVERIFY(index.add(u"X.jpg"));
        QVERIFY(!index.add(u"x.JPG"));  // listed already
        QVERIFY(index.add(u"あらすじ_甲.txt"));
        // The first in name order answers, whatever order they came in.
        QCOMPARE(index.first(u"x.jpg"), QStringLiteral("X.jpg"));
        QVERIFY(index.contains(u"x.JPG", u"x.jpg"));
        QVERIFY(!index.contains(u"x.jpg", u"x.jpg"));
        QVERIFY(index.containsFolded(u"あらすじ_甲.txt"));
        QVERIFY(index.first(u"y.jpg").isNull());
        index.remove(u"X.jpg");
        QCOMPARE(index.first(u"x.jpg"), QStringLiteral("x.JPG"));
        QCOMPARE(inOrder(index), (QStringList{"x.JPG", "あらすじ_甲.txt"}));
        index.remove(u"x.JPG");
        QVERIFY(!index.containsFolded(u"x.jpg"));
        index.remove(u"not listed");
        QCOMPARE(inOrder(index), QStringList{"あらすじ_甲.txt"});
    }

    // A name is found by its folded form for every character of the ranges
    // the index takes to have no case, and for the ones around them.
    void everyCharacterIsFoundByItsFoldedForm() {
        NameIndex index;
        QStringList names;
        for (char32_t c = 0x20; c < 0xFFFE; ++c) {
            if (QChar::isSurrogate(c)) continue;
            names << QString(QChar(char16_t(c))) + QStringLiteral(".txt");
        }
        for (const QString& n : names) QVERIFY(index.add(n));
        for (const QString& n : names) {
            if (!index.contains(n, n.toCaseFolded()))
                QFAIL(qPrintable(QStringLiteral("U+%1 not found").arg(n[0].unicode(), 4, 16)));
        }
    }

    // Random adds and removals, with listings between them so that the kept
    // order is updated in place, and enough removals to make the index compact
    // itself: every answer must be the plain model's.
    void agreesWithAPlainListThroughChanges() {
        QRandomGenerator dice(20261207);
        const QStringList stems = {"キャスト_", "あらすじ_", "メモ_", "Memo_", "MEMO_", "ａ",
                                   "Ａ",        "İ",         "ß",     "Σ",     "ｱ"};
        const QStringList ends = {".txt", ".TXT", ".jpg", ".Jpg", ""};
        NameIndex index;
        Model model;
        const auto randomName = [&] {
            return stems[dice.bounded(int(stems.size()))] + QString::number(dice.bounded(300)) +
                   ends[dice.bounded(int(ends.size()))];
        };
        for (int step = 0; step < 6000; ++step) {
            const QString name = randomName();
            // First mostly adds, then mostly removals.
            const bool adding = dice.bounded(100) < (step < 3000 ? 75 : 20);
            if (adding) {
                QCOMPARE(index.add(name), model.add(name));
            } else {
                index.remove(name);
                model.remove(name);
            }
            if (step % 500 == 0)
                QCOMPARE(inOrder(index), QStringList(model.names.begin(), model.names.end()));
            const QString probe = randomName().toCaseFolded();
            QCOMPARE(index.first(probe), model.first(probe));
            QCOMPARE(index.containsFolded(probe), !model.first(probe).isNull());
            QCOMPARE(index.contains(name, name.toCaseFolded()), model.names.count(name) == 1);
        }
        QCOMPARE(inOrder(index), QStringList(model.names.begin(), model.names.end()));
        index.clear();
        QVERIFY(inOrder(index).isEmpty());
        QVERIFY(!index.containsFolded(u"memo_1.txt"));
    }
};

REELNOTE_TEST(TestNameIndex)
#include "tst_name_index.moc"
