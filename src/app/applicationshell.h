#pragma once

#include <QObject>
#include <QPointer>

class AppContext;
class BrowserWindow;
class SplashScreen;

// Start-up and shutdown: the main window loads hidden while the splash is up
// and opens maximised when the splash ends; closing the main window saves its
// colour and lists, after which finished() tells main() to end the program.
class ApplicationShell : public QObject
{
    Q_OBJECT

public:
    explicit ApplicationShell(AppContext &context, QObject *parent = nullptr);
    ~ApplicationShell() override;

    // Shows the splash while the main window loads; a start address is
    // opened instead of the home page.
    void start(const QString &startAddress = QString());

    BrowserWindow *mainWindow() const;
    SplashScreen *splash() const;

Q_SIGNALS:
    void finished();

private:
    void endSplash();

    AppContext &m_context;
    QPointer<BrowserWindow> m_mainWindow;
    QPointer<SplashScreen> m_splash;
};
