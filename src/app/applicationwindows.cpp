#include "app/applicationwindows.h"

#include "about/aboutbox.h"
#include "app/appcontext.h"
#include "app/windownames.h"

void registerApplicationWindows(AppContext &context)
{
    WindowRegistry &windows = context.windows();
    // One line per window: windows.registerWindow(QLatin1String(WindowNames::X),
    //     [&context] { return new XWindow(context); });
    windows.registerWindow(
        QLatin1String(WindowNames::About), [&context] { return new AboutBox(context); });
}
