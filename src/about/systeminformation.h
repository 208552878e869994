#pragma once

#include <QStringList>

class ProgramLauncher;
class QWidget;
class SystemRegistry;

// The programs looked for on the PATH, in order, when the registry names no
// system-information tool (on Windows the registry is the only source).
QStringList systemInformationPrograms();

// Starts the platform's system-information tool: the one Windows records in
// the registry, else the first of systemInformationPrograms() on the PATH.
// When there is none or it will not start, the user is told so.
void StartSysInfo(
    const SystemRegistry &registry, ProgramLauncher &launcher, QWidget *messageParent);
