#include "card_editing.h"
#include "shell/pick_combo.h"

#include "card/card_frame.h"
#include "card/card_rules.h"
#include "card/card_widgets.h"
#include "edit/title_edits.h"
#include "shell/prompts.h"
#include "shell/screen_host.h"
#include "store/catalogue.h"
#include "store/changes.h"
#include "store/cp932.h"
#include "store/date_text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

namespace {
const QString kCrLf = QStringLiteral("\r\n");
const QString kRestricted = QStringLiteral("入力制限");

QString newTitleHelp() {
    return QStringLiteral("タイトル情報を追加することができます。") + kCrLf + kCrLf +
           QStringLiteral("最初にタイトル名を聞いてきますので、タイトル名を入力します。") + kCrLf +
           QStringLiteral("これだけでひとまず１タイトル分の登録が終了です。") + kCrLf + kCrLf;
}

QString afterAddHelp() {
    return QStringLiteral(
               "監督、主演、公開日、製作国、ジャンル、評価が「未登録」になっていますので必要に応じ"
               "て登録します。") +
           kCrLf +
           QStringLiteral(
               "それぞれ入力後にＥｎｔｅｒキーを押してください。なお一度登録した情報は次からコンボ"
               "リスト選択できます。") +
           kCrLf + kCrLf + QStringLiteral("自己評価はコンボリストから点数を指定します。") + kCrLf +
           QStringLiteral("ソフト所有管理については所有しているソフトにチェックを入れます。") +
           kCrLf + kCrLf +
           QStringLiteral(
               "鑑賞状況も管理したい場合は、鑑賞状況のリストをダブルクリックしてください。") +
           kCrLf + kCrLf +
           QStringLiteral("※管理するのはタイトル名だけでいいや！という方はこのままでＯＫです。");
}

QString pictureHelp() {
    return QStringLiteral("＜画像の表示方法＞") + kCrLf + kCrLf +
           QStringLiteral(
               "①まずはネット上から映画タイトルの画像を取得し任意の場所に保存しておきます。（TSUTAY"
               "Aがお薦め）") +
           kCrLf +
           QStringLiteral(
               "（スキャナをお持ちならそちらでもＯＫですがネット上からのダウンロードがお手軽です。"
               "）") +
           kCrLf + kCrLf +
           QStringLiteral("②画像表示部をクリックすると、画像読み込みのための枠が表示されます。") +
           kCrLf +
           QStringLiteral("ここで①にて取得しておいたファイルを選択して確定ボタンを押すだけ。") +
           kCrLf + kCrLf +
           QStringLiteral(
               "間違った画像を割り付けてしまった場合はもう一度同じ作業を繰り返して正しい画像を取得"
               "してください。");
}
}  // namespace

CardEditing::CardEditing(ScreenHost& host, CardFrame& card)
    : QObject(&card), host_(host), card_(card), cat_(host.catalogue()), prompts_(host.prompts()) {
    const char* names[] = {nullptr, "cboKantoku", "cboSyuen", "cboKuni", "cboJanru"};
    void (CardEditing::*picked[])() = {nullptr, &CardEditing::cboKantoku_Click,
                                       &CardEditing::cboSyuen_Click, &CardEditing::cboKuni_Click,
                                       &CardEditing::cboJanru_Click};
    for (int k = 1; k <= 4; ++k) {
        attributes_[k] = card.findChild<PickCombo*>(QLatin1String(names[k]));
        connect(attributes_[k], &PickCombo::picked, this, picked[k]);
        attributes_[k]->installEventFilter(this);
        attributes_[k]->lineEdit()->installEventFilter(this);
    }
    txtNengetu_ = card.findChild<QLineEdit*>(QStringLiteral("txtNengetu"));
    txtNengetu_->installEventFilter(this);
    cboName_ = card.findChild<QComboBox*>(QStringLiteral("cboName"));

    cboHyouka_ = card.findChild<PickCombo*>(QStringLiteral("cboHyouka"));
    connect(cboHyouka_, &PickCombo::picked, this, &CardEditing::cboHyouka_Click);
    for (int k = 1; k <= kScoreItems; ++k) {
        cboHyouka1_[k] = card.findChild<PickCombo*>(QStringLiteral("cboHyouka1_%1").arg(k));
        connect(cboHyouka1_[k], &PickCombo::picked, this, [this, k] { cboHyouka1_Click(k); });
    }
    for (int k = 1; k <= kOwnershipItems; ++k) {
        chkSyoyu_[k] = card.findChild<QCheckBox*>(QStringLiteral("chkSyoyu_%1").arg(k));
        connect(chkSyoyu_[k], &QCheckBox::clicked, this, [this, k] { chkSyoyu_Click(k); });
    }
}

// Enter in a box stores its value; the key is taken here so that the combo
// does not also report it as a pick from its list.
bool CardEditing::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
    if (watched == txtNengetu_) {
        txtNengetu_KeyPress();
        return true;
    }
    for (int k = 1; k <= 4; ++k) {
        if (watched == attributes_[k] || watched == attributes_[k]->lineEdit()) {
            attributeEntered(k);
            return true;
        }
    }
    return false;
}

bool CardEditing::store(const Title& changed) {
    if (host_.refusesChanges()) return false;
    const int n = card_.current();
    return host_.reportWrite(host_.perform(Changes::editTitle(
        n, cat_.titles()[n], changed, cat_.HyoukaKoumoku, cat_.SyoyuKoumoku)));
}

bool CardEditing::acceptValue(const QString& v) {
    if (v.contains(u'"')) {
        prompts_.message(QStringLiteral("「\"」の文字は使えません。"), kRestricted,
                         Prompts::Icon::Exclamation);
        return false;
    }
    const QString bad = Cp932::firstUnencodable(v);
    if (!bad.isEmpty()) {
        prompts_.message(
            QStringLiteral("「%1」はシフトJISで保存できない文字のため使えません。").arg(bad),
            kRestricted, Prompts::Icon::Exclamation);
        return false;
    }
    return true;
}

void CardEditing::attributePicked(int k) {
    if (cat_.TitleCount() == 0) return;
    Title t = cat_.titles()[card_.current()];
    attributeOf(t, k) = attributes_[k]->currentText();
    store(t);
}

void CardEditing::attributeEntered(int k) {
    if (cat_.TitleCount() == 0) return;
    const QString v = Cp932::toCp932Twins(attributes_[k]->currentText());
    if (v.isEmpty() || !acceptValue(v)) return;
    Title t = cat_.titles()[card_.current()];
    attributeOf(t, k) = v;
    if (!store(t)) return;
    cat_.addAttributeValue(k, v);
    attributes_[k]->setEditText(v);  // the list may have moved under the typed text
    prompts_.beep();
}

void CardEditing::txtNengetu_KeyPress() {
    const QString t = Cp932::toCp932Twins(txtNengetu_->text());
    if (t.isEmpty()) return;
    if (!isDateText(t)) {
        prompts_.message(QStringLiteral("日付の形式ではありません"), QStringLiteral("日付入力違い"),
                         Prompts::Icon::Exclamation);
        return;
    }
    if (cat_.TitleCount() == 0) return;
    Title title = cat_.titles()[card_.current()];
    title.Koukai = t;
    if (!store(title)) return;
    cat_.addReleaseYearMonth(t.left(7));
    // Saved: the box's text is the title's again, and Ctrl+Z there the window's.
    txtNengetu_->setModified(false);
    prompts_.beep();
}

void CardEditing::cboHyouka_Click() {
    if (cat_.TitleCount() == 0) return;
    Title t = cat_.titles()[card_.current()];
    t.Hyouka = cboHyouka_->currentText();
    store(t);
    card_.showFace(CardRules::faceIndex(cboHyouka_->currentText()));
}

void CardEditing::cboHyouka1_Click(int index) {
    if (cat_.TitleCount() == 0) return;
    Title t = cat_.titles()[card_.current()];
    t.HyoukaTen[index] = qint16(cboHyouka1_[index]->currentText().toInt());
    store(t);
    card_.ShowHyoukaBars();
}

void CardEditing::chkSyoyu_Click(int index) {
    if (card_.ShowingTitle || cat_.TitleCount() == 0) return;
    Title t = cat_.titles()[card_.current()];
    t.Syoyu[index] = chkSyoyu_[index]->isChecked() ? kOwned : QString();
    if (!store(t)) {
        card_.ShowingTitle = true;  // the box goes back to what the file holds
        chkSyoyu_[index]->setChecked(!chkSyoyu_[index]->isChecked());
        card_.ShowingTitle = false;
    }
}

QString CardEditing::askNewTitleName() {
    QString proposal;
    for (;;) {
        const QString answer =
            Cp932::toCp932Twins(prompts_.input(QStringLiteral("タイトル名を入力して下さい"),
                                               QStringLiteral("タイトル名入力"), proposal));
        if (answer.isEmpty()) return {};
        QString bad;
        switch (checkNewTitleName(cat_.titles(), answer, &bad)) {
            case NameProblem::None:
                return answer;
            case NameProblem::Forbidden:
                prompts_.message(QStringLiteral("\\ / : , ; * ? < > |　の文字は使えません。"),
                                 kRestricted, Prompts::Icon::Exclamation);
                break;
            case NameProblem::Control:
                prompts_.message(QStringLiteral("タブや改行などの制御文字は使えません。"),
                                 kRestricted, Prompts::Icon::Exclamation);
                proposal = answer;
                break;
            case NameProblem::Unencodable:
                prompts_.message(
                    QStringLiteral("「%1」はシフトJISで保存できない文字のため使えません。")
                        .arg(bad),
                    kRestricted, Prompts::Icon::Exclamation);
                proposal = answer;
                break;
            case NameProblem::TooLong:
                prompts_.message(
                    QStringLiteral(
                        "タイトル名が長すぎます。ファイル名に使えるよう短くして下さい。"),
                    kRestricted, Prompts::Icon::Exclamation);
                proposal = answer;
                break;
            case NameProblem::Duplicate:
                prompts_.message(
                    QStringLiteral("既に同じタイトル名で登録されているものがあります。") + kCrLf +
                        kCrLf +
                        QStringLiteral(
                            "題名の後ろに追番やアーティスト名を入れるなどして区別して下さい"),
                    QStringLiteral("二重登録"), Prompts::Icon::Exclamation);
                proposal = answer;
                break;
        }
    }
}

void CardEditing::cmdNew_Click() {
    if (host_.refusesChanges()) return;
    if (card_.isHidden()) host_.showMainCard();
    host_.showHelpTour(newTitleHelp());
    if (cat_.TitleCount() >= kMaxRecords) {
        prompts_.message(QStringLiteral("タイトルは%1件までしか登録できません。").arg(kMaxRecords),
                         QStringLiteral("登録数の上限"), Prompts::Icon::Exclamation);
        return;
    }
    const QString name = askNewTitleName();
    if (name.isEmpty()) return;
    if (!host_.reportWrite(host_.perform(Changes::addTitle(name)))) return;
    // The lists become what a restart would build: values no title holds any more
    // leave, and typed values the lists missed and new release years join.
    cat_.rebuildListsFromTable();
    host_.titlesChanged();
    card_.showTitleNumber(cat_.TitleCount());
    host_.setGalleryReady(false);
    host_.showHelpTour(afterAddHelp());
    host_.showHelpTour(pictureHelp());
}

void CardEditing::cmdDel_Click() {
    if (host_.refusesChanges()) return;
    const QString n = cboName_->currentText();
    const int k = cat_.titles().find(n);
    if (k == 0) {
        prompts_.message(QStringLiteral("「%1」という名前のタイトルはありません。").arg(n) + kCrLf +
                             kCrLf + QStringLiteral("削除するタイトルを一覧から選び直して下さい。"),
                         QStringLiteral("削除確認"), Prompts::Icon::Exclamation);
        return;
    }
    if (prompts_.message(n + QStringLiteral("のデータを削除していいですか？"),
                         QStringLiteral("削除確認"), Prompts::Icon::Exclamation,
                         Prompts::Buttons::OkCancel, Prompts::Answer::Ok) != Prompts::Answer::Ok)
        return;
    const int count = cat_.TitleCount();
    // The record goes first, then the title's files, to the desktop's trash.
    if (!host_.reportWrite(host_.perform(Changes::deleteTitle(cat_, k)))) return;
    host_.titlesChanged();
    if (cat_.TitleCount() > 0) {
        card_.showTitleNumber(qBound(1, k == count ? k - 1 : k, cat_.TitleCount()));
        host_.setGalleryReady(false);
    } else {
        card_.setCurrent(1);
        card_.clearCard();
    }
}
