#include "help_window.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
const QString kIndex = QStringLiteral("index.html");

QString indexIn(const QString& dir) { return QDir(dir).filePath(kIndex); }

// An empty or unreadable file would show a blank window, which tells the
// user less than the notice does.
bool usableDocument(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && info.isReadable() && info.size() > 0;
}

bool isPage(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("html") || suffix == QLatin1String("htm");
}
}  // namespace

HelpWindow::HelpWindow(const QStringList& searchDirs, QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("リールノート ヘルプ"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(760, 600);

    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(6, 6, 6, 6);
    v->setSpacing(4);
    auto* bar = new QHBoxLayout;
    auto button = [&](const char* name, const QString& caption, const QString& tip) {
        auto* b = new QToolButton(this);
        b->setObjectName(QLatin1String(name));
        b->setText(caption);
        b->setToolTip(tip);
        b->setEnabled(false);
        bar->addWidget(b);
        return b;
    };
    back_ =
        button("cmdHelpBack", QStringLiteral("◀ 戻る"), QStringLiteral("前に見ていた所へ戻ります"));
    forward_ = button("cmdHelpForward", QStringLiteral("進む ▶"),
                      QStringLiteral("戻る前に見ていた所へ進みます"));
    home_ =
        button("cmdHelpHome", QStringLiteral("目次"), QStringLiteral("最初のページを表示します"));
    bar->addStretch(1);
    v->addLayout(bar);

    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("helpBrowser"));
    // Links go through openLink, which keeps the help to its own files and offline.
    browser_->setOpenLinks(false);
    connect(browser_, &QTextBrowser::anchorClicked, this, &HelpWindow::openLink);
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QWidget::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QWidget::setEnabled);
    connect(back_, &QToolButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward_, &QToolButton::clicked, browser_, &QTextBrowser::forward);
    connect(home_, &QToolButton::clicked, browser_, &QTextBrowser::home);
    v->addWidget(browser_, 1);

    const QString dir = HelpWindows::helpDirectory(searchDirs);
    if (dir.isEmpty())
        showMissingNotice(searchDirs);
    else
        showDocument(indexIn(dir));
}

void HelpWindow::showDocument(const QString& path) {
    documentPath_ = path;
    browser_->setSearchPaths({QFileInfo(path).absolutePath()});
    browser_->setSource(QUrl::fromLocalFile(path));
    home_->setEnabled(true);
}

void HelpWindow::showMissingNotice(const QStringList& searchDirs) {
    QString places;
    for (const QString& dir : searchDirs)
        places += QStringLiteral("<li>%1</li>")
                      .arg(QDir::toNativeSeparators(indexIn(dir)).toHtmlEscaped());
    if (places.isEmpty()) places = QStringLiteral("<li>（探す場所がありません）</li>");
    browser_->setHtml(
        QStringLiteral("<h2>ヘルプ文書が見つかりません。</h2>"
                       "<p>次の場所を探しましたが、読み込めるヘルプ文書（index.html）は"
                       "ありませんでした。</p><ul>%1</ul>"
                       "<p>ヘルプ文書はプログラムと一緒にインストールされます。"
                       "プログラムをインストールし直してください。</p>")
            .arg(places));
}

void HelpWindow::openLink(const QUrl& url) {
    const QUrl target = browser_->source().resolved(url);
    if (!target.isLocalFile()) return;
    const QString path = target.toLocalFile();
    if (!isPage(path) || !QFileInfo(path).isFile()) return;
    browser_->setSource(target);
}

HelpWindows::HelpWindows(QWidget* owner, QStringList searchDirs)
    : owner_(owner), searchDirs_(std::move(searchDirs)) {}

void HelpWindows::open() {
    if (!owner_) return;
    if (!window_ || !window_->isVisible()) {
        // A window the user closed is already on its way out (it deletes itself on close).
        if (window_) window_->deleteLater();
        window_ = new HelpWindow(searchDirs_, owner_);
    }
    if (window_->isMinimized())
        window_->showNormal();
    else
        window_->show();
    window_->raise();
    window_->activateWindow();
}

void HelpWindows::closeAll() {
    if (window_) window_->close();
}

int HelpWindows::openCount() const { return window_ && window_->isVisible() ? 1 : 0; }

QStringList HelpWindows::searchDirectories() {
    const QString app = QCoreApplication::applicationDirPath();
    return {QDir(app).filePath(QStringLiteral("help")),
            QDir::cleanPath(app + QStringLiteral("/../share/reelnote/help"))};
}

QString HelpWindows::helpDirectory(const QStringList& dirs) {
    for (const QString& dir : dirs)
        if (usableDocument(indexIn(dir))) return dir;
    return QString();
}
