#include "support/test_main.h"

#include <QList>
#include <QTest>

#ifdef QT_WIDGETS_LIB
#include <QApplication>
using Application = QApplication;
#else
#include <QGuiApplication>
using Application = QGuiApplication;
#endif

static QList<std::function<std::unique_ptr<QObject>()>>& testClasses() {
    static QList<std::function<std::unique_ptr<QObject>()>> classes;
    return classes;
}

int registerTestClass(std::function<std::unique_ptr<QObject>()> make) {
    testClasses().append(std::move(make));
    return 0;
}

int main(int argc, char* argv[]) {
    Application app(argc, argv);
    int failed = 0;
    for (const auto& make : testClasses()) {
        const std::unique_ptr<QObject> tests = make();
        failed += QTest::qExec(tests.get(), argc, argv) != 0;
    }
    return failed;
}
