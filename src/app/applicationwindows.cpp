#include "app/applicationwindows.h"

#include "app/appcontext.h"
#include "app/windownames.h"
#include "webserver/serverhelpwindow.h"
#include "webserver/serverwindow.h"

void registerApplicationWindows(AppContext &context)
{
    WindowRegistry &windows = context.windows();
    Q_UNUSED(windows);
    // One line per window: windows.registerWindow(QLatin1String(WindowNames::X),
    //     [&context] { return new XWindow(context); });
    windows.registerWindow(
        QLatin1String(WindowNames::WebServer), [&context] { return new ServerWindow(context); });
    windows.registerWindow(
        QLatin1String(WindowNames::WebServerHelp), [] { return new ServerHelpWindow; });
}
