// Adding a title through 新規 and deleting one through 削除, in the program's window in
// this process.
#include "baselines.h"
#include "file_state.h"
#include "live_window.h"
#include "measurements.h"

#include "card/card_frame.h"
#include "store/catalogue.h"
#include "store/cp932.h"

#include <QApplication>
#include <QPushButton>

#include <array>
#include <functional>
#include <optional>
#include <vector>

namespace {
// Adds a title through 新規 and deletes it again through 削除, checking each step.
// The program refuses a 32,767th title, so the collection's last title is set aside
// while the window is open: each added title is then the 32,766th, and each deletion
// goes back to 32,765 titles and to the very bytes the data file had before.
class TitleCycle {
public:
    TitleCycle(const Collection& col, QString* error)
        : col_(col), error_(error), data_(col.dir, kDataFile, error) {}

    bool open() {
        if (!data_.ok()) return false;
        const QByteArray& original = data_.original();
        // The original ends in CR LF; the last record is the last line.
        base_ = original.left(original.lastIndexOf('\n', original.size() - 2) + 1);
        if (!putBack(col_.dir, kDataFile, base_, error_)) return false;
        window_.emplace(col_.dir);
        if (!window_->open(error_)) return false;
        cmdNew_ = window_->child<QPushButton>(QStringLiteral("cmdNew"), error_);
        cmdDel_ = window_->child<QPushButton>(QStringLiteral("cmdDel"), error_);
        return cmdNew_ && cmdDel_ && counts(col_.titles - 1);
    }

    LiveWindow& window() { return *window_; }
    QString nextName() { return QStringLiteral("測定で足したタイトル %1").arg(++added_); }

    std::optional<qint64> add() {
        const QString name = nextName();
        window_->prompts.plannedName = name;
        QApplication::processEvents();
        const qint64 ns = nsOf([&] { cmdNew_->click(); });
        if (!window_->boxesWere({QStringLiteral("タイトル名入力 (input): ")}, error_) ||
            !added(name))
            return std::nullopt;
        return ns;
    }

    std::optional<qint64> remove() {
        const QString name = window_->window.catalogue().titles()[col_.titles].Daimei;
        QApplication::processEvents();
        const qint64 ns = nsOf([&] { cmdDel_->click(); });
        const QString confirm = QStringLiteral("削除確認: ") + name;
        if (!window_->boxesWere({confirm}, error_) || !removed()) return std::nullopt;
        return ns;
    }

    // After an addition: the table, the card and the file hold the new title last.
    bool added(const QString& name) {
        if (!counts(col_.titles)) return false;
        Catalogue& cat = window_->window.catalogue();
        if (cat.titles()[col_.titles].Daimei != name ||
            window_->window.card()->current() != col_.titles)
            return fail(QStringLiteral("the card does not show the new title last"));
        QByteArray saved;
        if (!cat.dir().read(kDataFile, &saved, error_)) return false;
        const QString tail = Cp932::decode(saved.mid(base_.size()));
        if (!saved.startsWith(base_) || !tail.startsWith(u'"' + name + QStringLiteral("\",")) ||
            !tail.endsWith(QStringLiteral("\r\n")) || tail.count(u'\n') != 1)
            return fail(QStringLiteral("the data file is not the old one and one new record"));
        return true;
    }

    // After a deletion: back to the bytes the data file had before the addition.
    bool removed() {
        if (!counts(col_.titles - 1)) return false;
        QByteArray saved;
        if (!window_->window.catalogue().dir().read(kDataFile, &saved, error_)) return false;
        if (saved != base_)
            return fail(QStringLiteral("after the deletion the data file has ") +
                        firstDifference(base_, saved));
        return true;
    }

    qint64 fileSize() const { return base_.size(); }
    const QByteArray& bytes() const { return base_; }

private:
    bool counts(int titles) {
        const int count = window_->window.catalogue().TitleCount();
        return count == titles ||
               fail(QStringLiteral("the window holds %1 titles, not %2").arg(count).arg(titles));
    }
    bool fail(const QString& what) {
        *error_ = what;
        return false;
    }

    const Collection& col_;
    QString* error_;
    PutBackOnExit data_;  // declared before the window, so the window closes first
    QByteArray base_;     // the data file without its last title
    std::optional<LiveWindow> window_;
    QPushButton* cmdNew_ = nullptr;
    QPushButton* cmdDel_ = nullptr;
    int added_ = 0;
};

// The steps a click of 新規 or 削除 takes, run one by one through the public pieces, each
// one timed: the catalogue's change (which updates the table in place), the lists made
// what a load would make (新規 only: removeTitle does it itself), the scroll bar's new
// range and the card's move.
class ClickSteps {
public:
    ClickSteps(LiveWindow& w, QString* error) : w_(w), error_(error) {}

    // The catalogue's part; its message fails the run.
    bool change(const std::function<QString()>& call) {
        const auto ns = timedCall(call, {}, error_);
        if (!ns) return false;
        ns_[0].push_back(*ns);
        return true;
    }
    void relist() {
        ns_[1].push_back(nsOf([&] { w_.window.catalogue().rebuildListsFromTable(); }));
    }
    void rangeFollows() {
        ns_[2].push_back(nsOf([&] { w_.window.titlesChanged(); }));
    }
    void show(int n) {
        ns_[3].push_back(nsOf([&] { w_.window.card()->showTitleNumber(n); }));
    }

    void print(const QString& changeLabel) const {
        const std::array<QString, 4> labels = {
            changeLabel, QStringLiteral("Catalogue::rebuildListsFromTable"),
            QStringLiteral("frmMain::titlesChanged"), QStringLiteral("CardFrame::showTitleNumber")};
        for (std::size_t i = 0; i < labels.size(); ++i) {
            if (ns_[i].empty()) continue;
            detail(QStringLiteral("  %1: median %2").arg(labels[i], ms(medianAfterWarmUp(ns_[i]))));
        }
    }

private:
    LiveWindow& w_;
    QString* error_;
    std::array<std::vector<qint64>, 4> ns_;
};
}  // namespace

void measureAddTitle(const Collection& col, Measurement* m) {
    QString* error = &m->error;
    TitleCycle cycle(col, error);
    if (!cycle.open()) return;
    detail(QStringLiteral("新規 (cmdNew) answered with a new name, at %1 titles, the deletion "
                          "after it not timed  vs  the bytes of データ.TXT written to a new file, "
                          "fdatasync, rename over another (a durable write)")
               .arg(col.titles - 1));
    const Run add = [&]() -> std::optional<qint64> {
        const auto ns = cycle.add();
        if (!ns || !cycle.remove()) return std::nullopt;
        return ns;
    };
    if (!timeBesideDurableWrite(m, add, col.dir, cycle.bytes())) return;
    detail(
        QStringLiteral("data file after each addition: the old bytes and one new record; card "
                       "on the new title; one input box: yes"));

    detail(QStringLiteral("parts (the steps of cmdNew_Click, run one by one):"));
    ClickSteps steps(cycle.window(), error);
    Catalogue& cat = cycle.window().window.catalogue();
    const bool stepped = repeat([&]() -> std::optional<qint64> {
                             const QString name = cycle.nextName();
                             if (!steps.change([&] { return cat.appendTitle(name); }))
                                 return std::nullopt;
                             steps.relist();
                             steps.rangeFollows();
                             steps.show(cat.TitleCount());
                             if (!cycle.added(name) || !cycle.remove()) return std::nullopt;
                             return 0;
                         }).has_value();
    if (stepped) steps.print(QStringLiteral("Catalogue::appendTitle"));
}

void measureDeleteTitle(const Collection& col, Measurement* m) {
    QString* error = &m->error;
    TitleCycle cycle(col, error);
    if (!cycle.open()) return;
    detail(
        QStringLiteral("削除 (cmdDel) of the title just added (not timed), at %1 titles, "
                       "confirmation answered OK  vs  the bytes of データ.TXT after it written to "
                       "a new file, fdatasync, rename over another (a durable write)")
            .arg(col.titles));
    const Run remove = [&]() -> std::optional<qint64> {
        if (!cycle.add()) return std::nullopt;
        return cycle.remove();
    };
    if (!timeBesideDurableWrite(m, remove, col.dir, cycle.bytes())) return;
    detail(
        QStringLiteral("data file after each deletion: the bytes it had before the addition; "
                       "one confirmation box: yes"));

    detail(QStringLiteral("parts (the steps of cmdDel_Click, run one by one):"));
    ClickSteps steps(cycle.window(), error);
    Catalogue& cat = cycle.window().window.catalogue();
    const bool stepped = repeat([&]() -> std::optional<qint64> {
                             if (!cycle.add()) return std::nullopt;
                             const int k = cat.TitleCount();
                             if (!steps.change([&] { return cat.removeTitle(k); }))
                                 return std::nullopt;
                             steps.rangeFollows();
                             steps.show(k - 1);
                             if (!cycle.removed()) return std::nullopt;
                             return 0;
                         }).has_value();
    if (stepped) steps.print(QStringLiteral("Catalogue::removeTitle"));
    saveFloors(col.dir, cycle.bytes(), false, error);
}
