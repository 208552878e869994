#pragma once

#include <QWebEnginePage>

#include <functional>

// A page that asks its owner where a new window's content should go. The
// owner answers with a page to load it into, or nullptr to refuse.
class WebEnginePage : public QWebEnginePage
{
public:
    using WindowRequestHandler = std::function<QWebEnginePage *()>;

    WebEnginePage(
        QWebEngineProfile *profile, WindowRequestHandler onWindowRequest, QObject *parent);

protected:
    QWebEnginePage *createWindow(WebWindowType type) override;

private:
    WindowRequestHandler m_onWindowRequest;
};
