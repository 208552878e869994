#include "support/testregistry.h"

#include "engine/webengineenvironment.h"
#include "system/sessionbus.h"
#include "ui/accessibility.h"
#include "ui/resources.h"

#include <QApplication>
#include <QTest>

#include <memory>
#include <utility>
#include <vector>

namespace {

std::vector<std::pair<const char *, std::function<QObject *()>>> &testClasses()
{
    static std::vector<std::pair<const char *, std::function<QObject *()>>> classes;
    return classes;
}

} // namespace

int registerTestClass(const char *name, std::function<QObject *()> factory)
{
    testClasses().emplace_back(name, std::move(factory));
    return int(testClasses().size());
}

int main(int argc, char **argv)
{
    // As the program does: no test leaves a session bus behind.
    keepSessionBusFromStarting();
    prepareWebEngineEnvironment(/*quiet=*/true);
    QApplication app(argc, argv);
    installAccessibilityFactory();
    initWavecrestResources();
    app.setApplicationName(QStringLiteral("WavecrestTests"));
    int failures = 0;
    for (const auto &[name, factory] : testClasses()) {
        std::unique_ptr<QObject> test(factory());
        failures += QTest::qExec(test.get(), argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
