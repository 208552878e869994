#pragma once

#include <QObject>
#include <QPointer>

class AppContext;
class BrowserWindow;
class SessionKeeper;
class SplashScreen;

// Start-up and shutdown: the main window loads hidden while the splash is up
// and opens maximised when the splash ends; closing the main window saves its
// colour and lists, after which finished() tells main() to end the program.
// The session manager's end of the session ends the program in the same way.
class ApplicationShell : public QObject
{
    Q_OBJECT

public:
    explicit ApplicationShell(AppContext &context, QObject *parent = nullptr);
    ~ApplicationShell() override;

    // Shows the splash while the main window loads; a start address is
    // opened instead of the home page.
    void start(const QString &startAddress = QString());

    // The desktop asks the program to end (a termination signal): the same
    // save-and-end as File > Exit. Asked again while that end still waits
    // (a failed save's message is up), or before there is a main window
    // whose lists could be saved, the program ends at once.
    void end();

    // Another start of the program asked for the address (empty: for the
    // program): the main window opens it and comes to the front.
    void open(const QString &address);

    // Keeps the secondary window's address with the main window's, for a
    // start after a crash (see SessionKeeper).
    void watchSecondaryWindow(BrowserWindow *window);

    bool hasFinished() const { return m_finished; }
    BrowserWindow *mainWindow() const;
    SplashScreen *splash() const;

Q_SIGNALS:
    void finished();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void endSplash();
    void warnOfOversizedFiles();
    void finish();

    AppContext &m_context;
    QPointer<BrowserWindow> m_mainWindow;
    QPointer<SplashScreen> m_splash;
    SessionKeeper *m_session;
    bool m_ending = false;
    bool m_finished = false;
};
