#include "engine/webenginepage.h"

#include <utility>

WebEnginePage::WebEnginePage(
    QWebEngineProfile *profile, NavigationHandler onNavigation, QObject *parent)
    : QWebEnginePage(profile, parent), m_onNavigation(std::move(onNavigation))
{ }

bool WebEnginePage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    return m_onNavigation(url, type, isMainFrame);
}
