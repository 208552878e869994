#pragma once

#include "app/applicationwindows.h"
#include "app/windownames.h"
#include "browser/browserwindow.h"
#include "support/testcontext.h"

#include <QPointer>

// A main window with scripted engines in a temporary data directory. The
// one-instance windows of other areas are stood in for by plain widgets, so a
// test sees which of them a command opened.
struct BrowserFixture {
    BrowserFixture()
    {
        registerApplicationWindows(*ctx.context);
        for (const char *name : {WindowNames::Preferences, WindowNames::SendMail,
                 WindowNames::Comments, WindowNames::WebServer, WindowNames::About})
            ctx.context->windows().registerWindow(QLatin1String(name), [] { return new QWidget; });
        window = new BrowserWindow(*ctx.context, BrowserWindow::Role::Main);
        ctx.context->windows().adopt(QLatin1String(WindowNames::Main), window);
    }

    FakeBrowserEngine *engine(int i = 0) const { return ctx.engines.at(i); }
    BrowserWindow *secondary() const
    {
        return ctx.context->windows().find<BrowserWindow>(QLatin1String(WindowNames::Secondary));
    }
    bool isOpen(const char *name) const
    {
        const QWidget *w = ctx.context->windows().find(QLatin1String(name));
        return w && w->isVisible();
    }
    template <typename T> T *child(const char *name, QWidget *in = nullptr) const
    {
        return (in ? in : window.data())->findChild<T *>(QLatin1String(name));
    }

    TestContext ctx;
    QPointer<BrowserWindow> window;
};
