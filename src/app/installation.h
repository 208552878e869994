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
