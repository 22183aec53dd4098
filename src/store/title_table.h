#pragma once

#include "shared_text.h"

#include <QString>
#include <QVector>

#include <array>

// One title as the data file holds it. The name and the release date hardly
// repeat, so the title keeps them; its other texts are shared. Index 0 of the
// score and ownership arrays is never used, so that item k is at index k.
struct Title {
    QString Daimei;      // title name, unique; stem of the title's file names
    SharedText Kantoku;  // director
    SharedText Syuen;    // lead actor
    QString Koukai;      // release date as typed; first 7 characters are the year-month
    SharedText Kuni;     // country
    SharedText Janru;    // genre
    SharedText Hyouka;   // overall mark: ◎, ○, △ or empty
    std::array<qint16, 8> HyoukaTen{};  // item 1: 0..100, items 2..7: 0..10
    std::array<SharedText, 5> Syoyu;    // "○" owned, empty not owned

    bool operator==(const Title&) const = default;
};

// Attribute k of the pick lists: 1 director, 2 lead actor, 3 country, 4 genre.
inline constexpr SharedText Title::*kAttributeFields[] = {nullptr, &Title::Kantoku, &Title::Syuen,
                                                          &Title::Kuni, &Title::Janru};
inline SharedText& attributeOf(Title& t, int k) { return t.*kAttributeFields[k]; }
inline SharedText attributeOf(const Title& t, int k) { return t.*kAttributeFields[k]; }

inline const QString kOwned = QStringLiteral("○");

constexpr int kMaxRecords = 32766;  // every count of the files is a signed 16-bit number
constexpr int kScoreItems = 7;
constexpr int kOwnershipItems = 4;
constexpr int kFieldsPerTitle = 18;

inline int maxScore(int item) { return item == 1 ? 100 : 10; }

// Entries 1..TitleCount() in data-file order; entry 0 exists and stays empty,
// so that a title's number is its index.
class TitleTable {
public:
    TitleTable() { titles_.resize(1); }

    int TitleCount() const { return int(titles_.size()) - 1; }
    Title& operator[](int n) { return titles_[n]; }
    const Title& operator[](int n) const { return titles_[n]; }

    void clear() {
        titles_.resize(1);
        titles_[0] = Title{};
    }
    void append(Title t) { titles_.append(std::move(t)); }
    // Entry i becomes the old entry order[i - 1]; order must hold every title
    // number once. Each title moves once, in place.
    void reorder(const QVector<int>& order);
    void remove(int n) { titles_.remove(n); }
    void insert(int n, Title t) { titles_.insert(n, std::move(t)); }
    void reserve(int n) { titles_.reserve(n + 1); }
    // Number of the first title named exactly name, or 0.
    int find(const QString& name) const;

    bool operator==(const TitleTable&) const = default;

private:
    QVector<Title> titles_;
};
