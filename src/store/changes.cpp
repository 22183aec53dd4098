#include "changes.h"

#include "catalogue.h"
#include "string_hash.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <optional>
#include <thread>
#include <vector>

void Change::relist(Catalogue& c) const { c.rebuildListsFromTable(); }

namespace Changes {

int locate(const TitleTable& table, const QString& name, int hint) {
    if (hint >= 1 && hint <= table.TitleCount() && table[hint].Daimei == name) return hint;
    return table.find(name);
}

QString titleGone(const QString& name) {
    return QStringLiteral(
               "タイトル「%1」は、ほかのプログラムで削除されたか名前が変わったため、"
               "見つかりません。\r\nこの変更は保存していません。")
        .arg(name);
}

namespace {

// Every field in which from and to differ takes to's value in t; the rest keep
// what t holds. With check, those fields must still hold from's values: one
// that another program changed since is the other program's, and is not
// written over (false, t half set).
bool merge(Title* t, const Title& from, const Title& to, bool check) {
    bool movedElsewhere = false;
    const auto set = [&](auto& field, const auto& f, const auto& v) {
        if (f == v) return;
        if (check && field != f) movedElsewhere = true;
        field = v;
    };
    set(t->Kantoku, from.Kantoku, to.Kantoku);
    set(t->Syuen, from.Syuen, to.Syuen);
    set(t->Koukai, from.Koukai, to.Koukai);
    set(t->Kuni, from.Kuni, to.Kuni);
    set(t->Janru, from.Janru, to.Janru);
    set(t->Hyouka, from.Hyouka, to.Hyouka);
    for (int k = 1; k <= kScoreItems; ++k) {
        if (from.HyoukaTen[k] == to.HyoukaTen[k]) continue;
        if (check && t->HyoukaTen[k] != from.HyoukaTen[k]) movedElsewhere = true;
        t->HyoukaTen[k] = to.HyoukaTen[k];
    }
    for (int k = 1; k <= kOwnershipItems; ++k) {
        if (from.Syoyu[k] == to.Syoyu[k]) continue;
        if (check && t->Syoyu[k] != from.Syoyu[k]) movedElsewhere = true;
        t->Syoyu[k] = to.Syoyu[k];
    }
    return !movedElsewhere;
}

QString changedElsewhere(const QString& title, const QString& what) {
    return QStringLiteral(
               "タイトル「%1」の%2は、この変更の後にほかのプログラムで変更されています。"
               "\r\nその変更を消さないよう、書き込みませんでした。")
        .arg(title, what);
}

class TitleEdit : public Change {
public:
    TitleEdit(int n, Title before, Title after, QString what)
        : n_(n), before_(std::move(before)), after_(std::move(after)), what_(std::move(what)) {}

    QString text() const override {
        return QStringLiteral("%1の変更 「%2」").arg(what_, before_.Daimei);
    }
    QString apply(Catalogue& c) override { return put(c, before_, after_, done_); }
    QString revert(Catalogue& c) override { return put(c, after_, before_, true); }
    QString titleName() const override { return before_.Daimei; }
    // Only the lists of the fields the edit changed: a score or a tick lists nothing.
    void relist(Catalogue& c) const override {
        for (int k = 1; k <= 4; ++k)
            if (attributeOf(before_, k) != attributeOf(after_, k)) c.rebuildAttributeList(k);
        if (before_.Koukai != after_.Koukai) c.rebuildReleaseLists();
    }

private:
    QString put(Catalogue& c, const Title& from, const Title& to, bool checkFrom) {
        const int n = locate(c.titles(), from.Daimei, n_);
        if (n == 0) return titleGone(from.Daimei);
        n_ = n;
        Title t = c.titles()[n];
        if (!merge(&t, from, to, checkFrom)) return changedElsewhere(from.Daimei, what_);
        if (t == c.titles()[n]) return {};
        if (QString problem = c.storeTitle(n, t); !problem.isEmpty()) return problem;
        done_ = true;
        return {};
    }

    int n_;
    Title before_, after_;
    QString what_;
    bool done_ = false;  // written once: from now on the fields are checked first
};

class AddTitle : public Change {
public:
    explicit AddTitle(QString name) : name_(std::move(name)) {}
    QString text() const override { return QStringLiteral("新規 「%1」").arg(name_); }
    QString apply(Catalogue& c) override {
        if (c.titles().find(name_) != 0)
            return QStringLiteral("タイトル「%1」は、すでに登録されています。").arg(name_);
        return c.appendTitle(name_);
    }
    QString revert(Catalogue& c) override {
        const int n = locate(c.titles(), name_, c.TitleCount());
        if (n == 0) return titleGone(name_);
        return c.removeTitle(n);
    }
    QString titleName() const override { return name_; }

private:
    QString name_;
};

// The title's own files, as "削除" has always removed them.
QStringList ownFileNames(const QString& name) {
    QStringList names;
    for (const char* ext : {".TXT", ".txt", ".jpg", ".bmp", ".gif"}) {
        const QString f = name + QLatin1String(ext);
        if (!isProgramFile(f)) names << f;
    }
    return names;
}

class DeleteTitle : public Change {
public:
    DeleteTitle(int n, Title record) : n_(n), record_(std::move(record)) {}
    QString text() const override { return QStringLiteral("削除 「%1」").arg(record_.Daimei); }
    QString titleName() const override { return record_.Daimei; }
    void relist(Catalogue&) const override {}  // taking a title out or in relists
    bool partlyDone() const override { return partly_; }

    QString apply(Catalogue& c) override {
        partly_ = false;
        const int n = locate(c.titles(), record_.Daimei, n_);
        if (n == 0) return titleGone(record_.Daimei);
        n_ = n;
        record_ = c.titles()[n];
        // The record goes first: if it cannot be written, the title keeps its files too.
        if (QString problem = c.removeTitle(n); !problem.isEmpty()) return problem;
        kept_.clear();
        DataDir& dir = c.dir();
        QStringList aside;
        // Each spelling once: "X.txt" and "X.TXT" may be one file or two.
        for (const QString& f : ownFileNames(record_.Daimei)) {
            if (!dir.exists(f)) continue;
            Kept k;
            k.name = dir.actualName(f);
            if (std::any_of(kept_.begin(), kept_.end(),
                            [&](const Kept& o) { return o.name == k.name; }))
                continue;
            if (dir.moveToTrash(k.name, &k.inTrash).ok()) {
                kept_ << k;
                continue;
            }
            // No trash takes it: it stays in the folder under a dated name, never
            // only in this run's memory. One that cannot be renamed stays as it is.
            if (dir.keepAside(k.name, QDateTime::currentDateTime(), &k.aside).ok()) {
                aside << QStringLiteral("「%1」→「%2」").arg(k.name, k.aside);
                kept_ << k;
            }
        }
        if (!aside.isEmpty())
            c.addNote(QStringLiteral("ごみ箱が使えないため、次のファイルは削除せず、"
                                     "名前を変えてフォルダーに残しました。\r\n%1")
                          .arg(aside.join(QStringLiteral("\r\n"))));
        return {};
    }

    QString revert(Catalogue& c) override {
        partly_ = false;
        if (c.titles().find(record_.Daimei) != 0)
            return QStringLiteral("タイトル「%1」は、すでに登録されています。").arg(record_.Daimei);
        const int at = qBound(1, n_, c.TitleCount() + 1);
        if (QString problem = c.insertTitle(at, record_); !problem.isEmpty()) return problem;
        QStringList notBack;
        for (const Kept& k : std::as_const(kept_)) {
            const FileResult r = k.inTrash.isEmpty() ? c.dir().putBackAside(k.aside, k.name)
                                                     : c.dir().restoreFromTrash(k.inTrash, k.name);
            if (!r.ok()) notBack << r.error;
        }
        kept_.clear();
        if (notBack.isEmpty()) return {};
        partly_ = true;  // the title is back: the step is taken back, though not whole
        return QStringLiteral("タイトルは戻しましたが、次のファイルを戻せませんでした。\r\n%1")
            .arg(notBack.join(QStringLiteral("\r\n")));
    }

private:
    struct Kept {
        QString name;     // as it was on disk
        QString inTrash;  // where the trash has it; empty: kept aside in the folder
        QString aside;    // its dated name in the folder
    };
    int n_;
    Title record_;
    QList<Kept> kept_;
    bool partly_ = false;
};

QString viewingGone(const Kansyou& k) {
    return QStringLiteral(
               "鑑賞履歴「%1 %2 %3」は、ほかのプログラムで変更されたため、見つかりません。\r\n"
               "この変更は保存していません。")
        .arg(k.Kansyoubi.text(), k.KansyouDaimei.text(), k.KansyouNaiyou.text());
}

// Where k goes to keep the file in date order, as near to hint as that allows.
int datePlace(const KansyouTable& t, const Kansyou& k, int hint) {
    const QString d = k.Kansyoubi.text();
    const auto fits = [&](int i) {
        return (i == 1 || t[i - 1].Kansyoubi.text() <= d) &&
               (i == t.KansyouCount() + 1 || d <= t[i].Kansyoubi.text());
    };
    if (hint >= 1 && hint <= t.KansyouCount() + 1 && fits(hint)) return hint;
    return t.insertPosition(d);
}

// Replaces viewing old by now (either may be absent: an addition, a deletion).
// Each keeps its own place, so that taking a correction back puts the viewing
// where it stood among others of its date and the file comes back byte for byte.
class ViewingStep : public Change {
public:
    ViewingStep(QString text, std::optional<Kansyou> old, std::optional<Kansyou> now, int at)
        : text_(std::move(text)), old_(std::move(old)), now_(std::move(now)), oldAt_(at) {}
    QString text() const override { return text_; }
    QString titleName() const override { return (now_ ? now_ : old_)->KansyouDaimei.text(); }
    void relist(Catalogue&) const override {}  // the history's lists follow each write
    QString apply(Catalogue& c) override { return swap(c, old_, now_, &oldAt_, &nowAt_); }
    QString revert(Catalogue& c) override { return swap(c, now_, old_, &nowAt_, &oldAt_); }

private:
    QString swap(Catalogue& c, const std::optional<Kansyou>& from, const std::optional<Kansyou>& to,
                 int* fromAt, int* toAt) {
        if (!from) {
            // A new viewing goes after every viewing of its date, as one saved on the card.
            if (*toAt == 0) return c.AddKansyou(*to);
            const int i = datePlace(c.kansyou(), *to, *toAt);
            *toAt = i;
            return c.insertKansyou(i, *to);
        }
        const int i = c.kansyou().locate(*from, *fromAt ? *fromAt : c.kansyou().KansyouCount());
        if (i == 0) return viewingGone(*from);
        if (!to) {
            if (QString problem = c.removeKansyou(i); !problem.isEmpty()) return problem;
            *fromAt = i;
            return {};
        }
        // Its place among the others, as if it were not there.
        KansyouTable rest = c.kansyou();
        rest.remove(i);
        const int j = datePlace(rest, *to, *toAt ? *toAt : i);
        if (QString problem = c.replaceKansyou(i, *to, j); !problem.isEmpty()) return problem;
        *fromAt = i;
        *toAt = j;
        return {};
    }

    QString text_;
    std::optional<Kansyou> old_, now_;
    // Where each stands while it is in the file (0: added on the card, not placed yet).
    int oldAt_ = 0, nowAt_ = 0;
};

// The order of the titles, as a permutation kept in 16 bits a title: a reorder
// of 32,766 titles costs 64 kB in the history, not a list of every name.
class Reorder : public Change {
public:
    Reorder(QStringList names, QVector<int> numbers, quint64 layout, QString text)
        : names_(std::move(names)),
          numbers_(std::move(numbers)),
          layout_(layout),
          text_(std::move(text)) {}
    QString text() const override { return text_; }
    void relist(Catalogue&) const override {}  // a rewrite in a new order relists
    qsizetype cost() const override { return 256 + order_.size() * 2 + names_.size() * 8; }

    // Naming 32,766 titles costs a reference to each; done only when the titles
    // may move under the numbers.
    void beforeReload(Catalogue& c) override {
        // (A rewrite that failed left the titles in their order: the numbers still hold.)
        if (first_ && names_.isEmpty() && c.dir().changedElsewhere(kDataFile))
            names_ = namesOf(c.titles(), numbers_);
    }

    QString apply(Catalogue& c) override {
        QVector<int> order;
        if (first_ && !numbers_.isEmpty() && c.layout() == layout_) {
            // The titles are where the list saw them: its numbers say the order.
            order = numbers_;
        } else if (first_) {
            // Numbered titles moved without a reload: nothing says which title is which.
            if (names_.isEmpty() && !numbers_.isEmpty())
                return QStringLiteral(
                    "タイトルの並びが変わったため、この並び替えはできません。"
                    "一覧を開き直してから、もう一度お試しください。");
            order = orderOf(c.titles(), names_);
        } else {
            if (namesHash(c.titles()) != before_) return moved();
            order.reserve(order_.size());
            for (qint16 n : order_) order << n;
        }
        // The names as they stand and as they will stand, hashed for undo. Where the
        // rewrite only moves the titles and the file's bytes, their texts stay where
        // they are: the hashing then runs while the disk writes.
        quint64 before = 0, after = 0;
        const bool textsStay = c.fileMatchesTable();
        std::vector<QStringView> names;
        names.reserve(c.TitleCount());
        for (int n = 1; n <= c.TitleCount(); ++n) names.push_back(c.titles()[n].Daimei);
        const auto hashBoth = [&] {
            before = namesHash(names, nullptr);
            after = namesHash(names, &order);
        };
        std::jthread hasher;
        if (textsStay)
            hasher = std::jthread(hashBoth);
        else
            hashBoth();
        QString problem = c.rewriteInNumberOrder(order);
        if (hasher.joinable()) hasher.join();
        if (!problem.isEmpty()) return problem;
        before_ = before;
        after_ = after;
        order_.clear();
        order_.reserve(order.size());
        for (int n : order) order_ << qint16(n);
        names_.clear();  // from now on the permutation says it
        numbers_.clear();
        first_ = false;
        return {};
    }

    QString revert(Catalogue& c) override {
        if (namesHash(c.titles()) != after_) return moved();
        QVector<int> back(order_.size());
        for (int i = 0; i < order_.size(); ++i) back[order_[i] - 1] = i + 1;
        return c.rewriteInNumberOrder(back);
    }

private:
    static QString moved() {
        return QStringLiteral(
            "タイトルの並びが、その後ほかのプログラムで変わったため、"
            "この並び替えを元に戻せません。");
    }
    static QStringList namesOf(const TitleTable& t, const QVector<int>& numbers) {
        QStringList names;
        names.reserve(numbers.size());
        for (int n : numbers)
            if (n >= 1 && n <= t.TitleCount()) names << t[n].Daimei;
        return names;
    }
    static quint64 namesHash(const TitleTable& t) {
        StreamHash h;
        for (int n = 1; n <= t.TitleCount(); ++n) addName(&h, t[n].Daimei);
        return h.value();
    }
    // The same of names (title n at n - 1), in order when given: the table as
    // rewriteInNumberOrder(*order) will leave it.
    static quint64 namesHash(const std::vector<QStringView>& names, const QVector<int>* order) {
        StreamHash h;
        if (!order)
            for (QStringView d : names) addName(&h, d);
        else
            for (int n : *order)
                if (n >= 1 && n <= int(names.size())) addName(&h, names[n - 1]);  // else refused
        return h.value();
    }
    static void addName(StreamHash* h, QStringView d) {
        h->add(reinterpret_cast<const char*>(d.constData()), d.size() * 2);
        h->add("\0\0", 2);
    }
    // The titles named, in that order (each occurrence of a repeated name the
    // next title of that name), then the titles not named in table order.
    static QVector<int> orderOf(const TitleTable& t, const QStringList& names) {
        const int count = t.TitleCount();
        StringMap<QVector<int>> byName;
        for (int n = count; n >= 1; --n) byName[t[n].Daimei].append(n);
        std::vector<bool> placed(count + 1, false);
        QVector<int> order;
        order.reserve(count);
        for (const QString& name : names) {
            auto it = byName.find(name);
            if (it == byName.end() || it->second.isEmpty()) continue;
            const int n = it->second.takeLast();
            placed[n] = true;
            order << n;
        }
        for (int n = 1; n <= count; ++n)
            if (!placed[n]) order << n;
        return order;
    }

    QStringList names_;
    QVector<int> numbers_;
    quint64 layout_;
    QString text_;
    QVector<qint16> order_;  // order_[i] is the title that became title i + 1
    quint64 before_ = 0, after_ = 0;
    bool first_ = true;
};

template <std::size_t N>
class RenameItems : public Change {
public:
    using Names = std::array<QString, N>;
    RenameItems(Names before, Names after, bool hyouka)
        : before_(std::move(before)), after_(std::move(after)), hyouka_(hyouka) {}
    QString text() const override {
        return hyouka_ ? QStringLiteral("評価項目名の変更") : QStringLiteral("所有項目名の変更");
    }
    QString apply(Catalogue& c) override { return put(c, before_, after_); }
    QString revert(Catalogue& c) override { return put(c, after_, before_); }
    void relist(Catalogue&) const override {}

private:
    QString put(Catalogue& c, const Names& from, const Names& to) {
        Names names = current(c);
        for (std::size_t k = 1; k < N; ++k)
            if (from[k] != to[k]) names[k] = to[k];
        if constexpr (N == 8)
            return c.SaveHyoukaMaster(names);
        else
            return c.SaveSyoyuMaster(names);
    }
    static Names current(const Catalogue& c) {
        if constexpr (N == 8)
            return c.HyoukaKoumoku;
        else
            return c.SyoyuKoumoku;
    }
    Names before_, after_;
    bool hyouka_;
};

class FreeTextStep : public Change {
public:
    FreeTextStep(QString name, QString before, QString after, QString title)
        : name_(std::move(name)),
          before_(std::move(before)),
          after_(std::move(after)),
          title_(std::move(title)) {}
    QString text() const override { return QStringLiteral("%1の保存 「%2」").arg(kind(), title_); }
    QString titleName() const override { return title_; }
    qsizetype cost() const override { return 256 + 2 * (before_.size() + after_.size()); }
    QString apply(Catalogue& c) override {
        // A file that held no text (0 bytes, or only a line end) is not a missing
        // one: taking the step back gives back its very bytes.
        if (first_) {
            emptyFile_.reset();
            QByteArray bytes;
            if (before_.isEmpty() && c.dir().exists(name_) && c.dir().read(name_, &bytes))
                emptyFile_ = bytes;
        }
        QString problem = put(c, after_);
        if (problem.isEmpty()) first_ = false;
        return problem;
    }
    QString revert(Catalogue& c) override {
        if (!emptyFile_) return put(c, before_);
        if (QString refused = c.dir().refusal(name_); !refused.isEmpty()) return refused;
        const FileResult r = c.dir().writeAtomic(name_, *emptyFile_);
        return r.ok() ? QString() : r.error;
    }
    void relist(Catalogue&) const override {}

private:
    QString kind() const {
        if (name_.startsWith(QStringLiteral("キャスト_"))) return QStringLiteral("キャスト");
        if (name_.startsWith(QStringLiteral("あらすじ_"))) return QStringLiteral("あらすじ");
        return QStringLiteral("感想・メモ");
    }
    QString put(Catalogue& c, const QString& text) {
        return text.isEmpty() ? c.removeFreeText(name_) : c.saveFreeText(name_, text);
    }
    std::optional<QByteArray> emptyFile_;
    bool first_ = true;
    QString name_, before_, after_, title_;
};

class HelpTourSwitch : public Change {
public:
    explicit HelpTourSwitch(int value) : value_(value) {}
    QString text() const override { return QStringLiteral("ヘルプツアーの切り替え"); }
    bool undoable() const override { return false; }
    QString apply(Catalogue& c) override { return c.setHelpTour(value_); }
    QString revert(Catalogue&) override { return {}; }

private:
    int value_;
};

}  // namespace

std::unique_ptr<Change> editTitle(int n, const Title& before, const Title& after,
                                  const std::array<QString, 8>& hyoukaKoumoku,
                                  const std::array<QString, 5>& syoyuKoumoku) {
    QStringList what;
    if (before.Kantoku != after.Kantoku) what << QStringLiteral("監督");
    if (before.Syuen != after.Syuen) what << QStringLiteral("主演");
    if (before.Koukai != after.Koukai) what << QStringLiteral("公開日");
    if (before.Kuni != after.Kuni) what << QStringLiteral("国");
    if (before.Janru != after.Janru) what << QStringLiteral("ジャンル");
    if (before.Hyouka != after.Hyouka) what << QStringLiteral("評価");
    for (int k = 1; k <= kScoreItems; ++k)
        if (before.HyoukaTen[k] != after.HyoukaTen[k])
            what << QStringLiteral("「%1」の点数").arg(hyoukaKoumoku[k]);
    for (int k = 1; k <= kOwnershipItems; ++k)
        if (before.Syoyu[k] != after.Syoyu[k])
            what << QStringLiteral("所有「%1」").arg(syoyuKoumoku[k]);
    return std::make_unique<TitleEdit>(n, before, after, what.join(QStringLiteral("・")));
}

std::unique_ptr<Change> addTitle(const QString& name) { return std::make_unique<AddTitle>(name); }

std::unique_ptr<Change> deleteTitle(const Catalogue& c, int n) {
    return std::make_unique<DeleteTitle>(n, c.titles()[n]);
}

std::unique_ptr<Change> addViewing(const Kansyou& k) {
    return std::make_unique<ViewingStep>(
        QStringLiteral("鑑賞履歴の保存 「%1」").arg(k.KansyouDaimei.text()), std::nullopt, k, 0);
}

std::unique_ptr<Change> correctViewing(const Catalogue&, int i, const Kansyou& old,
                                       const Kansyou& k) {
    return std::make_unique<ViewingStep>(
        QStringLiteral("鑑賞履歴の修正 「%1」").arg(k.KansyouDaimei.text()), old, k, i);
}

std::unique_ptr<Change> deleteViewing(const Catalogue& c, int i) {
    const Kansyou& k = c.kansyou()[i];
    return std::make_unique<ViewingStep>(
        QStringLiteral("鑑賞履歴の削除 「%1」").arg(k.KansyouDaimei.text()), k, std::nullopt, i);
}

std::unique_ptr<Change> reorder(const Catalogue& c, const QStringList& names, const QString& text) {
    return std::make_unique<Reorder>(names, QVector<int>(), c.layout(), text);
}

std::unique_ptr<Change> reorderByNumber(const Catalogue& c, const QVector<int>& numbers,
                                        const QString& text) {
    // The names are taken only if the folder is read again before the step applies.
    return std::make_unique<Reorder>(QStringList(), numbers, c.layout(), text);
}

std::unique_ptr<Change> renameHyoukaItems(const std::array<QString, 8>& before,
                                          const std::array<QString, 8>& after) {
    return std::make_unique<RenameItems<8>>(before, after, true);
}

std::unique_ptr<Change> renameSyoyuItems(const std::array<QString, 5>& before,
                                         const std::array<QString, 5>& after) {
    return std::make_unique<RenameItems<5>>(before, after, false);
}

std::unique_ptr<Change> saveFreeText(const QString& name, const QString& before,
                                     const QString& after, const QString& title) {
    return std::make_unique<FreeTextStep>(name, before, after, title);
}

std::unique_ptr<Change> setHelpTour(int value) { return std::make_unique<HelpTourSwitch>(value); }

}  // namespace Changes

namespace Changes {
namespace {

class PictureStep : public Change {
public:
    PictureStep(QString name, QByteArray bytes, QString title)
        : name_(std::move(name)), after_(std::move(bytes)), title_(std::move(title)) {}
    QString text() const override { return QStringLiteral("画像の取り込み 「%1」").arg(title_); }
    QString titleName() const override { return title_; }
    void relist(Catalogue&) const override {}
    qsizetype cost() const override {
        return 256 + after_.size() + (before_ ? before_->size() : 0);
    }

    QString apply(Catalogue& c) override {
        std::optional<QByteArray> now;
        if (QString problem = look(c.dir(), &now); !problem.isEmpty()) return problem;
        // Done again, the step writes only over the file it took back.
        if (!first_ && now != before_) return changedSince();
        const FileResult r = c.dir().writeAtomic(name_, after_);
        if (!r.ok()) return r.error;
        if (first_) before_ = std::move(now);
        first_ = false;
        return {};
    }
    QString revert(Catalogue& c) override {
        std::optional<QByteArray> now;
        if (QString problem = look(c.dir(), &now); !problem.isEmpty()) return problem;
        if (now != after_) return changedSince();
        const FileResult r = before_ ? c.dir().writeAtomic(name_, *before_) : c.dir().erase(name_);
        return r.ok() ? QString() : r.error;
    }

private:
    // What the file holds now (none when it is not there), or why it cannot be told.
    QString look(DataDir& dir, std::optional<QByteArray>* now) const {
        dir.rescanIfChanged();
        now->reset();
        if (!dir.exists(name_)) return {};
        QByteArray bytes;
        QString error;
        if (!dir.read(name_, &bytes, &error)) return error;
        *now = std::move(bytes);
        return {};
    }
    QString changedSince() const {
        return QStringLiteral(
                   "画像「%1」は、この取り込みの後にほかのプログラムで変更されています。"
                   "\r\nその変更を消さないよう、書き込みませんでした。")
            .arg(name_);
    }

    QString name_;
    QByteArray after_;
    QString title_;
    std::optional<QByteArray> before_;  // none: there was no file
    bool first_ = true;
};

}  // namespace

std::unique_ptr<Change> setPicture(const QString& name, const QByteArray& bytes,
                                   const QString& title) {
    return std::make_unique<PictureStep>(name, bytes, title);
}

}  // namespace Changes

namespace Changes {
namespace {

class FillStep : public Change {
public:
    FillStep(QString title, std::vector<std::unique_ptr<Change>> parts)
        : FillStep(title, std::move(parts), title) {}
    // shown: the title the card shows after the step; empty keeps the one shown.
    FillStep(QString title, std::vector<std::unique_ptr<Change>> parts, QString shown)
        : title_(std::move(title)), shown_(std::move(shown)), parts_(std::move(parts)) {}
    QString text() const override {
        return QStringLiteral("ネットの情報で補う 「%1」").arg(title_);
    }
    QString titleName() const override { return shown_; }
    qsizetype cost() const override {
        qsizetype sum = 256;
        for (const auto& p : parts_) sum += p->cost();
        return sum;
    }
    void relist(Catalogue& c) const override {
        for (const auto& p : parts_) p->relist(c);
    }
    void beforeReload(Catalogue& c) override {
        for (const auto& p : parts_) p->beforeReload(c);
    }
    QString apply(Catalogue& c) override {
        for (size_t i = 0; i < parts_.size(); ++i) {
            if (QString problem = parts_[i]->apply(c); !problem.isEmpty()) {
                for (size_t j = i; j-- > 0;) parts_[j]->revert(c);
                return problem;
            }
        }
        return {};
    }
    QString revert(Catalogue& c) override {
        for (size_t i = parts_.size(); i-- > 0;) {
            if (QString problem = parts_[i]->revert(c); !problem.isEmpty()) {
                for (size_t j = i + 1; j < parts_.size(); ++j) parts_[j]->apply(c);
                return problem;
            }
        }
        return {};
    }

private:
    QString title_, shown_;
    std::vector<std::unique_ptr<Change>> parts_;
};

}  // namespace

std::unique_ptr<Change> fillTitle(const QString& title,
                                  std::vector<std::unique_ptr<Change>> parts) {
    return std::make_unique<FillStep>(title, std::move(parts));
}

namespace {

// Many titles' fields edited at once, the data file written once: a batch of a
// thousand titles is one rewrite of the file, not a thousand.
class TitleEdits : public Change {
public:
    explicit TitleEdits(QVector<TitleChange> edits) : edits_(std::move(edits)) {}
    QString text() const override {
        return QStringLiteral("%1件のタイトルの変更").arg(edits_.size());
    }
    qsizetype cost() const override { return 256 + edits_.size() * 512; }
    void relist(Catalogue& c) const override { c.rebuildListsFromTable(); }
    QString apply(Catalogue& c) override { return put(c, false); }
    QString revert(Catalogue& c) override { return put(c, true); }

private:
    QString put(Catalogue& c, bool back) {
        QVector<std::pair<int, Title>> changed;
        changed.reserve(edits_.size());
        for (TitleChange& e : edits_) {
            const Title& from = back ? e.after : e.before;
            const Title& to = back ? e.before : e.after;
            const int n = locate(c.titles(), from.Daimei, e.n);
            if (n == 0) return titleGone(from.Daimei);
            e.n = n;
            Title t = c.titles()[n];
            if (!merge(&t, from, to, back || done_))
                return changedElsewhere(from.Daimei, QStringLiteral("項目"));
            if (!(t == c.titles()[n])) changed.append({n, std::move(t)});
        }
        if (changed.isEmpty()) return {};
        if (QString problem = c.storeTitles(changed); !problem.isEmpty()) return problem;
        done_ = true;
        return {};
    }

    QVector<TitleChange> edits_;
    bool done_ = false;
};

}  // namespace

std::unique_ptr<Change> editTitles(QVector<TitleChange> edits) {
    return std::make_unique<TitleEdits>(std::move(edits));
}

std::unique_ptr<Change> fillTitles(int count, std::vector<std::unique_ptr<Change>> parts) {
    return std::make_unique<FillStep>(QStringLiteral("%1件のタイトル").arg(count), std::move(parts),
                                      QString());
}

}  // namespace Changes
