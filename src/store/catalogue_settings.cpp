// The masters and the settings file.
#include "catalogue.h"

#include "cp932.h"
#include "record_dialect.h"

#include <utility>

namespace {
// One name a line, as the masters are written. A name whose quote does not close
// on its line would take the following names with it: it is read to the end of
// its line instead, so every other item keeps its place and its name. Anything
// else the program would not have written so is read as the dialect reads it.
// Returns what was wrong, a line each; empty for a master read as written.
QStringList readMasterNames(QStringView text, QString* names, int count) {
    QStringList notes;
    RecordReader reader(text);
    RecordReader::Field f;
    for (int k = 1; k <= count && !reader.atEnd(); ++k) {
        const RecordReader::Mark start = reader.mark();
        if (!reader.next(&f)) break;
        if (f.unterminated || f.lastLine != f.line) {
            reader.reset(start);
            QStringView line = text.mid(start.position);
            line = line.left(line.indexOf(u'\n') < 0 ? line.size() : line.indexOf(u'\n'));
            line = line.left(line.indexOf(u'\r') < 0 ? line.size() : line.indexOf(u'\r'));
            line = line.trimmed();
            if (line.startsWith(u'"')) line = line.mid(1);
            names[k] = line.trimmed().toString();
            reader.skipLine();
            notes << QStringLiteral("%1行目（%2番目の項目名）：引用符が行の終わりまでに閉じていません。"
                                    "その行の「%3」を項目名として読みました。")
                         .arg(start.line)
                         .arg(k)
                         .arg(names[k]);
            continue;
        }
        names[k] = f.text.toString();
        if (f.irregular())
            notes << QStringLiteral("%1行目（%2番目の項目名）：%3。")
                         .arg(f.line)
                         .arg(k)
                         .arg(irregularField(QStringLiteral("項目名"), f.textAfterQuote,
                                             f.quoteInside));
        else if (!f.endsLine)
            notes << QStringLiteral("%1行目（%2番目の項目名）：一つの行に項目名が二つ以上あります。"
                                    "次の項目名として読みました。")
                         .arg(f.line)
                         .arg(k);
    }
    return notes;
}
}  // namespace

void Catalogue::refuseChangesOf(const QString& actual, const QString& why) {
    dir_.refuseChanges(actual,
                       QStringLiteral("「%1」は起動時に読み込めなかったため、書き換えも追記も"
                                      "しません。\r\n%2\r\nファイルを確かめてから、"
                                      "プログラムを起動し直してください。")
                           .arg(actual, why));
}

QString Catalogue::loadMaster(const QString& name, QString* names, int count,
                              const QString* defaults) {
    const QString actual = dir_.actualName(name);
    damagedOriginals_.remove(actual);
    QString text, problem;
    QByteArray bytes;
    bool recoded = false;
    const FileIo::ReadResult read = readFile(name, &text, &problem, &bytes, &recoded);
    watchRead(name, read, bytes);
    switch (read) {
        case FileIo::ReadResult::Missing: {
            RecordWriter w;
            for (int k = 1; k <= count; ++k) {
                names[k] = defaults[k];
                w.text(defaults[k]);
                w.endRecord();
            }
            return dir_.readOnly() ? QString() : writeTextFile(name, w.result());
        }
        case FileIo::ReadResult::Unreadable:
            // Its names cannot be kept aside, so nothing may replace them; the
            // names known (none at start-up) stay shown.
            return refuseUnreadable(name, problem, QStringLiteral("項目名"));
        case FileIo::ReadResult::Ok:
            break;
    }
    for (int k = 1; k <= count; ++k) names[k].clear();
    QStringList what = readMasterNames(text, names, count);
    if (!problem.isEmpty()) what.prepend(problem);
    if (!what.isEmpty()) {
        // Saving the names would not give these bytes back: they are kept first.
        damagedOriginals_.insert(actual, bytes);
        return damagedFileMessage(actual, what.join(QStringLiteral("\r\n")),
                                  QStringLiteral("読めた項目名を使います。"));
    }
    return recoded ? recodedFileMessage(actual) : QString();
}

QString Catalogue::LoadMasters() {
    QStringList messages;
    for (const QString& m : {loadMaster(kHyoukaMasterFile, HyoukaKoumoku.data(), kScoreItems,
                                        kDefaultHyoukaKoumoku.data()),
                             loadMaster(kSyoyuMasterFile, SyoyuKoumoku.data(), kOwnershipItems,
                                        kDefaultSyoyuKoumoku.data())})
        if (!m.isEmpty()) messages << m;
    return messages.join(QStringLiteral("\r\n\r\n"));
}

QString Catalogue::LoadSettings() {
    HelpTour = 1;
    QString text, problem;
    QByteArray bytes;
    bool recoded = false;
    const QString actual = dir_.actualName(kSettingsFile);
    damagedOriginals_.remove(actual);
    const FileIo::ReadResult read = readFile(kSettingsFile, &text, &problem, &bytes, &recoded);
    watchRead(kSettingsFile, read, bytes);
    switch (read) {
        case FileIo::ReadResult::Missing:
            return dir_.readOnly() ? QString() : SaveSettings();
        case FileIo::ReadResult::Unreadable:
            refuseChangesOf(actual, problem);
            return QStringLiteral(
                       "「%1」を読み込めませんでした。\r\n%2\r\n\r\n"
                       "ヘルプツアーはオンにします。このファイルは、プログラムを起動し直すまで"
                       "書き換えません。")
                .arg(actual, problem);
        case FileIo::ReadResult::Ok:
            break;
    }
    RecordReader reader(text);
    RecordReader::Field label, value;
    const bool found = !reader.atEnd() && reader.next(&label) && reader.next(&value) &&
                       !value.text.trimmed().isEmpty();
    int v = -1;
    // Anything but 0 or 1 would show the tour while the check box says it is off:
    // it is taken as on, the fresh setting, and the user is told.
    if (found && problem.isEmpty() && parseNumberField(value.text.trimmed(), &v) &&
        (v == 0 || v == 1)) {
        HelpTour = v;
        return recoded ? recodedFileMessage(kSettingsFile) : QString();
    }
    const QString what =
        !problem.isEmpty() ? QStringLiteral("読めない部分がある（%1）").arg(problem.chopped(problem.endsWith(u'。') ? 1 : 0))
        : found ? QStringLiteral("ヘルプツアーの値「%1」が 0（オフ）でも 1（オン）でもない")
                      .arg(value.text.trimmed().toString())
                : QStringLiteral("ヘルプツアーの値がない");
    // What the user wrote there is kept before the right value replaces it.
    damagedOriginals_.insert(actual, bytes);
    return QStringLiteral(
               "「%1」に%2ため、ヘルプツアーをオンにしました。\r\n"
               "次にヘルプツアーのオン・オフを切り替えると、正しい値で保存し直します。"
               "元のファイルは、その前に同じフォルダーへ「%1.日時.bak」として残します。")
        .arg(actual, what);
}

QString Catalogue::SaveSettings() {
    RecordWriter w;
    w.text(QStringLiteral("ヘルプツアー")).number(HelpTour);
    w.endRecord();
    return writeTextFile(kSettingsFile, w.result());
}

QString Catalogue::setHelpTour(int value) {
    const int old = std::exchange(HelpTour, value == 0 ? 0 : 1);
    QString problem = SaveSettings();
    if (!problem.isEmpty()) HelpTour = old;
    return problem;
}

QString Catalogue::saveMaster(const QString& name, const QString* names, int count) {
    RecordWriter w;
    for (int k = 1; k <= count; ++k) {
        // The dialect cannot escape a quote: it would end the name early on reading.
        if (names[k].contains(u'"'))
            return QStringLiteral("項目名に「\"」は使えません（%1番目「%2」）。")
                .arg(k)
                .arg(names[k]);
        const QString bad = Cp932::firstUnencodable(names[k]);
        if (!bad.isEmpty())
            return QStringLiteral(
                       "項目名の「%1」はシフトJISで保存できない文字のため使えません（%2番目）。")
                .arg(bad)
                .arg(k);
        w.text(names[k]);
        w.endRecord();
    }
    return writeTextFile(name, w.result());
}

QString Catalogue::SaveHyoukaMaster(const std::array<QString, 8>& names) {
    QString problem = saveMaster(kHyoukaMasterFile, names.data(), kScoreItems);
    if (problem.isEmpty()) HyoukaKoumoku = names;
    return problem;
}

QString Catalogue::SaveSyoyuMaster(const std::array<QString, 5>& names) {
    QString problem = saveMaster(kSyoyuMasterFile, names.data(), kOwnershipItems);
    if (problem.isEmpty()) SyoyuKoumoku = names;
    return problem;
}
