#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

// The lookup's settings: the user's TMDb key, kept in the desktop's secret
// store (or for this run where there is none), never in the data folder. A
// small window of its own, never modal.
class LookupSettings : public QWidget {
    Q_OBJECT
public:
    explicit LookupSettings(QWidget* parent);

signals:
    // A key was saved or removed: the next search asks accordingly.
    void keyChanged();

private:
    void save();
    void forget();
    void showWhere(const QString& problem = {});
    void setBusy(bool busy);
    void fitText();

    QLineEdit* key_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* forget_ = nullptr;
    QLabel* status_ = nullptr;
};
