#include "engine/enginefootprint.h"

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

bool asksForOpenGl(const EngineEnvironment &environment)
{
    return (!environment.quickBackend.isEmpty() && environment.quickBackend != "software")
        || (!environment.xcbGlIntegration.isEmpty() && environment.xcbGlIntegration != "none")
        || flagsChooseOpenGl(environment.chromiumFlags);
}

QByteArray withFlags(QByteArray flags, const QByteArrayList &wanted)
{
    const QByteArrayList present = flagNames(flags);
    for (const QByteArray &flag : wanted) {
        if (present.contains(flag))
            continue;
        if (!flags.trimmed().isEmpty())
            flags = flags.trimmed() + ' ';
        flags += flag;
    }
    return flags;
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

// Without OpenGL the toolkit and the engine still look for it once at start
// and say that they found none: what was asked for, so not for the user.
void passMessagesButOpenGlSearch(
    QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.startsWith(u"QXcbIntegration: Cannot create platform OpenGL context")
        || message.startsWith(u"No suitable graphics backend found"))
        return;
    nextMessageHandler(type, context, message);
}

} // namespace

bool drawsInSoftware(const EngineEnvironment &environment)
{
    return (!environment.graphicsDevice || environment.softwareGlForced)
        && !asksForOpenGl(environment);
}

QList<EnvironmentAssignment> engineFootprintAssignments(const EngineEnvironment &environment)
{
    QList<EnvironmentAssignment> assignments;
    QByteArrayList flags{"--no-unsandboxed-zygote"};
    if (drawsInSoftware(environment)) {
        if (environment.quickBackend.isEmpty())
            assignments.emplaceBack(QuickBackendVariable, "software");
        if (environment.xcbGlIntegration.isEmpty())
            assignments.emplaceBack(XcbGlIntegrationVariable, "none");
        flags.prepend("--disable-gpu");
    }
    const QByteArray chromiumFlags = withFlags(environment.chromiumFlags, flags);
    if (chromiumFlags != environment.chromiumFlags)
        assignments.emplaceBack(ChromiumFlagsVariable, chromiumFlags);
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

void reduceEngineFootprint()
{
    EngineEnvironment environment;
    environment.quickBackend = qgetenv(QuickBackendVariable);
    environment.xcbGlIntegration = qgetenv(XcbGlIntegrationVariable);
    environment.chromiumFlags = qgetenv(ChromiumFlagsVariable);
    environment.softwareGlForced = softwareGlForced();
    environment.graphicsDevice = graphicsDeviceAvailable();
    for (const auto &[name, value] : engineFootprintAssignments(environment))
        qputenv(name.constData(), value);
    if (drawsInSoftware(environment))
        nextMessageHandler = qInstallMessageHandler(passMessagesButOpenGlSearch);
}
