#pragma once

#include <QFrame>

#include <array>

class Catalogue;
class FlexGrid;
class Prompts;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class ShapeCell;

// The main title card (fraMain): one title at a time with its attributes,
// mark, scores, ownership, picture and viewings. The current title is the
// value of hsbData; every change of that value shows the title.
class CardFrame : public QFrame {
    Q_OBJECT
public:
    CardFrame(Catalogue& catalogue, Prompts& prompts, QWidget* parent = nullptr);

    void ShowTitle();
    void ShowHyoukaBars();
    void ClearHyoukaBars();
    void ShowSyoyuChecks();
    void ShowKansyouRireki();
    void SetUpHistoryGrid();
    // Puts the master item names on the score labels and ownership boxes.
    void ShowItemNames();
    // Range of hsbData after the table was reloaded: 1..TitleCount (1..1 when empty).
    void applyTitleRange();

    int current() const;
    void setCurrent(int n);

    // True while ShowTitle sets the ownership boxes: their changes are not the user's.
    bool ShowingTitle = false;

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
    void showFace(int index);
    void showPicture(const QString& daimei);

    Catalogue& cat_;
    Prompts& prompts_;

    QComboBox* cboName_ = nullptr;
    QScrollBar* hsbData_ = nullptr;
    QLabel* lblKensu_ = nullptr;
    QComboBox* cboKantoku_ = nullptr;
    QComboBox* cboSyuen_ = nullptr;
    QLineEdit* txtNengetu_ = nullptr;
    QComboBox* cboKuni_ = nullptr;
    QComboBox* cboJanru_ = nullptr;
    QComboBox* cboHyouka_ = nullptr;
    std::array<QLabel*, 4> imgFace1_{};
    std::array<QComboBox*, 8> cboHyouka1_{};  // [1..7]
    std::array<QLabel*, 8> lblHyouka1_{};     // [1..7]
    std::array<std::array<ShapeCell*, 11>, 8> shpHyouka_{};  // [1..7][1..10]
    std::array<QCheckBox*, 5> chkSyoyu_{};  // [1..4]
    QLabel* imgGazou_ = nullptr;
    FlexGrid* msgKansyou_ = nullptr;
};
