#include "live_window.h"

#include <QListWidget>

#include <utility>

bool LiveWindow::open(QString* error) {
    window.Form_Load();
    if (window.isHidden()) {
        *error = QStringLiteral("the window did not open");
        return false;
    }
    // A user's first change comes long after the folder's listing is done.
    window.catalogue().dir().waitForListing();
    return boxesWere({}, error);
}

bool LiveWindow::boxesWere(const QStringList& expected, QString* error) {
    const QStringList shown = std::exchange(prompts.boxes, {});
    bool same = shown.size() == expected.size();
    for (qsizetype i = 0; same && i < shown.size(); ++i) same = shown[i].startsWith(expected[i]);
    if (same) return true;
    *error = QStringLiteral("%1 box(es) appeared where %2 were expected: %3")
                 .arg(shown.size())
                 .arg(expected.size())
                 .arg(shown.join(QStringLiteral(" | ")));
    return false;
}

bool LiveWindow::chooseIn(const char* list, const QString& item, QString* error) {
    auto* l = child<QListWidget>(QLatin1String(list), error);
    if (!l) return false;
    const QList<QListWidgetItem*> found = l->findItems(item, Qt::MatchExactly);
    if (found.size() != 1) {
        *error = QStringLiteral("%1 has no item %2").arg(QLatin1String(list), item);
        return false;
    }
    l->clearSelection();
    found[0]->setSelected(true);
    return true;
}
