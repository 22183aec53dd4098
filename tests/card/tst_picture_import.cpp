#include "card/picture_import_frame.h"
#include "main_fixture.h"
#include "store/catalogue.h"
#include "test_files.h"
#include "test_registry.h"

#include <QBuffer>
#include <QComboBox>
#include <QDirIterator>
#include <QImageWriter>
#include <QLabel>
#include <QListWidget>
#include <QMap>
#include <QPushButton>
#include <QScrollBar>

using namespace TestFiles;
using PictureImport::Drive;
using PictureImport::Volume;

namespace {
QByteArray picture(QSize size, QColor colour, const char* format) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(colour);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!QImageWriter(&buffer, format).write(img)) qFatal("cannot encode a test picture");
    return buffer.data();
}

// Every file under dir with its bytes: what a test compares before and after.
QMap<QString, QByteArray> filesUnder(const QString& dir) {
    QMap<QString, QByteArray> out;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        if (f.open(QIODevice::ReadOnly)) out.insert(QDir(dir).relativeFilePath(path), f.readAll());
    }
    return out;
}

const QString kSource = QStringLiteral("取込元");

// A real progressive JPEG whose frame header claims 65,000 × 65,000 pixels:
// more than can be read within the memory bound.
QByteArray tooLargePicture() {
    QImage img(160, 120, QImage::Format_RGB32);
    img.fill(Qt::green);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter w(&buffer, "jpeg");
    w.setProgressiveScanWrite(true);
    if (!w.write(img)) qFatal("cannot encode a test picture");
    QByteArray b = buffer.data();
    const qsizetype sof = b.indexOf(QByteArray("\xFF\xC2", 2));
    for (int k : {5, 7}) b[sof + k] = char(0xFD), b[sof + k + 1] = char(0xE8);
    return b;
}
}  // namespace

class TestPictureImport : public QObject {
    Q_OBJECT
private:
    // Titles 甲 and 乙; the folder 取込元 beside the data files holds the pictures to import.
    void start(MainFixture& f) {
        writeFreshMasters(f.path(), false);
        writeCp932(f.path(), kDataFile, titleRecord("甲") + titleRecord("乙"));
        QDir(f.path()).mkdir(kSource);
        const QString src = QDir(f.path()).filePath(kSource);
        writeBytes(src, QStringLiteral("poster.JPG"), picture({300, 200}, Qt::red, "JPG"));
        writeBytes(src, QStringLiteral("tall.bmp"), picture({200, 300}, Qt::blue, "BMP"));
        writeBytes(src, QStringLiteral("notes.txt"), "not a picture file");
        f.start();
    }
    PictureImportFrame* panel(MainFixture& f) { return f.find<PictureImportFrame>("fraPicget"); }
    QListWidget* files(MainFixture& f) { return f.find<QListWidget>("filZukei_Moto"); }
    QLabel* poster(MainFixture& f) { return f.find<QLabel>("imgGazou"); }
    QStringList fileNames(MainFixture& f) {
        QStringList out;
        for (int i = 0; i < files(f)->count(); ++i) out << files(f)->item(i)->text();
        return out;
    }
    void open(MainFixture& f) { QTest::mouseClick(poster(f), Qt::LeftButton); }
    // A double-click on the folder of the list that leads to path.
    void openFolder(MainFixture& f, const QString& path) {
        auto* list = f.find<QListWidget>("dirZukei_Moto");
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->data(Qt::UserRole).toString() == QDir::cleanPath(path)) {
                list->setCurrentRow(i);
                emit list->itemActivated(list->item(i));
                return;
            }
        QFAIL(qPrintable(QStringLiteral("no folder %1 in the list").arg(path)));
    }
    void choose(MainFixture& f, const QString& name) {
        const auto found = files(f)->findItems(name, Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        QTest::mouseClick(files(f)->viewport(), Qt::LeftButton, {},
                          files(f)->visualItemRect(found.first()).center());
        QVERIFY(found.first()->isSelected());
    }
    void importFromSource(MainFixture& f, const QString& name) {
        open(f);
        openFolder(f, QDir(f.path()).filePath(kSource));
        choose(f, name);
    }

private slots:
    void drivesFoldersAndNames() {
        using namespace PictureImport;
        const QVector<Volume> volumes = {
            {QStringLiteral("/"), "ext4", QString()},
            {QStringLiteral("/proc"), "proc", QString()},
            {QStringLiteral("/sys/fs/cgroup"), "cgroup2", QString()},
            {QStringLiteral("/dev/shm"), "tmpfs", QString()},
            {QStringLiteral("/run/user/1000"), "tmpfs", QString()},
            {QStringLiteral("/snap/core/17"), "squashfs", QString()},
            {QStringLiteral("/media/usb"), "vfat", QStringLiteral("写真")},
            {QStringLiteral("/run/media/k/CAMERA"), "exfat", QStringLiteral("CAMERA")},
            {QStringLiteral("/"), "ext4", QString()},
        };
        const QVector<Drive> list = drives(QStringLiteral("/home/k"), volumes);
        QStringList paths;
        for (const Drive& d : list) paths << d.path;
        QCOMPARE(paths, QStringList({"/home/k", "/", "/media/usb", "/run/media/k/CAMERA"}));
        QCOMPARE(list[2].label, QStringLiteral("/media/usb　[写真]"));
        QCOMPARE(driveOf(list, QStringLiteral("/home/k/映画/data")), 0);
        QCOMPARE(driveOf(list, QStringLiteral("/media/usb")), 2);
        QCOMPARE(driveOf(list, QStringLiteral("/media/usbx")), 1);
        QCOMPARE(driveOf(list, QStringLiteral("/srv")), 1);

        QCOMPARE(targetName(QStringLiteral("X"), QStringLiteral("poster.JPG")),
                 QStringLiteral("X.JPG"));
        QCOMPARE(targetName(QStringLiteral("七人の侍"), QStringLiteral("a.b.Bmp")),
                 QStringLiteral("七人の侍.Bmp"));
        for (const char* bad : {"", "  ", ".", "..", "../外", "a/b", "a\\b", "a:b", "a\nb"})
            QVERIFY2(!acceptableTitle(QString::fromUtf8(bad)), bad);
        for (const char* good : {"七人の侍", "a..b", "...", "2001年宇宙の旅"})
            QVERIFY2(acceptableTitle(QString::fromUtf8(good)), good);

        QTemporaryDir tmp;
        QDir(tmp.path()).mkpath(QStringLiteral("x/beta"));
        QDir(tmp.path()).mkpath(QStringLiteral("x/Alpha"));
        QDir(tmp.path()).mkpath(QStringLiteral("x/.hidden"));
        writeBytes(tmp.path() + QStringLiteral("/x"), QStringLiteral("a.JPG"), "1");
        writeBytes(tmp.path() + QStringLiteral("/x"), QStringLiteral("b.jpg"), "2");
        writeBytes(tmp.path() + QStringLiteral("/x"), QStringLiteral("C.Bmp"), "3");
        writeBytes(tmp.path() + QStringLiteral("/x"), QStringLiteral("d.png"), "4");
        writeBytes(tmp.path() + QStringLiteral("/x"), QStringLiteral("e.gif"), "5");
        writeBytes(tmp.path() + QStringLiteral("/x"), QStringLiteral("f.jpeg"), "6");
        QCOMPARE(pictureFiles(tmp.path() + QStringLiteral("/x")),
                 QStringList({"a.JPG", "b.jpg", "C.Bmp"}));
        const QVector<Folder> folders = folderList(tmp.path() + QStringLiteral("/x/"));
        const int depth = int(tmp.path().count(u'/')) + 2;  // "/" and each part down to x
        QCOMPARE(folders.size(), depth + 2);
        QCOMPARE(folders.first().path, QStringLiteral("/"));
        QCOMPARE(folders[depth - 1].path, tmp.path() + QStringLiteral("/x"));
        QVERIFY(folders[depth - 1].open);
        QCOMPARE(folders[depth].label, QStringLiteral("Alpha"));
        QCOMPARE(folders[depth + 1].label, QStringLiteral("beta"));
        QCOMPARE(folders[depth + 1].depth, depth);
        QVERIFY(!folders[depth + 1].open);
        QVERIFY(canList(tmp.path()));
        QVERIFY(!canList(tmp.path() + QStringLiteral("/gone")));
    }

    void thePanelOpensOverTheCardInTheDataFolder() {
        MainFixture f;
        start(f);
        writeBytes(f.path(), QStringLiteral("甲.jpg"), picture({40, 60}, Qt::green, "JPG"));
        QVERIFY(panel(f)->isHidden());
        open(f);
        QVERIFY(!panel(f)->isHidden());
        QCOMPARE(panel(f)->parentWidget(), f.find<QWidget>("fraMain"));
        QCOMPARE(panel(f)->directory(), QDir::cleanPath(f.path()));
        auto* dirs = f.find<QListWidget>("dirZukei_Moto");
        QCOMPARE(dirs->currentItem()->data(Qt::UserRole).toString(), QDir::cleanPath(f.path()));
        QCOMPARE(fileNames(f), QStringList({"甲.jpg"}));  // pictures only, a .gif is not offered
        auto* drives = f.find<QComboBox>("drvZukei_Moto");
        QCOMPARE(drives->itemData(0).toString(), QDir::cleanPath(QDir::homePath()));
        for (int i = 0; i < drives->count(); ++i)
            QVERIFY(!drives->itemData(i).toString().startsWith(QStringLiteral("/proc")));
        QVERIFY(f.find<QLabel>("lblPicget")->text() == QStringLiteral("画像取り込み先指定"));
        QCOMPARE(f.find<QPushButton>("cmdFileCopy")->text(), QStringLiteral("画像を取り込む"));
        QCOMPARE(f.find<QPushButton>("cmdYame")->text(), QStringLiteral("キャンセル"));
        // The preview stays in view beside the panel.
        QVERIFY(!panel(f)->geometry().intersects(poster(f)->geometry()));

        // The lists keep their place between openings, and the files are listed afresh.
        openFolder(f, QDir(f.path()).filePath(kSource));
        QCOMPARE(fileNames(f), QStringList({"poster.JPG", "tall.bmp"}));
        QTest::mouseClick(f.find<QPushButton>("cmdYame"), Qt::LeftButton);
        QVERIFY(panel(f)->isHidden());
        writeBytes(QDir(f.path()).filePath(kSource), QStringLiteral("new.jpg"), "x");
        open(f);
        QCOMPARE(fileNames(f), QStringList({"new.jpg", "poster.JPG", "tall.bmp"}));
        // Up again through the folder list.
        openFolder(f, f.path());
        QCOMPARE(panel(f)->directory(), QDir::cleanPath(f.path()));
        QVERIFY(!panel(f)->setDirectory(f.path() + QStringLiteral("/gone")));
        QCOMPARE(f.prompts.beeps, 1);
        QCOMPARE(panel(f)->directory(), QDir::cleanPath(f.path()));
        f.checkBoxes();
    }

    void aClickOnAFilePreviewsItWithTheHeightRule() {
        MainFixture f;
        start(f);
        const auto before = filesUnder(f.path());
        importFromSource(f, QStringLiteral("poster.JPG"));
        QCOMPARE(poster(f)->height(), 3030 / 15);  // landscape
        QVERIFY(!poster(f)->pixmap().isNull());
        choose(f, QStringLiteral("tall.bmp"));
        QCOMPARE(poster(f)->height(), 5685 / 15);  // portrait
        QCOMPARE(poster(f)->pixmap().toImage().pixelColor(10, 10), QColor(Qt::blue));
        // A file that is no picture leaves the card as it was.
        writeBytes(QDir(f.path()).filePath(kSource), QStringLiteral("broken.jpg"), "garbage");
        open(f);
        const qint64 shown = poster(f)->pixmap().cacheKey();
        choose(f, QStringLiteral("broken.jpg"));
        QCOMPARE(poster(f)->pixmap().cacheKey(), shown);
        QFile::remove(QDir(f.path()).filePath(kSource + QStringLiteral("/broken.jpg")));

        // Cancelling keeps the preview until the card shows a title again, and copies nothing.
        QTest::mouseClick(f.find<QPushButton>("cmdYame"), Qt::LeftButton);
        QVERIFY(panel(f)->isHidden());
        QCOMPARE(poster(f)->pixmap().cacheKey(), shown);
        QCOMPARE(filesUnder(f.path()), before);
        f.find<QScrollBar>("hsbData")->setValue(2);
        QVERIFY(poster(f)->pixmap().isNull());
        f.checkBoxes();
    }

    void importCopiesThePictureUnderTheTitleName() {
        MainFixture f;
        start(f);
        f.window->setGalleryReady(true);
        auto expected = filesUnder(f.path());
        importFromSource(f, QStringLiteral("poster.JPG"));
        QTest::mouseClick(f.find<QPushButton>("cmdFileCopy"), Qt::LeftButton);
        QVERIFY(panel(f)->isHidden());
        QVERIFY(!f.window->galleryReady());
        expected.insert(QStringLiteral("甲.JPG"), expected.value(kSource + "/poster.JPG"));
        QCOMPARE(filesUnder(f.path()), expected);
        // The card finds the new picture whatever the letter case of its extension.
        f.find<QScrollBar>("hsbData")->setValue(2);
        f.find<QScrollBar>("hsbData")->setValue(1);
        QCOMPARE(poster(f)->height(), 3030 / 15);
        QVERIFY(!poster(f)->pixmap().isNull());

        // A .bmp beside the .JPG is another name: nothing is asked and both stay.
        importFromSource(f, QStringLiteral("tall.bmp"));
        QTest::mouseClick(f.find<QPushButton>("cmdFileCopy"), Qt::LeftButton);
        expected.insert(QStringLiteral("甲.bmp"), expected.value(kSource + "/tall.bmp"));
        QCOMPARE(filesUnder(f.path()), expected);
        f.checkBoxes();
    }

    void noFileChosenIsSaidAndNothingCopied() {
        MainFixture f;
        start(f);
        const auto before = filesUnder(f.path());
        open(f);
        f.prompts.planAnswer(Prompts::Answer::Ok);
        QTest::mouseClick(f.find<QPushButton>("cmdFileCopy"), Qt::LeftButton);
        QCOMPARE(f.prompts.boxes.size(), 1);
        const auto& box = f.prompts.boxes[0];
        QCOMPARE(box.text, QStringLiteral("コピー元ファイルが指定されていません \n\n"
                                          "先にファイルを選択して下さい "));
        QCOMPARE(box.title, QStringLiteral("ファイル未選択"));
        QCOMPARE(box.icon, Prompts::Icon::Exclamation);
        QCOMPARE(box.buttons, Prompts::Buttons::Ok);
        QVERIFY(!panel(f)->isHidden());
        QCOMPARE(filesUnder(f.path()), before);
        f.checkBoxes();
    }

    void anExistingPictureIsReplacedOnlyAfterOk() {
        MainFixture f;
        start(f);
        writeBytes(f.path(), QStringLiteral("甲.jpg"), "the old picture");
        f.window->setGalleryReady(true);
        auto expected = filesUnder(f.path());
        importFromSource(f, QStringLiteral("poster.JPG"));

        f.prompts.planAnswer(Prompts::Answer::Cancel);
        QTest::mouseClick(f.find<QPushButton>("cmdFileCopy"), Qt::LeftButton);
        QCOMPARE(f.prompts.boxes.size(), 1);
        QCOMPARE(f.prompts.boxes[0].text,
                 QStringLiteral("同じ名前の画像が既に存在します。上書きしますか？"));
        QCOMPARE(f.prompts.boxes[0].title, QStringLiteral("上書き確認"));
        QCOMPARE(f.prompts.boxes[0].icon, Prompts::Icon::Exclamation);
        QCOMPARE(f.prompts.boxes[0].buttons, Prompts::Buttons::OkCancel);
        QVERIFY(!panel(f)->isHidden());
        QVERIFY(f.window->galleryReady());
        QCOMPARE(filesUnder(f.path()), expected);

        // "甲.JPG" is the same file as "甲.jpg": it keeps its name and takes the new bytes.
        f.prompts.planAnswer(Prompts::Answer::Ok);
        QTest::mouseClick(f.find<QPushButton>("cmdFileCopy"), Qt::LeftButton);
        QCOMPARE(f.prompts.boxes.size(), 2);
        QVERIFY(panel(f)->isHidden());
        QVERIFY(!f.window->galleryReady());
        expected[QStringLiteral("甲.jpg")] = expected.value(kSource + "/poster.JPG");
        QCOMPARE(filesUnder(f.path()), expected);
        f.checkBoxes();
    }

    void aFailedCopyKeepsTheOldPictureAndSaysSo() {
        MainFixture f;
        start(f);
        writeBytes(f.path(), QStringLiteral("甲.jpg"), "the old picture");
        f.window->setGalleryReady(true);
        importFromSource(f, QStringLiteral("poster.JPG"));
        // The file goes away between choosing it and importing it.
        QVERIFY(QFile::remove(QDir(f.path()).filePath(kSource + QStringLiteral("/poster.JPG"))));
        const auto expected = filesUnder(f.path());
        f.prompts.planAnswer(Prompts::Answer::Ok);  // overwrite
        f.prompts.planAnswer(Prompts::Answer::Ok);  // the failure
        QTest::mouseClick(f.find<QPushButton>("cmdFileCopy"), Qt::LeftButton);
        QCOMPARE(f.prompts.boxes.size(), 2);
        QCOMPARE(f.prompts.boxes[1].title, QStringLiteral("取り込めません"));
        QCOMPARE(f.prompts.boxes[1].icon, Prompts::Icon::Critical);
        QVERIFY(f.prompts.boxes[1].text.contains(QStringLiteral("poster.JPG")));
        QVERIFY(f.prompts.boxes[1].text.endsWith(QStringLiteral("画像は取り込まれていません。")));
        QCOMPARE(filesUnder(f.path()), expected);
        QVERIFY(!panel(f)->isHidden());
        QVERIFY(f.window->galleryReady());
        f.checkBoxes();
    }

    void aTitleThatWouldLeadOutOfTheDataFolderIsRefused() {
        MainFixture f;
        start(f);
        const QString outside = QFileInfo(f.path()).dir().path();
        const auto before = filesUnder(f.path());
        const QStringList outsideBefore = QDir(outside).entryList(QDir::Files);
        importFromSource(f, QStringLiteral("poster.JPG"));
        for (const QString& typed : {QStringLiteral("../外"), QStringLiteral("取込元/甲"),
                                     QStringLiteral(".."), QString()}) {
            f.find<QComboBox>("cboName")->setEditText(typed);
            f.prompts.planAnswer(Prompts::Answer::Ok);
            QTest::mouseClick(f.find<QPushButton>("cmdFileCopy"), Qt::LeftButton);
            QCOMPARE(f.prompts.boxes.last().title, QStringLiteral("入力制限"));
            QVERIFY(f.prompts.boxes.last().text.startsWith(
                QStringLiteral("このタイトル名では画像を取り込めません。")));
        }
        QCOMPARE(f.prompts.boxes.size(), 4);
        QCOMPARE(filesUnder(f.path()), before);
        QCOMPARE(QDir(outside).entryList(QDir::Files), outsideBefore);
        QVERIFY(!panel(f)->isHidden());
        f.checkBoxes();
    }

    void whyATitleCannotTakeAPictureIsSaid() {
        {
            MainFixture f;
            writeFreshMasters(f.path(), false);
            writeCp932(f.path(), kDataFile, QString());
            QDir(f.path()).mkdir(kSource);
            writeBytes(QDir(f.path()).filePath(kSource), QStringLiteral("poster.JPG"),
                       picture({30, 20}, Qt::red, "JPG"));
            f.start();
            const auto before = filesUnder(f.path());
            importFromSource(f, QStringLiteral("poster.JPG"));
            f.prompts.planAnswer(Prompts::Answer::Ok);
            QTest::mouseClick(f.find<QPushButton>("cmdFileCopy"), Qt::LeftButton);
            QCOMPARE(f.prompts.boxes.size(), 1);
            QCOMPARE(f.prompts.boxes[0].text,
                     QStringLiteral("画像を取り込むタイトルがありません。\r\n\r\n"
                                    "先にタイトルを追加して下さい。"));
            QCOMPARE(f.prompts.boxes[0].title, QStringLiteral("タイトルなし"));
            QCOMPARE(filesUnder(f.path()), before);
            QVERIFY(!panel(f)->isHidden());
            f.checkBoxes();
        }
        MainFixture f;
        start(f);
        const auto before = filesUnder(f.path());
        importFromSource(f, QStringLiteral("poster.JPG"));
        const std::pair<QString, QString> cases[] = {
            {QString(100, QChar(u'長')),
             QStringLiteral("タイトル名が長すぎて、ファイル名にできません。")},
            {QStringLiteral("甲\t乙"), QStringLiteral("改行やタブなどの制御文字は使えません。")},
            {QStringLiteral("甲/乙"),
             QStringLiteral("\\ / : , ; * ? \" < > |　の文字は使えません。")},
            {QStringLiteral(" "), QStringLiteral("タイトル名が空です。")},
        };
        for (const auto& [typed, why] : cases) {
            f.find<QComboBox>("cboName")->setEditText(typed);
            f.prompts.planAnswer(Prompts::Answer::Ok);
            QTest::mouseClick(f.find<QPushButton>("cmdFileCopy"), Qt::LeftButton);
            QCOMPARE(f.prompts.boxes.last().text,
                     QStringLiteral("このタイトル名では画像を取り込めません。\r\n\r\n") + why);
            QCOMPARE(f.prompts.boxes.last().title, QStringLiteral("入力制限"));
        }
        QCOMPARE(filesUnder(f.path()), before);
        f.checkBoxes();
    }

    // A picture too large to read is said once, on the card and in the preview,
    // and an import of it does not leave another file's preview on the card.
    void aPictureTooLargeIsSaidOnceAndNoOtherStandsForIt() {
        MainFixture f;
        writeBytes(f.path(), QStringLiteral("甲.jpg"), tooLargePicture());
        f.prompts.planAnswer(Prompts::Answer::Ok);
        start(f);
        QCOMPARE(f.prompts.boxes.size(), 1);
        QCOMPARE(
            f.prompts.boxes[0].text,
            QStringLiteral("「甲.jpg」は大きすぎるため表示できません（65000 × 65000 ピクセル）。"
                           "\r\n\r\n小さくして保存し直すと表示できます。"));
        QCOMPARE(f.prompts.boxes[0].title, QStringLiteral("画像の読み込み"));
        QCOMPARE(f.prompts.boxes[0].icon, Prompts::Icon::Exclamation);
        QVERIFY(poster(f)->pixmap().isNull());
        f.find<QScrollBar>("hsbData")->setValue(2);
        f.find<QScrollBar>("hsbData")->setValue(1);
        QCOMPARE(f.prompts.boxes.size(), 1);

        writeBytes(QDir(f.path()).filePath(kSource), QStringLiteral("huge.jpg"), tooLargePicture());
        importFromSource(f, QStringLiteral("poster.JPG"));
        QVERIFY(!poster(f)->pixmap().isNull());
        f.prompts.planAnswer(Prompts::Answer::Ok);
        choose(f, QStringLiteral("huge.jpg"));
        QCOMPARE(f.prompts.boxes.size(), 2);
        QVERIFY(f.prompts.boxes[1].text.startsWith(QStringLiteral("「huge.jpg」は大きすぎるため")));
        choose(f, QStringLiteral("poster.JPG"));
        choose(f, QStringLiteral("huge.jpg"));
        QCOMPARE(f.prompts.boxes.size(), 2);
        f.prompts.planAnswer(Prompts::Answer::Ok);  // 甲.jpg is there: overwrite
        QTest::mouseClick(f.find<QPushButton>("cmdFileCopy"), Qt::LeftButton);
        QVERIFY(panel(f)->isHidden());
        QVERIFY(poster(f)->pixmap().isNull());  // not poster.JPG, which is not the title's
        f.checkBoxes();
    }

    void aDriveThatCannotBeReadIsNotReady() {
        MainFixture f;
        start(f);
        open(f);
        auto* drives = f.find<QComboBox>("drvZukei_Moto");
        const int count = drives->count();
        // A medium taken out after the list was made.
        drives->addItem(QStringLiteral("/media/外した"), f.path() + QStringLiteral("/外した"));
        f.prompts.planAnswer(Prompts::Answer::Ok);
        emit drives->activated(count);
        QCOMPARE(f.prompts.boxes.size(), 1);
        QCOMPARE(f.prompts.boxes[0].text, QStringLiteral("ﾃﾞﾊﾞｲｽが準備されていません"));
        QCOMPARE(f.prompts.boxes[0].title, QStringLiteral("ﾃﾞﾊﾞｲｽ未準備"));
        QCOMPARE(f.prompts.boxes[0].icon, Prompts::Icon::Critical);
        QCOMPARE(drives->count(), count);  // the list was made afresh
        QCOMPARE(panel(f)->directory(), QDir::cleanPath(f.path()));
        // A drive that is there: its folder becomes the list's.
        emit drives->activated(0);
        QCOMPARE(panel(f)->directory(), QDir::cleanPath(QDir::homePath()));
        f.checkBoxes();
    }
};

REELNOTE_TEST(TestPictureImport)
#include "tst_picture_import.moc"
