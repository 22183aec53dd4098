// Every change the catalogue writes to the data file, and text files in general.
#include "catalogue.h"

#include "converted_for_good.h"
#include "cp932.h"
#include "data_file.h"

#include <QDateTime>

#include <cstring>
#include <map>
#include <thread>
#include <vector>

QString Catalogue::keepOriginal(const QString& name) {
    const QString actual = dir_.actualName(name);
    auto it = damagedOriginals_.find(actual);
    if (it == damagedOriginals_.end()) return {};
    // Never over an earlier copy of the same second: each original stays.
    const QString copy = freeCopyName(actual);
    const FileResult r = dir_.writeAtomic(copy, it.value());
    if (!r.ok())
        return QStringLiteral("元のファイルを残せなかったため、書き換えを取りやめました。\r\n") +
               r.error;
    damagedOriginals_.erase(it);
    return {};
}

namespace {
// Refusing is better than writing "?" or bytes no program reads back: the user
// learns which character and where, and the file stays as it was.
QString unencodable(const QString& where, const QString& character, const QString& file) {
    return QStringLiteral(
               "%1に、シフトJIS（コードページ932）で保存できない文字「%2」があるため、"
               "「%3」を保存できません。\r\nファイルはそのまま残っています。")
        .arg(where, character, file);
}
}  // namespace

QString Catalogue::writeTextFile(const QString& name, const QString& text) {
    QByteArray bytes;
    if (!Cp932::encode(text, &bytes))
        return unencodable(QStringLiteral("書き込む内容"), Cp932::firstUnencodable(text),
                           dir_.actualName(name));
    if (QString refused = dir_.refusal(name); !refused.isEmpty()) return refused;
    if (QString kept = keepOriginal(name); !kept.isEmpty()) return kept;
    const FileResult r = dir_.writeAtomic(name, bytes);
    if (!r.ok()) return r.error;
    partlyRead_.remove(dir_.actualName(name));
    return {};
}

// Only on a failed encoding: which title holds the character the code page lacks.
QString Catalogue::firstUnencodableTitle(int skip) {
    for (int n = 1; n <= table_.TitleCount(); ++n) {
        if (n == skip) continue;
        const QString bad = Cp932::firstUnencodable(serializeTitle(table_[n]));
        if (!bad.isEmpty())
            return unencodable(
                QStringLiteral("%1件目のタイトル「%2」").arg(n).arg(table_[n].Daimei), bad,
                kDataFile);
    }
    return unencodable(QStringLiteral("タイトル"), QString(), kDataFile);
}

void Catalogue::forgetDataBytes() {
    dataKnown_ = false;
    dataBytes_.clear();
    dataStarts_.clear();
    shortRecords_.clear();
}

QString Catalogue::SaveMainData() { return writeWholeDataFile(0); }

QString Catalogue::writeWholeDataFile(int skip) {
    bool convert = false;
    if (QString no = settleForeign(kDataFile, &dataForeign_, &convert); !no.isEmpty()) return no;
    ConvertedForGood conversion(&table_, convert);
    const auto fail = [&](QString message) { return conversion.fail(std::move(message)); };
    // The bytes kept of the file are made anew in their own buffer, whose memory
    // is already there; until the write succeeds the file counts as unknown.
    QVector<qsizetype> starts;
    QByteArray bytes = std::exchange(dataBytes_, {});
    forgetDataBytes();
    if (!encodeDataFile(table_, skip, &bytes, &starts)) return fail(firstUnencodableTitle(skip));
    if (QString refused = dir_.refusal(kDataFile); !refused.isEmpty()) return fail(refused);
    if (QString kept = keepOriginal(kDataFile); !kept.isEmpty()) return fail(kept);
    if (const FileResult r = dir_.writeAtomic(kDataFile, bytes); !r.ok()) return fail(r.error);
    // The file now holds exactly the table, record by record at known places.
    dataBytes_ = std::move(bytes);
    dataStarts_ = std::move(starts);
    dataWhole_ = true;
    dataKnown_ = true;
    dataForeign_ = {};
    return {};
}

QString Catalogue::spliceDataFile(int n, const QByteArray& record) {
    return spliceDataFile({{n, record}});
}

QString Catalogue::spliceDataFile(std::map<int, QByteArray> replaced) {
    // Each record of replaced takes its new bytes (none: it goes), and every
    // short record of a newly added title its full form, in one pass over the
    // old bytes.
    qsizetype grows = 0;
    for (const auto& [m, bytes] : replaced) grows += bytes.size();
    for (int m : std::as_const(shortRecords_)) {
        if (replaced.count(m)) continue;
        QByteArray full;
        const QString text = serializeTitle(table_[m]);
        if (!Cp932::encode(text, &full))
            return unencodable(
                QStringLiteral("%1件目のタイトル「%2」").arg(m).arg(table_[m].Daimei),
                Cp932::firstUnencodable(text), kDataFile);
        replaced.emplace(m, std::move(full));
    }
    const int count = int(dataStarts_.size());
    const auto end = [&](int i) { return i < count ? dataStarts_[i] : dataBytes_.size(); };
    QByteArray bytes;
    bytes.reserve(dataBytes_.size() + grows);
    QVector<qsizetype> starts;
    starts.reserve(count);
    qsizetype copied = 0;  // old bytes before this are in bytes
    int next = 0;          // the first old record whose start is not yet placed
    // An unchanged record moves by as much as the bytes before it did.
    const auto placeUpTo = [&](int stop) {
        for (; next < stop; ++next) starts.append(dataStarts_[next] - copied + bytes.size());
    };
    for (const auto& [m, newBytes] : replaced) {
        placeUpTo(m - 1);
        bytes.append(dataBytes_.constData() + copied, dataStarts_[m - 1] - copied);
        if (!newBytes.isEmpty()) {
            starts.append(bytes.size());
            bytes.append(newBytes);
        }
        next = m;
        copied = end(m);
    }
    placeUpTo(count);
    bytes.append(dataBytes_.constData() + copied, dataBytes_.size() - copied);
    if (const FileResult r = dir_.writeAtomic(kDataFile, bytes); !r.ok()) return r.error;
    dataBytes_ = std::move(bytes);
    dataStarts_ = std::move(starts);
    shortRecords_.clear();
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
        problem =
            Cp932::encode(record, &bytes)
                ? spliceDataFile(n, bytes)
                : unencodable(QStringLiteral("%1件目のタイトル「%2」").arg(n).arg(changed.Daimei),
                              Cp932::firstUnencodable(record), kDataFile);
    } else {
        problem = SaveMainData();
    }
    if (!problem.isEmpty()) table_[n] = std::move(old);
    return problem;
}

QString Catalogue::storeTitles(const QVector<std::pair<int, Title>>& changed) {
    QVector<Title> old;
    old.reserve(changed.size());
    for (const auto& [n, t] : changed) old.append(std::exchange(table_[n], t));
    const auto putBack = [&] {
        for (qsizetype i = changed.size(); i-- > 0;) table_[changed[i].first] = old[i];
    };
    if (!dataKnown_) {
        QString problem = SaveMainData();
        if (!problem.isEmpty()) putBack();
        return problem;
    }
    std::map<int, QByteArray> replaced;
    for (const auto& [n, t] : changed) {
        const QString record = serializeTitle(t);
        QByteArray bytes;
        if (!Cp932::encode(record, &bytes)) {
            putBack();
            return unencodable(QStringLiteral("%1件目のタイトル「%2」").arg(n).arg(t.Daimei),
                               Cp932::firstUnencodable(record), kDataFile);
        }
        replaced[n] = std::move(bytes);
    }
    QString problem = spliceDataFile(std::move(replaced));
    if (!problem.isEmpty()) putBack();
    return problem;
}

QString Catalogue::appendTitle(const QString& name) {
    ++layout_;
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
            return unencodable(QStringLiteral("タイトル名「%1」").arg(name),
                               Cp932::firstUnencodable(name), kDataFile);
        const int last = dir_.lastByte(kDataFile);
        if (last >= 0 && last != '\n' && last != '\r')
            tail.prepend("\r\n");  // or it would swallow the new record
        // Whole or not at all: a failed append leaves the file as long as it was.
        const FileResult r = dir_.append(kDataFile, tail);
        if (!r.ok()) return r.error;
        table_.append(added);
        if (dataKnown_) {
            // The file grew by exactly these bytes; the short record is written in
            // full by the next splice.
            dataStarts_.append(dataBytes_.size() + (tail.startsWith("\r\n") ? 2 : 0));
            dataBytes_ += tail;
            shortRecords_.append(table_.TitleCount());
        }
    }
    // A title with nothing but its name adds to no list but the names.
    QStringListModel* names = pickList(PickList::Name);
    names->insertRows(names->rowCount(), 1);
    names->setData(names->index(names->rowCount() - 1), name);
    return {};
}

QString Catalogue::removeTitle(int k) {
    ++layout_;
    if (QString problem = dataKnown_ ? spliceDataFile(k, {}) : writeWholeDataFile(k);
        !problem.isEmpty())
        return problem;
    const Relist moved = listsMovedBy(k, table_[k]);
    table_.remove(k);
    pickList(PickList::Name)->removeRows(k - 1, 1);
    // Values only the removed title held leave the lists, as after a fresh load.
    relist(moved);
    return {};
}

QString Catalogue::insertTitle(int at, const Title& t) {
    ++layout_;
    QByteArray record;
    const QString text = serializeTitle(t);
    if (!Cp932::encode(text, &record))
        return unencodable(QStringLiteral("タイトル「%1」").arg(t.Daimei),
                           Cp932::firstUnencodable(text), kDataFile);
    table_.insert(at, t);
    QString problem;
    if (dataKnown_ && shortRecords_.isEmpty()) {
        // The file holds exactly the table: the record's bytes go in at its place.
        const qsizetype begin = at <= dataStarts_.size() ? dataStarts_[at - 1] : dataBytes_.size();
        QByteArray bytes;
        bytes.reserve(dataBytes_.size() + record.size());
        bytes.append(dataBytes_.constData(), begin);
        bytes.append(record);
        bytes.append(dataBytes_.constData() + begin, dataBytes_.size() - begin);
        if (QString kept = keepOriginal(kDataFile); !kept.isEmpty()) {
            problem = kept;
        } else if (const FileResult r = dir_.writeAtomic(kDataFile, bytes); !r.ok()) {
            problem = r.error;
        } else {
            dataBytes_ = std::move(bytes);
            dataStarts_.insert(at - 1, begin);
            for (qsizetype i = at; i < dataStarts_.size(); ++i) dataStarts_[i] += record.size();
        }
    } else {
        problem = SaveMainData();
    }
    if (!problem.isEmpty()) {
        table_.remove(at);
        return problem;
    }
    QStringListModel* names = pickList(PickList::Name);
    names->insertRows(at - 1, 1);
    names->setData(names->index(at - 1), t.Daimei);
    relist(listsMovedBy(at, t));
    return {};
}

namespace {
const QString& orderRefused() {
    static const QString text = QStringLiteral(
        "並び順がタイトルの一覧と合わないため、並び替えを取りやめました。\r\n"
        "一覧を開き直してからもう一度やり直してください。");
    return text;
}

// True when order holds every number 1..count exactly once.
bool isPermutation(const QVector<int>& order, int count) {
    if (order.size() != count) return false;
    std::vector<bool> seen(count + 1, false);
    for (int n : order) {
        if (n < 1 || n > count || seen[n]) return false;
        seen[n] = true;
    }
    return true;
}

// The title numbers in the order of names. Names are meant to be unique, but a
// file from elsewhere may repeat one: each occurrence stands for the next title
// of that name. Empty when names does not name every title exactly once.
QVector<int> orderFromNames(const TitleTable& table, const QStringList& names) {
    const int count = table.TitleCount();
    if (names.size() != count) return {};
    // first: the lowest title number of each name not yet placed; next: the
    // following title of the same name (0: none).
    StringMap<int> first;
    first.reserve(count);
    std::vector<int> next(count + 1, 0);
    for (int n = count; n >= 1; --n) {
        const auto [it, added] = first.try_emplace(table[n].Daimei, n);
        if (!added) {
            next[n] = it->second;
            it->second = n;
        }
    }
    QVector<int> order;
    order.reserve(count);
    for (const QString& name : names) {
        const auto it = first.find(name);
        if (it == first.end() || it->second == 0) return {};
        order.append(it->second);
        it->second = next[it->second];
    }
    return order;
}

// The order that undoes order.
QVector<int> inverse(const QVector<int>& order) {
    QVector<int> back(order.size());
    for (int i = 0; i < order.size(); ++i) back[order[i] - 1] = i + 1;
    return back;
}
}  // namespace

QString Catalogue::rewriteInOrder(const QStringList& names) {
    const QVector<int> order = orderFromNames(table_, names);
    if (order.size() != table_.TitleCount()) return orderRefused();
    return writeInOrder(order);
}

QString Catalogue::rewriteInNumberOrder(const QVector<int>& numbers) {
    if (!isPermutation(numbers, table_.TitleCount())) return orderRefused();
    return writeInOrder(numbers);
}

QString Catalogue::writeInOrder(const QVector<int>& order) {
    const int count = table_.TitleCount();
    ++layout_;
    if (!dataKnown_ || !shortRecords_.isEmpty()) {
        table_.reorder(order);
        if (QString problem = SaveMainData(); !problem.isEmpty()) {
            table_.reorder(inverse(order));
            return problem;
        }
        rebuildListsFromTable();
        return {};
    }
    // The file holds exactly the table, record by record: its records in the new
    // order are the file a whole rewrite would give, without encoding it again.
    // The table follows only once the file is written.
    // Anything before the first record (nothing, in a file this run wrote) stays first.
    const qsizetype head = count > 0 ? dataStarts_[0] : dataBytes_.size();
    QByteArray bytes(dataBytes_.size(), Qt::Uninitialized);
    QVector<qsizetype> starts(count);
    const char* from = dataBytes_.constData();
    char* to = bytes.data();
    std::memcpy(to, from, head);
    qsizetype at = head;
    for (int i = 0; i < count; ++i) {
        const int n = order[i];
        const qsizetype begin = dataStarts_[n - 1];
        const qsizetype end = n < count ? dataStarts_[n] : dataBytes_.size();
        starts[i] = at;
        std::memcpy(to + at, from + begin, end - begin);
        at += end - begin;
    }
    if (QString kept = keepOriginal(kDataFile); !kept.isEmpty()) return kept;
    // The titles move, and the lists of values in first-seen order are made for
    // the new order, while the disk takes the bytes (nothing else touches the
    // table meanwhile); a failed write moves them back and keeps the old lists.
    const std::shared_ptr<Relisting> relisting = beginRelisting();
    std::thread mover([this, &order, &relisting] {
        table_.reorder(order);
        meet(*relisting, table_);
    });
    const FileResult written = dir_.writeAtomic(kDataFile, bytes);
    mover.join();
    if (!written.ok()) {
        table_.reorder(inverse(order));
        return written.error;
    }
    dataBytes_ = std::move(bytes);
    dataStarts_ = std::move(starts);
    finishRelisting(*relisting);
    return {};
}
