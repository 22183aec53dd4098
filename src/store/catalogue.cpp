// The catalogue's pick lists: the values the card's combos offer.
#include "catalogue.h"

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

Catalogue::Catalogue(const QString& dataDir) : dir_(dataDir) {
    for (auto& m : pick_) m = std::make_unique<QStringListModel>();
}

Catalogue::~Catalogue() = default;

// Field 1 director, 2 lead actor, 4 country, 5 genre: the listed copy of v,
// which joins its seen-value list when new.
QString Catalogue::internAttribute(int field, QStringView v) {
    static constexpr int kListOfField[] = {0, 1, 2, 0, 3, 4};
    if (v.isEmpty()) return {};
    const int k = kListOfField[field];
    const auto [listed, added] = txtD_[k].intern(v);
    if (added) attributeValues_[k].append(*listed);
    return *listed;
}

void Catalogue::rebuildListsFromTable() {
    for (int j = 1; j <= 4; ++j) {
        txtD_[j].clear();
        attributeValues_[j].clear();
    }
    for (int n = 1; n <= table_.TitleCount(); ++n) {
        Title& t = table_[n];
        t.Kantoku = internAttribute(1, t.Kantoku);
        t.Syuen = internAttribute(2, t.Syuen);
        t.Kuni = internAttribute(4, t.Kuni);
        t.Janru = internAttribute(5, t.Janru);
    }
    rebuildPickLists();
}

void Catalogue::rebuildPickLists() {
    for (int k = 5; k <= 8; ++k) txtD_[k].clear();
    QStringList names, koukai, koukai3;
    names.reserve(table_.TitleCount());
    for (int n = 1; n <= table_.TitleCount(); ++n) {
        const Title& t = table_[n];
        names.append(t.Daimei);
        if (!t.Koukai.isEmpty()) {
            const QStringView y7 = QStringView(t.Koukai).left(7);
            if (const auto [v, added] = txtD_[5].intern(y7); added) koukai.append(*v);
            const QStringView y4 = QStringView(t.Koukai).left(4);
            if (const auto [v, added] = txtD_[8].intern(y4); added)
                koukai3.append(*v + QStringLiteral("年"));
        }
    }
    const PickList attributeLists[] = {PickList::Count, PickList::Kantoku, PickList::Syuen,
                                       PickList::Kuni, PickList::Janru};
    for (int k = 1; k <= 4; ++k) {
        sortPickList(&attributeValues_[k]);
        setPickList(attributeLists[k], std::exchange(attributeValues_[k], {}));
    }
    setPickList(PickList::Name, names);
    setPickList(PickList::Koukai, koukai);
    setPickList(PickList::Koukai3, koukai3);
}

// A list that did not change is left alone: resetting a model makes every
// combo on it start over, which a list of 32,766 titles makes noticeable.
void Catalogue::setPickList(PickList which, const QStringList& items) {
    QStringListModel* model = pickList(which);
    if (model->stringList() != items) model->setStringList(items);
}

bool Catalogue::addAttributeValue(int k, const QString& v) {
    // The bare text is searched, so a value inside a longer known one is not
    // listed until the next load; the rule is kept as the lists always behaved.
    if (txtD_[k].containsBare(v)) return false;
    txtD_[k].add(v);
    static const PickList lists[] = {PickList::Count, PickList::Kantoku, PickList::Syuen,
                                     PickList::Kuni, PickList::Janru};
    QStringListModel* model = pickList(lists[k]);
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
    for (const Kansyou& r : kansyou_.records()) {
        const QString& d = r.Kansyoubi;
        if (!d.isEmpty()) {
            // Looked up as views: a copy is made only for a value not seen before.
            const QStringView y7 = QStringView(d).left(7), y4 = QStringView(d).left(4);
            if (const auto [v, added] = txtD_[6].intern(y7); added) kanbi.append(*v);
            if (const auto [v, added] = txtD_[9].intern(y4); added)
                kanbi2.append(*v + QStringLiteral("年"));
        }
        if (!r.KansyouNaiyou.isEmpty() && txtD_[7].add(r.KansyouNaiyou))
            contents.append(r.KansyouNaiyou);
    }
    setPickList(PickList::Kanbi, kanbi);
    setPickList(PickList::Kanbi2, kanbi2);
    setPickList(PickList::Kansyou, contents);
}
