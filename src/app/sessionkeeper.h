#pragma once

#include "app/reopenoffer.h"
#include "settings/sessionfile.h"

#include <QObject>
#include <QPointer>

class AppContext;
class BrowserWindow;

// Keeps the session file in step with the browser windows' addresses and
// offers, in the main window, the pages of a run that did not end cleanly
// (see ReopenOffer).
class SessionKeeper : public QObject
{
    Q_OBJECT

public:
    explicit SessionKeeper(AppContext &context, QObject *parent = nullptr);

    // Reads what the last run left and, when there is something to offer,
    // shows the offer in the main window. Nothing is reopened unasked.
    void start(BrowserWindow *mainWindow);
    // The secondary window, while it lives, is kept too.
    void watch(BrowserWindow *secondaryWindow);
    // The program ends cleanly: the file goes.
    void end();

private:
    void windowsChanged();
    void reopen();
    void dismiss();
    void write(const std::optional<QStringList> &addresses);

    AppContext &m_context;
    SessionFile m_file;
    ReopenOffer m_offer{std::nullopt};
    QPointer<BrowserWindow> m_main;
    QPointer<BrowserWindow> m_secondary;
    bool m_ended = false;
};
