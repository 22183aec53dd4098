#include "store/date_text.h"
#include "test_registry.h"

#include <QTest>

class TestDateText : public QObject {
    Q_OBJECT
private slots:
    void acceptsDatesAndYearMonths_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("full");
        QTest::addColumn<QString>("yearMonth");
        QTest::newRow("full") << "2003/05/10"
                              << "2003/05/10"
                              << "2003/05";
        QTest::newRow("short month and day") << "2003/5/1"
                                             << "2003/05/01"
                                             << "2003/05";
        QTest::newRow("year-month") << "2003/05"
                                    << "2003/05/01"
                                    << "2003/05";
        QTest::newRow("short year-month") << "2003/5"
                                          << "2003/05/01"
                                          << "2003/05";
        QTest::newRow("hyphens") << "2003-05-10"
                                 << "2003/05/10"
                                 << "2003/05";
        QTest::newRow("dots") << "2003.5.1"
                              << "2003/05/01"
                              << "2003/05";
        QTest::newRow("japanese") << "2003年5月10日"
                                  << "2003/05/10"
                                  << "2003/05";
        QTest::newRow("japanese year-month") << "1999年12月"
                                             << "1999/12/01"
                                             << "1999/12";
        QTest::newRow("leap day") << "2004/02/29"
                                  << "2004/02/29"
                                  << "2004/02";
        QTest::newRow("spaces around") << " 2003/05/10 "
                                       << "2003/05/10"
                                       << "2003/05";
    }
    void acceptsDatesAndYearMonths() {
        QFETCH(QString, text);
        QFETCH(QString, full);
        QFETCH(QString, yearMonth);
        const auto d = parseDateText(text);
        QVERIFY(d.has_value());
        QCOMPARE(d->full(), full);
        QCOMPARE(d->yearMonth(), yearMonth);
    }

    void rejectsWhatIsNotADate() {
        for (const char* bad :
             {"2003/02/30", "2003/13/01", "2003/00", "2003/05/00", "2005/02/29", "03/05/10", "2003",
              "2003/", "2003/05/", "2003/05-10", "2003/123/1", "2003/05/10 12:00", "abc", "",
              "２００３/05/10", "2003年5月", "2003/5月"}) {
            const QString text = QString::fromUtf8(bad);
            if (text == QStringLiteral("2003年5月")) {
                QVERIFY(isDateText(text));  // the Japanese year-month is a date
                continue;
            }
            QVERIFY2(!isDateText(text), bad);
        }
    }
};

REELNOTE_TEST(TestDateText)
#include "tst_date_text.moc"
