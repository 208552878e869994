#pragma once

#include "engine/browserengine.h"

#include <QStringList>
#include <QWidget>

// A scripted engine: records every operation in calls ("Navigate:<text>",
// "GoBack", "ZoomFactor:<factor>", ...) and emits events only when the test
// says so (the signals are public: Q_EMIT engine->DownloadBegin()).
class FakeBrowserEngine : public BrowserEngine
{
    Q_OBJECT

public:
    explicit FakeBrowserEngine(QWidget *parent) : BrowserEngine(parent), m_view(new QWidget(parent))
    {
        // The view takes the focus, and has a name, as a page's does.
        m_view->setFocusPolicy(Qt::StrongFocus);
        m_view->setAccessibleName("Page");
    }

    void Navigate(const QString &address) override
    {
        calls << "Navigate:" + address;
        navigations << address;
    }
    void GoBack() override { calls << "GoBack"; }
    void GoForward() override { calls << "GoForward"; }
    void Stop() override { calls << "Stop"; }
    void Refresh() override { calls << "Refresh"; }
    QString LocationURL() const override { return location; }
    QWidget *view() const override { return m_view; }
    qreal zoomFactor() const override { return zoom; }
    void setZoomFactor(qreal factor) override
    {
        calls << "ZoomFactor:" + QString::number(factor);
        zoom = factor;
    }
    void exitFullScreen() override { calls << "ExitFullScreen"; }
    void findText(const QString &text, bool backward) override
    {
        calls << (backward ? "FindTextBackward:" : "FindText:") + text;
    }
    void stopFinding() override { calls << QStringLiteral("StopFinding"); }

    // Asks the engine's window for a new-window target, as a page would.
    BrowserEngine *requestNewWindow()
    {
        NewWindowRequest request;
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
