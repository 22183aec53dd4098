#include "card/picture_import_frame.h"
#include "combo_gestures.h"
#include "main_fixture.h"
#include "store/catalogue.h"
#include "test_files.h"
#include "test_registry.h"

#include <QBuffer>
#include <QClipboard>
#include <QComboBox>
#include <QDropEvent>
#include <QImageWriter>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QUrl>

using namespace TestFiles;
using ComboGestures::snapshot;
using Answer = Prompts::Answer;

namespace {
QByteArray encoded(const QImage& img, const char* format) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!QImageWriter(&buffer, format).write(img)) qFatal("cannot encode a test picture");
    return buffer.data();
}

// Red, 300 × 200, with a transparent top left corner.
QImage poster() {
    QImage img(300, 200, QImage::Format_ARGB32);
    img.fill(Qt::red);
    QPainter painter(&img);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(0, 0, 40, 40, Qt::transparent);
    return img;
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QMimeData* filesDragged(const QStringList& paths) {
    auto* mime = new QMimeData;
    QList<QUrl> urls;
    for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
    mime->setUrls(urls);
    return mime;
}

QString previewText(const QString& target) {
    return QStringLiteral(
               "この画像を「甲」の画像として取り込みますか？\r\n\r\n「%1」として保存します。")
        .arg(target);
}
}  // namespace

// A picture dropped on the card's picture or pasted on the card goes the way of
// 画像を取り込む: previewed, stored under the title's name as the folder keeps
// pictures, and taken back whole by Ctrl+Z.
class TestPictureDrop : public QObject {
    Q_OBJECT
private:
    QTemporaryDir source_;

    void start(MainFixture& f) {
        writeFreshMasters(f.path(), false);
        writeCp932(f.path(), kDataFile, titleRecord("甲") + titleRecord("乙"));
        f.start();
        QVERIFY(ComboGestures::activate(f.window.get()));
        f.find<QScrollBar>("hsbData")->setFocus();  // no text box has the focus
        f.prompts.reset();
    }
    QLabel* picture(MainFixture& f) { return f.find<QLabel>("imgGazou"); }
    // A drag over the card's picture and its drop; false when the picture would not take it.
    bool drop(MainFixture& f, QMimeData* mime) {
        std::unique_ptr<QMimeData> owned(mime);
        const QPoint at = picture(f)->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, mime, Qt::LeftButton, {});
        QApplication::sendEvent(picture(f), &enter);
        if (!enter.isAccepted()) return false;
        QDropEvent dropped(QPointF(at), Qt::CopyAction, mime, Qt::LeftButton, {});
        QApplication::sendEvent(picture(f), &dropped);
        QCoreApplication::processEvents();  // the boxes come once the drag is over
        return true;
    }
    // A key as the control with the focus gets it.
    void key(QKeyCombination k) {
        QVERIFY(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), k.key(), k.keyboardModifiers());
    }
    // Ctrl+V on the card where no text box has the focus.
    void pasteOnCard(MainFixture& f) {
        f.find<QScrollBar>("hsbData")->setFocus();
        key(Qt::ControlModifier | Qt::Key_V);
    }
    QString source(const QString& name) const { return QDir(source_.path()).filePath(name); }

private slots:
    void initTestCase() {
        QVERIFY(source_.isValid());
        writeBytes(source_.path(), QStringLiteral("poster.png"), encoded(poster(), "PNG"));
        writeBytes(source_.path(), QStringLiteral("photo.JPG"), encoded(poster(), "JPG"));
        writeBytes(source_.path(), QStringLiteral("notes.txt"), "not a picture file");
    }

    void aDroppedPngBecomesAJpegThatUndoTakesBack() {
        MainFixture f;
        start(f);
        const auto before = snapshot(f.path());
        f.window->setGalleryReady(true);

        // Cancelled at the preview: nothing is written, the card shows what it showed.
        f.prompts.planAnswer(Answer::Cancel);
        QVERIFY(drop(f, filesDragged({source(QStringLiteral("poster.png"))})));
        QCOMPARE(f.prompts.boxes.size(), 1);
        QCOMPARE(snapshot(f.path()), before);
        QVERIFY(picture(f)->pixmap().isNull());

        f.prompts.reset();
        f.prompts.planAnswer(Answer::Ok);
        QVERIFY(drop(f, filesDragged({source(QStringLiteral("poster.png"))})));
        QCOMPARE(f.prompts.boxes.size(), 1);
        QCOMPARE(f.prompts.boxes[0].title, QStringLiteral("画像の取り込み"));
        QCOMPARE(f.prompts.boxes[0].text, previewText(QStringLiteral("甲.jpg")));
        QCOMPARE(f.prompts.boxes[0].buttons, Prompts::Buttons::OkCancel);
        QVERIFY(!picture(f)->pixmap().isNull());
        QVERIFY(!f.window->galleryReady());
        auto after = snapshot(f.path());
        const QByteArray jpeg = after.take(QStringLiteral("甲.jpg"));
        QCOMPARE(after, before);  // one file more, nothing else touched
        QVERIFY(jpeg.startsWith("\xFF\xD8"));
        const QImage stored = QImage::fromData(jpeg);
        QCOMPARE(stored.size(), QSize(300, 200));
        QVERIFY(qRed(stored.pixel(5, 5)) > 240 && qGreen(stored.pixel(5, 5)) > 240);  // white
        QVERIFY(qRed(stored.pixel(150, 100)) > 240 && qGreen(stored.pixel(150, 100)) < 20);

        const auto withPicture = snapshot(f.path());
        key(Qt::ControlModifier | Qt::Key_Z);
        QCOMPARE(snapshot(f.path()), before);
        QCOMPARE(f.window->noticeText(), QStringLiteral("元に戻しました: 画像の取り込み 「甲」"));
        QVERIFY(picture(f)->pixmap().isNull());
        key(Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_Z);
        QCOMPARE(snapshot(f.path()), withPicture);

        // A JPEG keeps its bytes and its extension's letter case; over a picture of
        // the title after the question, and Ctrl+Z gives the old bytes back.
        writeBytes(f.path(), QStringLiteral("甲.jpg"), "the old picture");
        const auto old = snapshot(f.path());
        f.prompts.reset();
        f.prompts.planAnswer(Answer::Ok);
        f.prompts.planAnswer(Answer::Ok);
        QVERIFY(drop(f, filesDragged({source(QStringLiteral("photo.JPG"))})));
        QCOMPARE(f.prompts.boxes.size(), 2);
        QCOMPARE(f.prompts.boxes[0].text, previewText(QStringLiteral("甲.JPG")));
        QCOMPARE(f.prompts.boxes[1].title, QStringLiteral("上書き確認"));
        QCOMPARE(readBytes(f.path(), QStringLiteral("甲.jpg")),
                 readFile(source(QStringLiteral("photo.JPG"))));
        key(Qt::ControlModifier | Qt::Key_Z);
        QCOMPARE(snapshot(f.path()), old);
        f.checkBoxes();
    }

    void aPastedPictureTakesTheSamePathAndTextBoxesKeepTheirPaste() {
        MainFixture f;
        start(f);
        const auto before = snapshot(f.path());
        auto* mime = new QMimeData;
        mime->setText(QStringLiteral("貼り付け"));
        mime->setImageData(poster());
        QGuiApplication::clipboard()->setMimeData(mime);

        // In a text box Ctrl+V pastes text, as always.
        QLineEdit* box = f.find<QComboBox>("cboKantoku")->lineEdit();
        box->setFocus();
        box->clear();
        key(Qt::ControlModifier | Qt::Key_V);
        QCOMPARE(box->text(), QStringLiteral("貼り付け"));
        QVERIFY(f.prompts.boxes.isEmpty());

        f.prompts.planAnswer(Answer::Ok);
        pasteOnCard(f);
        QCOMPARE(f.prompts.boxes.size(), 1);
        QCOMPARE(f.prompts.boxes[0].text, previewText(QStringLiteral("甲.jpg")));
        const QImage stored = QImage::fromData(readBytes(f.path(), QStringLiteral("甲.jpg")));
        QCOMPARE(stored.size(), QSize(300, 200));
        key(Qt::ControlModifier | Qt::Key_Z);
        QCOMPARE(snapshot(f.path()), before);

        // A file copied in a file manager comes as its URL.
        QGuiApplication::clipboard()->setMimeData(filesDragged({source("photo.JPG")}));
        f.prompts.planAnswer(Answer::Ok);
        pasteOnCard(f);
        QCOMPARE(readBytes(f.path(), QStringLiteral("甲.JPG")),
                 readFile(source(QStringLiteral("photo.JPG"))));
        f.checkBoxes();
    }

    void whatBringsNoPictureIsRefusedAndNothingIsFetched() {
        MainFixture f;
        start(f);
        const auto before = snapshot(f.path());
        const auto refusal = [&](QMimeData* mime) {
            f.prompts.reset();
            f.prompts.planAnswer(Answer::Ok);
            if (!drop(f, mime)) return QStringLiteral("not taken");
            if (f.prompts.boxes.size() != 1) return QStringLiteral("no single box");
            return f.prompts.boxes[0].title + u'|' + f.prompts.boxes[0].text;
        };
        QCOMPARE(refusal(filesDragged({source(QStringLiteral("notes.txt"))})),
                 QStringLiteral("取り込めません|「notes.txt」は画像として読み込めません。"
                                "\r\n\r\n画像は取り込まれていません。"));
        QCOMPARE(refusal(filesDragged({source(QStringLiteral("gone.png"))})),
                 QStringLiteral("取り込めません|「gone.png」は画像として読み込めません。"
                                "\r\n\r\n画像は取り込まれていません。"));
        auto* remote = new QMimeData;
        remote->setUrls({QUrl(QStringLiteral("http://127.0.0.1:9/poster.png"))});
        QCOMPARE(
            refusal(remote),
            QStringLiteral("取り込めません|インターネット上の画像は、そのままでは取り込めません。"
                           "\r\nhttp://127.0.0.1:9/poster.png\r\n\r\n"
                           "画像をいったんファイルに保存してから、そのファイルをドロップして"
                           "ください。"));
        QCOMPARE(snapshot(f.path()), before);

        // Text alone is not taken at all.
        auto* text = new QMimeData;
        text->setText(QStringLiteral("甲"));
        f.prompts.reset();
        QVERIFY(!drop(f, text));

        // From a browser: the address with the picture's bytes; the bytes are taken.
        auto* browser = new QMimeData;
        browser->setUrls({QUrl(QStringLiteral("http://127.0.0.1:9/poster.png"))});
        browser->setData(QStringLiteral("image/png"), encoded(poster(), "PNG"));
        f.prompts.reset();
        f.prompts.planAnswer(Answer::Ok);
        QVERIFY(drop(f, browser));
        QCOMPARE(f.prompts.boxes[0].text, previewText(QStringLiteral("甲.jpg")));
        QVERIFY(QImage::fromData(readBytes(f.path(), QStringLiteral("甲.jpg"))).size() ==
                QSize(300, 200));

        // A window that does not hold the folder says so and writes nothing.
        const auto withPicture = snapshot(f.path());
        f.window->catalogue().dir().setReadOnly(QStringLiteral("ほかのウィンドウが使っています。"));
        QCOMPARE(refusal(filesDragged({source(QStringLiteral("poster.png"))})),
                 QStringLiteral("読み取り専用|ほかのウィンドウが使っています。"));
        f.prompts.planAnswer(Answer::Ok);
        QGuiApplication::clipboard()->setImage(poster());
        pasteOnCard(f);
        QCOMPARE(f.prompts.boxes.size(), 2);
        QCOMPARE(f.prompts.boxes[1].title, QStringLiteral("読み取り専用"));
        QCOMPARE(snapshot(f.path()), withPicture);
        f.checkBoxes();
    }

    // The import through the panel is one step of the undo history as well.
    void anImportThroughThePanelIsTakenBackByUndo() {
        MainFixture f;
        start(f);
        writeBytes(f.path(), QStringLiteral("甲.JPG"), "the old picture");
        const auto before = snapshot(f.path());
        QTest::mouseClick(picture(f), Qt::LeftButton);
        QVERIFY(f.find<PictureImportFrame>("fraPicget")->setDirectory(source_.path()));
        auto* files = f.find<QListWidget>("filZukei_Moto");
        const auto found = files->findItems(QStringLiteral("photo.JPG"), Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        files->setCurrentItem(found.first());
        f.prompts.planAnswer(Answer::Ok);  // overwrite
        f.click("cmdFileCopy");
        QCOMPARE(readBytes(f.path(), QStringLiteral("甲.JPG")),
                 readFile(source(QStringLiteral("photo.JPG"))));
        key(Qt::ControlModifier | Qt::Key_Z);
        QCOMPARE(snapshot(f.path()), before);

        // What another program wrote over the picture since is not undone.
        key(Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_Z);
        writeBytes(f.path(), QStringLiteral("甲.JPG"), "edited elsewhere");
        f.prompts.planAnswer(Answer::Ok);
        key(Qt::ControlModifier | Qt::Key_Z);
        QCOMPARE(f.prompts.boxes.last().title, QStringLiteral("元に戻せません"));
        QCOMPARE(readBytes(f.path(), QStringLiteral("甲.JPG")), QByteArray("edited elsewhere"));
        f.checkBoxes();
    }
};

REELNOTE_TEST(TestPictureDrop)
#include "tst_picture_drop.moc"
