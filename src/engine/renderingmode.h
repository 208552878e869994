#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <utility>

// What decides how the windows and the pages are drawn: the variables through
// which the toolkit and the page engine are told, as the user left them, and
// whether the machine has a graphics device this user may open.
struct GraphicsEnvironment {
    QByteArray quickBackend; // QT_QUICK_BACKEND
    QByteArray xcbGlIntegration; // QT_XCB_GL_INTEGRATION
    QByteArray chromiumFlags; // QTWEBENGINE_CHROMIUM_FLAGS
    bool softwareGlForced = false; // LIBGL_ALWAYS_SOFTWARE
    bool graphicsDevice = false;
};

// One environment variable and the value to give it.
using EnvironmentAssignment = std::pair<QByteArray, QByteArray>;

// Without a graphics device, OpenGL is Mesa's software rasteriser: loading it
// costs the main process over 100 MB and the start a good deal of time, and it
// draws a page no faster than the engine's and the toolkit's own software
// drawing. So then everything is drawn in software: the page engine without
// its GPU path, the page view's scene graph in software, and no OpenGL in the
// toolkit's X11 windows at all. With a device the GPU is used as ever.
//
// The user's choice stands: a variable already set keeps its value (flags are
// appended to, never replaced), and a user who asked for OpenGL drawing through
// any of the three variables gets nothing from here.
QList<EnvironmentAssignment> softwareRenderingAssignments(const GraphicsEnvironment &environment);

// Whether this user may open a render node under <deviceDirectory>/dri, or the
// control device of NVIDIA's own driver, which needs none.
bool graphicsDeviceAvailable(const QString &deviceDirectory = QStringLiteral("/dev"));

// Reads the environment and sets what the choice asks for; when it draws in
// software, the notes that no OpenGL was found are kept off stderr. The
// toolkit and the page engine read these variables once, so this runs before
// the QApplication is made.
void chooseRenderingMode();
