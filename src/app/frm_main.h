#pragma once

#include "shell/change_runner.h"
#include "shell/help_window.h"
#include "shell/screen_host.h"
#include "store/catalogue.h"

#include <QMainWindow>
#include <QStringList>

#include <memory>

class CardEditing;
class CardFrame;
class ChartWindow;
class GalleryFrame;
class MasterFrame;
class PictureImportFrame;
class RankFrame;
class SearchFrame;
class TitleLists;
class ViewingListFrame;
class Clock;
class QLabel;
class FolderLock;
class QTimer;
class Prompts;
class QAbstractButton;
class QPushButton;
class QToolButton;

// The one window of the program and the composition root: it owns the
// catalogue for the run, builds the always-visible buttons and every screen,
// and switches between them. Screens reach it only as a ScreenHost.
class frmMain : public QMainWindow, public ScreenHost {
    Q_OBJECT
public:
    frmMain(const QString& dataDir, Prompts& prompts, Clock& clock, QWidget* parent = nullptr);
    ~frmMain() override;

    // Start-up: reads the files, primes the controls, shows title 1 and the window.
    void Form_Load();

    CardFrame* card() const { return fraMain_; }

    // ScreenHost
    Catalogue& catalogue() override { return catalogue_; }
    Prompts& prompts() override { return prompts_; }
    QString perform(std::unique_ptr<Change> change) override;
    const Clock& clock() const override { return clock_; }
    void HideAllFrames() override;
    void returnToCard(int n, bool remember) override;
    int lastJumpTitle() const override { return LastJumpTitle; }
    void setCurrentTitle(int n) override;
    void showMainCard() override;
    bool galleryReady() const override { return GalleryReady; }
    void setGalleryReady(bool ready) override { GalleryReady = ready; }
    void reloadTitles() override;
    void titlesChanged() override;
    void collectionReplaced() override;
    void itemNamesChanged() override;
    void showHelpTour(const QString& message) override;
    bool reportWrite(const QString& problem) override;
    void endProgram() override;
    QString dataDir() const override { return DataDir; }
    bool refusesChanges() override;
    void showChart(const ChartRequest& request) override;
    void showTitlesOf(const TitleSelection& selection) override;

    // Rebuilds the table and pick lists from the data file and reports a damaged file.
    void LoadMainData();
    // Rewrites the data file; a failure is reported to the user. True on success.
    bool SaveMainData();
    // Reads the viewing history and refills the viewing list.
    void LoadKansyouRireki();
    void ShowHelpTour();

    QString HelpMessage;
    QString HelpFile;
    QString DataDir;
    bool Loading = false;
    int LastJumpTitle = 0;
    bool GalleryReady = false;

    // The run's steps of change, for undo and redo.
    ChangeRunner& changes() { return *runner_; }
    // Reads again the files another program changed since this run read them,
    // brings the card and the lists up to date and tells the user once. With
    // refill, the screen in view is filled again too (not while a screen's own
    // change is under way: it shows its result itself). True when any was read.
    bool settleChangesElsewhere(bool refill = true);
    // Ctrl+Z and Ctrl+Shift+Z (Ctrl+Y): the newest step taken back, done again.
    void undoStep();
    void redoStep();
    // The run holds the data folder (no other window of the program has it).
    bool ownsFolder() const;
    // The short notice after an undo or a redo (empty when none is shown).
    QString noticeText() const;

protected:
    // Keys no control took: Page Down / Page Up turn the card's titles, Escape
    // closes the viewing entry.
    void keyPressEvent(QKeyEvent* event) override;
    // Coming back to the window (from an editor, after a sync): files changed
    // elsewhere meanwhile are read again.
    void changeEvent(QEvent* event) override;

signals:
    // Form_Load has painted the card; the other screens are built after it.
    void cardShown();

public slots:
    void cmdMain_Click();
    void cmdEnd_Click();
    void cmdHelp_Click();
    void chkHelp_Click();

private:
    // Takes the folder for this run; with another window on it, asks whether to
    // open read-only. False when the user chose to end.
    bool takeFolder();
    // A read-only run: every control that would change the folder is disabled,
    // each text box only shows its text.
    void disableWritingControls();
    void refreshAfterReload(const QString& shownTitle, bool refill);
    // Shows title name on the card (or keeps a valid number), after the files changed.
    void showTitleNamed(const QString& name);
    void showNotice(const QString& text);
    QPoint noticePlace(QSize size) const;
    // What an undo or redo did, or why it could not: a notice, a box or a beep.
    void tellStep(const ChangeRunner::Outcome& out, const QString& done, const QString& failed,
                  const QString& failedTitle, const QString& nothing);
    void buildUndoKeys();
    // Asked before the first rewrite of a file holding what code page 932 cannot.
    bool askConversion(const QString& file, const QString& what);
    void buildUi();
    QWidget* buildButtonBar();
    void buildScreens(QWidget* screens);
    // The screens but the card, once: at the end of Form_Load, or first asked for.
    void buildOtherScreens();
    void addScreen(QWidget* frame, QWidget* stackParent);
    void reportLater(const QString& message, const QString& title);
    void showReports();
    void followLastJump();
    void openSearchForWord();

    Catalogue catalogue_;
    Prompts& prompts_;
    Clock& clock_;
    CardFrame* fraMain_ = nullptr;
    ViewingListFrame* fraList_ = nullptr;
    TitleLists* lists_ = nullptr;
    RankFrame* fraRank_ = nullptr;
    SearchFrame* fraKensaku_ = nullptr;
    GalleryFrame* fraPic_ = nullptr;
    MasterFrame* fraMaster_ = nullptr;
    PictureImportFrame* fraPicget_ = nullptr;
    CardEditing* editing_ = nullptr;
    QList<QWidget*> screens_;
    QWidget* screensParent_ = nullptr;
    QString lastJumpName_;  // the title LastJumpTitle stands for
    QHash<QString, QPushButton*> buttons_;
    QHash<QString, ChartWindow*> charts_;  // by grid, made when first asked for
    QPushButton* cmdDel_ = nullptr;
    QToolButton* chkHelp_ = nullptr;
    // Problems met before the window is shown, reported once it is.
    QList<QPair<QString, QString>> pendingReports_;
    HelpWindows helpWindows_{this};
    std::unique_ptr<FolderLock> lock_;
    ChangeRunner* runner_ = nullptr;
    bool settling_ = false;
    QLabel* notice_ = nullptr;
    QTimer* noticeTimer_ = nullptr;
    // Each screen frame and the button that opens it, to show it again after a reload.
    QList<QPair<QWidget*, QString>> screenButtons_;
};
