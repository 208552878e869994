#pragma once

#include <QString>

// Finds and starts other programs. Tests derive from it to see what would
// have been started without starting anything.
class ProgramLauncher
{
public:
    virtual ~ProgramLauncher() = default;

    // The full path of the executable name found on the PATH, "" when none.
    virtual QString findProgram(const QString &name) const;
    // Starts the program on its own, in a normal window, and does not wait
    // for it; false when it could not be started.
    virtual bool startProgram(const QString &path);
};
