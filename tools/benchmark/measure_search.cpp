// The search screen, in the program's window in this process: opening it, every search of
// the tables, and a word search over the memo texts of every title beside grep.
#include "file_state.h"
#include "live_window.h"
#include "measurements.h"

#include "search/search_criteria.h"
#include "search/search_frame.h"
#include "store/catalogue.h"
#include "store/cp932.h"
#include "store/date_text.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryFile>

#include <functional>
#include <optional>
#include <random>

namespace {
// The collection gives texts to about a thousand titles; a word search is measured at
// its worst, with a cast, a synopsis and a memo for every title. The missing ones are
// written here, in the style of the collection's own, and removed again afterwards.
const char* const kNames[] = {"三船敏郎", "原節子", "笠智衆",   "高峰秀子", "仲代達矢",
                              "京マチ子", "志村喬", "若尾文子", "森雅之",   "田中絹代",
                              "加山雄三", "岸惠子", "池部良",   "香川京子", "山村聰"};
const char* const kRoles[] = {"主人公", "その妻", "親友", "刑事", "医師",   "少女",
                              "老人",   "船長",   "教師", "記者", "用心棒", "母親"};
const char* const kPlot[] = {
    "港町で暮らす%1は、ある日一通の手紙を受け取る。", "%1は失われた記憶を求めて旅に出る。",
    "嵐の夜、%1の前に見知らぬ男が現れる。", "季節が巡り、%1はふたたび海辺に立つ。",
    "祭りの日、町じゅうの人々が広場に集まる。"};
const char* const kMemo[] = {
    "%1の演技が素晴らしい。",           "後半の展開は少し駆け足に感じた。",
    "音楽と映像の美しさが印象に残る。", "もう一度見返したい作品。",
    "原作とは結末が異なる。",           "子供の頃に見た記憶がよみがえった。",
    "ラストシーンで思わず涙が出た。",   "字幕で見たので次は吹き替えで見たい。"};
// In about a third of the memos, as a word a user would look for.
const QString kMemoWord = QStringLiteral("涙");

class TextsForEveryTitle {
public:
    TextsForEveryTitle(const QString& dir, QString* error) : dir_(dir) {
        Catalogue cat(dir);
        if (const QString problem = cat.LoadMainData(); !problem.isEmpty()) {
            *error = oneLine(problem);
            return;
        }
        std::mt19937 rng(6100);
        const auto from = [&rng](const auto& pool) {
            return QString::fromUtf8(pool[rng() % std::size(pool)]);
        };
        for (int n = 1; n <= cat.TitleCount(); ++n) {
            for (SearchCriteria::TextKind kind :
                 {SearchCriteria::TextKind::Cast, SearchCriteria::TextKind::Arasuji,
                  SearchCriteria::TextKind::Memo}) {
                const QString name =
                    SearchCriteria::textPrefix(kind) + cat.titles()[n].Daimei + ".txt";
                if (cat.dir().exists(name)) continue;
                QStringList lines;
                for (int i = 1 + int(rng() % 5); i > 0; --i) {
                    const QString who = from(kNames);
                    if (kind == SearchCriteria::TextKind::Cast)
                        lines << from(kRoles) + QStringLiteral("　…　") + who;
                    else if (kind == SearchCriteria::TextKind::Memo)
                        lines << from(kMemo).replace(QStringLiteral("%1"), who);
                    else
                        lines << from(kPlot).replace(QStringLiteral("%1"), who);
                }
                QByteArray bytes;
                Cp932::encode(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"), &bytes);
                QFile f(QDir(dir).filePath(name));
                if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
                    *error = fileError(f);
                    return;
                }
                written_ << name;
                bytes_ += bytes.size();
            }
        }
        ok_ = true;
    }
    ~TextsForEveryTitle() {
        for (const QString& name : written_) QFile::remove(QDir(dir_).filePath(name));
    }
    TextsForEveryTitle(const TextsForEveryTitle&) = delete;
    TextsForEveryTitle& operator=(const TextsForEveryTitle&) = delete;

    bool ok() const { return ok_; }
    int written() const { return int(written_.size()); }
    qint64 bytes() const { return bytes_; }

private:
    QString dir_;
    QStringList written_;
    qint64 bytes_ = 0;
    bool ok_ = false;
};

// The window with the search screen open.
struct SearchWindow {
    explicit SearchWindow(const QString& dir) : live(dir) {}

    bool open(QString* error) {
        if (!live.open(error)) return false;
        auto* button = live.child<QPushButton>(QStringLiteral("cmdKensaku"), error);
        if (!button) return false;
        button->click();
        frame = live.child<SearchFrame>(QStringLiteral("fraKensaku"), error);
        list = live.child<QListView>(QStringLiteral("lstDaimei"), error);
        count = live.child<QGroupBox>(QStringLiteral("fraKensu"), error);
        return frame && list && count && !frame->isHidden() && live.boxesWere({}, error);
    }
    Catalogue& cat() { return live.window.catalogue(); }
    int results() const { return list->model()->rowCount(); }

    // The search as the user sees it: the handler, and the list laid out and painted.
    std::optional<qint64> time(const std::function<void()>& search, int expected, QString* error) {
        list->model()->removeRows(0, results());
        QApplication::processEvents();
        const qint64 ns = nsOf([&] {
            search();
            while (frame->searching()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
            QApplication::processEvents();
        });
        const QString caption = QStringLiteral("検索件数　%1件").arg(expected);
        if (results() != expected || count->title() != caption) {
            *error = QStringLiteral("the search listed %1 titles (\"%2\") where %3 were expected")
                         .arg(results())
                         .arg(count->title())
                         .arg(expected);
            return std::nullopt;
        }
        if (!live.boxesWere({}, error)) return std::nullopt;
        return ns;
    }

    LiveWindow live;
    SearchFrame* frame = nullptr;
    QListView* list = nullptr;
    QGroupBox* count = nullptr;
};

void pressEnter(QWidget* w) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
}

// A table search timed beside the same test written as a plain loop over the table
// (the floor: no list, no window), whose count the search must reproduce.
void measureTableSearch(Measurement* m, SearchWindow& w, const QString& what,
                        const std::function<void()>& search, const std::function<int()>& plain) {
    QString* error = &m->error;
    int expected = 0;
    const Run base = [&]() -> std::optional<qint64> { return nsOf([&] { expected = plain(); }); };
    if (!base()) return;
    detail(what + QStringLiteral(": %1 entries  vs  the same test as a plain loop").arg(expected));
    timeBoth(
        m, [&] { return w.time(search, expected, error); }, base);
}

template <typename T>
T* control(SearchWindow& w, const char* name, QString* error) {
    return w.live.child<T>(QLatin1String(name), error);
}

void measureOpenSearch(const Collection& col, Measurement* m) {
    QString* error = &m->error;
    LiveWindow w(col.dir);
    if (!w.open(error)) return;
    auto* button = w.child<QPushButton>(QStringLiteral("cmdKensaku"), error);
    auto* main = w.child<QPushButton>(QStringLiteral("cmdMain"), error);
    auto* frame = w.child<SearchFrame>(QStringLiteral("fraKensaku"), error);
    auto* combo = w.child<QComboBox>(QStringLiteral("cboSyuen2"), error);
    if (!button || !main || !frame || !combo) return;
    const Run open = [&]() -> std::optional<qint64> {
        main->click();
        QApplication::processEvents();
        const qint64 ns = nsOf([&] {
            button->click();
            QApplication::processEvents();
        });
        if (frame->isHidden() || combo->count() != col.actors) {
            *error = QStringLiteral("the screen did not open with %1 lead actors").arg(col.actors);
            return std::nullopt;
        }
        return w.boxesWere({}, error) ? std::optional<qint64>(ns) : std::nullopt;
    };
    // The floor: switching to the screen without filling anything.
    const Run base = [&]() -> std::optional<qint64> {
        main->click();
        QApplication::processEvents();
        return nsOf([&] {
            w.window.HideAllFrames();
            frame->show();
            QApplication::processEvents();
        });
    };
    detail(QStringLiteral("検索 from the card: %1 directors, %2 lead actors, %3 release months "
                          "(twice), the viewing lists  vs  showing the frame as it stands")
               .arg(col.directors)
               .arg(col.actors)
               .arg(col.releaseMonths));
    timeBoth(m, open, base);
}

void measureSearchTitleWord(const Collection& col, Measurement* m) {
    SearchWindow w(col.dir);
    if (!w.open(&m->error)) return;
    auto* box = control<QLineEdit>(w, "txtNamae", &m->error);
    if (!box) return;
    const QString word = QStringLiteral("の");
    box->setText(word);
    measureTableSearch(
        m, w, QStringLiteral("Enter in txtNamae, \"の\""), [&] { pressEnter(box); },
        [&] {
            int n = 0;
            for (int i = 1; i <= w.cat().TitleCount(); ++i)
                n += w.cat().titles()[i].Daimei.contains(word);
            return n;
        });
}

void measureSearchKantoku(const Collection& col, Measurement* m) {
    SearchWindow w(col.dir);
    if (!w.open(&m->error)) return;
    auto* combo = control<QComboBox>(w, "cboKantoku2", &m->error);
    if (!combo) return;
    combo->setCurrentIndex(combo->count() / 2);
    const QString value = combo->currentText();
    measureTableSearch(
        m, w, QStringLiteral("a director picked in cboKantoku2"),
        [&] { w.frame->cboKantoku2_Click(); },
        [&] {
            int n = 0;
            for (int i = 1; i <= w.cat().TitleCount(); ++i)
                n += w.cat().titles()[i].Kantoku == value;
            return n;
        });
}

// The floor of a period search: the date test on every record, compared by month.
int plainPeriodCount(const QStringList& dates, int from, int to) {
    int n = 0;
    for (const QString& d : dates) {
        const auto date = parseDateText(d);
        const int month = date ? date->year * 100 + date->month : -1;
        n += month >= from && month <= to;
    }
    return n;
}

void measureSearchReleasePeriod(const Collection& col, Measurement* m) {
    SearchWindow w(col.dir);
    if (!w.open(&m->error)) return;
    auto* lower = control<QComboBox>(w, "cboKoukai2_0", &m->error);
    auto* upper = control<QComboBox>(w, "cboKoukai2_1", &m->error);
    if (!lower || !upper) return;
    lower->setEditText(QStringLiteral("1960/01"));
    upper->setEditText(QStringLiteral("1989/12"));
    QStringList dates;
    for (int i = 1; i <= w.cat().TitleCount(); ++i) dates << w.cat().titles()[i].Koukai;
    measureTableSearch(
        m, w, QStringLiteral("release period 1960/01 ～ 1989/12"),
        [&] { w.frame->cboKoukai2_Click(); },
        [&] { return plainPeriodCount(dates, 196001, 198912); });
}

void measureSearchMark(const Collection& col, Measurement* m) {
    SearchWindow w(col.dir);
    if (!w.open(&m->error)) return;
    measureTableSearch(
        m, w, QStringLiteral("\"未\" in lstHyouka"),
        [&] { w.live.chooseIn("lstHyouka", SearchCriteria::kNoMark, &m->error); },
        [&] {
            int n = 0;
            for (int i = 1; i <= w.cat().TitleCount(); ++i)
                n += w.cat().titles()[i].Hyouka.isEmpty();
            return n;
        });
}

void measureSearchOwnership(const Collection& col, Measurement* m) {
    SearchWindow w(col.dir);
    if (!w.open(&m->error)) return;
    measureTableSearch(
        m, w, QStringLiteral("\"無し\" in lstSyoyu_1"),
        [&] { w.live.chooseIn("lstSyoyu_1", SearchCriteria::kAbsent, &m->error); },
        [&] {
            int n = 0;
            for (int i = 1; i <= w.cat().TitleCount(); ++i)
                n += w.cat().titles()[i].Syoyu[1] != kOwned;
            return n;
        });
}

void measureSearchViewingPeriod(const Collection& col, Measurement* m) {
    SearchWindow w(col.dir);
    if (!w.open(&m->error)) return;
    auto* lower = control<QComboBox>(w, "cboKansyou2_0", &m->error);
    auto* upper = control<QComboBox>(w, "cboKansyou2_1", &m->error);
    if (!lower || !upper) return;
    lower->setEditText(QStringLiteral("2000/01"));
    upper->setEditText(QStringLiteral("2009/12"));
    QStringList dates;
    for (const Kansyou& k : w.cat().kansyou().records()) dates << k.Kansyoubi;
    measureTableSearch(
        m, w, QStringLiteral("viewing period 2000/01 ～ 2009/12"),
        [&] { w.frame->cboKansyou2_Click(); },
        [&] { return plainPeriodCount(dates, 200001, 200912); });
}

void measureSearchViewingContent(const Collection& col, Measurement* m) {
    SearchWindow w(col.dir);
    if (!w.open(&m->error)) return;
    auto* combo = control<QComboBox>(w, "cboKansyou3", &m->error);
    if (!combo) return;
    combo->setCurrentIndex(0);
    const QString value = combo->currentText();
    measureTableSearch(
        m, w, QStringLiteral("a viewing content picked in cboKansyou3"),
        [&] { w.frame->cboKansyou3_Click(); },
        [&] {
            int n = 0;
            for (const Kansyou& k : w.cat().kansyou().records()) n += k.KansyouNaiyou == value;
            return n;
        });
}

void measureSearchTextPresence(const Collection& col, Measurement* m) {
    TextsForEveryTitle texts(col.dir, &m->error);
    if (!texts.ok()) return;
    SearchWindow w(col.dir);
    if (!w.open(&m->error)) return;
    detail(QStringLiteral("%1 text files written for the titles without one").arg(texts.written()));
    measureTableSearch(
        m, w, QStringLiteral("\"有り\" in lstMemo, every title's memo"),
        [&] { w.live.chooseIn("lstMemo", SearchCriteria::kPresent, &m->error); },
        [&] {
            int n = 0;
            for (int i = 1; i <= w.cat().TitleCount(); ++i)
                n += w.cat().dir().exists(QStringLiteral("メモ_") + w.cat().titles()[i].Daimei +
                                          QStringLiteral(".txt"));
            return n;
        });
    if (!m->error.isEmpty()) return;
    detail(QStringLiteral("parts:"));
    DataDir& dir = w.cat().dir();
    const QString pattern = SearchCriteria::textPattern(SearchCriteria::TextKind::Memo);
    phase(QStringLiteral("DataDir::rescanIfChanged"),
          [&] { return nsOf([&] { dir.rescanIfChanged(); }); });
    QStringList files;
    phase(QStringLiteral("DataDir::entries(\"%1\")").arg(pattern),
          [&] { return nsOf([&] { files = dir.entries(pattern); }); });
    phase(QStringLiteral("SearchCriteria::titlesOfTextFiles"), [&] {
        return nsOf(
            [&] { SearchCriteria::titlesOfTextFiles(SearchCriteria::TextKind::Memo, files); });
    });
    phase(QStringLiteral("SearchCriteria::titlesWithoutText, DataDir::exists for each title"), [&] {
        return nsOf([&] {
            SearchCriteria::titlesWithoutText(
                w.cat().titles(), SearchCriteria::TextKind::Memo,
                [&](const QString& name) { return dir.exists(name); });
        });
    });
    phase(QStringLiteral("\"無し\" in lstMemo (none lacks one)"), [&] {
        return w.time([&] { w.live.chooseIn("lstMemo", SearchCriteria::kAbsent, &m->error); }, 0,
                      &m->error);
    });
}

// The files grep -l names in the directory, the word given as code page 932 bytes in a
// pattern file (an argument would pass through the locale's encoding).
std::optional<qint64> grepFiles(const QString& dir, const QString& patternFile, int* found,
                                QString* error) {
    QProcess grep;
    grep.setWorkingDirectory(dir);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));  // bytes, as the files are
    grep.setProcessEnvironment(env);
    const QStringList args = {QStringLiteral("-r"), QStringLiteral("-F"),
                              QStringLiteral("-l"), QStringLiteral("--include=メモ_*.txt"),
                              QStringLiteral("-f"), patternFile,
                              QStringLiteral(".")};
    const qint64 ns = nsOf([&] {
        grep.start(QStringLiteral("grep"), args);
        grep.waitForFinished(-1);
    });
    if (grep.exitStatus() != QProcess::NormalExit || grep.exitCode() > 1) {
        *error =
            QStringLiteral("grep failed: ") + QString::fromLocal8Bit(grep.readAllStandardError());
        return std::nullopt;
    }
    *found = int(grep.readAllStandardOutput().count('\n'));
    return ns;
}

void measureSearchMemoWord(const Collection& col, Measurement* m) {
    QString* error = &m->error;
    TextsForEveryTitle texts(col.dir, error);
    if (!texts.ok()) return;
    QByteArray word;
    Cp932::encode(kMemoWord, &word);
    QTemporaryFile pattern;  // outside the collection
    if (!pattern.open() || pattern.write(word + '\n') != word.size() + 1 || !pattern.flush()) {
        *error = fileError(pattern);
        return;
    }
    int grepped = 0;
    if (!grepFiles(col.dir, pattern.fileName(), &grepped, error)) return;

    SearchWindow w(col.dir);
    if (!w.open(error)) return;
    auto* box = control<QLineEdit>(w, "txtMemo", error);
    if (!box) return;
    box->setText(kMemoWord);
    const int memos = int(
        w.cat().dir().entries(SearchCriteria::textPattern(SearchCriteria::TextKind::Memo)).size());
    detail(QStringLiteral("%1 text files written for the titles without one (%2 bytes); "
                          "%3 memo files, \"%4\" in %5 of them")
               .arg(texts.written())
               .arg(texts.bytes())
               .arg(memos)
               .arg(kMemoWord)
               .arg(grepped));
    detail(
        QStringLiteral("Enter in txtMemo until the list shows the result  vs  "
                       "LC_ALL=C grep -r -F -l --include='メモ_*.txt' over the same directory"));
    timeBoth(
        m, [&] { return w.time([&] { pressEnter(box); }, grepped, error); },
        [&] { return grepFiles(col.dir, pattern.fileName(), &grepped, error); });
}
}  // namespace

REELNOTE_BENCHMARK(610, "OpenSearch", (Target{Target::Kind::Time, 100e6}), measureOpenSearch)
REELNOTE_BENCHMARK(611, "SearchTitleWord", (Target{Target::Kind::Time, 20e6}),
                   measureSearchTitleWord)
REELNOTE_BENCHMARK(612, "SearchKantoku", (Target{Target::Kind::Time, 20e6}), measureSearchKantoku)
REELNOTE_BENCHMARK(613, "SearchReleasePeriod", (Target{Target::Kind::Time, 20e6}),
                   measureSearchReleasePeriod)
REELNOTE_BENCHMARK(614, "SearchMark", (Target{Target::Kind::Time, 20e6}), measureSearchMark)
REELNOTE_BENCHMARK(615, "SearchOwnership", (Target{Target::Kind::Time, 20e6}),
                   measureSearchOwnership)
REELNOTE_BENCHMARK(616, "SearchViewingPeriod", (Target{Target::Kind::Time, 20e6}),
                   measureSearchViewingPeriod)
REELNOTE_BENCHMARK(617, "SearchViewingContent", (Target{Target::Kind::Time, 20e6}),
                   measureSearchViewingContent)
REELNOTE_BENCHMARK(618, "SearchTextPresence", (Target{Target::Kind::Time, 20e6}),
                   measureSearchTextPresence)
REELNOTE_BENCHMARK(619, "SearchMemoWord", (Target{Target::Kind::Ratio, 1.5}), measureSearchMemoWord)
