// The card's right-click menu: the steps of the undo history by name, and the
// shown title printed or written as PDF.
#include "card_frame.h"

#include "card/card_rules.h"
#include "card/lookup_window.h"
#include "shell/flex_grid.h"
#include "shell/grid_export.h"
#include "shell/grid_print.h"
#include "shell/picture_reader.h"
#include "shell/prompts.h"
#include "shell/score_colours.h"
#include "store/catalogue.h"
#include "store/changes.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QShortcut>

namespace {
// The poster is printed from its file at about this size, not from the card's box.
const QSize kPrintedPoster(1200, 1800);

// "元に戻す：監督の変更 「甲」（Ctrl+Z）", or without a step "元に戻す（Ctrl+Z）", disabled.
QAction* addStep(QMenu* menu, const QString& verb, const QString& step, const QString& keys,
                 const std::function<void()>& move) {
    QString text = verb;
    if (!step.isEmpty()) text += u'：' + QString(step).replace(u'&', QStringLiteral("&&"));
    QAction* a = menu->addAction(text + u'（' + keys + u'）');
    a->setEnabled(!step.isEmpty() && move);
    if (move) QObject::connect(a, &QAction::triggered, menu, move);
    return a;
}
}  // namespace

void CardFrame::contextMenuEvent(QContextMenuEvent* event) {
    // A panel laid over the card (the picture import) has a surface of its own.
    for (QWidget* w = childAt(event->pos()); w && w != this; w = w->parentWidget()) {
        if (w->inherits("PictureImportFrame")) {
            event->ignore();
            return;
        }
    }
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("mnuCard"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    addStep(menu, QStringLiteral("元に戻す"), steps_.undoText ? steps_.undoText() : QString(),
            QStringLiteral("Ctrl+Z"), steps_.undo);
    addStep(menu, QStringLiteral("やり直す"), steps_.redoText ? steps_.redoText() : QString(),
            QStringLiteral("Ctrl+Shift+Z"), steps_.redo);
    menu->addSeparator();
    const bool any = cat_.TitleCount() > 0;
    QAction* print = menu->addAction(QStringLiteral("このタイトルを印刷…"));
    print->setEnabled(any);
    connect(print, &QAction::triggered, this, &CardFrame::printTitle);
    QAction* pdf = menu->addAction(QStringLiteral("このタイトルをPDFに書き出す…"));
    pdf->setEnabled(any);
    connect(pdf, &QAction::triggered, this, &CardFrame::exportTitlePdf);
    menu->addSeparator();
    QAction* lookup = menu->addAction(QStringLiteral("ネットで調べる…"));
    lookup->setObjectName(QStringLiteral("actLookup"));
    lookup->setEnabled(any);
    connect(lookup, &QAction::triggered, this, &CardFrame::openLookup);
    menu->popup(event->globalPos());
    event->accept();
}

QShortcut* CardFrame::makeLookupKey() {
    auto* key = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this);
    key->setObjectName(QStringLiteral("shortcutLookup"));
    key->setContext(Qt::WidgetWithChildrenShortcut);
    connect(key, &QShortcut::activated, this, &CardFrame::openLookup);
    return key;
}

void CardFrame::openLookup() {
    if (cat_.TitleCount() == 0) return;
    const Title& t = cat_.titles()[current()];
    // One lookup at a time: a window for another title gives way to this one.
    if (auto* open = window()->findChild<LookupWindow*>(); open) {
        open->close();
        delete open;
    }
    auto* w = new LookupWindow(
        cat_, t.Daimei, t.Koukai,
        [this](std::unique_ptr<Change> c) { return perform(std::move(c)); },
        [this] {
            ShowTitle();
            LoadSubTexts();
            refreshFileLists();
        },
        window());
    w->show();
}

CardPrint::Card CardFrame::printedCard() const {
    CardPrint::Card card;
    if (cat_.TitleCount() == 0) return card;
    const Title& t = cat_.titles()[current()];
    card.name = t.Daimei;
    card.fields = {{QStringLiteral("監督"), t.Kantoku},   {QStringLiteral("主演"), t.Syuen},
                   {QStringLiteral("公開日"), t.Koukai},  {QStringLiteral("国"), t.Kuni},
                   {QStringLiteral("ジャンル"), t.Janru}, {QStringLiteral("評価"), t.Hyouka}};
    for (int k = 1; k <= kScoreItems; ++k)
        card.scores.append({cat_.HyoukaKoumoku[k], t.HyoukaTen[k],
                            CardRules::litCells(k, t.HyoukaTen[k]), ScoreColours::of(k).lit});
    for (int k = 1; k <= kOwnershipItems; ++k)
        card.ownership.append({cat_.SyoyuKoumoku[k], t.Syoyu[k] == kOwned});
    for (int r = 1; r < msgKansyou_->Rows(); ++r)
        card.viewings.append({msgKansyou_->TextMatrix(r, 0) + QStringLiteral("回"),
                              msgKansyou_->TextMatrix(r, 1), msgKansyou_->TextMatrix(r, 2)});
    const QString captions[] = {
        {}, QStringLiteral("キャスト"), QStringLiteral("あらすじ"), QStringLiteral("感想・メモ")};
    // As the panels show them.
    for (int k = 1; k <= 3; ++k) card.texts.append({captions[k], txtSubData_[k]->toPlainText()});
    // The picture on the card, read again from its file at the size of paper.
    const QPixmap shown = imgGazou_->pixmap();
    if (shown.isNull()) return card;
    if (shown.cacheKey() == lastPicture_.pixmap.cacheKey()) {
        const PictureReader::Picture p =
            PictureReader::readToFit(lastPicture_.path, kPrintedPoster);
        if (p.ok()) card.poster = p.image;
    }
    if (card.poster.isNull()) card.poster = shown.toImage();
    return card;
}

void CardFrame::printTitle() {
    BusyPointer busy(prompts_);
    const CardPrint::Card card = printedCard();
    GridPrint::openPreview(
        card.name, false, [card](QPrinter* printer) { CardPrint::paint(*printer, card); },
        window());
}

void CardFrame::exportTitlePdf() {
    const CardPrint::Card card = printedCard();
    QString stem = card.name;
    stem.replace(u'/', u'_');
    const QString path = prompts_.saveFileName(QStringLiteral("このタイトルをPDFに書き出す"),
                                               QDir::home().filePath(stem + QStringLiteral(".pdf")),
                                               QStringLiteral("PDF (*.pdf)"));
    if (path.isEmpty()) return;
    QByteArray bytes;
    {
        BusyPointer busy(prompts_);
        bytes = CardPrint::pdf(card);
    }
    GridExport::writeFile(prompts_, path, bytes);
}
