#pragma once

#include "platform/systemregistry.h"

#ifdef Q_OS_WIN

// The Windows registry, read-only.
class WindowsRegistry final : public SystemRegistry
{
public:
    bool GetKeyValue(quint32 keyRoot, const QString &keyName, const QString &valueName,
        QString *keyValue) const override;
};

#endif
