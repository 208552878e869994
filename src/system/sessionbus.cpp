#include "system/sessionbus.h"

#include <QFileInfo>

namespace {

constexpr char AddressVariable[] = "DBUS_SESSION_BUS_ADDRESS";
// Not a transport the library knows, so connecting fails without a try.
constexpr char UnreachableAddress[] = "disabled:";

bool &addressWasSetHere()
{
    static bool set = false;
    return set;
}

bool userBusRuns()
{
    const QString runtimeDirectory = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtimeDirectory.isEmpty()
        && QFileInfo::exists(runtimeDirectory + QStringLiteral("/bus"));
}

} // namespace

void keepSessionBusFromStarting()
{
    if (!qEnvironmentVariableIsEmpty(AddressVariable) || userBusRuns())
        return;
    qputenv(AddressVariable, UnreachableAddress);
    addressWasSetHere() = true;
}

QProcessEnvironment environmentForOtherPrograms()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (addressWasSetHere())
        environment.remove(QString::fromLatin1(AddressVariable));
    return environment;
}
