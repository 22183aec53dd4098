#include "prompts.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTranslator>
#include <QVBoxLayout>

namespace {
QMessageBox::Icon toQt(Prompts::Icon icon) {
    switch (icon) {
        case Prompts::Icon::Information:
            return QMessageBox::Information;
        case Prompts::Icon::Exclamation:
            return QMessageBox::Warning;
        case Prompts::Icon::Question:
            return QMessageBox::Question;
        case Prompts::Icon::Critical:
            return QMessageBox::Critical;
        case Prompts::Icon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton toQt(Prompts::Answer a) {
    switch (a) {
        case Prompts::Answer::Ok:
            return QMessageBox::Ok;
        case Prompts::Answer::Cancel:
            return QMessageBox::Cancel;
        case Prompts::Answer::Yes:
            return QMessageBox::Yes;
        case Prompts::Answer::No:
            return QMessageBox::No;
    }
    return QMessageBox::Ok;
}
}  // namespace

std::unique_ptr<QMessageBox> QtPrompts::messageBox(const QString& text, const QString& title,
                                                   Icon icon, Buttons buttons, Answer defaultButton,
                                                   QWidget* owner) {
    auto box = std::make_unique<QMessageBox>(toQt(icon), title, text, QMessageBox::NoButton, owner);
    // Texts carry titles and file names, which may hold anything ("メモ_<i>x.txt").
    box->setTextFormat(Qt::PlainText);
    switch (buttons) {
        case Buttons::Ok:
            box->setStandardButtons(QMessageBox::Ok);
            break;
        case Buttons::OkCancel:
            box->setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case Buttons::YesNo:
            box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
    }
    box->setDefaultButton(toQt(defaultButton));
    return box;
}

Prompts::Answer QtPrompts::message(const QString& text, const QString& title, Icon icon,
                                   Buttons buttons, Answer defaultButton) {
    const auto box = messageBox(text, title, icon, buttons, defaultButton, owner_);
    switch (box->exec()) {
        case QMessageBox::Ok:
            return Answer::Ok;
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            return buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
    }
}

std::unique_ptr<QInputDialog> QtPrompts::inputBox(const QString& prompt, const QString& title,
                                                  const QString& defaultText, QWidget* owner) {
    auto box = std::make_unique<QInputDialog>(owner);
    box->setWindowTitle(title);
    box->setInputMode(QInputDialog::TextInput);
    box->setLabelText(prompt);
    for (QLabel* label : box->findChildren<QLabel*>()) label->setTextFormat(Qt::PlainText);
    box->setTextValue(defaultText);
    return box;
}

QString QtPrompts::input(const QString& prompt, const QString& title, const QString& defaultText) {
    const auto box = inputBox(prompt, title, defaultText, owner_);
    return box->exec() == QDialog::Accepted ? box->textValue() : QString();
}

std::unique_ptr<QFileDialog> QtPrompts::saveDialog(const QString& title, const QString& suggested,
                                                   const QString& filter, QWidget* owner) {
    const QFileInfo offered(suggested);
    auto dialog = std::make_unique<QFileDialog>(owner, title, offered.absolutePath(), filter);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->selectFile(offered.fileName());
    return dialog;
}

QString QtPrompts::saveFileName(const QString& title, const QString& suggested,
                                const QString& filter) {
    const auto dialog = saveDialog(title, suggested, filter, owner_);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return {};
    return dialog->selectedFiles().constFirst();
}

QTranslator* installQtTranslations() {
    auto* translator = new QTranslator(QCoreApplication::instance());
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                          QStringLiteral("_"), folder)) {
        delete translator;
        qWarning(
            "Qt's Japanese translation (qtbase_ja.qm, package qt6-translations-l10n) is "
            "not in %s: standard buttons stay in English.",
            qPrintable(folder));
        return nullptr;
    }
    QCoreApplication::installTranslator(translator);
    return translator;
}

QString QtPrompts::openFileName(const QString& title, const QString& dir, const QString& filter) {
    return QFileDialog::getOpenFileName(owner_, title, dir, filter);
}

namespace {
// What the review text needs: the width of its longest line and the height of
// all its lines. Only the first lines, and of each only its beginning, are
// measured: more would be wider than any screen, and a long list or a very
// long line costs no more to open.
QSize textExtent(const QPlainTextEdit& edit, const QString& text) {
    constexpr int kMeasuredLines = 2000;
    constexpr qsizetype kMeasuredCharacters = 1000;
    const QFontMetrics metrics(edit.font());
    int width = 0, lines = 0;
    for (const QStringView line : QStringView(text).tokenize(u'\n')) {
        if (++lines <= kMeasuredLines)
            width =
                qMax(width, metrics.horizontalAdvance(line.left(kMeasuredCharacters).toString()));
    }
    return {width, qMax(lines, 1) * metrics.lineSpacing()};
}
}  // namespace

std::unique_ptr<QDialog> QtPrompts::reviewBox(const QString& title, const QString& label,
                                              const QString& value, const TextFor& textFor,
                                              QWidget* owner) {
    auto box = std::make_unique<QDialog>(owner);
    box->setWindowTitle(title);
    box->setSizeGripEnabled(true);
    auto* v = new QVBoxLayout(box.get());
    auto* text = new QPlainTextEdit(box.get());
    text->setObjectName(QStringLiteral("reviewText"));
    text->setReadOnly(true);
    // Long titles and change lines are read whole at any width; a Japanese
    // title has no spaces to break at.
    text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    text->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    const QString first = textFor(value);
    text->setPlainText(first);
    v->addWidget(text, 1);
    if (!label.isEmpty()) {
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel(label, box.get()));
        auto* line = new QLineEdit(value, box.get());
        line->setObjectName(QStringLiteral("reviewValue"));
        // The text follows the line as it is typed; nothing is done until OK.
        QObject::connect(line, &QLineEdit::textChanged, text,
                         [text, textFor](const QString& now) { text->setPlainText(textFor(now)); });
        row->addWidget(line, 1);
        v->addLayout(row);
    }
    auto* buttons = new QDialogButtonBox(box.get());
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, box.get(), &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, box.get(), &QDialog::reject);
    v->addWidget(buttons);

    // As large as the lines need, at least 640 × 480 and at most four fifths
    // of the screen the box opens on.
    const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    const QSize available = screen ? screen->availableGeometry().size() : QSize(1024, 768);
    const QSize most = available * 0.8;
    const QSize around = box->sizeHint() - text->sizeHint();
    const QSize need = textExtent(*text, first) +
                       QSize(2 * text->frameWidth() + 2 * int(text->document()->documentMargin()) +
                                 text->verticalScrollBar()->sizeHint().width(),
                             2 * text->frameWidth() + 2 * int(text->document()->documentMargin()));
    const QSize wanted = (need + around).expandedTo(QSize(640, 480));
    box->resize(wanted.boundedTo(most).expandedTo(box->minimumSizeHint()));
    return box;
}

bool QtPrompts::review(const QString& title, const QString& label, QString* value,
                       const TextFor& textFor) {
    const auto box = reviewBox(title, label, *value, textFor, owner_);
    if (box->exec() != QDialog::Accepted) return false;
    if (const auto* line = box->findChild<QLineEdit*>(QStringLiteral("reviewValue")))
        *value = line->text();
    return true;
}

void QtPrompts::beep() { QApplication::beep(); }

void QtPrompts::setBusy(bool busy) {
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}
