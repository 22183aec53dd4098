#include "fill_plan.h"

#include "store/catalogue.h"
#include "store/changes.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

namespace {
// The names of a title's free texts and pictures, as the card writes them.
QString castFile(const QString& title) { return QStringLiteral("キャスト_%1.txt").arg(title); }
QString arasujiFile(const QString& title) { return QStringLiteral("あらすじ_%1.txt").arg(title); }
const char* const kPictureExtensions[] = {".jpg", ".gif", ".bmp"};

int yearOf(const QString& koukai) {
    if (koukai.size() < 4) return 0;
    bool ok = false;
    const int year = koukai.left(4).toInt(&ok);
    return ok && year >= 1800 && (koukai.size() == 4 || !koukai[4].isDigit()) ? year : 0;
}

// Empty when the file is missing or holds only blanks.
bool freeTextEmpty(Catalogue& c, const QString& name) {
    if (!c.dir().exists(name)) return true;
    QString text;
    if (!c.readFreeText(name, &text).isEmpty()) return false;  // unreadable: not ours to fill
    return text.trimmed().isEmpty();
}

bool hasPicture(Catalogue& c, const QString& title) {
    for (const char* ext : kPictureExtensions)
        if (c.dir().exists(title + QLatin1String(ext))) return true;
    return false;
}
}  // namespace

FillNeed fillNeedOf(Catalogue& c, int n) {
    const Title& t = c.titles()[n];
    FillNeed need;
    need.name = t.Daimei;
    need.year = yearOf(t.Koukai);
    need.Kantoku = t.Kantoku.text().isEmpty();
    need.Syuen = t.Syuen.text().isEmpty();
    need.Koukai = t.Koukai.isEmpty();
    need.Kuni = t.Kuni.text().isEmpty();
    need.Janru = t.Janru.text().isEmpty();
    need.Cast = freeTextEmpty(c, castFile(t.Daimei));
    need.Arasuji = freeTextEmpty(c, arasujiFile(t.Daimei));
    need.Poster = !hasPicture(c, t.Daimei);
    return need;
}

QVector<FillNeed> titlesToFill(Catalogue& c) {
    c.dir().rescanIfChanged();
    QVector<FillNeed> out;
    for (int n = 1; n <= c.TitleCount(); ++n)
        if (FillNeed need = fillNeedOf(c, n); need.any()) out.append(std::move(need));
    return out;
}

PickLists pickListsOf(Catalogue& c) {
    PickLists lists;
    lists.Kuni = c.pickList(PickList::Kuni)->stringList();
    lists.Janru = c.pickList(PickList::Janru)->stringList();
    return lists;
}

QVector<std::pair<QString, QString>> FillProposal::writes() const {
    QVector<std::pair<QString, QString>> w;
    const auto add = [&](bool wanted, const char* field, const QString& value) {
        if (wanted && !value.isEmpty()) w.append({QString::fromUtf8(field), value});
    };
    add(need.Kantoku, "監督", fields.Kantoku);
    add(need.Syuen, "主演", fields.Syuen);
    add(need.Koukai, "公開日", fields.Koukai);
    add(need.Kuni, "国", fields.Kuni);
    add(need.Janru, "ジャンル", fields.Janru);
    add(need.Cast, "キャスト", fields.Cast);
    add(need.Arasuji, "あらすじ", fields.Arasuji);
    if (need.Poster && !poster.isEmpty())
        w.append({QStringLiteral("ポスター"), QStringLiteral("あり")});
    return w;
}

FillProposal proposeFill(const FillNeed& need, const Film& film, const PickLists& lists,
                         const QByteArray& posterBytes) {
    FillProposal p;
    p.need = need;
    p.fields = proposeFields(film, lists);
    if (need.Poster && !posterBytes.isEmpty()) p.poster = posterAsJpeg(posterBytes);
    p.source = film.source;
    p.id = film.id;
    return p;
}

std::unique_ptr<Change> fillStep(Catalogue& c, const QVector<FillProposal>& proposals,
                                 QString* problem) {
    c.dir().rescanIfChanged();
    QVector<Changes::TitleChange> edits;
    std::vector<std::unique_ptr<Change>> files;
    int titles = 0;
    for (const FillProposal& p : proposals) {
        const int n = c.titles().find(p.need.name);
        if (n == 0) continue;  // gone since the lookup: nothing of it to fill
        // What is empty now, not when the lookup began.
        FillNeed now = fillNeedOf(c, n);
        now.Kantoku &= p.need.Kantoku;
        now.Syuen &= p.need.Syuen;
        now.Koukai &= p.need.Koukai;
        now.Kuni &= p.need.Kuni;
        now.Janru &= p.need.Janru;
        now.Cast &= p.need.Cast;
        now.Arasuji &= p.need.Arasuji;
        now.Poster &= p.need.Poster;
        const Title& before = c.titles()[n];
        Title after = before;
        if (now.Kantoku && !p.fields.Kantoku.isEmpty()) after.Kantoku = p.fields.Kantoku;
        if (now.Syuen && !p.fields.Syuen.isEmpty()) after.Syuen = p.fields.Syuen;
        if (now.Koukai && !p.fields.Koukai.isEmpty()) after.Koukai = p.fields.Koukai;
        if (now.Kuni && !p.fields.Kuni.isEmpty()) after.Kuni = p.fields.Kuni;
        if (now.Janru && !p.fields.Janru.isEmpty()) after.Janru = p.fields.Janru;
        const size_t filesBefore = files.size();
        for (const auto& [wanted, name, text] :
             {std::tuple{now.Cast, castFile(before.Daimei), p.fields.Cast},
              {now.Arasuji, arasujiFile(before.Daimei), p.fields.Arasuji}}) {
            if (!wanted || text.isEmpty()) continue;
            QString was;
            if (c.dir().exists(name))
                if (QString why = c.readFreeText(name, &was); !why.isEmpty()) {
                    *problem = why;
                    return nullptr;
                }
            files.push_back(Changes::saveFreeText(name, was, text, before.Daimei));
        }
        if (now.Poster && !p.poster.isEmpty())
            files.push_back(Changes::setPicture(before.Daimei + QStringLiteral(".jpg"), p.poster,
                                                before.Daimei));
        const bool edited = !(after == before);
        if (edited) edits.append({n, before, after});
        if (edited || files.size() > filesBefore) ++titles;
    }
    if (titles == 0) return nullptr;
    std::vector<std::unique_ptr<Change>> parts;
    if (!edits.isEmpty()) parts.push_back(Changes::editTitles(std::move(edits)));
    for (auto& f : files) parts.push_back(std::move(f));
    return Changes::fillTitles(titles, std::move(parts));
}

QByteArray posterAsJpeg(const QByteArray& bytes) {
    if (bytes.startsWith("\xFF\xD8\xFF")) return bytes;
    QBuffer in;
    in.setData(bytes);
    QImageReader reader(&in);
    const QImage image = reader.read();
    if (image.isNull()) return {};
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);  // a transparent part shows white, as on paper
    {
        QPainter p(&flat);
        p.drawImage(0, 0, image);
    }
    QImageWriter(&out, "JPG").write(flat);
    return out.data();
}
