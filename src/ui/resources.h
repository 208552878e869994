#pragma once

class QIcon;

// Registers the bundled icons; the resources live in a static library, so
// the program and the tests must ask for them once at start.
void initWavecrestResources();

// The program's own icon: the windows' icon, the logo and the pictures of the
// splash screen, Preferences and the About box.
QIcon programIcon();
