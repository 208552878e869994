#pragma once

#include <QWebEnginePage>

#include <functional>

// A page that lets its owner decide on every navigation, the links to other
// programs' schemes among them.
class WebEnginePage : public QWebEnginePage
{
public:
    using NavigationHandler
        = std::function<bool(const QUrl &url, NavigationType type, bool isMainFrame)>;

    WebEnginePage(QWebEngineProfile *profile, NavigationHandler onNavigation, QObject *parent);

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;

private:
    NavigationHandler m_onNavigation;
};
