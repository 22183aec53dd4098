#pragma once

#include "film_record.h"

#include <QString>
#include <QStringList>
#include <QVector>

// A text of a film changed to fit the data files: a character code page 932
// cannot hold, or a double quote, which the record files cannot hold.
struct FieldChange {
    QString field;  // 監督, 主演, 公開日, 国, ジャンル, キャスト, あらすじ, タイトル
    QString before;  // the part as the service wrote it
    QString after;   // what stands there now
};

// The card's pick lists, whose spellings a country or genre takes.
struct PickLists {
    QStringList Kuni;
    QStringList Janru;
};

// A film in the user's own words: what each field of the card would become.
// An empty value proposes nothing for that field.
struct FilmProposal {
    QString Daimei;   // the film's title as the service has it; the card keeps its own
    QString Kantoku;  // the directors, "、" between them
    QString Syuen;    // the first of the cast
    QString Koukai;   // as the data file writes a date: 2001/07/20, 2001/07 or 2001
    QString Kuni;
    QString Janru;
    QString Cast;     // キャスト_: "俳優名（役名）" a line, CR LF after each
    QString Arasuji;  // あらすじ_: the overview, CR LF line ends
    QString posterUrl;
    QVector<FieldChange> changes;
};

FilmProposal proposeFields(const Film& film, const PickLists& lists);

// The date as the data file writes it, or empty when unknown.
QString releaseDateText(const ReleaseDate& date);

// Of a film's countries (genres), the one to write: the first that the pick
// list holds under some name of it, as the list spells it; else the first,
// in Japanese (a label of the service, or the built-in name of an English one).
QString countryName(const QStringList& names, const QStringList& list);
QString genreName(const QStringList& names, const QStringList& list);
