#pragma once

#include "engine/browserengine.h"

#include <QList>
#include <QObject>
#include <QPointer>

class QDialog;
class SitePermissions;

// Answers what the pages of one browser window ask leave for (location,
// notifications, camera, ...): with the answer the user gave the site
// before, or by asking, one question at a time, in a prompt naming the site
// and what it asks. "Allow" and "Block" are remembered for the site;
// closing the prompt blocks this once. Every request gets its answer, unless
// the page withdraws it first.
class PermissionPrompts : public QObject
{
    Q_OBJECT

public:
    PermissionPrompts(BrowserEngine *engine, SitePermissions &store, QWidget *window);

    // The question the prompt asks, e.g. "https://example.org asks to know
    // your location."
    static QString questionFor(const QUrl &origin, BrowserEngine::Permission permission);

private:
    struct Request {
        QUrl origin;
        BrowserEngine::Permission permission;
        bool operator==(const Request &other) const = default;
    };

    void requested(const QUrl &origin, BrowserEngine::Permission permission);
    void withdrawn(const QUrl &origin, BrowserEngine::Permission permission);
    void askNext();
    void closePrompt();
    void answer(bool allowed, bool remember);

    QPointer<BrowserEngine> m_engine;
    SitePermissions &m_store;
    QWidget *m_window;
    // The request asked about first, then those waiting their turn.
    QList<Request> m_waiting;
    QPointer<QDialog> m_prompt;
};
