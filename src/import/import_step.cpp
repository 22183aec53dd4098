#include "import_step.h"

#include "store/catalogue.h"
#include "store/file_print.h"

namespace {
const QString kFiles[2] = {kDataFile, kHistoryFile};
}  // namespace

ImportStep::ImportStep(CsvFile file, ImportColumns columns, QString word, QString fileName)
    : file_(std::move(file)),
      columns_(std::move(columns)),
      word_(std::move(word)),
      fileName_(std::move(fileName)) {}

QString ImportStep::text() const { return QStringLiteral("CSVの取り込み 「%1」").arg(fileName_); }

qsizetype ImportStep::cost() const {
    qsizetype bytes = 1024;
    for (const auto& row : file_.rows)
        for (const auto& field : row.fields) bytes += 32 + 2 * field.size();
    return bytes;
}

ImportStep::Print ImportStep::printOf(Catalogue& c, const QString& name) {
    QByteArray bytes;
    if (!c.dir().exists(name)) return {};
    if (!c.dir().read(name, &bytes)) return {-2, 0};
    return {bytes.size(), StreamHash::of(bytes)};
}

QString ImportStep::apply(Catalogue& c) {
    plan_ = ImportPlanner::plan(c.titles(), c.kansyou(), file_, columns_, word_);
    if (plan_.changesNothing())
        return QStringLiteral("「%1」から取り込むものは、もうありません。").arg(fileName_);
    for (int i = 0; i < 2; ++i) before_[i] = printOf(c, kFiles[i]);
    // Done again, the import keeps the copies it kept the first time, while they
    // still hold what the files hold.
    const QStringList reusable = std::exchange(kept_, {});
    TitleTable titles = plan_.titles;
    if (QString problem = c.replaceCollection(std::move(titles), plan_.history, &kept_, reusable);
        !problem.isEmpty()) {
        kept_ = reusable;
        return problem;
    }
    for (int i = 0; i < 2; ++i) after_[i] = printOf(c, kFiles[i]);
    return {};
}

QString ImportStep::revert(Catalogue& c) {
    using Kind = Catalogue::RestoredFile::Kind;
    Catalogue::RestoredFile restore[2];
    QByteArray bytes[2];
    for (int i = 0; i < 2; ++i) {
        if (before_[i] == after_[i]) continue;
        if (before_[i].size == -2)
            return QStringLiteral("取り込む前の「%1」を読めなかったため、元に戻せません。")
                .arg(c.dir().actualName(kFiles[i]));
        if (printOf(c, kFiles[i]) != after_[i])
            return QStringLiteral(
                       "「%1」は、取り込みの後にほかのプログラムで変更されたため、"
                       "取り込みを元に戻せません。")
                .arg(c.dir().actualName(kFiles[i]));
        // The copy kept aside before the file was written holds its old bytes;
        // a file that was empty or missing had none to keep.
        const QString stem = c.dir().actualName(kFiles[i]) + u'.';
        for (const QString& k : std::as_const(kept_))
            if (k.startsWith(stem, Qt::CaseInsensitive) && !c.dir().read(k, &bytes[i]))
                return QStringLiteral("取り込む前の控え「%1」を読み込めないため、元に戻せません。")
                    .arg(k);
        if (before_[i].size > 0 &&
            (bytes[i].size() != before_[i].size || StreamHash::of(bytes[i]) != before_[i].hash))
            return QStringLiteral("取り込む前の「%1」の控えが見つからないため、元に戻せません。")
                .arg(c.dir().actualName(kFiles[i]));
        // A file that was missing is missing again; an empty one stays empty.
        restore[i] = before_[i].size == -1 ? Catalogue::RestoredFile{Kind::Remove, {}}
                                           : Catalogue::RestoredFile{Kind::Write, bytes[i]};
    }
    return c.restoreCollection(restore[0], restore[1]);
}
