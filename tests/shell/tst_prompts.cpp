#include "shell/prompts.h"
#include "test_registry.h"

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

// The boxes the user sees carry exactly the title, text, icon and buttons asked
// for, and report the button pressed. Each test answers its own box at once.
class TestPrompts : public QObject {
    Q_OBJECT
private:
    struct Seen {
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    };
    // Runs answer on the next modal box as soon as it is shown.
    static void whenShown(std::function<void(QWidget*)> answer) {
        auto* timer = new QTimer;
        timer->setInterval(5);
        auto tries = std::make_shared<int>(0);
        QObject::connect(timer, &QTimer::timeout, [timer, tries, answer] {
            QWidget* box = QApplication::activeModalWidget();
            if (!box && ++*tries < 400) return;
            timer->stop();
            timer->deleteLater();
            if (box) answer(box);
        });
        timer->start();
    }
    static Seen describe(QWidget* w) {
        Seen s;
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box) return s;
        s.title = box->windowTitle();
        s.text = box->text();
        s.icon = box->icon();
        s.buttons = box->standardButtons();
        if (box->defaultButton()) s.defaultButton = box->standardButton(box->defaultButton());
        return s;
    }

private slots:
    void messageBoxesShowExactlyWhatWasAsked() {
        QtPrompts box;
        Prompts& prompts = box;
        Seen seen;
        whenShown([&](QWidget* w) {
            seen = describe(w);
            static_cast<QMessageBox*>(w)->button(QMessageBox::Ok)->click();
        });
        const auto ok = prompts.message(QStringLiteral("甲のデータを削除していいですか？"),
                                        QStringLiteral("削除確認"), Prompts::Icon::Exclamation,
                                        Prompts::Buttons::OkCancel, Prompts::Answer::Cancel);
        QCOMPARE(ok, Prompts::Answer::Ok);
        QCOMPARE(seen.title, QStringLiteral("削除確認"));
        QCOMPARE(seen.text, QStringLiteral("甲のデータを削除していいですか？"));
        QCOMPARE(seen.icon, QMessageBox::Warning);
        QCOMPARE(seen.buttons, QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(seen.defaultButton, QMessageBox::Cancel);

        whenShown([&](QWidget* w) {
            seen = describe(w);
            QTest::keyClick(w, Qt::Key_Escape);
        });
        const auto no =
            prompts.message(QStringLiteral("全部消しますか？"), QStringLiteral("ニュースタート"),
                            Prompts::Icon::Question, Prompts::Buttons::YesNo, Prompts::Answer::No);
        QCOMPARE(no, Prompts::Answer::No);  // closing the box is the safe answer
        QCOMPARE(seen.title, QStringLiteral("ニュースタート"));
        QCOMPARE(seen.icon, QMessageBox::Question);
        QCOMPARE(seen.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(seen.defaultButton, QMessageBox::No);

        whenShown([&](QWidget* w) {
            seen = describe(w);
            QTest::keyClick(w, Qt::Key_Return);
        });
        prompts.message(QStringLiteral("説明"), QStringLiteral("ヘルプツアー"),
                        Prompts::Icon::Information);
        QCOMPARE(seen.title, QStringLiteral("ヘルプツアー"));
        QCOMPARE(seen.icon, QMessageBox::Information);
    }

    void inputBoxShowsItsTitlePromptAndProposal() {
        QtPrompts box;
        Prompts& prompts = box;
        QString title, label, proposal;
        whenShown([&](QWidget* w) {
            auto* dialog = qobject_cast<QInputDialog*>(w);
            if (!dialog) return;
            title = dialog->windowTitle();
            label = dialog->labelText();
            proposal = dialog->textValue();
            dialog->setTextValue(QStringLiteral("新作"));
            dialog->accept();
        });
        QCOMPARE(prompts.input(QStringLiteral("タイトル名を入力して下さい"),
                               QStringLiteral("タイトル名入力"), QStringLiteral("乙")),
                 QStringLiteral("新作"));
        QCOMPARE(title, QStringLiteral("タイトル名入力"));
        QCOMPARE(label, QStringLiteral("タイトル名を入力して下さい"));
        QCOMPARE(proposal, QStringLiteral("乙"));

        whenShown([](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
        QCOMPARE(prompts.input(QStringLiteral("タイトル名を入力して下さい"),
                               QStringLiteral("タイトル名入力"), QStringLiteral("乙")),
                 QString());  // a cancelled box answers "" like an empty one
    }
};

REELNOTE_TEST(TestPrompts)
#include "tst_prompts.moc"
