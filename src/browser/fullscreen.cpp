#include "browser/fullscreen.h"

#include "engine/browserengine.h"

#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>

FullScreen::FullScreen(QMainWindow *window, BrowserEngine *engine, const QList<QWidget *> &controls)
    : QObject(window), m_window(window), m_engine(engine),
      m_controls(QList<QWidget *>{window->menuBar(), window->statusBar()} + controls)
{
    connect(engine, &BrowserEngine::fullScreenRequested, this, &FullScreen::showPageFullScreen);
}

void FullScreen::toggle()
{
    if (m_pageHasScreen)
        m_engine->exitFullScreen();
    else
        m_window->setWindowState(m_window->windowState() ^ Qt::WindowFullScreen);
}

void FullScreen::showPageFullScreen(bool on)
{
    if (on == m_pageHasScreen)
        return;
    m_pageHasScreen = on;
    if (on)
        m_stateBeforePage = m_window->windowState();
    for (QWidget *control : std::as_const(m_controls))
        control->setVisible(!on);
    m_window->setWindowState(on ? m_stateBeforePage | Qt::WindowFullScreen : m_stateBeforePage);
    Q_EMIT pageFullScreenChanged(on);
    if (on)
        m_engine->view()->setFocus();
}
