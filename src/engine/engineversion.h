#pragma once

#include <QString>

// How old the page engine is, for users and administrators to judge it: the
// Chromium version it is built on and the one whose security fixes it
// carries, "Chromium 102.0.5005.177 (security patches up to 108.0.5359.181)".
QString pageEngineVersionText();
