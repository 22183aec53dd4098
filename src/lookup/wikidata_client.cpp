#include "wikidata_client.h"

#include <QRegularExpression>

namespace {
const QString kSource = QStringLiteral("wikidata");
const QString kDirector = QStringLiteral("P57");
const QString kCastMember = QStringLiteral("P161");
const QString kPublished = QStringLiteral("P577");
const QString kCountry = QStringLiteral("P495");
const QString kGenre = QStringLiteral("P136");
const QString kImdb = QStringLiteral("P345");
const QString kInstanceOf = QStringLiteral("P31");
const QString kTitle = QStringLiteral("P1476");
const QString kRoleItem = QStringLiteral("P453");   // qualifier: character role
const QString kRoleName = QStringLiteral("P4633");  // qualifier: name of the character role

using Need = JsonShape::Need;

QString at(const QString& where, qsizetype i) { return QStringLiteral("%1[%2]").arg(where).arg(i); }

struct Statement {
    QJsonObject snak;
    QJsonObject qualifiers;
    bool preferred = false;
    QString where;
};

// The statements of a property that are not deprecated, in the item's order.
QVector<Statement> statementsOf(const QJsonObject& claims, const QString& property,
                                JsonShape& shape) {
    QVector<Statement> out;
    const QString where = jsonPath(QStringLiteral("claims"), property);
    const QJsonArray list = shape.array(claims, property, QStringLiteral("claims"), Need::Optional);
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QString w = at(where, i);
        const QJsonObject s = shape.object(list[i], w);
        const QString rank = shape.text(s, QStringLiteral("rank"), w, Need::Optional);
        if (rank == QLatin1String("deprecated")) continue;
        out.append({shape.object(s, QStringLiteral("mainsnak"), w),
                    shape.object(s, QStringLiteral("qualifiers"), w, Need::Optional),
                    rank == QLatin1String("preferred"), jsonPath(w, QStringLiteral("mainsnak"))});
    }
    return out;
}

// The value of a snak; undefined for "some value" and "no value".
QJsonValue valueOf(const QJsonObject& snak, const QString& where, JsonShape& shape) {
    if (shape.text(snak, QStringLiteral("snaktype"), where) != QLatin1String("value"))
        return QJsonValue(QJsonValue::Undefined);
    const QJsonObject data = shape.object(snak, QStringLiteral("datavalue"), where);
    const QJsonValue v = data.value(QStringLiteral("value"));
    if (v.isUndefined() || v.isNull()) {
        shape.fault(QStringLiteral("%1.datavalue.value がありません").arg(where));
        return QJsonValue(QJsonValue::Undefined);
    }
    return v;
}

QString itemOf(const QJsonObject& snak, const QString& where, JsonShape& shape) {
    const QJsonValue v = valueOf(snak, where, shape);
    if (v.isUndefined()) return {};
    const QString w = jsonPath(where, QStringLiteral("datavalue.value"));
    return shape.text(shape.object(v, w), QStringLiteral("id"), w);
}

QStringList itemsOf(const QJsonObject& claims, const QString& property, JsonShape& shape) {
    QStringList ids;
    for (const Statement& s : statementsOf(claims, property, shape))
        if (QString id = itemOf(s.snak, s.where, shape); !id.isEmpty()) ids.append(id);
    return ids;
}

QString stringOf(const QJsonObject& snak, const QString& where, JsonShape& shape) {
    const QJsonValue v = valueOf(snak, where, shape);
    if (v.isUndefined()) return {};
    if (!v.isString())
        shape.fault(QStringLiteral("%1.datavalue.value が文字列ではありません").arg(where));
    return v.toString();
}

// A time value at its precision: 9 the year, 10 the month, 11 the day. Coarser
// ones (a decade) and dates before the common era say nothing useful here.
ReleaseDate dateOf(const QJsonObject& snak, const QString& where, JsonShape& shape) {
    const QJsonValue v = valueOf(snak, where, shape);
    if (v.isUndefined()) return {};
    const QString w = jsonPath(where, QStringLiteral("datavalue.value"));
    const QJsonObject t = shape.object(v, w);
    const QString time = shape.text(t, QStringLiteral("time"), w);
    const qint64 precision = shape.integer(t, QStringLiteral("precision"), w);
    if (!shape.ok()) return {};
    static const QRegularExpression form(QStringLiteral("^([+-])(\\d{1,16})-(\\d{2})-(\\d{2})T"));
    const QRegularExpressionMatch m = form.match(time);
    if (!m.hasMatch()) {
        shape.fault(QStringLiteral("%1.time が日時ではありません").arg(w));
        return {};
    }
    const qint64 year = m.captured(2).toLongLong();
    if (m.captured(1) == u'-' || year < 1 || year > 9999 || precision < 9) return {};
    ReleaseDate d{int(year), 0, 0};
    if (precision >= 10) d.month = m.captured(3).toInt();
    if (precision >= 11) d.day = m.captured(4).toInt();
    if (d.month < 1 || d.month > 12) d.month = d.day = 0;
    return d;
}

bool earlier(const ReleaseDate& a, const ReleaseDate& b) {
    return std::tie(a.year, a.month, a.day) < std::tie(b.year, b.month, b.day);
}

// The first publication: among the preferred statements where there are some.
ReleaseDate releaseOf(const QJsonObject& claims, JsonShape& shape) {
    const QVector<Statement> all = statementsOf(claims, kPublished, shape);
    const bool anyPreferred =
        std::any_of(all.begin(), all.end(), [](auto& s) { return s.preferred; });
    ReleaseDate best;
    for (const Statement& s : all) {
        if (anyPreferred && !s.preferred) continue;
        const ReleaseDate d = dateOf(s.snak, s.where, shape);
        if (d.known() && (!best.known() || earlier(d, best))) best = d;
    }
    return best;
}

// The Japanese label, else the English one.
QString labelOf(const QJsonObject& entity, const QString& where, JsonShape& shape) {
    const QJsonObject labels =
        shape.object(entity, QStringLiteral("labels"), where, Need::Optional);
    for (const char* language : {"ja", "en"}) {
        const QString lang = QLatin1String(language);
        const QJsonObject l =
            shape.object(labels, lang, jsonPath(where, QStringLiteral("labels")), Need::Optional);
        if (l.isEmpty()) continue;
        const QString v = shape.text(l, QStringLiteral("value"),
                                     jsonPath(where, QStringLiteral("labels.") + lang));
        if (!v.isEmpty()) return v;
    }
    return {};
}

QString englishLabelOf(const QJsonObject& entity) {
    return entity.value(QStringLiteral("labels"))
        .toObject()
        .value(QStringLiteral("en"))
        .toObject()
        .value(QStringLiteral("value"))
        .toString();
}

bool isFilm(const QJsonObject& claims, JsonShape& shape) {
    for (const QString& c : itemsOf(claims, kInstanceOf, shape))
        if (WikidataClient::filmClasses().contains(c)) return true;
    return false;
}

// The original title (P1476), else the English label.
QString originalTitleOf(const QJsonObject& entity, const QJsonObject& claims, JsonShape& shape) {
    for (const Statement& s : statementsOf(claims, kTitle, shape)) {
        const QJsonValue v = valueOf(s.snak, s.where, shape);
        if (v.isUndefined()) continue;
        const QString w = jsonPath(s.where, QStringLiteral("datavalue.value"));
        return shape.text(shape.object(v, w), QStringLiteral("text"), w);
    }
    return englishLabelOf(entity);
}

QVector<Statement> castOf(const QJsonObject& claims, JsonShape& shape) {
    return statementsOf(claims, kCastMember, shape);
}

// The character a cast statement names: its name (P4633), else the label of
// its role item (P453), looked up through labels.
QString roleOf(const Statement& s, const QHash<QString, QString>& labels, JsonShape& shape) {
    const QString q = jsonPath(s.where, QStringLiteral("qualifiers"));
    for (const QString& p : {kRoleName, kRoleItem}) {
        const QJsonArray snaks = shape.array(s.qualifiers, p, q, Need::Optional);
        for (qsizetype i = 0; i < snaks.size(); ++i) {
            const QString w = at(jsonPath(q, p), i);
            const QJsonObject snak = shape.object(snaks[i], w);
            const QString v =
                p == kRoleName ? stringOf(snak, w, shape) : labels.value(itemOf(snak, w, shape));
            if (!v.isEmpty()) return v;
        }
    }
    return {};
}

QStringList roleItemsOf(const Statement& s, JsonShape& shape) {
    QStringList ids;
    const QString q = jsonPath(s.where, QStringLiteral("qualifiers"));
    const QJsonArray snaks = shape.array(s.qualifiers, kRoleItem, q, Need::Optional);
    for (qsizetype i = 0; i < snaks.size(); ++i) {
        const QString w = at(jsonPath(q, kRoleItem), i);
        if (QString id = itemOf(shape.object(snaks[i], w), w, shape); !id.isEmpty()) ids.append(id);
    }
    return ids;
}

QStringList namesOf(const QStringList& ids, const QHash<QString, QString>& labels) {
    QStringList names;
    for (const QString& id : ids)
        if (const QString n = labels.value(id); !n.isEmpty() && !names.contains(n)) names.append(n);
    return names;
}

LookupError apiError(const QJsonObject& root) {
    const QJsonObject e = root.value(QStringLiteral("error")).toObject();
    const QString code = e.value(QStringLiteral("code")).toString();
    if (code == QLatin1String("no-such-entity")) return LookupError::notFound();
    return LookupError::make(LookupError::Kind::Refused,
                             QStringLiteral("Wikidataが要求を受け付けませんでした（%1）。")
                                 .arg(e.value(QStringLiteral("info")).toString()));
}
}  // namespace

const QSet<QString>& WikidataClient::filmClasses() {
    static const QSet<QString> classes{
        QStringLiteral("Q11424"),   // film
        QStringLiteral("Q24869"),   // feature film
        QStringLiteral("Q202866"),  // animated film
        QStringLiteral("Q506240"),  // television film
        QStringLiteral("Q229390"),  // 3D film
        QStringLiteral("Q93204"),   // documentary film
        QStringLiteral("Q24862"),   // short film
        QStringLiteral("Q226730"),  // silent film
    };
    return classes;
}

WikidataClient::WikidataClient(LookupNetwork& network, const LookupAddresses& addresses,
                               QObject* parent)
    : FilmSource(network, parent), addresses_(addresses) {}

void WikidataClient::askEntities(const QStringList& ids, const QString& props,
                                 std::function<void(const QJsonObject&)> take) {
    QUrlQuery q;
    q.addQueryItem(QStringLiteral("action"), QStringLiteral("wbgetentities"));
    q.addQueryItem(QStringLiteral("ids"), ids.join(u'|'));
    q.addQueryItem(QStringLiteral("props"), props);
    q.addQueryItem(QStringLiteral("languages"), QStringLiteral("ja|en"));
    q.addQueryItem(QStringLiteral("format"), QStringLiteral("json"));
    QUrl url = addresses_.wikidataApi;
    url.setQuery(q);
    http_->get(QNetworkRequest(url), HttpFetch::Body::Json, url,
               [this, take = std::move(take)](const HttpOutcome& o) {
                   if (o.error.failed()) return emit failed(o.error);
                   if (!o.json.isObject())
                       return emit failed(LookupError::badShape(
                           QStringLiteral("応答がオブジェクトではありません")));
                   const QJsonObject root = o.json.object();
                   if (root.contains(QStringLiteral("error"))) return emit failed(apiError(root));
                   take(root);
               });
}

QJsonObject WikidataClient::entityOf(const QJsonObject& root, const QString& id,
                                     JsonShape& shape) const {
    const QJsonObject entities = shape.object(root, QStringLiteral("entities"), QString());
    return shape.object(entities, id, QStringLiteral("entities"), Need::Optional);
}

void WikidataClient::search(const QString& text, int year) {
    cancel();
    text_ = text.trimmed();
    year_ = year;
    searchIn(QStringLiteral("ja"));
}

void WikidataClient::searchIn(const QString& language) {
    language_ = language;
    QUrlQuery q;
    q.addQueryItem(QStringLiteral("action"), QStringLiteral("wbsearchentities"));
    q.addQueryItem(QStringLiteral("search"), text_);
    q.addQueryItem(QStringLiteral("language"), language);
    q.addQueryItem(QStringLiteral("uselang"), QStringLiteral("ja"));
    q.addQueryItem(QStringLiteral("type"), QStringLiteral("item"));
    q.addQueryItem(QStringLiteral("limit"), QStringLiteral("20"));
    q.addQueryItem(QStringLiteral("format"), QStringLiteral("json"));
    QUrl url = addresses_.wikidataApi;
    url.setQuery(q);
    http_->get(QNetworkRequest(url), HttpFetch::Body::Json, url, [this](const HttpOutcome& o) {
        if (o.error.failed()) return emit failed(o.error);
        if (!o.json.isObject())
            return emit failed(
                LookupError::badShape(QStringLiteral("応答がオブジェクトではありません")));
        const QJsonObject root = o.json.object();
        if (root.contains(QStringLiteral("error"))) return emit failed(apiError(root));
        takeSearch(root);
    });
}

void WikidataClient::takeSearch(const QJsonObject& root) {
    JsonShape shape;
    const QJsonArray hits = shape.array(root, QStringLiteral("search"), QString());
    found_.clear();
    for (qsizetype i = 0; i < hits.size() && found_.size() < kIdsPerCall; ++i) {
        const QString w = at(QStringLiteral("search"), i);
        found_.append(shape.text(shape.object(hits[i], w), QStringLiteral("id"), w));
    }
    if (!shape.ok()) return emit failed(LookupError::badShape(shape.problem()));
    if (found_.isEmpty()) {
        if (language_ == QLatin1String("ja")) return searchIn(QStringLiteral("en"));
        return emit candidatesFound({});
    }
    askEntities(found_, QStringLiteral("claims|labels"),
                [this](const QJsonObject& r) { takeCandidates(r); });
}

void WikidataClient::takeCandidates(const QJsonObject& root) {
    JsonShape shape;
    candidates_.clear();
    directorIds_.clear();
    for (const QString& id : std::as_const(found_)) {
        const QJsonObject e = entityOf(root, id, shape);
        const QString where = jsonPath(QStringLiteral("entities"), id);
        const QJsonObject claims = shape.object(e, QStringLiteral("claims"), where, Need::Optional);
        if (!isFilm(claims, shape)) continue;
        Candidate c;
        c.source = kSource;
        c.id = id;
        c.title = labelOf(e, where, shape);
        c.originalTitle = originalTitleOf(e, claims, shape);
        c.year = releaseOf(claims, shape).year;
        // A year at most one apart: release years differ between countries.
        if (year_ > 0 && c.year > 0 && qAbs(c.year - year_) > 1) continue;
        candidates_.append(c);
        directorIds_.append(itemsOf(claims, kDirector, shape).value(0));
    }
    if (!shape.ok()) return emit failed(LookupError::badShape(shape.problem()));
    if (candidates_.isEmpty() && language_ == QLatin1String("ja"))
        return searchIn(QStringLiteral("en"));
    QStringList wanted;
    for (const QString& d : std::as_const(directorIds_))
        if (!d.isEmpty() && !wanted.contains(d)) wanted.append(d);
    labels_.clear();
    fetchLabels(wanted, [this] { emitCandidates(); });
}

void WikidataClient::emitCandidates() {
    for (qsizetype i = 0; i < candidates_.size(); ++i)
        candidates_[i].director = labels_.value(directorIds_[i]);
    emit candidatesFound(candidates_);
}

void WikidataClient::fetchLabels(QStringList ids, std::function<void()> next) {
    fetchInBatches(
        std::move(ids), QStringLiteral("labels"),
        [this](const QString& id, const QJsonObject& e, JsonShape& shape) {
            const QString l = labelOf(e, jsonPath(QStringLiteral("entities"), id), shape);
            if (!l.isEmpty()) labels_.insert(id, l);
        },
        std::move(next));
}

void WikidataClient::fetchInBatches(QStringList ids, const QString& props, Keep keep,
                                    std::function<void()> next) {
    if (ids.isEmpty()) return next();
    const QStringList batch = ids.mid(0, kIdsPerCall);
    ids.remove(0, batch.size());
    askEntities(batch, props,
                [this, batch, ids, props, keep = std::move(keep),
                 next = std::move(next)](const QJsonObject& root) {
                    JsonShape shape;
                    for (const QString& id : batch) keep(id, entityOf(root, id, shape), shape);
                    if (!shape.ok()) return emit failed(LookupError::badShape(shape.problem()));
                    fetchInBatches(ids, props, keep, next);
                });
}

bool WikidataClient::isItemId(const QString& id) {
    static const QRegularExpression form(QStringLiteral("^Q[1-9]\\d{0,11}$"));
    return form.match(id).hasMatch();
}

void WikidataClient::fetchFilm(const QString& id) {
    cancel();
    if (!isItemId(id)) {
        failSoon(LookupError::make(LookupError::Kind::BadRequest,
                                   QStringLiteral("「%1」はWikidataのIDではありません。").arg(id)));
        return;
    }
    filmId_ = id;
    askEntities({id}, QStringLiteral("claims|labels"),
                [this](const QJsonObject& r) { takeFilm(r); });
}

void WikidataClient::takeFilm(const QJsonObject& root) {
    JsonShape shape;
    entity_ = entityOf(root, filmId_, shape);
    if (shape.ok() && (entity_.isEmpty() || entity_.contains(QStringLiteral("missing"))))
        return emit failed(LookupError::notFound());
    const QString where = jsonPath(QStringLiteral("entities"), filmId_);
    const QJsonObject claims =
        shape.object(entity_, QStringLiteral("claims"), where, Need::Optional);
    QStringList wanted;
    for (const QString& p : {kDirector, kCastMember, kCountry, kGenre})
        wanted += itemsOf(claims, p, shape);
    for (const Statement& s : castOf(claims, shape)) wanted += roleItemsOf(s, shape);
    if (!shape.ok()) return emit failed(LookupError::badShape(shape.problem()));
    wanted.removeDuplicates();
    labels_.clear();
    fetchLabels(wanted, [this] { emitFilm(); });
}

void WikidataClient::emitFilm() {
    JsonShape shape;
    const QString where = jsonPath(QStringLiteral("entities"), filmId_);
    const QJsonObject claims =
        shape.object(entity_, QStringLiteral("claims"), where, Need::Optional);
    Film f;
    f.source = kSource;
    f.id = filmId_;
    f.wikidataId = filmId_;
    f.title = labelOf(entity_, where, shape);
    f.originalTitle = originalTitleOf(entity_, claims, shape);
    f.releaseDate = releaseOf(claims, shape);
    f.directors = namesOf(itemsOf(claims, kDirector, shape), labels_);
    for (const Statement& s : castOf(claims, shape)) {
        const QString name = labels_.value(itemOf(s.snak, s.where, shape));
        if (!name.isEmpty()) f.cast.append({name, roleOf(s, labels_, shape)});
    }
    f.countries = namesOf(itemsOf(claims, kCountry, shape), labels_);
    f.genres = namesOf(itemsOf(claims, kGenre, shape), labels_);
    for (const Statement& s : statementsOf(claims, kImdb, shape)) {
        f.imdbId = stringOf(s.snak, s.where, shape);
        if (!f.imdbId.isEmpty()) break;
    }
    if (!shape.ok()) return emit failed(LookupError::badShape(shape.problem()));
    emit filmFetched(f);
}

void WikidataClient::fetchNamedItems(const QString& filmId) {
    cancel();
    if (!isItemId(filmId)) {
        failSoon(
            LookupError::make(LookupError::Kind::BadRequest,
                              QStringLiteral("「%1」はWikidataのIDではありません。").arg(filmId)));
        return;
    }
    filmId_ = filmId;
    askEntities({filmId}, QStringLiteral("claims"),
                [this](const QJsonObject& r) { takeNamedItems(r); });
}

void WikidataClient::takeNamedItems(const QJsonObject& root) {
    JsonShape shape;
    entity_ = entityOf(root, filmId_, shape);
    if (shape.ok() && (entity_.isEmpty() || entity_.contains(QStringLiteral("missing"))))
        return emit failed(LookupError::notFound());
    const QJsonObject claims =
        shape.object(entity_, QStringLiteral("claims"),
                     jsonPath(QStringLiteral("entities"), filmId_), Need::Optional);
    QStringList wanted;
    for (const QString& p : {kDirector, kCastMember, kCountry, kGenre})
        wanted += itemsOf(claims, p, shape);
    if (!shape.ok()) return emit failed(LookupError::badShape(shape.problem()));
    wanted.removeDuplicates();
    named_.clear();
    fetchInBatches(
        wanted, QStringLiteral("labels|aliases"),
        [this](const QString& id, const QJsonObject& e, JsonShape& shape) {
            const QString where = jsonPath(QStringLiteral("entities"), id);
            const QString l = jsonPath(where, QStringLiteral("labels"));
            const QJsonObject labels =
                shape.object(e, QStringLiteral("labels"), where, Need::Optional);
            NamedItem item{id, {}, {}};
            const QJsonObject ja = shape.object(labels, QStringLiteral("ja"), l, Need::Optional);
            if (!ja.isEmpty())
                item.japanese =
                    shape.text(ja, QStringLiteral("value"), jsonPath(l, QStringLiteral("ja")));
            const QJsonObject en = shape.object(labels, QStringLiteral("en"), l, Need::Optional);
            if (!en.isEmpty())
                item.otherNames.append(
                    shape.text(en, QStringLiteral("value"), jsonPath(l, QStringLiteral("en"))));
            const QString a = jsonPath(where, QStringLiteral("aliases"));
            const QJsonObject aliases =
                shape.object(e, QStringLiteral("aliases"), where, Need::Optional);
            const QJsonArray list = shape.array(aliases, QStringLiteral("en"), a, Need::Optional);
            for (qsizetype i = 0; i < list.size(); ++i) {
                const QString w = at(jsonPath(a, QStringLiteral("en")), i);
                item.otherNames.append(
                    shape.text(shape.object(list[i], w), QStringLiteral("value"), w));
            }
            named_.insert(id, item);
        },
        [this] { emitNamedItems(); });
}

void WikidataClient::emitNamedItems() {
    JsonShape shape;
    const QJsonObject claims =
        shape.object(entity_, QStringLiteral("claims"), QString(), Need::Optional);
    const auto named = [&](const QString& property) {
        QVector<NamedItem> out;
        QStringList ids = itemsOf(claims, property, shape);
        ids.removeDuplicates();
        for (const QString& id : std::as_const(ids))
            if (named_.contains(id)) out.append(named_.value(id));
        return out;
    };
    FilmItems items{named(kDirector), named(kCastMember), named(kCountry), named(kGenre)};
    if (!shape.ok()) return emit failed(LookupError::badShape(shape.problem()));
    emit itemsFetched(items);
}
