#pragma once

#include "lookup/batch_lookup.h"
#include "lookup/fill_plan.h"

#include <QTimer>
#include <QWidget>

#include <memory>

class FilmSource;
class LookupNetwork;
class PosterClient;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;
class ScreenHost;

// "ネットから情報を補う…": every title with empty fields looked up on TMDb (with
// the user's key) or Wikidata in the background, the answers previewed one row
// a title, and the checked proposals written as one step. A window of its own
// beside the main one, never modal; nothing is written before 反映.
class FillWindow : public QWidget {
    Q_OBJECT
public:
    FillWindow(ScreenHost& host, QWidget* parent);
    ~FillWindow() override;

    // The columns of tblFill.
    enum Column { ColTitle, ColState, ColWrites, ColCandidates, ColumnCount };

    void start();
    void cancel();
    void resolve();
    void apply();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // What one row of the table stands for.
    struct Row {
        FillNeed need;
        BatchAnswer::Kind kind = BatchAnswer::Kind::NotFound;
        QVector<Candidate> candidates;
        FillProposal proposal;
        QString chosenId;  // a candidate the user picked, to be fetched
        QString error;     // why its last request failed
        bool applied = false;
    };
    enum class Round { None, First, Resolve };

    void useKey(const QString& key);
    void openSettings();
    void makeSource();
    void listTitles();
    void takeAnswer(int index, const BatchAnswer& answer);
    void takeProgress(int done, int total);
    void showSoon();
    void showAnswers();
    void takeFinished(bool cancelled, const LookupError& stopped);
    void showRow(int r);
    void offerCandidates(int r);
    void pickCandidate(int r, int index);
    void setStatus(const QString& text, bool error = false);
    void updateButtons();
    QString summary() const;

    ScreenHost& host_;
    std::unique_ptr<LookupNetwork> network_;
    FilmSource* source_ = nullptr;
    PosterClient* posters_ = nullptr;
    BatchLookup* batch_ = nullptr;
    QString key_;        // the one the source asks with
    QString wantedKey_;  // the newest; taken at the next 開始
    PickLists lists_;

    QVector<FillNeed> needs_;  // what the first round asks, in order
    QVector<Row> rows_;        // one a row of the table, in its order
    QVector<int> resolving_;   // the rows the round of picks asks, in order
    Round round_ = Round::None;
    QVector<int> unshown_;  // rows answered since they were last shown
    int done_ = 0, total_ = 0;
    QTimer showTimer_;

    QLabel* count_ = nullptr;
    QPushButton* startButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* status_ = nullptr;
    QTableWidget* table_ = nullptr;
    QPushButton* resolveButton_ = nullptr;
    QPushButton* applyButton_ = nullptr;
    QLabel* attribution_ = nullptr;
};
