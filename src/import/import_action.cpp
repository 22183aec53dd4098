#include "import_action.h"

#include "import_plan.h"
#include "import_preview.h"
#include "import_read.h"
#include "import_step.h"
#include "shell/prompts.h"
#include "shell/screen_host.h"
#include "store/catalogue.h"
#include "store/file_io.h"

#include <QDir>
#include <QFileInfo>

namespace CsvImportAction {

bool run(ScreenHost& host) {
    Prompts& prompts = host.prompts();
    const QString title = QString::fromUtf16(kTitle);
    // A window that may not write says so before the user picks a file and
    // reads a preview of an import it would refuse.
    if (host.catalogue().readOnly()) {
        prompts.message(host.catalogue().dir().refusal(kDataFile), title,
                        Prompts::Icon::Exclamation);
        return false;
    }
    const QString path = prompts.openFileName(
        QStringLiteral("取り込むCSVファイル"), QDir::homePath(),
        QStringLiteral("CSV ファイル (*.csv *.CSV *.txt *.TXT);;すべてのファイル (*)"));
    if (path.isEmpty()) return false;
    const QString name = QFileInfo(path).fileName();
    QByteArray bytes;
    QString why;
    if (FileIo::readWhole(FileSystem::real(), path, &bytes, &why) != FileIo::ReadResult::Ok) {
        prompts.message(QStringLiteral("「%1」を読み込めませんでした。\r\n%2")
                            .arg(name, why.isEmpty() ? FileIo::reason(ENOENT) : why),
                        title, Prompts::Icon::Exclamation);
        return false;
    }
    ImportColumns columns;
    const CsvFile file = ImportPlanner::readFile(bytes, name, &columns);
    if (columns.format == ImportFormat::Unknown) {
        prompts.message(file.notText ? ImportPlanner::notTextMessage(name)
                                     : ImportPreview::unknownFormat(name, file),
                        title, Prompts::Icon::Exclamation);
        return false;
    }
    // The films of a watchlist are not seen: they come in only when the user says so.
    if (ImportFormats::isWatchlist(columns.format) &&
        prompts.message(ImportPlanner::unseenQuestion(name, columns.format), title,
                        Prompts::Icon::Question, Prompts::Buttons::YesNo,
                        Prompts::Answer::No) != Prompts::Answer::Yes)
        return false;

    Catalogue& cat = host.catalogue();
    QString word = kDefaultViewingWord;
    ImportPlan plan = ImportPlanner::plan(cat.titles(), cat.kansyou(), file, columns, word);
    if (plan.changesNothing()) {
        prompts.message(ImportPreview::text(plan, name), title, Prompts::Icon::Information);
        return false;
    }
    // The word for viewings without a tag is asked in the preview, and only when
    // some viewing takes it; the preview follows it as it is typed.
    const QString label = plan.usesWord ? QStringLiteral("タグのない鑑賞の鑑賞内容：") : QString();
    const auto textFor = [&](const QString& w) {
        return ImportPreview::text(
            ImportPlanner::plan(cat.titles(), cat.kansyou(), file, columns, w), name);
    };
    if (!prompts.review(title, label, &word, textFor)) return false;
    if (plan.usesWord) plan = ImportPlanner::plan(cat.titles(), cat.kansyou(), file, columns, word);
    if (plan.changesNothing()) return false;

    // One step of the undo history; planned again when it is done, so that a
    // change made elsewhere since the preview is kept.
    auto step = std::make_unique<ImportStep>(file, columns, word, name);
    ImportStep* done = step.get();
    QString problem;
    ImportPlan made;
    QStringList kept;
    {
        BusyPointer busy(prompts);
        // The step lives in the undo history from here on; what it did is read first.
        problem = host.perform(std::move(step));
        if (problem.isEmpty()) {
            made = done->lastPlan();
            kept = done->kept();
        }
    }
    if (!host.reportWrite(problem)) return false;
    host.collectionReplaced();
    prompts.message(ImportPreview::done(made, kept), title, Prompts::Icon::Information);
    return true;
}

}  // namespace CsvImportAction
