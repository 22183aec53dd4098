#include "lookup/film_mapping.h"
#include "store/date_text.h"
#include "test_registry.h"

#include <QTest>

Q_DECLARE_METATYPE(ReleaseDate)

namespace {
Film harbour() {
    Film f;
    f.source = QStringLiteral("tmdb");
    f.title = QStringLiteral("どこでもない港");
    f.releaseDate = {1998, 3, 7};
    f.directors = QStringList{"Dag Holm", "Fia Dal"};
    f.cast = {{"Ana Lind", "灯台守"}, {"Bo Ek", ""}, {"Cai\nBerg", "港長\r\n（代役）"}};
    f.countries = QStringList{"Sweden", "United States of America"};
    f.genres = QStringList{"ドラマ", "ロマンス"};
    f.overview = QStringLiteral("港町の灯台守が、\n消えた船を探す。\r\n\n");
    f.posterUrl = QStringLiteral("https://images.example/w500/a.jpg");
    return f;
}
}  // namespace

class TestFilmMapping : public QObject {
    Q_OBJECT

private slots:
    void datesAreWrittenAsTheDataFileWritesThem_data() {
        QTest::addColumn<ReleaseDate>("date");
        QTest::addColumn<QString>("text");
        QTest::newRow("day") << ReleaseDate{2001, 7, 20} << "2001/07/20";
        QTest::newRow("month") << ReleaseDate{1968, 4, 0} << "1968/04";
        QTest::newRow("year") << ReleaseDate{1927, 0, 0} << "1927";
        QTest::newRow("unknown") << ReleaseDate{} << "";
    }
    void datesAreWrittenAsTheDataFileWritesThem() {
        QFETCH(ReleaseDate, date);
        QFETCH(QString, text);
        QCOMPARE(releaseDateText(date), text);
        // A day or a month is a date the card accepts, read back as it was.
        if (date.month != 0) {
            const std::optional<DateText> d = parseDateText(text);
            QVERIFY(d);
            QCOMPARE(d->year, date.year);
            QCOMPARE(d->month, date.month);
            QCOMPARE(d->day, date.day);
        }
    }

    void countriesAndGenresTakeTheListsSpelling_data() {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<bool>("country");
        QTest::addColumn<QString>("written");
        const QStringList mine{"日本", "アメリカ", "イギリス"};
        QTest::newRow("TMDb's English, in the list")
            << QStringList{"United States of America"} << mine << true << "アメリカ";
        QTest::newRow("Wikidata's label, in the list")
            << QStringList{"アメリカ合衆国"} << mine << true << "アメリカ";
        QTest::newRow("the first the list holds")
            << QStringList{"Sweden", "United Kingdom"} << mine << true << "イギリス";
        QTest::newRow("new, English") << QStringList{"Sweden"} << mine << true << "スウェーデン";
        QTest::newRow("new, a Japanese label as it is")
            << QStringList{"アメリカ合衆国"} << QStringList{} << true << "アメリカ合衆国";
        QTest::newRow("new, unknown to the table")
            << QStringList{"Freedonia"} << mine << true << "Freedonia";
        QTest::newRow("the list's own spelling")
            << QStringList{"Romance"} << QStringList{"恋愛", "SF"} << false << "恋愛";
        QTest::newRow("a label the list holds") << QStringList{"サイエンス・フィクション映画"}
                                                << QStringList{"恋愛", "SF"} << false << "SF";
        QTest::newRow("English any case")
            << QStringList{"science fiction"} << QStringList{} << false << "SF";
        QTest::newRow("held exactly")
            << QStringList{"時代劇"} << QStringList{"時代劇"} << false << "時代劇";
        QTest::newRow("none") << QStringList{} << QStringList{"恋愛"} << false << "";
    }
    void countriesAndGenresTakeTheListsSpelling() {
        QFETCH(QStringList, names);
        QFETCH(QStringList, list);
        QFETCH(bool, country);
        QFETCH(QString, written);
        QCOMPARE(country ? countryName(names, list) : genreName(names, list), written);
    }

    void aFilmBecomesTheCardsFields() {
        const FilmProposal p =
            proposeFields(harbour(), {QStringList{"アメリカ"}, QStringList{"恋愛", "ドラマ"}});
        QCOMPARE(p.Daimei, QStringLiteral("どこでもない港"));
        QCOMPARE(p.Kantoku, QStringLiteral("Dag Holm、Fia Dal"));
        QCOMPARE(p.Syuen, QStringLiteral("Ana Lind"));
        QCOMPARE(p.Koukai, QStringLiteral("1998/03/07"));
        QCOMPARE(p.Kuni, QStringLiteral("アメリカ"));
        QCOMPARE(p.Janru, QStringLiteral("ドラマ"));
        QCOMPARE(p.Cast,
                 QStringLiteral("Ana Lind（灯台守）\r\nBo Ek\r\nCai Berg（港長 （代役））\r\n"));
        QCOMPARE(p.Arasuji, QStringLiteral("港町の灯台守が、\r\n消えた船を探す。\r\n"));
        QCOMPARE(p.posterUrl, QStringLiteral("https://images.example/w500/a.jpg"));
        QVERIFY(p.changes.isEmpty());

        const FilmProposal empty = proposeFields(Film{}, {});
        QVERIFY(empty.Kantoku.isEmpty() && empty.Syuen.isEmpty() && empty.Koukai.isEmpty());
        QVERIFY(empty.Kuni.isEmpty() && empty.Janru.isEmpty());
        QVERIFY(empty.Cast.isEmpty() && empty.Arasuji.isEmpty());
    }

    // What the data files cannot hold is changed, and every change is told.
    void textsTheFilesCannotHoldAreChangedAndTold() {
        Film f;
        f.title = QStringLiteral("\"Nowhere\" Harbour");
        f.directors = QStringList{"Pedro Almodóvar"};
        f.cast = {{"Zoë 〜 Kay", "Dr. \"Q\""}};
        f.overview = QStringLiteral("船 🚢 が着く");
        const FilmProposal p = proposeFields(f, {});
        QCOMPARE(p.Daimei, QStringLiteral("”Nowhere” Harbour"));
        QCOMPARE(p.Kantoku, QStringLiteral("Pedro Almodovar"));
        QCOMPARE(p.Syuen, QStringLiteral("Zoe ～ Kay"));  // the wave dash is its twin, untold
        QCOMPARE(p.Cast, QStringLiteral("Zoe ～ Kay（Dr. \"Q\"）\r\n"));  // a free text may quote
        QCOMPARE(p.Arasuji, QStringLiteral("船 〓 が着く\r\n"));
        auto told = [&](const QString& field, const QString& before, const QString& after) {
            for (const FieldChange& c : p.changes)
                if (c.field == field && c.before == before && c.after == after) return true;
            return false;
        };
        QVERIFY(told("タイトル", "\"", "”"));
        QVERIFY(told("監督", "ó", "o"));
        QVERIFY(told("主演", "ë", "e"));
        QVERIFY(told("キャスト", "ë", "e"));
        QVERIFY(told("あらすじ", "🚢", "〓"));
        QCOMPARE(p.changes.size(), 5);
    }
};

REELNOTE_TEST(TestFilmMapping)
#include "tst_film_mapping.moc"
