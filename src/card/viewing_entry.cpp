// The card's viewings: the grid of the title's viewings, entering one, and
// correcting or deleting one from the grid's menu.
#include "card_frame.h"

#include "shell/flex_grid.h"
#include "shell/pick_combo.h"
#include "shell/prompts.h"
#include "store/catalogue.h"
#include "store/changes.h"
#include "store/cp932.h"
#include "store/date_text.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>

namespace {
const QString kCorrect = QStringLiteral("この鑑賞記録を修正…");
const QString kDelete = QStringLiteral("この鑑賞記録を削除");
}  // namespace

void CardFrame::ShowKansyouRireki() {
    const KansyouTable& table = cat_.kansyou();
    shownViewings_ = table.viewingsOf(cboName_->currentText());
    QVector<QStringList> rows;
    rows.reserve(shownViewings_.size());
    for (int i = 0; i < shownViewings_.size(); ++i) {
        const QString& d = table[shownViewings_[i]].Kansyoubi;
        const auto date = parseDateText(d);
        const QString shown = date && date->day != 0 ? date->full().mid(2) : d;  // YY/MM/DD
        rows.append({QString::number(i + 1), shown, table[shownViewings_[i]].KansyouNaiyou});
    }
    msgKansyou_->grid()->setBody(std::move(rows));
}

void CardFrame::msgKansyou_DblClick() {
    correcting_ = 0;
    txtKansyoubi_->setText(clock_.today().toString(QStringLiteral("yyyy/MM/dd")));
    fraRirekiHozon_->show();
}

void CardFrame::cmdYame1_Click() {
    correcting_ = 0;
    fraRirekiHozon_->hide();
}

bool CardFrame::closeViewingEntry() {
    if (fraRirekiHozon_->isHidden()) return false;
    cmdYame1_Click();
    return true;
}

void CardFrame::msgKansyou_ContextMenu(const QPoint& at) {
    const QModelIndex index = msgKansyou_->indexAt(at);
    const int row = index.isValid() ? index.row() + 1 : 0;
    if (row < 1 || row > shownViewings_.size()) return;
    auto* menu = new QMenu(msgKansyou_);
    menu->setObjectName(QStringLiteral("mnuKansyou"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    connect(menu->addAction(kCorrect), &QAction::triggered, this, [this, row] { correctViewing(row); });
    connect(menu->addAction(kDelete), &QAction::triggered, this, [this, row] { deleteViewing(row); });
    menu->popup(msgKansyou_->viewport()->mapToGlobal(at));
}

void CardFrame::correctViewing(int row) {
    if (row < 1 || row > shownViewings_.size()) return;
    correcting_ = shownViewings_[row - 1];
    const Kansyou& k = cat_.kansyou()[correcting_];
    correctingRecord_ = k;
    txtKansyoubi_->setText(k.Kansyoubi.text());
    cboKansyou_->setEditText(k.KansyouNaiyou.text());
    fraRirekiHozon_->show();
}

void CardFrame::deleteViewing(int row) {
    if (row < 1 || row > shownViewings_.size()) return;
    const int i = shownViewings_[row - 1];
    if (prompts_.message(QStringLiteral("この鑑賞記録を削除していいですか？"),
                         QStringLiteral("削除確認"), Prompts::Icon::Exclamation,
                         Prompts::Buttons::OkCancel, Prompts::Answer::Ok) != Prompts::Answer::Ok)
        return;
    const QString problem = perform(Changes::deleteViewing(cat_, i));
    if (!problem.isEmpty()) {
        prompts_.message(problem + QStringLiteral("\r\n\r\n鑑賞履歴は変更されていません。"),
                         QStringLiteral("保存できません"), Prompts::Icon::Critical);
        return;
    }
    emit historySaved();
    ShowKansyouRireki();
}

void CardFrame::cmdRirekiHozon_Click() {
    const QString missing = QStringLiteral("入力漏れ");
    if (txtKansyoubi_->text().isEmpty()) {
        prompts_.message(QStringLiteral("鑑賞日が入力されていません"), missing,
                         Prompts::Icon::Exclamation);
        return;
    }
    if (cboKansyou_->currentText().isEmpty()) {
        prompts_.message(QStringLiteral("鑑賞内容が入力されていません"), missing,
                         Prompts::Icon::Exclamation);
        return;
    }
    const auto date = parseDateText(txtKansyoubi_->text());
    if (!date) {
        prompts_.message(QStringLiteral("日付の形式ではありません"), QStringLiteral("日付入力違い"),
                         Prompts::Icon::Exclamation);
        return;
    }
    // A corrected viewing stays the viewing of its own title.
    const QString title =
        correcting_ ? correctingRecord_.KansyouDaimei.text() : cboName_->currentText();
    const Kansyou k{date->full(), Cp932::toCp932Twins(title),
                    Cp932::toCp932Twins(cboKansyou_->currentText())};
    if (!acceptText(k.KansyouDaimei, QStringLiteral("タイトル名"), false) ||
        !acceptText(k.KansyouNaiyou, QStringLiteral("鑑賞内容"), false))
        return;
    const QString problem =
        perform(correcting_ ? Changes::correctViewing(cat_, correcting_, correctingRecord_, k)
                            : Changes::addViewing(k));
    if (!problem.isEmpty()) {
        prompts_.message(problem + QStringLiteral("\r\n\r\n鑑賞履歴は保存されていません。"),
                         QStringLiteral("保存できません"), Prompts::Icon::Critical);
        return;
    }
    correcting_ = 0;
    emit historySaved();
    ShowKansyouRireki();
    fraRirekiHozon_->hide();
}
