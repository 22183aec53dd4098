#include "lookup_command.h"

#include "command_terminal.h"

#include "check/folder_check.h"
#include "lookup/candidate_directors.h"
#include "lookup/film_mapping.h"
#include "lookup/lookup_config.h"
#include "lookup/source_choice.h"
#include "lookup/tmdb_client.h"
#include "lookup/wikidata_client.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTextStream>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace {
const QString kTmdb = QStringLiteral("tmdb");
const QString kWikidata = QStringLiteral("wikidata");

// What TEXT asks for: a search, or one film by the id of a service.
struct Target {
    enum class Kind { Search, Tmdb, Wikidata, Imdb, Unreadable };
    Kind kind = Kind::Search;
    QString id;
};

QRegularExpressionMatch whole(const QString& pattern, const QString& text) {
    const QRegularExpression re(QRegularExpression::anchoredPattern(pattern),
                                QRegularExpression::CaseInsensitiveOption);
    return re.match(text);
}

Target targetOfUrl(const QUrl& url) {
    const QString host = url.host().toLower();
    const auto on = [&](const QString& site) { return host == site || host.endsWith(u'.' + site); };
    QRegularExpressionMatch m;
    if (on(QStringLiteral("themoviedb.org")) &&
        (m = whole(QStringLiteral("(?:/[a-z]{2}(?:-[a-z]{2})?)?/movie/(\\d+)(?:-[^/]*)?/?"),
                   url.path()))
            .hasMatch())
        return {Target::Kind::Tmdb, m.captured(1)};
    if (on(QStringLiteral("wikidata.org")) &&
        (m = whole(QStringLiteral("/(?:wiki|entity)/(?:Special:EntityPage/)?(Q\\d+)/?"),
                   url.path()))
            .hasMatch())
        return {Target::Kind::Wikidata, m.captured(1).toUpper()};
    if (on(QStringLiteral("imdb.com")) &&
        (m = whole(QStringLiteral("(?:/[a-z]{2})?/title/(tt\\d+)(?:/.*)?"), url.path())).hasMatch())
        return {Target::Kind::Imdb, m.captured(1).toLower()};
    return {Target::Kind::Unreadable, {}};
}

Target targetOf(const QString& text) {
    QRegularExpressionMatch m;
    if ((m = whole(QStringLiteral("tmdb:(\\d+)"), text)).hasMatch())
        return {Target::Kind::Tmdb, m.captured(1)};
    if ((m = whole(QStringLiteral("wikidata:(Q\\d+)"), text)).hasMatch())
        return {Target::Kind::Wikidata, m.captured(1).toUpper()};
    if ((m = whole(QStringLiteral("tt\\d+"), text)).hasMatch())
        return {Target::Kind::Imdb, text.toLower()};
    // "tmdb:abc" is a mistyped id, not a title to search for.
    if (whole(QStringLiteral("(?:tmdb|wikidata):.*"), text).hasMatch())
        return {Target::Kind::Unreadable, {}};
    if (whole(QStringLiteral("https?://.*"), text).hasMatch())
        return targetOfUrl(QUrl(text, QUrl::StrictMode));
    return {Target::Kind::Search, text};
}

struct Arguments {
    QString text;
    QString dir;
    QString source;  // empty: by the key
    int year = 0;
    QString problem;  // why the arguments cannot be used; empty when they can
};

Arguments parse(const QStringList& args) {
    Arguments a;
    QStringList positional;
    bool yearGiven = false;
    for (int i = 2; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--year") || arg == QLatin1String("--source")) {
            if (i + 1 >= args.size()) {
                a.problem = QStringLiteral("%1 の後に値がありません。").arg(arg);
                return a;
            }
            const QString value = args[++i];
            if (arg == QLatin1String("--year")) {
                bool ok = false;
                const int year = value.toInt(&ok);
                if (yearGiven || !ok || value.size() != 4 || year < 1800) {
                    a.problem = QStringLiteral("--year には4桁の年を1つ指定してください。");
                    return a;
                }
                yearGiven = true;
                a.year = year;
            } else {
                if (!a.source.isEmpty() || (value != kTmdb && value != kWikidata)) {
                    a.problem =
                        QStringLiteral("--source には tmdb か wikidata を1つ指定してください。");
                    return a;
                }
                a.source = value;
            }
        } else if (arg.startsWith(QLatin1String("--"))) {
            a.problem = QStringLiteral("「%1」は --lookup のオプションではありません。").arg(arg);
            return a;
        } else {
            positional.append(arg);
        }
    }
    if (positional.isEmpty() || positional.size() > 2 || positional[0].trimmed().isEmpty()) {
        a.problem = QStringLiteral("調べる題名かIDを1つ、その後にフォルダーを指定してください。");
        return a;
    }
    a.text = positional[0].trimmed();
    a.dir = positional.value(1, QStringLiteral("."));
    return a;
}

// One field on one line: line breaks and tabs written as \n and \t, and the
// backslash itself doubled so that the line reads back unchanged.
QString oneLine(QString v) {
    while (v.endsWith(u'\n') || v.endsWith(u'\r')) v.chop(1);
    v.replace(u'\\', QStringLiteral("\\\\"));
    v.replace(QStringLiteral("\r\n"), QStringLiteral("\\n"));
    v.replace(u'\r', QStringLiteral("\\n"));
    v.replace(u'\n', QStringLiteral("\\n"));
    v.replace(u'\t', QStringLiteral("\\t"));
    return v;
}

// The countries and genres the titles of dir already use, as they spell them.
PickLists pickListsOf(const QString& dir) {
    const FolderCheck::Collection c = FolderCheck::read(dir);
    PickLists lists;
    QSet<QString> kuni, janru;
    for (int n = 1; n <= c.titles.TitleCount(); ++n) {
        const QString k = c.titles[n].Kuni.text(), j = c.titles[n].Janru.text();
        if (!k.isEmpty() && !kuni.contains(k)) {
            kuni.insert(k);
            lists.Kuni.append(k);
        }
        if (!j.isEmpty() && !janru.contains(j)) {
            janru.insert(j);
            lists.Janru.append(j);
        }
    }
    return lists;
}

void printCandidates(const QVector<Candidate>& found, QTextStream& out) {
    for (const Candidate& c : found) {
        out << oneLine(c.source) << '\t' << oneLine(c.id) << '\t' << oneLine(c.title) << '\t'
            << oneLine(c.originalTitle) << '\t'
            << (c.year > 0 ? QString::number(c.year) : QString()) << '\t' << oneLine(c.director)
            << '\n';
    }
}

void printFilm(const FilmProposal& p, QTextStream& out, QTextStream& err) {
    const std::pair<const char*, const QString*> fields[] = {
        {"タイトル", &p.Daimei}, {"監督", &p.Kantoku},     {"主演", &p.Syuen},
        {"公開日", &p.Koukai},   {"国", &p.Kuni},          {"ジャンル", &p.Janru},
        {"キャスト", &p.Cast},   {"あらすじ", &p.Arasuji}, {"ポスター", &p.posterUrl}};
    for (const auto& [name, value] : fields)
        out << QString::fromUtf8(name) << '\t' << oneLine(*value) << '\n';
    for (const FieldChange& c : p.changes)
        err << QStringLiteral("%1: 「%2」は「%3」として書きます。\n")
                   .arg(c.field, oneLine(c.before), oneLine(c.after));
}

int failure(const LookupError& e, const Target& target, QTextStream& err) {
    err << e.message << '\n';
    switch (e.kind) {
        case LookupError::Kind::BadRequest:
            return 2;
        case LookupError::Kind::NotFound:
            // An id the service does not know is a film not found; a search
            // answered 404 is a service that is not where it was said to be.
            return target.kind == Target::Kind::Search ? 3 : 1;
        default:
            return 3;
    }
}
}  // namespace

int lookupCommand(const QStringList& args, QTextStream& out, QTextStream& err,
                  const NetworkOptions& options) {
    const auto bad = [&](const QString& why) {
        err << why << '\n'
            << "使い方: reelnote --lookup 題名またはID [--year 年] [--source tmdb|wikidata] "
               "[フォルダー]\n";
        err.flush();
        return 2;
    };
    const Arguments a = parse(args);
    if (!a.problem.isEmpty()) return bad(a.problem);
    if (!QFileInfo(a.dir).isDir())
        return bad(QStringLiteral("フォルダー「%1」がありません。").arg(a.dir));
    const Target target = targetOf(a.text);
    if (target.kind == Target::Kind::Unreadable)
        return bad(QStringLiteral("「%1」はTMDb、WikidataのIDでもページのURLでもありません。")
                       .arg(a.text));

    // The key as the window has it: the environment's, else the secret store's.
    const QString key = CommandTerminal::waitForTmdbKey();
    QString source = a.source.isEmpty() ? (key.isEmpty() ? kWikidata : kTmdb) : a.source;
    const QString needed = target.kind == Target::Kind::Wikidata ? kWikidata
                           : target.kind == Target::Kind::Search ? QString()
                                                                 : kTmdb;
    if (!needed.isEmpty()) {
        if (!a.source.isEmpty() && a.source != needed)
            return bad(QStringLiteral("「%1」は%2で調べるIDです。").arg(a.text, needed));
        source = needed;
    }
    if (source == kTmdb && key.isEmpty())
        return bad(
            QStringLiteral("TMDbで調べるにはAPIキーが必要です。"
                           "環境変数 REELNOTE_TMDB_KEY にキーを設定するか、"
                           "「ネットで調べる」の「設定…」でキーを保存してください。"));

    LookupNetwork network(options);
    const LookupAddresses addresses = LookupAddresses::fromEnvironment();
    std::unique_ptr<FilmSource> client = makeFilmSource(network, addresses, key, source);

    // The clients answer through the event loop; the command waits here for
    // the one answer each request gives.
    QEventLoop loop;
    int status = -1;
    const auto end = [&](int s) {
        status = s;
        loop.quit();
    };
    QObject::connect(client.get(), &FilmSource::failed, &loop,
                     [&](const LookupError& e) { end(failure(e, target, err)); });
    QObject::connect(client.get(), &FilmSource::filmFetched, &loop, [&](const Film& film) {
        printFilm(proposeFields(film, pickListsOf(a.dir)), out, err);
        end(0);
    });

    // TMDb's search does not tell the directors: those of the first candidates
    // are asked before printing, within one request's time in all. What does
    // not come leaves its column empty; the list is printed all the same.
    QVector<Candidate> shown;
    CandidateDirectors directors(network, addresses, key);
    QTimer enough;
    enough.setSingleShot(true);
    const auto printShown = [&] {
        directors.cancel();
        enough.stop();
        printCandidates(shown, out);
        end(0);
    };
    QObject::connect(&directors, &CandidateDirectors::directorFound, &loop,
                     [&](const QString& id, const QString& names) {
                         for (Candidate& c : shown)
                             if (c.source == kTmdb && c.id == id) c.director = names;
                     });
    QObject::connect(&directors, &CandidateDirectors::finished, &loop, printShown);
    QObject::connect(&enough, &QTimer::timeout, &loop, printShown);

    QObject::connect(
        client.get(), &FilmSource::candidatesFound, &loop, [&](const QVector<Candidate>& found) {
            // An IMDb id names one film, found through TMDb's find.
            if (target.kind == Target::Kind::Imdb && found.size() == 1) {
                const QString id = found[0].id;
                QMetaObject::invokeMethod(
                    client.get(), [&, id] { client->fetchFilm(id); }, Qt::QueuedConnection);
                return;
            }
            if (source == kTmdb && !found.isEmpty()) {
                shown = found;
                enough.start(options.totalTimeoutMs);
                directors.start(found, 10);
                return;
            }
            printCandidates(found, out);
            end(found.isEmpty() ? 1 : 0);
        });

    switch (target.kind) {
        case Target::Kind::Search:
            client->search(target.id, a.year);
            break;
        case Target::Kind::Imdb: {
            // Only TMDb finds by an IMDb id; the id made the source TMDb's
            // (with Wikidata's names, a TmdbClient all the same).
            auto* tmdb = qobject_cast<TmdbClient*>(client.get());
            Q_ASSERT(tmdb);
            tmdb->findByImdb(target.id);
            break;
        }
        default:
            client->fetchFilm(target.id);
            break;
    }
    if (status < 0) loop.exec();
    if (status == 1 && target.kind != Target::Kind::Tmdb && target.kind != Target::Kind::Wikidata)
        err << QStringLiteral("「%1」に当たる映画は見つかりませんでした。\n").arg(a.text);
    out.flush();
    err.flush();
    return status;
}
