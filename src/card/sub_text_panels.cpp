// The cast, synopsis and memo panels of the card: loading and saving their texts.
#include "card_frame.h"

#include "card/file_names_model.h"
#include "card/picture_import_frame.h"
#include "card/sub_texts.h"
#include "shell/prompts.h"
#include "store/catalogue.h"
#include "store/changes.h"
#include "store/cp932.h"
#include "store/title_name.h"

#include <QComboBox>
#include <QListView>
#include <QPlainTextEdit>
#include <QStringListModel>
#include <QTimer>

namespace {
const QString kRestricted = QStringLiteral("入力制限");
const QString kKinds[] = {QString(), QStringLiteral("キャスト"), QStringLiteral("あらすじ"),
                          QStringLiteral("感想・メモ")};
}  // namespace

void CardFrame::LoadSubTexts() {
    for (int k = 1; k <= 3; ++k) loadSubText(k);
}

void CardFrame::loadSubText(int k) {
    if (cat_.TitleCount() == 0) return;
    const QString name = SubTexts::fileName(k, cat_.titles()[current()].Daimei);
    QString text;
    bool fresh = false;
    const QString problem = cat_.readFreeText(name, &text, &fresh);
    readName_[k] = name;
    readText_[k] = text;
    text = SubTexts::fromCrLf(SubTexts::fromFile(text));
    QPlainTextEdit* box = txtSubData_[k];
    const auto wrap = SubTexts::longestLine(text) > SubTexts::kLongLine
                          ? QTextOption::WrapAnywhere
                          : QTextOption::WrapAtWordBoundaryOrAnywhere;
    if (box->wordWrapMode() != wrap) {
        box->clear();  // a new mode lays out the old text again, which may be the long one
        box->setWordWrapMode(wrap);
    }
    box->setPlainText(text);
    if (problem.isEmpty() || !fresh) return;
    // Told once per file and problem. During start-up the box waits until the
    // window is on the screen, like the other start-up reports.
    const QString title = kKinds[k] + QStringLiteral("の読み込み");
    if (window()->isVisible()) {
        prompts_.message(problem, title, Prompts::Icon::Exclamation);
    } else {
        QTimer::singleShot(0, this, [this, problem, title] {
            prompts_.message(problem, title, Prompts::Icon::Exclamation);
        });
    }
}

void CardFrame::saveSubText(int k) {
    const QString title = Cp932::toCp932Twins(cboName_->currentText());
    // The typed title becomes part of a file name: it must not reach outside the folder.
    if (const QString problem = PictureImport::titleProblem(title); !problem.isEmpty()) {
        prompts_.message(QStringLiteral("このタイトル名では保存できません。\r\n\r\n") + problem,
                         kRestricted, Prompts::Icon::Exclamation);
        return;
    }
    const QString name = SubTexts::fileName(k, title);
    const QString text = Cp932::toCp932Twins(SubTexts::toCrLf(txtSubData_[k]->toPlainText()));
    if (!text.isEmpty() && !acceptText(text, QStringLiteral("入力した文章"), true)) return;
    // What the file holds now, for undo: as read for the panel, or read now when
    // the text goes to another title's file.
    QString before;
    if (cat_.dir().actualName(name) == cat_.dir().actualName(readName_[k]))
        before = readText_[k];
    else
        cat_.readFreeText(name, &before);
    // An empty text removes the file; one not read whole is never removed, as part
    // of it was not shown.
    const QString fileText = text.isEmpty() ? QString() : SubTexts::toFile(text);
    const QString problem =
        perform(Changes::saveFreeText(name, before, fileText, title));
    if (!problem.isEmpty()) {
        prompts_.message(problem, QStringLiteral("保存できません"), Prompts::Icon::Critical);
        return;
    }
    if (cat_.dir().actualName(name) == cat_.dir().actualName(readName_[k])) readText_[k] = fileText;
    refreshFileLists();
}

void CardFrame::refreshFileLists() {
    for (int k = 1; k <= 3; ++k) static_cast<FileNamesModel*>(fileLists_[k]->model())->refresh();
}
