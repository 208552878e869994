#include "platform/webengineenvironment.h"

#include <QAccessible>
#include <QByteArrayList>
#include <QCoreApplication>
#include <QtGlobal>

#ifdef WAVECREST_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#endif

#include <cstdio>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace {

constexpr char FlagsVariable[] = "QTWEBENGINE_CHROMIUM_FLAGS";
constexpr char RendererAccessibility[] = "--force-renderer-accessibility";

// A flag the user set either way stands: one who switched the tree off
// knows why.
bool mentionsRendererAccessibility(const QByteArray &flags)
{
    for (const QByteArray &flag : flags.simplified().split(' ')) {
        const QByteArray name = flag.split('=').constFirst();
        if (name == RendererAccessibility || name == "--disable-renderer-accessibility")
            return true;
    }
    return false;
}

#ifdef WAVECREST_HAVE_DBUS
// Every call is bounded: a session bus that does not answer must not hold up
// the start.
constexpr int BusTimeoutMilliseconds = 500;

QDBusMessage callBus(const QDBusConnection &bus, const QString &service, const QString &path,
    const QString &interface, const QString &method, const QVariantList &arguments)
{
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
    call.setArguments(arguments);
    return bus.call(call, QDBus::Block, BusTimeoutMilliseconds);
}

bool replyIsTrue(const QDBusMessage &reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    const QVariant value = reply.arguments().constFirst();
    return value.canConvert<QDBusVariant>() ? value.value<QDBusVariant>().variant().toBool()
                                            : value.toBool();
}

// The same two properties of the accessibility bus that the toolkit reads.
bool desktopAccessibilityEnabled()
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    const QString a11yBus = QStringLiteral("org.a11y.Bus");
    // Asking a bus that is not running would start one for nothing.
    const QDBusMessage running = callBus(bus, QStringLiteral("org.freedesktop.DBus"),
        QStringLiteral("/org/freedesktop/DBus"), QStringLiteral("org.freedesktop.DBus"),
        QStringLiteral("NameHasOwner"), {a11yBus});
    if (!replyIsTrue(running))
        return false;
    for (const char *property : {"ScreenReaderEnabled", "IsEnabled"}) {
        const QDBusMessage reply = callBus(bus, a11yBus, QStringLiteral("/org/a11y/bus"),
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
            {QStringLiteral("org.a11y.Status"), QString::fromLatin1(property)});
        if (replyIsTrue(reply))
            return true;
    }
    return false;
}
#endif

} // namespace

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

bool assistiveTechnologyActive()
{
    if (QAccessible::isActive() || qEnvironmentVariableIsSet("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"))
        return true;
#ifdef WAVECREST_HAVE_DBUS
    return desktopAccessibilityEnabled();
#else
    return false;
#endif
}

void exposePagesToAssistiveTechnology(bool assistiveTechnology)
{
    if (!assistiveTechnology)
        return;
    QByteArray flags = qgetenv(FlagsVariable);
    if (mentionsRendererAccessibility(flags))
        return;
    if (!flags.trimmed().isEmpty())
        flags.append(' ');
    flags.append(RendererAccessibility);
    qputenv(FlagsVariable, flags);
}
