#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class BrowserEngine;
class FullScreen;
class QAction;

// The keys of other browsers, beside the menus' own, which they never
// replace. Zoom and full screen are handled here; the keys that act on the
// window's page are reported by a signal, as the menus report their items.
class BrowserKeys : public QObject
{
    Q_OBJECT

public:
    BrowserKeys(QWidget *window, BrowserEngine *engine, FullScreen *fullScreen);

    // Escape stops a load only while there is one: otherwise, and outside the
    // page's full screen, the page and the controls get the key.
    void setLoading(bool loading);

Q_SIGNALS:
    void addressKeyPressed();
    void reloadKeyPressed();
    void backKeyPressed();
    void forwardKeyPressed();
    void stopKeyPressed();
    void findNextKeyPressed();
    void findPreviousKeyPressed();

private:
    QAction *addKeys(const QStringList &keys, const std::function<void()> &command);
    void pressEscape();
    void updateEscape();

    QWidget *m_window;
    QPointer<BrowserEngine> m_engine;
    FullScreen *m_fullScreen;
    QAction *m_escape;
    bool m_loading = false;
};
