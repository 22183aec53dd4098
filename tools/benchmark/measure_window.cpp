// Showing a full card and editing an attribute, in the program's window in this process.
#include "baselines.h"
#include "file_state.h"
#include "live_window.h"
#include "measurements.h"

#include "card/card_frame.h"
#include "card/sub_texts.h"
#include "shell/flex_grid.h"
#include "store/catalogue.h"
#include "store/cp932.h"

#include <QApplication>
#include <QFile>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>

#include <fcntl.h>
#include <sys/stat.h>

namespace {
// The card must show what the collection wrote for the title: its three texts, its
// picture at full size and its viewings.
QString checkCard(LiveWindow& w, const Collection& col) {
    QString error;
    auto* name = w.child<QComboBox>(QStringLiteral("cboName"), &error);
    auto* picture = w.child<QLabel>(QStringLiteral("imgGazou"), &error);
    auto* grid = w.child<FlexGrid>(QStringLiteral("msgKansyou"), &error);
    if (!error.isEmpty()) return error;
    if (name->currentText() != col.cardName)
        return QStringLiteral("the card shows \"%1\"").arg(name->currentText());
    for (int k = 1; k <= 3; ++k) {
        auto* box = w.child<QPlainTextEdit>(QStringLiteral("txtSubData_%1").arg(k), &error);
        if (!box) return error;
        if (box->toPlainText() != col.cardTexts[k - 1].join(u'\n'))
            return QStringLiteral("text box %1 does not hold the file's text").arg(k);
    }
    // The card decodes at the size of its box, shape kept.
    const QSize box = QSize(4005 / 15, 5685 / 15) * picture->devicePixelRatioF();
    const QSize fitted =
        col.pictureSize.width() <= box.width() && col.pictureSize.height() <= box.height()
            ? col.pictureSize
            : col.pictureSize.scaled(box, Qt::KeepAspectRatio);
    if (picture->pixmap().size() != fitted)
        return QStringLiteral("the picture shown is %1x%2")
            .arg(picture->pixmap().width())
            .arg(picture->pixmap().height());
    if (grid->Rows() != col.cardViewings + 1)
        return QStringLiteral("the viewing grid has %1 rows for %2 viewings")
            .arg(grid->Rows() - 1)
            .arg(col.cardViewings);
    return {};
}
}  // namespace

void measureShowTitle(const Collection& col, Measurement* m) {
    QString* error = &m->error;
    LiveWindow w(col.dir);
    if (!w.open(error)) return;
    CardFrame* card = w.window.card();
    const int n = col.cardTitle;
    const int other = n == 1 ? 2 : n - 1;

    // Moving to another title first makes every box really change; that move and the
    // layout and paint it leaves pending lie outside the time. setCurrent(n) then runs
    // ShowTitle once, through the scroll bar's change, as moving to a title does.
    const Run show = [&]() -> std::optional<qint64> {
        card->setCurrent(other);
        QApplication::processEvents();
        const qint64 ns = nsOf([&] { card->setCurrent(n); });
        if (card->current() != n) {
            *error = QStringLiteral("the card is on title %1, not %2").arg(card->current()).arg(n);
            return std::nullopt;
        }
        if (!w.boxesWere({}, error)) return std::nullopt;
        return ns;
    };
    QStringList texts;
    for (int k : {SubTexts::kCast, SubTexts::kArasuji, SubTexts::kMemo})
        texts << SubTexts::fileName(k, col.cardName);
    const Run readTexts = rawReadDecode(col.dir, texts, error);
    const Run base = [&]() -> std::optional<qint64> {
        const auto textNs = readTexts();
        if (!textNs) return std::nullopt;
        QImage img;
        const qint64 ns = nsOf([&] { img.load(QDir(col.dir).filePath(col.pictureFile)); });
        if (img.isNull()) {
            *error = col.pictureFile + QStringLiteral(": cannot be decoded");
            return std::nullopt;
        }
        return *textNs + ns;
    };
    detail(QStringLiteral("title %1 \"%2\": 3 texts, a %3x%4 JPEG of %5 bytes, %6 viewings; "
                          "%7 text files in the directory")
               .arg(n)
               .arg(col.cardName)
               .arg(col.pictureSize.width())
               .arg(col.pictureSize.height())
               .arg(col.pictureBytes)
               .arg(col.cardViewings)
               .arg(col.textFiles));
    detail(QStringLiteral("setCurrent(%1) from title %2, running ShowTitle once  vs  readAll + "
                          "decode of the 3 texts + QImage::load of the picture")
               .arg(n)
               .arg(other));
    if (!timeBoth(m, show, base)) return;
    if (const QString wrong = checkCard(w, col); !wrong.isEmpty()) {
        *error = wrong;
        return;
    }
    detail(QStringLiteral("card shows the title's texts, picture and viewings: yes"));

    detail(QStringLiteral("parts, on the card as it stands:"));
    Catalogue& cat = w.window.catalogue();
    phase(QStringLiteral("DataDir::rescanIfChanged"),
          [&] { return nsOf([&] { cat.dir().rescanIfChanged(); }); });
    phase(QStringLiteral("LoadSubTexts"), [&] { return nsOf([&] { card->LoadSubTexts(); }); });
    phase(QStringLiteral("ShowKansyouRireki"),
          [&] { return nsOf([&] { card->ShowKansyouRireki(); }); });
    phase(QStringLiteral("QImageReader::read + QPixmap::fromImage, as showPicture does"), [&] {
        return nsOf([&] {
            QImageReader reader(cat.dir().filePath(col.pictureFile));
            reader.setDecideFormatFromContent(true);
            const QPixmap shown = QPixmap::fromImage(reader.read());
        });
    });
    phase(QStringLiteral("processEvents after the move (layout, paint; not counted)"), [&] {
        card->setCurrent(other);
        QApplication::processEvents();
        card->setCurrent(n);
        return nsOf([] { QApplication::processEvents(); });
    });
    if (!w.boxesWere({}, error)) return;
}

namespace {
// Gives the file a new modification time and nothing else, as a synchronising
// tool that rewrites a file unchanged does.
void touchFile(const QString& path) {
    static qint64 seconds = 1'700'000'000;
    const timespec times[2] = {{time_t(++seconds), 0}, {time_t(seconds), 0}};
    ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0);
}

void editKantoku(const Collection& col, Measurement* m, bool touched);
}  // namespace

void measureEditKantoku(const Collection& col, Measurement* m) { editKantoku(col, m, false); }
void measureEditKantokuTouched(const Collection& col, Measurement* m) { editKantoku(col, m, true); }

namespace {
void editKantoku(const Collection& col, Measurement* m, bool touched) {
    QString* error = &m->error;
    const PutBackOnExit data(col.dir, kDataFile, error);
    if (!data.ok()) return;
    const QByteArray& original = data.original();
    LiveWindow w(col.dir);
    if (!w.open(error)) return;
    CardFrame* card = w.window.card();
    auto* combo = w.child<QComboBox>(QStringLiteral("cboKantoku"), error);
    if (!combo) return;
    const int n = col.cardTitle;
    card->setCurrent(n);

    // Two new directors in turn, so that every run really changes the file.
    const QString names[] = {QStringLiteral("測定用監督　甲"), QStringLiteral("測定用監督　乙")};
    int edits = 0;
    QString last;
    const Run edit = [&]() -> std::optional<qint64> {
        last = names[edits++ % 2];
        combo->setEditText(last);  // the typing; the time starts with Enter
        QApplication::processEvents();
        // The file's time moved: the check before the write reads and hashes it.
        if (touched) touchFile(QDir(col.dir).filePath(kDataFile));
        const int beeps = w.prompts.beeps;
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        const qint64 ns = nsOf([&] { QCoreApplication::sendEvent(combo->lineEdit(), &enter); });
        if (!w.boxesWere({}, error)) return std::nullopt;
        if (w.prompts.beeps != beeps + 1) {
            *error = QStringLiteral("Enter gave %1 beeps, not one").arg(w.prompts.beeps - beeps);
            return std::nullopt;
        }
        if (w.window.catalogue().titles()[n].Kantoku != last) {
            *error = QStringLiteral("the title's director did not change");
            return std::nullopt;
        }
        return ns;
    };
    detail(QStringLiteral("title %1: setEditText (not timed)%2, then a Return key press on the "
                          "lineEdit of cboKantoku  vs  the bytes of データ.TXT written to a new "
                          "file, fdatasync, rename over another (a durable write)")
               .arg(n)
               .arg(touched ? QStringLiteral(", データ.TXT given a new time (not timed), so the "
                                             "check before the write reads and hashes it")
                            : QString()));
    if (!timeBesideDurableWrite(m, edit, col.dir, original)) return;

    // Only the director of that title may have changed, on disk.
    QByteArray saved;
    if (!w.window.catalogue().dir().read(kDataFile, &saved, error)) return;
    const QList<QByteArray> before = recordLines(original), after = recordLines(saved);
    QString wrong = before.size() == after.size() ? QString() : QStringLiteral("line count");
    for (qsizetype i = 0; wrong.isEmpty() && i < before.size(); ++i) {
        if (i + 1 == n) {
            QStringList fields = Cp932::decode(before[i]).split(u',');
            fields[1] = u'"' + last + u'"';
            QByteArray line;
            if (!Cp932::encode(fields.join(u','), &line) || line != after[i])
                wrong = QStringLiteral("line %1").arg(i + 1);
        } else if (before[i] != after[i]) {
            wrong = QStringLiteral("line %1").arg(i + 1);
        }
    }
    if (!wrong.isEmpty()) {
        *error =
            QStringLiteral("the saved data file differs from the expected one in the ") + wrong;
        return;
    }
    detail(QStringLiteral("saved file differs from the original in title %1's director only, "
                          "%2 beeps, no box: yes")
               .arg(n)
               .arg(w.prompts.beeps));

    detail(QStringLiteral("parts:"));
    phase(QStringLiteral("Catalogue::storeTitle (the save of the whole file)"),
          [&]() -> std::optional<qint64> {
              Title t = w.window.catalogue().titles()[n];
              t.Kantoku = names[edits++ % 2];
              return timedCall([&] { return w.window.catalogue().storeTitle(n, t); }, {}, error);
          });
    phase(touched ? QStringLiteral("the check of the files changed elsewhere, データ.TXT touched")
                  : QStringLiteral("the check of the files changed elsewhere (a stat each)"),
          [&]() -> std::optional<qint64> {
              if (touched) touchFile(QDir(col.dir).filePath(kDataFile));
              return nsOf([&] { w.window.catalogue().reloadChangedFiles(); });
          });
    saveFloors(col.dir, original, false, error);
}
}  // namespace
