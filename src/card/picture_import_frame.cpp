#include "picture_import_frame.h"

#include "card/card_frame.h"
#include "card/card_rules.h"
#include "shell/picture_reader.h"
#include "shell/prompts.h"
#include "shell/screen_host.h"
#include "store/catalogue.h"
#include "store/changes.h"
#include "store/cp932.h"
#include "store/title_name.h"

#include <QBuffer>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImageReader>
#include <QImageWriter>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QStorageInfo>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>

#include <dirent.h>

namespace PictureImport {

bool isPseudoFileSystem(const Volume& v) {
    static const QList<QByteArray> kinds = {
        "proc",       "sysfs",      "devtmpfs",  "devpts",      "tmpfs",
        "ramfs",      "cgroup",     "cgroup2",   "securityfs",  "pstore",
        "bpf",        "debugfs",    "tracefs",   "configfs",    "fusectl",
        "mqueue",     "hugetlbfs",  "autofs",    "binfmt_misc", "efivarfs",
        "nsfs",       "rpc_pipefs", "selinuxfs", "squashfs",    "fuse.gvfsd-fuse",
        "fuse.portal"};
    if (kinds.contains(v.fileSystemType)) return true;
    const QString p = QDir::cleanPath(v.rootPath);
    const auto under = [&p](const QString& top) {
        return p == top || p.startsWith(top + QLatin1Char('/'));
    };
    if (under(QStringLiteral("/run/media"))) return false;
    for (const char* top : {"/proc", "/sys", "/dev", "/run", "/var/run", "/snap"})
        if (under(QLatin1String(top))) return true;
    return false;
}

QVector<Drive> drives(const QString& home, const QVector<Volume>& volumes) {
    QVector<Drive> list;
    QStringList seen;
    if (!home.isEmpty()) {
        const QString h = QDir::cleanPath(home);
        list.append({h, QStringLiteral("ホーム　%1").arg(h)});
    }
    for (const Volume& v : volumes) {
        const QString root = QDir::cleanPath(v.rootPath);
        if (root.isEmpty() || isPseudoFileSystem(v) || seen.contains(root)) continue;
        seen << root;
        const QString name =
            v.name.isEmpty() || v.name == root ? QString::fromLatin1(v.fileSystemType) : v.name;
        list.append({root, name.isEmpty() ? root : QStringLiteral("%1　[%2]").arg(root, name)});
    }
    return list;
}

QVector<Volume> mountedVolumes() {
    QVector<Volume> out;
    for (const QStorageInfo& s : QStorageInfo::mountedVolumes())
        out.append({s.rootPath(), s.fileSystemType(), s.name()});
    return out;
}

int driveOf(const QVector<Drive>& list, const QString& path) {
    const QString p = QDir::cleanPath(path);
    int best = -1;
    qsizetype bestLength = -1;
    for (int i = 0; i < list.size(); ++i) {
        const QString& d = list[i].path;
        const bool holds = p == d || d == QStringLiteral("/") || p.startsWith(d + QLatin1Char('/'));
        if (holds && d.size() > bestLength) {
            best = i;
            bestLength = d.size();
        }
    }
    return best;
}

QVector<Folder> folderList(const QString& path) {
    QVector<Folder> out;
    const QString clean = QDir::cleanPath(QDir(path).absolutePath());
    const QStringList parts = clean.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    out.append({QStringLiteral("/"), QStringLiteral("/"), 0, true});
    QString walked;
    for (const QString& part : parts) {
        walked += QLatin1Char('/') + part;
        out.append({walked, part, int(out.size()), true});
    }
    const int depth = int(out.size());
    const QDir dir(clean);
    for (const QString& sub : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot,
                                            QDir::Name | QDir::IgnoreCase | QDir::LocaleAware))
        out.append({dir.filePath(sub), sub, depth, false});
    return out;
}

bool canList(const QString& path) {
    DIR* d = ::opendir(QFile::encodeName(path).constData());
    if (!d) return false;
    ::closedir(d);
    return true;
}

QStringList pictureFiles(const QString& folder) {
    QDir dir(folder);
    dir.setNameFilters({QStringLiteral("*.jpg"), QStringLiteral("*.bmp")});
    dir.setFilter(QDir::Files);  // no QDir::CaseSensitive: ".JPG" and ".Bmp" are listed too
    dir.setSorting(QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    return dir.entryList();
}

QString targetName(const QString& title, const QString& fileName) {
    return title + fileName.right(4);
}

QString titleProblem(const QString& title) {
    if (title.trimmed().isEmpty()) return QStringLiteral("タイトル名が空です。");
    if (title == QStringLiteral(".") || title == QStringLiteral(".."))
        return QStringLiteral("「.」と「..」はファイル名にできません。");
    if (TitleName::hasForbiddenCharacter(title))
        return QStringLiteral("\\ / : , ; * ? \" < > |　の文字は使えません。");
    if (TitleName::hasControlCharacter(title))
        return QStringLiteral("改行やタブなどの制御文字は使えません。");
    if (TitleName::tooLongForFileNames(title))
        return QStringLiteral("タイトル名が長すぎて、ファイル名にできません。");
    return {};
}

bool acceptableTitle(const QString& title) { return titleProblem(title).isEmpty(); }

namespace {
const QString kRefusedTitle = QStringLiteral("取り込めません");
const QString kNotTaken = QStringLiteral("\r\n\r\n画像は取り込まれていません。");

Brought refused(const QString& text, const QString& title = kRefusedTitle) {
    Brought b;
    b.problem = text;
    b.problemTitle = title;
    return b;
}

Brought notAPicture(const QString& name) {
    return refused(QStringLiteral("「%1」は画像として読み込めません。").arg(name) + kNotTaken);
}

Brought tooLarge(const QString& name, QSize naturalSize) {
    return refused(PictureReader::tooLargeText(name, naturalSize),
                   QStringLiteral("画像の読み込み"));
}

QByteArray formatOf(const QByteArray& bytes) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    return reader.canRead() ? reader.format() : QByteArray();
}

PictureReader::SizeFor fitting(QSize box) {
    return [box](QSize natural) {
        if (natural.width() <= box.width() && natural.height() <= box.height()) return natural;
        return natural.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    };
}

// A picture the card cannot show as it is, as a JPEG; transparent parts on white.
Brought asJpeg(const QImage& image, QSize box) {
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    {
        QPainter painter(&flat);
        painter.drawImage(0, 0, image);
    }
    Brought b;
    QBuffer buffer(&b.bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    if (!writer.write(flat))
        return refused(QStringLiteral("画像をJPEGにできませんでした。\r\n") + writer.errorString() +
                       kNotTaken);
    b.extension = QStringLiteral(".jpg");
    b.naturalSize = flat.size();
    const QSize shown = fitting(box)(flat.size());
    b.preview = shown == flat.size()
                    ? flat
                    : flat.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return b;
}
}  // namespace

Offer offerOf(const QMimeData* mime) {
    Offer o;
    if (!mime) return o;
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile()) {
            o.localFile = url.toLocalFile();
            return o;
        }
        if (o.remoteUrl.isEmpty()) o.remoteUrl = url.toDisplayString();
    }
    for (const QString& format : mime->formats()) {
        if (!format.startsWith(QStringLiteral("image/"))) continue;
        const QByteArray bytes = mime->data(format);
        if (!formatOf(bytes).isEmpty()) {
            o.bytes = bytes;
            return o;
        }
    }
    if (mime->hasImage()) o.image = qvariant_cast<QImage>(mime->imageData());
    return o;
}

Brought bring(const Offer& offer, QSize box) {
    QString name = QStringLiteral("画像のデータ");
    QByteArray bytes = offer.bytes;
    if (!offer.localFile.isEmpty()) {
        const QFileInfo file(offer.localFile);
        name = file.fileName();
        if (!PictureReader::readRegular(offer.localFile, &bytes)) {
            if (file.isFile() && file.size() > PictureReader::kMaxDecodeBytes)
                return tooLarge(name, {});
            if (file.isFile() && !file.isReadable())
                return refused(QStringLiteral("「%1」を読み込めません。").arg(name) + kNotTaken);
            return notAPicture(name);
        }
    } else if (bytes.isEmpty()) {
        if (!offer.image.isNull()) return asJpeg(offer.image, box);
        if (!offer.remoteUrl.isEmpty())
            return refused(
                QStringLiteral("インターネット上の画像は、そのままでは取り込めません。\r\n%1"
                               "\r\n\r\n画像をいったんファイルに保存してから、"
                               "そのファイルをドロップしてください。")
                    .arg(offer.remoteUrl));
        return notAPicture(name);
    }

    const QByteArray format = formatOf(bytes);
    const bool kept = format == "jpeg" || format == "gif" || format == "bmp";
    // The card's size for the preview; the whole picture when it becomes a JPEG.
    const PictureReader::Picture p =
        PictureReader::readBytes(bytes, kept ? fitting(box) : PictureReader::SizeFor());
    if (p.outcome == PictureReader::Outcome::TooLarge) return tooLarge(name, p.naturalSize);
    if (!p.ok()) return notAPicture(name);
    if (!kept) return asJpeg(p.image, box);

    Brought b;
    b.bytes = bytes;
    b.preview = p.image;
    b.naturalSize = p.naturalSize;
    b.extension = format == "jpeg" ? QStringLiteral(".jpg") : QStringLiteral(".") + format;
    // A file named as the folder names its kind keeps the letter case of its name.
    if (name.right(4).compare(b.extension, Qt::CaseInsensitive) == 0) b.extension = name.right(4);
    return b;
}

}  // namespace PictureImport

namespace {
using namespace PictureImport;

constexpr int kTwipsPerPixel = CardRules::kTwipsPerPixel;
constexpr int kPanelWidth = 560;
constexpr int kPanelHeight = 400;

}  // namespace

PictureImportFrame::PictureImportFrame(ScreenHost& host, CardFrame& card, QWidget* parent)
    : QFrame(parent), host_(host), card_(card) {
    setObjectName(QStringLiteral("fraPicget"));
    buildUi();
    if (parent) parent->installEventFilter(this);
    acceptPictures();
    hide();
}

void PictureImportFrame::acceptPictures() {
    imgGazou_ = card_.findChild<QLabel*>(QStringLiteral("imgGazou"));
    if (imgGazou_) {
        imgGazou_->setAcceptDrops(true);
        imgGazou_->installEventFilter(this);
    }
    // Ctrl+V comes to the card only when the control with the focus leaves it
    // (a text box pastes itself): the card's filter takes it there.
    card_.installEventFilter(this);
}

bool PictureImportFrame::pictureDragEvent(QEvent* event) {
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
        auto* drag = static_cast<QDropEvent*>(event);
        const QMimeData* mime = drag->mimeData();
        bool picture = mime && (mime->hasUrls() || mime->hasImage());
        if (mime && !picture)
            for (const QString& format : mime->formats())
                picture = picture || format.startsWith(QStringLiteral("image/"));
        if (picture)
            drag->acceptProposedAction();
        else
            drag->ignore();
        return true;
    }
    auto* drop = static_cast<QDropEvent*>(event);
    const PictureImport::Offer offer = PictureImport::offerOf(drop->mimeData());
    drop->acceptProposedAction();
    // The boxes wait until the drag has ended: the other program is not kept waiting.
    QMetaObject::invokeMethod(
        this, [this, offer] { takeOffer(offer); }, Qt::QueuedConnection);
    return true;
}

void PictureImportFrame::pastePicture() {
    const PictureImport::Offer offer =
        PictureImport::offerOf(QGuiApplication::clipboard()->mimeData());
    if (offer.empty()) {
        host_.prompts().beep();  // nothing on the clipboard that could be a picture
        return;
    }
    takeOffer(offer);
}

QSize PictureImportFrame::previewBox() const {
    // Decoded at the card's box size; the stored size sets the box's height.
    return QSize(CardRules::kPosterWidthTwips / kTwipsPerPixel,
                 CardRules::kPosterHeightTwips / kTwipsPerPixel) *
           card_.devicePixelRatioF();
}

void PictureImportFrame::takeOffer(const PictureImport::Offer& offer) {
    if (host_.refusesChanges()) return;
    Prompts& prompts = host_.prompts();
    const QString title = pictureTitle();
    if (title.isEmpty()) return;
    const PictureImport::Brought b = PictureImport::bring(offer, previewBox());
    if (!b.ok()) {
        prompts.message(b.problem, b.problemTitle, Prompts::Icon::Exclamation);
        return;
    }
    // The preview: the card shows the picture until the user has decided.
    const QPixmap shown = imgGazou_ ? imgGazou_->pixmap() : QPixmap();
    const int height = imgGazou_ ? imgGazou_->height() : 0;
    card_.showPictureImage(b.preview, b.naturalSize);
    const QString target = title + b.extension;
    const bool stored =
        prompts.message(QStringLiteral("この画像を「%1」の画像として取り込みますか？\r\n\r\n"
                                       "「%2」として保存します。")
                            .arg(title, target),
                        QStringLiteral("画像の取り込み"), Prompts::Icon::Question,
                        Prompts::Buttons::OkCancel) == Prompts::Answer::Ok &&
        confirmOverwrite(target) && storePicture(target, b.bytes, title);
    if (!stored) {
        if (!imgGazou_) return;
        if (shown.isNull())
            imgGazou_->clear();
        else
            imgGazou_->setPixmap(shown);
        imgGazou_->setFixedHeight(height);
        return;
    }
    previewed_.clear();
    hide();  // as after an import through the panel
}

QString PictureImportFrame::pictureTitle() {
    Prompts& prompts = host_.prompts();
    if (host_.catalogue().TitleCount() == 0) {
        prompts.message(QStringLiteral("画像を取り込むタイトルがありません。\r\n\r\n"
                                       "先にタイトルを追加して下さい。"),
                        QStringLiteral("タイトルなし"), Prompts::Icon::Exclamation);
        return {};
    }
    // The title becomes a file name in the data folder: it must not lead out of it.
    const QString title = Cp932::toCp932Twins(card_.shownName());
    if (const QString problem = titleProblem(title); !problem.isEmpty()) {
        prompts.message(
            QStringLiteral("このタイトル名では画像を取り込めません。\r\n\r\n") + problem,
            QStringLiteral("入力制限"), Prompts::Icon::Exclamation);
        return {};
    }
    return title;
}

bool PictureImportFrame::confirmOverwrite(const QString& target) {
    DataDir& dir = host_.catalogue().dir();
    dir.rescanIfChanged();
    return !dir.exists(target) ||
           host_.prompts().message(
               QStringLiteral("同じ名前の画像が既に存在します。上書きしますか？"),
               QStringLiteral("上書き確認"), Prompts::Icon::Exclamation,
               Prompts::Buttons::OkCancel) == Prompts::Answer::Ok;
}

// Written beside the old picture and renamed over it, as one step of the undo
// history: a failure leaves the old one.
bool PictureImportFrame::storePicture(const QString& target, const QByteArray& bytes,
                                      const QString& title) {
    const QString problem = host_.perform(Changes::setPicture(target, bytes, title));
    if (!problem.isEmpty()) {
        host_.prompts().message(problem + QStringLiteral("\r\n\r\n画像は取り込まれていません。"),
                                QStringLiteral("取り込めません"), Prompts::Icon::Critical);
        return false;
    }
    host_.setGalleryReady(false);
    return true;
}

void PictureImportFrame::buildUi() {
    setAutoFillBackground(true);
    setStyleSheet(
        QStringLiteral("QFrame#fraPicget { background: #fbf8f2; border: 1px solid #a89c86; "
                       "border-radius: 4px; }"));
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(12, 10, 12, 12);
    v->setSpacing(8);

    auto* caption = new QLabel(QStringLiteral("画像取り込み先指定"), this);
    caption->setObjectName(QStringLiteral("lblPicget"));
    QFont bold = caption->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.1);
    caption->setFont(bold);
    v->addWidget(caption);

    drvZukei_Moto_ = new QComboBox(this);
    drvZukei_Moto_->setObjectName(QStringLiteral("drvZukei_Moto"));
    drvZukei_Moto_->setToolTip(QStringLiteral("画像のあるドライブを選びます"));
    connect(drvZukei_Moto_, &QComboBox::activated, this, &PictureImportFrame::drvZukei_Moto_Change);
    v->addWidget(drvZukei_Moto_);

    auto* lists = new QHBoxLayout;
    lists->setSpacing(8);
    dirZukei_Moto_ = new QListWidget(this);
    dirZukei_Moto_->setObjectName(QStringLiteral("dirZukei_Moto"));
    dirZukei_Moto_->setToolTip(QStringLiteral("ダブルクリックでフォルダーを開きます"));
    connect(dirZukei_Moto_, &QListWidget::itemActivated, this,
            &PictureImportFrame::dirZukei_Moto_Change);
    filZukei_Moto_ = new QListWidget(this);
    filZukei_Moto_->setObjectName(QStringLiteral("filZukei_Moto"));
    filZukei_Moto_->setToolTip(QStringLiteral("クリックすると画像を確かめられます"));
    connect(filZukei_Moto_, &QListWidget::itemSelectionChanged, this,
            &PictureImportFrame::filZukei_Moto_Click);
    lists->addWidget(dirZukei_Moto_, 1);
    lists->addWidget(filZukei_Moto_, 1);
    v->addLayout(lists, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    cmdFileCopy_ = new QPushButton(QStringLiteral("画像を取り込む"), this);
    cmdFileCopy_->setObjectName(QStringLiteral("cmdFileCopy"));
    cmdYame_ = new QPushButton(QStringLiteral("キャンセル"), this);
    cmdYame_->setObjectName(QStringLiteral("cmdYame"));
    for (QPushButton* b : {cmdFileCopy_, cmdYame_}) {
        b->setMinimumWidth(120);
        buttons->addWidget(b);
    }
    connect(cmdFileCopy_, &QPushButton::clicked, this, &PictureImportFrame::cmdFileCopy_Click);
    connect(cmdYame_, &QPushButton::clicked, this, &PictureImportFrame::cmdYame_Click);
    v->addLayout(buttons);
}

// The panel lies over the card beside its picture and below the title, so that
// the preview and the name it will be stored under stay in view.
void PictureImportFrame::placeOverCard() {
    QWidget* card = parentWidget();
    if (!card) return;
    int left = 8, top = 8;
    if (auto* picture = card->findChild<QWidget*>(QStringLiteral("imgGazou"))) {
        const QPoint corner = picture->mapTo(card, QPoint(picture->width(), 0));
        left = corner.x() + 14;
        top = corner.y();
    }
    if (auto* navigation = card->findChild<QWidget*>(QStringLiteral("hsbData")))
        top = qMax(top, navigation->mapTo(card, QPoint(0, navigation->height())).y() + 10);
    const int width = qMax(320, qMin(kPanelWidth, card->width() - left - 8));
    const int height = qMax(240, qMin(kPanelHeight, card->height() - top - 8));
    setGeometry(left, top, width, height);
}

bool PictureImportFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize && !isHidden())
        placeOverCard();
    if (watched == &card_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Paste)) {
        pastePicture();
        return true;
    }
    if (watched == imgGazou_ &&
        (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove ||
         event->type() == QEvent::Drop))
        return pictureDragEvent(event);
    return QFrame::eventFilter(watched, event);
}

void PictureImportFrame::refreshDrives() {
    drives_ = drives(QDir::homePath(), mountedVolumes());
    drvZukei_Moto_->clear();
    for (const Drive& d : drives_) drvZukei_Moto_->addItem(d.label, d.path);
    drvZukei_Moto_->setCurrentIndex(driveOf(drives_, directory_));
}

void PictureImportFrame::imgGazou_Click() {
    // The panel is there to copy a picture in.
    if (host_.refusesChanges()) return;
    previewed_.clear();          // the card shows the title's own picture again
    if (directory_.isEmpty()) {  // the first opening starts in the data folder
        directory_ = QDir::cleanPath(host_.dataDir());
        refreshDrives();
        fillFolders();
    }
    fillFiles();
    placeOverCard();
    show();
    raise();
}

void PictureImportFrame::drvZukei_Moto_Change(int index) {
    const QString path = drvZukei_Moto_->itemData(index).toString();
    if (path.isEmpty() || !canList(path)) {
        host_.prompts().message(QStringLiteral("ﾃﾞﾊﾞｲｽが準備されていません"),
                                QStringLiteral("ﾃﾞﾊﾞｲｽ未準備"), Prompts::Icon::Critical);
        refreshDrives();
        return;
    }
    directory_ = QDir::cleanPath(path);
    fillFolders();
    fillFiles();
}

bool PictureImportFrame::setDirectory(const QString& path) {
    if (!canList(path)) {
        host_.prompts().beep();
        return false;
    }
    directory_ = QDir::cleanPath(path);
    fillFolders();
    dirZukei_Moto_Change();
    return true;
}

void PictureImportFrame::fillFolders() {
    filling_ = true;
    dirZukei_Moto_->clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    for (const Folder& f : folderList(directory_)) {
        auto* item = new QListWidgetItem(f.open ? open : closed,
                                         QString(f.depth * 2, QLatin1Char(' ')) + f.label);
        item->setData(Qt::UserRole, f.path);
        dirZukei_Moto_->addItem(item);
        if (f.path == directory_) dirZukei_Moto_->setCurrentItem(item);
    }
    filling_ = false;
}

void PictureImportFrame::dirZukei_Moto_Change() {
    if (QListWidgetItem* item = dirZukei_Moto_->currentItem()) {
        const QString path = item->data(Qt::UserRole).toString();
        if (path != directory_) {
            setDirectory(path);
            return;
        }
    }
    fillFiles();
}

void PictureImportFrame::fillFiles() {
    filling_ = true;
    filZukei_Moto_->clear();
    filZukei_Moto_->addItems(pictureFiles(directory_));
    filling_ = false;
}

QString PictureImportFrame::chosenFile() const {
    const QList<QListWidgetItem*> chosen = filZukei_Moto_->selectedItems();
    return chosen.isEmpty() ? QString() : chosen.first()->text();
}

void PictureImportFrame::filZukei_Moto_Click() {
    if (filling_) return;
    const QString file = chosenFile();
    if (file.isEmpty()) return;
    const QString path = QDir(directory_).filePath(file);
    const PictureReader::Picture p = PictureReader::readToFit(path, previewBox());
    if (p.ok()) {  // one that cannot be read leaves the card as it was
        card_.showPictureImage(p.image, p.naturalSize);
        previewed_ = path;
    } else if (p.outcome == PictureReader::Outcome::TooLarge) {
        warnOnce(path, PictureReader::tooLargeText(file, p.naturalSize));
    }
}

void PictureImportFrame::warnOnce(const QString& path, const QString& text) {
    if (warned_.contains(path)) return;
    warned_.insert(path);
    host_.prompts().message(text, QStringLiteral("画像の読み込み"), Prompts::Icon::Exclamation);
}

void PictureImportFrame::cmdFileCopy_Click() {
    if (host_.refusesChanges()) return;
    Prompts& prompts = host_.prompts();
    const QString file = chosenFile();
    if (file.isEmpty()) {
        prompts.message(QStringLiteral("コピー元ファイルが指定されていません \n\n"
                                       "先にファイルを選択して下さい "),
                        QStringLiteral("ファイル未選択"), Prompts::Icon::Exclamation);
        return;
    }
    const QString title = pictureTitle();
    if (title.isEmpty()) return;
    const QString source = QDir(directory_).filePath(file);
    const QString target = targetName(title, file);
    if (!confirmOverwrite(target)) return;
    QByteArray bytes;
    QString error;
    if (!host_.catalogue().dir().read(source, &bytes, &error)) {
        prompts.message(error + QStringLiteral("\r\n\r\n画像は取り込まれていません。"),
                        QStringLiteral("取り込めません"), Prompts::Icon::Critical);
        return;
    }
    if (!storePicture(target, bytes, title)) return;
    // The card shows the title's new picture, or none when it could not be previewed,
    // never a file looked at before.
    if (previewed_ != source) card_.clearPicture();
    hide();
}

void PictureImportFrame::cmdYame_Click() { hide(); }
