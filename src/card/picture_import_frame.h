#pragma once

#include <QByteArray>
#include <QFrame>
#include <QImage>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

class CardFrame;
class QComboBox;
class QLabel;
class QListWidget;
class QMimeData;
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

// What a drop or a paste offers, taken from its data at once (the data goes
// with the drag): the first local file among its URLs, else picture bytes it
// carries (a browser's "image/png"...), else a picture it carries decoded, else
// the first other URL, which is only named: nothing is fetched.
struct Offer {
    QString localFile;
    QByteArray bytes;
    QImage image;
    QString remoteUrl;
    bool empty() const {
        return localFile.isEmpty() && bytes.isEmpty() && image.isNull() && remoteUrl.isEmpty();
    }
};
Offer offerOf(const QMimeData* mime);

// The picture an offer brings, as the data folder keeps pictures: a JPEG, GIF or
// BMP keeps its bytes, any other picture Qt reads becomes a JPEG of quality 90
// (the card shows .jpg, .gif and .bmp). Or why it brings none.
struct Brought {
    QByteArray bytes;   // the file as it will be written
    QString extension;  // ".jpg", ".gif", ".bmp"; a kept file's own letter case
    QImage preview;     // decoded to fit box
    QSize naturalSize;
    QString problem;  // for the user; empty when the picture can be taken
    QString problemTitle;
    bool ok() const { return problem.isEmpty(); }
};
Brought bring(const Offer& offer, QSize box);

}  // namespace PictureImport

// The picture import panel (fraPicget) that lies over the card: browse for a
// picture, preview it on the card and copy it in as the title's picture. A
// picture dropped on the card's picture or pasted on the card comes in the same way.
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
    // A picture dropped on the card's picture or pasted on the card: previewed,
    // and after OK stored as the import stores it.
    void takeOffer(const PictureImport::Offer& offer);
    // Ctrl+V on the card that no text box took: the clipboard's picture or file.
    void pastePicture();
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
    // The steps shared by the import, a drop and a paste. pictureTitle: the card's
    // title, or empty after saying why it cannot take a picture.
    QString pictureTitle();
    bool confirmOverwrite(const QString& target);
    bool storePicture(const QString& target, const QByteArray& bytes, const QString& title);
    QSize previewBox() const;
    // The drop and paste of pictures on the card.
    void acceptPictures();
    bool pictureDragEvent(QEvent* event);
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
    QLabel* imgGazou_ = nullptr;
};
