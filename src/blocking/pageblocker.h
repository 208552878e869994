#pragma once

#include <QJsonObject>
#include <QPointer>
#include <QUrl>
#include <QWebEngineUrlRequestInterceptor>

class BrowserEngine;
class ContentBlocking;
class QWebEnginePage;

// Content blocking for one page (the page of one browser engine): decides
// each of its requests, counts what it blocked since the page's last
// navigation, and keeps the page's hiding script up to date with the hosts
// its frames are loaded from. A child of the page.
//
// The page's own address is never blocked, and neither is anything while
// blocking is off for its site or a $document exception covers it.
class PageBlocker : public QWebEngineUrlRequestInterceptor
{
    Q_OBJECT

public:
    PageBlocker(ContentBlocking &blocking, const BrowserEngine *engine, QWebEnginePage *page);

    void interceptRequest(QWebEngineUrlRequestInfo &info) override;

    // Blocking turned on or off: the interceptor and the hiding script come
    // and go with it.
    void setActive(bool active);

private:
    void startPage(const QUrl &url);
    void addFrame(const QUrl &url);
    QJsonObject hidingFor(const QUrl &frame) const;
    void updateScript();
    void countBlocked();

    QPointer<ContentBlocking> m_blocking;
    const BrowserEngine *m_engine;
    QWebEnginePage *m_page;
    bool m_active = false;
    int m_blocked = 0;
    QUrl m_pageUrl;
    // Host -> what a frame from there hides.
    QJsonObject m_hosts;
};
