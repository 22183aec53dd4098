#include "lookup_settings.h"

#include "lookup/tmdb_key.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

LookupSettings::LookupSettings(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmLookupSettings"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("ネットで調べる — 設定"));
    resize(560, 0);

    auto* v = new QVBoxLayout(this);
    v->addWidget(new QLabel(
        QStringLiteral("TMDb のキー（API キー、または API 読み取りアクセストークン）"), this));
    auto* line = new QHBoxLayout;
    key_ = new QLineEdit(this);
    key_->setObjectName(QStringLiteral("txtTmdbKey"));
    key_->setEchoMode(QLineEdit::Password);
    key_->setPlaceholderText(QStringLiteral("新しいキーを貼り付け"));
    save_ = new QPushButton(QStringLiteral("保存"), this);
    save_->setObjectName(QStringLiteral("cmdKeySave"));
    forget_ = new QPushButton(QStringLiteral("削除"), this);
    forget_->setObjectName(QStringLiteral("cmdKeyForget"));
    line->addWidget(key_, 1);
    line->addWidget(save_);
    line->addWidget(forget_);
    v->addLayout(line);
    connect(save_, &QPushButton::clicked, this, &LookupSettings::save);
    connect(key_, &QLineEdit::returnPressed, this, &LookupSettings::save);
    connect(forget_, &QPushButton::clicked, this, &LookupSettings::forget);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("lblKeyStatus"));
    status_->setWordWrap(true);
    // Room for a problem and where the key is, so that the window does not jump.
    status_->setMinimumHeight(status_->fontMetrics().lineSpacing() * 3);
    status_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    v->addWidget(status_);

    auto* about = new QLabel(
        QStringLiteral("キーは TMDb のアカウントの設定ページで無料で取得できます:<br>"
                       "<a href=\"https://www.themoviedb.org/settings/api\">"
                       "https://www.themoviedb.org/settings/api</a><br>"
                       "調べるときに送るのは、検索する題名と公開年です。キーがあれば TMDb に"
                       "（題名・公開年とキー）、なければ Wikidata に（キーなしで）送ります。"
                       "キーはデスクトップのキーリングに保存し、データフォルダーには書きません。"),
        this);
    about->setObjectName(QStringLiteral("lblKeyAbout"));
    about->setWordWrap(true);
    about->setTextFormat(Qt::RichText);
    about->setOpenExternalLinks(true);
    v->addWidget(about);

    status_->setText(QStringLiteral("キーを確かめています…"));
    fitText();
    TmdbKey::instance().fetch(this, [this](const QString&) { showWhere(); });
}

// A wrapped text needs the height its width gives it; a window does not grow by itself.
void LookupSettings::fitText() {
    const int needed = layout()->totalHeightForWidth(width());
    if (needed > height()) resize(width(), needed);
}

void LookupSettings::setBusy(bool busy) {
    save_->setEnabled(!busy);
    forget_->setEnabled(!busy);
}

void LookupSettings::showWhere(const QString& problem) {
    const TmdbKey& key = TmdbKey::instance();
    QString where;
    switch (key.origin()) {
        case TmdbKey::Origin::Environment:
            where = QStringLiteral(
                "環境変数 REELNOTE_TMDB_KEY "
                "のキーを使っています（ここで保存したキーより先に使います）。");
            break;
        case TmdbKey::Origin::SecretStore:
            where = QStringLiteral(
                "キーはデスクトップのキーリングに保存されています。TMDb で調べます。");
            break;
        case TmdbKey::Origin::ThisRun:
            where =
                QStringLiteral("キーは、プログラムを閉じるまでの間だけ使います。TMDb で調べます。");
            break;
        case TmdbKey::Origin::None:
            where = QStringLiteral("キーは設定されていません。Wikidata だけで調べます。");
            break;
    }
    const QString said = problem.isEmpty() ? key.storeProblem() : problem;
    status_->setText(said.isEmpty() ? where : said + QStringLiteral("\n") + where);
    status_->setStyleSheet(said.isEmpty() ? QString() : QStringLiteral("color: #b00020;"));
    fitText();
}

void LookupSettings::save() {
    if (const QString problem = TmdbKey::keyProblem(key_->text()); !problem.isEmpty()) {
        showWhere(problem);
        return;
    }
    setBusy(true);
    status_->setText(QStringLiteral("保存しています…"));
    TmdbKey::instance().store(this, key_->text(), [this](const QString& problem) {
        setBusy(false);
        key_->clear();  // the key stays in the field no longer than needed
        showWhere(problem);
        emit keyChanged();
    });
}

void LookupSettings::forget() {
    setBusy(true);
    status_->setText(QStringLiteral("削除しています…"));
    TmdbKey::instance().forget(this, [this](const QString& problem) {
        setBusy(false);
        showWhere(problem);
        emit keyChanged();
    });
}
