#pragma once

#include <QPair>
#include <QString>
#include <QVector>

#include <memory>

class Catalogue;
class Change;
class Clock;
class Prompts;
struct TitleSelection;

// A grid's chart, as the screen that shows the grid asks for it.
struct ChartRequest {
    enum class Kind {
        Ranking,         // titles per value: the first rows of rows, in their order
        ViewingPeriods,  // viewings per month (or per year, with years): rows in any order
        Scores,          // how the titles were scored: from the title table, no rows
    };
    Kind kind = Kind::Ranking;
    QString gridName;     // one chart window per grid
    QString heading;      // the grid's heading, in the window's title
    QString fileStem;     // the name the grid's CSV export suggests, without ".csv"
    QString valueHeader;  // the grid's column of values, the bars' axis
    bool years = false;
    QVector<QPair<QString, int>> rows;  // value and count, in the order shown
};

// What a screen may ask of the main window. The window implements it, so no
// screen needs to know the window, and the window stays the only place that
// knows every screen.
class ScreenHost {
public:
    virtual ~ScreenHost() = default;

    virtual Catalogue& catalogue() = 0;
    virtual Prompts& prompts() = 0;
    virtual const Clock& clock() const = 0;
    // Makes a change of the collection (a step of store/changes.h) on the files as
    // they are now, as one step of the undo history. Empty on success, else the
    // message for the user, who has not been told yet.
    virtual QString perform(std::unique_ptr<Change> change) = 0;

    // Hides every screen frame and disables "削除"; a screen button calls it
    // before it shows its own frame.
    virtual void HideAllFrames() = 0;
    // Shows the card again on title n. With remember, n is also the title that
    // "メイン" comes back to (LastJumpTitle), as after a double-click in a list.
    virtual void returnToCard(int n, bool remember) = 0;
    // The title last picked in a list (LastJumpTitle); 0 when none was.
    virtual int lastJumpTitle() const = 0;
    // Puts title n on the card (hsbData) without changing the screen shown.
    virtual void setCurrentTitle(int n) = 0;
    // Hides every screen and shows the card, without changing the title.
    virtual void showMainCard() = 0;

    // The gallery's pictures are current; adding, deleting, reordering and a
    // picture import make them stale.
    virtual bool galleryReady() const = 0;
    virtual void setGalleryReady(bool ready) = 0;

    // Rebuilds the table and pick lists from the data file after a rewrite,
    // and reports a file that could not be read whole.
    virtual void reloadTitles() = 0;
    // After titles were added or removed in place: the scroll bar's range follows.
    virtual void titlesChanged() = 0;
    // The titles and the history were written anew at once (an import): the card,
    // the lists and the viewing list show them afresh, and the gallery is stale.
    virtual void collectionReplaced() = 0;
    // The item names of the masters changed: every label that shows them follows.
    virtual void itemNamesChanged() = 0;

    // Shows message as the help tour's box while the tour is on.
    virtual void showHelpTour(const QString& message) = 0;
    // Shows the message of a failed write; true when there was none.
    virtual bool reportWrite(const QString& problem) = 0;
    // True, after telling the user why, when the window may not change its folder
    // (another window holds it, or no lock could be made there). An action that
    // would write asks this first, before any question of its own.
    virtual bool refusesChanges() { return false; }
    // Ends the program at once (after a reset).
    virtual void endProgram() = 0;

    // Opens (or brings back, with the data of now) the chart window of a grid.
    virtual void showChart(const ChartRequest& request) = 0;
    // Opens the search screen on what one row of a count counts (a double-click
    // on a ranking row or a viewing month).
    virtual void showTitlesOf(const TitleSelection& /*selection*/) {}

    // The working directory at start-up, where the data files live.
    virtual QString dataDir() const = 0;
};
