#pragma once

#include "shell/help_window.h"
#include "store/catalogue.h"

#include <QMainWindow>
#include <QStringList>

class CardEditing;
class CardFrame;
class ViewingListFrame;
class Clock;
class Prompts;
class QAbstractButton;
class QPushButton;
class QToolButton;

// The one window of the program. It owns the catalogue for the run, the
// always-visible buttons and the screen switcher; each screen is a frame of
// its own that reaches shared state through this window.
class frmMain : public QMainWindow {
    Q_OBJECT
public:
    frmMain(const QString& dataDir, Prompts& prompts, Clock& clock, QWidget* parent = nullptr);
    ~frmMain() override;

    // Start-up: reads the files, primes the controls, shows title 1 and the window.
    void Form_Load();

    Catalogue& catalogue() { return catalogue_; }
    CardFrame* card() const { return fraMain_; }
    Prompts& prompts() { return prompts_; }
    const Clock& clock() const { return clock_; }

    // Rebuilds the table and pick lists from the data file and reports a damaged file.
    void LoadMainData();
    // After titles were added or removed in place: the scroll bar's range follows.
    void titlesChanged();
    // Rewrites the data file; a failure is reported to the user. True on success.
    bool SaveMainData();
    // Shows the message of a failed write; true when there was none.
    bool reportWrite(const QString& problem);
    // Hides every screen and shows the card, without changing the title.
    void showMainCard();
    // Reads the viewing history and refills the viewing list.
    void LoadKansyouRireki();

    void HideAllFrames();
    void ShowHelpTour();
    // Shows the card again on title n (used by the lists, the search and the gallery).
    void returnToCard(int n);

    QString HelpMessage;
    QString HelpFile;
    QString DataDir;
    bool Loading = false;
    int LastJumpTitle = 0;
    bool GalleryReady = false;

public slots:
    void cmdMain_Click();
    void cmdEnd_Click();
    void cmdHelp_Click();
    void chkHelp_Click();

private:
    void buildUi();
    QWidget* buildButtonBar();
    void reportLater(const QString& message, const QString& title);
    void showReports();

    Catalogue catalogue_;
    Prompts& prompts_;
    Clock& clock_;
    CardFrame* fraMain_ = nullptr;
    ViewingListFrame* fraList_ = nullptr;
    CardEditing* editing_ = nullptr;
    QList<QWidget*> screens_;
    QPushButton* cmdDel_ = nullptr;
    QToolButton* chkHelp_ = nullptr;
    // Problems met before the window is shown, reported once it is.
    QList<QPair<QString, QString>> pendingReports_;
    HelpWindows helpWindows_{this};
};
