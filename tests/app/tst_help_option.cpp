#include "app/command_line.h"
#include "test_registry.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>
#include <cstdio>

namespace {
struct Printed {
    int status = -1;  // -1: the arguments would start the window
    QString out, err;
};

// Runs the command line with the process's standard output and error sent to
// files, since it writes to them directly.
Printed runPrinting(const QStringList& args) {
    QTemporaryDir dir;
    const QString outPath = dir.filePath("out"), errPath = dir.filePath("err");
    std::fflush(stdout);
    std::fflush(stderr);
    const int savedOut = dup(STDOUT_FILENO), savedErr = dup(STDERR_FILENO);
    std::FILE* out = std::fopen(QFile::encodeName(outPath).constData(), "w");
    std::FILE* err = std::fopen(QFile::encodeName(errPath).constData(), "w");
    dup2(fileno(out), STDOUT_FILENO);
    dup2(fileno(err), STDERR_FILENO);
    Printed p;
    p.status = runCommandLine(args).value_or(-1);
    std::fflush(stdout);
    std::fflush(stderr);
    dup2(savedOut, STDOUT_FILENO);
    dup2(savedErr, STDERR_FILENO);
    close(savedOut);
    close(savedErr);
    std::fclose(out);
    std::fclose(err);
    auto read = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    };
    p.out = read(outPath);
    p.err = read(errPath);
    return p;
}

const QStringList kOptions = {"--check",      "--export-csv", "--export-csv-history",
                              "--import-csv", "--dry-run",    "--viewing-content",
                              "--add-unseen", "--lookup",     "--source",
                              "--fill",       "--help"};
}  // namespace

class TestHelpOption : public QObject {
    Q_OBJECT
private slots:
    // --help and -h print every option to standard output and succeed; a wrong
    // use prints the same to standard error and fails with 2.
    void helpListsEveryOption() {
        for (const QString& help : {QStringLiteral("--help"), QStringLiteral("-h")}) {
            const Printed p = runPrinting({"reelnote", help});
            QCOMPARE(p.status, 0);
            for (const QString& option : kOptions)
                QVERIFY2(p.out.contains(option), qPrintable(help + ": no " + option));
            QCOMPARE(p.err, QString());
        }
        const Printed wrong = runPrinting({"reelnote", "--nonsense"});
        QCOMPARE(wrong.status, 2);
        QCOMPARE(wrong.out, QString());
        for (const QString& option : kOptions)
            QVERIFY2(wrong.err.contains(option), qPrintable("--nonsense: no " + option));
    }
};

REELNOTE_TEST(TestHelpOption)
#include "tst_help_option.moc"
