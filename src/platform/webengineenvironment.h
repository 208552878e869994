#pragma once

// Prepares the environment the page engine reads at start-up; must run before
// the QApplication is made. As root, Chromium refuses to start with its
// sandbox, so the sandbox is switched off (said once on stderr unless quiet).
void prepareWebEngineEnvironment(bool quiet = false);
