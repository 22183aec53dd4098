#include "collection.h"

#include "store/catalogue.h"
#include "store/cp932.h"
#include "store/data_file.h"
#include "store/record_dialect.h"
#include "store/title_table.h"

#include <QDate>
#include <QDir>
#include <QFile>
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

QString writeCp932(const QString& dir, const QString& name, const QString& text, Collection* out) {
    QByteArray bytes;
    if (!Cp932::encode(text, &bytes))
        return QStringLiteral("%1: cannot encode \"%2\" in code page 932")
            .arg(name, Cp932::firstUnencodable(text));
    QFile f(QDir(dir).filePath(name));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size() ||
        !f.flush())
        return QStringLiteral("%1: %2").arg(f.fileName(), f.errorString());
    f.close();
    out->files.append({name, bytes.size()});
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

    // Viewings are kept in date order, as the program appends them.
    const QDate firstViewing(1990, 1, 1), lastViewing(2026, 12, 31);
    std::vector<qint64> days(kMaxRecords);
    for (qint64& d : days) d = dice.dateBetween(firstViewing, lastViewing).toJulianDay();
    std::sort(days.begin(), days.end());
    RecordWriter viewings;
    viewings.reserve(qsizetype(days.size()) * 40);
    for (qint64 d : days) {
        viewings.text(dateText(QDate::fromJulianDay(d)))
            .text(table[dice.between(1, table.TitleCount())].Daimei)
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
    return {};
}
