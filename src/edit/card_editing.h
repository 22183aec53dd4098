#pragma once

#include <QObject>

#include <array>

class CardFrame;
class Catalogue;
class Prompts;
class ScreenHost;
class QCheckBox;
class QComboBox;
class QLineEdit;
class PickCombo;

// Editing on the card: the attributes, the mark, the scores and the ownership
// flags of the shown title, each written at once, and adding and deleting
// titles. It works on the card's controls, found by their names.
class CardEditing : public QObject {
    Q_OBJECT
public:
    CardEditing(ScreenHost& host, CardFrame& card);

public slots:
    void cboKantoku_Click() { attributePicked(1); }
    void cboSyuen_Click() { attributePicked(2); }
    void cboKuni_Click() { attributePicked(3); }
    void cboJanru_Click() { attributePicked(4); }
    void attributeEntered(int k);
    void txtNengetu_KeyPress();
    void cboHyouka_Click();
    void cboHyouka1_Click(int index);
    void chkSyoyu_Click(int index);
    void cmdNew_Click();
    void cmdDel_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void attributePicked(int k);
    // Refuses a typed value the data file cannot hold; true when it may be stored.
    bool acceptValue(const QString& v);
    QString askNewTitleName();
    // Stores a changed copy of the shown title; false (after saying so) when it could not be
    // written.
    bool store(const class Title& changed);

    ScreenHost& host_;
    CardFrame& card_;
    Catalogue& cat_;
    Prompts& prompts_;
    std::array<PickCombo*, 5> attributes_{};  // [1..4] director, lead actor, country, genre
    QLineEdit* txtNengetu_ = nullptr;
    PickCombo* cboHyouka_ = nullptr;
    std::array<PickCombo*, 8> cboHyouka1_{};
    std::array<QCheckBox*, 5> chkSyoyu_{};
    QComboBox* cboName_ = nullptr;
};
