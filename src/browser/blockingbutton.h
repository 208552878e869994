#pragma once

#include <QToolButton>

class BrowserEngine;
class ContentBlockingState;
class QAction;

// The status bar's count of what content blocking stopped on the page the
// window shows, and its menu: blocking on or off for the page's site, and
// what the lists hold. Hidden while content blocking is off.
class BlockingButton : public QToolButton
{
    Q_OBJECT

public:
    BlockingButton(ContentBlockingState &state, BrowserEngine *engine, QWidget *parent = nullptr);

private:
    QString siteHost() const;
    void showCount();
    void prepareMenu();
    void setSiteBlocking(bool on);

    ContentBlockingState &m_state;
    BrowserEngine *m_engine;
    QAction *m_siteAction;
    QAction *m_summaryAction;
};
