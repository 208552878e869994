#include "engine/webengineenvironment.h"

#include <QAccessible>
#include <QByteArrayList>
#include <QCoreApplication>
#include <QLoggingCategory>
#include <QtGlobal>

#ifdef WAVECREST_HAVE_DBUS
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#endif

#include <cstdio>

#include <unistd.h>

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

QtMessageHandler previousMessageHandler = nullptr;

void withoutEngineSandboxNote(
    QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtInfoMsg && message == u"Sandboxing disabled by user.")
        return;
    if (previousMessageHandler)
        previousMessageHandler(type, context, message);
}

#ifdef WAVECREST_HAVE_DBUS
// A session bus that does not answer must not hold up the start.
constexpr int BusTimeoutMilliseconds = 500;

// The same two properties of the accessibility bus that the toolkit reads,
// in one call. The call does not start the bus: asking one that is not
// running would start it for nothing, and it answers at once that there is
// none.
bool desktopAccessibilityEnabled()
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.a11y.Bus"),
        QStringLiteral("/org/a11y/bus"), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("GetAll"));
    call.setArguments({QStringLiteral("org.a11y.Status")});
    call.setAutoStartService(false);
    const QDBusMessage reply = bus.call(call, QDBus::Block, BusTimeoutMilliseconds);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    // The values arrive unwrapped from their D-Bus variants.
    const QVariantMap properties = qdbus_cast<QVariantMap>(reply.arguments().constFirst());
    return properties.value(QStringLiteral("ScreenReaderEnabled")).toBool()
        || properties.value(QStringLiteral("IsEnabled")).toBool();
}
#endif

} // namespace

void prepareWebEngineEnvironment(bool quiet)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The engine describes its set-up in some twenty lines at every start;
    // whoever wants them names the category in QT_LOGGING_RULES.
    if (!qEnvironmentVariable("QT_LOGGING_RULES").contains(u"webenginecontext"))
        QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX")) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
        if (!quiet)
            std::fputs(
                "wavecrest: running as root; the page engine's sandbox is disabled\n", stderr);
        // The engine would say it again, as if the user had asked for it.
        previousMessageHandler = qInstallMessageHandler(withoutEngineSandboxNote);
    }
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
