// Another start of the program on a folder, driven as a user would, for the
// tests of two processes on one folder. Prints every box it was shown, a line
// each ("title|text" with line ends as \n), then exits.
//   second_window DIR read-only  answers the folder question "はい" and starts a
//                                change of each kind (its control is disabled: as
//                                another way in, a key or a menu, would)
//   second_window DIR end        answers it "いいえ"
//   second_window DIR hold       takes the folder, says "ready" and waits to be killed
#include "app/frm_main.h"
#include "card/card_frame.h"
#include "edit/card_editing.h"
#include "masters/master_frame.h"
#include "scripted_prompts.h"
#include "shell/pick_combo.h"
#include "shell/prompts.h"

#include <QApplication>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextStream>
#include <QThread>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("reelnote"));
    const QStringList args = app.arguments();
    if (args.size() != 3) return 2;
    const QString mode = args[2];
    ScriptedPrompts prompts;
    Clock clock;
    frmMain window(args[1], prompts, clock);
    QTextStream out(stdout);
    if (mode == QLatin1String("hold")) {
        window.Form_Load();
        out << (window.ownsFolder() ? "ready" : "not held") << Qt::endl;
        for (;;) QThread::sleep(1);
    }
    prompts.planAnswer(mode == QLatin1String("read-only") ? Prompts::Answer::Yes
                                                          : Prompts::Answer::No);
    window.Form_Load();
    if (!window.isHidden() && mode == QLatin1String("read-only")) {
        const auto click = [&](const char* name) {
            window.findChild<QAbstractButton*>(QLatin1String(name))->click();
        };
        // A score, a new title, a free text, the masters, the help tour: each
        // refused in its box, before any question.
        auto* score = window.findChild<PickCombo*>(QStringLiteral("cboHyouka1_2"));
        score->setCurrentIndex(score->findText(QStringLiteral("7")));
        emit score->picked(score->currentIndex());
        window.findChild<CardEditing*>()->cmdNew_Click();
        click("cmdHyouji4");
        window.findChild<QPlainTextEdit*>(QStringLiteral("txtSubData_3"))
            ->setPlainText(QStringLiteral("感想"));
        window.card()->cmdSubData3_Click();
        click("cmdMaster");
        window.findChild<MasterFrame*>()->cmdHyoukaHozon_Click();
        window.chkHelp_Click();
    }
    for (const ScriptedPrompts::Box& b : std::as_const(prompts.boxes)) {
        QString text = b.text;
        out << b.title << '|' << text.replace(QStringLiteral("\r\n"), QStringLiteral("\\n"))
            << '\n';
    }
    out.flush();
    return window.isHidden() ? 1 : 0;
}
