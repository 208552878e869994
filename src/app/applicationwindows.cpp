#include "app/applicationwindows.h"

#include "about/aboutbox.h"
#include "app/appcontext.h"
#include "app/windownames.h"
#include "browser/browserwindow.h"

void registerApplicationWindows(AppContext &context)
{
    WindowRegistry &windows = context.windows();
    windows.registerWindow(QLatin1String(WindowNames::Secondary), [&context] {
        auto *window = new BrowserWindow(context, BrowserWindow::Role::Secondary);
        window->loadFromSettings();
        return window;
    });
    windows.registerWindow(
        QLatin1String(WindowNames::About), [&context] { return new AboutBox(context); });
}
