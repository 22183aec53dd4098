#include "test_registry.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    // Files the program deletes go to the desktop's trash: the tests' to a trash of their own.
    QTemporaryDir dataHome;
    if (qgetenv("REELNOTE_TEST_KEEP_DATA_HOME").isEmpty())
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));
    // Thumbnails the tests make go to a cache of their own, never the user's.
    const QTemporaryDir cache;
    if (!cache.isValid()) qFatal("no temporary folder for the thumbnail cache");
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    // No test may reach the desktop's secret store, where the user's own keys are:
    // its session bus is one that is not there.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/reelnote-tests-bus");
    QApplication app(argc, argv);
    // TEST_CLASS=TestSomething runs only that class of the program.
    const QByteArray only = qgetenv("TEST_CLASS");
    int failures = 0;
    for (const auto& make : TestRegistry::all()) {
        std::unique_ptr<QObject> test(make());
        if (!only.isEmpty() && only != test->metaObject()->className()) continue;
        failures += QTest::qExec(test.get(), argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
