// The window's hold on its data folder for the run.
#include "frm_main.h"

#include "shell/prompts.h"
#include "store/folder_lock.h"

#include <QDir>

namespace {
const QString kProgram = QStringLiteral("リールノート");
}  // namespace

bool frmMain::takeFolder() {
    lock_ = std::make_unique<FolderLock>(catalogue_.dir().path());
    FolderLock::Outcome outcome = FolderLock::Outcome::HeldElsewhere;
    // Made as the program's own file, so that the folder's new time does not make
    // the card list the folder again.
    catalogue_.dir().makeOwnFile(FolderLock::kFileName, [&] {
        outcome = lock_->take();
        return outcome == FolderLock::Outcome::Held;
    });
    const QString folder = QDir::toNativeSeparators(catalogue_.dir().path());
    switch (outcome) {
        case FolderLock::Outcome::Held:
            // What a save cut short by a crash left behind.
            FolderLock::removeDeadTemporaries(catalogue_.dir());
            return true;
        case FolderLock::Outcome::Unwritable: {
            // Without a lock a second window would write as well: nothing is written.
            const QString why = lock_->whyUnwritable();
            lock_.reset();
            catalogue_.forgetStartedLoading();
            prompts_.message(
                QStringLiteral("このフォルダー（%1）には、ほかのウィンドウと同時に変更しないため"
                               "のロックファイルを作れませんでした。\r\n%2\r\n\r\n"
                               "読み取り専用で開きます。変更は保存しません。")
                    .arg(folder, why),
                kProgram, Prompts::Icon::Exclamation);
            catalogue_.setReadOnly(
                QStringLiteral("このフォルダーに書き込めないため、読み取り専用で開いています。"
                               "変更は保存しません。\r\n%1\r\n"
                               "変更するには、書き込めるようにしてから、もう一度起動してください。")
                    .arg(why));
            setWindowTitle(kProgram + QStringLiteral("（読み取り専用）"));
            return true;
        }
        case FolderLock::Outcome::HeldElsewhere:
            break;
    }
    const QString host = lock_->otherHost();
    lock_.reset();
    // What the other window may change before the answer is read again after it.
    catalogue_.forgetStartedLoading();
    const QString text =
        QStringLiteral(
            "このフォルダー（%1）は、ほかのリールノートのウィンドウ%2が開いています。\r\n\r\n"
            "二つのウィンドウで同じフォルダーを変更すると、変更が失われるおそれがあります。\r\n\r\n"
            "「はい」：読み取り専用で開きます。変更は保存しません。\r\n"
            "「いいえ」：終了します。")
            .arg(folder, host.isEmpty() ? QString() : QStringLiteral("（%1）").arg(host));
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

bool frmMain::ownsFolder() const { return lock_ && lock_->held(); }
