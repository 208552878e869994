#include "app/applicationshell.h"
#include "app/applicationwindows.h"
#include "core/appcontext.h"
#include "core/version.h"
#include "platform/accessibility.h"
#include "platform/resources.h"
#include "platform/webengineenvironment.h"
#include "platform/webenginefactory.h"
#include "settings/datadir.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    prepareWebEngineEnvironment();
    QApplication app(argc, argv);
    prepareAccessibility();
    QApplication::setApplicationName(QStringLiteral("Wavecrest"));
    QApplication::setOrganizationName(QStringLiteral("Brimlow"));
    QApplication::setApplicationVersion(productVersion());
    // Only the main window's close ends the program, after it has saved.
    QApplication::setQuitOnLastWindowClosed(false);
    initWavecrestResources();
    QApplication::setWindowIcon(programIcon());

    const QString dataDirectory = resolveDataDirectory(QCoreApplication::applicationDirPath());
    removeSaveLeftovers(dataDirectory);
    AppContext context(dataDirectory, webEngineFactory());
    registerApplicationWindows(context);
    ApplicationShell shell(context);
    QObject::connect(&shell, &ApplicationShell::finished, &app, [] { QCoreApplication::exit(0); });
    shell.start();
    return QApplication::exec();
}
