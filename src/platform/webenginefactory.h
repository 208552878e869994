#pragma once

#include "platform/browserengine.h"

// Makes WebEngineBrowser engines that share the program's one profile.
BrowserEngineFactory webEngineFactory();
