#pragma once

#include "collection_reset.h"

#include <QFrame>

#include <array>

class DisplayOrderModel;
class BichoList;
class QLineEdit;
class QPushButton;
class ScreenHost;

// The master screen (fraMaster): the evaluation and ownership item names, the display
// order of the titles, and the resets.
class MasterFrame : public QFrame {
    Q_OBJECT
public:
    explicit MasterFrame(ScreenHost& host, QWidget* parent = nullptr);

    // The colour of cmdSortCng2 while the list holds moves not yet applied.
    static QColor unappliedColour() { return {255, 224, 192}; }

    // The entry a button-down in lstBicho was on, -1 for none.
    int DragIndex = -1;

public slots:
    void cmdMaster_Click();
    void cmdHyoukaHozon_Click();
    void lblSyoyuHozon_Click();
    void lstBicho_MouseDown(int row);
    void lstBicho_MouseUp(int row);
    void cmdSortCng2_Click();
    void cmdSinki_Click();
    void cmdAllDel_Click();
    // "CSVを取り込む…": another program's list, previewed, then imported.
    void cmdImportCsv_Click();
    // "ネットから情報を補う…": the titles with empty fields looked up online, in a
    // window of its own.
    void cmdFillFromNet_Click();

private:
    QWidget* buildHyoukaGroup();
    QWidget* buildSyoyuGroup();
    QWidget* buildStartGroup();
    QWidget* buildImportGroup();
    QWidget* buildOrderPart();
    void showMasterNames();
    bool confirm(const QString& question, const QString& title);
    void resetCollection(ResetKind kind, const QString& question);
    void reportLeftovers(const ResetOutcome& out);
    void markUnapplied(bool unapplied);

    ScreenHost& host_;
    bool namesShown_ = false;  // the boxes hold the masters since the screen first opened
    std::array<QLineEdit*, 8> txtHyouka_{};  // [1..7]
    std::array<QLineEdit*, 5> txtSyoyu_{};   // [1..4]
    DisplayOrderModel* order_ = nullptr;
    BichoList* lstBicho_ = nullptr;
    QPushButton* cmdSortCng2_ = nullptr;
};
