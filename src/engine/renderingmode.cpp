#include "engine/renderingmode.h"

#include <QByteArrayList>
#include <QDir>
#include <QFile>
#include <QtGlobal>

#include <algorithm>

#include <unistd.h>

namespace {

constexpr char QuickBackendVariable[] = "QT_QUICK_BACKEND";
constexpr char XcbGlIntegrationVariable[] = "QT_XCB_GL_INTEGRATION";
constexpr char ChromiumFlagsVariable[] = "QTWEBENGINE_CHROMIUM_FLAGS";
constexpr char SoftwareGlVariable[] = "LIBGL_ALWAYS_SOFTWARE";
constexpr char DisableGpu[] = "--disable-gpu";

QByteArrayList flagNames(const QByteArray &flags)
{
    QByteArrayList names;
    for (const QByteArray &flag : flags.simplified().split(' '))
        names << flag.split('=').constFirst();
    return names;
}

// Flags by which a user sets up the engine's OpenGL himself.
bool flagsChooseOpenGl(const QByteArray &flags)
{
    static const QByteArrayList openGlFlags = {"--use-gl", "--use-angle", "--ignore-gpu-blocklist",
        "--ignore-gpu-blacklist", "--enable-gpu-rasterization", "--enable-zero-copy"};
    const QByteArrayList names = flagNames(flags);
    return std::any_of(names.cbegin(), names.cend(),
        [](const QByteArray &name) { return openGlFlags.contains(name); });
}

bool asksForOpenGl(const GraphicsEnvironment &environment)
{
    return (!environment.quickBackend.isEmpty() && environment.quickBackend != "software")
        || (!environment.xcbGlIntegration.isEmpty() && environment.xcbGlIntegration != "none")
        || flagsChooseOpenGl(environment.chromiumFlags);
}

// As Mesa reads it: set and not a word for no.
bool softwareGlForced()
{
    const QByteArray value = qgetenv(SoftwareGlVariable).trimmed().toLower();
    return !value.isEmpty() && value != "0" && value != "false" && value != "no";
}

bool userMayOpen(const QString &path)
{
    return ::access(QFile::encodeName(path).constData(), R_OK | W_OK) == 0;
}

QtMessageHandler nextMessageHandler = nullptr;

// Without OpenGL the toolkit and the page engine still look for it once at
// start and say that they found none: what was asked for, so not for the user.
void passMessagesButOpenGlSearch(
    QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.startsWith(u"QXcbIntegration: Cannot create platform OpenGL context")
        || message.startsWith(u"No suitable graphics backend found"))
        return;
    nextMessageHandler(type, context, message);
}

} // namespace

QList<EnvironmentAssignment> softwareRenderingAssignments(const GraphicsEnvironment &environment)
{
    const bool software = !environment.graphicsDevice || environment.softwareGlForced;
    if (!software || asksForOpenGl(environment))
        return {};
    QList<EnvironmentAssignment> assignments;
    if (environment.quickBackend.isEmpty())
        assignments.emplaceBack(QuickBackendVariable, "software");
    if (environment.xcbGlIntegration.isEmpty())
        assignments.emplaceBack(XcbGlIntegrationVariable, "none");
    if (!flagNames(environment.chromiumFlags).contains(DisableGpu)) {
        QByteArray flags = environment.chromiumFlags.trimmed();
        if (!flags.isEmpty())
            flags += ' ';
        assignments.emplaceBack(ChromiumFlagsVariable, flags + DisableGpu);
    }
    return assignments;
}

bool graphicsDeviceAvailable(const QString &deviceDirectory)
{
    const QDir dri(deviceDirectory + QStringLiteral("/dri"));
    const QStringList renderNodes = dri.entryList({QStringLiteral("renderD*")}, QDir::System);
    for (const QString &node : renderNodes) {
        if (userMayOpen(dri.filePath(node)))
            return true;
    }
    return userMayOpen(deviceDirectory + QStringLiteral("/nvidiactl"));
}

void chooseRenderingMode()
{
    GraphicsEnvironment environment;
    environment.quickBackend = qgetenv(QuickBackendVariable);
    environment.xcbGlIntegration = qgetenv(XcbGlIntegrationVariable);
    environment.chromiumFlags = qgetenv(ChromiumFlagsVariable);
    environment.softwareGlForced = softwareGlForced();
    environment.graphicsDevice = graphicsDeviceAvailable();
    const QList<EnvironmentAssignment> assignments = softwareRenderingAssignments(environment);
    for (const auto &[name, value] : assignments)
        qputenv(name.constData(), value);
    if (!assignments.isEmpty())
        nextMessageHandler = qInstallMessageHandler(passMessagesButOpenGlSearch);
}
