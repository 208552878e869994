#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

class BrowserEngine;

// Content blocking as the windows see it: whether it is on, the lists it
// uses, the sites the user turned it off for, and how many requests it
// blocked on the page each engine shows. The blocking feature keeps this up
// to date and follows the changes the windows make here (the Preferences
// dialog turns blocking on and off and sets the lists; a browser window
// turns it off for its page's site).
class ContentBlockingState : public QObject
{
    Q_OBJECT

public:
    explicit ContentBlockingState(QObject *parent = nullptr);

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);

    // The lists' addresses as the settings name them; empty for the
    // program's default lists.
    QStringList filterLists() const { return m_filterLists; }
    void setFilterLists(const QStringList &addresses);

    // Hosts the user turned blocking off for.
    QSet<QString> sitesWithoutBlocking() const { return m_sitesWithoutBlocking; }
    void setSitesWithoutBlocking(const QSet<QString> &hosts);
    bool isBlockingOnFor(const QString &host) const;
    void setBlockingOnFor(const QString &host, bool on);

    // Requests blocked on the page the engine shows now.
    int blockedCount(const BrowserEngine *engine) const { return m_blocked.value(engine); }
    void setBlockedCount(const BrowserEngine *engine, int count);
    void forgetEngine(const BrowserEngine *engine);

    // One line on what the lists hold, for whoever shows it ("" while none
    // are read).
    QString listSummary() const { return m_listSummary; }
    void setListSummary(const QString &summary);

Q_SIGNALS:
    void enabledChanged(bool enabled);
    void filterListsChanged(const QStringList &addresses);
    void siteBlockingChanged(const QString &host, bool on);
    void blockedCountChanged(const BrowserEngine *engine, int count);
    void listSummaryChanged(const QString &summary);

private:
    bool m_enabled = true;
    QStringList m_filterLists;
    QSet<QString> m_sitesWithoutBlocking;
    QHash<const BrowserEngine *, int> m_blocked;
    QString m_listSummary;
};
