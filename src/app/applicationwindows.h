#pragma once

#include <functional>

class AppContext;
class BrowserWindow;

// Tells the context's window registry how to make each one-instance window;
// each secondary browser window made is handed to onSecondaryWindow too.
void registerApplicationWindows(
    AppContext &context, std::function<void(BrowserWindow *)> onSecondaryWindow = {});
