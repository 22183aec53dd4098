#pragma once

#include "kansyou_table.h"
#include "title_table.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <array>
#include <memory>
#include <vector>

class Catalogue;

// One change of the collection that the user made, as a step that can be done
// again and taken back. A step names its titles by name, not by number: done
// again after the files were read anew (they changed elsewhere), it finds its
// title wherever it is now, or says that it is gone. Every step writes through
// the catalogue, and so through the one checked, durable file routine.
class Change {
public:
    virtual ~Change() = default;
    // What the step did, for the user: "監督の変更 「七人の侍」".
    virtual QString text() const = 0;
    // Does (or does again) the step on the catalogue as it is now. Empty on
    // success, else a message for the user; nothing changed then.
    virtual QString apply(Catalogue& c) = 0;
    // Takes the step back; the same contract.
    virtual QString revert(Catalogue& c) = 0;
    // The title the card shows after the step was done or taken back; empty keeps
    // the title shown.
    virtual QString titleName() const { return {}; }
    // False for a change that is saved like any other but is no step of the undo
    // history (the help-tour switch).
    virtual bool undoable() const { return true; }
    // After the step was taken back or done again: every pick list as a fresh load
    // of the files would make it. (Done the first time, a step leaves the lists as
    // the screens keep them.) By default every list of the titles is built again.
    virtual void relist(Catalogue& c) const;
    // The memory the step keeps, roughly, so that a long history stays bounded.
    virtual qsizetype cost() const { return 256; }
    // After apply or revert gave a problem: true when part of it was done all the
    // same (the title put back, one of its files not). The step then counts as
    // done, so that the history is not stuck on it.
    virtual bool partlyDone() const { return false; }
    // Called before the files are read again ahead of apply: a step that names its
    // titles by number takes their names now, while the numbers still mean them.
    virtual void beforeReload(Catalogue&) {}
};

namespace Changes {

// The title named name, at number hint if it is still there, else its first
// place; 0 when it is gone.
int locate(const TitleTable& table, const QString& name, int hint);
// The message for a step whose title is no longer there.
QString titleGone(const QString& name);

// An edit of one title on the card: the fields in which before and after differ
// are set, the others keep what the file holds now.
std::unique_ptr<Change> editTitle(int n, const Title& before, const Title& after,
                                  const std::array<QString, 8>& hyoukaKoumoku,
                                  const std::array<QString, 5>& syoyuKoumoku);
// "新規": a title of that name, otherwise empty, at the end.
std::unique_ptr<Change> addTitle(const QString& name);
// "削除": the record of title n goes; so do the title's own files (name + ".txt",
// ".jpg" and so on), moved to the desktop's trash where there is one and kept
// aside in the folder as dated copies otherwise (the user is told which), so
// that taking it back puts them back.
std::unique_ptr<Change> deleteTitle(const Catalogue& c, int n);
// A viewing saved on the card.
std::unique_ptr<Change> addViewing(const Kansyou& k);
// A viewing of the card's grid corrected (record i, 1-based, becomes k) or deleted.
std::unique_ptr<Change> correctViewing(const Catalogue& c, int i, const Kansyou& old,
                                       const Kansyou& k);
std::unique_ptr<Change> deleteViewing(const Catalogue& c, int i);
// A new order of the titles, given by name as a list showed them: the titles
// named come in that order, those the list did not show (added elsewhere since)
// follow in their order, and names no longer there are passed over. text names
// the act ("メインに反映", "表示順の変更").
std::unique_ptr<Change> reorder(const Catalogue& c, const QStringList& names, const QString& text);
// The same with the titles given by number as layout() now numbers them:
// numbers[i] becomes title i + 1.
std::unique_ptr<Change> reorderByNumber(const Catalogue& c, const QVector<int>& numbers,
                                        const QString& text);
// The names of the evaluation (items 1..7) or ownership (1..4) master: the items
// the user changed are set, the others keep what the file holds now.
std::unique_ptr<Change> renameHyoukaItems(const std::array<QString, 8>& before,
                                          const std::array<QString, 8>& after);
std::unique_ptr<Change> renameSyoyuItems(const std::array<QString, 5>& before,
                                         const std::array<QString, 5>& after);
// A free text saved on the card: after as the file holds it, "" removes the file;
// before is what the file held (read just now), "" for none.
std::unique_ptr<Change> saveFreeText(const QString& name, const QString& before,
                                     const QString& after, const QString& title);
// The help-tour switch (no undo step).
std::unique_ptr<Change> setHelpTour(int value);

}  // namespace Changes

namespace Changes {

// A title's picture brought in (the import, a drop or a paste): the file name of
// the data folder comes to hold bytes. Taken back, it holds again the very bytes
// it held before, or is gone if there was none.
std::unique_ptr<Change> setPicture(const QString& name, const QByteArray& bytes,
                                   const QString& title);

}  // namespace Changes

namespace Changes {

// A title filled from an online film database: its fields, free texts and
// picture (the steps above) as one step. Done or taken back, the parts go in
// order (backwards when taken back); when one cannot be, those already done are
// undone again, so that the step happens whole or not at all.
std::unique_ptr<Change> fillTitle(const QString& title, std::vector<std::unique_ptr<Change>> parts);

// One title's fields, before and after, at number n when it was read.
struct TitleChange {
    int n = 0;
    Title before, after;
};
// The fields of many titles in one write of the data file; checked as
// editTitle is, the whole or nothing.
std::unique_ptr<Change> editTitles(QVector<TitleChange> edits);
// count titles filled from an online film database as one step (parts: an
// editTitles and the titles' free texts and pictures).
std::unique_ptr<Change> fillTitles(int count, std::vector<std::unique_ptr<Change>> parts);

}  // namespace Changes
