#pragma once

class AppContext;

// Tells the context's window registry how to make each one-instance window.
void registerApplicationWindows(AppContext &context);
