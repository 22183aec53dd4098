#include "lookup_window.h"

#include "card/lookup_settings.h"
#include "card/picture_import_frame.h"
#include "card/sub_texts.h"
#include "lookup/candidate_directors.h"
#include "lookup/fill_plan.h"
#include "lookup/lookup_config.h"
#include "lookup/poster_client.h"
#include "lookup/source_choice.h"
#include "lookup/tmdb_key.h"
#include "store/catalogue.h"
#include "store/changes.h"

#include <QBuffer>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
const char* const kRowNames[] = {"監督",     "主演",     "公開日",   "国",
                                 "ジャンル", "キャスト", "あらすじ", "ポスター"};

// The candidates' small posters: their height in the list, and where a row keeps its address.
constexpr int kIconHeight = 46;
constexpr int kIconUrlRole = Qt::UserRole + 1;

// A long text in one table cell: its first line and a mark that more follows.
QString shortened(const QString& text) {
    QString t = text.trimmed();
    const qsizetype cut = t.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
    if (cut >= 0) t = t.left(cut) + QStringLiteral(" …");
    return t;
}
}  // namespace

LookupWindow::LookupWindow(Catalogue& catalogue, const QString& title, const QString& koukai,
                           Perform perform, std::function<void()> done, QWidget* parent)
    : QWidget(parent, Qt::Window),
      cat_(catalogue),
      title_(title),
      perform_(std::move(perform)),
      done_(std::move(done)),
      network_(std::make_unique<LookupNetwork>()) {
    setObjectName(QStringLiteral("frmLookup"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("ネットで調べる 「%1」").arg(title));
    resize(760, 620);

    posters_ = new PosterClient(*network_, this);
    icons_ = new PosterClient(*network_, this);
    connect(icons_, &PosterClient::posterFetched, this, &LookupWindow::showIcon);
    connect(posters_, &PosterClient::posterFetched, this, &LookupWindow::showPoster);
    connect(posters_, &PosterClient::failed, this, [this](const QUrl&, const LookupError& e) {
        fields_->item(Poster, 2)->setText(e.message);
    });

    auto* v = new QVBoxLayout(this);
    auto* line = new QHBoxLayout;
    text_ = new QLineEdit(title, this);
    text_->setObjectName(QStringLiteral("txtLookupText"));
    year_ = new QLineEdit(this);
    year_->setObjectName(QStringLiteral("txtLookupYear"));
    year_->setPlaceholderText(QStringLiteral("公開年"));
    year_->setMaxLength(4);
    year_->setMaximumWidth(70);
    if (const auto m = QRegularExpression(QStringLiteral("^(\\d{4})")).match(koukai); m.hasMatch())
        year_->setText(m.captured(1));
    searchButton_ = new QPushButton(QStringLiteral("検索"), this);
    searchButton_->setObjectName(QStringLiteral("cmdLookupSearch"));
    searchButton_->setDefault(true);
    line->addWidget(new QLabel(QStringLiteral("題名"), this));
    line->addWidget(text_, 1);
    line->addWidget(new QLabel(QStringLiteral("年"), this));
    line->addWidget(year_);
    line->addWidget(searchButton_);
    v->addLayout(line);
    connect(searchButton_, &QPushButton::clicked, this, &LookupWindow::search);
    connect(text_, &QLineEdit::returnPressed, this, &LookupWindow::search);
    connect(year_, &QLineEdit::returnPressed, this, &LookupWindow::search);

    candidates_ = new QTreeWidget(this);
    candidates_->setObjectName(QStringLiteral("lstLookupCandidates"));
    candidates_->setRootIsDecorated(false);
    candidates_->setIconSize(QSize(kIconHeight * 2 / 3, kIconHeight));
    candidates_->setHeaderLabels({QStringLiteral("タイトル"), QStringLiteral("原題"),
                                  QStringLiteral("年"), QStringLiteral("監督"),
                                  QStringLiteral("出典")});
    v->addWidget(candidates_, 2);
    connect(candidates_, &QTreeWidget::itemDoubleClicked, this, &LookupWindow::pick);
    pickButton_ = new QPushButton(QStringLiteral("選ぶ"), this);
    pickButton_->setObjectName(QStringLiteral("cmdLookupPick"));
    pickButton_->setEnabled(false);
    connect(pickButton_, &QPushButton::clicked, this, &LookupWindow::pick);
    connect(candidates_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { pickButton_->setEnabled(item); });
    auto* settings = new QPushButton(QStringLiteral("設定…"), this);
    settings->setObjectName(QStringLiteral("cmdLookupSettings"));
    connect(settings, &QPushButton::clicked, this, &LookupWindow::openSettings);
    auto* pickLine = new QHBoxLayout;
    pickLine->addWidget(settings);
    pickLine->addStretch(1);
    pickLine->addWidget(pickButton_);
    v->addLayout(pickLine);

    fields_ = new QTableWidget(RowCount, 3, this);
    fields_->setObjectName(QStringLiteral("tblLookupFields"));
    fields_->setHorizontalHeaderLabels(
        {QStringLiteral("項目"), QStringLiteral("カードの値"), QStringLiteral("調べた値")});
    fields_->verticalHeader()->hide();
    fields_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    fields_->horizontalHeader()->setStretchLastSection(true);
    fields_->setColumnWidth(1, 220);
    for (int r = 0; r < RowCount; ++r) {
        auto* name = new QTableWidgetItem(QString::fromUtf8(kRowNames[r]));
        name->setFlags(Qt::ItemIsEnabled);  // checkable once a film is shown
        fields_->setItem(r, 0, name);
        fields_->setItem(r, 1, new QTableWidgetItem);
        fields_->setItem(r, 2, new QTableWidgetItem);
    }
    v->addWidget(fields_, 3);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("lblLookupStatus"));
    status_->setWordWrap(true);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    applyButton_ = new QPushButton(QStringLiteral("反映"), this);
    applyButton_->setObjectName(QStringLiteral("cmdLookupApply"));
    applyButton_->setEnabled(false);
    connect(applyButton_, &QPushButton::clicked, this, &LookupWindow::applyChecked);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(status_, 1);
    bottom->addWidget(applyButton_);
    v->addLayout(bottom);

    attribution_ = new QLabel(
        QStringLiteral("This product uses the TMDB API but is not endorsed or certified by TMDB"),
        this);
    attribution_->setObjectName(QStringLiteral("lblLookupAttribution"));
    attribution_->setStyleSheet(QStringLiteral("color: #555;"));
    v->addWidget(attribution_);

    // The environment's key at once; one kept in the secret store when it comes.
    key_ = tmdbKeyFromEnvironment();
    makeSource();
    TmdbKey::instance().fetch(this, [this](const QString& key) { useKey(key); });
}

LookupWindow::~LookupWindow() {
    // The clients go before the network they use.
    delete source_;
    delete directors_;
    delete posters_;
    delete icons_;
}

void LookupWindow::makeSource() {
    delete source_;
    delete directors_;
    sourceKey_ = key_;
    const LookupAddresses addresses = LookupAddresses::fromEnvironment();
    source_ = makeFilmSource(*network_, addresses, key_, {}, this).release();
    directors_ = new CandidateDirectors(*network_, addresses, key_, this);
    connect(directors_, &CandidateDirectors::directorFound, this, &LookupWindow::showDirector);
    // Once, when all came, so that the column does not jump with each.
    connect(directors_, &CandidateDirectors::finished, this,
            [this] { candidates_->resizeColumnToContents(3); });
    connect(source_, &FilmSource::candidatesFound, this, &LookupWindow::showCandidates);
    connect(source_, &FilmSource::filmFetched, this, &LookupWindow::showFilm);
    connect(source_, &FilmSource::failed, this, &LookupWindow::showError);
    connect(source_, &FilmSource::waiting, this, [this](int ms) {
        setStatus(
            QStringLiteral("混み合っています。%1秒後にもう一度尋ねます…").arg((ms + 999) / 1000));
    });
    // TMDb's terms ask every program that uses it to say so where its data shows.
    attribution_->setVisible(source_->sourceName() == QLatin1String("tmdb"));
}

// A key that came or changed is used by the next search; at once when nothing
// of the current source is shown or under way, so that the window says which
// service it asks.
void LookupWindow::useKey(const QString& key) {
    key_ = key;
    if (key_ != sourceKey_ && !source_->busy() && candidates_->topLevelItemCount() == 0)
        makeSource();
}

void LookupWindow::openSettings() {
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

void LookupWindow::setStatus(const QString& text, bool error) {
    status_->setText(text);
    status_->setStyleSheet(error ? QStringLiteral("color: #b00020;") : QString());
}

void LookupWindow::search() {
    const QString text = text_->text().trimmed();
    if (text.isEmpty()) {
        setStatus(QStringLiteral("調べる題名を入力してください。"), true);
        return;
    }
    const QString y = year_->text().trimmed();
    const int year =
        QRegularExpression(QStringLiteral("^\\d{4}$")).match(y).hasMatch() ? y.toInt() : 0;
    posters_->cancel();
    icons_->cancel();
    directors_->cancel();
    candidates_->clear();
    pickButton_->setEnabled(false);
    if (key_ != sourceKey_) makeSource();
    setStatus(QStringLiteral("検索しています…"));
    source_->search(text, year);
}

void LookupWindow::showCandidates(const QVector<Candidate>& found) {
    icons_->cancel();
    directors_->cancel();
    candidates_->clear();
    for (const Candidate& c : found) {
        auto* item = new QTreeWidgetItem(
            candidates_,
            {c.title, c.originalTitle, c.year > 0 ? QString::number(c.year) : QString(), c.director,
             c.source == QLatin1String("tmdb") ? QStringLiteral("TMDb")
                                               : QStringLiteral("Wikidata")});
        item->setData(0, Qt::UserRole, c.id);
        if (!c.posterUrl.isEmpty()) {
            item->setData(0, kIconUrlRole, c.posterUrl);
            icons_->fetch(QUrl(c.posterUrl));
        }
    }
    for (int k = 0; k < candidates_->columnCount() - 1; ++k) candidates_->resizeColumnToContents(k);
    // Room for the small posters that are still to come, so that the titles are not cut.
    if (std::any_of(found.begin(), found.end(),
                    [](const Candidate& c) { return !c.posterUrl.isEmpty(); }))
        candidates_->setColumnWidth(
            0, candidates_->columnWidth(0) + candidates_->iconSize().width() + 6);
    if (found.isEmpty()) {
        setStatus(QStringLiteral("見つかりませんでした。題名や年を変えて検索してください。"));
        return;
    }
    directors_->start(found);
    candidates_->setCurrentItem(candidates_->topLevelItem(0));
    setStatus(QStringLiteral("%1件見つかりました。選んでください。").arg(found.size()));
}

// A candidate's small poster, as it comes; one that cannot be read leaves its row as it is.
void LookupWindow::showIcon(const QUrl& url, const QByteArray& bytes) {
    QBuffer in;
    in.setData(bytes);
    QImageReader reader(&in);
    const QSize size = reader.size();
    if (size.isEmpty()) return;
    reader.setScaledSize(size.scaled(size.width(), kIconHeight, Qt::KeepAspectRatio));
    const QImage image = reader.read();
    if (image.isNull()) return;
    const QIcon icon(QPixmap::fromImage(image));
    for (int i = 0; i < candidates_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = candidates_->topLevelItem(i);
        if (QUrl(item->data(0, kIconUrlRole).toString()) == url) item->setIcon(0, icon);
    }
}

// A TMDb candidate's director, as it comes.
void LookupWindow::showDirector(const QString& id, const QString& directors) {
    for (int i = 0; i < candidates_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = candidates_->topLevelItem(i);
        if (item->data(0, Qt::UserRole).toString() == id && item->text(4) == QLatin1String("TMDb"))
            item->setText(3, directors);
    }
}

void LookupWindow::pick() {
    QTreeWidgetItem* item = candidates_->currentItem();
    if (!item) return;
    posters_->cancel();
    setStatus(QStringLiteral("「%1」を読み込んでいます…").arg(item->text(0)));
    source_->fetchFilm(item->data(0, Qt::UserRole).toString());
}

void LookupWindow::setRow(Row row, const QString& now, const QString& proposed, bool filled) {
    fields_->item(row, 1)->setText(shortened(now));
    fields_->item(row, 1)->setToolTip(now);
    fields_->item(row, 2)->setText(shortened(proposed));
    fields_->item(row, 2)->setToolTip(proposed);
    QTableWidgetItem* name = fields_->item(row, 0);
    if (proposed.isEmpty() || proposed == now) {
        name->setFlags(Qt::ItemIsEnabled);
        name->setData(Qt::CheckStateRole, QVariant());
        return;
    }
    name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    name->setCheckState(filled ? Qt::Unchecked : Qt::Checked);
}

void LookupWindow::showFilm(const Film& film) {
    const int n = cat_.titles().find(title_);
    if (n == 0) {
        setStatus(Changes::titleGone(title_), true);
        return;
    }
    PickLists lists;
    lists.Kuni = cat_.pickList(PickList::Kuni)->stringList();
    lists.Janru = cat_.pickList(PickList::Janru)->stringList();
    proposal_ = proposeFields(film, lists);
    const Title& t = cat_.titles()[n];
    setRow(Kantoku, t.Kantoku, proposal_.Kantoku, !t.Kantoku.text().isEmpty());
    setRow(Syuen, t.Syuen, proposal_.Syuen, !t.Syuen.text().isEmpty());
    setRow(Koukai, t.Koukai, proposal_.Koukai, !t.Koukai.isEmpty());
    setRow(Kuni, t.Kuni, proposal_.Kuni, !t.Kuni.text().isEmpty());
    setRow(Janru, t.Janru, proposal_.Janru, !t.Janru.text().isEmpty());
    QString problems;
    for (const auto& [row, kind] :
         {std::pair{Cast, SubTexts::kCast}, {Arasuji, SubTexts::kArasuji}}) {
        QString now;
        if (const QString p = cat_.readFreeText(SubTexts::fileName(kind, title_), &now);
            !p.isEmpty())
            problems += p + QStringLiteral("\r\n");
        const QString proposed = row == Cast ? proposal_.Cast : proposal_.Arasuji;
        setRow(row, SubTexts::fromFile(now), SubTexts::fromFile(proposed),
               !now.trimmed().isEmpty());
    }
    poster_.clear();
    cat_.dir().rescanIfChanged();
    const bool hasPicture = cat_.dir().exists(title_ + QStringLiteral(".jpg"));
    setRow(Poster, hasPicture ? QStringLiteral("あり") : QString(),
           proposal_.posterUrl.isEmpty() ? QString() : QStringLiteral("取得中…"), hasPicture);
    if (!proposal_.posterUrl.isEmpty()) {
        fields_->item(Poster, 0)->setFlags(Qt::ItemIsUserCheckable);  // not until it came
        posters_->fetch(QUrl(proposal_.posterUrl));
    }
    haveFilm_ = true;
    applyButton_->setEnabled(true);
    QString said = QStringLiteral("チェックした項目を「反映」でカードに書き込みます。");
    for (const FieldChange& c : proposal_.changes)
        said += QStringLiteral("\r\n%1: 「%2」は「%3」として書きます。")
                    .arg(c.field, c.before, c.after);
    setStatus(problems + said, !problems.isEmpty());
}

void LookupWindow::showPoster(const QUrl& url, const QByteArray& bytes) {
    if (url != QUrl(proposal_.posterUrl)) return;
    poster_ = posterAsJpeg(bytes);
    if (poster_.isEmpty()) {
        fields_->item(Poster, 2)->setText(LookupError::notImage().message);
        return;
    }
    QImage image;
    image.loadFromData(poster_);
    fields_->item(Poster, 2)->setText(
        QStringLiteral("%1×%2").arg(image.width()).arg(image.height()));
    fields_->item(Poster, 0)->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
}

void LookupWindow::showError(const LookupError& error) { setStatus(error.message, true); }

void LookupWindow::applyChecked() {
    if (!haveFilm_) return;
    const auto checked = [this](Row r) {
        const QTableWidgetItem* item = fields_->item(r, 0);
        return (item->flags() & Qt::ItemIsEnabled) && (item->flags() & Qt::ItemIsUserCheckable) &&
               item->checkState() == Qt::Checked;
    };
    if (const QString problem = PictureImport::titleProblem(title_); !problem.isEmpty()) {
        setStatus(problem, true);
        return;
    }
    const int n = cat_.titles().find(title_);
    if (n == 0) {
        setStatus(Changes::titleGone(title_), true);
        return;
    }
    std::vector<std::unique_ptr<Change>> parts;
    const Title before = cat_.titles()[n];
    Title after = before;
    if (checked(Kantoku)) after.Kantoku = proposal_.Kantoku;
    if (checked(Syuen)) after.Syuen = proposal_.Syuen;
    if (checked(Koukai)) after.Koukai = proposal_.Koukai;
    if (checked(Kuni)) after.Kuni = proposal_.Kuni;
    if (checked(Janru)) after.Janru = proposal_.Janru;
    if (!(after == before))
        parts.push_back(
            Changes::editTitle(n, before, after, cat_.HyoukaKoumoku, cat_.SyoyuKoumoku));
    for (const auto& [row, kind] :
         {std::pair{Cast, SubTexts::kCast}, {Arasuji, SubTexts::kArasuji}}) {
        if (!checked(row)) continue;
        const QString name = SubTexts::fileName(kind, title_);
        QString now;
        if (const QString p = cat_.readFreeText(name, &now); !p.isEmpty()) {
            setStatus(p, true);
            return;
        }
        parts.push_back(Changes::saveFreeText(
            name, now, row == Cast ? proposal_.Cast : proposal_.Arasuji, title_));
    }
    if (checked(Poster) && !poster_.isEmpty())
        parts.push_back(Changes::setPicture(title_ + QStringLiteral(".jpg"), poster_, title_));
    if (parts.empty()) {
        setStatus(QStringLiteral("反映する項目がチェックされていません。"), true);
        return;
    }
    if (const QString problem = perform_(Changes::fillTitle(title_, std::move(parts)));
        !problem.isEmpty()) {
        setStatus(problem, true);
        return;
    }
    if (!(after == before)) cat_.rebuildListsFromTable();
    if (done_) done_();
    applyButton_->setEnabled(false);
    haveFilm_ = false;
    setStatus(QStringLiteral("カードに反映しました。Ctrl+Zで元に戻せます。"));
}
