#pragma once

#include "lookup/film_mapping.h"
#include "lookup/lookup_error.h"

#include <QByteArray>
#include <QWidget>

#include <functional>
#include <memory>

class CandidateDirectors;
class Catalogue;
class Change;
class FilmSource;
class LookupNetwork;
class PosterClient;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QTreeWidget;
class QTreeWidgetItem;
class QUrl;

// "ネットで調べる…": one title looked up on TMDb (with the user's key) or
// Wikidata, a candidate picked, and the checked fields written to the card as
// one step. A window of its own beside the main one, never modal: every request
// goes through the lookup's clients and answers through the event loop.
class LookupWindow : public QWidget {
    Q_OBJECT
public:
    using Perform = std::function<QString(std::unique_ptr<Change>)>;

    // title: the card's title, which the step fills; koukai: its 公開日.
    // perform runs the step through the window's undo history; done then shows
    // the card anew.
    LookupWindow(Catalogue& catalogue, const QString& title, const QString& koukai, Perform perform,
                 std::function<void()> done, QWidget* parent);
    ~LookupWindow() override;

    // The rows of the field table, in order.
    enum Row { Kantoku, Syuen, Koukai, Kuni, Janru, Cast, Arasuji, Poster, RowCount };

    void search();
    void pick();

private:
    void useKey(const QString& key);
    void makeSource();
    void openSettings();
    void showCandidates(const QVector<Candidate>& found);
    void showIcon(const QUrl& url, const QByteArray& bytes);
    void showDirector(const QString& id, const QString& directors);
    void showFilm(const Film& film);
    void showPoster(const QUrl& url, const QByteArray& bytes);
    void showError(const LookupError& error);
    void setRow(Row row, const QString& now, const QString& proposed, bool filled);
    void applyChecked();
    void setStatus(const QString& text, bool error = false);

    Catalogue& cat_;
    QString title_;
    Perform perform_;
    std::function<void()> done_;
    std::unique_ptr<LookupNetwork> network_;
    FilmSource* source_ = nullptr;
    PosterClient* posters_ = nullptr;
    PosterClient* icons_ = nullptr;  // the candidates' small posters, apart from the chosen one's
    CandidateDirectors* directors_ = nullptr;  // TMDb's candidates' directors, asked one by one
    QString key_;                              // the TMDb key as last known
    QString sourceKey_;                        // the key source_ was made with

    QLineEdit* text_ = nullptr;
    QLineEdit* year_ = nullptr;
    QPushButton* searchButton_ = nullptr;
    QTreeWidget* candidates_ = nullptr;
    QPushButton* pickButton_ = nullptr;
    QTableWidget* fields_ = nullptr;
    QPushButton* applyButton_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* attribution_ = nullptr;

    bool haveFilm_ = false;
    FilmProposal proposal_;
    QByteArray poster_;  // JPEG bytes; empty until the poster came
};
