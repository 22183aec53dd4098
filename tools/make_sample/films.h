#pragma once

#include <QRgb>

#include <array>
#include <span>

// The facts of the sample collection. Texts are UTF-8; every one must have a
// code page 932 form, which main.cpp checks before writing anything.

struct FilmRow {
    const char* daimei;
    const char* kantoku;
    const char* syuen;
    const char* koukai;  // YYYY/MM/DD, or YYYY/MM where the day is not certain
    const char* kuni;
    const char* janru;
    const char* hyouka;         // ◎, ○, △ or empty
    std::array<int, 7> scores;  // 総合 0..100, the other six 0..10
    const char* syoyu;          // DVD, ブルーレイ, ビデオ, 配信: '1' owned, '0' not
};

// Cast, synopsis and memo of a title; lines separated by '\n'. An empty text
// means the file is not written.
struct FreeTextRow {
    const char* daimei;
    const char* cast;
    const char* synopsis;
    const char* memo;
};

struct ViewingRow {
    const char* date;  // YYYY/MM/DD
    const char* daimei;
    const char* content;
};

enum class Motif {
    Rain,
    LowSun,
    Snow,
    Shoji,
    Waves,
    Lanterns,
    Umbrella,
    Plaid,
    Well,
    Bubbles,
    Planet,
    Spotlight,
    Mountains,
    Blinds,
    Grid,
    Rose,
    Diamonds,
    Shadows,
    Tricolour,
    Dots,
    Towers,
    Neon,
};

enum class PosterShape { Portrait, Landscape, Square };
enum class PosterFormat { Jpeg, Bmp };

struct PosterRow {
    const char* daimei;
    Motif motif;
    QRgb top;     // background gradient, top colour
    QRgb bottom;  // background gradient, bottom colour (same as top for a flat one)
    QRgb accent;  // colour of the motif
    QRgb ink;     // colour of the type
    bool serif;
    bool vertical;  // title set top to bottom, for the old Japanese films
    PosterShape shape;
    PosterFormat format;
    const char* titleLines;  // title broken where it is too long for one line, or nullptr
};

std::span<const FilmRow> films();
std::span<const FreeTextRow> freeTexts();
std::span<const ViewingRow> viewings();
std::span<const PosterRow> posters();
