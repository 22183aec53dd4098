#pragma once

#include <QColor>

// The seven scores' own colours, as the card draws them: the lit cells of a
// score's bar and the background of its item name. Wherever else a score is
// drawn (the charts), it keeps its colour.
namespace ScoreColours {

struct Pair {
    QColor lit;
    QColor label;
};

// Item k = 1..7; any other k has no colour (invalid colours).
inline Pair of(int k) {
    static const Pair colours[8] = {
        {},
        {QColor(0xFF, 0x80, 0x80), QColor(0xFF, 0xC0, 0xC0)},
        {QColor(0xFF, 0xC0, 0x80), QColor(0xFF, 0xE0, 0xC0)},
        {QColor(0xFF, 0xFF, 0x80), QColor(0xFF, 0xFF, 0xC0)},
        {QColor(0x80, 0xFF, 0x80), QColor(0xC0, 0xFF, 0xC0)},
        {QColor(0x80, 0xFF, 0xFF), QColor(0xC0, 0xFF, 0xFF)},
        {QColor(0x80, 0x80, 0xFF), QColor(0xC0, 0xC0, 0xFF)},
        {QColor(0xFF, 0x80, 0xFF), QColor(0xFF, 0xC0, 0xFF)},
    };
    return k >= 1 && k <= 7 ? colours[k] : Pair{};
}

}  // namespace ScoreColours
