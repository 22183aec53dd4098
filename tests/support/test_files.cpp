#include "test_files.h"

#include "store/cp932.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace TestFiles {

QByteArray cp932(const QString& text) {
    QByteArray out;
    if (!Cp932::encode(text, &out)) qFatal("test text not code page 932");
    return out;
}

void writeBytes(const QString& dir, const QString& name, const QByteArray& bytes) {
    QFile f(QDir(dir).filePath(name));
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write test file");
}

void writeCp932(const QString& dir, const QString& name, const QString& text) {
    writeBytes(dir, name, cp932(text));
}

QByteArray readBytes(const QString& dir, const QString& name) {
    QFile f(QDir(dir).filePath(name));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

QString readCp932(const QString& dir, const QString& name) {
    return Cp932::decode(readBytes(dir, name));
}

QString titleRecord(const QString& daimei, const QString& kantoku, const QString& syuen,
                    const QString& koukai, const QString& kuni, const QString& janru,
                    const QString& hyouka, const QList<int>& scores, const QStringList& syoyu) {
    auto q = [](const QString& s) { return QStringLiteral("\"%1\"").arg(s); };
    QStringList f{q(daimei), q(kantoku), q(syuen), q(koukai), q(kuni), q(janru), q(hyouka)};
    for (int k = 0; k < 7; ++k) f << QString::number(k < scores.size() ? scores[k] : 0);
    for (int k = 0; k < 4; ++k) f << q(k < syoyu.size() ? syoyu[k] : QString());
    return f.join(u',') + QStringLiteral("\r\n");
}

QString historyRecordLine(const QString& date, const QString& title, const QString& content) {
    return QStringLiteral("\"%1\",\"%2\",\"%3\"\r\n").arg(date, title, content);
}

void writeFreshMasters(const QString& dir, bool helpTour) {
    writeCp932(
        dir, QStringLiteral("評価マスタ.txt"),
        QStringLiteral("\"総合\"\r\n\"感動・涙\"\r\n\"笑い\"\r\n\"ほのぼの\"\r\n\"スリル\"\r\n"
                       "\"恐怖戦慄\"\r\n\"セクシー\"\r\n"));
    writeCp932(dir, QStringLiteral("所有マスタ.txt"),
               QStringLiteral("\"DVD\"\r\n\"ブルーレイ\"\r\n\"ビデオ\"\r\n\"配信\"\r\n"));
    writeCp932(dir, QStringLiteral("設定.TXT"),
               QStringLiteral("\"ヘルプツアー\",%1\r\n").arg(helpTour ? 1 : 0));
}

}  // namespace TestFiles
