#pragma once

// Registers the bundled icons; the resources live in a static library, so
// the program and the tests must ask for them once at start.
void initWavecrestResources();
