#include "import_command.h"

#include "command_terminal.h"

#include "import/import_plan.h"
#include "import/import_preview.h"
#include "import/import_read.h"
#include "store/catalogue.h"
#include "store/file_io.h"
#include "store/folder_lock.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

using namespace CommandTerminal;

namespace {
const QString kImportOption = QStringLiteral("--import-csv");
const QString kDryRunOption = QStringLiteral("--dry-run");
const QString kWordOption = QStringLiteral("--viewing-content");
const QString kUnseenOption = QStringLiteral("--add-unseen");

int usage(QTextStream& err) {
    err << "使い方: reelnote --import-csv 取り込む.csv [フォルダー] [--dry-run] "
           "[--viewing-content 鑑賞内容] [--add-unseen]\n";
    err.flush();
    return 2;
}

struct Arguments {
    QString file, dir, word = kDefaultViewingWord;
    bool dryRun = false;
    bool addUnseen = false;  // a watchlist's films come in as titles without a viewing
};

bool parse(const QStringList& args, Arguments* a) {
    QStringList positional;
    bool sawImport = false;
    for (int i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == kImportOption && !sawImport) {
            sawImport = true;
        } else if (arg == kDryRunOption) {
            a->dryRun = true;
        } else if (arg == kUnseenOption) {
            a->addUnseen = true;
        } else if (arg == kWordOption) {
            if (++i >= args.size()) return false;
            a->word = args[i];
        } else if (arg.startsWith(kWordOption + u'=')) {
            a->word = arg.mid(kWordOption.size() + 1);
        } else if (arg.startsWith(u'-') && arg != QLatin1String("-")) {
            return false;
        } else {
            positional << arg;
        }
    }
    if (!sawImport || positional.isEmpty() || positional.size() > 2) return false;
    a->file = positional[0];
    a->dir = positional.size() > 1 ? positional[1] : QDir::currentPath();
    return true;
}
}  // namespace

bool asksForImport(const QStringList& args) {
    return args.size() > 1 &&
           (args[1] == kImportOption || (args[1] == kDryRunOption && args.contains(kImportOption)));
}

int importCsvCommand(const QStringList& args, QTextStream& in, QTextStream& out, QTextStream& err) {
    Arguments a;
    if (!parse(args, &a)) return usage(err);
    if (!QFileInfo(a.dir).isDir()) {
        err << QStringLiteral("フォルダー「%1」がありません。\n").arg(a.dir);
        return 2;
    }
    QByteArray bytes;
    QString why;
    switch (
        FileIo::readWhole(FileSystem::real(), QFileInfo(a.file).absoluteFilePath(), &bytes, &why)) {
        case FileIo::ReadResult::Ok:
            break;
        case FileIo::ReadResult::Missing:
            err << QStringLiteral("「%1」がありません。\n").arg(a.file);
            return 2;
        case FileIo::ReadResult::Unreadable:
            err << QStringLiteral("「%1」を読み込めませんでした。%2\n").arg(a.file, why);
            return 2;
    }

    // A real import holds the folder as a window does, from before it reads the
    // files until it has written them: a window open on it would write over the
    // import, and a window started meanwhile opens read-only.
    FolderLock lock(a.dir);
    if (!a.dryRun && !holdFolder(lock, a.dir, QStringLiteral("取り込めません"), err)) return 1;
    Catalogue cat(a.dir);
    // A folder without a data file is an empty collection; loading would create the file.
    if (cat.dir().exists(kDataFile))
        if (const QString m = cat.LoadMainData(); !m.isEmpty()) err << forTerminal(m) << '\n';
    if (const QString m = cat.LoadKansyouRireki(); !m.isEmpty()) err << forTerminal(m) << '\n';
    err.flush();

    const QString name = QFileInfo(a.file).fileName();
    ImportColumns columns;
    const CsvFile file = ImportPlanner::readFile(bytes, name, &columns);
    if (columns.format == ImportFormat::Unknown) {
        err << forTerminal(file.notText ? ImportPlanner::notTextMessage(name)
                                        : ImportPreview::unknownFormat(name, file))
            << '\n';
        return 1;
    }
    ImportPlan plan = ImportPlanner::plan(cat.titles(), cat.kansyou(), file, columns, a.word);
    out << forTerminal(ImportPreview::text(plan, name));
    const bool watchlist = ImportFormats::isWatchlist(columns.format);
    if (watchlist && !a.addUnseen)
        out << QStringLiteral(
            "\nウォッチリストの映画は、まだ観ていない映画です。鑑賞履歴なしのタイトルとして"
            "加えるには、--add-unseen を付けて実行してください。\n");
    else if (watchlist)
        out << QStringLiteral(
            "\nウォッチリストの映画を、鑑賞履歴なしのタイトルとして加えます（--add-unseen）。\n");
    out.flush();
    if (plan.changesNothing() || (watchlist && !a.addUnseen)) return 1;
    if (a.dryRun) return 0;
    if (!saysYes(in, out, QStringLiteral("\n取り込みますか？"))) {
        out << QStringLiteral("\n取り込みませんでした。\n");
        return 1;
    }
    cat.setConversionQuestion(
        [&](const QString& f, const QString& what) { return allowsConversion(in, out, f, what); });
    QStringList kept;
    if (const QString problem = cat.replaceCollection(std::move(plan.titles), plan.history, &kept);
        !problem.isEmpty()) {
        err << forTerminal(problem) << QStringLiteral("\n取り込みませんでした。\n");
        return 1;
    }
    out << '\n' << forTerminal(ImportPreview::done(plan, kept)) << '\n';
    return 0;
}
