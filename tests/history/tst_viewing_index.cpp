#include "store/kansyou_table.h"
#include "test_registry.h"

#include <QRandomGenerator>
#include <QTest>

class TestViewingIndex : public QObject {
    Q_OBJECT
private slots:
    // Appends and insertions anywhere, checked against a plain scan of the records.
    void eachTitlesViewingsFollowTheRecords() {
        QRandomGenerator rng(7);
        const QStringList names = {"A", "B", "あ", "", "長い題名のタイトル", "a"};
        KansyouTable table;
        QVector<Kansyou> model;
        for (int step = 0; step < 600; ++step) {
            const Kansyou k{QStringLiteral("2004/01/%1").arg(step % 28 + 1),
                            names[rng.bounded(int(names.size()))], QStringLiteral("DVD")};
            if (model.isEmpty() || rng.bounded(3) == 0) {
                table.append(k);
                model.append(k);
            } else {
                const int at = 1 + rng.bounded(int(model.size()) + 1);
                table.insert(at, k);
                model.insert(at - 1, k);
            }
            if (step % 50 != 49) continue;
            QCOMPARE(table.records(), model);
            for (const QString& name : names) {
                QVector<int> expected;
                for (int i = 0; i < model.size(); ++i)
                    if (model[i].KansyouDaimei == name) expected.append(i + 1);
                QCOMPARE(table.viewingsOf(name), expected);
            }
        }
        QCOMPARE(table.viewingsOf(QStringLiteral("一度も出てこない題名 %1").arg(rng.generate())),
                 QVector<int>{});
        table.clear();
        QCOMPARE(table.viewingsOf("A"), QVector<int>{});
        table.append({QStringLiteral("2005/01/01"), QStringLiteral("A"), QString()});
        QCOMPARE(table.viewingsOf("A"), QVector<int>{1});
    }
};

REELNOTE_TEST(TestViewingIndex)
#include "tst_viewing_index.moc"
