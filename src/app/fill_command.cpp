#include "fill_command.h"

#include "command_terminal.h"

#include "lookup/batch_lookup.h"
#include "lookup/fill_plan.h"
#include "lookup/lookup_config.h"
#include "lookup/poster_client.h"
#include "lookup/source_choice.h"
#include "lookup/tmdb_key.h"
#include "store/catalogue.h"
#include "store/changes.h"
#include "store/folder_lock.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTextStream>

#include <fcntl.h>
#include <unistd.h>
#include <csignal>
#include <cstring>

using namespace CommandTerminal;

namespace {
const QString kFillOption = QStringLiteral("--fill");
const QString kDryRunOption = QStringLiteral("--dry-run");
const QString kTmdb = QStringLiteral("tmdb");
const QString kWikidata = QStringLiteral("wikidata");
constexpr int kInterrupted = 130;  // as a shell reports a run ended by Ctrl+C
constexpr int kShownLength = 30;   // of a long text in the preview

int usage(QTextStream& err, const QString& why) {
    if (!why.isEmpty()) err << why << '\n';
    err << "使い方: reelnote --fill [フォルダー] [--source tmdb|wikidata] [--dry-run]\n";
    err.flush();
    return 2;
}

bool isTerminal(QTextStream& s) {
    const auto* file = qobject_cast<QFile*>(s.device());
    return file && file->handle() >= 0 && isatty(file->handle());
}

struct Arguments {
    QString dir;
    QString source;  // empty: by the key
    bool dryRun = false;
    QString problem;  // why the arguments cannot be used; empty when they can
};

Arguments parse(const QStringList& args) {
    Arguments a;
    QStringList positional;
    bool sawFill = false;
    for (int i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == kFillOption && !sawFill) {
            sawFill = true;
        } else if (arg == kDryRunOption) {
            a.dryRun = true;
        } else if (arg == QLatin1String("--source")) {
            const QString value = args.value(++i);
            if (!a.source.isEmpty() || (value != kTmdb && value != kWikidata)) {
                a.problem =
                    QStringLiteral("--source には tmdb か wikidata を1つ指定してください。");
                return a;
            }
            a.source = value;
        } else if (arg.startsWith(u'-')) {
            a.problem = QStringLiteral("「%1」は --fill のオプションではありません。").arg(arg);
            return a;
        } else {
            positional.append(arg);
        }
    }
    if (positional.size() > 1) {
        a.problem = QStringLiteral("フォルダーは1つだけ指定してください。");
        return a;
    }
    a.dir = positional.value(0, QDir::currentPath());
    return a;
}

// Ctrl+C. Before anything is written it ends the run with nothing written: while
// the titles are looked up the batch is stopped and the folder let go as usual;
// at the question, where the program waits on the terminal, the handler lets
// the folder go and leaves at once. While the step is written the signal waits
// for it, so that the step is written whole.
class Interruption {
public:
    enum Phase { Looking, Asking, Writing };

    Interruption() {
        if (pipe(fds_) == 0) {
            for (int fd : fds_) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
            notifier_ = std::make_unique<QSocketNotifier>(fds_[0], QSocketNotifier::Read);
        } else {
            fds_[0] = fds_[1] = -1;
        }
        interrupted_ = 0;
        phase_ = Looking;
        lockPath_[0] = '\0';
        struct sigaction on {};
        on.sa_handler = &Interruption::handle;
        sigemptyset(&on.sa_mask);
        sigaction(SIGINT, &on, &old_);
    }
    ~Interruption() {
        sigaction(SIGINT, &old_, nullptr);
        notifier_.reset();
        for (int fd : fds_)
            if (fd >= 0) close(fd);
        fds_[0] = fds_[1] = -1;
    }
    Interruption(const Interruption&) = delete;
    Interruption& operator=(const Interruption&) = delete;

    // The lock file the handler removes when it leaves at the question.
    void setLockFile(const QString& path) {
        const QByteArray p = QFile::encodeName(path);
        if (size_t(p.size()) < sizeof lockPath_)
            std::memcpy(lockPath_, p.constData(), p.size() + 1);
    }
    void setPhase(Phase p) { phase_ = p; }
    bool happened() const { return interrupted_ != 0; }
    // Fires on the event loop after a Ctrl+C.
    QSocketNotifier* notifier() const { return notifier_.get(); }

private:
    static void handle(int) {
        interrupted_ = 1;
        if (phase_ == Asking) {
            static const char said[] = "\n中断しました。何も書き込んでいません。\n";
            [[maybe_unused]] ssize_t n = write(STDERR_FILENO, said, sizeof said - 1);
            if (lockPath_[0]) unlink(lockPath_);
            _exit(kInterrupted);
        }
        if (fds_[1] >= 0) {
            const char c = 1;
            [[maybe_unused]] ssize_t n = write(fds_[1], &c, 1);
        }
    }

    static inline volatile sig_atomic_t interrupted_ = 0;
    static inline volatile sig_atomic_t phase_ = Looking;
    static inline int fds_[2] = {-1, -1};
    static inline char lockPath_[4096] = {};
    std::unique_ptr<QSocketNotifier> notifier_;
    struct sigaction old_ {};
};

int interrupted(QTextStream& err) {
    err << QStringLiteral("\n中断しました。何も書き込んでいません。\n");
    err.flush();
    return kInterrupted;
}

// A value on one line of the preview: line breaks as ／, a long one cut short.
QString shown(QString v) {
    v = v.trimmed();
    v.replace(QStringLiteral("\r\n"), QStringLiteral("／"));
    v.replace(u'\r', u'／');
    v.replace(u'\n', u'／');
    v.replace(u'\t', u' ');
    if (v.size() > kShownLength) v = v.left(kShownLength) + u'…';
    return v;
}

QString candidateLine(const Candidate& c) {
    return QStringLiteral("  %1:%2  %3 / %4 / %5 / %6")
        .arg(c.source, c.id, shown(c.title), shown(c.originalTitle),
             c.year > 0 ? QString::number(c.year) : QString(), shown(c.director));
}

// What the batch gave, title by title, sorted for the preview.
struct Outcome {
    QVector<FillProposal> proposals;
    QVector<std::pair<QString, QVector<Candidate>>> uncertain;
    QStringList notFound;
    QVector<std::pair<QString, QString>> failed;  // title, why
    int nothingToAdd = 0;                         // found, but without what the title lacks
};

void printPreview(const Outcome& o, int asked, QTextStream& out) {
    if (!o.proposals.isEmpty()) {
        out << QStringLiteral("情報を補うタイトル（%1件）:\n").arg(o.proposals.size());
        for (const FillProposal& p : o.proposals) {
            out << p.need.name;
            for (const auto& [field, value] : p.writes())
                out << '\t' << field << '=' << shown(value);
            out << '\t' << p.source << ':' << p.id << '\n';
        }
    }
    if (!o.uncertain.isEmpty()) {
        out << QStringLiteral(
                   "\n要確認（%1件）: 候補が1つに決まりませんでした。"
                   "reelnote --lookup で確かめてください。\n")
                   .arg(o.uncertain.size());
        for (const auto& [name, candidates] : o.uncertain) {
            out << name << '\n';
            for (const Candidate& c : candidates) out << candidateLine(c) << '\n';
        }
    }
    if (!o.notFound.isEmpty()) {
        out << QStringLiteral("\n見つからなかったタイトル（%1件）:\n").arg(o.notFound.size());
        for (const QString& name : o.notFound) out << "  " << name << '\n';
    }
    if (!o.failed.isEmpty()) {
        out << QStringLiteral("\n調べられなかったタイトル（%1件）:\n").arg(o.failed.size());
        for (const auto& [name, why] : o.failed) out << "  " << name << ": " << why << '\n';
    }
    out << QStringLiteral(
               "\n空欄のあるタイトル%1件: 補う%2件、要確認%3件、見つからない%4件、"
               "調べられない%5件、補える項目なし%6件\n")
               .arg(asked)
               .arg(o.proposals.size())
               .arg(o.uncertain.size())
               .arg(o.notFound.size())
               .arg(o.failed.size())
               .arg(o.nothingToAdd);
    out.flush();
}

// The step, written as the window's change runner writes it: what another
// program changed is read again first, and a write refused because a file
// changed in between is tried once more on what was read.
QString write(Catalogue& cat, Change& step) {
    step.beforeReload(cat);
    cat.reloadChangedFiles();
    QString problem = step.apply(cat);
    if (!problem.isEmpty()) {
        step.beforeReload(cat);
        if (!cat.reloadChangedFiles().isEmpty()) problem = step.apply(cat);
    }
    return problem;
}
}  // namespace

bool asksForFill(const QStringList& args) {
    return args.size() > 1 &&
           (args[1] == kFillOption || (args[1] == kDryRunOption && args.contains(kFillOption)));
}

int fillCommand(const QStringList& args, QTextStream& in, QTextStream& out, QTextStream& err,
                const NetworkOptions& options) {
    const Arguments a = parse(args);
    if (!a.problem.isEmpty()) return usage(err, a.problem);
    if (!QFileInfo(a.dir).isDir())
        return usage(err, QStringLiteral("フォルダー「%1」がありません。").arg(a.dir));

    Interruption interruption;
    // Wikidata needs no key: the secret store is not asked for one then.
    const QString key = a.source == kWikidata ? QString() : waitForTmdbKey(interruption.notifier());
    if (interruption.happened()) return interrupted(err);
    if (a.source == kTmdb && key.isEmpty()) {
        QString why = QStringLiteral(
            "TMDbで調べるにはAPIキーが必要です。"
            "環境変数 REELNOTE_TMDB_KEY にキーを設定してください。");
        if (const QString s = TmdbKey::instance().storeProblem(); !s.isEmpty()) why += u'\n' + s;
        return usage(err, why);
    }

    // The folder is held as a window holds it, from before it is read until the
    // step is written: a window open on it would write over the fill, and one
    // started meanwhile opens read-only.
    FolderLock lock(a.dir);
    if (!a.dryRun) {
        if (!holdFolder(lock, a.dir, QStringLiteral("情報を補えません"), err)) return 1;
        interruption.setLockFile(QDir(a.dir).absoluteFilePath(FolderLock::kFileName));
    }
    Catalogue cat(a.dir);
    // A folder without a data file has no titles; loading would create the file.
    if (!cat.dir().exists(kDataFile)) {
        out << QStringLiteral("フォルダーにタイトルがありません。\n");
        return 0;
    }
    if (const QString m = cat.LoadMainData(); !m.isEmpty()) err << forTerminal(m) << '\n';
    err.flush();
    const QVector<FillNeed> needs = titlesToFill(cat);
    if (needs.isEmpty()) {
        out << QStringLiteral("空欄のあるタイトルはありません。\n");
        return 0;
    }

    LookupNetwork network(options);
    std::unique_ptr<FilmSource> source =
        makeFilmSource(network, LookupAddresses::fromEnvironment(), key, a.source);
    PosterClient posters(network);
    BatchLookup batch(*source, &posters);
    QVector<BatchQuery> queries;
    queries.reserve(needs.size());
    for (const FillNeed& need : needs) queries.append({need.name, need.year, need.Poster, {}});

    const PickLists lists = pickListsOf(cat);
    const bool showProgress = isTerminal(err);
    Outcome outcome;
    LookupError stopped;
    QEventLoop loop;
    QObject::connect(
        &batch, &BatchLookup::answered, &loop, [&](int index, const BatchAnswer& answer) {
            const FillNeed& need = needs[index];
            switch (answer.kind) {
                case BatchAnswer::Kind::Found: {
                    FillProposal p = proposeFill(need, answer.film, lists, answer.poster);
                    if (p.empty())
                        ++outcome.nothingToAdd;
                    else
                        outcome.proposals.append(std::move(p));
                    break;
                }
                case BatchAnswer::Kind::Uncertain:
                    outcome.uncertain.append({need.name, answer.candidates});
                    break;
                case BatchAnswer::Kind::NotFound:
                    outcome.notFound.append(need.name);
                    break;
                case BatchAnswer::Kind::Failed:
                    outcome.failed.append({need.name, answer.error.message});
                    break;
            }
        });
    if (showProgress) {
        QObject::connect(&batch, &BatchLookup::progress, &loop, [&](int done, int total) {
            err << QStringLiteral("\r%1 / %2          ").arg(done).arg(total);
            err.flush();
        });
        QObject::connect(&batch, &BatchLookup::waiting, &loop, [&](int ms) {
            err << QStringLiteral("  （混み合っているため%1秒待ちます）").arg((ms + 999) / 1000);
            err.flush();
        });
    }
    QObject::connect(&batch, &BatchLookup::finished, &loop, [&](bool, const LookupError& why) {
        stopped = why;
        loop.quit();
    });
    if (QSocketNotifier* n = interruption.notifier())
        QObject::connect(n, &QSocketNotifier::activated, &loop, [&] { batch.cancel(); });
    batch.start(queries);
    if (batch.running()) loop.exec();
    if (showProgress) {
        err << '\n';
        err.flush();
    }
    if (interruption.happened()) return interrupted(err);
    if (stopped.failed()) {
        err << stopped.message << QStringLiteral("\n何も書き込んでいません。\n");
        err.flush();
        return 3;
    }

    printPreview(outcome, int(needs.size()), out);
    if (outcome.proposals.isEmpty() || a.dryRun) return 0;
    interruption.setPhase(Interruption::Asking);
    const bool yes = saysYes(in, out, QStringLiteral("\nこれらの情報を書き込みますか？"));
    interruption.setPhase(Interruption::Writing);
    if (interruption.happened()) return interrupted(err);
    if (!yes) {
        out << QStringLiteral("\n書き込みませんでした。\n");
        return 1;
    }

    cat.setConversionQuestion(
        [&](const QString& f, const QString& what) { return allowsConversion(in, out, f, what); });
    // The proposals go to what the files hold now: a title another program
    // renamed or filled meanwhile is passed over, as in the window.
    cat.reloadChangedFiles();
    QString problem;
    std::unique_ptr<Change> step = fillStep(cat, outcome.proposals, &problem);
    if (!step) {
        if (problem.isEmpty()) {
            out << QStringLiteral(
                "\n書き込む情報はなくなっていました（空欄が埋まったか、"
                "タイトルの名前が変わりました）。\n");
            return 0;
        }
        err << forTerminal(problem) << QStringLiteral("\n書き込みませんでした。\n");
        return 1;
    }
    if (problem = write(cat, *step); !problem.isEmpty()) {
        err << forTerminal(problem) << QStringLiteral("\n書き込みませんでした。\n");
        return 1;
    }
    for (const QString& note : cat.takeNotices() + cat.takeNotes())
        out << forTerminal(note) << '\n';
    out << QStringLiteral("\n書き込みました（%1）。\n").arg(step->text());
    return 0;
}
