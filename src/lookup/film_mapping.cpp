#include "film_mapping.h"

#include "store/cp932.h"

#include <QRegularExpression>

namespace {
// Names of one country or genre: the usual Japanese one first, then what the
// services call it (TMDb's English names, Wikidata's Japanese and English
// labels) and what users often write instead.
using Names = QStringList;

const QVector<Names>& countryTable() {
    static const QVector<Names> table{
        {"アメリカ", "United States of America", "United States", "USA", "アメリカ合衆国", "米国"},
        {"イギリス", "United Kingdom", "UK", "Great Britain", "英国"},
        {"日本", "Japan"},
        {"フランス", "France"},
        {"ドイツ", "Germany", "ドイツ連邦共和国"},
        {"西ドイツ", "West Germany"},
        {"イタリア", "Italy"},
        {"スペイン", "Spain"},
        {"カナダ", "Canada"},
        {"中国", "China", "中華人民共和国"},
        {"香港", "Hong Kong"},
        {"台湾", "Taiwan", "中華民国"},
        {"韓国", "South Korea", "大韓民国"},
        {"インド", "India"},
        {"オーストラリア", "Australia"},
        {"ロシア", "Russia", "ロシア連邦"},
        {"ソ連", "Soviet Union", "ソビエト連邦"},
        {"スウェーデン", "Sweden"},
        {"デンマーク", "Denmark"},
        {"メキシコ", "Mexico"},
        {"ブラジル", "Brazil"},
        {"ニュージーランド", "New Zealand"},
        {"アイルランド", "Ireland"},
        {"ベルギー", "Belgium"},
        {"オランダ", "Netherlands"},
        {"ポーランド", "Poland"},
        {"イラン", "Iran"},
    };
    return table;
}

const QVector<Names>& genreTable() {
    static const QVector<Names> table{
        {"ドラマ", "Drama", "drama film", "ドラマ映画"},
        {"恋愛", "Romance", "romance film", "ロマンス", "恋愛映画", "ロマンス映画"},
        {"SF", "Science Fiction", "science fiction film", "サイエンスフィクション", "SF映画",
         "サイエンス・フィクション映画"},
        {"アクション", "Action", "action film", "アクション映画"},
        {"コメディ", "Comedy", "comedy film", "コメディー", "コメディ映画", "コメディー映画"},
        {"ホラー", "Horror", "horror film", "ホラー映画"},
        {"アニメ", "Animation", "animated film", "アニメーション", "アニメ映画",
         "アニメーション映画"},
        {"スリラー", "Thriller", "thriller film", "スリラー映画"},
        {"ミステリー", "Mystery", "mystery film", "ミステリー映画"},
        {"ファンタジー", "Fantasy", "fantasy film", "ファンタジー映画"},
        {"ドキュメンタリー", "Documentary", "documentary film", "ドキュメンタリー映画"},
        {"戦争", "War", "war film", "戦争映画"},
        {"西部劇", "Western", "Western film", "西部劇映画"},
        {"ミュージカル", "musical film", "ミュージカル映画"},
        {"音楽", "Music", "音楽映画"},
        {"犯罪", "Crime", "crime film", "犯罪映画"},
        {"アドベンチャー", "Adventure", "adventure film", "冒険映画", "冒険"},
        {"ファミリー", "Family", "family film", "ファミリー映画"},
        {"歴史", "History", "historical film", "歴史映画"},
        {"時代劇", "jidaigeki", "時代劇映画"},
        {"特撮", "tokusatsu", "特撮映画"},
    };
    return table;
}

const Names* entryOf(const QString& name, const QVector<Names>& table) {
    for (const Names& n : table)
        if (n.contains(name, Qt::CaseInsensitive)) return &n;
    return nullptr;
}

bool isAscii(const QString& s) {
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c.unicode() < 0x80; });
}

QString pickName(const QStringList& names, const QStringList& list, const QVector<Names>& table) {
    for (const QString& n : names) {
        if (list.contains(n)) return n;
        if (const Names* e = entryOf(n, table))
            for (const QString& s : *e)
                if (list.contains(s)) return s;
    }
    if (names.isEmpty()) return {};
    const QString& first = names.first();
    const Names* e = entryOf(first, table);
    // A label in Japanese is taken as it is; an English name gets its Japanese one.
    return e && isAscii(first) ? e->first() : first;
}

// Makes text fit code page 932, noting every character changed.
QString fitCodePage(const QString& field, const QString& text, QVector<FieldChange>* changes) {
    const QString twins = Cp932::toCp932Twins(text);  // looks the same: not worth a word
    const QVector<Cp932::Replacement> parts = Cp932::unencodableParts(twins);
    for (const Cp932::Replacement& r : parts) changes->append({field, r.original, r.replacement});
    return parts.isEmpty() ? twins : Cp932::toCodePage932(twins);
}

// A value of the record files: one line, no double quote, code page 932.
QString recordValue(const QString& field, QString text, QVector<FieldChange>* changes) {
    static const QRegularExpression breaks(QStringLiteral("\\s*[\\r\\n\\t]+\\s*"));
    text = fitCodePage(field, text.replace(breaks, QStringLiteral(" ")).trimmed(), changes);
    if (text.contains(u'"')) {
        changes->append({field, QStringLiteral("\""), QStringLiteral("”")});
        text.replace(u'"', u'”');
    }
    return text;
}

// A free text with CR LF line ends, one after the last line too.
QString freeText(const QString& field, const QStringList& lines, QVector<FieldChange>* changes) {
    QString text;
    for (const QString& line : lines) {
        text += line;
        text += QStringLiteral("\r\n");
    }
    return fitCodePage(field, text, changes);
}

QString oneLine(QString s) {
    static const QRegularExpression breaks(QStringLiteral("\\s*[\\r\\n\\t]+\\s*"));
    return s.replace(breaks, QStringLiteral(" ")).trimmed();
}
}  // namespace

QString releaseDateText(const ReleaseDate& d) {
    if (!d.known()) return {};
    const QString year = QStringLiteral("%1").arg(d.year, 4, 10, QLatin1Char('0'));
    if (d.month == 0) return year;
    const QString month = QStringLiteral("%1/%2").arg(year).arg(d.month, 2, 10, QLatin1Char('0'));
    if (d.day == 0) return month;
    return QStringLiteral("%1/%2").arg(month).arg(d.day, 2, 10, QLatin1Char('0'));
}

QString countryName(const QStringList& names, const QStringList& list) {
    return pickName(names, list, countryTable());
}

QString genreName(const QStringList& names, const QStringList& list) {
    return pickName(names, list, genreTable());
}

FilmProposal proposeFields(const Film& film, const PickLists& lists) {
    FilmProposal p;
    QVector<FieldChange>* c = &p.changes;
    p.Daimei = recordValue(QStringLiteral("タイトル"), film.title, c);
    p.Kantoku = recordValue(QStringLiteral("監督"), film.directors.join(QStringLiteral("、")), c);
    if (!film.cast.isEmpty()) p.Syuen = recordValue(QStringLiteral("主演"), film.cast[0].name, c);
    p.Koukai = releaseDateText(film.releaseDate);
    p.Kuni = recordValue(QStringLiteral("国"), countryName(film.countries, lists.Kuni), c);
    p.Janru = recordValue(QStringLiteral("ジャンル"), genreName(film.genres, lists.Janru), c);

    QStringList cast;
    for (const CastMember& m : film.cast) {
        const QString name = oneLine(m.name), role = oneLine(m.role);
        if (name.isEmpty()) continue;
        cast.append(role.isEmpty() ? name : QStringLiteral("%1（%2）").arg(name, role));
    }
    p.Cast = freeText(QStringLiteral("キャスト"), cast, c);

    QString overview = film.overview;
    overview.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    overview = overview.trimmed();
    if (!overview.isEmpty())
        p.Arasuji = freeText(QStringLiteral("あらすじ"), overview.split(u'\n'), c);
    p.posterUrl = film.posterUrl;
    return p;
}
