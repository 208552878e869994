#pragma once

#include "engine/browserengine.h"

#include <QStringList>
#include <QVariant>
#include <QWidget>

// A scripted engine: records every operation in calls ("Navigate:<text>",
// "GoBack", ...) and emits events only when the test says so (the signals are
// public: Q_EMIT engine->DownloadBegin()).
class FakeBrowserEngine : public BrowserEngine
{
    Q_OBJECT

public:
    // The view takes the focus, and has a name, as a page's does.
    explicit FakeBrowserEngine(QWidget *parent) : BrowserEngine(parent), m_view(new QWidget(parent))
    {
        m_view->setFocusPolicy(Qt::StrongFocus);
        m_view->setAccessibleName(QStringLiteral("Page"));
    }

    void Navigate(const QString &address) override
    {
        calls << "Navigate:" + address;
        navigations << address;
    }
    void GoBack() override { calls << QStringLiteral("GoBack"); }
    void GoForward() override { calls << QStringLiteral("GoForward"); }
    void Stop() override { calls << QStringLiteral("Stop"); }
    void Refresh() override { calls << QStringLiteral("Refresh"); }
    QString LocationURL() const override { return location; }
    QWidget *view() const override { return m_view; }
    qreal zoomFactor() const override { return zoom; }
    void setZoomFactor(qreal factor) override
    {
        calls << "ZoomFactor:" + QString::number(zoom = factor);
    }
    void exitFullScreen() override { calls << QStringLiteral("ExitFullScreen"); }
    void answerPermission(const QUrl &origin, Permission permission, bool allowed) override
    {
        calls << QStringLiteral("Permission:%1 %2 %3")
                     .arg(origin.toString(), QVariant::fromValue(permission).toString())
                     .arg(allowed);
    }
    void findText(const QString &text, bool backward) override
    {
        calls << (backward ? "FindTextBackward:" : "FindText:") + text;
    }
    void stopFinding() override { calls << QStringLiteral("StopFinding"); }

    // Asks the engine's window for a new-window target, as a page would.
    BrowserEngine *requestNewWindow(bool userInitiated = false)
    {
        NewWindowRequest request;
        request.userInitiated = userInitiated;
        Q_EMIT NewWindow2(&request);
        return request.target;
    }

    QStringList calls;
    QStringList navigations;
    QString location;
    qreal zoom = 1;

private:
    QWidget *m_view;
};

// An engine factory that keeps track of the engines it made.
struct FakeEngineFactory {
    QList<FakeBrowserEngine *> *created;
    BrowserEngine *operator()(QWidget *parent) const
    {
        auto *engine = new FakeBrowserEngine(parent);
        if (created)
            created->append(engine);
        return engine;
    }
};
