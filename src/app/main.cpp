#include "app/applicationshell.h"
#include "app/applicationwindows.h"
#include "app/commandline.h"
#include "app/installation.h"
#include "app/runninginstance.h"
#include "core/appcontext.h"
#include "core/version.h"
#include "downloads/downloadsaver.h"
#include "engine/enginefootprint.h"
#include "engine/webengineenvironment.h"
#include "engine/webenginefactory.h"
#include "engine/webengineprofile.h"
#include "settings/datadir.h"
#include "system/terminationsignals.h"
#include "ui/accessibility.h"
#include "ui/resources.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>

#include <cstdio>

namespace {

QStringList argumentList(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

// Help and the version need no display, so they are answered before the
// toolkit starts; a wrong option is known only once the toolkit has taken
// its own (-platform and the like) from the command line.
bool answeredWithoutWindows(const CommandLine &commandLine, int *exitCode)
{
    switch (commandLine.action) {
    case CommandLine::Action::ShowHelp:
        std::fputs(commandLineHelp().toLocal8Bit().constData(), stdout);
        break;
    case CommandLine::Action::ShowVersion:
        std::fputs(commandLineVersion().toLocal8Bit().constData(), stdout);
        break;
    case CommandLine::Action::Fail:
        std::fprintf(stderr, "wavecrest: %s\nTry 'wavecrest --help'.\n",
            commandLine.error.toLocal8Bit().constData());
        *exitCode = 2;
        return true;
    case CommandLine::Action::Run:
        return false;
    }
    *exitCode = 0;
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    // First of all, so that a request to end that arrives while the program
    // starts is kept until it can be answered.
    TerminationSignals::install();
    int exitCode = 0;
    CommandLine commandLine = parseCommandLine(argumentList(argc, argv), QDir::currentPath());
    if (commandLine.action != CommandLine::Action::Fail
        && answeredWithoutWindows(commandLine, &exitCode))
        return exitCode;

    prepareWebEngineEnvironment();
    reduceEngineFootprint();
    const int givenArgumentCount = argc;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Wavecrest"));
    QApplication::setOrganizationName(QStringLiteral("Brimlow"));
    QApplication::setApplicationVersion(productVersion());
    // Ties the windows to the menu entry (its icon, on Wayland too).
    QGuiApplication::setDesktopFileName(desktopApplicationId());
    // Only the main window's close ends the program, after it has saved.
    QApplication::setQuitOnLastWindowClosed(false);
    initWavecrestResources();
    QApplication::setWindowIcon(programIcon());
    // Read again only when the toolkit took options of its own out of argv.
    if (argc != givenArgumentCount)
        commandLine = parseCommandLine(argumentList(argc, argv), QDir::currentPath());
    if (answeredWithoutWindows(commandLine, &exitCode))
        return exitCode;

    const QString dataDirectory
        = resolveDataDirectory(portableProgramDirectory(QCoreApplication::applicationDirPath()));
    // A copy already running for these files opens the address itself.
    RunningInstance instance(dataDirectory, RunningInstance::defaultRuntimeDirectory());
    if (!instance.claim(commandLine.startAddress))
        return 0;
    removeSaveLeftovers(dataDirectory);
    DownloadSaver::removeLeftovers();
    // Not before the claim: a start that only hands its address over would
    // ask the desktop's bus for nothing.
    installAccessibilityFactory();
    exposePagesToAssistiveTechnology();
    QObject::connect(sharedWebEngineProfile(), &QWebEngineProfile::downloadRequested,
        sharedWebEngineProfile(), &DownloadSaver::start);
    AppContext context(dataDirectory, webEngineFactory());
    ApplicationShell shell(context);
    registerApplicationWindows(
        context, [&shell](BrowserWindow *window) { shell.watchSecondaryWindow(window); });
    QObject::connect(&shell, &ApplicationShell::finished, &app, [] { QCoreApplication::exit(0); });
    TerminationSignals endRequests;
    QObject::connect(&endRequests, &TerminationSignals::received, &shell, &ApplicationShell::end);
    QObject::connect(&instance, &RunningInstance::addressReceived, &shell, &ApplicationShell::open);
    shell.start(commandLine.startAddress);
    // Starting lets pending events run, a request to end among them; the end
    // it asked for came before the loop that exit() leaves.
    if (shell.hasFinished())
        return 0;
    return QApplication::exec();
}
