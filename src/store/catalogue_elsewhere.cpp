// Changes made to the folder by other programs while this one runs: a second
// window, a synchronising tool, an editor.
#include "catalogue.h"

void Catalogue::watchRead(const QString& name, FileIo::ReadResult read, const QByteArray& bytes) {
    switch (read) {
        case FileIo::ReadResult::Missing:
            dir_.watchMissing(name);
            break;
        case FileIo::ReadResult::Ok:
            dir_.watch(name, bytes);
            break;
        case FileIo::ReadResult::Unreadable:
            dir_.unwatch(name);  // its changes are refused until it is read whole
            break;
    }
}

void Catalogue::noteReloaded(const QString& name) {
    const QString actual = dir_.actualName(name);
    if (!reloaded_.contains(actual)) reloaded_ << actual;
}

QStringList Catalogue::reloadChangedFiles(QStringList* problems) {
    const auto reload = [&](const QString& name, const auto& load) {
        if (!dir_.changedElsewhere(name)) return;
        noteReloaded(name);
        const QString problem = load();
        if (problems && !problem.isEmpty()) *problems << problem;
    };
    reload(kDataFile, [this] { return LoadMainData(); });
    reload(kHistoryFile, [this] { return LoadKansyouRireki(); });
    // Both masters are read together; a change of either reads both.
    if (dir_.changedElsewhere(kHyoukaMasterFile) || dir_.changedElsewhere(kSyoyuMasterFile)) {
        for (const QString& m : {kHyoukaMasterFile, kSyoyuMasterFile}) noteReloaded(m);
        const QString problem = LoadMasters();
        if (problems && !problem.isEmpty()) *problems << problem;
    }
    reload(kSettingsFile, [this] { return LoadSettings(); });
    return takeReloaded();
}

QString Catalogue::changedElsewhereNotice(const QStringList& files) {
    QStringList quoted;
    for (const QString& f : files) quoted << QStringLiteral("「%1」").arg(f);
    return QStringLiteral(
               "%1は、このプログラムが読み込んだ後に、ほかのプログラム（もう一つのリールノート、"
               "同期ソフト、テキストエディターなど）で変更されていました。\r\n"
               "ほかの変更を消さないよう、ファイルを読み込み直しました。")
        .arg(quoted.join(QStringLiteral("、")));
}
