// Renders the main window on a data directory to a PNG, headless:
//   QT_QPA_PLATFORM=offscreen build/reelnote-screenshot DATA_DIR OUT.png [TITLE_NUMBER [VIEW]]
// VIEW opens a part of the card first: cast, synopsis, memo, entry (the viewing entry) or help;
// or a screen, given as its button's name (cmdIchiran, cmdRank, cmdKensaku, ...); or lookup
// (the card's lookup window, searched) or fill (the master screen's fill, started), which ask
// the services REELNOTE_TMDB_API and the like name.
// Every box the program would show is answered with its default button and
// printed, so the picture is what a user sees once the boxes are closed.
#include "app/frm_main.h"
#include "card/card_frame.h"
#include "shell/prompts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFont>
#include <QPixmap>
#include <QShortcut>
#include <QTimer>
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
    QString saveFileName(const QString&, const QString&, const QString&) override { return {}; }
    QString openFileName(const QString&, const QString&, const QString&) override { return {}; }
    bool review(const QString& title, const QString&, QString* value,
                const TextFor& textFor) override {
        std::fprintf(stderr, "[%s] %s\n", qPrintable(title), qPrintable(textFor(*value)));
        return false;
    }
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
    const QString view = argc > 4 ? QString::fromLocal8Bit(argv[4]) : QString();
    QWidget* shot = &window;
    if (view == QLatin1String("cast")) window.card()->cmdHyouji2_Click();
    if (view == QLatin1String("synopsis")) window.card()->cmdHyouji3_Click();
    if (view == QLatin1String("memo")) window.card()->cmdHyouji4_Click();
    if (view == QLatin1String("entry")) window.card()->msgKansyou_DblClick();
    // A screen button by name (cmdRank, cmdMaster, ...) opens that screen.
    if (view.startsWith(QLatin1String("cmd"))) {
        if (auto* button = window.findChild<QAbstractButton*>(view)) button->click();
    }
    // The card's lookup (Ctrl+L), searched at once; the candidates and their
    // small posters arrive while the picture settles.
    if (view == QLatin1String("lookup")) {
        if (auto* key = window.findChild<QShortcut*>(QStringLiteral("shortcutLookup")))
            emit key->activated();
        if (auto* lookup = window.findChild<QWidget*>(QStringLiteral("frmLookup"))) {
            shot = lookup;
            QTimer::singleShot(300, lookup, [lookup] {
                if (auto* b =
                        lookup->findChild<QAbstractButton*>(QStringLiteral("cmdLookupSearch")))
                    b->click();
            });
        }
    }
    // The master screen's fill from the internet, started at once.
    if (view == QLatin1String("fill")) {
        if (auto* b = window.findChild<QAbstractButton*>(QStringLiteral("cmdMaster"))) b->click();
        if (auto* b = window.findChild<QAbstractButton*>(QStringLiteral("cmdFillFromNet")))
            b->click();
        if (auto* fill = window.findChild<QWidget*>(QStringLiteral("frmFill"))) {
            shot = fill;
            QTimer::singleShot(300, fill, [fill] {
                if (auto* b = fill->findChild<QAbstractButton*>(QStringLiteral("cmdFillStart")))
                    b->click();
            });
        }
    }
    if (view == QLatin1String("help")) {
        window.cmdHelp_Click();
        if (auto* help = window.findChild<QWidget*>(QStringLiteral("HelpWindow"))) shot = help;
    }
    // Pictures the gallery decodes off the window's thread fill in meanwhile.
    QElapsedTimer settle;
    settle.start();
    const int wait = view == QLatin1String("lookup") || view == QLatin1String("fill") ? 4000 : 1500;
    while (settle.elapsed() < wait) QApplication::processEvents(QEventLoop::AllEvents, 50);
    if (!shot->grab().save(QString::fromLocal8Bit(argv[2]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
