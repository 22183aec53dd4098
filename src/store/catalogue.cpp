#include "catalogue.h"

#include "cp932.h"
#include "data_file.h"
#include "record_dialect.h"

#include <QDateTime>
#include <QFile>

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

QString Catalogue::damagedFileMessage(const QString& name, const QString& what,
                                      const QString& kept) {
    return QStringLiteral(
               "「%1」を最後まで読み込めませんでした。\r\n\r\n%2\r\n\r\n%3"
               "元のファイルは、最初に書き換える前に同じフォルダーへ"
               "「%1.日時.bak」として残します。")
        .arg(name, what, kept);
}

QString Catalogue::recodedFileMessage(const QString& name) {
    return QStringLiteral(
               "「%1」は UTF-8 で保存されていたため、そのまま読み込みました。\r\n\r\n"
               "次に書き換えるときにシフトJIS（コードページ932）で保存し直します。"
               "元のファイルは、その前に同じフォルダーへ「%1.日時.bak」として残します。")
        .arg(name);
}

bool Catalogue::readTextFile(const QString& name, QString* text, QString* problem,
                             QByteArray* bytesOut, bool* recoded) {
    QByteArray bytes;
    QString error;
    if (!dir_.read(name, &bytes, &error)) {
        *problem = error;
        return false;
    }
    ReadProblem bad;
    bool utf8 = false;
    *text = decodeSoundPart(bytes, &bad, &utf8);
    if (bad.any() || utf8) damagedOriginals_.insert(dir_.actualName(name), bytes);
    if (bad.any()) *problem = bad.what;
    if (recoded) *recoded = utf8;
    if (bytesOut) *bytesOut = std::move(bytes);
    return true;
}

QString Catalogue::keepOriginal(const QString& name) {
    const QString actual = dir_.actualName(name);
    auto it = damagedOriginals_.find(actual);
    if (it == damagedOriginals_.end()) return {};
    const QString copy = actual +
                         QDateTime::currentDateTime().toString(QStringLiteral(".yyyyMMdd-HHmmss")) +
                         QStringLiteral(".bak");
    const FileResult r = dir_.writeAtomic(copy, it.value());
    if (!r.ok())
        return QStringLiteral("元のファイルを残せなかったため、書き換えを取りやめました。\r\n") +
               r.error;
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

void Catalogue::forgetDataBytes() {
    dataKnown_ = false;
    dataBytes_.clear();
    dataStarts_.clear();
}

QString Catalogue::LoadMainData() {
    table_.clear();
    forgetDataBytes();
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
        QByteArray original;
        bool recoded = false;
        if (!readTextFile(kDataFile, &text, &problem, &original, &recoded)) {
            dataWhole_ = false;
            message =
                QStringLiteral("「%1」を読み込めませんでした。\r\n%2").arg(kDataFile, problem);
        } else {
            const ReadProblem parsed = parseTitles(text);
            if (parsed.any() || !problem.isEmpty()) {
                dataWhole_ = false;
                if (!damagedOriginals_.contains(dir_.actualName(kDataFile)))
                    damagedOriginals_.insert(dir_.actualName(kDataFile), original);
                const QString what = parsed.any() ? parsed.what : problem;
                message = damagedFileMessage(
                    kDataFile, what,
                    QStringLiteral("その手前までの%1件のタイトルを読み込みました。")
                        .arg(parsed.kept));
            } else if (recoded) {
                dataWhole_ = false;  // the next change rewrites the whole file in code page 932
                message = recodedFileMessage(kDataFile);
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
        return field > 5 || field == 3 ? marks.get(v) : internAttribute(field, v);
    };
    return parseDataFile(text, &table_, intern);
}

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

QString Catalogue::SaveMainData() { return writeWholeDataFile(0); }

QString Catalogue::writeWholeDataFile(int skip) {
    QVector<qsizetype> starts;
    const QString text = serializeDataFile(table_, skip, &starts);
    QByteArray bytes;
    if (!Cp932::encode(text, &bytes))
        return QStringLiteral("「%1」に書き込めない文字「%2」があります。")
            .arg(kDataFile, Cp932::firstUnencodable(text));
    if (QString kept = keepOriginal(kDataFile); !kept.isEmpty()) return kept;
    if (const FileResult r = dir_.writeAtomic(kDataFile, bytes); !r.ok())
        return QStringLiteral("ファイルを書き込めませんでした。\r\n") + r.error;
    // The file now holds exactly the table, record by record at known places.
    Cp932::toByteOffsets(text, &starts);
    dataBytes_ = std::move(bytes);
    dataStarts_ = std::move(starts);
    dataWhole_ = true;
    dataKnown_ = true;
    return {};
}

QString Catalogue::spliceDataFile(int n, const QByteArray& record) {
    const qsizetype from = dataStarts_[n - 1];
    const qsizetype to = n < dataStarts_.size() ? dataStarts_[n] : dataBytes_.size();
    QByteArray bytes;
    bytes.reserve(dataBytes_.size() - (to - from) + record.size());
    bytes.append(dataBytes_.constData(), from).append(record);
    bytes.append(dataBytes_.constData() + to, dataBytes_.size() - to);
    if (const FileResult r = dir_.writeAtomic(kDataFile, bytes); !r.ok())
        return QStringLiteral("ファイルを書き込めませんでした。\r\n") + r.error;
    const qsizetype shift = record.size() - (to - from);
    if (record.isEmpty()) dataStarts_.remove(n - 1);
    for (qsizetype i = record.isEmpty() ? n - 1 : n; i < dataStarts_.size(); ++i)
        dataStarts_[i] += shift;
    dataBytes_ = std::move(bytes);
    return {};
}

QString Catalogue::storeTitle(int n, const Title& changed) {
    Title old = std::exchange(table_[n], changed);
    QString problem;
    if (dataKnown_) {
        // The file holds exactly the table: only this record's bytes change, which
        // gives the same file as writing every record again.
        const QString record = serializeTitle(changed);
        QByteArray bytes;
        problem = Cp932::encode(record, &bytes)
                      ? spliceDataFile(n, bytes)
                      : QStringLiteral("「%1」に書き込めない文字「%2」があります。")
                            .arg(kDataFile, Cp932::firstUnencodable(record));
    } else {
        problem = SaveMainData();
    }
    if (!problem.isEmpty()) table_[n] = std::move(old);
    return problem;
}

QString Catalogue::appendTitle(const QString& name) {
    Title added;
    added.Daimei = name;
    if (!dataWhole_) {
        // Appending would put the title behind the part that could not be read.
        table_.append(added);
        const QString problem = SaveMainData();
        if (!problem.isEmpty()) {
            table_.remove(table_.TitleCount());
            return problem;
        }
        dataWhole_ = true;
    } else {
        QByteArray tail;
        if (!Cp932::encode(newTitleRecord(name), &tail))
            return QStringLiteral("「%1」に書き込めない文字があります。").arg(kDataFile);
        QFile file(dir_.filePath(kDataFile));
        if (file.open(QIODevice::ReadOnly) && file.size() > 0 && file.seek(file.size() - 1)) {
            const QByteArray lastByte = file.read(1);
            const char last = lastByte.isEmpty() ? '\n' : lastByte[0];
            if (last != '\n' && last != '\r')
                tail.prepend("\r\n");  // or it would swallow the new record
        }
        file.close();
        const FileResult r = dir_.append(kDataFile, tail);
        if (!r.ok()) return QStringLiteral("タイトルを追加できませんでした。\r\n") + r.error;
        table_.append(added);
        // The short record of a new title is not the form a rewrite gives it, so
        // the next edit writes the whole file again.
        forgetDataBytes();
    }
    // A title with nothing but its name adds to no list but the names.
    QStringListModel* names = pickList(PickList::Name);
    names->insertRows(names->rowCount(), 1);
    names->setData(names->index(names->rowCount() - 1), name);
    return {};
}

QString Catalogue::removeTitle(int k) {
    if (QString problem = dataKnown_ ? spliceDataFile(k, {}) : writeWholeDataFile(k);
        !problem.isEmpty())
        return problem;
    table_.remove(k);
    pickList(PickList::Name)->removeRows(k - 1, 1);
    // Values only the removed title held leave the lists, as after a fresh load.
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
    return {};
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
    bool recoded = false;
    if (!readTextFile(name, &text, &problem, nullptr, &recoded))
        return QStringLiteral("「%1」を読み込めませんでした。\r\n%2").arg(name, problem);
    RecordReader reader(text);
    RecordReader::Field f;
    for (int k = 1; k <= count && !reader.atEnd() && reader.next(&f); ++k)
        names[k] = f.text.toString();
    if (!problem.isEmpty())
        return damagedFileMessage(name, problem, QStringLiteral("読めた項目名だけを使います。"));
    return recoded ? recodedFileMessage(name) : QString();
}

QString Catalogue::LoadMasters() {
    QStringList messages;
    for (const QString& m : {loadMaster(kHyoukaMasterFile, HyoukaKoumoku.data(), kScoreItems,
                                        kDefaultHyoukaKoumoku.data()),
                             loadMaster(kSyoyuMasterFile, SyoyuKoumoku.data(), kOwnershipItems,
                                        kDefaultSyoyuKoumoku.data())})
        if (!m.isEmpty()) messages << m;
    return messages.join(QStringLiteral("\r\n\r\n"));
}

QString Catalogue::LoadSettings() {
    if (!dir_.exists(kSettingsFile)) {
        HelpTour = 1;
        return SaveSettings();
    }
    QString text, problem;
    bool recoded = false;
    if (!readTextFile(kSettingsFile, &text, &problem, nullptr, &recoded))
        return QStringLiteral("「%1」を読み込めませんでした。\r\n%2").arg(kSettingsFile, problem);
    RecordReader reader(text);
    RecordReader::Field label, value;
    int v = 0;
    if (!reader.atEnd() && reader.next(&label) && reader.next(&value) &&
        parseNumberField(value.text, &v))
        HelpTour = v;
    return recoded ? recodedFileMessage(kSettingsFile) : QString();
}

QString Catalogue::SaveSettings() {
    RecordWriter w;
    w.text(QStringLiteral("ヘルプツアー")).number(HelpTour);
    w.endRecord();
    return writeTextFile(kSettingsFile, w.result());
}
