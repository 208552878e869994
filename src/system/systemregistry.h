#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>

// Root keys of the registry, with the values the Windows headers give them.
namespace RegistryRoots {
inline constexpr quint32 LocalMachine = 0x80000002;
} // namespace RegistryRoots

// Read access to the system registry. The About box reads through this so
// that tests can hand it a registry of their own; platforms without a
// registry get one that holds nothing.
class SystemRegistry
{
public:
    virtual ~SystemRegistry() = default;

    // The string value valueName of the key keyName under keyRoot. False, with
    // *keyValue empty, when the key or the value is missing or not a string.
    virtual bool GetKeyValue(quint32 keyRoot, const QString &keyName, const QString &valueName,
        QString *keyValue) const = 0;
};

// The registry of the platform the program runs on.
std::unique_ptr<SystemRegistry> createSystemRegistry();
