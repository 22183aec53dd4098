#include "prompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

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

void QtPrompts::beep() { QApplication::beep(); }

void QtPrompts::setBusy(bool busy) {
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}
