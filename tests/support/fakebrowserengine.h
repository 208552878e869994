#pragma once

#include "engine/browserengine.h"

#include <QStringList>
#include <QWidget>

// A scripted engine: records every operation in calls ("Navigate:<text>",
// "GoBack", ...) and emits events only when the test says so (the signals are
// public: Q_EMIT engine->DownloadBegin()).
class FakeBrowserEngine : public BrowserEngine
{
    Q_OBJECT

public:
    explicit FakeBrowserEngine(QWidget *parent);

    void Navigate(const QString &address) override;
    void GoBack() override;
    void GoForward() override;
    void Stop() override;
    void Refresh() override;
    QString LocationURL() const override { return location; }
    QWidget *view() const override { return m_view; }
    qreal zoomFactor() const override { return zoom; }
    // Recorded as "ZoomFactor:<factor>".
    void setZoomFactor(qreal factor) override;
    void exitFullScreen() override;
    // Recorded as "Permission:<origin> <permission> <allowed>".
    void answerPermission(const QUrl &origin, Permission permission, bool allowed) override;
    void findText(const QString &text, bool backward) override
    {
        calls << (backward ? "FindTextBackward:" : "FindText:") + text;
    }
    void stopFinding() override { calls << QStringLiteral("StopFinding"); }

    // Asks the engine's window for a new-window target, as a page would.
    BrowserEngine *requestNewWindow(bool userInitiated = false);

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
    BrowserEngine *operator()(QWidget *parent) const;
};
