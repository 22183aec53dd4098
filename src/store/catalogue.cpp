#include "catalogue.h"

#include "cp932.h"
#include "data_file.h"
#include "record_dialect.h"

#include <QDateTime>

const std::array<QString, 8> kDefaultHyoukaKoumoku = {
    QString(),           QStringLiteral("総合"),   QStringLiteral("感動・涙"),
    QStringLiteral("笑い"), QStringLiteral("ほのぼの"), QStringLiteral("スリル"),
    QStringLiteral("恐怖戦慄"), QStringLiteral("セクシー")};
const std::array<QString, 5> kDefaultSyoyuKoumoku = {
    QString(), QStringLiteral("DVD"), QStringLiteral("ブルーレイ"), QStringLiteral("ビデオ"),
    QStringLiteral("配信")};

Catalogue::Catalogue(const QString& dataDir) : dir_(dataDir) {
    for (auto& m : pick_) m = std::make_unique<QStringListModel>();
}

Catalogue::~Catalogue() = default;

QString Catalogue::damagedFileMessage(const QString& name, const QString& what,
                                      const QString& kept) {
    return QStringLiteral(
               "「%1」を最後まで読み込めませんでした。\r\n\r\n%2\r\n\r\n%3"
               "元のファイルは、最初に書き換える前に同じフォルダーへ"
               "「%1.日時.bak」として残します。")
        .arg(name, what, kept);
}

bool Catalogue::readTextFile(const QString& name, QString* text, QString* problem,
                             QByteArray* bytesOut) {
    QByteArray bytes;
    QString error;
    if (!dir_.read(name, &bytes, &error)) {
        *problem = error;
        return false;
    }
    ReadProblem bad;
    *text = decodeSoundPart(bytes, &bad);
    if (bad.any()) {
        damagedOriginals_.insert(dir_.actualName(name), bytes);
        *problem = bad.what;
    }
    if (bytesOut) *bytesOut = std::move(bytes);
    return true;
}

QString Catalogue::keepOriginal(const QString& name) {
    const QString actual = dir_.actualName(name);
    auto it = damagedOriginals_.find(actual);
    if (it == damagedOriginals_.end()) return {};
    const QString copy =
        actual + QDateTime::currentDateTime().toString(QStringLiteral(".yyyyMMdd-HHmmss")) +
        QStringLiteral(".bak");
    const FileResult r = dir_.writeAtomic(copy, it.value());
    if (!r.ok()) return QStringLiteral("元のファイルを残せなかったため、書き換えを取りやめました。\r\n") + r.error;
    damagedOriginals_.erase(it);
    return {};
}

QString Catalogue::writeTextFile(const QString& name, const QString& text) {
    QByteArray bytes;
    if (!Cp932::encode(text, &bytes))
        return QStringLiteral("「%1」に書き込めない文字「%2」があります。")
            .arg(name, Cp932::firstUnencodable(text));
    if (QString kept = keepOriginal(name); !kept.isEmpty()) return kept;
    const FileResult r = dir_.writeAtomic(name, bytes);
    return r.ok() ? QString() : QStringLiteral("ファイルを書き込めませんでした。\r\n") + r.error;
}

QString Catalogue::appendTextFile(const QString& name, const QString& text) {
    QByteArray bytes;
    if (!Cp932::encode(text, &bytes))
        return QStringLiteral("「%1」に書き込めない文字「%2」があります。")
            .arg(name, Cp932::firstUnencodable(text));
    if (QString kept = keepOriginal(name); !kept.isEmpty()) return kept;
    const FileResult r = dir_.append(name, bytes);
    return r.ok() ? QString() : QStringLiteral("ファイルに追記できませんでした。\r\n") + r.error;
}

QString Catalogue::LoadMainData() {
    table_.clear();
    for (int k = 1; k <= 4; ++k) {
        txtD_[k].clear();
        attributeValues_[k].clear();
    }
    dataWhole_ = true;
    QString message;
    if (!dir_.exists(kDataFile)) {
        message = writeTextFile(kDataFile, QString());
    } else {
        QString text, problem;
        if (!readTextFile(kDataFile, &text, &problem)) {
            dataWhole_ = false;
            message = QStringLiteral("「%1」を読み込めませんでした。\r\n%2").arg(kDataFile, problem);
        } else {
            const ReadProblem parsed = parseTitles(text);
            if (parsed.any() || !problem.isEmpty()) {
                dataWhole_ = false;
                if (!damagedOriginals_.contains(dir_.actualName(kDataFile))) {
                    QByteArray original;
                    dir_.read(kDataFile, &original);
                    damagedOriginals_.insert(dir_.actualName(kDataFile), original);
                }
                const QString what = parsed.any() ? parsed.what : problem;
                message = damagedFileMessage(
                    kDataFile, what,
                    QStringLiteral("その手前までの%1件のタイトルを読み込みました。").arg(parsed.kept));
            }
        }
    }
    rebuildPickLists();
    return message;
}

ReadProblem Catalogue::parseTitles(QStringView text) {
    // The seen-value lists of the attributes double as the pools that share
    // equal values, so each field is looked up once for both.
    StringPool marks;
    const auto intern = [this, &marks](int field, QStringView v) -> QString {
        static constexpr int kListOfField[] = {0, 1, 2, 0, 3, 4};  // 監督, 主演, -, 国, ジャンル
        if (field > 5 || kListOfField[field] == 0) return marks.get(v);
        if (v.isEmpty()) return {};
        const int k = kListOfField[field];
        const auto [listed, added] = txtD_[k].intern(v);
        if (added) attributeValues_[k].append(*listed);
        return *listed;
    };
    return parseDataFile(text, &table_, intern);
}

void Catalogue::rebuildPickLists() {
    for (int k = 5; k <= 8; ++k) txtD_[k].clear();
    QStringList names, koukai, koukai3;
    names.reserve(table_.TitleCount());
    auto note = [this](int k, const QString& v, QStringList* list) {
        if (!v.isEmpty() && txtD_[k].add(v)) list->append(v);
    };
    for (int n = 1; n <= table_.TitleCount(); ++n) {
        const Title& t = table_[n];
        names.append(t.Daimei);
        if (!t.Koukai.isEmpty()) {
            const QStringView y7 = QStringView(t.Koukai).left(7);
            if (!txtD_[5].contains(y7)) note(5, y7.toString(), &koukai);
            const QStringView y4 = QStringView(t.Koukai).left(4);
            if (!txtD_[8].contains(y4) && txtD_[8].add(y4.toString()))
                koukai3.append(y4.toString() + QStringLiteral("年"));
        }
    }
    const PickList attributeLists[] = {PickList::Count, PickList::Kantoku, PickList::Syuen,
                                       PickList::Kuni, PickList::Janru};
    for (int k = 1; k <= 4; ++k) {
        sortPickList(&attributeValues_[k]);
        pickList(attributeLists[k])->setStringList(std::exchange(attributeValues_[k], {}));
    }
    pickList(PickList::Name)->setStringList(names);
    pickList(PickList::Koukai)->setStringList(koukai);
    pickList(PickList::Koukai3)->setStringList(koukai3);
}

QString Catalogue::SaveMainData() { return writeTextFile(kDataFile, serializeDataFile(table_)); }

QString Catalogue::storeTitle(int n, const Title& changed) {
    Title old = std::exchange(table_[n], changed);
    QString problem = SaveMainData();
    if (!problem.isEmpty()) table_[n] = std::move(old);
    return problem;
}

QString Catalogue::appendTitle(const QString& name) {
    if (!dataWhole_) {
        // Appending would put the title behind the part that could not be read.
        TitleTable grown = table_;
        Title t;
        t.Daimei = name;
        grown.append(t);
        std::swap(grown, table_);
        QString problem = SaveMainData();
        std::swap(grown, table_);
        return problem;
    }
    QByteArray tail;
    if (!Cp932::encode(newTitleRecord(name), &tail))
        return QStringLiteral("「%1」に書き込めない文字があります。").arg(kDataFile);
    QByteArray bytes;
    if (dir_.read(kDataFile, &bytes) && !bytes.isEmpty() && !bytes.endsWith('\n') && !bytes.endsWith('\r'))
        tail.prepend("\r\n");  // a last record without its line end would swallow the new one
    const FileResult r = dir_.append(kDataFile, tail);
    return r.ok() ? QString() : QStringLiteral("タイトルを追加できませんでした。\r\n") + r.error;
}

QString Catalogue::removeTitle(int k) {
    TitleTable rest;
    rest.reserve(table_.TitleCount());
    for (int n = 1; n <= table_.TitleCount(); ++n)
        if (n != k) rest.append(table_[n]);
    return writeTextFile(kDataFile, serializeDataFile(rest));
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

QString Catalogue::loadMaster(const QString& name, QString* names, int count,
                              const QString* defaults) {
    for (int k = 1; k <= count; ++k) names[k].clear();
    if (!dir_.exists(name)) {
        RecordWriter w;
        for (int k = 1; k <= count; ++k) {
            names[k] = defaults[k];
            w.text(defaults[k]);
            w.endRecord();
        }
        return writeTextFile(name, w.result());
    }
    QString text, problem;
    if (!readTextFile(name, &text, &problem))
        return QStringLiteral("「%1」を読み込めませんでした。\r\n%2").arg(name, problem);
    RecordReader reader(text);
    RecordReader::Field f;
    for (int k = 1; k <= count && !reader.atEnd() && reader.next(&f); ++k)
        names[k] = f.text.toString();
    if (!problem.isEmpty())
        return damagedFileMessage(name, problem, QStringLiteral("読めた項目名だけを使います。"));
    return {};
}

QString Catalogue::LoadMasters() {
    QStringList messages;
    for (const QString& m :
         {loadMaster(kHyoukaMasterFile, HyoukaKoumoku.data(), kScoreItems, kDefaultHyoukaKoumoku.data()),
          loadMaster(kSyoyuMasterFile, SyoyuKoumoku.data(), kOwnershipItems, kDefaultSyoyuKoumoku.data())})
        if (!m.isEmpty()) messages << m;
    return messages.join(QStringLiteral("\r\n\r\n"));
}

QString Catalogue::LoadSettings() {
    if (!dir_.exists(kSettingsFile)) {
        HelpTour = 1;
        return SaveSettings();
    }
    QString text, problem;
    if (!readTextFile(kSettingsFile, &text, &problem))
        return QStringLiteral("「%1」を読み込めませんでした。\r\n%2").arg(kSettingsFile, problem);
    RecordReader reader(text);
    RecordReader::Field label, value;
    int v = 0;
    if (!reader.atEnd() && reader.next(&label) && reader.next(&value) && parseNumberField(value.text, &v))
        HelpTour = v;
    return {};
}

QString Catalogue::SaveSettings() {
    RecordWriter w;
    w.text(QStringLiteral("ヘルプツアー")).number(HelpTour);
    w.endRecord();
    return writeTextFile(kSettingsFile, w.result());
}
