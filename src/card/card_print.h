#pragma once

#include <QColor>
#include <QImage>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

class QPagedPaintDevice;

// One title on one page: its name, poster, fields, mark, scores, ownership,
// viewings and free texts. The free texts take the room left under the rest,
// in smaller type where they need it.
namespace CardPrint {

struct Score {
    QString item;
    int value = 0;
    int lit = 0;  // cells of ten lit, as the card's bar
    QColor colour;
};

struct Card {
    QString name;
    QVector<QPair<QString, QString>> fields;  // caption, value
    QVector<Score> scores;
    QVector<QPair<QString, bool>> ownership;  // item, owned
    QVector<QStringList> viewings;            // number, date, how
    QVector<QPair<QString, QString>> texts;   // caption, text
    QImage poster;                            // null: none
};

// Paints the card on one page of device; false when it could not be painted on.
bool paint(QPagedPaintDevice& device, const Card& card);
// The card as a one-page PDF document.
QByteArray pdf(const Card& card);

}  // namespace CardPrint
