#pragma once

#include <QPointer>
#include <QWebEngineUrlRequestInterceptor>

class QWebEnginePage;

// Keeps a page opened from the disk from reading the user's other files. The
// engine treats every local page as one site, and would let one page fetch,
// frame and read any file; its own switch against that also stops a local
// page's pictures and style sheets from loading. So local pages keep the
// engine's access, and this guard refuses what they ask of other local files
// beyond their own pictures, style sheets, scripts, fonts and media in the
// page's folder and the folders below it (hidden ones excepted). A page has
// one request interceptor, so the guard is it, and hands what it lets
// through on to the page's other filter (see setPageRequestFilter()).
class LocalFileGuard : public QWebEngineUrlRequestInterceptor
{
    Q_OBJECT

public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    // requested: the file asked for; page: the top-level page; initiator:
    // the origin that asks (empty for the user's own navigation).
    static bool allows(const QUrl &requested, const QUrl &page, const QUrl &initiator,
        QWebEngineUrlRequestInfo::ResourceType type);

    void interceptRequest(QWebEngineUrlRequestInfo &info) override;

private:
    friend void setPageRequestFilter(QWebEnginePage *, QWebEngineUrlRequestInterceptor *);
    QPointer<QWebEngineUrlRequestInterceptor> m_next;
};

// filter decides the page's requests that its local-file guard lets through
// (nullptr: none); the guard stays in place whatever is set here.
void setPageRequestFilter(QWebEnginePage *page, QWebEngineUrlRequestInterceptor *filter);
