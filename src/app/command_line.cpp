#include "command_line.h"

#include "check/folder_check.h"
#include "fill_command.h"
#include "import_command.h"
#include "lookup_command.h"
#include "store/catalogue.h"
#include "store/collection_files.h"
#include "store/csv_export.h"
#include "store/data_dir.h"
#include "store/file_io.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace {
QTextStream& err() {
    static QTextStream s(stderr);
    return s;
}

QString dataDirOf(const QStringList& args, int at) {
    return at < args.size() ? args[at] : QDir::currentPath();
}

// Every option, for --help on standard output and for a wrong use on standard error.
void printUsage(QTextStream& to) {
    to << "使い方:\n"
          "  reelnote\n"
          "      作業フォルダーをデータフォルダーとしてウィンドウを開きます。\n"
          "  reelnote --check [フォルダー]\n"
          "      データフォルダーの不整合を一覧にします（何も変更しません）。\n"
          "  reelnote --export-csv 出力.csv [フォルダー]\n"
          "      すべてのタイトルをCSVファイルに書き出します。\n"
          "  reelnote --export-csv-history 出力.csv [フォルダー]\n"
          "      鑑賞履歴をCSVファイルに書き出します。\n"
          "  reelnote --import-csv 取り込む.csv [フォルダー] [--dry-run] "
          "[--viewing-content 鑑賞内容] [--add-unseen]\n"
          "      CSVファイルの内容を確認してから取り込みます。\n"
          "      --dry-run: 取り込む内容を表示するだけで、何も変更しません。\n"
          "      --viewing-content 鑑賞内容: 鑑賞内容のない鑑賞履歴に入れる言葉"
          "（省略時は「鑑賞」）。\n"
          "      --add-unseen: ウォッチリストの映画を、鑑賞履歴なしのタイトルとして加えます。\n"
          "  reelnote --lookup 題名またはID [--year 年] [--source tmdb|wikidata] [フォルダー]\n"
          "      映画をネットで調べ、候補を1行に1件、タブ区切りで表示します"
          "（情報源、ID、題名、原題、公開年、監督）。\n"
          "      tmdb:550、wikidata:Q2262932、tt0137523 のようなIDか映画のページのURLを渡すと、\n"
          "      その映画の各項目を「項目名<タブ>値」の行で表示します。国とジャンルは\n"
          "      フォルダーのタイトルが使っている書き方に合わせます（何も変更しません）。\n"
          "      --year 年: 公開年で絞ります。\n"
          "      --source tmdb|wikidata: 調べるサービス。環境変数 REELNOTE_TMDB_KEY に\n"
          "      TMDbのAPIキーがあればTMDb、なければWikidataです。\n"
          "      終了コード: 0 見つかった、1 見つからない、2 引数の誤り、"
          "3 サービスに接続できないか断られた。\n"
          "  reelnote --fill [フォルダー] [--source tmdb|wikidata] [--dry-run]\n"
          "      空欄のあるタイトルをすべてネットで調べ、候補が1つに決まったタイトルの\n"
          "      空欄に入れる情報と、要確認のタイトルの候補を表示してから書き込みます。\n"
          "      埋まっている項目は変えません。\n"
          "      --dry-run: 表示するだけで、何も変更しません。\n"
          "      --source tmdb|wikidata: 調べるサービス（--lookup と同じ）。\n"
          "      終了コード: 0 書き込んだか補うものがない、1 断られたか書き込まなかった、\n"
          "      2 引数の誤り、3 サービスに接続できないか断られた、130 Ctrl+Cで中断した。\n"
          "      This product uses the TMDB API but is not endorsed or certified by TMDB.\n"
          "  reelnote --help | -h\n"
          "      この説明を表示します。\n"
          "フォルダーを省くと、作業フォルダーがデータフォルダーです。\n";
    to.flush();
}

int usage() {
    printUsage(err());
    return 2;
}

int help() {
    QTextStream out(stdout);
    printUsage(out);
    return 0;
}

int exportCsv(const QStringList& args, bool history) {
    if (args.size() < 3 || args.size() > 4) return usage();
    const QString dir = dataDirOf(args, 3);
    if (!QFileInfo(dir).isDir()) {
        err() << QStringLiteral("フォルダー「%1」がありません。\n").arg(dir);
        return 1;
    }
    // 1, not 2: the arguments are well formed, the export itself cannot be done.
    if (isCollectionFile(dir, args[2])) {
        err() << QStringLiteral(
                     "「%1」はデータフォルダーのファイルのため、書き出し先にできません。"
                     "別の名前か別のフォルダーを指定してください。\n")
                     .arg(args[2]);
        return 1;
    }
    // An empty spreadsheet of a mistyped folder would look like a collection without titles.
    if (!DataDir(dir).exists(kDataFile)) {
        err() << QStringLiteral("フォルダー「%1」に「%2」がありません。\n").arg(dir, kDataFile);
        return 1;
    }
    const FolderCheck::Collection c = FolderCheck::read(dir);
    for (const QString& p : c.problems) err() << p << '\n';
    const QByteArray bytes = CsvExport::document(
        history ? CsvExport::historyRows(c.history)
                : CsvExport::titleRows(c.titles, c.hyoukaKoumoku, c.syoyuKoumoku));
    QString why;
    if (!FileIo::replaceWhole(FileSystem::real(), QFileInfo(args[2]).absoluteFilePath(), bytes,
                              &why)) {
        err() << QStringLiteral("「%1」に書き出せませんでした。%2\n").arg(args[2], why);
        return 1;
    }
    err().flush();
    return 0;
}

int check(const QStringList& args) {
    if (args.size() > 3) return usage();
    const QString dir = dataDirOf(args, 2);
    if (!QFileInfo(dir).isDir()) {
        err() << QStringLiteral("フォルダー「%1」がありません。\n").arg(dir);
        return 1;
    }
    const FolderCheck::Report r = FolderCheck::check(dir);
    QTextStream out(stdout);
    out << QStringLiteral("「%1」：タイトル%2件、鑑賞履歴%3件\n")
               .arg(QDir(dir).absolutePath())
               .arg(r.titles)
               .arg(r.viewings);
    for (const QString& f : r.findings) out << f << '\n';
    out << (r.findings.isEmpty()
                ? QStringLiteral("問題は見つかりませんでした。\n")
                : QStringLiteral("%1件の問題が見つかりました。\n").arg(r.findings.size()));
    return r.findings.isEmpty() ? 0 : 1;
}
}  // namespace

std::optional<int> runCommandLine(const QStringList& args) {
    if (args.size() < 2) return std::nullopt;
    const QString& option = args[1];
    if (option == QLatin1String("--help") || option == QLatin1String("-h")) return help();
    if (option == QLatin1String("--export-csv")) return exportCsv(args, false);
    if (option == QLatin1String("--export-csv-history")) return exportCsv(args, true);
    if (option == QLatin1String("--check")) return check(args);
    if (option == QLatin1String("--lookup")) {
        QTextStream out(stdout);
        return lookupCommand(args, out, err());
    }
    if (asksForFill(args)) {
        QTextStream in(stdin), out(stdout);
        return fillCommand(args, in, out, err());
    }
    if (asksForImport(args)) {
        QTextStream in(stdin), out(stdout);
        return importCsvCommand(args, in, out, err());
    }
    if (option.startsWith(u'-')) return usage();
    return std::nullopt;
}
