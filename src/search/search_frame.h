#pragma once

#include "narrowing.h"
#include "search_criteria.h"
#include "shell/pick_combo.h"

#include <QFrame>

#include <array>
#include <memory>
#include <optional>
#include <vector>

class Catalogue;
class ChoiceList;
class PickCombo;
class Prompts;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QStringListModel;
class QThread;
class QToolButton;
class ScreenHost;
struct TitleSelection;
enum class PickList;

// The search screen (fraKensaku): finds titles by words, attributes, periods, marks,
// ownership and the free texts. Every criterion searches alone; the result replaces
// the list lstDaimei, whose count is the caption of fraKensu. While chkShibori is
// on, each criterion narrows the list instead, and the criteria in force are
// listed above it (fraJouken), each with a button that drops it.
class SearchFrame : public QFrame {
    Q_OBJECT
public:
    explicit SearchFrame(ScreenHost& host, QWidget* parent = nullptr);
    ~SearchFrame() override;

    // Puts the ownership item names of the masters on the screen's labels.
    void showItemNames();
    // Puts the cursor into the title word box, ready for typing.
    void focusTitleWord();

    // How long a word search in the texts may hold the window before it goes on
    // in the background, in milliseconds.
    void setPatience(int ms) { patienceMs_ = ms; }
    // True while a word search runs in the background.
    bool searching() const { return job_ != nullptr; }

    // Lists what one row of a count counts (lblDrill says what), as a search
    // of its own: while narrowing, it becomes the only criterion in force.
    void showTitlesOf(const TitleSelection& selection);

public slots:
    void cmdKensaku_Click();

    void cboKantoku2_Click() { attributeSearch(SearchCriteria::Attribute::Kantoku, cboKantoku2_); }
    void cboSyuen2_Click() { attributeSearch(SearchCriteria::Attribute::Syuen, cboSyuen2_); }
    void cboKuni2_Click() { attributeSearch(SearchCriteria::Attribute::Kuni, cboKuni2_); }
    void cboJanru2_Click() { attributeSearch(SearchCriteria::Attribute::Janru, cboJanru2_); }
    void cboKoukai2_Click();
    void cboKansyou2_Click();
    void cboKansyou3_Click();
    void lstHyouka_Click(const QString& item);
    void lstSyoyu_Click(int k, const QString& item);
    void lstCast_Click(const QString& item) {
        presenceSearch(SearchCriteria::TextKind::Cast, item);
    }
    void lstArasuji_Click(const QString& item) {
        presenceSearch(SearchCriteria::TextKind::Arasuji, item);
    }
    void lstMemo_Click(const QString& item) {
        presenceSearch(SearchCriteria::TextKind::Memo, item);
    }
    void lstDaimei_DblClick();
    void chkShibori_Click();
    // The button of criterion i in force: that criterion no longer narrows.
    void cmdJouken_Click(int i);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct WordJob;

    void buildUi();
    QWidget* buildTitleCriteria();
    QWidget* buildTextCriteria();
    QWidget* buildResult();
    PickCombo* combo(const QString& name, void (SearchFrame::*picked)());
    void refill(PickCombo* c, const QStringList& items);

    // Enter in a word box: true when the key was taken (the box was not empty).
    bool txtNamae_KeyPress();
    bool wordKeyPress(SearchCriteria::TextKind kind, QLineEdit* box);
    void attributeSearch(SearchCriteria::Attribute field, PickCombo* c);
    void presenceSearch(SearchCriteria::TextKind kind, const QString& item);
    // The files of a kind as the data directory holds them now.
    QStringList textFiles(SearchCriteria::TextKind kind);

    // What a criterion found: alone it replaces the list; while narrowing, it
    // joins the criteria in force.
    void found(Narrowing::Criterion c);
    // A period with both bounds empty searches nothing; while narrowing, its
    // criterion stops narrowing.
    void emptyPeriod(const QString& key);
    void showNarrowed();
    void listCriteria();
    void showDrillCaption();
    bool narrowing() const;

    // Replaces the result list and sets the count caption.
    void showResult(const QStringList& names);
    void showCount();
    // A running word search is given up: its result will not be shown.
    void abandonWordSearch();
    void startWordSearch(SearchCriteria::TextKind kind, const QString& word, QStringList files);
    void finishWordSearch();
    void setBusy(bool busy);

    ScreenHost& host_;
    Catalogue& cat_;
    Prompts& prompts_;

    QLineEdit* txtNamae_ = nullptr;
    PickCombo* cboKantoku2_ = nullptr;
    PickCombo* cboSyuen2_ = nullptr;
    PickCombo* cboKuni2_ = nullptr;
    PickCombo* cboJanru2_ = nullptr;
    std::array<PickCombo*, 2> cboKoukai2_{};
    ChoiceList* lstHyouka_ = nullptr;
    std::array<QLabel*, 5> lblSyoyu_{};       // [1..4]
    std::array<ChoiceList*, 5> lstSyoyu_{};   // [1..4]
    std::array<QLineEdit*, 4> textBoxes_{};   // txtCast, txtArasuji, txtMemo [1..3]
    std::array<ChoiceList*, 4> textLists_{};  // lstCast, lstArasuji, lstMemo [1..3]
    std::array<PickCombo*, 2> cboKansyou2_{};
    PickCombo* cboKansyou3_ = nullptr;
    QGroupBox* fraKensu_ = nullptr;
    QListView* lstDaimei_ = nullptr;
    QStringListModel* results_ = nullptr;
    QCheckBox* chkShibori_ = nullptr;
    QWidget* fraJouken_ = nullptr;
    QLabel* lblDrill_ = nullptr;
    QVector<QToolButton*> jouken_;  // cmdJouken_<i>, one per criterion in force

    // What the list shows while not narrowing, when one criterion found it.
    std::optional<Narrowing::Criterion> shown_;
    Narrowing narrowing_;

    std::shared_ptr<WordJob> job_;  // the word search whose result the list waits for
    std::vector<std::pair<QThread*, std::shared_ptr<WordJob>>> workers_;  // still running
    int patienceMs_ = 100;
    bool busy_ = false;
};
