#include "app/applicationwindows.h"

#include "app/appcontext.h"
#include "app/windownames.h"
#include "mail/commentswindow.h"
#include "mail/sendmailwindow.h"

void registerApplicationWindows(AppContext &context)
{
    WindowRegistry &windows = context.windows();
    // One line per window: windows.registerWindow(QLatin1String(WindowNames::X),
    //     [&context] { return new XWindow(context); });
    windows.registerWindow(
        QLatin1String(WindowNames::SendMail), [&context] { return new SendMailWindow(context); });
    windows.registerWindow(
        QLatin1String(WindowNames::Comments), [&context] { return new CommentsWindow(context); });
}
