#include "shell/prompts.h"
#include "test_registry.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <QTranslator>

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

    // A title or a file name is shown as it is, never read as markup.
    void boxesShowTheirTextsAsPlainText() {
        const QString text = QStringLiteral("「メモ_<i>gone.txt」を<b>読めません</b>&amp;");
        const auto box =
            QtPrompts::messageBox(text, QStringLiteral("読込"), Prompts::Icon::Exclamation,
                                  Prompts::Buttons::Ok, Prompts::Answer::Ok, nullptr);
        QCOMPARE(box->textFormat(), Qt::PlainText);
        auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        QVERIFY(label);
        QCOMPARE(label->textFormat(), Qt::PlainText);
        QCOMPARE(label->text(), text);

        const auto input = QtPrompts::inputBox(text, QStringLiteral("入力"), QString(), nullptr);
        const QList<QLabel*> labels = input->findChildren<QLabel*>();
        QCOMPARE(labels.size(), 1);
        QCOMPARE(labels[0]->textFormat(), Qt::PlainText);
        QCOMPARE(labels[0]->text(), text);
    }

    // The help tells the user to answer 「はい」: the buttons and the file dialog
    // read in Japanese, through Qt's own translation.
    void standardButtonsAndDialogsSpeakJapanese() {
        QTranslator* translator = installQtTranslations();
        QVERIFY2(translator,
                 "Qt's translations are missing: scripts/install-deps.sh installs them");
        const auto removeAfter = qScopeGuard([translator] {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        });
        const auto texts = [](const QList<QAbstractButton*>& buttons) {
            QStringList out;
            for (QAbstractButton* b : buttons)
                if (!b->text().isEmpty()) out << b->text();
            out.sort();
            return out;
        };
        const auto yesNo = QtPrompts::messageBox(
            QStringLiteral("消しますか？"), QStringLiteral("確認"), Prompts::Icon::Question,
            Prompts::Buttons::YesNo, Prompts::Answer::No, nullptr);
        QCOMPARE(texts(yesNo->buttons()), (QStringList{"いいえ(&N)", "はい(&Y)"}));
        const auto okCancel = QtPrompts::messageBox(
            QStringLiteral("並べ替えますか？"), QStringLiteral("確認"), Prompts::Icon::Exclamation,
            Prompts::Buttons::OkCancel, Prompts::Answer::Ok, nullptr);
        QCOMPARE(texts(okCancel->buttons()), (QStringList{"OK", "キャンセル"}));
        const auto input = QtPrompts::inputBox(QStringLiteral("タイトル名を入力して下さい"),
                                               QStringLiteral("入力"), QString(), nullptr);
        input->show();  // the buttons come with the layout
        QCOMPARE(texts(input->findChildren<QAbstractButton*>()), (QStringList{"OK", "キャンセル"}));
        input->hide();

        const auto save = QtPrompts::saveDialog(QStringLiteral("CSVで書き出す"),
                                                QDir::temp().filePath("一覧.csv"),
                                                QStringLiteral("CSV (*.csv)"), nullptr);
        save->setOption(QFileDialog::DontUseNativeDialog);  // the one whose texts Qt translates
        QVERIFY(texts(save->findChildren<QAbstractButton*>()).contains("保存(&S)"));
        QCOMPARE(save->findChild<QLabel*>("fileNameLabel")->text(),
                 QStringLiteral("ファイル名(&N):"));
        // The question the dialog asks before it replaces a file.
        QCOMPARE(QCoreApplication::translate("QFileDialog",
                                             "%1 already exists.\nDo you want to replace it?"),
                 QStringLiteral("%1 は既に存在します。\n置き換えますか?"));
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
