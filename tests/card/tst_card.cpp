#include "card/card_rules.h"
#include "card/card_widgets.h"
#include "card/sub_texts.h"
#include "combo_gestures.h"
#include "main_fixture.h"
#include "store/catalogue.h"
#include "test_files.h"
#include "test_registry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>

#include <future>

using namespace TestFiles;

namespace {
int litCount(MainFixture& f, int item, const QColor& colour) {
    int lit = 0;
    for (int c = 1; c <= 10; ++c) {
        auto* cell = f.find<ShapeCell>(QStringLiteral("shpHyouka%1_%2").arg(item).arg(c));
        if (cell->fillColor() == colour) {
            if (lit != c - 1) return -1;  // lit cells run from cell 1 without gaps
            ++lit;
        } else if (cell->fillColor() != QColor(Qt::white)) {
            return -1;
        }
    }
    return lit;
}

void writePicture(const QString& dir, const QString& name, int w, int h, QColor colour,
                  const char* format) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colour);
    QVERIFY(img.save(QDir(dir).filePath(name), format));
}

int visibleFace(MainFixture& f) {
    int shown = -1;
    for (int i = 0; i < 4; ++i)
        if (!f.find<QLabel>(QStringLiteral("imgFace1_%1").arg(i))->isHidden()) {
            if (shown >= 0) return -2;
            shown = i;
        }
    return shown;
}
}  // namespace

class TestCard : public QObject {
    Q_OBJECT
private:
    void startWith(MainFixture& f, const QString& records) {
        writeFreshMasters(f.path(), false);
        writeCp932(f.path(), kDataFile, records);
        f.start();
    }

private slots:
    void showsTitleOneWithEverythingOnIt() {
        MainFixture f;
        startWith(f, titleRecord("七人の侍", "黒澤明", "三船敏郎", "1954/04/26", "日本", "時代劇",
                                 "◎", {95, 9, 2, 8, 10, 0, 0}, {"○", "", "○", ""}) +
                         titleRecord("二作目") + titleRecord("三作目"));
        QCOMPARE(f.find<QComboBox>("cboName")->currentText(), QStringLiteral("七人の侍"));
        QCOMPARE(f.find<QComboBox>("cboKantoku")->currentText(), QStringLiteral("黒澤明"));
        QCOMPARE(f.find<QComboBox>("cboSyuen")->currentText(), QStringLiteral("三船敏郎"));
        QCOMPARE(f.find<QLineEdit>("txtNengetu")->text(), QStringLiteral("1954/04/26"));
        QCOMPARE(f.find<QComboBox>("cboKuni")->currentText(), QStringLiteral("日本"));
        QCOMPARE(f.find<QComboBox>("cboJanru")->currentText(), QStringLiteral("時代劇"));
        QCOMPARE(f.find<QComboBox>("cboHyouka")->currentText(), QStringLiteral("◎"));
        QCOMPARE(visibleFace(f), 0);
        QCOMPARE(f.find<QComboBox>("cboHyouka1_1")->currentText(), QStringLiteral("95"));
        QCOMPARE(f.find<QComboBox>("cboHyouka1_1")->count(), 101);
        QCOMPARE(f.find<QComboBox>("cboHyouka1_4")->count(), 11);
        QCOMPARE(f.find<QComboBox>("cboHyouka1_4")->currentText(), QStringLiteral("8"));
        QCOMPARE(litCount(f, 1, QColor(0xFF, 0x80, 0x80)), 9);
        QCOMPARE(litCount(f, 2, QColor(0xFF, 0xC0, 0x80)), 9);
        QCOMPARE(litCount(f, 5, QColor(0x80, 0xFF, 0xFF)), 10);
        QCOMPARE(litCount(f, 6, QColor(0x80, 0x80, 0xFF)), 0);
        QVERIFY(f.find<QCheckBox>("chkSyoyu_1")->isChecked());
        QVERIFY(!f.find<QCheckBox>("chkSyoyu_2")->isChecked());
        QVERIFY(f.find<QCheckBox>("chkSyoyu_3")->isChecked());
        QCOMPARE(f.find<QLabel>("lblKensu")->text(), QStringLiteral("1 / 3"));
        QCOMPARE(f.find<QComboBox>("cboHyouka")->count(), 3);
        QCOMPARE(f.find<QLabel>("lblHyouka1_1")->palette().color(QPalette::Window),
                 QColor(0xFF, 0xC0, 0xC0));
        f.checkBoxes();
    }

    void movesWithTheScrollBarAndTheTitleList() {
        MainFixture f;
        QString data;
        for (int i = 1; i <= 6; ++i)
            data += titleRecord(QStringLiteral("題%1").arg(i), {}, {}, {}, {}, {},
                                i == 2 ? "△" : (i == 3 ? "○" : ""), {i * 10 + 5, i});
        startWith(f, data);
        auto* hsb = f.find<QScrollBar>("hsbData");
        QCOMPARE(hsb->minimum(), 1);
        QCOMPARE(hsb->maximum(), 6);
        hsb->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(f.find<QComboBox>("cboName")->currentText(), QStringLiteral("題2"));
        QCOMPARE(visibleFace(f), 2);
        QCOMPARE(litCount(f, 1, QColor(0xFF, 0x80, 0x80)), 2);
        hsb->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(visibleFace(f), 1);
        hsb->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(visibleFace(f), 3);  // no mark

        auto* cboName = f.find<QComboBox>("cboName");
        QVERIFY(ComboGestures::pickWithMouse(cboName, 4));  // the user picks the fifth entry
        QCOMPARE(hsb->value(), 5);
        QCOMPARE(cboName->currentText(), QStringLiteral("題5"));
        QCOMPARE(f.find<QLabel>("lblKensu")->text(), QStringLiteral("5 / 6"));
        QCOMPARE(f.find<QComboBox>("cboHyouka1_2")->currentText(), QStringLiteral("5"));
        // Typing into the title box changes nothing else.
        cboName->setEditText(QStringLiteral("題1"));
        QCOMPARE(hsb->value(), 5);
        f.checkBoxes();
    }

    void showingTitlesNeverRewritesTheDataFile() {
        MainFixture f;
        const QString data =
            titleRecord("甲", {}, {}, {}, {}, {}, {}, {}, {"○", "○", "○", "○"}) + titleRecord("乙");
        startWith(f, data);
        const QDateTime before = QFileInfo(QDir(f.path()).filePath(kDataFile)).lastModified();
        auto* hsb = f.find<QScrollBar>("hsbData");
        hsb->setValue(2);
        QVERIFY(!f.find<QCheckBox>("chkSyoyu_4")->isChecked());
        hsb->setValue(1);
        QVERIFY(f.find<QCheckBox>("chkSyoyu_4")->isChecked());
        QCOMPARE(readCp932(f.path(), kDataFile), data);
        QCOMPARE(QFileInfo(QDir(f.path()).filePath(kDataFile)).lastModified(), before);
    }

    void posterPictureAndItsHeightRule() {
        MainFixture f;
        writePicture(f.path(), QStringLiteral("横.jpg"), 300, 200, Qt::red, "JPG");
        writePicture(f.path(), QStringLiteral("横.bmp"), 300, 200, Qt::blue, "BMP");
        writePicture(f.path(), QStringLiteral("縦.JPG"), 200, 300, Qt::green, "JPG");
        writePicture(f.path(), QStringLiteral("正方.bmp"), 300, 300, Qt::yellow, "BMP");
        writePicture(f.path(), QStringLiteral("小.bmp"), 60, 40, Qt::black, "BMP");
        writeBytes(f.path(), QStringLiteral("壊.jpg"), "not a picture");
        // A GIF beside a JPEG wins over it: a one-pixel GIF, too narrow to change the box.
        writePicture(f.path(), QStringLiteral("動.jpg"), 200, 300, Qt::red, "JPG");
        writeBytes(f.path(), QStringLiteral("動.gif"),
                   QByteArray::fromHex("47494638396101000100800000ffffff00000021f904010000000"
                                       "02c00000000010001000002024401003b"));
        startWith(f, titleRecord("横") + titleRecord("縦") + titleRecord("正方") +
                         titleRecord("小") + titleRecord("壊") + titleRecord("無") +
                         titleRecord("動"));
        auto* img = f.find<QLabel>("imgGazou");
        auto* hsb = f.find<QScrollBar>("hsbData");
        const int tw = CardRules::kTwipsPerPixel;
        QCOMPARE(img->width() * tw, 4005 - 4005 % tw);
        // Both a .jpg and a .bmp: the .bmp wins; landscape makes the box 3030 twips high.
        QCOMPARE(img->pixmap().toImage().pixelColor(5, 5), QColor(Qt::blue));
        QCOMPARE(img->height() * tw, 3030);
        hsb->setValue(2);  // found though its extension is upper case
        QVERIFY(!img->pixmap().isNull());
        QCOMPARE(img->height() * tw, 5685);
        hsb->setValue(3);
        QCOMPARE(img->height(), img->width());
        hsb->setValue(4);  // too narrow to measure: shown, box height kept
        QVERIFY(!img->pixmap().isNull());
        QCOMPARE(img->height(), img->width());
        hsb->setValue(5);  // an unreadable file is passed over
        QVERIFY(img->pixmap().isNull());
        hsb->setValue(6);
        QVERIFY(img->pixmap().isNull());
        hsb->setValue(7);
        QCOMPARE(img->pixmap().size(), QSize(1, 1));
        f.checkBoxes();
    }

    void aPictureUnderAnotherSpellingShowsWhileTheFolderIsListed() {
        MainFixture f;
        writePicture(f.path(), QStringLiteral("縦.JPG"), 200, 300, Qt::green, "JPG");
        // Its texts are there as named, so that nothing else waits for the listing.
        for (int k = 1; k <= 3; ++k) writeCp932(f.path(), SubTexts::fileName(k, "縦"), "文");
        startWith(f, titleRecord("縦"));
        auto* img = f.find<QLabel>("imgGazou");
        // Listed anew as at start-up, the listing held until the card is shown.
        struct Release {  // also on the way out of a failed check, or the listing never ends
            std::promise<void> p;
            void now() { p.set_value(); }
            ~Release() {
                try { now(); } catch (const std::future_error&) {}
            }
        } release;
        std::shared_future<void> released = release.p.get_future().share();
        f.window->catalogue().dir().rescan([released] { released.wait(); });
        f.window->card()->ShowTitle();
        QVERIFY(img->pixmap().isNull());
        QCOMPARE(f.find<QPlainTextEdit>("txtSubData_1")->toPlainText(), QStringLiteral("文"));
        release.now();
        QTRY_VERIFY(!img->pixmap().isNull());
        QCOMPARE(img->height() * CardRules::kTwipsPerPixel, 5685);
    }

    void aPictureChangedOnDiskIsShownAnew() {
        MainFixture f;
        const QString path = QDir(f.path()).filePath(QStringLiteral("甲.bmp"));
        const auto setTime = [&](const QDateTime& time) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(time, QFileDevice::FileModificationTime));
        };
        const auto age = [&](int year) { setTime(QDateTime(QDate(year, 1, 1), QTime(0, 0))); };
        writePicture(f.path(), QStringLiteral("甲.bmp"), 300, 200, Qt::blue, "BMP");
        age(2020);
        startWith(f, titleRecord("甲") + titleRecord("乙"));
        auto* img = f.find<QLabel>("imgGazou");
        auto* hsb = f.find<QScrollBar>("hsbData");
        const auto colourOfTitle1 = [&] {
            hsb->setValue(2);
            hsb->setValue(1);
            return img->pixmap().toImage().pixelColor(5, 5);
        };
        QCOMPARE(colourOfTitle1(), QColor(Qt::blue));
        // Rewritten in place at the same size, its time set back: only the time differs.
        writePicture(f.path(), QStringLiteral("甲.bmp"), 300, 200, Qt::red, "BMP");
        age(2021);
        QCOMPARE(colourOfTitle1(), QColor(Qt::red));
        // Written just now, then again within the same tick of the clock: the
        // stamp alone cannot tell them apart.
        const QDateTime now = QDateTime::currentDateTime();
        const auto writeNow = [&](QColor colour) {
            writePicture(f.path(), QStringLiteral("甲.bmp"), 300, 200, colour, "BMP");
            setTime(now);
        };
        writeNow(Qt::green);
        QCOMPARE(colourOfTitle1(), QColor(Qt::green));
        writeNow(Qt::yellow);
        QCOMPARE(colourOfTitle1(), QColor(Qt::yellow));
    }

    void emptyTableShowsZeroOfZero() {
        MainFixture f;
        startWith(f, QString());
        QCOMPARE(f.find<QLabel>("lblKensu")->text(), QStringLiteral("0 / 0"));
        QCOMPARE(f.find<QScrollBar>("hsbData")->maximum(), 1);
        QCOMPARE(litCount(f, 1, QColor(0xFF, 0x80, 0x80)), 0);
        f.window->card()->ShowTitle();
        QCOMPARE(f.find<QLabel>("lblKensu")->text(), QStringLiteral("0 / 0"));
        f.checkBoxes();
    }

    void cardRules() {
        QCOMPARE(CardRules::litCells(1, 95), 9);
        QCOMPARE(CardRules::litCells(1, 100), 10);
        QCOMPARE(CardRules::litCells(1, 9), 0);
        QCOMPARE(CardRules::litCells(5, 10), 10);
        QCOMPARE(CardRules::litCells(5, 0), 0);
        QCOMPARE(CardRules::posterHeightTwips(4500, 3000, 4005, 100), 3030);
        QCOMPARE(CardRules::posterHeightTwips(3000, 4500, 4005, 100), 5685);
        QCOMPARE(CardRules::posterHeightTwips(4500, 4500, 4005, 100), 4005);
        QCOMPARE(CardRules::posterHeightTwips(990, 600, 4005, 100), 100);
        QCOMPARE(CardRules::faceIndex(QStringLiteral("×")), 3);
    }
};

REELNOTE_TEST(TestCard)
#include "tst_card.moc"
