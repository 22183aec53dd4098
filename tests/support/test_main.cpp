#include "test_registry.h"

#include <QApplication>
#include <QTest>

#include <memory>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
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
