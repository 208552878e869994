#include "app/applicationshell.h"

#include "app/splashscreen.h"
#include "browser/browserwindow.h"
#include "core/appcontext.h"
#include "core/windownames.h"

ApplicationShell::ApplicationShell(AppContext &context, QObject *parent)
    : QObject(parent), m_context(context)
{ }

ApplicationShell::~ApplicationShell()
{
    delete m_splash.data();
}

BrowserWindow *ApplicationShell::mainWindow() const
{
    return m_mainWindow;
}

SplashScreen *ApplicationShell::splash() const
{
    return m_splash;
}

void ApplicationShell::start(const QString &startAddress)
{
    // The main window is made and loaded before the splash shows: the splash
    // takes its picture from the main window's icon.
    auto *window = new BrowserWindow(m_context, BrowserWindow::Role::Main);
    m_mainWindow = window;
    m_context.windows().adopt(QLatin1String(WindowNames::Main), window);
    connect(window, &BrowserWindow::shutdownComplete, this, &ApplicationShell::finished);
    window->loadFromSettings(startAddress);

    m_splash = new SplashScreen(window->windowIcon());
    connect(m_splash, &SplashScreen::finished, this, &ApplicationShell::endSplash);
    m_splash->show();
}

void ApplicationShell::endSplash()
{
    // Shown before the splash goes, so that there is never a moment without
    // a window.
    if (m_mainWindow)
        m_mainWindow->showMaximized();
    if (m_splash) {
        m_splash->hide();
        m_splash->deleteLater();
    }
}
