#include "app/command_line.h"
#include "app/frm_main.h"
#include "shell/prompts.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFont>

int main(int argc, char** argv) {
    // The export and the check run without a window, so without a display too.
    if (argc > 1) {
        QCoreApplication core(argc, argv);
        if (const std::optional<int> status = runCommandLine(core.arguments())) return *status;
    }
    QApplication app(argc, argv);
    // No display name: Qt would append it to every window title, and each box
    // must show exactly its own title ("ヘルプツアー", "削除確認", ...).
    QApplication::setApplicationName(QStringLiteral("reelnote"));
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPointSize(10);
    QApplication::setFont(font);
    installQtTranslations();

    QtPrompts prompts;
    Clock clock;
    // The data directory is the working directory, as the data files have always been.
    frmMain window(QDir::currentPath(), prompts, clock);
    prompts.setOwner(&window);
    window.Form_Load();
    if (window.isHidden()) return 1;
    return app.exec();
}
