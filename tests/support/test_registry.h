#pragma once

#include <QObject>

#include <functional>
#include <vector>

// Each folder's tests build one executable; every test class registers itself
// here and the shared main runs them all.
struct TestRegistry {
    using Factory = std::function<QObject*()>;
    static std::vector<Factory>& all() {
        static std::vector<Factory> factories;
        return factories;
    }
    explicit TestRegistry(Factory f) { all().push_back(std::move(f)); }
};

#define REELNOTE_TEST(Class) \
    static TestRegistry reelnoteRegistered##Class([] { return static_cast<QObject*>(new Class); });
