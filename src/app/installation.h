#pragma once

#include <QString>

// The name the desktop knows the program by: its menu entry, icon and
// software-centre description are all named after it.
QString desktopApplicationId();

// The folder that may hold the program's files beside itself: the program's
// own for a copy carried around, none for a copy installed on the system
// (one whose prefix holds its menu entry), which keeps them in the per-user
// folder even when it could write beside itself (run by root).
QString portableProgramDirectory(const QString &programDirectory);

// Where the spelling dictionaries made for the page engine at build time lie:
// beside the program in a build, in the prefix's share/wavecrest for an
// installed copy; empty when neither holds them.
QString programDictionaryFolder(const QString &programDirectory);
