#include "command_terminal.h"

#include "lookup/tmdb_key.h"
#include "store/folder_lock.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTextStream>

namespace CommandTerminal {

QString forTerminal(QString text) {
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

bool saysYes(QTextStream& in, QTextStream& out, const QString& question) {
    out << question << QStringLiteral("（はい／いいえ）: ");
    out.flush();
    const QString answer = in.readLine().trimmed();
    return answer == QStringLiteral("はい") ||
           answer.compare(QLatin1String("y"), Qt::CaseInsensitive) == 0 ||
           answer.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0;
}

bool holdFolder(FolderLock& lock, const QString& dir, const QString& cannot, QTextStream& err) {
    const QString folder = QDir::toNativeSeparators(QFileInfo(dir).absoluteFilePath());
    switch (lock.take()) {
        case FolderLock::Outcome::Held:
            return true;
        case FolderLock::Outcome::HeldElsewhere:
            err << QStringLiteral(
                       "このフォルダー（%1）は、リールノートのウィンドウが開いているため、"
                       "%2。\nウィンドウを閉じてから、もう一度実行してください。\n")
                       .arg(folder, cannot);
            return false;
        case FolderLock::Outcome::Unwritable:
            err << QStringLiteral("このフォルダー（%1）に書き込めないため、%2。\n")
                       .arg(folder, cannot)
                << forTerminal(lock.whyUnwritable()) << '\n';
            return false;
    }
    return false;
}

bool allowsConversion(QTextStream& in, QTextStream& out, const QString& file, const QString& what) {
    out << '\n'
        << forTerminal(
               QStringLiteral("「%1」には、シフトJIS（コードページ932）で書けない文字があります。"
                              "\r\n%2\r\n")
                   .arg(file, what));
    return saysYes(in, out, QStringLiteral("これらの文字を変換して保存しますか？"));
}

QString waitForTmdbKey(QSocketNotifier* interrupted) {
    QEventLoop loop;
    if (interrupted)
        QObject::connect(interrupted, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
    QString key;
    bool answered = false;
    TmdbKey::instance().fetch(&loop, [&](const QString& k) {
        key = k;
        answered = true;
        loop.quit();
    });
    if (!answered) loop.exec();
    return answered ? key : QString();
}

}  // namespace CommandTerminal
