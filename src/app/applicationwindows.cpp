#include "app/applicationwindows.h"

#include "about/aboutbox.h"
#include "browser/browserwindow.h"
#include "core/appcontext.h"
#include "core/windownames.h"
#include "mail/commentswindow.h"
#include "mail/sendmailwindow.h"
#include "prefs/preferencesdialog.h"
#include "webserver/serverhelpwindow.h"
#include "webserver/serverwindow.h"

void registerApplicationWindows(
    AppContext &context, std::function<void(BrowserWindow *)> onSecondaryWindow)
{
    WindowRegistry &windows = context.windows();
    windows.registerWindow(QLatin1String(WindowNames::Secondary), [&context, onSecondaryWindow] {
        auto *window = new BrowserWindow(context, BrowserWindow::Role::Secondary);
        if (onSecondaryWindow)
            onSecondaryWindow(window);
        window->loadFromSettings();
        return window;
    });
    windows.registerWindow(QLatin1String(WindowNames::Preferences),
        [&context] { return new PreferencesDialog(context); });
    windows.registerWindow(
        QLatin1String(WindowNames::About), [&context] { return new AboutBox(context); });
    windows.registerWindow(
        QLatin1String(WindowNames::SendMail), [&context] { return new SendMailWindow(context); });
    windows.registerWindow(
        QLatin1String(WindowNames::Comments), [&context] { return new CommentsWindow(context); });
    windows.registerWindow(
        QLatin1String(WindowNames::WebServer), [&context] { return new ServerWindow(context); });
    windows.registerWindow(
        QLatin1String(WindowNames::WebServerHelp), [] { return new ServerHelpWindow; });
}
