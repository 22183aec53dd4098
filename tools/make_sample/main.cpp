// Writes the sample collection that ships in sample/: two dozen real films
// with marks and scores, a viewing history, a few cast lists, synopses and
// memos, and posters drawn here, so that a first run has something to browse
// and every part of the title card has something to show.
//
// Regenerate it from the top of the source tree, after building:
//   QT_QPA_PLATFORM=offscreen build/tools/make_sample/reelnote-make-sample sample
//
// The facts are in films.cpp. The tool only adds or replaces the files it
// writes; a file left over from a title that was dropped must be removed by hand.

#include "films.h"
#include "poster.h"
#include "store/catalogue.h"
#include "store/cp932.h"
#include "store/data_file.h"
#include "store/record_dialect.h"
#include "store/title_table.h"

#include <QDate>
#include <QDir>
#include <QFontInfo>
#include <QGuiApplication>
#include <QImage>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QTextStream>

#include <span>

namespace {

QTextStream& err() {
    static QTextStream s(stderr);
    return s;
}

QString u8(const char* s) { return QString::fromUtf8(s); }

// Text files: the lines joined with CR LF and one CR LF after the last.
QString freeText(const char* lines) {
    return u8(lines).split(u'\n').join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

Title titleOf(const FilmRow& r) {
    Title t;
    t.Daimei = u8(r.daimei);
    t.Kantoku = u8(r.kantoku);
    t.Syuen = u8(r.syuen);
    t.Koukai = u8(r.koukai);
    t.Kuni = u8(r.kuni);
    t.Janru = u8(r.janru);
    t.Hyouka = u8(r.hyouka);
    for (int k = 1; k <= kScoreItems; ++k) t.HyoukaTen[k] = qint16(r.scores[k - 1]);
    for (int k = 1; k <= kOwnershipItems; ++k)
        t.Syoyu[k] = r.syoyu[k - 1] == '1' ? kOwned : QString();
    return t;
}

// Everything wrong with the tables, so that one run lists all of it.
QStringList checkTables(const TitleTable& table) {
    QStringList problems;
    const QString forbidden = QStringLiteral("\\/:,;*?\"<>|");
    static const QRegularExpression dateForm(QStringLiteral("^(\\d{4})/(\\d{2})(/(\\d{2}))?$"));
    QSet<QString> names;
    for (int n = 1; n <= table.TitleCount(); ++n) {
        const Title& t = table[n];
        if (t.Daimei.isEmpty() || names.contains(t.Daimei))
            problems << QStringLiteral("題名が空か重複: %1").arg(t.Daimei);
        names.insert(t.Daimei);
        for (QChar c : t.Daimei)
            if (forbidden.contains(c))
                problems
                    << QStringLiteral("ファイル名に使えない文字「%1」: %2").arg(c).arg(t.Daimei);
        const auto m = dateForm.match(t.Koukai);
        const bool dateOk =
            m.hasMatch() &&
            (m.captured(4).isEmpty()
                 ? m.captured(2).toInt() >= 1 && m.captured(2).toInt() <= 12
                 : QDate::fromString(t.Koukai, QStringLiteral("yyyy/MM/dd")).isValid());
        if (!dateOk) problems << QStringLiteral("公開日の形が違う: %1 %2").arg(t.Daimei, t.Koukai);
        static const QStringList marks = {QStringLiteral("◎"), QStringLiteral("○"),
                                          QStringLiteral("△"), QString()};
        if (!marks.contains(t.Hyouka)) problems << QStringLiteral("評価記号: %1").arg(t.Daimei);
        for (int k = 1; k <= kScoreItems; ++k)
            if (t.HyoukaTen[k] < 0 || t.HyoukaTen[k] > maxScore(k))
                problems << QStringLiteral("評価点%1が範囲外: %2").arg(k).arg(t.Daimei);
    }
    for (const FilmRow& r : films())
        if (QByteArray(r.syoyu).size() != kOwnershipItems ||
            QByteArray(r.syoyu).count('0') + QByteArray(r.syoyu).count('1') != kOwnershipItems)
            problems << QStringLiteral("所有欄は0か1の4文字: %1").arg(u8(r.daimei));

    QSet<QString> seen;
    for (const FreeTextRow& r : freeTexts()) {
        if (!table.find(u8(r.daimei)))
            problems << QStringLiteral("自由文の題名がない: %1").arg(u8(r.daimei));
        if (seen.contains(u8(r.daimei)))
            problems << QStringLiteral("自由文が重複: %1").arg(u8(r.daimei));
        seen.insert(u8(r.daimei));
    }
    seen.clear();
    for (const PosterRow& r : posters()) {
        if (!table.find(u8(r.daimei)))
            problems << QStringLiteral("ポスターの題名がない: %1").arg(u8(r.daimei));
        if (seen.contains(u8(r.daimei)))
            problems << QStringLiteral("ポスターが重複: %1").arg(u8(r.daimei));
        seen.insert(u8(r.daimei));
        if (r.titleLines && u8(r.titleLines).remove(u'\n') != u8(r.daimei))
            problems << QStringLiteral("改行位置の題名が違う: %1").arg(u8(r.daimei));
    }
    QString previous;
    for (const ViewingRow& r : viewings()) {
        const QString date = u8(r.date);
        const QDate d = QDate::fromString(date, QStringLiteral("yyyy/MM/dd"));
        if (!d.isValid()) problems << QStringLiteral("鑑賞日: %1").arg(date);
        if (date < previous) problems << QStringLiteral("鑑賞履歴が日付順でない: %1").arg(date);
        previous = date;
        if (!table.find(u8(r.daimei)))
            problems << QStringLiteral("鑑賞履歴の題名がない: %1").arg(u8(r.daimei));
    }
    return problems;
}

class SampleWriter {
public:
    explicit SampleWriter(const QString& dir) : dir_(dir) {}

    void text(const QString& name, const QString& content) {
        QByteArray bytes;
        if (!Cp932::encode(content, &bytes)) {
            fail(QStringLiteral("%1: コードページ932にない文字「%2」")
                     .arg(name, Cp932::firstUnencodable(content)));
            return;
        }
        // A character the code page holds only as a look-alike would come back changed.
        if (Cp932::decode(bytes) != content) {
            fail(QStringLiteral("%1: コードページ932で別の文字に変わります").arg(name));
            return;
        }
        QSaveFile f(dir_.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
            fail(QStringLiteral("%1: 書けません（%2）").arg(name, f.errorString()));
    }

    void image(const QString& name, const QImage& img, const char* format, int quality) {
        QSaveFile f(dir_.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || !img.save(&f, format, quality) || !f.commit())
            fail(QStringLiteral("%1: 書けません（%2）").arg(name, f.errorString()));
    }

    void fail(const QString& what) { failures_ << what; }
    const QStringList& failures() const { return failures_; }

private:
    QDir dir_;
    QStringList failures_;
};

QString records(std::span<const QString> names) {
    RecordWriter w;
    for (const QString& n : names) {
        w.text(n);
        w.endRecord();
    }
    return w.result();
}

// Reads the collection back the way the program does, so that a sample the
// program would reject or read differently is never shipped.
QStringList readBack(const QString& dir, const TitleTable& expected) {
    QStringList problems;
    Catalogue cat(dir);
    for (const QString& m : {cat.LoadMainData(), cat.LoadMasters(), cat.LoadSettings()})
        if (!m.isEmpty()) problems << m;
    if (!(cat.titles() == expected)) problems << QStringLiteral("読み戻したデータが元と違います");
    for (int k = 1; k <= kScoreItems; ++k)
        if (cat.HyoukaKoumoku[k] != kDefaultHyoukaKoumoku[k])
            problems << QStringLiteral("評価マスタ %1").arg(k);
    for (int k = 1; k <= kOwnershipItems; ++k)
        if (cat.SyoyuKoumoku[k] != kDefaultSyoyuKoumoku[k])
            problems << QStringLiteral("所有マスタ %1").arg(k);
    if (cat.HelpTour != 1) problems << QStringLiteral("設定のヘルプツアー");
    return problems;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        err() << "使い方: QT_QPA_PLATFORM=offscreen reelnote-make-sample 出力フォルダ\n";
        return 2;
    }
    if (!Cp932::available()) {
        err() << "このQtにはコードページ932の変換がありません。\n";
        return 1;
    }
    for (bool serif : {false, true}) {
        const QFontInfo info(QFont(posterFontFamily(serif)));
        if (info.family() != posterFontFamily(serif)) {
            err() << posterFontFamily(serif) << " がありません（" << info.family()
                  << " になります）。fonts-noto-cjk を入れてください。\n";
            return 1;
        }
    }

    TitleTable table;
    for (const FilmRow& r : films()) table.append(titleOf(r));
    if (const QStringList problems = checkTables(table); !problems.isEmpty()) {
        err() << problems.join(u'\n') << '\n';
        return 1;
    }

    const QString outDir = QDir(args[1]).absolutePath();
    if (!QDir().mkpath(outDir)) {
        err() << outDir << " を作れません。\n";
        return 1;
    }
    SampleWriter out(outDir);

    out.text(kDataFile, serializeDataFile(table));
    out.text(kHyoukaMasterFile, records(std::span(kDefaultHyoukaKoumoku).subspan(1)));
    out.text(kSyoyuMasterFile, records(std::span(kDefaultSyoyuKoumoku).subspan(1)));
    {
        RecordWriter w;
        w.text(QStringLiteral("ヘルプツアー")).number(1);
        w.endRecord();
        out.text(kSettingsFile, w.result());
    }
    {
        RecordWriter w;
        for (const ViewingRow& r : viewings()) {
            w.text(u8(r.date)).text(u8(r.daimei)).text(u8(r.content));
            w.endRecord();
        }
        out.text(QStringLiteral("鑑賞履歴.TXT"), w.result());
    }
    for (const FreeTextRow& r : freeTexts()) {
        const QString name = u8(r.daimei);
        if (*r.cast) out.text(QStringLiteral("キャスト_%1.txt").arg(name), freeText(r.cast));
        if (*r.synopsis)
            out.text(QStringLiteral("あらすじ_%1.txt").arg(name), freeText(r.synopsis));
        if (*r.memo) out.text(QStringLiteral("メモ_%1.txt").arg(name), freeText(r.memo));
    }
    for (const PosterRow& r : posters()) {
        const Title& t = table[table.find(u8(r.daimei))];
        const QImage img = drawPoster(r, t.Daimei, t.Kantoku, t.Koukai);
        if (r.format == PosterFormat::Bmp)
            out.image(t.Daimei + QStringLiteral(".bmp"), toFlatIndexed(img, r), "BMP", -1);
        else
            out.image(t.Daimei + QStringLiteral(".jpg"), img, "JPEG", 85);
    }
    if (!out.failures().isEmpty()) {
        err() << out.failures().join(u'\n') << '\n';
        return 1;
    }

    if (const QStringList problems = readBack(outDir, table); !problems.isEmpty()) {
        err() << "書いた見本を読み戻せません:\n" << problems.join(u'\n') << '\n';
        return 1;
    }
    QTextStream(stdout) << outDir << ": " << table.TitleCount() << " titles, " << viewings().size()
                        << " viewings, " << freeTexts().size() << " titles with texts, "
                        << posters().size() << " posters\n";
    return 0;
}
