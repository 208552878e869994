#pragma once

#include "engine/browserengine.h"

// Makes WebEngineBrowser engines that share the program's one profile.
BrowserEngineFactory webEngineFactory();
