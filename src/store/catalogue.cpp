// The catalogue's pick lists: the values the card's combos offer.
#include "catalogue.h"

#include <thread>
#include <utility>
#include <vector>

const std::array<QString, 8> kDefaultHyoukaKoumoku = {QString(),
                                                      QStringLiteral("総合"),
                                                      QStringLiteral("感動・涙"),
                                                      QStringLiteral("笑い"),
                                                      QStringLiteral("ほのぼの"),
                                                      QStringLiteral("スリル"),
                                                      QStringLiteral("恐怖戦慄"),
                                                      QStringLiteral("セクシー")};
const std::array<QString, 5> kDefaultSyoyuKoumoku = {
    QString(), QStringLiteral("DVD"), QStringLiteral("ブルーレイ"), QStringLiteral("ビデオ"),
    QStringLiteral("配信")};

bool isProgramFile(const QString& name) {
    static const QStringList own = [] {
        QStringList l{kDataFile,     kHyoukaMasterFile, kSyoyuMasterFile,
                      kSettingsFile, kHistoryFile,      kHistoryCopyFile};
        for (const QString& f : kMusicFiles) l << f;
        return l;
    }();
    for (const QString& f : own)
        if (name.compare(f, Qt::CaseInsensitive) == 0) return true;
    return false;
}

namespace {
const PickList kAttributeLists[] = {PickList::Count, PickList::Kantoku, PickList::Syuen,
                                    PickList::Kuni, PickList::Janru};

// A list that did not change is left alone: resetting a model makes every
// combo on it start over, which a list of 32,766 titles makes noticeable.
void setIfChanged(QStringListModel* model, const QStringList& items) {
    if (model->stringList() != items) model->setStringList(items);
}

// Lists one attribute as a load of the table would: the seen-value text in
// table order, the pick list sorted. The list shown is the starting point, so
// when nothing came or went nothing is sorted and the combos keep their model.
// Values are told apart by their shared numbers, without reading their text.
class AttributeRelisting {
public:
    AttributeRelisting(SeenList* seen, QStringListModel* model)
        : seen_(seen), model_(model), met_(SharedText::count()) {
        seen_->clear();
    }

    // The value of the next title in table order.
    void meet(SharedText v) {
        if (v.isEmpty() || met_[v.id()]) return;
        met_[v.id()] = 1;
        seen_->add(v.text());
        ++metCount_;
    }

    void finish(const TitleTable& table, int field) {
        const QStringList listed = model_->stringList();
        QStringList kept;
        kept.reserve(metCount_);
        std::vector<char> isListed(met_.size());
        for (const QString& v : listed) {
            const SharedText s(v);
            if (s.id() < met_.size() && met_[s.id()]) {
                kept.append(v);
                isListed[s.id()] = 1;
            }
        }
        if (kept.size() == metCount_ && kept.size() == listed.size()) return;
        QStringList unlisted;
        for (int n = 1; n <= table.TitleCount() && kept.size() + unlisted.size() < metCount_; ++n) {
            const SharedText v = attributeOf(table[n], field);
            if (v.isEmpty() || isListed[v.id()]) continue;
            isListed[v.id()] = 1;
            unlisted.append(v.text());
        }
        insertSorted(&kept, std::move(unlisted));
        model_->setStringList(kept);
    }

private:
    SeenList* seen_;
    QStringListModel* model_;
    std::vector<char> met_;  // by shared number
    int metCount_ = 0;
};

// A year-month "yyyy/mm" as the number yyyymm, a year "yyyy" as yyyy; -1 for
// any other text. Most release texts are dates, and a number is looked up
// without hashing text.
int dateNumber(QStringView text) {
    int n = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (i == 4) {
            if (c != u'/') return -1;
        } else if (c >= u'0' && c <= u'9') {
            n = n * 10 + (c - u'0');
        } else {
            return -1;
        }
    }
    return text.size() == 7 || text.size() == 4 ? n : -1;
}

// The release year-months and years, in table order.
class ReleaseRelisting {
public:
    ReleaseRelisting(SeenList* months, SeenList* years)
        : months_(months), years_(years), monthMet_(1000000), yearMet_(10000) {
        months_->clear();
        years_->clear();
    }
    void meet(QStringView d) {
        if (d.isEmpty()) return;
        const QStringView y7 = d.left(7), y4 = d.left(4);
        if (firstTime(y7, &monthMet_)) {
            if (const auto [v, added] = months_->intern(y7); added) koukai_.append(*v);
        }
        if (firstTime(y4, &yearMet_)) {
            if (const auto [v, added] = years_->intern(y4); added)
                koukai3_.append(*v + QStringLiteral("年"));
        }
    }
    void finish(Catalogue& cat) {
        setIfChanged(cat.pickList(PickList::Koukai), koukai_);
        setIfChanged(cat.pickList(PickList::Koukai3), koukai3_);
    }
    QStringList takeKoukai() { return std::move(koukai_); }
    QStringList takeKoukai3() { return std::move(koukai3_); }

private:
    // False only for a date whose number was met before; other texts go to the list's set.
    static bool firstTime(QStringView text, std::vector<bool>* met) {
        const int n = dateNumber(text);
        if (n < 0) return true;
        if ((*met)[n]) return false;
        (*met)[n] = true;
        return true;
    }

    SeenList* months_;
    SeenList* years_;
    std::vector<bool> monthMet_, yearMet_;
    QStringList koukai_, koukai3_;
};

void relistNames(Catalogue& cat) {
    const TitleTable& table = cat.titles();
    QStringListModel* names = cat.pickList(PickList::Name);
    bool same = names->rowCount() == table.TitleCount();
    if (same) {
        const QStringList shown = names->stringList();
        for (int n = 1; same && n <= table.TitleCount(); ++n)
            same = shown[n - 1] == table[n].Daimei;
    }
    if (same) return;
    QStringList all;
    all.reserve(table.TitleCount());
    for (int n = 1; n <= table.TitleCount(); ++n) all.append(table[n].Daimei);
    names->setStringList(all);
}

void relistReleases(Catalogue& cat) {
    ReleaseRelisting releases(&cat.txtD(5), &cat.txtD(8));
    for (int n = 1; n <= cat.TitleCount(); ++n) releases.meet(cat.titles()[n].Koukai);
    releases.finish(cat);
}
}  // namespace

// Every seen-value list and pick list of the titles, built apart from the
// catalogue's own: the pass over the table (meet) may run on any thread while
// nothing changes the table; finish then puts them in place on the window's thread.
class Catalogue::Relisting {
public:
    explicit Relisting(Catalogue& cat) : releases_(&months_, &years_) {
        attributes_.reserve(4);
        for (int k = 1; k <= 4; ++k)
            attributes_.emplace_back(&seen_[k], cat.pickList(kAttributeLists[k]));
    }

    // One pass over the table for every list: the titles do not fit in a cache.
    void meet(const TitleTable& table) {
        // Two cores: directors and lead actors on one, the rest on this one. Each
        // relisting keeps to its own lists; the shared texts are read without a lock.
        const int count = table.TitleCount();
        const auto people = [&] {
            for (int n = 1; n <= count; ++n) {
                attributes_[0].meet(table[n].Kantoku);
                attributes_[1].meet(table[n].Syuen);
            }
        };
        std::thread other;
        constexpr int kWorthAThread = 4096;
        if (count >= kWorthAThread)
            other = std::thread(people);
        else
            people();
        // Only the release text is read through its pointer; after a reorder those
        // texts lie all over the heap, so each is asked for a few titles ahead.
        constexpr int kAhead = 16;
        for (int n = 1; n <= count; ++n) {
            if (n + kAhead <= count) __builtin_prefetch(table[n + kAhead].Koukai.constData());
            const Title& t = table[n];
            attributes_[2].meet(t.Kuni);
            attributes_[3].meet(t.Janru);
            releases_.meet(t.Koukai);
        }
        if (other.joinable()) other.join();
    }

    void finish(Catalogue& cat) {
        for (int k = 1; k <= 4; ++k) {
            attributes_[k - 1].finish(cat.table_, k);
            cat.txtD_[k] = std::move(seen_[k]);
        }
        releases_.finish(cat);
        cat.txtD_[5] = std::move(months_);
        cat.txtD_[8] = std::move(years_);
        relistNames(cat);
    }

private:
    std::array<SeenList, 5> seen_;  // 1..4
    SeenList months_, years_;
    std::vector<AttributeRelisting> attributes_;
    ReleaseRelisting releases_;
};

std::shared_ptr<Catalogue::Relisting> Catalogue::beginRelisting() {
    return std::make_shared<Relisting>(*this);
}

void Catalogue::meet(Relisting& relisting, const TitleTable& table) { relisting.meet(table); }

void Catalogue::finishRelisting(Relisting& relisting) { relisting.finish(*this); }

void Catalogue::rebuildListsFromTable() {
    Relisting relisting(*this);
    relisting.meet(table_);
    relisting.finish(*this);
}

Catalogue::Relist Catalogue::listsMovedBy(int at, const Title& t) const {
    const int before = std::min(at - 1, table_.TitleCount());
    Relist moved;
    for (int k = 1; k <= 4; ++k) {
        const SharedText v = attributeOf(t, k);
        if (v.isEmpty()) continue;
        bool met = false;
        for (int n = 1; n <= before && !met; ++n) met = attributeOf(table_[n], k).id() == v.id();
        moved.attribute[k] = !met;
    }
    if (t.Koukai.isEmpty()) return moved;
    // The month's list and the year's both go by the first seven characters.
    const QStringView month = QStringView(t.Koukai).left(7);
    moved.releases = true;
    for (int n = 1; n <= before && moved.releases; ++n)
        moved.releases = QStringView(table_[n].Koukai).left(7) != month;
    return moved;
}

void Catalogue::relist(const Relist& moved) {
    // Each list is built from the whole table; only the ones the title moved are.
    for (int k = 1; k <= 4; ++k)
        if (moved.attribute[k]) rebuildAttributeList(k);
    if (moved.releases) rebuildReleaseLists();
}

void Catalogue::rebuildAttributeList(int k) {
    AttributeRelisting relisting(&txtD_[k], pickList(kAttributeLists[k]));
    for (int n = 1; n <= table_.TitleCount(); ++n) relisting.meet(attributeOf(table_[n], k));
    relisting.finish(table_, k);
}

void Catalogue::rebuildReleaseLists() { relistReleases(*this); }

void Catalogue::rebuildPickLists() {
    relistReleases(*this);
    relistNames(*this);
    // Each attribute's distinct values in table order, a value told from the
    // ones met by its shared number.
    std::array<QStringList, 5> values;
    std::vector<char> met(SharedText::count());  // bit k: met as attribute k
    for (int n = 1; n <= table_.TitleCount(); ++n) {
        for (int k = 1; k <= 4; ++k) {
            const SharedText v = attributeOf(table_[n], k);
            char& m = met[v.id()];
            if (v.isEmpty() || (m & (1 << k))) continue;
            m |= char(1 << k);
            txtD_[k].add(v.text());
            values[k].append(v.text());
        }
    }
    for (int k = 1; k <= 4; ++k) {
        sortPickList(&values[k]);
        setPickList(kAttributeLists[k], values[k]);
    }
}

Catalogue::TitleLists Catalogue::listsOf(const DataText& d) {
    TitleLists l;
    // Each attribute's distinct values in file order, a value told from the ones
    // met by its number.
    std::vector<char> met(d.texts.size());  // bit k: met as attribute k
    for (const DataText::Record& r : d.records) {
        for (int k = 1; k <= 4; ++k) {
            const quint32 n = r.shared[k - 1];
            if (d.texts[n].isEmpty() || (met[n] & (1 << k))) continue;
            met[n] |= char(1 << k);
            l.values[k].append(*l.txtD[k].intern(d.texts[n]).first);
        }
    }
    for (int k = 1; k <= 4; ++k) sortPickList(&l.values[k]);
    ReleaseRelisting releases(&l.txtD[5], &l.txtD[8]);
    for (const DataText::Record& r : d.records) releases.meet(r.koukai);
    l.koukai = releases.takeKoukai();
    l.koukai3 = releases.takeKoukai3();
    return l;
}

void Catalogue::applyLists(TitleLists lists) {
    for (int k : {1, 2, 3, 4, 5, 8}) txtD_[k] = std::move(lists.txtD[k]);
    for (int k = 1; k <= 4; ++k) setPickList(kAttributeLists[k], lists.values[k]);
    setPickList(PickList::Koukai, lists.koukai);
    setPickList(PickList::Koukai3, lists.koukai3);
    relistNames(*this);
}

void Catalogue::setPickList(PickList which, const QStringList& items) {
    setIfChanged(pickList(which), items);
}

bool Catalogue::addAttributeValue(int k, const QString& v) {
    // The bare text is searched, so a value inside a longer known one is not
    // listed until the next load; the rule is kept as the lists always behaved.
    if (txtD_[k].containsBare(v)) return false;
    txtD_[k].add(v);
    QStringListModel* model = pickList(kAttributeLists[k]);
    const int at = sortedInsertPosition(model->stringList(), v);
    model->insertRows(at, 1);
    model->setData(model->index(at), v);
    return true;
}

bool Catalogue::addReleaseYearMonth(const QString& ym) {
    if (txtD_[5].contains(ym)) return false;
    txtD_[5].add(ym);
    QStringListModel* model = pickList(PickList::Koukai);
    const int at = model->rowCount();
    model->insertRows(at, 1);
    model->setData(model->index(at), ym);
    return true;
}

void Catalogue::rebuildViewingLists() {
    for (int k : {6, 7, 9}) txtD_[k].clear();
    QStringList kanbi, kanbi2, contents;
    // A date or content met before adds nothing: told by its shared number, only
    // the first viewing of each day is looked up as text.
    std::vector<char> met(SharedText::count());  // bit 0: met as a date, bit 1: as a content
    const auto firstTime = [&](SharedText v, char bit) {
        char& m = met[v.id()];
        return !(std::exchange(m, char(m | bit)) & bit);
    };
    for (const Kansyou& r : kansyou_.records()) {
        const QString& d = r.Kansyoubi;
        if (!d.isEmpty() && firstTime(r.Kansyoubi, 1)) {
            // Looked up as views: a copy is made only for a value not seen before.
            const QStringView y7 = QStringView(d).left(7), y4 = QStringView(d).left(4);
            if (const auto [v, added] = txtD_[6].intern(y7); added) kanbi.append(*v);
            if (const auto [v, added] = txtD_[9].intern(y4); added)
                kanbi2.append(*v + QStringLiteral("年"));
        }
        if (!r.KansyouNaiyou.isEmpty() && firstTime(r.KansyouNaiyou, 2) &&
            txtD_[7].add(r.KansyouNaiyou))
            contents.append(r.KansyouNaiyou);
    }
    setPickList(PickList::Kanbi, kanbi);
    setPickList(PickList::Kanbi2, kanbi2);
    setPickList(PickList::Kansyou, contents);
}
