#pragma once

#include "platform/programlauncher.h"
#include "platform/systemregistry.h"

#include <QHash>
#include <QStringList>

// A registry holding only the string values a test puts into it.
class FakeRegistry : public SystemRegistry
{
public:
    void setValue(const QString &keyName, const QString &valueName, const QString &value)
    {
        m_values.insert(keyName + QLatin1Char('|') + valueName, value);
    }

    bool GetKeyValue(quint32 keyRoot, const QString &keyName, const QString &valueName,
        QString *keyValue) const override
    {
        const QString id = keyName + QLatin1Char('|') + valueName;
        const bool found = keyRoot == RegistryRoots::LocalMachine && m_values.contains(id);
        *keyValue = found ? m_values.value(id) : QString();
        return found;
    }

private:
    QHash<QString, QString> m_values;
};

// Finds the programs a test names and records what would have been started.
class FakeLauncher : public ProgramLauncher
{
public:
    QString findProgram(const QString &name) const override
    {
        return onPath.contains(name) ? QStringLiteral("/usr/bin/") + name : QString();
    }

    bool startProgram(const QString &path) override
    {
        started.append(path);
        return startSucceeds;
    }

    QStringList onPath;
    bool startSucceeds = true;
    QStringList started;
};
