#pragma once

// A test program holds the test classes of one layer. Each class registers
// itself; the program's main (test_main.cpp) runs them all in turn and
// fails when any of them fails.

#include <QObject>
#include <functional>
#include <memory>

int registerTestClass(std::function<std::unique_ptr<QObject>()> make);

#define PICTOR_TEST(Class) \
    [[maybe_unused]] const int registered##Class = registerTestClass([] { return std::make_unique<Class>(); })
