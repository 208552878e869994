#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <utility>

// What the page engine is asked for before it starts, kept to what a small
// browser needs: the memory it takes is mostly the engine's.
//
// Drawing: without a graphics device, OpenGL is Mesa's software rasteriser.
// Loading it costs the main process over 100 MB and the start a good deal of
// time, and it draws pages slower than the engine's and the toolkit's own
// software drawing (scrolling a long page takes four times the processor
// time). So then everything is drawn in software: the engine without its GPU
// path, the page view's scene graph in software, and no OpenGL in the
// toolkit's X11 windows at all. With a device the GPU is used as ever.
//
// Processes: the engine keeps a second zygote, idle for the whole run, to fork
// helpers that run outside the sandbox from; the engine starts such helpers
// (the audio service, say) directly instead when told to, and 8 MB of private
// memory and a process are saved.
//
// The user's choice stands: a variable already set keeps its value (flags are
// appended to, never replaced), and a user who asked for OpenGL drawing
// through any of the three variables gets no software drawing from here.

// What the choice looks at: the variables through which the toolkit and the
// engine are told, as the user left them, and whether the machine has a
// graphics device this user may open.
struct EngineEnvironment {
    QByteArray quickBackend; // QT_QUICK_BACKEND
    QByteArray xcbGlIntegration; // QT_XCB_GL_INTEGRATION
    QByteArray chromiumFlags; // QTWEBENGINE_CHROMIUM_FLAGS
    bool softwareGlForced = false; // LIBGL_ALWAYS_SOFTWARE
    bool graphicsDevice = false;
};

// One environment variable and the value to give it.
using EnvironmentAssignment = std::pair<QByteArray, QByteArray>;

bool drawsInSoftware(const EngineEnvironment &environment);

// The variables to set, with their new values.
QList<EnvironmentAssignment> engineFootprintAssignments(const EngineEnvironment &environment);

// Whether this user may open a render node under <deviceDirectory>/dri, or the
// control device of NVIDIA's own driver, which needs none.
bool graphicsDeviceAvailable(const QString &deviceDirectory = QStringLiteral("/dev"));

// Reads the environment and sets what the choice asks for; when it draws in
// software, the notes that no OpenGL was found are kept off stderr. The
// toolkit and the engine read these variables once, so this runs before the
// QApplication is made.
void reduceEngineFootprint();
