#include "support/fakebrowserengine.h"

#include <QVariant>

FakeBrowserEngine::FakeBrowserEngine(QWidget *parent)
    : BrowserEngine(parent), m_view(new QWidget(parent))
{ }

void FakeBrowserEngine::Navigate(const QString &address)
{
    calls.append(QStringLiteral("Navigate:") + address);
    navigations.append(address);
}

void FakeBrowserEngine::GoBack()
{
    calls.append(QStringLiteral("GoBack"));
}

void FakeBrowserEngine::GoForward()
{
    calls.append(QStringLiteral("GoForward"));
}

void FakeBrowserEngine::Stop()
{
    calls.append(QStringLiteral("Stop"));
}

void FakeBrowserEngine::Refresh()
{
    calls.append(QStringLiteral("Refresh"));
}

void FakeBrowserEngine::setZoomFactor(qreal factor)
{
    calls.append(QStringLiteral("ZoomFactor:") + QString::number(factor));
    zoom = factor;
}

void FakeBrowserEngine::exitFullScreen()
{
    calls.append(QStringLiteral("ExitFullScreen"));
}

void FakeBrowserEngine::answerPermission(const QUrl &origin, Permission permission, bool allowed)
{
    calls.append(QStringLiteral("Permission:%1 %2 %3")
                     .arg(origin.toString(), QVariant::fromValue(permission).toString())
                     .arg(allowed));
}

BrowserEngine *FakeBrowserEngine::requestNewWindow(bool userInitiated)
{
    NewWindowRequest request;
    request.userInitiated = userInitiated;
    Q_EMIT NewWindow2(&request);
    return request.target;
}

BrowserEngine *FakeEngineFactory::operator()(QWidget *parent) const
{
    auto *engine = new FakeBrowserEngine(parent);
    if (created)
        created->append(engine);
    return engine;
}
