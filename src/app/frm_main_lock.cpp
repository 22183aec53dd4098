// The window's hold on its data folder for the run.
#include "frm_main.h"

#include "shell/prompts.h"

#include <QDir>
#include <QLockFile>

namespace {
// Hidden, so that the folder looks as it always did.
const QString kLockName = QStringLiteral(".reelnote.lock");
const QString kProgram = QStringLiteral("リールノート");
}  // namespace

bool frmMain::takeFolder() {
    lock_ = std::make_unique<QLockFile>(QDir(catalogue_.dir().path()).filePath(kLockName));
    // Held for the whole run, however long: only a lock whose program is gone
    // (a crash) is taken over.
    lock_->setStaleLockTime(0);
    // Made as the program's own file, so that the folder's new time does not make
    // the card list the folder again.
    if (catalogue_.dir().makeOwnFile(kLockName, [this] { return lock_->tryLock(0); })) return true;
    if (lock_->error() != QLockFile::LockFailedError) {
        // A folder where no lock can be made (read-only media): nothing can be
        // written there either, and each write says so.
        lock_.reset();
        return true;
    }
    qint64 pid = 0;
    QString host, app;
    lock_->getLockInfo(&pid, &host, &app);
    lock_.reset();
    // What the other window may change before the answer is read again after it.
    catalogue_.forgetStartedLoading();
    const QString text =
        QStringLiteral(
            "このフォルダー（%1）は、ほかのリールノートのウィンドウ%2が開いています。\r\n\r\n"
            "二つのウィンドウで同じフォルダーを変更すると、変更が失われるおそれがあります。\r\n\r\n"
            "「はい」：読み取り専用で開きます。変更は保存しません。\r\n"
            "「いいえ」：終了します。")
            .arg(QDir::toNativeSeparators(catalogue_.dir().path()),
                 host.isEmpty() ? QString() : QStringLiteral("（%1）").arg(host));
    if (prompts_.message(text, kProgram, Prompts::Icon::Question, Prompts::Buttons::YesNo,
                         Prompts::Answer::No) != Prompts::Answer::Yes)
        return false;
    catalogue_.setReadOnly(QStringLiteral(
        "このフォルダーは、ほかのリールノートのウィンドウが開いているため、読み取り専用で"
        "開いています。変更は保存しません。\r\n"
        "変更するには、ほかのウィンドウを閉じてから、もう一度起動してください。"));
    setWindowTitle(kProgram + QStringLiteral("（読み取り専用）"));
    return true;
}

bool frmMain::ownsFolder() const { return lock_ && lock_->isLocked(); }
