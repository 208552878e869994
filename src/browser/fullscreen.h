#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class BrowserEngine;
class QLabel;
class QMainWindow;
class QWidget;

// A browser window's full screen: the user's own (F11), and the one a page
// asks for (a video, say), in which the page's view alone fills the screen
// until the page leaves it; the window then returns to the state it had. A
// notice tells for a few seconds how to leave the page's full screen.
class FullScreen : public QObject
{
    Q_OBJECT

public:
    // The controls hide, with the menu bar and the status bar, while the page
    // has the screen.
    FullScreen(QMainWindow *window, BrowserEngine *engine, const QList<QWidget *> &controls);

    bool pageHasScreen() const { return m_pageHasScreen; }
    // F11: the page's full screen ends through the page, which then reports it.
    void toggle();

Q_SIGNALS:
    void pageFullScreenChanged(bool on);

private:
    void showPageFullScreen(bool on);
    void showNotice(bool on);

    QMainWindow *m_window;
    QPointer<BrowserEngine> m_engine;
    QList<QWidget *> m_controls;
    bool m_pageHasScreen = false;
    Qt::WindowStates m_stateBeforePage;
    QPointer<QLabel> m_notice;
};
