#include "import_plan.h"

#include "store/cp932.h"
#include "store/date_text.h"
#include "store/record_dialect.h"
#include "store/string_hash.h"
#include "store/title_name.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <unordered_map>
#include <vector>

namespace ImportPlanner {

namespace {
// A name too long for a file name is named in its reason by its start, so that
// the reason stays one readable line.
QString nameInReason(const QString& name) {
    constexpr qsizetype kShown = 40;
    return name.size() <= kShown ? name
                                 : name.left(kShown) + QStringLiteral("…（全%1文字）").arg(name.size());
}

const QString kTitle = QStringLiteral("タイトル");
const QString kKantoku = QStringLiteral("監督");
const QString kSyuen = QStringLiteral("主演");
const QString kKoukai = QStringLiteral("公開日");
const QString kKuni = QStringLiteral("国");
const QString kJanru = QStringLiteral("ジャンル");
const QString kHyouka = QStringLiteral("評価");
const QString kKansyoubi = QStringLiteral("鑑賞日");
const QString kNaiyou = QStringLiteral("鑑賞内容");

const QChar kGeta = u'〓';

// Title names also name files: the characters a file name cannot hold.
constexpr char16_t kFileNameCharacters[] = u"\\/:,;*?<>|";

enum class Fit {
    Title,  // a title of another program: no character a file name cannot hold
    Text,   // any other text, and the titles of this program's own export
};

bool needsChange(char16_t u, Fit kind) {
    if (u < 0x20 || u == 0x7F || u == u'"') return true;
    if (kind == Fit::Title)
        for (char16_t c : kFileNameCharacters)
            if (c != 0 && u == c) return true;
    return false;
}

// The four digits a text begins with when they stand alone ("1999", "1999/04",
// "1999年"), else "".
QString yearOf(QStringView text) {
    if (text.size() < 4) return {};
    for (int i = 0; i < 4; ++i)
        if (text[i] < u'0' || text[i] > u'9') return {};
    if (text.size() > 4 && text[4] >= u'0' && text[4] <= u'9') return {};
    return text.left(4).toString();
}

// A date as the record files write it ("1954/04/26", "1954/04"), whichever way
// it was written ("1954/4/26", "1954-04-26", "1954年4月26日"); any other text as it is.
QString asFilesWriteIt(const QString& text) {
    const auto d = parseDateText(text);
    if (!d) return text;
    return d->day != 0 ? d->full() : d->yearMonth();
}

// A short mark that tells titles apart whose names code page 932 cannot hold:
// four hexadecimal digits made from the name as written, the same on every run.
QString markOf(const QString& written) {
    quint32 h = 2166136261u;  // 32-bit FNV-1a over the UTF-16 units
    for (QChar c : written) {
        h ^= c.unicode();
        h *= 16777619u;
    }
    return QStringLiteral("%1").arg((h >> 16) ^ (h & 0xFFFF), 4, 16, QLatin1Char('0')).toUpper();
}

// The title, its viewing and what the row says of the film, in this program's terms.
struct Row {
    int line = 0;
    QString name;
    QString year;     // the year a title of another film of the name is named after
    QString release;  // the year of the release date, when it is another
    Title given;
    QString watched;  // "YYYY/MM/DD", or as the own export holds it
    QString content;  // how it was seen; empty: the word the user gives
};

// The titles of each name in title order, as a chain through the title numbers.
class NameChains {
public:
    explicit NameChains(const TitleTable& titles) {
        ends_.reserve(size_t(titles.TitleCount()) * 2);
        next_.reserve(size_t(titles.TitleCount()) + 1);
        next_.push_back(0);
        for (int n = 1; n <= titles.TitleCount(); ++n) add(titles[n].Daimei, n);
    }
    void add(const QString& name, int n) {
        next_.resize(std::max<size_t>(next_.size(), size_t(n) + 1), 0);
        const auto [it, added] = ends_.try_emplace(name, std::pair{n, n});
        if (!added) {
            next_[size_t(it->second.second)] = n;
            it->second.second = n;
        }
    }
    // The title of the same name after title n, or 0.
    int next(int n) const { return size_t(n) < next_.size() ? next_[size_t(n)] : 0; }
    // The k-th title named name (1-based), or 0.
    int nth(const QString& name, int k = 1) const {
        const auto it = ends_.find(name);
        if (it == ends_.end()) return 0;
        int n = it->second.first;
        while (n != 0 && --k > 0) n = next_[size_t(n)];
        return n;
    }

private:
    StringMap<std::pair<int, int>> ends_;
    std::vector<int> next_;
};

struct ViewingKey {
    quint32 date, title, content;
    bool operator==(const ViewingKey&) const = default;
};
struct ViewingKeyHash {
    size_t operator()(const ViewingKey& k) const noexcept {
        return (size_t(k.date) * 0x9E3779B97F4A7C15ull) ^
               (size_t(k.title) * 0xC2B2AE3D27D4EB4Full) ^
               (size_t(k.content) * 0x165667B19E3779F9ull);
    }
};
ViewingKey keyOf(const Kansyou& k) {
    return {k.Kansyoubi.id(), k.KansyouDaimei.id(), k.KansyouNaiyou.id()};
}

class Planner {
public:
    Planner(const TitleTable& titles, const KansyouTable& history, const CsvFile& file,
            const ImportColumns& columns, const QString& word)
        : history_(history), file_(file), c_(columns), chains_(titles), word_(word) {
        p_.columns = columns;
        p_.encoding = file.encoding;
        p_.titles = titles;
        existing_ = titles.TitleCount();
        originalTitle_ = columns.originalTitle;
        filled_.assign(size_t(existing_) + 1, 0);
    }

    ImportPlan run() {
        const bool own = ImportFormats::isOwnExport(c_.format);
        for (const CsvRow& r : file_.rows) {
            if (r.unterminated) {
                skip(r.line, QStringLiteral("引用符が閉じていません。"));
                continue;
            }
            if (c_.format == ImportFormat::OwnHistory) {
                viewingOfOwnHistory(r);
                continue;
            }
            Row row;
            row.line = r.line;
            if (!(own ? ownTitleRow(r, &row) : foreignRow(r, &row))) continue;
            place(row, own);
        }
        addViewings();
        return std::move(p_);
    }

private:
    static QString cell(const CsvRow& r, int column) {
        return column >= 0 && column < r.fields.size() ? r.fields[column] : QString();
    }

    void skip(int line, const QString& why) { p_.skipped.append({line, why}); }
    void dropped(int line, const QString& field, const QString& value) {
        p_.changes.append({line, field, value, QString()});
    }

    // The text as the record files can hold it: no line break or other control
    // character, no double quote, nothing code page 932 lacks, and in titles of
    // other programs nothing a file name cannot hold (each made full-width).
    // *lost: some character became 〓, so that texts once different may be equal.
    static QString fitted(const QString& text, Fit kind, bool* lost = nullptr) {
        if (lost) *lost = false;
        bool plain = true;
        for (QChar c : text) {
            if (needsChange(c.unicode(), kind)) {
                plain = false;
                break;
            }
        }
        if (plain && Cp932::firstUnencodable(text).isEmpty()) return text;
        QString out;
        out.reserve(text.size());
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t u = text[i].unicode();
            if (!needsChange(u, kind)) {
                out += text[i];
            } else if (u == u'"' || (u > 0x20 && u < 0x7F)) {
                out += QChar(char16_t(u + 0xFEE0));  // the full-width form
            } else {
                if (u == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
                out += u' ';
            }
        }
        const QVector<Cp932::Replacement> parts = Cp932::unencodableParts(out);
        if (parts.isEmpty()) return out;
        if (lost)
            for (const Cp932::Replacement& part : parts)
                *lost = *lost || part.replacement.contains(kGeta);
        return Cp932::toCodePage932(out);
    }

    QString fit(const QString& text, int line, const QString& field, Fit kind) {
        const QString out = fitted(text, kind);
        if (out != text) p_.changes.append({line, field, text, out});
        return out;
    }

    QString fitWord() {
        if (!wordFitted_) {
            wordFitted_ = true;
            const QString word = word_.trimmed().isEmpty() ? kDefaultViewingWord : word_;
            p_.word = fit(word, 0, kNaiyou, Fit::Text);
        }
        return p_.word;
    }

    bool checkName(const Row& row) {
        if (row.name.isEmpty()) {
            skip(row.line, QStringLiteral("タイトルがありません。"));
            return false;
        }
        if (TitleName::tooLongForFileNames(row.name)) {
            skip(
                row.line,
                QStringLiteral("タイトル「%1」が長すぎて、ファイル名に使えません。")
                    .arg(nameInReason(row.name)));
            return false;
        }
        return true;
    }

    // This program's export: every value as it was written.
    bool ownTitleRow(const CsvRow& r, Row* row) {
        const int line = r.line;
        row->name = fit(cell(r, c_.title), line, kTitle, Fit::Text);
        if (!checkName(*row)) return false;
        Title& t = row->given;
        t.Kantoku = fit(cell(r, c_.kantoku), line, kKantoku, Fit::Text);
        t.Syuen = fit(cell(r, c_.syuen), line, kSyuen, Fit::Text);
        t.Koukai = asFilesWriteIt(fit(cell(r, c_.koukai), line, kKoukai, Fit::Text));
        t.Kuni = fit(cell(r, c_.kuni), line, kKuni, Fit::Text);
        t.Janru = fit(cell(r, c_.janru), line, kJanru, Fit::Text);
        t.Hyouka = fit(cell(r, c_.hyouka), line, kHyouka, Fit::Text);
        for (int k = 1; k <= kScoreItems; ++k) {
            const QString text = cell(r, c_.scores[k]).trimmed();
            int v = 0;
            if (parseNumberField(text, &v) && v >= -32768 && v <= 32767)
                t.HyoukaTen[k] = qint16(v);
            else
                dropped(line, file_.header.value(c_.scores[k]), text);
        }
        for (int k = 1; k <= kOwnershipItems; ++k)
            t.Syoyu[k] =
                fit(cell(r, c_.syoyu[k]), line, file_.header.value(c_.syoyu[k]), Fit::Text);
        row->year = yearOf(t.Koukai);
        return true;
    }

    QString attribute(const CsvRow& r, int column, const QString& field, bool list = false) {
        QString v = cell(r, column).trimmed();
        if (list) v = v.section(u',', 0, 0).trimmed();
        return fit(v, r.line, field, Fit::Text);
    }

    // A release date as the card keeps it ("1999/04/01", "1999/04"), or the year
    // alone when that is all there is.
    QString release(const CsvRow& r) {
        QString text = cell(r, c_.koukai).trimmed();
        if (text.isEmpty()) text = cell(r, c_.year).trimmed();
        if (text.isEmpty()) return {};
        if (const QString y = yearOf(text);
            !y.isEmpty() && (text.size() == 4 || text == y + QStringLiteral("年")))
            return y;
        if (const auto d = parseDateText(text)) return d->day != 0 ? d->full() : d->yearMonth();
        dropped(r.line, kKoukai, text);
        return {};
    }

    // A service's rating as the overall score (item 1, 1..100): step the rating
    // takes times factor, within [low, high].
    qint16 score(const CsvRow& r, double low, double high, double factor) {
        const QString text = cell(r, c_.rating).trimmed();
        if (text.isEmpty()) return 0;
        bool ok = false;
        const double v = text.toDouble(&ok);
        if (ok && v >= low && v <= high) return qint16(std::lround(v * factor));
        dropped(r.line, file_.header.value(c_.rating), text);
        return 0;
    }

    // The name of another program's title. Where code page 932 cannot hold it,
    // names once different could become one: the export's original title is
    // taken if the code page holds that, else the name gets the mark of what was
    // written, and a mark that two names of the file share gets a number too.
    QString titleOf(const CsvRow& r) {
        const QString written = cell(r, c_.title).trimmed();
        bool lost = false;
        QString name = fitted(written, Fit::Title, &lost);
        if (lost) {
            const QString original = cell(r, originalTitle_).trimmed();
            bool originalLost = true;
            const QString o =
                original.isEmpty() ? QString() : fitted(original, Fit::Title, &originalLost);
            if (!originalLost) {
                name = o;
            } else {
                ++p_.titlesMarked;
                const QString marked = name + QStringLiteral(" #") + markOf(written);
                name = marked;
                for (int k = 2;; ++k) {
                    const auto [it, added] = markedFrom_.try_emplace(name, written);
                    if (added || it->second == written) break;
                    name = marked + QStringLiteral(" %1").arg(k);
                }
            }
        }
        if (name != written) p_.changes.append({r.line, kTitle, written, name});
        return name;
    }

    // Another program's row: what it gives, in the forms the card keeps.
    bool foreignRow(const CsvRow& r, Row* row) {
        const int line = r.line;
        row->name = titleOf(r);
        if (!checkName(*row)) return false;
        Title& t = row->given;
        t.Kantoku = attribute(r, c_.kantoku, kKantoku, c_.firstOfLists);
        t.Syuen = attribute(r, c_.syuen, kSyuen);
        t.Kuni = attribute(r, c_.kuni, kKuni);
        t.Janru = attribute(r, c_.janru, kJanru, c_.firstOfLists);
        if (const QString mark = cell(r, c_.hyouka).trimmed(); !mark.isEmpty()) {
            if (mark == u"◎" || mark == u"○" || mark == u"△")
                t.Hyouka = mark;
            else
                dropped(line, kHyouka, mark);
        }
        t.Koukai = release(r);
        row->year = yearOf(cell(r, c_.year).trimmed());
        row->release = yearOf(t.Koukai);
        if (row->year.isEmpty()) row->year = row->release;
        if (c_.format == ImportFormat::FilmDatabase)
            t.HyoukaTen[1] = score(r, 1, 10, 10);
        else if (c_.rating >= 0)
            t.HyoukaTen[1] = score(r, 0.5, 5, 20);
        if (const QString d = cell(r, c_.watched).trimmed(); !d.isEmpty()) {
            const auto date = parseDateText(d);
            if (date && date->day != 0)
                row->watched = date->full();
            else
                dropped(line, kKansyoubi, d);
        }
        const QString tag = cell(r, c_.tags).section(u',', 0, 0).trimmed();
        row->content = fit(tag, line, kNaiyou, Fit::Text);
        return true;
    }

    // This program's history export: each row a viewing, as it was written but
    // for the form of its date. A title the collection lacks is added, as a
    // diary's would be, so that no viewing names a title that is not there.
    void viewingOfOwnHistory(const CsvRow& r) {
        Row row;
        row.line = r.line;
        row.name = fit(cell(r, c_.title), r.line, kTitle, Fit::Text);
        if (chains_.nth(row.name) == 0) {
            if (!checkName(row)) return;
            Title t;
            t.Daimei = row.name;
            if (!addTitle(std::move(t))) return;
        }
        pending_.append({asFilesWriteIt(fit(cell(r, c_.watched), r.line, kKansyoubi, Fit::Text)),
                         row.name, fit(cell(r, c_.naiyou), r.line, kNaiyou, Fit::Text)});
    }

    // Adds a title as new; false when the collection is full.
    bool addTitle(Title t) {
        if (p_.titles.TitleCount() >= kMaxRecords) {
            ++p_.titlesOverLimit;
            return false;
        }
        p_.newTitles << t.Daimei;
        const QString name = t.Daimei;
        p_.titles.append(std::move(t));
        chains_.add(name, p_.titles.TitleCount());
        return true;
    }

    // A title is the film of a row unless both tell a year and none of the row's
    // years is within one of the title's: a production year and a release in
    // Japan (or a re-release) a year later name the same film.
    bool sameFilm(int n, const Row& row) const {
        const QString theirs = yearOf(p_.titles[n].Koukai);
        if (theirs.isEmpty() || (row.year.isEmpty() && row.release.isEmpty())) return true;
        const int y = theirs.toInt();
        for (const QString& mine : {row.year, row.release})
            if (!mine.isEmpty() && std::abs(mine.toInt() - y) <= 1) return true;
        return false;
    }

    // The first title named name that is the row's film; 0 when none is named
    // so, -1 when those named so are other films.
    int titleFor(const QString& name, const Row& row) const {
        const int first = chains_.nth(name);
        for (int n = first; n != 0; n = chains_.next(n))
            if (sameFilm(n, row)) return n;
        return first == 0 ? 0 : -1;
    }

    // Matches the row with its title, or adds one, and notes its viewing.
    void place(Row& row, bool own) {
        // The own export may name a title more than once, as an old file could:
        // its k-th row of a name stands for the k-th title of that name.
        int n = own ? chains_.nth(row.name, ++occurrences_[row.name]) : titleFor(row.name, row);
        if (own && n != 0 && !sameFilm(n, row)) n = -1;
        QString name = row.name;
        if (n < 0) {
            name = row.name + QStringLiteral(" (%1)").arg(row.year);
            if (TitleName::tooLongForFileNames(name)) {
                skip(
                    row.line,
                    QStringLiteral("タイトル「%1」が長すぎて、ファイル名に使えません。")
                        .arg(nameInReason(name)));
                return;
            }
            n = titleFor(name, row);
            if (n < 0) {
                skip(row.line,
                     QStringLiteral("「%1」と「%2」に、公開年の違うタイトルがすでにあります。")
                         .arg(row.name, name));
                return;
            }
        }
        if (n == 0) {
            Title t = row.given;
            t.Daimei = name;
            if (!addTitle(std::move(t))) return;
        } else {
            const bool changed = fill(&p_.titles[n], row.given);
            if (changed && n <= existing_ && !std::exchange(filled_[size_t(n)], 1))
                p_.filledTitles << name;
            if (!changed && row.watched.isEmpty()) ++p_.unchangedRows;
        }
        if (row.watched.isEmpty()) return;
        QString content = row.content;
        if (content.isEmpty()) {
            content = fitWord();
            p_.usesWord = true;
        }
        pending_.append({row.watched, name, content});
    }

    // Only what is empty or 0 takes the row's value.
    static bool fill(Title* t, const Title& given) {
        bool changed = false;
        const auto take = [&](auto& field, const auto& value) {
            if (field.isEmpty() && !value.isEmpty()) {
                field = value;
                changed = true;
            }
        };
        take(t->Kantoku, given.Kantoku);
        take(t->Syuen, given.Syuen);
        take(t->Koukai, given.Koukai);
        take(t->Kuni, given.Kuni);
        take(t->Janru, given.Janru);
        take(t->Hyouka, given.Hyouka);
        for (int k = 1; k <= kScoreItems; ++k) {
            if (t->HyoukaTen[k] == 0 && given.HyoukaTen[k] != 0) {
                t->HyoukaTen[k] = given.HyoukaTen[k];
                changed = true;
            }
        }
        for (int k = 1; k <= kOwnershipItems; ++k) take(t->Syoyu[k], given.Syoyu[k]);
        return changed;
    }

    // The viewings not yet in the history join it in date order, each after every
    // record of its own date, as a viewing entered on the card would.
    void addViewings() {
        std::unordered_map<ViewingKey, int, ViewingKeyHash> there;
        there.reserve(size_t(history_.KansyouCount()));
        for (const Kansyou& k : history_.records()) ++there[keyOf(k)];
        QVector<Kansyou> added;
        added.reserve(pending_.size());
        for (const Kansyou& k : std::as_const(pending_)) {
            const auto it = there.find(keyOf(k));
            if (it != there.end() && it->second > 0) {
                --it->second;
                ++p_.viewingsThere;
                continue;
            }
            if (history_.KansyouCount() + added.size() >= kMaxRecords) {
                ++p_.viewingsOverLimit;
                continue;
            }
            added.append(k);
        }
        p_.viewingsAdded = int(added.size());
        // This program's history export into an empty history is taken in its own
        // order, so that it gives back the file it was made from.
        const bool asWritten =
            c_.format == ImportFormat::OwnHistory && history_.KansyouCount() == 0;
        if (!asWritten)
            std::stable_sort(added.begin(), added.end(), [](const Kansyou& a, const Kansyou& b) {
                return a.Kansyoubi.text() < b.Kansyoubi.text();
            });
        const QVector<Kansyou>& old = history_.records();
        QVector<Kansyou>& out = p_.history;
        out.reserve(old.size() + added.size());
        qsizetype i = 0;
        for (const Kansyou& k : std::as_const(added)) {
            while (!asWritten && i < old.size() && old[i].Kansyoubi.text() <= k.Kansyoubi.text())
                out.append(old[i++]);
            out.append(k);
        }
        while (i < old.size()) out.append(old[i++]);
    }

    const KansyouTable& history_;
    const CsvFile& file_;
    const ImportColumns& c_;
    NameChains chains_;
    QString word_;
    bool wordFitted_ = false;
    int existing_ = 0;
    std::vector<char> filled_;  // by title number: listed among the filled titles
    StringMap<int> occurrences_;
    int originalTitle_ = -1;         // the database's title in its own language
    StringMap<QString> markedFrom_;  // a marked name and the title written that gave it
    QVector<Kansyou> pending_;
    ImportPlan p_;
};
}  // namespace

ImportPlan plan(const TitleTable& titles, const KansyouTable& history, const CsvFile& file,
                const ImportColumns& columns, const QString& word) {
    return Planner(titles, history, file, columns, word).run();
}

}  // namespace ImportPlanner
