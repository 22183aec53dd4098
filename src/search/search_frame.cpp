#include "search_frame.h"
#include "shell/pick_combo.h"

#include "drill_down.h"
#include "search_widgets.h"
#include "text_search.h"

#include "shell/grid_export.h"
#include "shell/prompts.h"
#include "shell/screen_host.h"
#include "store/catalogue.h"
#include "store/cp932.h"
#include "store/title_selection.h"

#include <QCheckBox>
#include <QDeadlineTimer>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QStringListModel>
#include <QThread>
#include <QToolButton>
#include <QVBoxLayout>

#include <atomic>

using namespace SearchCriteria;

namespace {
const QString kCountCaption = QStringLiteral("検索件数");
const QString kCrLf = QStringLiteral("\r\n");
constexpr int kChoiceWidth = 52;
constexpr int kWideField = 260;  // the title box and the attribute combos
constexpr int kPeriodField = 118;
constexpr int kCriterionWidth = 320;  // a criterion in force longer than this is cut short

// The two bounds of a period are one criterion while narrowing.
const QString kReleaseKey = QStringLiteral("公開年月");
const QString kViewingKey = QStringLiteral("鑑賞年月");

const QStringList kMarkItems = {QStringLiteral("◎"), QStringLiteral("○"), QStringLiteral("△"),
                                kNoMark};

QString helpText() {
    const QStringList lines = {
        QStringLiteral(
            "タイトルに使われている「語句」や「監督名」、「主演」、「ジャンル」などの情報を使って"),
        QStringLiteral("タイトルの検索をすることができます。"),
        QString(),
        QStringLiteral(
            "「監督名」や「主演」など、コンボボックスになっているところはリストから選ぶと"
            "該当が表示されます。"),
        QStringLiteral("「タイトル」や「キャスト」、「あらすじ」「メモ」などは任意の語句を入れて"
                       "Ｅｎｔｅｒキーを押します。"),
        QStringLiteral("入力した文字が含まれるタイトルを全て表示します。"),
        QString(),
        QStringLiteral("「評価」では◎や△を、「所有状況」では有り、無しをクリックすることで該当を"
                       "表示します。"),
        QString(),
        QStringLiteral(
            "※検索でリストアップされたタイトルをダブルクリックするとメイン表示に切り替わります。"),
        QString(),
    };
    return lines.join(kCrLf) + kCrLf;
}

QLabel* caption(const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
}

QLineEdit* wordBox(const QString& name, QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setMinimumWidth(200);
    return box;
}

QString attributeName(Attribute field) {
    switch (field) {
        case Attribute::Kantoku:
            return QStringLiteral("監督");
        case Attribute::Syuen:
            return QStringLiteral("主演");
        case Attribute::Kuni:
            return QStringLiteral("国");
        case Attribute::Janru:
            break;
    }
    return QStringLiteral("ジャンル");
}

QString textName(TextKind kind) {
    switch (kind) {
        case TextKind::Cast:
            return QStringLiteral("キャスト");
        case TextKind::Arasuji:
            return QStringLiteral("あらすじ");
        case TextKind::Memo:
            break;
    }
    return QStringLiteral("メモ");
}

QString labelled(const QString& name, const QString& value) {
    return name + QStringLiteral("：") + value;
}
QString wordLabel(const QString& name, const QString& word) {
    return labelled(name, QStringLiteral("「%1」を含む").arg(word));
}
QString periodLabel(const QString& name, const QString& lower, const QString& upper) {
    return labelled(name, lower + QStringLiteral("～") + upper);
}

bool isEnterKey(QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}
}  // namespace

struct SearchFrame::WordJob {
    QString dir;
    QStringList files;
    TextKind kind = TextKind::Memo;
    QString word;
    std::atomic<bool> cancel{false};
    TextSearch::Result result;
};

SearchFrame::SearchFrame(ScreenHost& host, QWidget* parent)
    : QFrame(parent), host_(host), cat_(host.catalogue()), prompts_(host.prompts()) {
    setObjectName(QStringLiteral("fraKensaku"));
    buildUi();
}

SearchFrame::~SearchFrame() {
    for (auto& [worker, job] : workers_) job->cancel = true;
    for (auto& [worker, job] : workers_) {
        worker->wait();
        delete worker;
    }
    setBusy(false);
}

void SearchFrame::buildUi() {
    setFrameShape(QFrame::StyledPanel);
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(10, 10, 10, 10);
    outer->setSpacing(12);

    auto* criteria = new QFrame(this);
    criteria->setObjectName(QStringLiteral("fraKenKoumoku"));
    criteria->setFrameShape(QFrame::StyledPanel);
    auto* columns = new QHBoxLayout(criteria);
    columns->setContentsMargins(12, 10, 12, 10);
    columns->setSpacing(24);
    columns->addWidget(buildTitleCriteria(), 0, Qt::AlignTop);
    columns->addWidget(buildTextCriteria(), 0, Qt::AlignTop);
    outer->addWidget(criteria, 0);
    outer->addWidget(buildResult(), 1);

    for (QLineEdit* box : {txtNamae_, textBoxes_[1], textBoxes_[2], textBoxes_[3]})
        box->installEventFilter(this);
    lstDaimei_->installEventFilter(this);
}

PickCombo* SearchFrame::combo(const QString& name, void (SearchFrame::*picked)()) {
    auto* c = new PickCombo(this);
    c->setObjectName(name);
    c->setEditable(true);
    // What is typed stays as typed: no insertion into the list, no completion.
    c->setInsertPolicy(QComboBox::NoInsert);
    c->setCompleter(nullptr);
    c->setMaxVisibleItems(20);
    c->setFocusPolicy(Qt::StrongFocus);  // a wheel turn does not even take the focus
    c->reportEnter();
    c->setModel(new QStringListModel(c));
    c->setMinimumContentsLength(8);
    c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    c->setMinimumWidth(kWideField);
    connect(c, &PickCombo::picked, this, picked);
    connect(c, &PickCombo::entered, this, picked);
    return c;
}

QWidget* SearchFrame::buildTitleCriteria() {
    auto* w = new QWidget(this);
    auto* g = new QGridLayout(w);
    g->setContentsMargins(0, 0, 0, 0);
    g->setHorizontalSpacing(8);
    g->setVerticalSpacing(8);
    int row = 0;
    const auto add = [&](const QString& label, QWidget* field) {
        g->addWidget(caption(label, w), row, 0);
        g->addWidget(field, row++, 1, Qt::AlignLeft);
    };

    txtNamae_ = wordBox(QStringLiteral("txtNamae"), w);
    txtNamae_->setMinimumWidth(kWideField);
    add(QStringLiteral("タイトル"), txtNamae_);
    cboKantoku2_ = combo(QStringLiteral("cboKantoku2"), &SearchFrame::cboKantoku2_Click);
    add(QStringLiteral("監督"), cboKantoku2_);
    cboSyuen2_ = combo(QStringLiteral("cboSyuen2"), &SearchFrame::cboSyuen2_Click);
    add(QStringLiteral("主演"), cboSyuen2_);
    cboKuni2_ = combo(QStringLiteral("cboKuni2"), &SearchFrame::cboKuni2_Click);
    add(QStringLiteral("国"), cboKuni2_);
    cboJanru2_ = combo(QStringLiteral("cboJanru2"), &SearchFrame::cboJanru2_Click);
    add(QStringLiteral("ジャンル"), cboJanru2_);

    auto* period = new QWidget(w);
    auto* h = new QHBoxLayout(period);
    h->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < 2; ++i) {
        cboKoukai2_[i] =
            combo(QStringLiteral("cboKoukai2_%1").arg(i), &SearchFrame::cboKoukai2_Click);
        cboKoukai2_[i]->setMinimumWidth(kPeriodField);
        h->addWidget(cboKoukai2_[i]);
        if (i == 0) h->addWidget(new QLabel(QStringLiteral("～"), period));
    }
    add(QStringLiteral("公開年月"), period);

    g->setRowMinimumHeight(row++, 6);
    lstHyouka_ = new ChoiceList(QStringLiteral("lstHyouka"), kChoiceWidth, w);
    lstHyouka_->setChoices(kMarkItems);
    connect(lstHyouka_, &ChoiceList::chosen, this, &SearchFrame::lstHyouka_Click);
    add(QStringLiteral("評価"), lstHyouka_);

    g->setRowMinimumHeight(row++, 6);
    auto* owned = new QLabel(QStringLiteral("所有状況"), w);
    g->addWidget(owned, row++, 0, 1, 2);
    for (int k = 1; k <= 4; ++k) {
        lblSyoyu_[k] = caption(QString(), w);
        lblSyoyu_[k]->setObjectName(QStringLiteral("lblSyoyu_%1").arg(k));
        lstSyoyu_[k] = new ChoiceList(QStringLiteral("lstSyoyu_%1").arg(k), kChoiceWidth, w);
        connect(lstSyoyu_[k], &ChoiceList::chosen, this,
                [this, k](const QString& item) { lstSyoyu_Click(k, item); });
        g->addWidget(lblSyoyu_[k], row, 0);
        g->addWidget(lstSyoyu_[k], row++, 1, Qt::AlignLeft);
    }
    return w;
}

QWidget* SearchFrame::buildTextCriteria() {
    auto* w = new QWidget(this);
    auto* g = new QGridLayout(w);
    g->setContentsMargins(0, 0, 0, 0);
    g->setHorizontalSpacing(8);
    g->setVerticalSpacing(8);
    int row = 0;

    const struct {
        const char* box;
        const char* list;
        const char* label;
        void (SearchFrame::*chosen)(const QString&);
    } texts[] = {
        {"txtCast", "lstCast", "キャスト", &SearchFrame::lstCast_Click},
        {"txtArasuji", "lstArasuji", "あらすじ", &SearchFrame::lstArasuji_Click},
        {"txtMemo", "lstMemo", "メモ", &SearchFrame::lstMemo_Click},
    };
    for (int k = 1; k <= 3; ++k) {
        const auto& t = texts[k - 1];
        textBoxes_[k] = wordBox(QLatin1String(t.box), w);
        textLists_[k] = new ChoiceList(QLatin1String(t.list), kChoiceWidth, w);
        connect(textLists_[k], &ChoiceList::chosen, this, t.chosen);
        g->addWidget(caption(QString::fromUtf8(t.label), w), row, 0);
        g->addWidget(textBoxes_[k], row, 1);
        g->addWidget(textLists_[k], row++, 2, Qt::AlignLeft);
    }

    g->setRowMinimumHeight(row++, 6);
    auto* period = new QWidget(w);
    auto* h = new QHBoxLayout(period);
    h->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < 2; ++i) {
        cboKansyou2_[i] =
            combo(QStringLiteral("cboKansyou2_%1").arg(i), &SearchFrame::cboKansyou2_Click);
        cboKansyou2_[i]->setMinimumWidth(kPeriodField);
        h->addWidget(cboKansyou2_[i]);
        if (i == 0) h->addWidget(new QLabel(QStringLiteral("～"), period));
    }
    g->addWidget(caption(QStringLiteral("鑑賞年月"), w), row, 0);
    g->addWidget(period, row++, 1, 1, 2, Qt::AlignLeft);
    cboKansyou3_ = combo(QStringLiteral("cboKansyou3"), &SearchFrame::cboKansyou3_Click);
    g->addWidget(caption(QStringLiteral("鑑賞内容"), w), row, 0);
    g->addWidget(cboKansyou3_, row++, 1, 1, 2, Qt::AlignLeft);
    return w;
}

QWidget* SearchFrame::buildResult() {
    fraKensu_ = new QGroupBox(kCountCaption, this);
    fraKensu_->setObjectName(QStringLiteral("fraKensu"));
    auto* v = new QVBoxLayout(fraKensu_);
    lstDaimei_ = new QListView(fraKensu_);
    lstDaimei_->setObjectName(QStringLiteral("lstDaimei"));
    results_ = new QStringListModel(lstDaimei_);
    lstDaimei_->setModel(results_);
    // Thousands of results lay out at once only when every row has the same height.
    lstDaimei_->setUniformItemSizes(true);
    lstDaimei_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstDaimei_->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(lstDaimei_, &QListView::doubleClicked, this, &SearchFrame::lstDaimei_DblClick);

    chkShibori_ = new QCheckBox(QStringLiteral("絞り込み"), fraKensu_);
    chkShibori_->setObjectName(QStringLiteral("chkShibori"));
    chkShibori_->setToolTip(
        QStringLiteral("オンの間は、次に選ぶ条件で今の結果をさらに絞り込みます"));
    connect(chkShibori_, &QCheckBox::clicked, this, &SearchFrame::chkShibori_Click);
    fraJouken_ = new QWidget(fraKensu_);
    fraJouken_->setObjectName(QStringLiteral("fraJouken"));
    auto* criteria = new QVBoxLayout(fraJouken_);
    criteria->setContentsMargins(0, 0, 0, 0);
    criteria->setSpacing(2);
    fraJouken_->hide();
    lblDrill_ = new QLabel(fraKensu_);
    lblDrill_->setObjectName(QStringLiteral("lblDrill"));
    lblDrill_->setWordWrap(true);
    lblDrill_->hide();
    GridExport::offerRows(lstDaimei_, prompts_, QStringLiteral("検索結果.csv"), [this] {
        QVector<QStringList> rows{{QStringLiteral("タイトル名")}};
        for (const QString& name : results_->stringList()) rows.append({name});
        return rows;
    });
    v->addWidget(chkShibori_, 0, Qt::AlignLeft);
    v->addWidget(fraJouken_);
    v->addWidget(lblDrill_);
    v->addWidget(lstDaimei_);
    return fraKensu_;
}

void SearchFrame::showItemNames() {
    for (int k = 1; k <= 4; ++k) lblSyoyu_[k]->setText(cat_.SyoyuKoumoku[k]);
}

void SearchFrame::refill(PickCombo* c, const QStringList& items) {
    static_cast<QStringListModel*>(c->model())->setStringList(items);
    c->setCurrentIndex(-1);  // no item chosen; an editable combo shows an empty text
}

void SearchFrame::cmdKensaku_Click() {
    if (!isHidden()) return;
    host_.HideAllFrames();
    const auto items = [this](PickList which) { return cat_.pickList(which)->stringList(); };
    refill(cboKantoku2_, items(PickList::Kantoku));
    refill(cboSyuen2_, items(PickList::Syuen));
    refill(cboKuni2_, items(PickList::Kuni));
    refill(cboJanru2_, items(PickList::Janru));
    const QStringList released = sortedPeriodItems(items(PickList::Koukai));
    for (PickCombo* c : cboKoukai2_) refill(c, released);
    const QStringList viewed = sortedPeriodItems(items(PickList::Kanbi));
    for (PickCombo* c : cboKansyou2_) refill(c, viewed);
    refill(cboKansyou3_, items(PickList::Kansyou));
    for (int k = 1; k <= 3; ++k) textLists_[k]->setChoices({kPresent, kAbsent});
    for (int k = 1; k <= 4; ++k) lstSyoyu_[k]->setChoices({kPresent, kAbsent});
    show();
    lstHyouka_->setChoices(kMarkItems);
    host_.showHelpTour(helpText());
}

bool SearchFrame::eventFilter(QObject* watched, QEvent* event) {
    if (!isEnterKey(event)) return QFrame::eventFilter(watched, event);
    if (watched == txtNamae_) return txtNamae_KeyPress();
    for (int k = 1; k <= 3; ++k)
        if (watched == textBoxes_[k]) return wordKeyPress(TextKind(k), textBoxes_[k]);
    if (watched == lstDaimei_ && lstDaimei_->currentIndex().isValid()) {
        lstDaimei_DblClick();
        return true;
    }
    return QFrame::eventFilter(watched, event);
}

bool SearchFrame::txtNamae_KeyPress() {
    const QString word = Cp932::toCp932Twins(txtNamae_->text());
    if (word.isEmpty()) return false;
    abandonWordSearch();
    found({{}, wordLabel(QStringLiteral("タイトル"), word), byTitleWord(cat_.titles(), word), {}});
    return true;
}

void SearchFrame::attributeSearch(Attribute field, PickCombo* c) {
    abandonWordSearch();
    found({{},
           labelled(attributeName(field), c->currentText()),
           byAttribute(cat_.titles(), field, c->currentText()),
           {}});
}

void SearchFrame::cboKoukai2_Click() {
    const QString lower = cboKoukai2_[0]->currentText(), upper = cboKoukai2_[1]->currentText();
    auto titles = byReleasePeriod(cat_.titles(), lower, upper);
    if (!titles) return emptyPeriod(kReleaseKey);
    abandonWordSearch();
    found({kReleaseKey, periodLabel(kReleaseKey, lower, upper), std::move(*titles), {}});
}

void SearchFrame::cboKansyou2_Click() {
    const QString lower = cboKansyou2_[0]->currentText(), upper = cboKansyou2_[1]->currentText();
    auto viewings = byViewingPeriod(cat_.kansyou(), lower, upper);
    if (!viewings) return emptyPeriod(kViewingKey);
    abandonWordSearch();
    found({kViewingKey, periodLabel(kViewingKey, lower, upper), std::move(*viewings), {}});
}

void SearchFrame::cboKansyou3_Click() {
    abandonWordSearch();
    const QString content = cboKansyou3_->currentText();
    found({{},
           labelled(QStringLiteral("鑑賞内容"), content),
           byViewingContent(cat_.kansyou(), content),
           {}});
}

void SearchFrame::lstHyouka_Click(const QString& item) {
    abandonWordSearch();
    found({{}, labelled(QStringLiteral("評価"), item), byMark(cat_.titles(), item), {}});
}

void SearchFrame::lstSyoyu_Click(int k, const QString& item) {
    abandonWordSearch();
    const QString name =
        cat_.SyoyuKoumoku[k].isEmpty() ? QStringLiteral("所有%1").arg(k) : cat_.SyoyuKoumoku[k];
    found({{}, labelled(name, item), byOwnership(cat_.titles(), k, item == kPresent), {}});
}

QStringList SearchFrame::textFiles(TextKind kind) {
    cat_.dir().rescanIfChanged();  // texts the user put into the folder since the last look
    return cat_.dir().entries(textPattern(kind));
}

void SearchFrame::presenceSearch(TextKind kind, const QString& item) {
    abandonWordSearch();
    const QString label = labelled(textName(kind), item);
    if (item == kPresent) return found({{}, label, titlesOfTextFiles(kind, textFiles(kind)), {}});
    cat_.dir().rescanIfChanged();
    found({{},
           label,
           titlesWithoutText(cat_.titles(), kind,
                             [this](const QString& name) { return cat_.dir().exists(name); }),
           {}});
}

bool SearchFrame::wordKeyPress(TextKind kind, QLineEdit* box) {
    const QString word = Cp932::toCp932Twins(box->text());
    if (word.isEmpty()) return false;
    startWordSearch(kind, word, textFiles(kind));
    return true;
}

// The files are read and matched on a worker thread. A short search is waited
// for, so that its result appears at once; a long one goes on in the background
// under the busy pointer while the window stays usable.
void SearchFrame::startWordSearch(TextKind kind, const QString& word, QStringList files) {
    abandonWordSearch();
    results_->setStringList({});
    fraKensu_->setTitle(kCountCaption);
    if (!narrowing()) shown_.reset();  // the list holds nothing until the search ends
    showDrillCaption();
    auto job = std::make_shared<WordJob>();
    job->dir = cat_.dir().path();
    job->files = std::move(files);
    job->kind = kind;
    job->word = word;
    job_ = job;
    setBusy(true);
    QThread* worker = QThread::create([job] {
        job->result =
            TextSearch::searchFiles(job->dir, job->files, job->kind, job->word, &job->cancel);
    });
    workers_.emplace_back(worker, job);
    connect(worker, &QThread::finished, this, [this, worker, job] {
        std::erase_if(workers_, [worker](const auto& w) { return w.first == worker; });
        worker->deleteLater();
        if (job_ == job) finishWordSearch();
    });
    worker->start();
    if (worker->wait(QDeadlineTimer(patienceMs_)) && job_ == job) finishWordSearch();
}

void SearchFrame::finishWordSearch() {
    const std::shared_ptr<WordJob> job = std::exchange(job_, nullptr);
    setBusy(false);
    // A file that cannot be read is passed over; the count is of the titles found.
    found({{}, wordLabel(textName(job->kind), job->word), job->result.names, {}});
}

void SearchFrame::abandonWordSearch() {
    if (!job_) return;
    job_->cancel = true;
    job_.reset();
    setBusy(false);
}

void SearchFrame::setBusy(bool busy) {
    if (busy == busy_) return;
    busy_ = busy;
    prompts_.setBusy(busy);
}

bool SearchFrame::narrowing() const { return chkShibori_->isChecked(); }

void SearchFrame::found(Narrowing::Criterion c) {
    if (narrowing()) {
        narrowing_.add(std::move(c));
        return showNarrowed();
    }
    showResult(c.names);
    shown_ = std::move(c);
    showDrillCaption();
}

void SearchFrame::emptyPeriod(const QString& key) {
    if (!narrowing()) return showCount();
    narrowing_.dropKey(key);
    showNarrowed();
}

void SearchFrame::showTitlesOf(const TitleSelection& selection) {
    abandonWordSearch();
    const QStringList items = cat_.pickList(DrillDown::pickListOf(selection))->stringList();
    Narrowing::Criterion c{{},
                           DrillDown::label(selection),
                           DrillDown::entriesOf(cat_.titles(), cat_.kansyou(), selection, items),
                           {}};
    c.heading = DrillDown::caption(selection, int(c.names.size()));
    narrowing_.clear();  // a row of a count starts a search of its own
    found(std::move(c));
    lstDaimei_->scrollToTop();
}

void SearchFrame::chkShibori_Click() {
    if (narrowing()) {
        // The list as it is shown is where the narrowing starts.
        narrowing_.clear();
        if (shown_) narrowing_.add(*std::exchange(shown_, std::nullopt));
        return showNarrowed();
    }
    // The list keeps what the criteria found together; the next criterion replaces it.
    const QVector<Narrowing::Criterion>& in = narrowing_.criteria();
    if (in.size() == 1) {
        shown_ = in.first();
    } else if (!in.isEmpty()) {
        QStringList labels;
        for (const Narrowing::Criterion& c : in) labels << c.label;
        shown_ =
            Narrowing::Criterion{{}, labels.join(QStringLiteral("、")), results_->stringList(), {}};
    }
    narrowing_.clear();
    listCriteria();
    showDrillCaption();
}

void SearchFrame::cmdJouken_Click(int i) {
    narrowing_.drop(i);
    showNarrowed();
}

void SearchFrame::showNarrowed() {
    listCriteria();
    if (narrowing_.isEmpty()) {
        results_->setStringList({});
        fraKensu_->setTitle(kCountCaption);
    } else {
        showResult(narrowing_.result());
    }
    showDrillCaption();
}

// One button per criterion in force, made once and kept: a button may be the one
// whose click got here.
void SearchFrame::listCriteria() {
    const QVector<Narrowing::Criterion>& in = narrowing_.criteria();
    while (jouken_.size() < in.size()) {
        const int i = int(jouken_.size());
        auto* b = new QToolButton(fraJouken_);
        b->setObjectName(QStringLiteral("cmdJouken_%1").arg(i));
        connect(b, &QToolButton::clicked, this, [this, i] { cmdJouken_Click(i); });
        fraJouken_->layout()->addWidget(b);
        jouken_.append(b);
    }
    for (int i = 0; i < jouken_.size(); ++i) {
        QToolButton* b = jouken_[i];
        b->setVisible(i < in.size());
        if (i >= in.size()) continue;
        const QString& label = in[i].label;
        b->setText(b->fontMetrics().elidedText(label, Qt::ElideRight, kCriterionWidth) +
                   QStringLiteral("　×"));
        b->setToolTip(label + QStringLiteral("\nクリックするとこの条件を外します"));
    }
    fraJouken_->setVisible(!in.isEmpty());
    // Laid out now: a button made or relabelled here is drawn at its new size at once.
    fraJouken_->layout()->activate();
}

void SearchFrame::showDrillCaption() {
    const Narrowing::Criterion* alone = nullptr;
    if (!narrowing())
        alone = shown_ ? &*shown_ : nullptr;
    else if (narrowing_.criteria().size() == 1)
        alone = &narrowing_.criteria().first();
    const bool drilled = alone && !alone->heading.isEmpty();
    lblDrill_->setText(drilled ? alone->heading : QString());
    lblDrill_->setVisible(drilled);
}

void SearchFrame::showResult(const QStringList& names) {
    results_->setStringList(names);
    showCount();
}

void SearchFrame::showCount() {
    fraKensu_->setTitle(QStringLiteral("検索件数　%1件").arg(results_->rowCount()));
}

void SearchFrame::lstDaimei_DblClick() {
    const QModelIndex chosen = lstDaimei_->currentIndex();
    if (!chosen.isValid()) return;
    const QString name = chosen.data().toString();
    const int n = cat_.titles().find(name);
    if (n > 0) {
        host_.returnToCard(n, true);
        return;
    }
    // A text file can outlive its title: the card comes back to the title last
    // picked; with none picked yet there is no title to show.
    const int last = host_.lastJumpTitle();
    if (last >= 1 && last <= cat_.TitleCount()) {
        host_.returnToCard(last, false);
        return;
    }
    prompts_.message(
        QStringLiteral("「%1」というタイトルは登録されていないため、メイン画面に表示できません。")
            .arg(name),
        QStringLiteral("検索"), Prompts::Icon::Information);
}

void SearchFrame::focusTitleWord() {
    txtNamae_->setFocus(Qt::ShortcutFocusReason);
    txtNamae_->selectAll();
}
