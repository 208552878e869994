#pragma once

#include <QString>

// The program's version as the build names it ("2.0.0"): major, minor and
// revision, each a plain decimal number, joined by dots.
QString productVersion();

// The version as the splash screen and the About box show it.
QString productVersionText();
