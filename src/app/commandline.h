#pragma once

#include <QString>
#include <QStringList>

// What the program was asked on its command line: `wavecrest [ADDRESS]`,
// `--help` or `--version`.
struct CommandLine {
    enum class Action { Run, ShowHelp, ShowVersion, Fail };

    Action action = Action::Run;
    // Opened instead of the home page; empty for the home page. A local file
    // is given as its absolute file address.
    QString startAddress;
    // For Fail: what was wrong, in one line.
    QString error;
};

// Reads the arguments (the first names the program). Help wins over
// everything else, then the version; a relative file path is taken from
// workingDirectory. The toolkit's own options (-platform NAME, -display
// NAME, -reverse, ...) are passed over with their values, so the arguments
// can be read before the toolkit starts; everything after --webEngineArgs
// is the page engine's.
CommandLine parseCommandLine(const QStringList &arguments, const QString &workingDirectory);

// The texts of --help and --version, each ending with a line break.
QString commandLineHelp();
QString commandLineVersion();
