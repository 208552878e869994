#include "app/applicationshell.h"
#include "app/applicationwindows.h"
#include "app/commandline.h"
#include "app/installation.h"
#include "app/runninginstance.h"
#include "blocking/contentblocking.h"
#include "core/appcontext.h"
#include "core/version.h"
#include "downloads/downloadsaver.h"
#include "engine/enginefootprint.h"
#include "engine/webengineenvironment.h"
#include "engine/webenginefactory.h"
#include "engine/webengineprofile.h"
#include "engine/webenginespelling.h"
#include "settings/datadir.h"
#include "system/sessionbus.h"
#include "system/spellingdictionaries.h"
#include "system/terminationsignals.h"
#include "ui/accessibility.h"
#include "ui/resources.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QLocale>
#include <QPointer>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <cstdio>

namespace {

QStringList argumentList(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

// Help, the version and a wrong command line need no display, so they are
// answered before the toolkit starts: without a display the toolkit could
// only abort.
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

// Where there is no display, the toolkit can only abort; the user is told
// why instead. A platform named by QT_QPA_PLATFORM or -platform, or a display
// named by -display, is the toolkit's to try.
bool displayExpected(const QStringList &arguments)
{
    for (const char *variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        if (!qEnvironmentVariableIsEmpty(variable))
            return true;
    }
    for (const char *option : {"-platform", "--platform", "-display", "--display"}) {
        if (arguments.contains(QLatin1String(option)))
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    // First of all, so that a request to end that arrives while the program
    // starts is kept until it can be answered.
    TerminationSignals::install();
    int exitCode = 0;
    const QStringList arguments = argumentList(argc, argv);
    const CommandLine commandLine = parseCommandLine(arguments, QDir::currentPath());
    if (answeredWithoutWindows(commandLine, &exitCode))
        return exitCode;
    if (!displayExpected(arguments)) {
        std::fputs("wavecrest: no display to show the browser on (DISPLAY is not set)\n", stderr);
        return 1;
    }

    keepSessionBusFromStarting();
    prepareWebEngineEnvironment();
    reduceEngineFootprint();
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

    const QString dataDirectory
        = resolveDataDirectory(portableProgramDirectory(QCoreApplication::applicationDirPath()));
    // A copy already running for these files opens the address itself.
    RunningInstance instance(dataDirectory, RunningInstance::defaultRuntimeDirectory());
    if (!instance.claim(commandLine.startAddress)) {
        if (instance.refusal().isEmpty())
            return 0;
        std::fprintf(stderr, "wavecrest: %s\n", instance.refusal().toLocal8Bit().constData());
        return 1;
    }
    removeSaveLeftovers(dataDirectory);
    DownloadSaver::removeLeftovers();
    // Not before the claim: a start that only hands its address over would
    // ask the desktop's bus for nothing.
    installAccessibilityFactory();
    exposePagesToAssistiveTechnology();
    // Before the profile is made: older versions kept it where the web
    // server would serve it.
    moveOldWebEngineStorage();
    const QString dictionaries
        = usePageDictionaryFolder(programDictionaryFolder(QCoreApplication::applicationDirPath()));
    enablePageSpellChecking(sharedWebEngineProfile(),
        dictionaryForLocale(
            dictionariesIn(dictionaries, QStringLiteral(".bdic")), QLocale::system().name()));
    QObject::connect(sharedWebEngineProfile(), &QWebEngineProfile::downloadRequested,
        sharedWebEngineProfile(), &DownloadSaver::start);
    // Every page the program shows is watched by content blocking.
    QPointer<ContentBlocking> blocking;
    const BrowserEngineFactory engines = webEngineFactory();
    AppContext context(dataDirectory, [&blocking, engines](QWidget *parent) {
        BrowserEngine *engine = engines(parent);
        if (blocking)
            blocking->attach(engine, static_cast<QWebEngineView *>(engine->view())->page());
        return engine;
    });
    ContentBlocking contentBlocking(context, sharedWebEngineProfile());
    blocking = &contentBlocking;
    contentBlocking.start();
    context.setEngineStorage(webEngineStorageFolders() << DownloadSaver::partialRoot());
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
