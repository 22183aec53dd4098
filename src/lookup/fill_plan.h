#pragma once

#include "film_mapping.h"
#include "film_record.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <memory>
#include <utility>

class Catalogue;
class Change;

// The fields of one title that a fill from the internet may write: those that
// are empty now. A fill never writes over what the user has.
struct FillNeed {
    QString name;
    int year = 0;  // of its 公開日; 0 when it has none
    bool Kantoku = false, Syuen = false, Koukai = false, Kuni = false, Janru = false;
    bool Cast = false, Arasuji = false, Poster = false;

    bool any() const {
        return Kantoku || Syuen || Koukai || Kuni || Janru || Cast || Arasuji || Poster;
    }
};

// Title n's empty fields, as the files hold them now.
FillNeed fillNeedOf(Catalogue& c, int n);
// Every title with an empty field, in the table's order.
QVector<FillNeed> titlesToFill(Catalogue& c);
// The countries and genres the pick lists hold, whose spellings a fill takes.
PickLists pickListsOf(Catalogue& c);

// What a fill would write to one title: its empty fields that the film has.
struct FillProposal {
    FillNeed need;
    FilmProposal fields;
    QByteArray poster;   // JPEG; empty: no picture written
    QString source, id;  // the film's, for the user

    // (field, value) of each field the fill writes, in the card's order.
    QVector<std::pair<QString, QString>> writes() const;
    bool empty() const { return writes().isEmpty(); }
};

FillProposal proposeFill(const FillNeed& need, const Film& film, const PickLists& lists,
                         const QByteArray& posterBytes);

// The step that writes every proposal as one: the titles' fields in one write
// of the data file, then their free texts and pictures. A field that is no
// longer empty when the step is made is left as it is. Null when nothing is
// left to write, or with *problem when a file cannot be read.
std::unique_ptr<Change> fillStep(Catalogue& c, const QVector<FillProposal>& proposals,
                                 QString* problem);

// A poster's bytes as the card keeps a picture: JPEG. Bytes that decode to no
// picture give nothing.
QByteArray posterAsJpeg(const QByteArray& bytes);
