#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <sys/types.h>

// The desktop's trash, laid out as every Linux file manager expects it: a
// trashed file goes into the files/ folder of a trash and a note beside it in
// info/ (the same name and ".trashinfo") says where it came from and when, so
// that the file manager lists it and can put it back.
//
// A file on the home's file system goes to the home trash ($XDG_DATA_HOME/Trash,
// else ~/.local/share/Trash), made when missing. A file on another file system
// goes to that disk's own trash in its top folder: $topdir/.Trash/$uid when the
// administrator made $topdir/.Trash a real folder with the sticky bit, else
// $topdir/.Trash-$uid. A file is only ever renamed, never copied, and nothing is
// written outside the trash chosen: where no trash takes the file it stays.
namespace Trash {

// The file systems paths live on. The program asks the system; a test says
// which of its folders stand for another disk, since it cannot mount one.
class Volumes {
public:
    virtual ~Volumes() = default;
    // The file system that holds path, following links; a missing path is
    // answered for the nearest folder above it that exists. False when none does.
    virtual bool device(const QString& path, dev_t* dev) const;
    // The top folder of the file system that holds the folder dir (where it is
    // mounted); dir is absolute and free of links.
    virtual QString topDir(const QString& dir) const;

    static const Volumes& real();
};

// Where trashes are looked for.
struct Places {
    QString home;  // the home trash; empty when the home is not known
    const Volumes* volumes = &Volumes::real();
    uid_t uid = 0;

    // The home trash from XDG_DATA_HOME (an absolute path) or HOME, the real
    // volumes and this user.
    static Places fromEnvironment();
};

struct Moved {
    QString file;    // the file in the trash
    QString reason;  // why it stayed, without its name; empty once moved
    bool ok() const { return reason.isEmpty(); }
};

// Moves the file (or link, not followed) at path into its trash, dated when.
// The note is made first, under a name taken by nobody ("甲.jpg", else "甲.2.jpg"...),
// then the file renamed next to it; a rename that fails takes the note back.
Moved moveToTrash(const QString& path, const Places& places = Places::fromEnvironment(),
                  const QDateTime& when = QDateTime::currentDateTime());

// The trash that would take the file at path, made or not yet: empty when none
// would. Nothing is made to find out.
QString trashFor(const QString& path, const Places& places = Places::fromEnvironment());

// The note the trash keeps beside a file in it.
QString infoFileOf(const QString& trashed);

// Forgets a file taken back out of the trash: its note goes. False when the
// note stays.
bool forget(const QString& trashed);

// A path as the note writes it: every byte but letters, digits, "-_.!~*'()"
// and "/" as %XX.
QByteArray encodePath(const QByteArray& path);

}  // namespace Trash
