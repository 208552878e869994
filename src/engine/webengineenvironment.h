#pragma once

// Prepares the environment the page engine reads at start-up; must run before
// the QApplication is made. As root, Chromium refuses to start with its
// sandbox, so the sandbox is switched off (said once on stderr unless quiet).
// The engine's description of its set-up (qt.webenginecontext) stays unsaid
// unless QT_LOGGING_RULES names it.
void prepareWebEngineEnvironment(bool quiet = false);

// Whether an assistive technology listens to the program: the toolkit is
// already talking to one, the toolkit is told to (QT_LINUX_ACCESSIBILITY_ALWAYS_ON),
// or the desktop's accessibility setting is on. The toolkit itself learns the
// last only once the event loop runs, too late for the page engine, so the
// setting is read here directly. Needs the QApplication.
bool assistiveTechnologyActive();

// The page engine builds an accessibility tree of its pages only when told
// to, and the tree costs time and memory on every page, so it is told only
// when an assistive technology listens: the engine switch is then appended
// to QTWEBENGINE_CHROMIUM_FLAGS, keeping whatever the user put there. The
// engine reads the flags once, when its first profile or page is made, so
// this must run before that.
void exposePagesToAssistiveTechnology(bool assistiveTechnology = assistiveTechnologyActive());
