// The masters and the settings file.
#include "catalogue.h"

#include "cp932.h"
#include "record_dialect.h"

#include <utility>

QString Catalogue::loadMaster(const QString& name, QString* names, int count,
                              const QString* defaults) {
    for (int k = 1; k <= count; ++k) names[k].clear();
    if (!dir_.exists(name)) {
        RecordWriter w;
        for (int k = 1; k <= count; ++k) {
            names[k] = defaults[k];
            w.text(defaults[k]);
            w.endRecord();
        }
        return writeTextFile(name, w.result());
    }
    QString text, problem;
    bool recoded = false;
    if (!readTextFile(name, &text, &problem, nullptr, &recoded))
        return QStringLiteral("「%1」を読み込めませんでした。\r\n%2").arg(name, problem);
    RecordReader reader(text);
    RecordReader::Field f;
    for (int k = 1; k <= count && !reader.atEnd() && reader.next(&f); ++k)
        names[k] = f.text.toString();
    if (!problem.isEmpty())
        return damagedFileMessage(name, problem, QStringLiteral("読めた項目名だけを使います。"));
    return recoded ? recodedFileMessage(name) : QString();
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
    bool recoded = false;
    switch (readFile(kSettingsFile, &text, &problem, nullptr, &recoded)) {
        case FileIo::ReadResult::Missing:
            return SaveSettings();
        case FileIo::ReadResult::Unreadable:
            return QStringLiteral(
                       "「%1」を読み込めませんでした。\r\n%2\r\n\r\n"
                       "ヘルプツアーはオンにします。")
                .arg(dir_.actualName(kSettingsFile), problem);
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
    if (found && parseNumberField(value.text.trimmed(), &v) && (v == 0 || v == 1)) {
        HelpTour = v;
        return recoded ? recodedFileMessage(kSettingsFile) : QString();
    }
    const QString what =
        found ? QStringLiteral("ヘルプツアーの値「%1」が 0（オフ）でも 1（オン）でもない")
                    .arg(value.text.trimmed().toString())
              : QStringLiteral("ヘルプツアーの値がない");
    return QStringLiteral(
               "「%1」に%2ため、ヘルプツアーをオンにしました。\r\n"
               "次にヘルプツアーのオン・オフを切り替えると、正しい値で保存し直します。")
        .arg(dir_.actualName(kSettingsFile), what);
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
