#pragma once

#include "card/card_print.h"
#include "card/card_widgets.h"
#include "shell/pick_combo.h"
#include "store/file_print.h"
#include "store/kansyou_table.h"

#include <QFrame>
#include <QPixmap>
#include <QSet>

#include <array>
#include <functional>
#include <memory>

class Catalogue;
class Change;
class Clock;
class FlexGrid;
class Prompts;
class QCheckBox;
class QImage;
class QLabel;
class QGroupBox;
class QLineEdit;
class QListView;
class QPlainTextEdit;
class QPushButton;
class QScrollBar;
class QShortcut;
class ShapeCell;

// The main title card (fraMain): one title at a time with its attributes,
// mark, scores, ownership, picture and viewings. The current title is the
// value of hsbData; every change of that value shows the title.
class CardFrame : public QFrame {
    Q_OBJECT
public:
    CardFrame(Catalogue& catalogue, Prompts& prompts, const Clock& clock,
              QWidget* parent = nullptr);

    void ShowTitle();
    void ShowHyoukaBars();
    void ClearHyoukaBars();
    void ShowSyoyuChecks();
    void ShowKansyouRireki();
    void SetUpHistoryGrid();
    // Loads the cast, synopsis and memo of the shown title into their boxes.
    void LoadSubTexts();
    void HideSubScreens();
    // The hidden lists of text files that other screens consult.
    void refreshFileLists();
    // Puts the master item names on the score labels and ownership boxes.
    void ShowItemNames();
    // Range of hsbData after the table was reloaded: 1..TitleCount (1..1 when empty).
    void applyTitleRange();

    int current() const;
    void setCurrent(int n);
    // Shows title n whether or not it is already the current number.
    void showTitleNumber(int n);
    void showFace(int index);
    // Empties the card, for when the last title has gone.
    void clearCard();

    // True while ShowTitle sets the ownership boxes: their changes are not the user's.
    bool ShowingTitle = false;

    // Shows picture on the card's picture box with the height rule of its shape;
    // a null picture leaves the box as it was.
    // naturalSize: the size stored, when picture was decoded smaller (it sets the height).
    void showPictureImage(const QImage& picture, QSize naturalSize = {});
    // Takes the picture off the card's picture box; its height stays.
    void clearPicture();
    // The title named in cboName: the one the card's saves act on.
    QString shownName() const;
    // How the card's saves change the collection: as steps through the window
    // (ScreenHost::perform). Without it they go to the catalogue directly.
    using Perform = std::function<QString(std::unique_ptr<Change>)>;
    void setPerform(Perform perform) { perform_ = std::move(perform); }
    // The window's undo history, for the card's right-click menu (card_menu.cpp):
    // the texts of the next step back and forward ("" when there is none) and
    // what Ctrl+Z and Ctrl+Shift+Z do.
    struct Steps {
        std::function<QString()> undoText, redoText;
        std::function<void()> undo, redo;
    };
    void setSteps(Steps steps) { steps_ = std::move(steps); }
    // "ネットで調べる…" (Ctrl+L): the lookup window for the shown title
    // (card_menu.cpp).
    void openLookup();

protected:
    // The card's own surface (not its text boxes or viewing grid): undo, redo and
    // printing the title.
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // The shown title as "このタイトルを印刷…" prints it.
    CardPrint::Card printedCard() const;
    void printTitle();
    void exportTitlePdf();
    Steps steps_;
    // Ctrl+L, made as the card is built (card_menu.cpp).
    QShortcut* makeLookupKey();
    QShortcut* lookupKey_ = makeLookupKey();

signals:
    // A viewing was stored: the history and its lists changed.
    void historySaved();
    // The user clicked the picture box.
    void imgGazouClicked();

public slots:
    void cmdHyouji1_Click();
    void cmdHyouji2_Click() { showSubScreen(1); }
    void cmdHyouji3_Click() { showSubScreen(2); }
    void cmdHyouji4_Click() { showSubScreen(3); }
    void cmdSubData1_Click() { saveSubText(1); }
    void cmdSubData2_Click() { saveSubText(2); }
    void cmdSubData3_Click() { saveSubText(3); }
    void msgKansyou_DblClick();
    // The grid's right-click menu: correct or delete the viewing of that row.
    void msgKansyou_ContextMenu(const QPoint& at);
    void correctViewing(int row);
    void deleteViewing(int row);
    void cmdRirekiHozon_Click();
    void cmdYame1_Click();

public:
    // Closes the viewing entry as "キャンセル" does; false when it was not open.
    bool closeViewingEntry();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void hsbData_Change(int value);
    void cboName_Click(int index);

private:
    void buildUi();
    QWidget* buildNavigation();
    QWidget* buildAttributes();
    QWidget* buildScores();
    QWidget* buildOwnership();
    QWidget* buildHistory();
    QWidget* buildViewButtons();
    QWidget* buildSubScreen(int k);
    QWidget* buildEntryFrame();
    void showSubScreen(int k);
    void saveSubText(int k);
    void loadSubText(int k);
    // Refuses text the files cannot hold; true when the text may be stored.
    bool acceptText(const QString& text, const QString& what, bool quotesAllowed);
    void showPicture(const QString& daimei);
    void lookAgainWhenListed(const QString& daimei);
    void showPixmap(const QPixmap& picture, QSize naturalSize);
    static bool changedLately(const FileStamp& stamp);
    // Says once per run why a picture file is not shown: it is not a regular file,
    // or it is too large.
    void warnOnce(const QString& actualName, const QString& text);

    QString perform(std::unique_ptr<Change> change);

    Catalogue& cat_;
    Prompts& prompts_;
    const Clock& clock_;
    Perform perform_;
    // Each free-text panel's file as the card read it: the name and its text, what
    // an undo of a save puts back.
    std::array<QString, 4> readName_, readText_;
    // The record number of each row of msgKansyou.
    QVector<int> shownViewings_;
    // The viewing the entry frame corrects (its number and record); 0: a new one.
    int correcting_ = 0;
    Kansyou correctingRecord_;

    PickCombo* cboName_ = nullptr;
    QScrollBar* hsbData_ = nullptr;
    QLabel* lblKensu_ = nullptr;
    PickCombo* cboKantoku_ = nullptr;
    PickCombo* cboSyuen_ = nullptr;
    QLineEdit* txtNengetu_ = nullptr;
    PickCombo* cboKuni_ = nullptr;
    PickCombo* cboJanru_ = nullptr;
    PickCombo* cboHyouka_ = nullptr;
    std::array<QLabel*, 4> imgFace1_{};
    std::array<PickCombo*, 8> cboHyouka1_{};                 // [1..7]
    std::array<QLabel*, 8> lblHyouka1_{};                    // [1..7]
    std::array<std::array<ShapeCell*, 11>, 8> shpHyouka_{};  // [1..7][1..10]
    std::array<QCheckBox*, 5> chkSyoyu_{};                   // [1..4]
    QLabel* imgGazou_ = nullptr;
    FlexGrid* msgKansyou_ = nullptr;
    std::array<QPushButton*, 5> cmdHyouji_{};      // [1..4]
    std::array<QFrame*, 4> fraSubGamen_{};         // [1..3]
    std::array<QPlainTextEdit*, 4> txtSubData_{};  // [1..3]
    std::array<QListView*, 4> fileLists_{};        // filCast, filArasuji, filMemo
    QGroupBox* fraRirekiHozon_ = nullptr;
    QLineEdit* txtKansyoubi_ = nullptr;
    PickCombo* cboKansyou_ = nullptr;
    QString typedKansyou_;
    QSet<QString> warnedPictures_;
    // The picture last shown, kept as shown: the card shows the same title again
    // after every change to it, and a file whose stamp has not moved holds the same
    // picture.
    struct ShownPicture {
        QString path;
        FileStamp stamp;
        QSize box;
        QPixmap pixmap;
        QSize naturalSize;
    } lastPicture_;
};
