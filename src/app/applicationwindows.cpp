#include "app/applicationwindows.h"

#include "app/appcontext.h"
#include "app/windownames.h"

void registerApplicationWindows(AppContext &context)
{
    WindowRegistry &windows = context.windows();
    Q_UNUSED(windows);
    // One line per window: windows.registerWindow(QLatin1String(WindowNames::X),
    //     [&context] { return new XWindow(context); });
}
