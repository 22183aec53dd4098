#pragma once

#include "store/kansyou_table.h"
#include "store/title_table.h"

#include <QString>
#include <QStringList>

#include <array>

// Reads a data directory without changing anything and lists, in Japanese,
// what a collector would want to know is inconsistent: records that could not
// be read or were read only in part, duplicate title names, free texts and
// pictures of no title, viewings of no title, viewings dated before the
// title's release, and text that code page 932 cannot hold.
namespace FolderCheck {

// A collection as read from a data directory, without writing anything: the
// program's own loader creates missing files, which a check or an export must not.
struct Collection {
    TitleTable titles;
    KansyouTable history;
    std::array<QString, 8> hyoukaKoumoku;  // [1..7]; the fresh names when the master is missing
    std::array<QString, 5> syoyuKoumoku;   // [1..4]
    QStringList problems;                  // what could not be read, for the user
};
Collection read(const QString& dataDir);

struct Report {
    QStringList findings;  // one line each; empty when the folder is consistent
    int titles = 0;
    int viewings = 0;
};

Report check(const QString& dataDir);

}  // namespace FolderCheck
