// Renders the main window on a data directory to a PNG, headless:
//   QT_QPA_PLATFORM=offscreen build/reelnote-screenshot DATA_DIR OUT.png [TITLE_NUMBER]
// Every box the program would show is answered with its default button and
// printed, so the picture is what a user sees once the boxes are closed.
#include "card/card_frame.h"
#include "shell/frm_main.h"
#include "shell/prompts.h"

#include <QApplication>
#include <QFont>
#include <QPixmap>
#include <cstdio>

namespace {
class LoggingPrompts : public Prompts {
public:
    Answer message(const QString& text, const QString& title, Icon, Buttons,
                   Answer defaultButton) override {
        std::fprintf(stderr, "[%s] %s\n", qPrintable(title), qPrintable(text));
        return defaultButton;
    }
    QString input(const QString&, const QString&, const QString&) override { return {}; }
    void beep() override {}
    void setBusy(bool) override {}
};
}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: reelnote-screenshot DATA_DIR OUT.png [TITLE_NUMBER]\n");
        return 2;
    }
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPointSize(10);
    QApplication::setFont(font);

    LoggingPrompts prompts;
    Clock clock;
    frmMain window(QString::fromLocal8Bit(argv[1]), prompts, clock);
    window.Form_Load();
    if (argc > 3) window.card()->setCurrent(QString::fromLocal8Bit(argv[3]).toInt());
    QApplication::processEvents();
    if (!window.grab().save(QString::fromLocal8Bit(argv[2]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
