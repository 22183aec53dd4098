#include "collection.h"

#include "card/sub_texts.h"
#include "store/catalogue.h"
#include "store/cp932.h"
#include "store/data_file.h"
#include "store/record_dialect.h"
#include "store/title_table.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <random>
#include <vector>

namespace {
const char* const kSurnames[] = {
    "佐藤", "鈴木", "高橋",   "田中", "伊藤", "渡辺", "山本", "中村", "小林", "加藤",
    "吉田", "山田", "佐々木", "山口", "松本", "井上", "木村", "林",   "斎藤", "清水",
    "山崎", "森",   "池田",   "橋本", "阿部", "石川", "山下", "中島", "石井", "小川",
    "前田", "岡田", "長谷川", "藤田", "後藤", "近藤", "村上", "遠藤", "青木", "坂本",
    "斉藤", "福田", "太田",   "西村", "藤井", "金子", "岡本", "藤原", "三浦", "中野",
    "中川", "原田", "松田",   "竹内", "小野", "田村", "中山", "和田", "石田", "森田",
    "上田", "原",   "内田",   "柴田", "酒井", "宮崎", "横山", "高木", "安藤", "宮本",
    "大野", "小島", "工藤",   "谷口", "今井", "高田", "丸山", "増田", "杉山", "村田",
    "大塚", "新井", "小山",   "平野", "藤本", "河野", "上野", "野口", "武田", "松井",
    "千葉", "岩崎", "菅原",   "木下", "久保", "佐野", "野村", "松尾", "菊地", "杉本"};
// Directors: 100 surnames x 30 given names = 3,000.
const char* const kDirectorGiven[] = {
    "一郎", "健二", "三郎", "修",   "誠",   "浩",   "実",   "勝",   "清",   "茂",
    "隆",   "豊",   "博",   "明",   "進",   "昭",   "正雄", "和夫", "洋一", "康夫",
    "秀樹", "貴之", "俊介", "大輔", "直樹", "拓也", "慎吾", "徹",   "亮",   "恵子"};
// Lead actors: 100 surnames x 50 given names = 5,000.
const char* const kActorGiven[] = {
    "太郎", "次郎", "花子", "陽子", "裕子", "美穂", "真理",   "由美",   "久美子", "京子",
    "智子", "直美", "恵",   "愛",   "舞",   "優子", "さくら", "ひかり", "翔",     "蓮",
    "大和", "悠真", "陸",   "湊",   "蒼",   "樹",   "健",     "剛",     "雄一",   "光",
    "涼子", "杏",   "葵",   "結衣", "美咲", "麻衣", "彩",     "千尋",   "みゆき", "かおり",
    "進也", "竜也", "達也", "哲也", "和也", "信二", "英二",   "文太",   "ジョー", "マリア"};
const char* const kCountries[] = {
    "日本",         "アメリカ",     "イギリス",       "フランス",
    "イタリア",     "ドイツ",       "スペイン",       "韓国",
    "中国",         "香港",         "台湾",           "インド",
    "ロシア",       "スウェーデン", "デンマーク",     "ノルウェー",
    "フィンランド", "オランダ",     "ベルギー",       "スイス",
    "オーストリア", "ポーランド",   "チェコ",         "ハンガリー",
    "ギリシャ",     "トルコ",       "イラン",         "タイ",
    "ベトナム",     "フィリピン",   "オーストラリア", "ニュージーランド",
    "カナダ",       "メキシコ",     "ブラジル",       "アルゼンチン",
    "チリ",         "エジプト",     "南アフリカ",     "アイルランド"};
const char* const kGenres[] = {
    "ドラマ",       "コメディ",         "アクション", "サスペンス", "ホラー", "SF",
    "ファンタジー", "ミステリー",       "ロマンス",   "戦争",       "西部劇", "ミュージカル",
    "アニメ",       "ドキュメンタリー", "時代劇",     "任侠",       "青春",   "家族",
    "犯罪",         "スポーツ",         "歴史",       "伝記",       "冒険",   "パニック",
    "音楽"};
const char* const kTitleHeads[] = {
    "遥かなる", "静かな", "最後の", "真夜中の", "黄金の", "蒼い",       "赤い",   "白い",
    "遠い",     "小さな", "永遠の", "失われた", "秘密の", "忘れられた", "燃える", "凍てつく",
    "孤独な",   "美しき", "荒野の", "東京の",   "港町の", "雨の",       "風の",   "星の",
    "月の",     "夏の",   "冬の",   "春の",     "秋の",   "夜の"};
const char* const kTitleNouns[] = {"旅路", "約束", "記憶", "肖像", "城",   "海",     "街",   "家族",
                                   "花嫁", "少年", "少女", "刑事", "侍",   "船",     "列車", "恋人",
                                   "王国", "迷宮", "楽園", "帰郷", "決闘", "逃亡者", "証言", "灯台",
                                   "庭",   "手紙", "航海", "革命", "祭り", "影"};
const char* const kMarks[] = {"◎", "○", "△", ""};
const char* const kViewingContents[] = {"映画館", "テレビ", "DVD",      "ブルーレイ",
                                        "ビデオ", "配信",   "録画",     "機内",
                                        "試写会", "名画座", "レンタル", "野外上映"};
// Words of the free texts; %1 and %2 take a role or a name.
const char* const kRoles[] = {"主人公", "その妻", "親友",   "刑事",   "医師", "少女",
                              "老人",   "船長",   "教師",   "記者",   "画家", "用心棒",
                              "市長",   "謎の男", "看護師", "弁護士", "母親", "若い漁師"};
const char* const kPlotLines[] = {"港町で暮らす%1は、ある日一通の手紙を受け取る。",
                                  "差出人は二十年前に姿を消した%1だった。",
                                  "%1と%2は、失われた記憶を求めて旅に出る。",
                                  "やがて二人は、町に隠された秘密に気づき始める。",
                                  "嵐の夜、%1の前に見知らぬ男が現れる。",
                                  "真実を知った%1は、ある決断を下す。",
                                  "季節が巡り、%1はふたたび海辺に立つ。",
                                  "%1が最後に選んだのは、家族と過ごす静かな時間だった。",
                                  "一方、%2は古い写真に写る少年の行方を追っていた。",
                                  "祭りの日、町じゅうの人々が広場に集まる。"};
const char* const kMemoLines[] = {"%1の演技が素晴らしい。",
                                  "後半の展開は少し駆け足に感じた。",
                                  "音楽と映像の美しさが印象に残る。",
                                  "もう一度見返したい作品。",
                                  "原作とは結末が異なる。",
                                  "%2監督らしい静かな演出。",
                                  "子供の頃に見た記憶がよみがえった。",
                                  "%1と%2の掛け合いが楽しい。",
                                  "ラストシーンで思わず涙が出た。",
                                  "字幕で見たので次は吹き替えで見たい。"};

QString u8(const char* s) { return QString::fromUtf8(s); }

// std::*_distribution may differ between standard libraries; plain modulo on
// mt19937, whose sequence is fixed by the standard, gives the same collection
// everywhere. The slight bias does not matter here.
class Dice {
public:
    explicit Dice(quint32 seed) : rng_(seed) {}
    int below(int n) { return int(rng_() % quint32(n)); }
    int between(int lo, int hi) { return lo + below(hi - lo + 1); }
    template <typename T, std::size_t N>
    QString from(const T (&pool)[N]) {
        return u8(pool[below(int(N))]);
    }
    QDate dateBetween(QDate first, QDate last) {
        return first.addDays(below(int(first.daysTo(last)) + 1));
    }

private:
    std::mt19937 rng_;
};

QStringList namePool(int count, const char* const* given, int givenCount) {
    QStringList pool;
    pool.reserve(count);
    for (int i = 0; i < count; ++i) {
        const int surnames = int(std::size(kSurnames));
        pool << u8(kSurnames[i % surnames]) + u8(given[(i / surnames) % givenCount]);
    }
    return pool;
}

QString dateText(QDate d) {
    return QString::asprintf("%04d/%02d/%02d", d.year(), d.month(), d.day());
}

QString writeText(const QString& dir, const QString& name, const QString& text, qint64* size) {
    QByteArray bytes;
    if (!Cp932::encode(text, &bytes))
        return QStringLiteral("%1: cannot encode \"%2\" in code page 932")
            .arg(name, Cp932::firstUnencodable(text));
    QFile f(QDir(dir).filePath(name));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size() ||
        !f.flush())
        return QStringLiteral("%1: %2").arg(f.fileName(), f.errorString());
    f.close();
    *size = bytes.size();
    return {};
}

QString writeCp932(const QString& dir, const QString& name, const QString& text, Collection* out) {
    qint64 size = 0;
    if (QString problem = writeText(dir, name, text, &size); !problem.isEmpty()) return problem;
    out->files.append({name, size});
    return {};
}

// Puts a and b in place of %1 and %2; QString::arg warns about patterns that use only one.
QString fill(QString pattern, const QString& a, const QString& b) {
    return pattern.replace(QStringLiteral("%1"), a).replace(QStringLiteral("%2"), b);
}

// One free text, line by line: cast lists, synopses and memos of the kind users keep.
// Each draw is a statement of its own: C++ leaves the order of arguments open.
QStringList freeText(int kind, int lines, Dice& dice, const QStringList& actors) {
    QStringList out;
    for (int i = 0; i < lines; ++i) {
        const QString a = actors[dice.below(int(actors.size()))];
        const QString b = actors[dice.below(int(actors.size()))];
        const QString role = dice.from(kRoles);
        if (kind == SubTexts::kCast) {
            out << role + QStringLiteral("　…　") + a;
        } else if (kind == SubTexts::kArasuji) {  // two sentences a line
            const QString first = fill(dice.from(kPlotLines), role, a);
            const QString second = fill(dice.from(kPlotLines), b, role);
            out << first + second;
        } else {
            out << fill(dice.from(kMemoLines), a, b);
        }
    }
    return out;
}

QString writeFreeText(const QString& dir, int kind, const QString& daimei, const QStringList& lines,
                      Collection* out) {
    // As the program writes them: lines joined by CR LF, and a final CR LF.
    qint64 size = 0;
    const QString problem =
        writeText(dir, SubTexts::fileName(kind, daimei),
                  lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"), &size);
    if (!problem.isEmpty()) return problem;
    ++out->textFiles;
    out->textBytes += size;
    return {};
}

// A poster of the usual proportions, drawn rather than shipped so that the tool needs no files.
QString writePicture(const QString& dir, const QString& daimei, Dice& dice, Collection* out) {
    QImage img(400, 566, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient sky(0, 0, 0, img.height());
    const int top = dice.below(360);
    const int bottom = dice.below(360);
    sky.setColorAt(0, QColor::fromHsv(top, 140, 90));
    sky.setColorAt(1, QColor::fromHsv(bottom, 200, 230));
    p.fillRect(img.rect(), sky);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 60; ++i) {  // detail, so that the picture compresses like a photograph
        p.setBrush(QColor::fromHsv(dice.below(360), 160, 240, 70));
        const int r = dice.between(8, 90);
        const int x = dice.below(img.width());
        const int y = dice.below(img.height());
        p.drawEllipse(QPoint(x, y), r, r);
    }
    p.setPen(Qt::white);
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPixelSize(38);
    font.setBold(true);
    p.setFont(font);
    p.drawText(img.rect().adjusted(24, 0, -24, -60),
               Qt::AlignHCenter | Qt::AlignBottom | Qt::TextWordWrap, daimei);
    p.end();
    const QString name = daimei + QStringLiteral(".jpg");
    const QString path = QDir(dir).filePath(name);
    if (!img.save(path, "JPG", 90)) return QStringLiteral("%1: cannot write the picture").arg(path);
    out->pictureFile = name;
    out->pictureSize = img.size();
    out->pictureBytes = QFileInfo(path).size();
    return {};
}

// The free texts and the picture; drawn from the dice after everything else, so
// that the record files stay what they were for the seed.
QString writeCardFiles(const QString& dir, const TitleTable& table,
                       const std::vector<int>& viewingsOf, Dice& dice, const QStringList& actors,
                       Collection* out) {
    const auto most = std::max_element(viewingsOf.begin(), viewingsOf.end());
    out->cardTitle = int(most - viewingsOf.begin());
    out->cardViewings = *most;
    out->cardName = table[out->cardTitle].Daimei;
    const int cardLines[] = {0, 18, 7, 12};  // a few hundred characters each
    for (int kind : {SubTexts::kCast, SubTexts::kArasuji, SubTexts::kMemo}) {
        QStringList& lines = out->cardTexts[kind - 1];
        lines = freeText(kind, cardLines[kind], dice, actors);
        if (QString problem = writeFreeText(dir, kind, out->cardName, lines, out);
            !problem.isEmpty())
            return problem;
    }
    if (QString problem = writePicture(dir, out->cardName, dice, out); !problem.isEmpty())
        return problem;

    // Every other title keeps all three texts too, as a collector's folder does
    // after some years: the folder then holds about a hundred thousand files.
    for (int n = 1; n <= table.TitleCount(); ++n) {
        if (n == out->cardTitle) continue;
        for (int kind : {SubTexts::kCast, SubTexts::kArasuji, SubTexts::kMemo}) {
            const QStringList lines = freeText(kind, dice.between(1, 5), dice, actors);
            if (QString problem = writeFreeText(dir, kind, table[n].Daimei, lines, out);
                !problem.isEmpty())
                return problem;
        }
    }
    return {};
}

QString records(const QStringList& names) {
    RecordWriter w;
    for (const QString& n : names) {
        w.text(n);
        w.endRecord();
    }
    return w.result();
}
}  // namespace

QStringList collectionFileNames() {
    return {kDataFile, kHistoryFile, kHyoukaMasterFile, kSyoyuMasterFile, kSettingsFile};
}

bool isCollectionFileName(const QString& name) {
    if (collectionFileNames().contains(name)) return true;
    static const QRegularExpression ours = [] {
        const auto alternatives = [](const auto& pool) {
            QStringList words;
            for (const char* w : pool) words << QRegularExpression::escape(u8(w));
            return QStringLiteral("(?:%1)").arg(words.join(u'|'));
        };
        // Title names are a head word, a noun, a space and the title's number.
        const QString title =
            alternatives(kTitleHeads) + alternatives(kTitleNouns) + QStringLiteral(" [1-9][0-9]*");
        return QRegularExpression(
            QStringLiteral("^(?:(?:キャスト|あらすじ|メモ)_%1\\.txt|%1\\.jpg)$").arg(title));
    }();
    return ours.match(name).hasMatch();
}

QString buildCollection(const QString& dir, quint32 seed, Collection* out) {
    *out = Collection{};
    out->dir = dir;
    Dice dice(seed);
    const QStringList directors = namePool(3000, kDirectorGiven, int(std::size(kDirectorGiven)));
    const QStringList actors = namePool(5000, kActorGiven, int(std::size(kActorGiven)));

    TitleTable table;
    table.reserve(kMaxRecords);
    QSet<QString> seen[6];  // directors, actors, countries, genres, year-months, years
    const QDate firstRelease(1920, 1, 1), lastRelease(2026, 12, 31);
    for (int n = 1; n <= kMaxRecords; ++n) {
        Title t;
        // The number keeps names unique; the words make them as long as real ones.
        t.Daimei = dice.from(kTitleHeads) + dice.from(kTitleNouns) + u' ' + QString::number(n);
        t.Kantoku = directors[dice.below(int(directors.size()))];
        t.Syuen = actors[dice.below(int(actors.size()))];
        t.Koukai = dateText(dice.dateBetween(firstRelease, lastRelease));
        t.Kuni = dice.from(kCountries);
        t.Janru = dice.from(kGenres);
        t.Hyouka = dice.from(kMarks);
        for (int k = 1; k <= kScoreItems; ++k)
            t.HyoukaTen[k] = qint16(dice.between(0, maxScore(k)));
        for (int k = 1; k <= kOwnershipItems; ++k)
            t.Syoyu[k] = dice.below(10) < 3 ? kOwned : QString();
        seen[0].insert(t.Kantoku);
        seen[1].insert(t.Syuen);
        seen[2].insert(t.Kuni);
        seen[3].insert(t.Janru);
        seen[4].insert(t.Koukai.left(7));
        seen[5].insert(t.Koukai.left(4));
        table.append(std::move(t));
    }
    out->titles = table.TitleCount();
    out->directors = int(seen[0].size());
    out->actors = int(seen[1].size());
    out->countries = int(seen[2].size());
    out->genres = int(seen[3].size());
    out->releaseMonths = int(seen[4].size());
    out->releaseYears = int(seen[5].size());

    // Viewings are kept in date order, as the program appends them. One short of
    // the limit, so that the viewing the benchmark saves makes the history full.
    const QDate firstViewing(1990, 1, 1), lastViewing(2026, 12, 31);
    std::vector<qint64> days(kMaxRecords - 1);
    for (qint64& d : days) d = dice.dateBetween(firstViewing, lastViewing).toJulianDay();
    std::sort(days.begin(), days.end());
    RecordWriter viewings;
    viewings.reserve(qsizetype(days.size()) * 40);
    std::vector<int> viewingsOf(table.TitleCount() + 1);  // [0] stays 0
    for (qint64 d : days) {
        const int n = dice.between(1, table.TitleCount());
        ++viewingsOf[n];
        viewings.text(dateText(QDate::fromJulianDay(d)))
            .text(table[n].Daimei)
            .text(dice.from(kViewingContents));
        viewings.endRecord();
    }
    out->viewings = int(days.size());

    QStringList hyouka, syoyu;
    for (int k = 1; k <= kScoreItems; ++k) hyouka << kDefaultHyoukaKoumoku[k];
    for (int k = 1; k <= kOwnershipItems; ++k) syoyu << kDefaultSyoyuKoumoku[k];
    RecordWriter settings;
    settings.text(QStringLiteral("ヘルプツアー")).number(0);  // off: start-up shows no box
    settings.endRecord();

    for (auto [name, text] :
         {std::pair{kDataFile, serializeDataFile(table)},
          std::pair{kHistoryFile, viewings.result()}, std::pair{kHyoukaMasterFile, records(hyouka)},
          std::pair{kSyoyuMasterFile, records(syoyu)},
          std::pair{kSettingsFile, settings.result()}}) {
        if (QString problem = writeCp932(dir, name, text, out); !problem.isEmpty()) return problem;
    }
    return writeCardFiles(dir, table, viewingsOf, dice, actors, out);
}
