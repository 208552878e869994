#include "platform/webengineenvironment.h"

#include <QCoreApplication>
#include <QtGlobal>

#include <cstdio>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

void prepareWebEngineEnvironment(bool quiet)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
#ifndef Q_OS_WIN
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX")) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
        if (!quiet)
            std::fputs(
                "wavecrest: running as root; the page engine's sandbox is disabled\n", stderr);
    }
#else
    Q_UNUSED(quiet);
#endif
}
