#pragma once

#include <QDate>
#include <QString>

#include <functional>
#include <memory>

class QDialog;
class QFileDialog;
class QInputDialog;
class QMessageBox;
class QTranslator;
class QWidget;

// Every modal box, the beep and the busy pointer go through this interface, so
// that tests can answer the boxes and check their exact texts.
class Prompts {
public:
    enum class Icon { None, Information, Exclamation, Question, Critical };
    enum class Buttons { Ok, OkCancel, YesNo };
    enum class Answer { Ok, Cancel, Yes, No };

    virtual ~Prompts() = default;

    virtual Answer message(const QString& text, const QString& title, Icon icon,
                           Buttons buttons = Buttons::Ok, Answer defaultButton = Answer::Ok) = 0;
    // An input box; a cancelled box answers "" like an empty one.
    virtual QString input(const QString& prompt, const QString& title,
                          const QString& defaultText) = 0;
    // A file to write, chosen by the user (suggested: a path to offer); "" when
    // the choice was cancelled.
    virtual QString saveFileName(const QString& title, const QString& suggested,
                                 const QString& filter) = 0;
    // A file to read, chosen by the user, starting in dir; "" when cancelled.
    virtual QString openFileName(const QString& title, const QString& dir,
                                 const QString& filter) = 0;
    // A long text to look over before an act, with OK and キャンセル (true for OK).
    // With a label, one line of input under the text, first *value: the text
    // depends on it, and textFor gives the text for a value; on OK, *value is
    // what the user left in the line.
    using TextFor = std::function<QString(const QString& value)>;
    virtual bool review(const QString& title, const QString& label, QString* value,
                        const TextFor& textFor) = 0;
    virtual void beep() = 0;
    virtual void setBusy(bool busy) = 0;
};

// The boxes the user sees: QMessageBox and QInputDialog.
class QtPrompts : public Prompts {
public:
    explicit QtPrompts(QWidget* owner = nullptr) : owner_(owner) {}
    void setOwner(QWidget* owner) { owner_ = owner; }

    Answer message(const QString& text, const QString& title, Icon icon, Buttons buttons,
                   Answer defaultButton) override;
    QString input(const QString& prompt, const QString& title, const QString& defaultText) override;
    QString saveFileName(const QString& title, const QString& suggested,
                         const QString& filter) override;
    QString openFileName(const QString& title, const QString& dir, const QString& filter) override;
    bool review(const QString& title, const QString& label, QString* value,
                const TextFor& textFor) override;
    void beep() override;
    void setBusy(bool busy) override;

    // The boxes as message, input and saveFileName show them, built but not
    // opened, so that a test can look at what the user would see.
    static std::unique_ptr<QMessageBox> messageBox(const QString& text, const QString& title,
                                                   Icon icon, Buttons buttons, Answer defaultButton,
                                                   QWidget* owner);
    static std::unique_ptr<QInputDialog> inputBox(const QString& prompt, const QString& title,
                                                  const QString& defaultText, QWidget* owner);
    static std::unique_ptr<QFileDialog> saveDialog(const QString& title, const QString& suggested,
                                                   const QString& filter, QWidget* owner);
    // The box review shows: the text in "reviewText", wrapped at the window's
    // edge; with a label, the line "reviewValue" under it. It can be resized,
    // and opens as large as its lines need, up to most of the screen.
    static std::unique_ptr<QDialog> reviewBox(const QString& title, const QString& label,
                                              const QString& value, const TextFor& textFor,
                                              QWidget* owner);

private:
    QWidget* owner_;
};

// Loads Qt's own Japanese (Debian's qt6-translations-l10n) into the running
// application, so that the standard buttons and dialogs of the boxes read
// はい, いいえ, キャンセル and so on. Returns the translator, owned by the
// application; nullptr when the translation is not installed (the boxes then
// keep Qt's English and a warning says why).
QTranslator* installQtTranslations();

// "Today", settable in tests.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDate today() const { return QDate::currentDate(); }
};

// Shows the busy pointer for the life of the object.
class BusyPointer {
public:
    explicit BusyPointer(Prompts& p) : p_(p) { p_.setBusy(true); }
    ~BusyPointer() { p_.setBusy(false); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    Prompts& p_;
};
