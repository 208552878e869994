#include "app/applicationshell.h"

#include "app/sessionkeeper.h"
#include "app/splashscreen.h"
#include "browser/browserwindow.h"
#include "core/appcontext.h"
#include "core/windownames.h"
#include "settings/datadir.h"
#include "ui/messagebox.h"

#include <QDir>
#include <QEvent>
#include <QGuiApplication>
#include <QSessionManager>

ApplicationShell::ApplicationShell(AppContext &context, QObject *parent)
    : QObject(parent), m_context(context), m_session(new SessionKeeper(context, this))
{
    // A logout or shutdown through the session manager is a close request of
    // the main window, as the program has always treated it.
    if (qGuiApp) {
        connect(qGuiApp, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager &) { end(); });
    }
}

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
    connect(window, &BrowserWindow::shutdownComplete, this, &ApplicationShell::finish);
    window->installEventFilter(this);
    m_session->start(window);
    window->loadFromSettings(startAddress);

    m_splash = new SplashScreen(window->windowIcon());
    connect(m_splash, &SplashScreen::finished, this, &ApplicationShell::endSplash);
    m_splash->show();
    warnOfOversizedFiles();
}

// Such files were not read, and saves leave them alone (see
// MaxTextFileBytes); the user learns why the settings or lists are missing.
void ApplicationShell::warnOfOversizedFiles()
{
    const QStringList names = oversizedDataFiles(m_context.dataDirectory());
    if (names.isEmpty())
        return;
    const QString folder = QDir::toNativeSeparators(m_context.dataDirectory());
    const QString text = names.size() == 1
        ? tr("%1 is larger than 16 MiB, too large to be a file of Wavecrest's own. Wavecrest has "
             "not read it and leaves it as it is, so what it should hold is missing for now.\n\n"
             "Move it away or delete it (in %2) to start afresh.")
              .arg(names.constFirst(), folder)
        : tr("%1 are larger than 16 MiB, too large to be files of Wavecrest's own. Wavecrest has "
             "not read them and leaves them as they are, so what they should hold is missing for "
             "now.\n\nMove them away or delete them (in %2) to start afresh.")
              .arg(names.join(QStringLiteral(", ")), folder);
    showMessageBox(nullptr, text, QMessageBox::Warning);
}

void ApplicationShell::watchSecondaryWindow(BrowserWindow *window)
{
    m_session->watch(window);
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

void ApplicationShell::open(const QString &address)
{
    if (!m_mainWindow || m_ending)
        return;
    m_mainWindow->navigate(address);
    // While the splash is up the main window waits for it.
    if (m_splash)
        return;
    if (m_mainWindow->isMinimized())
        m_mainWindow->showMaximized();
    m_mainWindow->raise();
    m_mainWindow->activateWindow();
}

void ApplicationShell::end()
{
    if (m_ending || !m_mainWindow) {
        finish();
        return;
    }
    m_mainWindow->close();
}

void ApplicationShell::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    // An end that gets here is a clean one: nothing to offer at next start.
    m_session->end();
    Q_EMIT finished();
}

bool ApplicationShell::eventFilter(QObject *watched, QEvent *event)
{
    // The main window is never kept open once asked to close, whoever asked.
    if (watched == m_mainWindow && event->type() == QEvent::Close)
        m_ending = true;
    return QObject::eventFilter(watched, event);
}
