#include "browser/fullscreen.h"

#include "engine/browserengine.h"

#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>

namespace {

constexpr int NoticeMilliseconds = 4000;

} // namespace

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
    showNotice(on);
}

// A page that took the whole screen could pass itself off as anything, the
// desktop included; the user is told how to leave.
void FullScreen::showNotice(bool on)
{
    delete m_notice.data();
    if (!on)
        return;
    auto *notice = new QLabel(tr("Press Esc to exit full screen"), m_window);
    m_notice = notice;
    notice->setObjectName(QStringLiteral("lblFullScreenNotice"));
    notice->setStyleSheet(QStringLiteral(
        "QLabel { background: rgba(32, 32, 32, 220); color: white; padding: 12px 20px;"
        " border-radius: 6px; font-size: 14pt; }"));
    notice->adjustSize();
    // The window fills its screen once the window manager has made it so.
    const QRect screen = m_window->screen() ? m_window->screen()->geometry() : m_window->rect();
    notice->move((screen.width() - notice->width()) / 2, screen.height() / 10);
    notice->show();
    notice->raise();
    QTimer::singleShot(NoticeMilliseconds, notice, &QObject::deleteLater);
}
