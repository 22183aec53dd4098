#include "fill_window.h"

#include "card/lookup_settings.h"
#include "lookup/lookup_config.h"
#include "lookup/lookup_network.h"
#include "lookup/poster_client.h"
#include "lookup/source_choice.h"
#include "lookup/tmdb_key.h"
#include "shell/pick_combo.h"
#include "shell/prompts.h"
#include "shell/screen_host.h"
#include "store/catalogue.h"
#include "store/changes.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
const QString kErrorStyle = QStringLiteral("color: #b00020;");

// The short fields with their values; the long ones (cast, synopsis, poster)
// by name only, so that a row stays one line.
QString writesInBrief(const FillProposal& p) {
    QStringList parts;
    for (const auto& [field, value] : p.writes()) {
        const bool longField = field == QStringLiteral("キャスト") ||
                               field == QStringLiteral("あらすじ") ||
                               field == QStringLiteral("ポスター");
        parts << (longField ? field : field + QStringLiteral(" ") + value);
    }
    return parts.join(QStringLiteral("／"));
}

// Every field with its value, a line each; a long text by its first line.
QString writesInFull(const FillProposal& p) {
    QStringList lines;
    for (const auto& [field, value] : p.writes()) {
        QString v = value.trimmed();
        if (const qsizetype cut = v.indexOf(u'\r'); cut >= 0)
            v = v.left(cut) + QStringLiteral(" …");
        if (const qsizetype cut = v.indexOf(u'\n'); cut >= 0)
            v = v.left(cut) + QStringLiteral(" …");
        lines << field + QStringLiteral("：") + v;
    }
    return lines.join(u'\n');
}

QString candidateText(const Candidate& c) {
    QStringList parts{c.title};
    if (!c.originalTitle.isEmpty() && c.originalTitle != c.title) parts << c.originalTitle;
    if (c.year > 0) parts << QStringLiteral("%1年").arg(c.year);
    if (!c.director.isEmpty()) parts << c.director;
    return parts.join(QStringLiteral(" ／ "));
}

QTableWidgetItem* cell(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}
}  // namespace

FillWindow::FillWindow(ScreenHost& host, QWidget* parent)
    : QWidget(parent, Qt::Window), host_(host), network_(std::make_unique<LookupNetwork>()) {
    setObjectName(QStringLiteral("frmFill"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("ネットから情報を補う"));
    resize(1000, 600);
    showTimer_.setSingleShot(true);
    showTimer_.setInterval(100);
    connect(&showTimer_, &QTimer::timeout, this, &FillWindow::showAnswers);

    posters_ = new PosterClient(*network_, this);

    auto* v = new QVBoxLayout(this);
    count_ = new QLabel(this);
    count_->setObjectName(QStringLiteral("lblFillCount"));
    count_->setWordWrap(true);
    v->addWidget(count_);

    auto* line = new QHBoxLayout;
    startButton_ = new QPushButton(QStringLiteral("開始"), this);
    startButton_->setObjectName(QStringLiteral("cmdFillStart"));
    cancelButton_ = new QPushButton(QStringLiteral("中止"), this);
    cancelButton_->setObjectName(QStringLiteral("cmdFillCancel"));
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("prgFill"));
    progress_->setFormat(QStringLiteral("%v / %m"));
    progress_->setRange(0, 1);
    progress_->setValue(0);
    line->addWidget(startButton_);
    line->addWidget(cancelButton_);
    // The TMDb key, as from the card's lookup: a user filling the collection
    // need not go to a card first.
    auto* settings = new QPushButton(QStringLiteral("設定…"), this);
    settings->setObjectName(QStringLiteral("cmdFillSettings"));
    connect(settings, &QPushButton::clicked, this, &FillWindow::openSettings);
    line->addWidget(progress_, 1);
    line->addWidget(settings);
    v->addLayout(line);
    connect(startButton_, &QPushButton::clicked, this, &FillWindow::start);
    connect(cancelButton_, &QPushButton::clicked, this, &FillWindow::cancel);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("lblFillStatus"));
    status_->setWordWrap(true);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    v->addWidget(status_);

    // Rows come one by one as the answers do; nothing is laid out again over
    // the whole table, so that a thousand titles cost no more per answer than ten.
    table_ = new QTableWidget(0, ColumnCount, this);
    table_->setObjectName(QStringLiteral("tblFill"));
    table_->setHorizontalHeaderLabels({QStringLiteral("タイトル"), QStringLiteral("状態"),
                                       QStringLiteral("補う項目"), QStringLiteral("候補")});
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setWordWrap(false);
    table_->setColumnWidth(ColTitle, 180);
    table_->setColumnWidth(ColState, 110);
    table_->setColumnWidth(ColCandidates, 280);
    table_->horizontalHeader()->setSectionResizeMode(ColWrites, QHeaderView::Stretch);
    v->addWidget(table_, 1);

    auto* bottom = new QHBoxLayout;
    resolveButton_ = new QPushButton(QStringLiteral("選んだ候補を調べる"), this);
    resolveButton_->setObjectName(QStringLiteral("cmdFillResolve"));
    applyButton_ = new QPushButton(QStringLiteral("反映"), this);
    applyButton_->setObjectName(QStringLiteral("cmdFillApply"));
    bottom->addWidget(resolveButton_);
    bottom->addStretch(1);
    bottom->addWidget(applyButton_);
    v->addLayout(bottom);
    connect(resolveButton_, &QPushButton::clicked, this, &FillWindow::resolve);
    connect(applyButton_, &QPushButton::clicked, this, &FillWindow::apply);

    attribution_ = new QLabel(
        QStringLiteral("This product uses the TMDB API but is not endorsed or certified by TMDB"),
        this);
    attribution_->setObjectName(QStringLiteral("lblFillAttribution"));
    attribution_->setStyleSheet(QStringLiteral("color: #555;"));
    v->addWidget(attribution_);

    // The environment's key at once; one kept in the secret store when it comes.
    key_ = wantedKey_ = tmdbKeyFromEnvironment();
    makeSource();
    TmdbKey::instance().fetch(this, [this](const QString& key) { useKey(key); });
    listTitles();
    updateButtons();
}

FillWindow::~FillWindow() {
    // The batch goes before the clients it drives, and they before their network.
    delete batch_;
    delete source_;
    delete posters_;
}

void FillWindow::closeEvent(QCloseEvent* event) {
    if (batch_->running()) batch_->cancel();
    event->accept();
}

void FillWindow::makeSource() {
    delete batch_;
    delete source_;
    source_ =
        makeFilmSource(*network_, LookupAddresses::fromEnvironment(), key_, {}, this).release();
    batch_ = new BatchLookup(*source_, posters_, this);
    connect(batch_, &BatchLookup::answered, this, &FillWindow::takeAnswer);
    connect(batch_, &BatchLookup::progress, this, &FillWindow::takeProgress);
    connect(batch_, &BatchLookup::finished, this, &FillWindow::takeFinished);
    connect(batch_, &BatchLookup::waiting, this, [this](int ms) {
        setStatus(
            QStringLiteral("混み合っています。%1秒待ってから続けます…").arg((ms + 999) / 1000));
    });
    // TMDb's terms ask every program that uses it to say so where its data shows.
    attribution_->setVisible(source_->sourceName() == QLatin1String("tmdb"));
}

// The candidates' ids are the service's own: once a round began, the service
// stays the one that answered it until the next 開始, whatever key comes later.
void FillWindow::useKey(const QString& key) {
    wantedKey_ = key;
    if (key == key_ || round_ != Round::None) return;
    key_ = key;
    makeSource();
}

void FillWindow::openSettings() {
    if (auto* open = findChild<LookupSettings*>(); open) {
        open->raise();
        open->activateWindow();
        return;
    }
    auto* settings = new LookupSettings(this);
    connect(settings, &LookupSettings::keyChanged, this, [this] {
        TmdbKey::instance().fetch(this, [this](const QString& key) { useKey(key); });
    });
    settings->show();
}

void FillWindow::listTitles() {
    Catalogue& cat = host_.catalogue();
    needs_ = titlesToFill(cat);
    lists_ = pickListsOf(cat);
    count_->setText(
        needs_.isEmpty()
            ? QStringLiteral("空いている項目のあるタイトルはありません。")
            : QStringLiteral("空いている項目のあるタイトル：%1件。監督・主演・公開日・国・"
                             "ジャンル・キャスト・あらすじ・ポスターのうち、空いているものだけを"
                             "補います。")
                  .arg(needs_.size()));
}

void FillWindow::start() {
    if (batch_->running()) return;
    // A key saved since the last round: this round asks with it.
    if (wantedKey_ != key_ && round_ != Round::None) {
        key_ = wantedKey_;
        makeSource();
    }
    listTitles();
    rows_.clear();
    unshown_.clear();
    resolving_.clear();
    table_->setRowCount(0);
    if (needs_.isEmpty()) {
        updateButtons();
        return;
    }
    QVector<BatchQuery> queries;
    queries.reserve(needs_.size());
    for (const FillNeed& n : std::as_const(needs_)) queries.append({n.name, n.year, n.Poster, {}});
    rows_.reserve(needs_.size());
    round_ = Round::First;
    setStatus(QStringLiteral("調べています…"));
    batch_->start(std::move(queries));
    updateButtons();
}

void FillWindow::cancel() {
    if (batch_->running()) batch_->cancel();
}

void FillWindow::resolve() {
    if (batch_->running()) return;
    resolving_.clear();
    QVector<BatchQuery> queries;
    for (int r = 0; r < rows_.size(); ++r) {
        const Row& row = rows_[r];
        if (row.chosenId.isEmpty() || row.applied) continue;
        resolving_.append(r);
        queries.append({row.need.name, row.need.year, row.need.Poster, row.chosenId});
    }
    if (queries.isEmpty()) return;
    round_ = Round::Resolve;
    setStatus(QStringLiteral("選んだ候補を調べています…"));
    batch_->start(std::move(queries));
    updateButtons();
}

void FillWindow::takeAnswer(int index, const BatchAnswer& answer) {
    int r = -1;
    if (round_ == Round::First) {
        r = int(rows_.size());
        Row row;
        row.need = needs_.value(index);
        row.kind = answer.kind;
        row.candidates = answer.candidates;
        row.error = answer.error.message;
        rows_.append(std::move(row));
    } else {
        r = resolving_.value(index, -1);
        if (r < 0) return;
        Row& row = rows_[r];
        row.error = answer.error.message;
        // A pick that failed stays picked, to be asked again; one found is done.
        if (answer.kind == BatchAnswer::Kind::Found) {
            row.kind = answer.kind;
            row.chosenId.clear();
        }
    }
    Row& row = rows_[r];
    if (answer.kind == BatchAnswer::Kind::Found)
        row.proposal = proposeFill(row.need, answer.film, lists_, answer.poster);
    unshown_.append(r);
    showSoon();
}

void FillWindow::showSoon() {
    if (!showTimer_.isActive()) showTimer_.start();
}

// The answers since the last turn, shown at once: a server that answers in a
// millisecond would otherwise have the table and the bar painted a thousand
// times a second, which costs more than the lookup itself.
void FillWindow::showAnswers() {
    showTimer_.stop();
    if (table_->rowCount() < rows_.size()) table_->setRowCount(int(rows_.size()));
    for (int r : std::as_const(unshown_)) showRow(r);
    unshown_.clear();
    progress_->setRange(0, qMax(total_, 1));
    progress_->setValue(done_);
}

void FillWindow::showRow(int r) {
    const Row& row = rows_[r];
    if (!table_->item(r, ColTitle)) {
        table_->setItem(r, ColTitle, cell(row.need.name));
        table_->setItem(r, ColState, cell({}));
        table_->setItem(r, ColWrites, cell({}));
        table_->setItem(r, ColCandidates, cell({}));
    }
    const bool found = row.kind == BatchAnswer::Kind::Found;
    const bool offered = found && !row.applied && !row.proposal.empty();
    QString state;
    if (row.applied)
        state = QStringLiteral("反映済み");
    else if (!row.error.isEmpty())
        state = QStringLiteral("失敗: ") + row.error;
    else if (found)
        state = offered ? QStringLiteral("補える") : QStringLiteral("補える項目なし");
    else if (row.kind == BatchAnswer::Kind::Uncertain)
        state = QStringLiteral("要確認");
    else
        state = QStringLiteral("見つからず");
    table_->item(r, ColState)->setText(state);
    table_->item(r, ColState)->setToolTip(row.error);
    // A failure's message has the room of the fields it could not propose.
    const int stateSpan = row.error.isEmpty() || row.applied ? 1 : 2;
    if (table_->columnSpan(r, ColState) != stateSpan) table_->setSpan(r, ColState, 1, stateSpan);
    if (found) {
        table_->item(r, ColWrites)->setText(writesInBrief(row.proposal));
        table_->item(r, ColWrites)->setToolTip(writesInFull(row.proposal));
    }
    QTableWidgetItem* title = table_->item(r, ColTitle);
    if (offered && !(title->flags() & Qt::ItemIsUserCheckable)) {
        title->setFlags(title->flags() | Qt::ItemIsUserCheckable);
        title->setCheckState(Qt::Checked);
    } else if (!offered && (title->flags() & Qt::ItemIsUserCheckable)) {
        title->setFlags(title->flags() & ~Qt::ItemIsUserCheckable);
        title->setData(Qt::CheckStateRole, QVariant());
    }
    if (row.kind == BatchAnswer::Kind::Uncertain) {
        offerCandidates(r);
    } else if (table_->cellWidget(r, ColCandidates)) {
        // Picked and found: the row names the film it proposes.
        table_->removeCellWidget(r, ColCandidates);
        for (const Candidate& c : row.candidates)
            if (c.id == row.proposal.id) table_->item(r, ColCandidates)->setText(candidateText(c));
    }
}

// The candidates of a title that is not surely one of them, and a first empty
// entry: only a pick of the user's queues one to be fetched.
void FillWindow::offerCandidates(int r) {
    if (table_->cellWidget(r, ColCandidates)) return;
    // A wheel turned over the table scrolls it and picks nothing.
    auto* box = new PickCombo;
    box->setObjectName(QStringLiteral("cboFillPick_%1").arg(r));
    box->addItem(QString());
    for (const Candidate& c : std::as_const(rows_[r].candidates)) box->addItem(candidateText(c));
    // Nothing picked yet: the closed box says what it holds.
    box->setPlaceholderText(QStringLiteral("候補 %1件から選ぶ…").arg(rows_[r].candidates.size()));
    box->setCurrentIndex(-1);
    connect(box, &PickCombo::picked, this, [this, r](int index) { pickCandidate(r, index); });
    table_->setCellWidget(r, ColCandidates, box);
}

void FillWindow::pickCandidate(int r, int index) {
    Row& row = rows_[r];
    row.chosenId = index > 0 ? row.candidates.value(index - 1).id : QString();
    row.error.clear();
    showRow(r);
    updateButtons();
}

void FillWindow::takeProgress(int done, int total) {
    done_ = done;
    total_ = total;
    showSoon();
    if (status_->text() != QStringLiteral("調べています…") && batch_->running() && done > 0)
        setStatus(QStringLiteral("調べています…"));
}

void FillWindow::takeFinished(bool cancelled, const LookupError& stopped) {
    showAnswers();
    if (cancelled)
        setStatus(QStringLiteral("中止しました。ここまでに調べた%1件は、このまま見られます。")
                      .arg(round_ == Round::First ? rows_.size() : progress_->value()));
    else if (stopped.failed())
        setStatus(QStringLiteral("途中で止まりました。") + stopped.message, true);
    else
        setStatus(summary());
    updateButtons();
}

QString FillWindow::summary() const {
    int sure = 0, unsure = 0, none = 0, failed = 0;
    for (const Row& row : rows_) {
        if (row.applied) continue;
        if (!row.error.isEmpty())
            ++failed;
        else if (row.kind == BatchAnswer::Kind::Found)
            sure += row.proposal.empty() ? 0 : 1;
        else if (row.kind == BatchAnswer::Kind::Uncertain)
            ++unsure;
        else
            ++none;
    }
    QString text = QStringLiteral(
                       "調べ終わりました。補える %1件、要確認 %2件、見つからず %3件、"
                       "失敗 %4件。")
                       .arg(sure)
                       .arg(unsure)
                       .arg(none)
                       .arg(failed);
    if (unsure > 0)
        text += QStringLiteral("要確認の行は候補を選び、「選んだ候補を調べる」を押してください。");
    if (sure > 0) text += QStringLiteral("チェックした行を「反映」で書き込みます。");
    return text;
}

void FillWindow::apply() {
    if (batch_->running()) return;
    if (host_.refusesChanges()) return;
    QVector<FillProposal> chosen;
    QVector<int> chosenRows;
    for (int r = 0; r < rows_.size(); ++r) {
        const Row& row = rows_[r];
        if (row.applied || row.kind != BatchAnswer::Kind::Found || row.proposal.empty()) continue;
        if (table_->item(r, ColTitle)->checkState() != Qt::Checked) continue;
        chosen.append(row.proposal);
        chosenRows.append(r);
    }
    if (chosen.isEmpty()) {
        setStatus(QStringLiteral("反映する行がチェックされていません。"), true);
        return;
    }
    Catalogue& cat = host_.catalogue();
    QString problem;
    {
        BusyPointer busy(host_.prompts());
        std::unique_ptr<Change> step = fillStep(cat, chosen, &problem);
        if (!step) {
            setStatus(problem.isEmpty()
                          ? QStringLiteral("補う項目は残っていません。ほかで書き込まれました。")
                          : problem,
                      true);
            return;
        }
        problem = host_.perform(std::move(step));
    }
    if (!host_.reportWrite(problem)) {
        setStatus(problem, true);
        return;
    }
    // Done the first time, a step leaves the pick lists to the screens.
    cat.rebuildListsFromTable();
    host_.collectionReplaced();
    for (int r : std::as_const(chosenRows)) {
        rows_[r].applied = true;
        showRow(r);
    }
    setStatus(QStringLiteral("%1件のタイトルに反映しました。メインウィンドウの Ctrl+Z で"
                             "まとめて元に戻せます。")
                  .arg(chosenRows.size()));
    updateButtons();
}

void FillWindow::setStatus(const QString& text, bool error) {
    status_->setText(text);
    status_->setStyleSheet(error ? kErrorStyle : QString());
}

void FillWindow::updateButtons() {
    const bool running = batch_->running();
    bool picked = false, offered = false;
    for (const Row& row : std::as_const(rows_)) {
        if (row.applied) continue;
        picked |= !row.chosenId.isEmpty();
        offered |= row.kind == BatchAnswer::Kind::Found && !row.proposal.empty();
    }
    startButton_->setEnabled(!running && !needs_.isEmpty());
    cancelButton_->setEnabled(running);
    resolveButton_->setEnabled(!running && picked);
    applyButton_->setEnabled(!running && offered);
}
