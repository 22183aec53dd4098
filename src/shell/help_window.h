#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWidget>

class QTextBrowser;
class QToolButton;

// A window showing the program's own help document (index.html of a help
// folder). It belongs to the window that opened it, so it stays with the
// program and goes when that window goes. When no folder holds the document,
// the window says so and names the places it looked.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    HelpWindow(const QStringList& searchDirs, QWidget* owner);

    QTextBrowser* browser() const { return browser_; }
    // The file shown at opening; empty when the document was not found.
    QString documentPath() const { return documentPath_; }

public slots:
    // Follows a link of the document: pages and anchors of local files that
    // exist. Anything else (web addresses, missing pages) leaves the page as it is.
    void openLink(const QUrl& url);

private:
    void showDocument(const QString& path);
    void showMissingNotice(const QStringList& searchDirs);

    QTextBrowser* browser_ = nullptr;
    QToolButton* back_ = nullptr;
    QToolButton* forward_ = nullptr;
    QToolButton* home_ = nullptr;
    QString documentPath_;
};

// The help windows of one owner: "ヘルプ" opens (or brings forward) the help
// window, "終了" closes it.
class HelpWindows {
public:
    explicit HelpWindows(QWidget* owner, QStringList searchDirs = searchDirectories());

    // Shows the help window on its first page; a window already open is raised
    // instead of opening a second one.
    void open();
    void closeAll();
    // Help windows open on screen (0 or 1).
    int openCount() const;
    HelpWindow* window() const { return window_; }

    // Where an installed program keeps its help folder, in the order searched:
    // next to the executable, then the shared data folder of an installation.
    static QStringList searchDirectories();
    // The first of dirs holding a readable, non-empty index.html; empty when none does.
    static QString helpDirectory(const QStringList& dirs = searchDirectories());

private:
    QPointer<QWidget> owner_;
    QStringList searchDirs_;
    QPointer<HelpWindow> window_;
};
