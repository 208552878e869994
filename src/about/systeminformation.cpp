#include "about/systeminformation.h"

#include "system/programlauncher.h"
#include "system/systemregistry.h"
#include "ui/messagebox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <optional>

namespace {

// The tool the registry names, if it names one.
std::optional<QString> registeredProgram(const SystemRegistry &registry)
{
    QString value;
    // The tool's full path, where its installer recorded one; if this key is
    // there its value is used even when it turns out not to start.
    if (registry.GetKeyValue(RegistryRoots::LocalMachine,
            QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"), QStringLiteral("PATH"),
            &value))
        return value;
    // Otherwise the directory of the shared tools, which may or may not hold it.
    if (registry.GetKeyValue(RegistryRoots::LocalMachine,
            QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"), QStringLiteral("MSINFO"),
            &value)
        && !value.isEmpty()) {
        const QString path = QDir(value).filePath(QStringLiteral("MSINFO32.EXE"));
        if (QFileInfo(path).isFile())
            return QDir::toNativeSeparators(path);
    }
    return std::nullopt;
}

QString programOnPath(const ProgramLauncher &launcher)
{
    for (const QString &name : systemInformationPrograms()) {
        const QString path = launcher.findProgram(name);
        if (!path.isEmpty())
            return path;
    }
    return {};
}

} // namespace

QStringList systemInformationPrograms()
{
    return {QStringLiteral("hardinfo2"), QStringLiteral("hardinfo"), QStringLiteral("kinfocenter"),
        QStringLiteral("gnome-system-monitor")};
}

void StartSysInfo(const SystemRegistry &registry, ProgramLauncher &launcher, QWidget *messageParent)
{
    const std::optional<QString> registered = registeredProgram(registry);
    const QString program = registered ? *registered : programOnPath(launcher);
    if (program.isEmpty() || !launcher.startProgram(program))
        showMessageBox(messageParent,
            QCoreApplication::translate(
                "SystemInformation", "System Information Is Unavailable At This Time"),
            QMessageBox::NoIcon, applicationTitle());
}
