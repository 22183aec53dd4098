#include "prompts.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
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

Prompts::Answer QtPrompts::message(const QString& text, const QString& title, Icon icon,
                                   Buttons buttons, Answer defaultButton) {
    QMessageBox box(toQt(icon), title, text, QMessageBox::NoButton, owner_);
    switch (buttons) {
        case Buttons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case Buttons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case Buttons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
    }
    box.setDefaultButton(toQt(defaultButton));
    switch (box.exec()) {
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

QString QtPrompts::input(const QString& prompt, const QString& title, const QString& defaultText) {
    bool ok = false;
    const QString answer =
        QInputDialog::getText(owner_, title, prompt, QLineEdit::Normal, defaultText, &ok);
    return ok ? answer : QString();
}

QString QtPrompts::saveFileName(const QString& title, const QString& suggested,
                                const QString& filter) {
    return QFileDialog::getSaveFileName(owner_, title, suggested, filter);
}

QString QtPrompts::openFileName(const QString& title, const QString& dir, const QString& filter) {
    return QFileDialog::getOpenFileName(owner_, title, dir, filter);
}

bool QtPrompts::review(const QString& title, const QString& label, QString* value,
                       const TextFor& textFor) {
    QDialog box(owner_);
    box.setWindowTitle(title);
    auto* v = new QVBoxLayout(&box);
    auto* text = new QPlainTextEdit(&box);
    text->setObjectName(QStringLiteral("reviewText"));
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    text->setPlainText(textFor(*value));
    v->addWidget(text, 1);
    QLineEdit* line = nullptr;
    if (!label.isEmpty()) {
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel(label, &box));
        line = new QLineEdit(*value, &box);
        line->setObjectName(QStringLiteral("reviewValue"));
        // The text follows the line as it is typed; nothing is done until OK.
        QObject::connect(line, &QLineEdit::textChanged, text,
                         [text, textFor](const QString& now) { text->setPlainText(textFor(now)); });
        row->addWidget(line, 1);
        v->addLayout(row);
    }
    auto* buttons = new QDialogButtonBox(&box);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
    v->addWidget(buttons);
    box.resize(640, 480);
    if (box.exec() != QDialog::Accepted) return false;
    if (line) *value = line->text();
    return true;
}

void QtPrompts::beep() { QApplication::beep(); }

void QtPrompts::setBusy(bool busy) {
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}
