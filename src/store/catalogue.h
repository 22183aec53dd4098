#pragma once

#include "data_dir.h"
#include "data_file.h"
#include "kansyou_table.h"
#include "seen_list.h"
#include "title_table.h"

#include <QHash>
#include <QStringListModel>

#include <array>
#include <functional>
#include <map>
#include <memory>

inline const QString kDataFile = QStringLiteral("データ.TXT");
inline const QString kHyoukaMasterFile = QStringLiteral("評価マスタ.txt");
inline const QString kSyoyuMasterFile = QStringLiteral("所有マスタ.txt");
inline const QString kSettingsFile = QStringLiteral("設定.TXT");
// Files of the music catalogue this program grew out of; nothing reads them,
// the initialise reset empties them.
inline const QString kMusicFiles[] = {
    QStringLiteral("曲目データ.TXT"), QStringLiteral("歌手マスタ.TXT"),
    QStringLiteral("作詞マスタ.TXT"), QStringLiteral("作曲マスタ.TXT"),
    QStringLiteral("編曲マスタ.TXT")};

// True for the program's own files (letter case aside), which no title named
// like one of them may take away with it.
bool isProgramFile(const QString& name);

// Names that a fresh evaluation and ownership master carry.
extern const std::array<QString, 8> kDefaultHyoukaKoumoku;  // [1..7]
extern const std::array<QString, 5> kDefaultSyoyuKoumoku;   // [1..4]

// The pick lists that the combos of the window show. The catalogue owns them
// so that state lives in one place; a combo only views its model.
enum class PickList {
    Name,
    Kantoku,
    Syuen,
    Kuni,
    Janru,
    Koukai,
    Koukai3,  // from the titles
    Kanbi,
    Kanbi2,
    Kansyou,  // from the viewing history
    Count
};

// Everything one run knows about the collection: the data directory, the
// title table with its seen-value lists and pick lists, the masters and the
// settings. Each operation either succeeds or returns a message for the user.
class Catalogue {
public:
    explicit Catalogue(const QString& dataDir);
    ~Catalogue();

    DataDir& dir() { return dir_; }
    const TitleTable& titles() const { return table_; }
    TitleTable& titles() { return table_; }
    int TitleCount() const { return table_.TitleCount(); }

    // txtD(1..9); index 0 is unused.
    SeenList& txtD(int k) { return txtD_[k]; }
    QStringListModel* pickList(PickList which) { return pick_[int(which)].get(); }

    // Rebuilds the table and the pick lists from "データ.TXT". A missing file
    // is created empty. Returns a message for the user when the file could
    // not be read whole (what was kept and where the original is saved), or
    // when it could not be created.
    QString LoadMainData();
    // Rewrites "データ.TXT" from the table. Empty on success, else a message.
    QString SaveMainData();

    // A data or history file read from UTF-8 or UTF-16 may hold characters code
    // page 932 cannot. Before the first rewrite of such a file the question is
    // asked once, with the file's name and what converting changes: true turns
    // them into what the code page holds (the original kept beside the file);
    // false, or no question set, keeps the file as it is and refuses its edits.
    using ConversionQuestion = std::function<bool(const QString& file, const QString& what)>;
    void setConversionQuestion(ConversionQuestion question) {
        askConversion_ = std::move(question);
    }

    // Edits that keep the table and the file in agreement: when the write
    // fails, the table is put back as it was and the message returned.
    QString storeTitle(int n, const Title& changed);
    // Several titles (number, new value; each number once) in one write.
    QString storeTitles(const QVector<std::pair<int, Title>>& changed);
    // Appends the record of a new, otherwise empty title to the file and the
    // table; it becomes the last title.
    QString appendTitle(const QString& name);
    // Puts title t back as title at (1..TitleCount() + 1), the titles from there
    // on moving up one; the pick lists follow.
    QString insertTitle(int at, const Title& t);
    // Rewrites the data file without title k and takes it out of the table;
    // the pick lists are rebuilt as a load would build them.
    QString removeTitle(int k);
    // Rewrites "データ.TXT" with the titles in the order of names, which must name
    // every title exactly once (otherwise nothing is written and the message says
    // why). The table takes the new order, and every list follows it as a load
    // of the new file would build them.
    QString rewriteInOrder(const QStringList& names);
    // The same with the titles given by number: numbers[i] is the title that
    // becomes title i + 1. For a caller that took the numbers while layout() was
    // what it is now.
    QString rewriteInNumberOrder(const QVector<int>& numbers);
    // Changes whenever titles are read again, added, removed or reordered: a
    // title number taken before names the same title while it stays the same.
    quint64 layout() const { return layout_; }
    // True when the data file holds exactly what writing the table would give (it
    // was last written by this run): reading it again would give the same table.
    bool fileMatchesTable() const { return dataKnown_ && shortRecords_.isEmpty(); }
    // Rebuilds every seen-value list and pick list of the titles from the table,
    // as a load would build them.
    void rebuildListsFromTable();
    // The same for one attribute's list (k = 1..4), or for the release year-months
    // and years alone.
    void rebuildAttributeList(int k);
    void rebuildReleaseLists();
    // Which lists adding or removing t at place at changes, values and the order
    // they were first met in: an attribute whose value no title before it holds,
    // or its release month likewise. Every other list stays as it is.
    struct Relist {
        std::array<bool, 5> attribute{};  // 1..4
        bool releases = false;
    };
    Relist listsMovedBy(int at, const Title& t) const;
    // Rebuilds the lists moved names, each as rebuildListsFromTable would.
    void relist(const Relist& moved);
    // Enter in an attribute combo: lists v (k = 1..4) unless it occurs anywhere
    // in the seen-value text, in its sorted place. True when it was added.
    bool addAttributeValue(int k, const QString& v);
    // Enter in the release box: lists the year-month ym unless already listed.
    bool addReleaseYearMonth(const QString& ym);

    const KansyouTable& kansyou() const { return kansyou_; }
    // Reads "鑑賞履歴.TXT" (a missing file is an empty history) and rebuilds the
    // viewing lists. A message for the user when the file could not be read whole.
    QString LoadKansyouRireki();
    // Start-up: reads, decodes and parses the data file and the history on threads
    // of their own while the window is built; the next LoadMainData and
    // LoadKansyouRireki take them over, waiting for them if need be. Nothing may
    // write either file in between.
    void startLoading();
    // Drops what startLoading read: the loads read the files again (after another
    // window may have changed them).
    void forgetStartedLoading();
    // Stores a viewing keeping the file in ascending date order: appended when
    // it is the latest, otherwise inserted after every record of its own date
    // by writing "鑑賞履歴コピー.txt" and renaming it over the history in one
    // step. The table and lists follow. Empty on success, else a message.
    QString AddKansyou(const Kansyou& k);
    // Takes viewing i (1-based) out of the history file, or puts k in as viewing i;
    // the caller keeps the file in date order. The table and the lists are then
    // what a fresh load gives. Empty on success, else a message.
    QString removeKansyou(int i);
    QString insertKansyou(int i, const Kansyou& k);
    // Viewing from goes and k comes in as viewing to (numbered without from), in one write.
    QString replaceKansyou(int from, const Kansyou& k, int to);

    // ---- Import: the whole collection written at once -------------------------
    // Replaces the titles and the viewing history with these. Each file whose bytes
    // change is first kept aside as "<file>.yyyyMMdd-HHmmss.bak" (named in *kept),
    // then written once; when the history cannot be written the data file is put
    // back, so that on any failure both files stay as they were. Afterwards the
    // tables and every pick list are what a fresh load of the files gives. Empty
    // on success, else a message for the user.
    QString replaceCollection(TitleTable titles, const QVector<Kansyou>& history,
                              QStringList* kept = nullptr);
    // The two halves of replaceCollection, for a caller that times them apart: the
    // files written (nothing of the catalogue changes yet), then the tables taken.
    struct WrittenCollection {
        bool dataChanged = false, historyChanged = false;
        TitleTable titles;
        KansyouTable viewings;
        QByteArray dataBytes;
        QVector<qsizetype> dataStarts, historyStarts;
    };
    QString writeCollection(TitleTable titles, const QVector<Kansyou>& history, QStringList* kept,
                            WrittenCollection* out);
    void takeCollection(WrittenCollection&& written);
    // Gives the data file and the history the bytes given (nullptr: left as it is),
    // both or neither, and reads them back as a load would: taking an import back.
    QString restoreCollection(const QByteArray* data, const QByteArray* history);
    // The same where a file may also be taken away: a file the import made, where
    // there was none, is missing again afterwards.
    struct RestoredFile {
        enum class Kind { Keep, Remove, Write } kind = Kind::Keep;
        QByteArray bytes;  // for Write
    };
    QString restoreCollection(const RestoredFile& data, const RestoredFile& history);
    // replaceCollection and writeCollection for an import done again: a copy named in
    // reusable that still holds a file's present bytes stands for the copy that file
    // would be kept aside in, so that every doing of one import keeps one pair.
    QString replaceCollection(TitleTable titles, const QVector<Kansyou>& history, QStringList* kept,
                              const QStringList& reusable);
    QString writeCollection(TitleTable titles, const QVector<Kansyou>& history, QStringList* kept,
                            WrittenCollection* out, const QStringList& reusable);
    // -----------------------------------------------------------------------------

    std::array<QString, 8> HyoukaKoumoku;  // [1..7]
    std::array<QString, 5> SyoyuKoumoku;   // [1..4]
    // 1 = tour on, 0 = off; LoadSettings leaves nothing else here.
    int HelpTour = 1;

    // Reads both masters; a missing master is created with the fresh names.
    QString LoadMasters();
    // Reads "設定.TXT"; a missing one is created with the help tour on. A value
    // other than 0 or 1 (garbage, empty, 5) turns the tour on and is reported in
    // the message, so that the tour and the check box agree.
    QString LoadSettings();
    // Writes HelpTour. Empty on success, else a message (HelpTour is left as set).
    QString SaveSettings();
    // Writes value as the help-tour setting and takes it only when it was written:
    // on failure HelpTour stays what the file holds, and the message says why.
    QString setHelpTour(int value);
    // Writes exactly seven (four) records to the evaluation (ownership) master and
    // takes the names on success. A name with a double quote or a character code
    // page 932 cannot hold is refused with a message; nothing is written then.
    QString SaveHyoukaMaster(const std::array<QString, 8>& names);
    QString SaveSyoyuMaster(const std::array<QString, 5>& names);

    // Writes text as code page 932, replacing the file atomically. Before the
    // first rewrite of a file that could not be read whole, the original is
    // kept beside it. Empty on success, else a message for the user.
    QString writeTextFile(const QString& name, const QString& text);
    // Reads and decodes a whole file; *problem describes a bad part that was left
    // out; *recoded tells that the file was UTF-8 and will be written back in
    // code page 932 (its original kept aside first).
    bool readTextFile(const QString& name, QString* text, QString* problem,
                      QByteArray* bytes = nullptr, bool* recoded = nullptr);

    // A free text (cast, synopsis, memo) as far as it can be read: a missing file is
    // empty; bytes that are no code page 932 show as "〓"; a UTF-16 or UTF-8 file is
    // read whole. Returns a message for the user when the file could not be read
    // whole, else empty. *fresh tells whether that message is news: the last read
    // of the same file did not report it. A file read in part is kept aside before
    // its first rewrite and never removed; one that cannot be read at all is not
    // written or removed until it is read again.
    QString readFreeText(const QString& name, QString* text, bool* fresh = nullptr);
    // Writes a free text the user saved (fileText as the file holds it). When another
    // program changed the file since it was read, its version is kept beside it
    // first ("メモ_X.txt.日時.bak") and the user told through takeNotices().
    QString saveFreeText(const QString& name, const QString& fileText);
    // Removes a free text that was saved empty. Refused, with a message, while the
    // file has not been read whole; empty when it is gone or could not be removed.
    QString removeFreeText(const QString& name);

    // Changes made elsewhere. Every file this run read (the data file, the history,
    // the masters, the settings and the free texts on the card) is watched: no
    // write goes over a change made by another program since (DataDir::watch).
    // This reads again, and watches anew, each of the first four that changed,
    // and returns their names; *problems gets what the loads reported.
    QStringList reloadChangedFiles(QStringList* problems = nullptr);
    // What the user should hear of since the last call: files read again because
    // they changed elsewhere, a free text kept aside before it was written over.
    QStringList takeNotices() { return std::exchange(notices_, {}); }
    // What a change did besides its own write that the user should know (a file
    // kept aside where no trash took it), told once the change is done.
    void addNote(const QString& text) { notes_ << text; }
    QStringList takeNotes() { return std::exchange(notes_, {}); }
    // Names of files read again by an operation since the last call.
    QStringList takeReloaded() { return std::exchange(reloaded_, {}); }
    // A run that does not own the folder: nothing is ever written (message says why).
    void setReadOnly(const QString& message) { dir_.setReadOnly(message); }
    bool readOnly() const { return dir_.readOnly(); }
    // The message a change made elsewhere is told with.
    static QString changedElsewhereNotice(const QStringList& files);

private:
    // Every list built apart from the catalogue's own, in two halves: meet, on any
    // thread while nothing changes the table; finish, on the window's thread.
    class Relisting;
    std::shared_ptr<Relisting> beginRelisting();
    static void meet(Relisting& relisting, const TitleTable& table);
    void finishRelisting(Relisting& relisting);
    void noteReloaded(const QString& name);
    void watchRead(const QString& name, FileIo::ReadResult read, const QByteArray& bytes);
    void watchText(const QString& actual, FileIo::ReadResult read, const QByteArray& bytes);
    QString keepOtherVersion(const QString& name, bool removing);
    QString freeCopyName(const QString& actual) const;
    FileIo::ReadResult readFile(const QString& name, QString* text, QString* problem,
                                QByteArray* bytes, bool* recoded);
    // A data or history file that exists but cannot be read: no change may write it.
    QString refuseUnreadable(const QString& name, const QString& why, const QString& what);
    void refuseChangesOf(const QString& actual, const QString& why);
    // A data file of more titles than a table holds: no change may rewrite it.
    QString refuseOverLimit(const QString& actual);
    QString firstUnencodableTitle(int skip);
    QString keepOriginal(const QString& name);
    QString damagedFileMessage(const QString& name, const QString& what, const QString& kept);
    QString recodedFileMessage(const QString& name, TextEncoding encoding = TextEncoding::Utf8);
    // The load message for a data or history file: what was wrong, what was read,
    // and, when a rewrite would change what it says, that the original is kept.
    QString readReport(const QString& name, const ReadProblem& p, const QString& noun);
    // Settles the characters code page 932 cannot hold before a rewrite of the
    // file: asks once; true when the table may be converted and written (then
    // *convert is set), false with a message when the file must stay as it is.
    enum class Foreign { None, Unasked, Convert, Refused };
    struct ForeignFile {
        Foreign state = Foreign::None;
        QString what;             // the characters and what they become
        QByteArray refusedBytes;  // the file as it was when the conversion was declined
    };
    QString settleForeign(const QString& name, ForeignFile* file, bool* convert);
    // After a load: what the file holds that code page 932 cannot.
    static void noteForeign(ForeignFile* file, const ReadProblem& p, const QByteArray& bytes);
    // Writes every title but skip (0: none) and remembers where each record stands.
    QString writeWholeDataFile(int skip);
    // Rewrites the data file with title order[i] as title i + 1 (order holds
    // every title once) and reorders the table to match.
    QString writeInOrder(const QVector<int>& order);
    // Replaces the bytes of record n (removes them when record is empty) and writes the file.
    QString spliceDataFile(int n, const QByteArray& record);
    QString spliceDataFile(std::map<int, QByteArray> replaced);
    void forgetDataBytes();
    static void releaseReadingBuffers();
    void rebuildPickLists();
    // The seen-value and pick lists of the titles as a load builds them, made from
    // the file as read (on any thread) and put in place on the window's.
    struct TitleLists {
        std::array<SeenList, 9> txtD;       // [1..5] and [8]
        std::array<QStringList, 5> values;  // [1..4], sorted
        QStringList koukai, koukai3;
    };
    static TitleLists listsOf(const DataText& d);
    void applyLists(TitleLists lists);
    void setPickList(PickList which, const QStringList& items);
    void rebuildViewingLists();
    // LoadKansyouRireki, handing back the bytes it read.
    QString loadHistory(QByteArray* bytes);
    QString rewriteHistory(const QByteArray& bytes);
    // Record removed (0: none) goes, then k (nullptr: none) comes in as record at of
    // what is left; one write.
    QString editHistory(int removed, const Kansyou* k, int at);
    QString loadMaster(const QString& name, QString* names, int count, const QString* defaults);
    QString saveMaster(const QString& name, const QString* names, int count);
    // Before the first load of either file: what an import killed half way left
    // (import_journal.h), settled; a sentence for the user, or empty.
    QString settleImportJournal();
    bool journalSettled_ = false;

    DataDir dir_;
    TitleTable table_;
    bool dataWhole_ = true;  // the data file was read to its end
    // After a rewrite of the whole file: its bytes and where each record starts,
    // so that an edit of one title writes the file without encoding it all again.
    bool dataKnown_ = false;
    quint64 layout_ = 0;
    QByteArray dataBytes_;
    QVector<qsizetype> dataStarts_;
    // Titles added since, whose records still have the short form of a new title:
    // the next splice writes them in full, so the file stays what a whole rewrite
    // would give.
    QVector<int> shortRecords_;
    std::array<SeenList, 10> txtD_;
    std::array<std::unique_ptr<QStringListModel>, int(PickList::Count)> pick_;
    KansyouTable kansyou_;
    // Where each record of the history file starts, so that an insertion splices
    // bytes instead of rewriting records.
    QVector<qsizetype> historyStarts_;  // byte offset of each record
    bool historyWhole_ = false;
    struct FileRead;
    // What startLoading began, not yet taken over.
    std::unique_ptr<FileRead> dataRead_, historyRead_;
    // The started read of name, waited for, or one made now.
    std::unique_ptr<FileRead> takeRead(std::unique_ptr<FileRead>* started, const QString& name,
                                       bool isData);
    // Characters code page 932 cannot hold in the data and history files as read.
    ForeignFile dataForeign_, historyForeign_;
    ConversionQuestion askConversion_;
    // Originals of files that were read only in part, kept until their first rewrite.
    QHash<QString, QByteArray> damagedOriginals_;
    // Free texts not read whole, with what was wrong, until they are written anew.
    QHash<QString, QString> partlyRead_;
    // The free texts read last, watched for changes made elsewhere; older ones are
    // let go, so that browsing every title does not watch every file.
    QStringList watchedTexts_;
    QStringList notices_;
    QStringList notes_;
    QStringList reloaded_;
};
