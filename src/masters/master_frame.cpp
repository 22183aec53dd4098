#include "master_frame.h"

#include "display_order.h"
#include "fill_window.h"
#include "import/import_action.h"
#include "master_widgets.h"
#include "shell/prompts.h"
#include "shell/screen_host.h"
#include "store/catalogue.h"
#include "store/changes.h"
#include "store/cp932.h"

#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString kCrLf = QStringLiteral("\r\n");
const QString kOkAdvice = QStringLiteral("良かったらＯＫボタンを押してください");
const QString kResetTitle = QStringLiteral("データ削除");
constexpr int kNameBoxWidth = 170;

QLabel* note(const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setWordWrap(true);
    return l;
}

QPushButton* button(const char* name, const QString& caption, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setMinimumHeight(28);
    return b;
}
}  // namespace

MasterFrame::MasterFrame(ScreenHost& host, QWidget* parent) : QFrame(parent), host_(host) {
    setObjectName(QStringLiteral("fraMaster"));
    setFrameShape(QFrame::StyledPanel);
    auto* h = new QHBoxLayout(this);
    h->setContentsMargins(12, 10, 12, 10);
    h->setSpacing(16);

    auto* left = new QVBoxLayout;
    left->addWidget(buildHyoukaGroup());
    left->addWidget(buildSyoyuGroup());
    left->addWidget(buildImportGroup());
    left->addStretch(1);
    h->addLayout(left, 3);

    auto* right = new QVBoxLayout;
    right->addWidget(buildStartGroup());
    right->addSpacing(6);
    right->addWidget(buildOrderPart(), 1);
    h->addLayout(right, 2);

    // Never shown: the initialise operation has no place on the screen, and a
    // hidden button cannot be reached by Tab and Enter by mistake either.
    auto* cmdAllDel = new QPushButton(QStringLiteral("初期化"), this);
    cmdAllDel->setObjectName(QStringLiteral("cmdAllDel"));
    cmdAllDel->setGeometry(-10, -10, 0, 0);
    cmdAllDel->hide();
    connect(cmdAllDel, &QPushButton::clicked, this, &MasterFrame::cmdAllDel_Click);
}

QWidget* MasterFrame::buildHyoukaGroup() {
    auto* box = new QGroupBox(QStringLiteral("評価マスタ"), this);
    auto* g = new QGridLayout(box);
    g->setHorizontalSpacing(6);
    g->setVerticalSpacing(4);
    for (int k = 1; k <= kScoreItems; ++k) {
        txtHyouka_[k] = new QLineEdit(box);
        txtHyouka_[k]->setObjectName(QStringLiteral("txtHyouka_%1").arg(k));
        txtHyouka_[k]->setFixedWidth(kNameBoxWidth);
        g->addWidget(txtHyouka_[k], k - 1, 0);
    }
    auto* line = new QFrame(box);
    line->setFrameShape(QFrame::HLine);
    line->setFixedWidth(18);
    g->addWidget(line, 0, 1);
    g->addWidget(note(QStringLiteral(
                          "１～１００までの評価点数がつけられます。総合評価などの用途が有効です。"),
                      box),
                 0, 2);
    g->addWidget(new NoteBracket(box), 1, 1, kScoreItems - 1, 1);
    g->addWidget(
        note(QStringLiteral(
                 "１～１０までの評価点数がつけられます。感覚的に採点できる項目に有効です。"),
             box),
        1, 2, kScoreItems - 1, 1);
    g->addWidget(note(QStringLiteral("※４文字以内に収めると　　体裁よく表示されます。"), box),
                 kScoreItems, 0, 1, 3);
    auto* save = button("cmdHyoukaHozon", QStringLiteral("保存する"), box);
    connect(save, &QPushButton::clicked, this, &MasterFrame::cmdHyoukaHozon_Click);
    g->addWidget(save, kScoreItems + 1, 0);
    g->setColumnStretch(2, 1);
    return box;
}

QWidget* MasterFrame::buildSyoyuGroup() {
    auto* box = new QGroupBox(QStringLiteral("所有マスタ"), this);
    auto* g = new QGridLayout(box);
    g->setHorizontalSpacing(6);
    g->setVerticalSpacing(4);
    for (int k = 1; k <= kOwnershipItems; ++k) {
        txtSyoyu_[k] = new QLineEdit(box);
        txtSyoyu_[k]->setObjectName(QStringLiteral("txtSyoyu_%1").arg(k));
        txtSyoyu_[k]->setFixedWidth(kNameBoxWidth);
        g->addWidget(txtSyoyu_[k], k - 1, 0);
    }
    auto* notes = new QVBoxLayout;
    notes->setSpacing(2);
    notes->addStretch(1);
    for (const QString& t : {QStringLiteral("ＤＶＤやビデオなどの所有状況に使えます。"),
                             QStringLiteral("所有にこだわらず、貸し出し中の管理など"),
                             QStringLiteral("自由に使えます。")})
        notes->addWidget(new QLabel(t, box));
    notes->addStretch(1);
    g->addLayout(notes, 0, 1, kOwnershipItems, 1);
    // A command button, whatever its name says.
    auto* save = button("lblSyoyuHozon", QStringLiteral("保存する"), box);
    connect(save, &QPushButton::clicked, this, &MasterFrame::lblSyoyuHozon_Click);
    g->addWidget(save, kOwnershipItems, 0);
    g->setColumnStretch(1, 1);
    g->setColumnMinimumWidth(1, 24);
    return box;
}

QWidget* MasterFrame::buildStartGroup() {
    auto* box = new QGroupBox(QStringLiteral("新規データでスタート"), this);
    auto* h = new QHBoxLayout(box);
    auto* cmdSinki = button("cmdSinki", QStringLiteral("新規"), box);
    cmdSinki->setMinimumWidth(80);
    connect(cmdSinki, &QPushButton::clicked, this, &MasterFrame::cmdSinki_Click);
    h->addWidget(cmdSinki);
    h->addWidget(note(QStringLiteral("現在のデータを削除し新規にスタートします。"), box), 1);
    return box;
}

// Beside the screen's own groups, in the room under them.
QWidget* MasterFrame::buildImportGroup() {
    auto* box = new QGroupBox(QStringLiteral("他のソフトから取り込む"), this);
    box->setObjectName(QStringLiteral("fraImport"));
    auto* g = new QGridLayout(box);
    auto* cmdImportCsv = button("cmdImportCsv", QStringLiteral("CSVを取り込む…"), box);
    cmdImportCsv->setFixedWidth(kNameBoxWidth);
    connect(cmdImportCsv, &QPushButton::clicked, this, &MasterFrame::cmdImportCsv_Click);
    g->addWidget(cmdImportCsv, 0, 0);
    g->addWidget(note(QStringLiteral("表計算ソフトや映画サービスの CSV から、"
                                     "タイトルと鑑賞履歴をまとめて登録します。"),
                      box),
                 0, 1);
    auto* cmdFillFromNet = button("cmdFillFromNet", QStringLiteral("ネットから情報を補う…"), box);
    cmdFillFromNet->setFixedWidth(kNameBoxWidth);
    connect(cmdFillFromNet, &QPushButton::clicked, this, &MasterFrame::cmdFillFromNet_Click);
    g->addWidget(cmdFillFromNet, 1, 0);
    g->addWidget(note(QStringLiteral("空いている項目を TMDb や Wikidata で調べて補います。"), box),
                 1, 1);
    g->setColumnStretch(1, 1);
    return box;
}

void MasterFrame::cmdImportCsv_Click() {
    if (host_.refusesChanges()) return;
    if (!CsvImportAction::run(host_)) return;
    // The titles changed: the order list starts again from them.
    order_->fill(host_.catalogue().titles());
    DragIndex = -1;
    markUnapplied(false);
}

void MasterFrame::cmdFillFromNet_Click() {
    if (host_.refusesChanges()) return;
    // One batch at a time: the open window comes to the front as it is.
    if (auto* open = window()->findChild<FillWindow*>(); open) {
        open->show();
        open->raise();
        open->activateWindow();
        return;
    }
    auto* w = new FillWindow(host_, window());
    w->show();
}

QWidget* MasterFrame::buildOrderPart() {
    auto* part = new QWidget(this);
    auto* v = new QVBoxLayout(part);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(4);
    auto* heading = new QLabel(QStringLiteral("タイトルデータ　表示順位微調整"), part);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    v->addWidget(heading);

    order_ = new DisplayOrderModel(this);
    lstBicho_ = new BichoList(part);
    lstBicho_->setObjectName(QStringLiteral("lstBicho"));
    lstBicho_->setModel(order_);
    connect(lstBicho_, &BichoList::mouseDown, this, &MasterFrame::lstBicho_MouseDown);
    connect(lstBicho_, &BichoList::mouseUp, this, &MasterFrame::lstBicho_MouseUp);
    v->addWidget(lstBicho_, 1);

    cmdSortCng2_ = button("cmdSortCng2", QStringLiteral("この順番でメインを並び替える"), part);
    connect(cmdSortCng2_, &QPushButton::clicked, this, &MasterFrame::cmdSortCng2_Click);
    v->addWidget(cmdSortCng2_);
    return part;
}

void MasterFrame::showMasterNames() {
    const Catalogue& cat = host_.catalogue();
    for (int k = 1; k <= kScoreItems; ++k) txtHyouka_[k]->setText(cat.HyoukaKoumoku[k]);
    for (int k = 1; k <= kOwnershipItems; ++k) txtSyoyu_[k]->setText(cat.SyoyuKoumoku[k]);
}

// Redoes its work on every press, also while the screen shows: the list starts
// again from the table, dropping moves not yet applied.
void MasterFrame::cmdMaster_Click() {
    // The boxes take the names once; from then on they keep what the user typed,
    // saved or not, until the program ends.
    if (!std::exchange(namesShown_, true)) showMasterNames();
    order_->fill(host_.catalogue().titles());
    DragIndex = -1;
    host_.HideAllFrames();
    show();
    host_.showHelpTour(
        QStringLiteral("サンプルデータを削除して自分のデータとしてスタートさせたり") + kCrLf +
        QStringLiteral("評価項目マスタや所有マスタの編集ができます。") + kCrLf + kCrLf +
        QStringLiteral("またタイトルの表示順を変更することができます。") + kCrLf);
}

bool MasterFrame::confirm(const QString& question, const QString& title) {
    return host_.prompts().message(question + kCrLf + kCrLf + kOkAdvice, title,
                                   Prompts::Icon::Exclamation, Prompts::Buttons::OkCancel,
                                   Prompts::Answer::Ok) == Prompts::Answer::Ok;
}

namespace {
// The names as they will be stored: the look-alikes an input method types are
// turned into the characters the files can hold, in the box as well.
template <std::size_t N>
std::array<QString, N> namesFrom(const std::array<QLineEdit*, N>& boxes) {
    std::array<QString, N> names;
    for (std::size_t k = 1; k < N; ++k) {
        names[k] = Cp932::toCp932Twins(boxes[k]->text());
        if (names[k] != boxes[k]->text()) boxes[k]->setText(names[k]);
    }
    return names;
}
}  // namespace

void MasterFrame::cmdHyoukaHozon_Click() {
    if (host_.refusesChanges()) return;
    if (!confirm(QStringLiteral("表示中の評価項目で保存してよろしいですか？"),
                 QStringLiteral("評価項目変更確認")))
        return;
    // On a refused name or a failed write the masters keep their names, and so do
    // the labels; the boxes keep the text for another try.
    if (!host_.reportWrite(host_.perform(
            Changes::renameHyoukaItems(host_.catalogue().HyoukaKoumoku, namesFrom(txtHyouka_)))))
        return;
    // What was stored: a name changed elsewhere meanwhile joins the user's.
    for (int k = 1; k <= kScoreItems; ++k)
        txtHyouka_[k]->setText(host_.catalogue().HyoukaKoumoku[k]);
    host_.itemNamesChanged();
}

void MasterFrame::lblSyoyuHozon_Click() {
    if (host_.refusesChanges()) return;
    if (!confirm(QStringLiteral("表示中の所有項目で保存してよろしいですか？"),
                 QStringLiteral("所有項目変更確認")))
        return;
    if (!host_.reportWrite(host_.perform(
            Changes::renameSyoyuItems(host_.catalogue().SyoyuKoumoku, namesFrom(txtSyoyu_)))))
        return;
    for (int k = 1; k <= kOwnershipItems; ++k)
        txtSyoyu_[k]->setText(host_.catalogue().SyoyuKoumoku[k]);
    host_.itemNamesChanged();
}

void MasterFrame::lstBicho_MouseDown(int row) { DragIndex = row; }

void MasterFrame::lstBicho_MouseUp(int row) {
    const int from = std::exchange(DragIndex, -1);
    const int landed = order_->dropOnto(from, row);
    if (landed < 0) return;
    lstBicho_->setCurrentIndex(order_->index(landed));
    markUnapplied(true);
}

void MasterFrame::markUnapplied(bool unapplied) {
    QPalette pal;  // empty: the button face of the style
    if (unapplied) {
        pal = cmdSortCng2_->palette();
        pal.setColor(QPalette::Button, unappliedColour());
    }
    cmdSortCng2_->setPalette(pal);
}

void MasterFrame::cmdSortCng2_Click() {
    if (host_.refusesChanges()) return;
    if (!confirm(QStringLiteral("表示順位微調整リストの順番でメインのデータも並び替えますか？"),
                 QStringLiteral("メイン並び替え確認")))
        return;
    Catalogue& cat = host_.catalogue();
    // Refused (the list no longer names every title once) or not written: the
    // file keeps the old order, the list its moves and the button its colour.
    if (!host_.reportWrite(host_.perform(
            Changes::reorder(cat, order_->stringList(), QStringLiteral("表示順の変更")))))
        return;
    host_.titlesChanged();  // the catalogue relisted the titles in their new order
    // Through the last title to the first, so that the card shows title 1 anew.
    if (cat.TitleCount() > 1) host_.setCurrentTitle(cat.TitleCount());
    host_.setCurrentTitle(1);
    markUnapplied(false);
    host_.setGalleryReady(false);
    host_.prompts().message(QStringLiteral("並び替えた順番をメインの順番に反映させました。"),
                            QStringLiteral("並び替え完了"), Prompts::Icon::Information);
}

void MasterFrame::cmdSinki_Click() {
    resetCollection(
        ResetKind::NewStart,
        QStringLiteral("現在登録されているデータを全てクリアして新規スタートしますか？"));
}

void MasterFrame::cmdAllDel_Click() {
    resetCollection(ResetKind::Initialise,
                    QStringLiteral("現在登録されているデータを全てクリアしますか？"));
}

void MasterFrame::resetCollection(ResetKind kind, const QString& question) {
    if (host_.refusesChanges()) return;
    Prompts& prompts = host_.prompts();
    if (prompts.message(question, QStringLiteral("タイトル全データ削除確認"),
                        Prompts::Icon::Question, Prompts::Buttons::YesNo,
                        Prompts::Answer::No) != Prompts::Answer::Yes)
        return;
    ResetOutcome out;
    {
        BusyPointer busy(prompts);
        // Files changed elsewhere are read first, so that the copies kept beside
        // the emptied files hold what they hold now.
        host_.catalogue().reloadChangedFiles();
        out = CollectionReset::run(host_.catalogue(), kind, QDateTime::currentDateTime());
    }
    if (!out.done()) {
        prompts.message(out.refused, kResetTitle, Prompts::Icon::Critical);
        return;
    }
    reportLeftovers(out);
    if (kind == ResetKind::NewStart)
        prompts.message(
            QStringLiteral(
                "データを削除しました。評価項目と所有項目は必要に応じて変更してください。"),
            kResetTitle, Prompts::Icon::Information);
    prompts.message(QStringLiteral("一旦プログラムを終了しますので再起動してください。"),
                    kResetTitle, Prompts::Icon::Information);
    host_.endProgram();
}

// The collection is gone either way; what stayed behind is told, not hidden.
void MasterFrame::reportLeftovers(const ResetOutcome& out) {
    if (out.notEmptied.isEmpty() && out.notDeleted.isEmpty()) return;
    QStringList lines;
    if (!out.notEmptied.isEmpty())
        lines << QStringLiteral("次のファイルを空にできませんでした。") << out.notEmptied;
    if (!out.notDeleted.isEmpty()) {
        constexpr int kShown = 20;
        lines << QStringLiteral("次のファイルを削除できませんでした。")
              << out.notDeleted.mid(0, kShown);
        if (out.notDeleted.size() > kShown)
            lines << QStringLiteral("ほか %1 件").arg(out.notDeleted.size() - kShown);
    }
    host_.prompts().message(lines.join(kCrLf), kResetTitle, Prompts::Icon::Exclamation);
}
