#include "browser/browserkeys.h"

#include "browser/fullscreen.h"
#include "browser/pagezoom.h"
#include "engine/browserengine.h"

#include <QAction>
#include <QWidget>

BrowserKeys::BrowserKeys(QWidget *window, BrowserEngine *engine, FullScreen *fullScreen)
    : QObject(window), m_window(window), m_engine(engine), m_fullScreen(fullScreen)
{
    addKeys({tr("Ctrl+L"), tr("Alt+D"), tr("F6")}, [this] { Q_EMIT addressKeyPressed(); });
    addKeys({tr("F5")}, [this] { Q_EMIT reloadKeyPressed(); });
    addKeys({tr("Alt+Left")}, [this] { Q_EMIT backKeyPressed(); });
    addKeys({tr("Alt+Right")}, [this] { Q_EMIT forwardKeyPressed(); });
    addKeys({tr("Ctrl++"), tr("Ctrl+=")},
        [this] { m_engine->setZoomFactor(zoomedIn(m_engine->zoomFactor())); });
    addKeys({tr("Ctrl+-")}, [this] { m_engine->setZoomFactor(zoomedOut(m_engine->zoomFactor())); });
    addKeys({tr("Ctrl+0")}, [this] { m_engine->setZoomFactor(1); });
    addKeys({tr("F11")}, [this] { m_fullScreen->toggle(); });
    addKeys({tr("F3"), tr("Ctrl+G")}, [this] { Q_EMIT findNextKeyPressed(); });
    addKeys({tr("Shift+F3"), tr("Ctrl+Shift+G")}, [this] { Q_EMIT findPreviousKeyPressed(); });
    m_escape = addKeys({tr("Esc")}, [this] { pressEscape(); });
    m_escape->setEnabled(false);
    connect(fullScreen, &FullScreen::pageFullScreenChanged, this, &BrowserKeys::updateEscape);
}

void BrowserKeys::setLoading(bool loading)
{
    m_loading = loading;
    updateEscape();
}

QAction *BrowserKeys::addKeys(const QStringList &keys, const std::function<void()> &command)
{
    auto *action = new QAction(this);
    QList<QKeySequence> sequences;
    for (const QString &key : keys)
        sequences.append(QKeySequence(key));
    action->setShortcuts(sequences);
    connect(action, &QAction::triggered, this, command);
    m_window->addAction(action);
    return action;
}

void BrowserKeys::pressEscape()
{
    if (m_fullScreen->pageHasScreen())
        m_engine->exitFullScreen();
    else
        Q_EMIT stopKeyPressed();
}

void BrowserKeys::updateEscape()
{
    m_escape->setEnabled(m_loading || m_fullScreen->pageHasScreen());
}
