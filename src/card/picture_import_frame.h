#pragma once

#include <QByteArray>
#include <QFrame>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

class CardFrame;
class QComboBox;
class QListWidget;
class QPushButton;
class ScreenHost;

// What the import panel decides about drives, folders and names; no widgets.
namespace PictureImport {

// A mounted file system as the system reports it.
struct Volume {
    QString rootPath;
    QByteArray fileSystemType;
    QString name;
};
// An entry of the drive list: where it leads and how it reads.
struct Drive {
    QString path;
    QString label;
};
// Kernel and memory file systems, and mounts under /proc, /sys, /dev, /run (but
// /run/media, where removable media appear) and /snap: nothing a user keeps pictures on.
bool isPseudoFileSystem(const Volume& v);
// Linux has no drive letters: the home folder first, then each real mounted file system once.
QVector<Drive> drives(const QString& home, const QVector<Volume>& volumes);
QVector<Volume> mountedVolumes();
// The drive that holds path: the one whose folder is the longest leading part of it.
int driveOf(const QVector<Drive>& list, const QString& path);

// A line of the folder list: the folders from the root down to the chosen one
// (open), then the folders inside it.
struct Folder {
    QString path;
    QString label;
    int depth = 0;
    bool open = false;
};
QVector<Folder> folderList(const QString& path);
// False for a folder that cannot be listed (gone, no medium, no permission).
bool canList(const QString& path);
// The .jpg and .bmp files of a folder, letter case ignored, sorted by name.
QStringList pictureFiles(const QString& folder);

// The picture's name in the data folder: the title and the last four characters
// of the chosen file, its extension in its own letter case ("X" + "poster.JPG" → "X.JPG").
QString targetName(const QString& title, const QString& fileName);
// Why a title cannot become a file name in the data folder (empty, "." or "..",
// path separators or other characters a file name cannot hold, control
// characters, too long), in a sentence; empty when it can.
QString titleProblem(const QString& title);
bool acceptableTitle(const QString& title);

}  // namespace PictureImport

// The picture import panel (fraPicget) that lies over the card: browse for a
// picture, preview it on the card and copy it in as the title's picture.
class PictureImportFrame : public QFrame {
    Q_OBJECT
public:
    PictureImportFrame(ScreenHost& host, CardFrame& card, QWidget* parent = nullptr);

    QString directory() const { return directory_; }
    // Points the folder and file lists at path, as a double-click on it does.
    // False (and a beep) when the folder cannot be listed.
    bool setDirectory(const QString& path);

public slots:
    // A click on the card's picture opens the panel.
    void imgGazou_Click();
    void drvZukei_Moto_Change(int index);
    void dirZukei_Moto_Change();
    void filZukei_Moto_Click();
    void cmdFileCopy_Click();
    void cmdYame_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildUi();
    void refreshDrives();
    void fillFolders();
    void fillFiles();
    void placeOverCard();
    QString chosenFile() const;
    // Says once per run and file that a picture was refused as too large.
    void warnOnce(const QString& path, const QString& text);

    ScreenHost& host_;
    CardFrame& card_;
    QString directory_;
    QVector<PictureImport::Drive> drives_;
    bool filling_ = false;
    QString previewed_;  // the file the card shows since the last click in the list
    QSet<QString> warned_;
    QComboBox* drvZukei_Moto_ = nullptr;
    QListWidget* dirZukei_Moto_ = nullptr;
    QListWidget* filZukei_Moto_ = nullptr;
    QPushButton* cmdFileCopy_ = nullptr;
    QPushButton* cmdYame_ = nullptr;
};
