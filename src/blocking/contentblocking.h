#pragma once

#include "blocking/filterengineloader.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <memory>

class AppContext;
class BrowserEngine;
class ContentBlockingState;
class FilterEngine;
class FilterListFetcher;
class PageBlocker;
class QTimer;
class QWebEnginePage;
class QWebEngineProfile;

// Content blocking for the whole program: reads the lists (the copies kept
// in the data directory's list folder, or file: lists where they are) into
// the matcher away from the GUI thread, keeps them current over HTTPS once
// the browser goes to the web, blocks and hides on every page it is given,
// and follows what the windows change in ContentBlockingState: on or off,
// the lists, the sites without blocking (kept in Unblocked.lst).
//
// While the lists are first read, page loads wait for them (the navigation
// gate), so that the first page of a start is already covered; the windows
// open as usual meanwhile.
class ContentBlocking : public QObject
{
    Q_OBJECT

public:
    ContentBlocking(AppContext &context, QWebEngineProfile *profile, QObject *parent = nullptr);
    ~ContentBlocking() override;

    // Reads the settings and the lists.
    void start();
    // Blocks and hides on the page the engine shows.
    void attach(const BrowserEngine *engine, QWebEnginePage *page);

    // The matcher in use; null while blocking is off or no lists are read.
    const FilterEngine *engine() const;
    ContentBlockingState &state();

    // A page from the web is being loaded: lists that have gone stale are
    // fetched a little later. Until then nothing goes out: local pages need
    // no lists.
    void noteWebPage(const QUrl &url);

Q_SIGNALS:
    // A load of the lists has finished (the first or a later one).
    void listsLoaded();

private:
    QList<FilterListFile> listFiles() const;
    QString listFolder() const;
    void readLists();
    void listsRead(const FilterLoadResult &result);
    void setEnabled(bool enabled);
    void updateTableScript();
    void checkForUpdates();
    void listFetched(const QUrl &address, bool ok, const QByteArray &bytes);
    void saveSites() const;

    AppContext &m_context;
    QWebEngineProfile *m_profile;
    FilterEngineLoader *m_loader;
    FilterListFetcher *m_fetcher;
    QTimer *m_updateTimer;
    std::shared_ptr<const FilterEngine> m_engine;
    QList<QPointer<PageBlocker>> m_pages;
    QHash<QUrl, QDateTime> m_staleAt;
    QHash<QUrl, QDateTime> m_lastAttempt;
    bool m_webUsed = false;
};
