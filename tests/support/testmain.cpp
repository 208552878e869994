#include "support/testregistry.h"

#include "engine/webengineenvironment.h"
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

// The arguments that name a test function of the class ("name" or
// "name:row").
QStringList functionsOf(const QObject *test, const QStringList &arguments)
{
    QStringList named;
    for (const QString &argument : arguments) {
        const QByteArray name = argument.section(u':', 0, 0).toUtf8() + "()";
        if (!argument.startsWith(u'-') && test->metaObject()->indexOfMethod(name.constData()) >= 0)
            named << argument;
    }
    return named;
}

} // namespace

int registerTestClass(const char *name, std::function<QObject *()> factory)
{
    testClasses().emplace_back(name, std::move(factory));
    return int(testClasses().size());
}

int main(int argc, char **argv)
{
    prepareWebEngineEnvironment(/*quiet=*/true);
    QApplication app(argc, argv);
    installAccessibilityFactory();
    initWavecrestResources();
    app.setApplicationName(QStringLiteral("WavecrestTests"));
    // Functions named on the command line run in the classes that have them;
    // the other classes then run nothing.
    const QStringList arguments = QCoreApplication::arguments();
    std::vector<std::unique_ptr<QObject>> tests;
    QStringList named;
    for (const auto &[name, factory] : testClasses()) {
        tests.emplace_back(factory());
        named += functionsOf(tests.back().get(), arguments);
    }
    int failures = 0;
    for (const std::unique_ptr<QObject> &test : tests) {
        const QStringList own = functionsOf(test.get(), arguments);
        if (!named.isEmpty() && own.isEmpty())
            continue;
        QStringList runArguments;
        for (const QString &argument : arguments) {
            if (own.contains(argument) || !named.contains(argument))
                runArguments << argument;
        }
        failures += QTest::qExec(test.get(), runArguments);
    }
    return failures == 0 ? 0 : 1;
}
