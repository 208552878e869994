#include "engine/webenginepage.h"

#include <utility>

WebEnginePage::WebEnginePage(
    QWebEngineProfile *profile, WindowRequestHandler onWindowRequest, QObject *parent)
    : QWebEnginePage(profile, parent), m_onWindowRequest(std::move(onWindowRequest))
{ }

QWebEnginePage *WebEnginePage::createWindow(WebWindowType)
{
    return m_onWindowRequest();
}
